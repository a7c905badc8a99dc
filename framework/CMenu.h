// The menu object of our framework. A CMenu that holds a menu handle is in a
// process-wide HMENU-to-object map, so the owner window's WM_MEASUREITEM and
// WM_DRAWITEM for owner-drawn items reach the object that built the menu
// (CWnd routes them here when the window does not handle them itself).
#pragma once

#include <windows.h>

class CMenu
{
public:
    CMenu() = default;
    virtual ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu = nullptr;

    operator HMENU() const { return m_hMenu; }
    HMENU GetSafeHmenu() const { return m_hMenu; }

    // The object that holds the handle, or null.
    static CMenu* FromHandlePermanent(HMENU menu);

    // Puts the object in the map; FALSE for a handle that is no menu or is
    // held by another object already.
    BOOL Attach(HMENU menu);
    HMENU Detach();
    BOOL CreatePopupMenu();
    BOOL CreateMenu();
    BOOL DestroyMenu();

    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, const wchar_t* text = nullptr)
    {
        return ::AppendMenuW(m_hMenu, flags, id, text);
    }
    BOOL ModifyMenu(UINT position, UINT flags, UINT_PTR id, const void* data)
    {
        return ::ModifyMenuW(m_hMenu, position, flags, id, static_cast<const wchar_t*>(data));
    }
    int GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
    UINT GetMenuItemID(int position) const { return ::GetMenuItemID(m_hMenu, position); }
    UINT GetMenuState(UINT id, UINT flags) const { return ::GetMenuState(m_hMenu, id, flags); }
    HMENU GetSubMenu(int position) const { return ::GetSubMenu(m_hMenu, position); }

    // Shows the popup owned by `owner`; while it is open, the owner's
    // WM_MEASUREITEM finds this menu (see TrackingMenu).
    BOOL TrackPopupMenu(UINT flags, int x, int y, HWND owner, const RECT* rect = nullptr);

    // Default owner-draw handling: the base does nothing.
    virtual void DrawItem(DRAWITEMSTRUCT*) {}
    virtual void MeasureItem(MEASUREITEMSTRUCT*) {}

    // The popup this thread is tracking through TrackPopupMenu and its owner
    // window, or null.
    static CMenu* TrackingMenu();
    static HWND TrackingWindow();

    // The menu (or sub-menu) among `menu` and its sub-menus, depth-first by
    // position, that has an item with `id` whose item data is `data`.
    static HMENU FindMenuOfItem(HMENU menu, UINT id, ULONG_PTR data);

    // The framework's default handling of owner-drawn menu items for the
    // window `hwnd`: TRUE when a menu object took the message.
    static BOOL RouteDrawItem(DRAWITEMSTRUCT* item);
    static BOOL RouteMeasureItem(HWND hwnd, MEASUREITEMSTRUCT* item);
};
