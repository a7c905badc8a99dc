// The program's global objects and its entry point.  The objects below are
// constructed in this order before InitInstance and destroyed in reverse at
// exit.  The paths, client id, hotkey record, database and skin store are
// plain records defined with their code; what must happen in order lives in
// the constructor and destructor of AppServices.
#include "app/QuorventileApp.h"
#include "core/Pinyin.h"
#include "core/ThreadPool.h"
#include "skin/menu/CNewMenuHook.h"

CQuorventileApp theApp;

namespace
{
// The thread pool, the pinyin table and the owner-drawn menus' hook and
// themes.  Destroyed before the application object, so the pool is gone
// before the database record.
struct AppServices {
    AppServices()
    {
        SkinControl::CreateGlobalThreadPool();
        InitPinyinTable();
        SkinControl::NewMenu::CNewMenuHook::Install();
    }
    ~AppServices()
    {
        SkinControl::NewMenu::CNewMenuHook::Uninstall();
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
