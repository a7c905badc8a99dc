#include "skin/menu/MenuDrawing.h"

#include "framework/CDC.h"

#include <algorithm>

namespace SkinControl::NewMenu
{

LOGFONTW GetMenuFont()
{
    static const UINT size = [] {
        OSVERSIONINFOW info = {};
        info.dwOSVersionInfoSize = sizeof(info);
        ::GetVersionExW(&info);
        return info.dwMajorVersion >= 6 ? 504u : 500u;
    }();
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = size;
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, size, &metrics, 0)) {
        LOGFONTW fallback = {};
        ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(fallback), &fallback);
        return fallback;
    }
    return metrics.lfMenuFont;
}

void DrawMenuText(const CString& text, HDC dc, const RECT& rect, UINT format)
{
    const bool rtl = (::GetLayout(dc) & LAYOUT_RTL) != 0;
    POINT savedPosition;
    ::GetCurrentPositionEx(dc, &savedPosition);
    const UINT savedAlign = ::SetTextAlign(dc, TA_UPDATECP | (rtl ? TA_RIGHT : 0));
    HFONT current = static_cast<HFONT>(::GetCurrentObject(dc, OBJ_FONT));
    LOGFONTW font = {};
    ::GetObjectW(current, sizeof(font), &font);
    TEXTMETRICW metrics = {};
    ::GetTextMetricsW(dc, &metrics);

    // A rotated bitmap font can't turn: use a TrueType face instead.
    HFONT replacement = nullptr;
    HGDIOBJ savedFont = nullptr;
    const int escapement = font.lfEscapement % 3600;
    if (escapement != 0 && !(metrics.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE))) {
        wcscpy_s(font.lfFaceName, L"Arial");
        font.lfOutPrecision = OUT_TT_ONLY_PRECIS;
        replacement = ::CreateFontIndirectW(&font);
        if (replacement)
            savedFont = ::SelectObject(dc, replacement);
        ::GetTextMetricsW(dc, &metrics);
    }

    const int h = metrics.tmHeight;
    int x = rect.left, y = rect.top;
    if (format & DT_VCENTER) {
        switch (escapement) {
        case 900:
        case -2700:
            x = (rect.left + rect.right - h) / 2;
            y = rtl ? rect.top + 4 : rect.bottom - 4;
            break;
        case 1800:
        case -1800:
            x = rtl ? rect.left + 4 : rect.right - 4;
            y = (rect.top + rect.bottom + h) / 2;
            break;
        case 2700:
        case -900:
            x = (rect.left + rect.right + h) / 2;
            y = rtl ? rect.bottom - 4 : rect.top + 4;
            break;
        default:
            x = rtl ? rect.right - 4 : rect.left + 4;
            y = (rect.top + rect.bottom - h) / 2;
            break;
        }
    }
    ::MoveToEx(dc, x, y, nullptr);

    const bool hidePrefix = (format & DT_HIDEPREFIX) != 0;
    const COLORREF textColor = ::GetTextColor(dc);
    const int length = text.GetLength();
    const wchar_t* chars = text;
    int start = 0;
    auto flush = [&](int end) {
        if (end > start)
            ::ExtTextOutW(dc, 0, 0, ETO_CLIPPED, &rect, chars + start, end - start, nullptr);
    };
    for (int i = 0; i < length; ++i) {
        if (chars[i] != L'&')
            continue;
        flush(i);
        // A trailing "&" has nothing to mark.
        if (i + 1 >= length) {
            start = length;
            break;
        }
        if (chars[i + 1] == L'&') {
            start = i + 1;
            ++i;
            continue;
        }
        POINT before;
        ::GetCurrentPositionEx(dc, &before);
        ::ExtTextOutW(dc, 0, 0, ETO_CLIPPED, &rect, chars + i + 1, 1, nullptr);
        if (!hidePrefix && escapement == 0) {
            POINT after;
            ::GetCurrentPositionEx(dc, &after);
            const int shift = metrics.tmOverhang / 2;
            RECT line = {std::min(before.x, after.x) + shift, before.y + metrics.tmAscent + 1,
                         std::max(before.x, after.x) + shift, before.y + metrics.tmAscent + 2};
            CBorrowedDC(dc).FillSolidRect(line, textColor);
        }
        start = i + 2;
        ++i;
    }
    flush(length);

    if (savedFont)
        ::SelectObject(dc, savedFont);
    if (replacement)
        ::DeleteObject(replacement);
    ::SetTextAlign(dc, savedAlign);
    ::MoveToEx(dc, savedPosition.x, savedPosition.y, nullptr);
}

void DrawMarlettGlyph(const RECT& rect, wchar_t glyph, BOOL bold, CDC* dc)
{
    RECT cell = rect;
    ::InflateRect(&cell, -2, -2);
    LOGFONTW font = {};
    font.lfHeight = -(cell.bottom - cell.top);
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(font.lfFaceName, L"Marlett");
    CMenuFont marlett(font);
    HGDIOBJ saved = dc->SelectObject(static_cast<HFONT>(marlett));
    const int mode = dc->SetBkMode(TRANSPARENT);
    wchar_t text[2] = {glyph, 0};
    dc->DrawText(text, 1, &cell, DT_CENTER | DT_SINGLELINE);
    dc->SetBkMode(mode);
    dc->SelectObject(saved);
}

void DrawCheckGlyph(const RECT& rect, wchar_t glyph, UINT itemState, CDC* dc)
{
    const bool gray = (itemState & (ODS_GRAYED | ODS_INACTIVE)) != 0;
    const COLORREF saved = dc->SetTextColor(::GetSysColor(gray ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
    DrawMarlettGlyph(rect, glyph, (itemState & ODS_DEFAULT) ? TRUE : FALSE, dc);
    dc->SetTextColor(saved);
}

wchar_t SysCommandGlyph(UINT_PTR id)
{
    switch (static_cast<UINT>(id) & 0xFFF0) {
    case SC_RESTORE:
        return L'2';
    case SC_CLOSE:
        return L'r';
    case SC_MINIMIZE:
        return L'0';
    case SC_MAXIMIZE:
        return L'1';
    default:
        return 0;
    }
}

void DrawSysCommandGlyph(const RECT& rect, UINT_PTR id, UINT itemState, CDC* dc)
{
    const wchar_t glyph = SysCommandGlyph(id);
    if (!glyph)
        return;
    int color = COLOR_MENUTEXT;
    if (itemState & (ODS_GRAYED | ODS_INACTIVE))
        color = COLOR_GRAYTEXT;
    else if (itemState & ODS_SELECTED)
        color = COLOR_HIGHLIGHTTEXT;
    const COLORREF saved = dc->SetTextColor(::GetSysColor(color));
    DrawMarlettGlyph(rect, glyph, FALSE, dc);
    dc->SetTextColor(saved);
}

} // namespace SkinControl::NewMenu
