#include "app/AppServices.h"

#include "core/Pinyin.h"
#include "core/ThreadPool.h"
#include "skin/menu/CNewMenuHook.h"

CAppServices::CAppServices()
{
    SkinControl::CreateGlobalThreadPool();
    // The pinyin table is built by the first conversion, under its guard,
    // once the window is up (a search or an added link).
    SkinControl::NewMenu::CNewMenuHook::Install();
}

CAppServices::~CAppServices()
{
    SkinControl::NewMenu::CNewMenuHook::Uninstall();
    SkinControl::CThreadPool* pool = SkinControl::GetGlobalThreadPool();
    if (!pool || !pool->IsWorkerInsideItem())
        FreePinyinTable();
    SkinControl::DestroyGlobalThreadPool();
}
