// The DLL's application object: set up when the DLL is attached.
#pragma once

#include "framework/CWinApp.h"

class CQuorventileShellExtApp : public CWinApp
{
public:
    // Attaches the merged proxy/stub and notes the DLL's folder in the
    // shared state.  Runs under the loader lock: anything that may load a
    // library or start a thread (GDI+, the shell's folder lookup) waits for
    // first use.
    BOOL InitInstance() override;
    int ExitInstance() override;
};

extern CQuorventileShellExtApp theApp;
