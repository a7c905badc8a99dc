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
    // no download uses the store or the bar), then wait the pool's 300 ms
    // for the workers; the program's exit waits only what is left of them.
    // WinINet under Wine does not end a blocked call when its request is
    // closed, so a worker may stay inside until its time-out.  The program
    // frees this library next: each pool thread holds the library until its
    // last instruction, so it stays loaded until such a worker has left.
    CNoteletDownload::AbortDownloads();
    g_pool->Shutdown();
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
