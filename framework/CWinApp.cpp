#include "framework/CWinApp.h"

#include "framework/CWnd.h"

// The module this code is linked into: the program, or a DLL that carries
// its own copy of the framework.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace
{
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp() : m_hInstance(reinterpret_cast<HINSTANCE>(&__ImageBase))
{
    if (!g_app)
        g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

int CWinApp::Run()
{
    while (AfxPumpMessage(&m_exitCode)) {
    }
    // A quit that no closing window posted leaves the main window alive:
    // it goes now, while everything its teardown uses is still there, and
    // not with the global objects.  The quit its destruction posts again
    // is taken back, so that ExitInstance can still show a message box.
    if (m_pMainWnd && m_pMainWnd->GetSafeHwnd()) {
        m_pMainWnd->DestroyWindow();
        MSG quit;
        ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
    return ExitInstance();
}

BOOL CWinApp::PreTranslateMessage(MSG* msg)
{
    return AfxWalkPreTranslateTree(msg);
}

CWinApp* AfxGetApp()
{
    return g_app;
}

HINSTANCE AfxGetInstanceHandle()
{
    return g_app ? g_app->m_hInstance : ::GetModuleHandleW(nullptr);
}

int AfxWinMain(HINSTANCE instance, int)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    if (instance)
        app->m_hInstance = instance;
    if (!app->InitInstance()) {
        if (app->m_pMainWnd)
            app->m_pMainWnd->DestroyWindow();
        // Whatever InitInstance set up before it failed is undone here too.
        return app->ExitInstance();
    }
    return app->Run();
}
