// The application object: start-up and shut-down of the main program.
#pragma once
#include "app/MainFrame.h"
#include "app/SingleInstance.h"
#include "framework/CWinApp.h"

// Background of the quick-link list.
extern COLORREF ListBackColor;

class CQuorventileApp : public CWinApp
{
public:
    CQuorventileApp() = default;
    BOOL InitInstance() override;
    int ExitInstance() override;

    CMainFrame m_mainFrame;

private:
    // Steps of InitInstance.
    void StartServices();
    CSingleInstanceMutex m_instanceMutex;
};

extern CQuorventileApp theApp;

// Loads the skin images the windows need and adds the fonts Font9 to Font11;
// 0 at the first image that fails, and the fonts are then not added.
int PreloadSkin();
