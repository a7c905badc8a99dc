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
