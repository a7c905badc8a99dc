// Known system colours, set for the life of the object, and the colours the
// menus then have.
#pragma once

#include <windows.h>

namespace MenuTest
{

class KnownMenuColors
{
public:
    // The menu colour (and the flat menus' bar colour).
    static constexpr COLORREF menu = RGB(212, 208, 200);
    // The frame of a menu window: the menu colour darkened by 128/255.
    static constexpr COLORREF menuFrame = RGB(106, 104, 100);
    // An item's background in the application's look (theme 10): 14 % of
    // the menu colour and 86 % of the window colour darkened by 10/255.
    static constexpr COLORREF background = RGB(236, 228, 218);
    // The bar's fill and the end of theme 10's icon column: 30 % of the
    // caption colour and 70 % of that darkened window colour.
    static constexpr COLORREF bar = RGB(171, 173, 187);

    KnownMenuColors()
    {
        for (int i = 0; i < kCount; ++i)
            saved[i] = GetSysColor(kElements[i]);
        const COLORREF known[kCount] = {RGB(250, 240, 230), menu, menu, RGB(10, 36, 106)};
        SetSysColors(kCount, kElements, known);
    }
    ~KnownMenuColors() { SetSysColors(kCount, kElements, saved); }
    KnownMenuColors(const KnownMenuColors&) = delete;
    KnownMenuColors& operator=(const KnownMenuColors&) = delete;

private:
    static constexpr int kCount = 4;
    static constexpr INT kElements[kCount] = {COLOR_WINDOW, COLOR_MENU, COLOR_MENUBAR, COLOR_ACTIVECAPTION};
    COLORREF saved[kCount];
};

} // namespace MenuTest
