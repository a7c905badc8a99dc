#include "app/QuorventileApp.h"

#include "app/ClientId.h"
#include "app/CommandLine.h"
#include "app/CrashReportLog.h"
#include "app/InitAppPaths.h"
#include "app/SingleInstance.h"
#include "app/WindowPlacement.h"
#include "framework/coolsb/CoolSB.h"
#include "app/crashreport/CrashReport.h"
#include "core/AppDatabase.h"
#include "core/AppPaths.h"
#include "core/ThreadPool.h"
#include "skin/CSkinRes.h"
#include "skin/SkinDrawSupport.h"

#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>
#include <shellapi.h>

COLORREF ListBackColor = 0;

namespace
{
void OnCrashReportEnd() {}
} // namespace

int PreloadSkin()
{
    ListBackColor = 0xFCF5F4;
    static const wchar_t* const images[] = {L"ShellLink.png",
                                            L"MainFrame.png",
                                            L"Quorventile.png",
                                            L"sys_button_close.png",
                                            L"sys_button_min2.png",
                                            L"sys_button_max.png",
                                            L"sys_button_restore.png",
                                            L"sysmenu_close2.png",
                                            L"ClassArrows.png",
                                            L"CommonButton.png",
                                            L"dialog_template.png",
                                            L"checkbox.bmp",
                                            nullptr, // the radio-button bitmap, loaded with its colour key
                                            L"search_normal.png",
                                            L"search_del.png",
                                            L"scrollv\\background.png",
                                            L"scrollv\\buttons.png",
                                            L"scrollv\\thumb.png",
                                            L"scrollv\\thumbgripper.png",
                                            L"loading.gif"};
    for (const wchar_t* name : images) {
        int loaded =
            name ? SkinControl::CSkinRes::LoadImage(name) : SkinControl::CSkinRes::LoadRadioButtonImage();
        if (!loaded)
            return 0;
    }
    static const wchar_t* const families[3] = {L"微软雅黑", L"宋体", L"Tahoma"};
    SkinControl::CSkinRes::AddFont(L"Font9", families, 9);
    SkinControl::CSkinRes::AddFont(L"Font10", families, 10);
    SkinControl::CSkinRes::AddFont(L"Font11", families, 11);
    return 1;
}

BOOL CQuorventileApp::InitInstance()
{
    SetExceptionInfoCallback(OnCrashReportInfo);
    SetExceptionEndCallback(OnCrashReportEnd);
    InitCrashReport();

    InitAppPaths(AppPaths);
    SetAppDatabasePath(AppPaths.databasePath);
    OpenAppDatabase();

    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    AppCommandLine commandLine = ParseAppCommandLine(argc, argv);
    LocalFree(argv);
    if (commandLine.waitForPrevious)
        CSingleInstanceMutex::WaitUntilGone(60);

    // Created at once rather than tested first: two quick starts must not
    // both get through between a test and a creation.
    // A mutex that can't be made at all leaves the program running without
    // the guard.
    if (m_instanceMutex.Create() == CSingleInstanceMutex::Result::AlreadyRunning) {
        // The links chosen in Explorer are not lost when two starts race.
        if (!commandLine.pendingCommand.IsEmpty())
            HandCommandToRunningInstance(commandLine.pendingCommand, 10000);
        ActivateRunningInstance();
        return FALSE;
    }

    StartServices();

    // The list runs it once it has loaded the stored groups.
    m_mainFrame.QuickLinkList().SetPendingCommand(commandLine.pendingCommand);
    RECT rect;
    LoadWindowRect(rect);
    if (!m_mainFrame.Create(rect))
        return FALSE;
    m_pMainWnd = &m_mainFrame;
    return TRUE;
}

void CQuorventileApp::StartServices()
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
    InitCommonControlsEx(&controls);
    OleInitialize(nullptr);

    SkinControl::InitSkinDrawSupport(SkinControl::GetSkinDrawSupport());
    SkinControl::CSkinRes::SetSkinFolder(AppPaths.skinFolder);
    PreloadSkin();

    LoadOrCreateClientId();
    CoolSB_InitializeApp();
    if (SkinControl::CThreadPool* pool = SkinControl::GetGlobalThreadPool())
        pool->Start();
}

int CQuorventileApp::ExitInstance()
{
    // The message module's stop, on the frame's destruction, and the pool's
    // share one wait counted from there: a restart ("-runas") gives this
    // instance 600 ms to let go of its mutex.
    SkinControl::CThreadPool* pool = SkinControl::GetGlobalThreadPool();
    const bool workersGone =
        !pool || pool->Shutdown(m_mainFrame.ShutdownWaitLeft(SkinControl::CThreadPool::kShutdownWaitMs));
    CoolSB_UninitializeApp();
    // A worker still inside an item after the pool's bounded wait may be
    // inside a database call, or inside the quick-link list: closing the
    // connection or destroying the list would pull them from under it.
    if (workersGone) {
        CloseAppDatabase();
    } else {
        LeaveAppDatabaseToProcessEnd();
        m_mainFrame.LeaveQuickLinkListToProcessEnd();
    }
    SkinControl::CSkinRes::Global().FreeAll();
    SkinControl::ShutdownSkinDrawSupport(SkinControl::GetSkinDrawSupport());
    m_instanceMutex.Close();
    return CWinApp::ExitInstance();
}
