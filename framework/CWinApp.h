// The application object: one per program, constructed as a global. The
// program's entry point calls AfxWinMain, which runs InitInstance, then the
// message loop, and ExitInstance in every case, also when InitInstance fails.
#pragma once

#include <windows.h>

class CWnd;

class CWinApp
{
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // FALSE ends the program without running the message loop.
    virtual BOOL InitInstance() { return TRUE; }
    // Returns the program's exit code: that of WM_QUIT once the loop ran.
    virtual int ExitInstance() { return m_exitCode; }
    // The message loop; returns ExitInstance's result.
    virtual int Run();
    // Walks the target window and its parents (AfxWalkPreTranslateTree).
    virtual BOOL PreTranslateMessage(MSG* msg);

    // The main window; when it is destroyed the message loop ends.
    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;

protected:
    int m_exitCode = 0;
};

CWinApp* AfxGetApp();
// The module this code is part of; window classes are registered for it.
HINSTANCE AfxGetInstanceHandle();
int AfxWinMain(HINSTANCE instance, int showCommand);
