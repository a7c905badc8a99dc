#include "app/PopupMenu.h"

#include "framework/CWnd.h"
#include "skin/menu/CNewMenu.h"

UINT TrackPopupMenuEntries(CWnd* owner, const std::vector<MenuEntry>& entries, POINT screenPoint)
{
    using namespace SkinControl::NewMenu;
    // Declared first so that it ends last: the menu goes before the theme
    // and the option word are put back.
    CMenuThemeScope theme;
    CNewMenu menu;
    if (!menu.CreatePopupMenu())
        return 0;
    for (const MenuEntry& entry : entries)
        menu.AppendOwnerDrawItem(entry.command ? 0 : MF_SEPARATOR, entry.text, entry.command);
    return static_cast<UINT>(
        menu.TrackPopupMenu(TPM_RETURNCMD | TPM_RIGHTBUTTON, screenPoint.x, screenPoint.y, owner->m_hWnd));
}

bool AnswerMenuChar(WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    using SkinControl::NewMenu::CNewMenu;
    CNewMenu* menu = CNewMenu::FromHandle(reinterpret_cast<HMENU>(lParam));
    if (!menu)
        return false;
    result = CNewMenu::FindMnemonic(static_cast<wchar_t>(LOWORD(wParam)), menu);
    return true;
}
