#include "skin/menu/MenuColors.h"

#include "framework/CDC.h"
#include "skin/menu/CMenuTheme.h"
#include "skin/menu/CNewMenuHook.h"

#include <algorithm>

namespace SkinControl::NewMenu
{

namespace
{

// CLR_NONE of the common controls.
const COLORREF kColorNone = 0xFFFFFFFF;

COLORREF PerChannel(COLORREF c, int (*op)(int channel, int n), int n)
{
    return RGB(op(GetRValue(c), n), op(GetGValue(c), n), op(GetBValue(c), n));
}

int Cap(int v)
{
    return std::min(v, 255);
}

COLORREF Mix(COLORREF a, COLORREF b, int wa, int wb, int scale)
{
    auto mix = [&](int x, int y) { return Cap(MulDiv(x, wa, scale) + MulDiv(y, wb, scale)); };
    return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
               mix(GetBValue(a), GetBValue(b)));
}

COLORREF MenuBrushColor(HMENU menu, bool* found)
{
    *found = false;
    MENUINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIM_BACKGROUND;
    if (menu && ::GetMenuInfo(menu, &info) && info.hbrBack) {
        LOGBRUSH brush = {};
        if (::GetObjectW(info.hbrBack, sizeof(brush), &brush)) {
            *found = true;
            return brush.lbColor;
        }
    }
    return 0;
}

COLORREF Substitute(COLORREF c)
{
    if (c == RGB(214, 220, 204))
        return RGB(218, 218, 170);
    if (c == RGB(230, 230, 230))
        return RGB(215, 215, 229);
    if (c == RGB(172, 197, 240))
        return RGB(163, 194, 245);
    return c;
}

} // namespace

COLORREF DarkenColor(COLORREF c)
{
    return RGB(MulDiv(GetRValue(c), 7, 10), MulDiv(GetGValue(c), 7, 10), MulDiv(GetBValue(c) + 55, 7, 10));
}

COLORREF DarkenColorBy(COLORREF c, int n)
{
    return PerChannel(
        c, [](int v, int k) { return MulDiv(v, 255 - k, 255); }, n);
}

COLORREF LightenColorBy(int n, COLORREF c)
{
    return PerChannel(
        c, [](int v, int k) { return v + MulDiv(255 - v, k, 255); }, n);
}

COLORREF MixColor86(COLORREF a, COLORREF b)
{
    return Mix(a, b, 14, 86, 100);
}

COLORREF MixColor70(COLORREF a, COLORREF b)
{
    return Mix(a, b, 3, 7, 10);
}

COLORREF BlendColor(COLORREF a, int weight, COLORREF b)
{
    if (a == kColorNone)
        return kColorNone;
    auto blend = [&](int x, int y) { return (x * weight + y * (255 - weight)) / 256; };
    return RGB(blend(GetRValue(a), GetRValue(b)), blend(GetGValue(a), GetGValue(b)),
               blend(GetBValue(a), GetBValue(b)));
}

int GetScreenColorCount()
{
    static int count = [] {
        HDC dc = ::GetDC(nullptr);
        int colors = ::GetDeviceCaps(dc, NUMCOLORS);
        ::ReleaseDC(nullptr, dc);
        return colors == -1 ? 64000 : colors;
    }();
    return count;
}

COLORREF GetNearestScreenColor(COLORREF c)
{
    HDC dc = ::GetDC(nullptr);
    COLORREF nearest = ::GetNearestColor(dc, c);
    ::ReleaseDC(nullptr, dc);
    return nearest;
}

COLORREF GetXpHighlightColor()
{
    if (CNewMenuHook::s_highContrast)
        return ::GetSysColor(COLOR_HIGHLIGHT);
    if (GetScreenColorCount() < 257)
        return ::GetSysColor(COLOR_WINDOW);
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    const int sum = GetRValue(highlight) + GetGValue(highlight) + GetBValue(highlight);
    if (!IsThemeEngineActive() && sum > 384)
        return MixColor86(highlight, ::GetSysColor(COLOR_WINDOW));
    return MixColor70(highlight, ::GetSysColor(COLOR_WINDOW));
}

COLORREF GetMenuBaseColor()
{
    return ::GetSysColor(IsXpOrLater() && IsFlatMenu() ? COLOR_MENUBAR : COLOR_MENU);
}

COLORREF GetMenuBackColor(HMENU menu)
{
    bool found = false;
    COLORREF color = MenuBrushColor(menu, &found);
    return found ? color : GetMenuBaseColor();
}

COLORREF GetMenuFaceColor()
{
    const int os = GetOsClass();
    return ::GetSysColor(os == 2 || os == 5 ? COLOR_MENU : COLOR_BTNFACE);
}

COLORREF GetMenuBarBackColor(HMENU menu)
{
    bool found = false;
    COLORREF color = MenuBrushColor(menu, &found);
    if (found)
        return color;
    if (IsXpOrLater() && (IsFlatMenu() || IsThemeEngineActive()))
        return ::GetSysColor(COLOR_MENUBAR);
    return GetMenuFaceColor();
}

void GetMenuBarColors(COLORREF* first, COLORREF* second, BOOL flag)
{
    const int os = GetOsClass();
    if (os == 2 || os == 5) {
        *first = *second = ::GetSysColor(COLOR_MENU);
        return;
    }
    const CMenuTheme* theme = CNewMenuHook::s_currentTheme;
    auto mixedCaption = [](COLORREF caption, COLORREF window) {
        return GetNearestScreenColor(MixColor70(caption, window));
    };
    if (theme && (theme->m_id == 10 || theme->m_id == 11)) {
        *first = Substitute(
            mixedCaption(::GetSysColor(COLOR_ACTIVECAPTION), DarkenColorBy(::GetSysColor(COLOR_WINDOW), 10)));
        *second = LightenColorBy(110, *first);
        return;
    }
    if (!IsThemeEngineActive()) {
        *first = ::GetSysColor(COLOR_BTNFACE);
        *second = BlendColor(::GetSysColor(COLOR_WINDOW), 220, ::GetSysColor(COLOR_BTNFACE));
        return;
    }
    COLORREF caption = ::GetSysColor(COLOR_ACTIVECAPTION);
    COLORREF window = DarkenColorBy(::GetSysColor(COLOR_WINDOW), 10);
    HANDLE themeData =
        CNewMenuHook::s_OpenThemeData ? CNewMenuHook::s_OpenThemeData(nullptr, L"Window") : nullptr;
    if (!themeData) {
        *first = Substitute(mixedCaption(caption, window));
        *second = flag ? LightenColorBy(100, *first) : LightenColorBy(200, *first);
        if (!flag)
            *first = DarkenColorBy(*first, 20);
        return;
    }
    COLORREF value = 0;
    if (CNewMenuHook::s_GetThemeColor &&
        SUCCEEDED(CNewMenuHook::s_GetThemeColor(themeData, 1, 1, 3821, &value)) && value != 1)
        caption = value;
    if (CNewMenuHook::s_GetThemeColor &&
        SUCCEEDED(CNewMenuHook::s_GetThemeColor(themeData, 1, 1, 3805, &value)) && value != 1)
        window = value;
    if (CNewMenuHook::s_CloseThemeData)
        CNewMenuHook::s_CloseThemeData(themeData);
    if (caption == RGB(170, 184, 134))
        *first = RGB(218, 218, 170);
    else if (caption == RGB(164, 163, 190))
        *first = RGB(215, 215, 229);
    else if (caption == RGB(0, 84, 229))
        *first = RGB(163, 194, 245);
    else
        *first = mixedCaption(caption, window);
    if (flag) {
        *second = LightenColorBy(110, *first);
    } else {
        *second = LightenColorBy(200, *first);
        *first = DarkenColorBy(*first, 20);
    }
}

void DrawGradientRect(COLORREF end, const RECT& rect, CDC* dc, COLORREF start, BOOL horizontal, BOOL palette)
{
    const bool paletteDevice = dc->GetDeviceCaps(NUMCOLORS) != -1;
    if ((!paletteDevice || !palette) && CNewMenuHook::s_GradientFill) {
        TRIVERTEX vertices[2] = {};
        vertices[0].x = rect.left;
        vertices[0].y = rect.top;
        vertices[0].Red = static_cast<COLOR16>(GetRValue(start) << 8);
        vertices[0].Green = static_cast<COLOR16>(GetGValue(start) << 8);
        vertices[0].Blue = static_cast<COLOR16>(GetBValue(start) << 8);
        vertices[1].x = rect.right;
        vertices[1].y = rect.bottom;
        vertices[1].Red = static_cast<COLOR16>(GetRValue(end) << 8);
        vertices[1].Green = static_cast<COLOR16>(GetGValue(end) << 8);
        vertices[1].Blue = static_cast<COLOR16>(GetBValue(end) << 8);
        GRADIENT_RECT gradient = {0, 1};
        CNewMenuHook::s_GradientFill(dc->GetSafeHdc(), vertices, 2, &gradient, 1,
                                     horizontal ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
        return;
    }
    const bool nearest = paletteDevice && palette;
    auto fill = [&](const RECT& r, COLORREF c) {
        dc->FillSolidRect(r, nearest ? ::GetNearestColor(dc->GetSafeHdc(), c) : c);
    };
    fill(rect, end);
    const int length = horizontal ? rect.right - rect.left : rect.bottom - rect.top;
    if (length < 2)
        return;
    // A length of 2 has a single band, which is the start colour.
    const int span = std::max(length - 2, 1);
    auto channel = [&](int s, int e, int offset) { return s + (e - s) * offset / span; };
    for (int offset = 0; offset <= length - 2; offset += 2) {
        COLORREF c = RGB(channel(GetRValue(start), GetRValue(end), offset),
                         channel(GetGValue(start), GetGValue(end), offset),
                         channel(GetBValue(start), GetBValue(end), offset));
        RECT band = rect;
        if (horizontal) {
            band.left = rect.left + offset;
            band.right = band.left + 2;
        } else {
            band.top = rect.top + offset;
            band.bottom = band.top + 2;
        }
        fill(band, c);
    }
}

} // namespace SkinControl::NewMenu
