// Colour arithmetic and the gradient fill shared by the menu themes and the
// item routines.
#pragma once

#include <windows.h>

class CDC;

namespace SkinControl::NewMenu
{

COLORREF DarkenColor(COLORREF c);
COLORREF DarkenColorBy(COLORREF c, int n);
COLORREF LightenColorBy(int n, COLORREF c);
COLORREF MixColor86(COLORREF a, COLORREF b);
COLORREF MixColor70(COLORREF a, COLORREF b);
COLORREF BlendColor(COLORREF a, int weight, COLORREF b);
// NUMCOLORS of the screen, once; more than 256 colours read as 64000.
int GetScreenColorCount();
COLORREF GetNearestScreenColor(COLORREF c);
COLORREF GetXpHighlightColor();
COLORREF GetMenuBackColor(HMENU menu);
COLORREF GetMenuFaceColor();
COLORREF GetMenuBarBackColor(HMENU menu);
// COLOR_MENU, or COLOR_MENUBAR on XP and later with flat menus.
COLORREF GetMenuBaseColor();
void GetMenuBarColors(COLORREF* first, COLORREF* second, BOOL flag);

// Fills `rect` from `start` at the left (horizontal) or top edge to `end`.
void DrawGradientRect(COLORREF end, const RECT& rect, CDC* dc, COLORREF start, BOOL horizontal, BOOL palette);

} // namespace SkinControl::NewMenu
