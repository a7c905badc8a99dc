#include "notelet/NoteletModule.h"

#include "core/ThreadPool.h"
#include "framework/CWinApp.h"
#include "notelet/MsgDatabase.h"
#include "notelet/NoteletDownload.h"
#include "notelet/WndBottomMsg.h"
#include "skin/CSkinRes.h"
#include "skin/SkinDrawSupport.h"

#include <shlobj.h>

#include <memory>

namespace
{
// The library's application object; it only gives the framework the
// module's instance, for its window class.
class CNoteletApp : public CWinApp
{
public:
    BOOL InitInstance() override
    {
        CWinApp::InitInstance();
        return TRUE;
    }
};

CNoteletApp theApp;

// How long NoteletUnInit waits for the workers on the UI thread; the
// program's exit waits as long, and a restart gives the old instance 600 ms.
const DWORD kStopWaitMs = 300;

// Null while the module is stopped.
HWND g_frame = nullptr;
std::unique_ptr<SkinControl::CThreadPool> g_pool;

CString DataFolder()
{
    wchar_t appData[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
    CString folder;
    folder.Format(L"%s\\Quorventile", appData);
    if (GetFileAttributesW(folder) == INVALID_FILE_ATTRIBUTES)
        CreateDirectoryW(folder, nullptr);
    return folder;
}

// Pins this library: FreeLibrary no longer unloads it.
void KeepLoadedUntilExit()
{
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCWSTR>(&g_frame), &self);
}

void AddFonts()
{
    static const wchar_t* const families[3] = {L"微软雅黑", L"宋体", L"Tahoma"};
    SkinControl::CSkinRes::AddFont(L"Font9", families, 9);
    SkinControl::CSkinRes::AddFont(L"Font10", families, 10);
    SkinControl::CSkinRes::AddFont(L"Font11", families, 11);
}
} // namespace

int __cdecl NoteletInit(HWND frame)
{
    if (g_frame)
        return 1;
    g_frame = frame;
    const CString folder = DataFolder();
    // The program started GDI+ before this call and stops it after
    // NoteletUnInit.
    SkinControl::EnterHostGdiplusSession();
    AddFonts();

    g_pool.reset(new SkinControl::CThreadPool);
    g_pool->Start();
    CString database;
    database.Format(L"%s\\Notelet.db", folder);
    OpenMsgDatabase(database);

    CWndBottomMsg& bar = BottomMsgBar();
    if (!bar.m_hWnd && bar.Create(frame))
        bar.PlaceInFrame();
    CNoteletDownload::AllowDownloads();
    g_pool->PostWorkItem(new CNoteletDownload);
    return 1;
}

void __cdecl NoteletUnInit()
{
    if (!g_frame)
        return;
    g_frame = nullptr;
    CWndBottomMsg& bar = BottomMsgBar();
    if (bar.m_hWnd)
        bar.DestroyWindow();
    // The feed download may be blocked on the network: end it (from here on
    // no download uses the store or the bar), then wait a while for the
    // workers.  WinINet under Wine does not end a blocked call when its
    // request is closed, so one may stay inside until its time-out.  The
    // program frees this library next: with a worker still inside, the
    // library stays loaded until the process ends instead.
    CNoteletDownload::AbortDownloads();
    const DWORD start = GetTickCount();
    g_pool->Shutdown();
    while (g_pool->IsWorkerInsideItem() && GetTickCount() - start < kStopWaitMs)
        Sleep(10);
    if (g_pool->IsWorkerInsideItem())
        KeepLoadedUntilExit();
    g_pool.reset();
    SkinControl::CSkinRes::Global().FreeAll();
    SkinControl::LeaveHostGdiplusSession();
    CloseMsgDatabase();
}

int __cdecl NoteletFrameWndMsg(UINT message, WPARAM, LPARAM)
{
    CWndBottomMsg& bar = BottomMsgBar();
    if (!bar.m_hWnd)
        return 0;
    BOOL visible = bar.IsWindowVisible();
    if (visible && message == WM_SIZE)
        return bar.PlaceInFrame();
    return visible;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH && AfxGetApp())
        return AfxGetApp()->InitInstance();
    return TRUE;
}
