#include "framework/CMenu.h"

#include <mutex>
#include <unordered_map>

namespace
{

std::mutex& MapLock()
{
    static std::mutex lock;
    return lock;
}

std::unordered_map<HMENU, CMenu*>& PermanentMap()
{
    static std::unordered_map<HMENU, CMenu*> map;
    return map;
}

thread_local CMenu* t_trackingMenu = nullptr;
thread_local HWND t_trackingWindow = nullptr;

} // namespace

CMenu::~CMenu()
{
    DestroyMenu();
}

CMenu* CMenu::FromHandlePermanent(HMENU menu)
{
    std::lock_guard<std::mutex> guard(MapLock());
    auto it = PermanentMap().find(menu);
    return it == PermanentMap().end() ? nullptr : it->second;
}

BOOL CMenu::Attach(HMENU menu)
{
    if (m_hMenu || !::IsMenu(menu))
        return FALSE;
    std::lock_guard<std::mutex> guard(MapLock());
    if (!PermanentMap().emplace(menu, this).second)
        return FALSE;
    m_hMenu = menu;
    return TRUE;
}

HMENU CMenu::Detach()
{
    HMENU menu = m_hMenu;
    if (menu) {
        std::lock_guard<std::mutex> guard(MapLock());
        auto it = PermanentMap().find(menu);
        if (it != PermanentMap().end() && it->second == this)
            PermanentMap().erase(it);
    }
    m_hMenu = nullptr;
    return menu;
}

BOOL CMenu::CreatePopupMenu()
{
    HMENU menu = ::CreatePopupMenu();
    if (Attach(menu))
        return TRUE;
    ::DestroyMenu(menu);
    return FALSE;
}

BOOL CMenu::CreateMenu()
{
    HMENU menu = ::CreateMenu();
    if (Attach(menu))
        return TRUE;
    ::DestroyMenu(menu);
    return FALSE;
}

BOOL CMenu::DestroyMenu()
{
    if (!m_hMenu)
        return FALSE;
    return ::DestroyMenu(Detach());
}

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, HWND owner, const RECT* rect)
{
    CMenu* savedMenu = t_trackingMenu;
    HWND savedWindow = t_trackingWindow;
    t_trackingMenu = this;
    t_trackingWindow = owner;
    BOOL result = ::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner, rect);
    t_trackingMenu = savedMenu;
    t_trackingWindow = savedWindow;
    return result;
}

CMenu* CMenu::TrackingMenu()
{
    return t_trackingMenu;
}

HWND CMenu::TrackingWindow()
{
    return t_trackingWindow;
}

HMENU CMenu::FindMenuOfItem(HMENU menu, UINT id, ULONG_PTR data)
{
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_DATA | MIIM_SUBMENU;
        if (!::GetMenuItemInfoW(menu, i, TRUE, &info))
            continue;
        if (info.wID == id && info.dwItemData == data)
            return menu;
        if (info.hSubMenu) {
            if (HMENU found = FindMenuOfItem(info.hSubMenu, id, data))
                return found;
        }
    }
    return nullptr;
}

BOOL CMenu::RouteDrawItem(DRAWITEMSTRUCT* item)
{
    CMenu* menu = FromHandlePermanent(reinterpret_cast<HMENU>(item->hwndItem));
    if (!menu)
        return FALSE;
    menu->DrawItem(item);
    return TRUE;
}

BOOL CMenu::RouteMeasureItem(HWND hwnd, MEASUREITEMSTRUCT* item)
{
    // The item of a popup entry carries the sub-menu's handle as its id.
    if (::IsMenu(reinterpret_cast<HMENU>(static_cast<UINT_PTR>(item->itemID)))) {
        if (CMenu* menu = FromHandlePermanent(reinterpret_cast<HMENU>(static_cast<UINT_PTR>(item->itemID)))) {
            menu->MeasureItem(item);
            return TRUE;
        }
    }
    HMENU roots[3] = {};
    if (t_trackingMenu && t_trackingWindow == hwnd)
        roots[0] = t_trackingMenu->m_hMenu;
    roots[1] = ::GetMenu(hwnd);
    roots[2] = ::GetSystemMenu(hwnd, FALSE);
    for (HMENU root : roots) {
        if (!root)
            continue;
        HMENU found = FindMenuOfItem(root, item->itemID, item->itemData);
        if (CMenu* menu = found ? FromHandlePermanent(found) : nullptr) {
            menu->MeasureItem(item);
            return TRUE;
        }
    }
    return FALSE;
}
