#include "skin/menu/CMenuTheme.h"

#include "framework/CDC.h"
#include "skin/menu/CNewMenu.h"
#include "skin/menu/CNewMenuHook.h"
#include "skin/menu/MenuColors.h"

namespace SkinControl::NewMenu
{

namespace
{

void FrameRect(HDC dc, const RECT& rect, COLORREF color)
{
    HBRUSH brush = ::CreateSolidBrush(color);
    ::FrameRect(dc, &rect, brush);
    ::DeleteObject(brush);
}

void Fill(HDC dc, const RECT& rect, COLORREF color)
{
    CBorrowedDC(dc).FillSolidRect(rect, color);
}

// The window rectangle in window coordinates.
RECT WindowBox(HWND hwnd)
{
    RECT window;
    ::GetWindowRect(hwnd, &window);
    return RECT{0, 0, window.right - window.left, window.bottom - window.top};
}

// The strips between the outer frame and the client area.
void FillBorderStrips(HWND hwnd, HDC dc, const RECT& frame, COLORREF color)
{
    RECT client;
    ::GetClientRect(hwnd, &client);
    POINT origin = {0, 0};
    ::ClientToScreen(hwnd, &origin);
    RECT window;
    ::GetWindowRect(hwnd, &window);
    ::OffsetRect(&client, origin.x - window.left, origin.y - window.top);
    RECT inner = frame;
    ::InflateRect(&inner, -1, -1);
    HRGN strips = ::CreateRectRgnIndirect(&inner);
    HRGN hole = ::CreateRectRgnIndirect(&client);
    ::CombineRgn(strips, strips, hole, RGN_DIFF);
    HBRUSH brush = ::CreateSolidBrush(color);
    ::FillRgn(dc, strips, brush);
    ::DeleteObject(brush);
    ::DeleteObject(hole);
    ::DeleteObject(strips);
}

// Saves the screen under the menu once and returns its outer frame, which
// leaves room for the drawn shade when the system casts none.
RECT BorderFrame(HWND hwnd, CNewMenuHook::CMenuHookData* data, bool shadow)
{
    CNewMenuHook::SaveScreenUnderMenu(hwnd, data);
    RECT frame = WindowBox(hwnd);
    if (!shadow) {
        frame.right -= 4;
        frame.bottom -= 4;
    }
    return frame;
}

} // namespace

CMenuTheme::CMenuTheme(int id, UINT flags, MeasureRoutine measure, DrawRoutine draw, DrawRoutine title)
    : m_id(id), m_flags(flags), m_measure(measure), m_draw(draw), m_title(title)
{
    UpdateSysColors();
    UpdateSysMetrics();
}

BOOL CMenuTheme::DoDrawBorder()
{
    return (m_flags & 1) ? TRUE : FALSE;
}

void CMenuTheme::UpdateSysColors()
{
    m_colorFace = ::GetSysColor(COLOR_BTNFACE);
    m_colorShadow = ::GetSysColor(COLOR_BTNSHADOW);
    m_colorHighlight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    m_colorText = ::GetSysColor(COLOR_BTNTEXT);
    m_colorFrame = ::GetSysColor(COLOR_WINDOWFRAME);
}

void CMenuTheme::UpdateSysMetrics()
{
    m_borderLeft = 2;
    m_borderTop = 2;
}

BOOL CMenuTheme::OnInitWnd(HWND hwnd)
{
    CNewMenuHook::CMenuHookData* data = CNewMenuHook::FindHookData(hwnd);
    CNewMenu* menu = data ? CNewMenu::FromHandle(data->menu) : nullptr;
    if (!menu || !menu->IsPopup() || !DoDrawBorder())
        return FALSE;
    data->flags |= CNewMenuHook::CMenuHookData::StylesChanged;
    ::SetWindowLongPtrW(hwnd, GWL_STYLE, data->style & ~static_cast<LONG_PTR>(WS_BORDER));
    ::SetWindowLongPtrW(hwnd, GWL_EXSTYLE,
                        data->exStyle & ~static_cast<LONG_PTR>(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE));
    return TRUE;
}

BOOL CMenuTheme::OnUnInitWnd(HWND hwnd)
{
    CNewMenuHook::CMenuHookData* data = CNewMenuHook::FindHookData(hwnd);
    if (!data)
        return TRUE;
    if (data->flags & CNewMenuHook::CMenuHookData::EscapePressed) {
        ::KillTimer(hwnd, CNewMenuHook::kEscapeTimer);
        data->flags &= ~CNewMenuHook::CMenuHookData::EscapePressed;
    }
    if (CNewMenu* menu = CNewMenu::FromHandle(data->menu))
        menu->OnUnInitPopupMenu();
    if (data->flags & CNewMenuHook::CMenuHookData::StylesChanged) {
        LONG_PTR style = data->style;
        if (data->flags & CNewMenuHook::CMenuHookData::CreatedOnSize)
            style |= WS_VISIBLE;
        ::SetWindowLongPtrW(hwnd, GWL_STYLE, style);
        ::SetWindowLongPtrW(hwnd, GWL_EXSTYLE, data->exStyle);
    }
    return TRUE;
}

BOOL CMenuTheme::OnNcCalcSize(HWND, NCCALCSIZE_PARAMS* params)
{
    if (DoDrawBorder()) {
        const bool shadow = IsDropShadow();
        RECT& r = params->rgrc[0];
        r.left += m_borderLeft;
        r.top += m_borderTop;
        r.right -= shadow ? 1 : 5;
        r.bottom -= shadow ? 2 : 6;
    }
    return FALSE;
}

BOOL CMenuTheme::OnWindowPosChanging(HWND, WINDOWPOS* pos)
{
    if (DoDrawBorder()) {
        const int change = IsDropShadow() ? -2 : 2;
        if (!(pos->flags & SWP_NOSIZE)) {
            pos->cx += change;
            pos->cy += change;
        }
        if (!(pos->flags & SWP_NOMOVE))
            pos->y -= 1;
    }
    return TRUE;
}

BOOL CMenuTheme::OnCalcFrameRect(HWND hwnd, RECT* rect)
{
    if (!::GetWindowRect(hwnd, rect))
        return FALSE;
    if (DoDrawBorder()) {
        const int inset = IsDropShadow() ? 3 : 7;
        rect->left += 2;
        rect->top += 2;
        rect->right -= inset;
        rect->bottom -= inset;
    }
    return TRUE;
}

void CMenuTheme::FillBackground(HWND hwnd, HDC dc, COLORREF color)
{
    RECT client;
    ::GetClientRect(hwnd, &client);
    client.left -= 2;
    if (DoDrawBorder())
        client.right -= 1;
    Fill(dc, client, color);
}

BOOL CMenuTheme::OnEraseBkgnd(HWND hwnd, HDC dc)
{
    FillBackground(hwnd, dc, GetMenuBaseColor());
    return TRUE;
}

BOOL CMenuThemeXP::OnEraseBkgnd(HWND hwnd, HDC dc)
{
    CNewMenuHook::CMenuHookData* data = CNewMenuHook::FindHookData(hwnd);
    if (!data || !data->menu)
        return CMenuTheme::OnEraseBkgnd(hwnd, dc);
    FillBackground(hwnd, dc, GetMenuBarBackColor(data->menu));
    return TRUE;
}

BOOL CMenuTheme::OnDrawBorder(HWND hwnd, HDC dc, BOOL noFill)
{
    CNewMenuHook::CMenuHookData* data = CNewMenuHook::FindHookData(hwnd);
    if (!DoDrawBorder() || !data)
        return FALSE;
    const bool shadow = IsDropShadow();
    const RECT frame = BorderFrame(hwnd, data, shadow);
    if (!noFill)
        FillBorderStrips(hwnd, dc, frame, GetMenuBackColor(data->menu));
    FrameRect(dc, frame, ::GetSysColor(CNewMenuHook::s_highContrast ? COLOR_BTNTEXT : COLOR_HIGHLIGHT));
    if (!shadow && !CNewMenuHook::s_highContrast)
        DrawMenuShade(hwnd, dc, data->savedScreen);
    DrawMenuBarGap(hwnd, dc);
    return TRUE;
}

BOOL CMenuThemeXP::OnDrawBorder(HWND hwnd, HDC dc, BOOL noFill)
{
    CNewMenuHook::CMenuHookData* data = CNewMenuHook::FindHookData(hwnd);
    if (!DoDrawBorder() || !data)
        return FALSE;
    const bool shadow = IsDropShadow();
    const RECT frame = BorderFrame(hwnd, data, shadow);
    if (CNewMenuHook::s_highContrast) {
        FrameRect(dc, frame, ::GetSysColor(COLOR_BTNTEXT));
        DrawMenuBarGap(hwnd, dc);
        return TRUE;
    }
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    const COLORREF back = GetMenuBackColor(data->menu);
    COLORREF inner = MixColor86(back, window);
    const COLORREF outer = DarkenColorBy(back, 128);
    COLORREF line = GetScreenColorCount() <= 256 ? ::GetSysColor(COLOR_BTNFACE) : MixColor86(window, back);
    if (GetNearestScreenColor(inner) == GetNearestScreenColor(line)) {
        inner = window;
        line = back;
    }
    if (!noFill)
        FillBorderStrips(hwnd, dc, frame, back);
    RECT innerFrame = frame;
    ::InflateRect(&innerFrame, -1, -1);
    FrameRect(dc, innerFrame, inner);
    const bool windowLine = shadow && (m_id == 8 || m_id == 9);
    const RECT lineRect = {1, 2, 2, WindowBox(hwnd).bottom - (shadow ? 4 : 8)};
    Fill(dc, lineRect, windowLine ? window : line);
    FrameRect(dc, frame, outer);
    if (!shadow)
        DrawMenuShade(hwnd, dc, data->savedScreen);
    DrawMenuBarGap(hwnd, dc);
    return TRUE;
}

void CMenuTheme::DrawMenuBarGap(HWND hwnd, HDC dc)
{
    CNewMenuHook::CMenuHookData* data = CNewMenuHook::FindHookData(hwnd);
    CNewMenu* menu = data ? CNewMenu::FromHandle(data->menu) : nullptr;
    CNewMenu* parent = menu ? CNewMenu::FromHandle(menu->ParentMenu()) : nullptr;
    if (!parent || parent->IsPopup() || ::IsRectEmpty(&parent->BarItemRect()))
        return;
    RECT window, gap;
    ::GetWindowRect(hwnd, &window);
    if (!::IntersectRect(&gap, &window, &parent->BarItemRect()))
        return;
    if (gap.right - gap.left >= gap.bottom - gap.top)
        ::InflateRect(&gap, -1, 0);
    else
        ::InflateRect(&gap, 0, -1);
    ::OffsetRect(&gap, -window.left, -window.top);
    Fill(dc, gap,
         GetScreenColorCount() <= 256
             ? ::GetSysColor(COLOR_BTNFACE)
             : MixColor86(::GetSysColor(COLOR_WINDOW), GetMenuBarBackColor(parent->m_hMenu)));
}

void DrawMenuShade(HWND hwnd, HDC dc, HBITMAP savedScreen)
{
    if (IsDropShadow() || !savedScreen)
        return;
    const RECT box = WindowBox(hwnd);
    const int width = box.right, height = box.bottom;
    HDC memory = ::CreateCompatibleDC(dc);
    if (!memory)
        return;
    HGDIOBJ old = ::SelectObject(memory, savedScreen);
    if (GetScreenColorCount() <= 256) {
        ::BitBlt(dc, width - 4, 0, 4, height, memory, width - 4, 0, SRCCOPY);
        ::BitBlt(dc, 0, height - 4, width, 4, memory, 0, height - 4, SRCCOPY);
        const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
        Fill(dc, RECT{width - 4, 4, width - 2, height - 2}, shadow);
        Fill(dc, RECT{4, height - 4, width - 2, height - 2}, shadow);
    } else {
        static const int kFactors[4] = {225, 195, 165, 135};
        // Factor of a pixel at `along` in a strip of `length`, for strip i.
        auto factor = [](int i, int along, int length) {
            const int f = kFactors[i - 1];
            if (along < 4)
                return 255;
            if (along < 8)
                return 255 - 6 * i - 6 * i * (along - 4);
            if (along < length - 4)
                return f;
            return 255 - 24 * i + 6 * i * (along - (length - 4));
        };
        auto shade = [&](int x, int y, int f) {
            COLORREF c = ::GetPixel(memory, x, y);
            ::SetPixel(dc, x, y, RGB(GetRValue(c) * f / 255, GetGValue(c) * f / 255, GetBValue(c) * f / 255));
        };
        for (int i = 1; i <= 4; ++i) {
            const int x = width - i;
            for (int y = 0; y < height; ++y)
                shade(x, y, factor(i, y, height));
        }
        for (int i = 1; i <= 4; ++i) {
            const int y = height - i;
            for (int x = 0; x < width - 4; ++x)
                shade(x, y, factor(i, x, width));
        }
    }
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
}

void CMenuTheme::DrawGripper(CDC* dc, RECT* rect, DWORD barStyle, int left, int top, int, int)
{
    if (!(barStyle & 0x0010 /* CBRS_GRIPPER */) || (barStyle & 0x0800 /* CBRS_FLOATING */))
        return;
    const int x = rect->left + left, y = rect->top + top;
    const int h = rect->bottom - rect->top - 2 * top;
    if (m_id == 2 || m_id == 3) {
        const COLORREF c = DarkenColor(GetMenuFaceColor());
        for (int i = 0; i < h; i += 2)
            dc->FillSolidRect(x, y + i, 3, 1, c);
    } else if (m_id >= 6) {
        COLORREF c = DarkenColorBy(GetMenuBackColor(nullptr), 100);
        COLORREF colors[4];
        if (m_id >= 8)
            GetBarColor(&colors[0], &colors[1], &colors[2], &colors[3]);
        for (int i = 0; i < h; i += 4) {
            if (m_id >= 8) {
                dc->FillSolidRect(x + 1, y + i + 1, 2, 2, ::GetSysColor(COLOR_WINDOW));
                c = colors[3];
            }
            dc->FillSolidRect(x, y + i, 2, 2, c);
        }
    } else {
        RECT bar = {x, y, x + 3, y + h};
        ::DrawEdge(dc->GetSafeHdc(), &bar, BDR_RAISEDINNER, BF_RECT);
    }
}

void CMenuTheme::DrawCorner(CDC* dc, RECT* rect, DWORD)
{
    COLORREF c;
    if (m_id == 6 || m_id == 7) {
        c = ::GetSysColor(COLOR_3DLIGHT);
    } else if (m_id >= 8) {
        COLORREF second;
        GetMenuBarColors(&c, &second, TRUE);
    } else {
        return;
    }
    const RECT& r = *rect;
    const POINT corners[12] = {{r.left, r.top},
                               {r.left + 1, r.top},
                               {r.left, r.top + 1},
                               {r.right - 1, r.top},
                               {r.right - 2, r.top},
                               {r.right - 1, r.top + 1},
                               {r.left, r.bottom - 1},
                               {r.left + 1, r.bottom - 1},
                               {r.left, r.bottom - 2},
                               {r.right - 1, r.bottom - 1},
                               {r.right - 2, r.bottom - 1},
                               {r.right - 1, r.bottom - 2}};
    for (const POINT& p : corners)
        ::SetPixel(dc->GetSafeHdc(), p.x, p.y, c);
}

void CMenuTheme::GetBarColor(COLORREF* first, COLORREF* second, COLORREF* third, COLORREF* fourth)
{
    if (IsThemeEngineActive()) {
        COLORREF c, unused;
        GetMenuBarColors(&c, &unused, TRUE);
        struct Known {
            COLORREF key, colors[4];
        };
        static const Known kKnown[] = {
            {RGB(218, 218, 170),
             {RGB(244, 247, 222), RGB(209, 222, 172), RGB(183, 198, 145), RGB(96, 128, 88)}},
            {RGB(215, 215, 229),
             {RGB(243, 244, 250), RGB(225, 226, 236), RGB(153, 151, 181), RGB(124, 124, 148)}},
            {RGB(163, 194, 245),
             {RGB(221, 236, 254), RGB(196, 219, 249), RGB(129, 169, 226), RGB(59, 97, 156)}},
        };
        for (const Known& k : kKnown) {
            if (k.key == c) {
                *first = k.colors[0];
                *second = k.colors[1];
                *third = k.colors[2];
                *fourth = k.colors[3];
                return;
            }
        }
        *first = LightenColorBy(140, c);
        *second = LightenColorBy(115, c);
        *third = DarkenColorBy(c, 40);
        *fourth = DarkenColorBy(c, 110);
        return;
    }
    COLORREF f, s;
    GetMenuBarColors(&f, &s, FALSE);
    *first = s;
    *second = BlendColor(s, 100, f);
    *third = f;
    *fourth = DarkenColorBy(f, 50);
}

void CreateMenuThemes()
{
    struct Spec {
        int id;
        int kind; // 0 classic, 1 XP, 2 2003
        MeasureRoutine measure;
        DrawRoutine draw;
    };
    static const Spec kSpecs[] = {
        {6, 0, &CNewMenu::MeasureGradientItem, &CNewMenu::DrawGradientItem},
        {7, 0, &CNewMenu::MeasureGradientItem, &CNewMenu::DrawGradientItem},
        {0, 0, &CNewMenu::MeasureClassicItem, &CNewMenu::DrawClassicItem},
        {1, 0, &CNewMenu::MeasureClassicItem, &CNewMenu::DrawClassicItem},
        {2, 1, &CNewMenu::MeasureXpItem, &CNewMenu::DrawXpItem},
        {3, 1, &CNewMenu::MeasureXpItem, &CNewMenu::DrawXpItem},
        {8, 2, &CNewMenu::MeasureXpItem, &CNewMenu::DrawXp2003Item},
        {9, 2, &CNewMenu::MeasureXpItem, &CNewMenu::DrawXp2003Item},
        {10, 1, &CNewMenu::MeasureXpItem, &CNewMenu::DrawXp2003Item},
        {11, 1, &CNewMenu::MeasureXpItem, &CNewMenu::DrawXp2003Item},
        {4, 0, &CNewMenu::MeasureClassicItem, &CNewMenu::DrawFlatBarItem},
        {5, 0, &CNewMenu::MeasureClassicItem, &CNewMenu::DrawFlatBarItem},
    };
    for (const Spec& s : kSpecs) {
        const UINT flags = (s.id % 2 == 0) ? 1 : 0;
        CMenuTheme* theme;
        if (s.kind == 2)
            theme = new CMenuTheme2003(s.id, flags, s.measure, s.draw, &CNewMenu::DrawTitleItem);
        else if (s.kind == 1)
            theme = new CMenuThemeXP(s.id, flags, s.measure, s.draw, &CNewMenu::DrawTitleItem);
        else
            theme = new CMenuTheme(s.id, flags, s.measure, s.draw, &CNewMenu::DrawTitleItem);
        CNewMenuHook::AddTheme(theme);
    }
}

} // namespace SkinControl::NewMenu
