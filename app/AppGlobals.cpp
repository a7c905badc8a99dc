// The program's global objects and its entry point.  The objects below are
// constructed in this order before InitInstance and destroyed in reverse at
// exit.  The paths, client id, hotkey record, database and skin store are
// plain records defined with their code; what must happen in order lives in
// the constructor and destructor of AppServices.
#include "app/QuorventileApp.h"
#include "core/Pinyin.h"
#include "core/ThreadPool.h"

CQuorventileApp theApp;

namespace
{
// The thread pool and the pinyin table.  Destroyed before the application
// object, so the pool is gone before the database record.
struct AppServices {
    AppServices()
    {
        SkinControl::CreateGlobalThreadPool();
        InitPinyinTable();
    }
    ~AppServices()
    {
        FreePinyinTable();
        // The pool was shut down in ExitInstance; this only frees it.
        SkinControl::DestroyGlobalThreadPool();
    }
};
AppServices appServices;
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    return AfxWinMain(instance, showCommand);
}
