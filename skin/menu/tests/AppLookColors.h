// The colours of an item of the application's menu look (theme 10) as the
// draw routine computes them from the system colours: the item's background
// and the colour its icon column ends in.
#pragma once

#include "skin/menu/MenuColors.h"

#include <windows.h>

namespace MenuTest
{

struct AppLookColors {
    COLORREF background;
    COLORREF column;
};

inline AppLookColors ExpectedAppLookColors()
{
    using namespace SkinControl::NewMenu;
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    BOOL flat = FALSE;
    SystemParametersInfoW(SPI_GETFLATMENU, 0, &flat, 0);
    const COLORREF base = GetSysColor(flat ? COLOR_MENUBAR : COLOR_MENU);
    AppLookColors colors = {MixColor86(base, DarkenColorBy(window, 10)), 0};
    COLORREF second;
    GetMenuBarColors(&colors.column, &second, TRUE);
    if (GetNearestScreenColor(colors.background) == GetNearestScreenColor(colors.column))
        colors.background = DarkenColorBy(window, 10);
    return colors;
}

} // namespace MenuTest
