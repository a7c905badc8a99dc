// The measure, draw and title routines that the menu themes point to.
#include "framework/CDC.h"
#include "skin/menu/CMenuTheme.h"
#include "skin/menu/CNewMemDC.h"
#include "skin/menu/CNewMenu.h"
#include "skin/menu/CNewMenuHook.h"
#include "skin/menu/MenuColors.h"
#include "skin/menu/MenuDrawing.h"

#include <algorithm>

namespace SkinControl::NewMenu
{

namespace
{

// Which routine's look an item is drawn in; bar items of the flat themes
// have their own.
enum Look { kClassic, kXp, kXp2003, kGradient, kFlatBar };

bool IsSysCommandForMeasure(UINT_PTR id)
{
    const UINT masked = static_cast<UINT>(id) & 0xFFFF & 0xFFF0;
    return (masked >= 0xF000 && masked <= 0xF140) || masked == 0xF150;
}

bool IsSysCommandForGlyph(UINT_PTR id)
{
    const UINT low = static_cast<UINT>(id) & 0xFFFF;
    return low >= 0xF000 && low <= 0xF150;
}

SIZE TextExtent(const CString& text, const LOGFONTW& font)
{
    HDC screen = ::GetDC(nullptr);
    CMenuFont menuFont(font);
    HGDIOBJ saved = ::SelectObject(screen, menuFont);
    SIZE size = {};
    ::GetTextExtentPoint32W(screen, text, text.GetLength(), &size);
    ::SelectObject(screen, saved);
    ::ReleaseDC(nullptr, screen);
    return size;
}

void FrameWith(CDC* dc, const RECT& rect, COLORREF color)
{
    HBRUSH brush = ::CreateSolidBrush(color);
    ::FrameRect(dc->GetSafeHdc(), &rect, brush);
    ::DeleteObject(brush);
}

UINT HidePrefixFlag(UINT itemState)
{
    if (!(itemState & ODS_NOACCEL) || GetOsClass() < 6)
        return 0;
    BOOL cues = FALSE;
    ::SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cues, 0);
    return cues ? 0 : DT_HIDEPREFIX;
}

// Draws a check-mark bitmap centred in `box`, monochrome in the text colour
// or disabled.
void DrawCheckBitmap(CDC* dc, HBITMAP bitmap, const RECT& box, bool disabled)
{
    BITMAP info = {};
    if (!bitmap || !::GetObjectW(bitmap, sizeof(info), &info))
        return;
    const int x = (box.left + box.right - info.bmWidth) / 2;
    const int y = (box.top + box.bottom - info.bmHeight) / 2;
    ::DrawStateW(dc->GetSafeHdc(), nullptr, nullptr, reinterpret_cast<LPARAM>(bitmap), 0, x, y, info.bmWidth,
                 info.bmHeight, DST_BITMAP | (disabled ? DSS_DISABLED : DSS_MONO));
}

struct CheckBitmaps {
    HBITMAP checked = nullptr;
    HBITMAP unchecked = nullptr;
};

CheckBitmaps ReadCheckBitmaps(HMENU menu, UINT id)
{
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_CHECKMARKS;
    CheckBitmaps bitmaps;
    if (::GetMenuItemInfoW(menu, id, FALSE, &info)) {
        bitmaps.checked = info.hbmpChecked;
        bitmaps.unchecked = info.hbmpUnchecked;
    }
    return bitmaps;
}

// The classic marks: a sunken box with the check, bullet or bitmap.
void DrawCheckBitmaps(CDC* dc, RECT box, UINT itemState, const CheckBitmaps& bitmaps)
{
    const bool checked = (itemState & ODS_CHECKED) != 0;
    if (!checked && !bitmaps.unchecked)
        return;
    ::InflateRect(&box, -1, -1);
    if (GetOsClass() >= 1) {
        ::DrawEdge(dc->GetSafeHdc(), &box, BDR_SUNKENOUTER, BF_RECT);
        ::InflateRect(&box, 2, 2);
    }
    const bool disabled = (itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    if (!checked) {
        DrawCheckBitmap(dc, bitmaps.unchecked, box, disabled);
    } else if (!bitmaps.checked) {
        RECT cell = box;
        ::OffsetRect(&cell, 1, 2);
        DrawCheckGlyph(cell, L'b', itemState, dc);
    } else if (bitmaps.unchecked) {
        DrawCheckBitmap(dc, bitmaps.checked, box, false);
    } else {
        DrawCheckGlyph(box, L'i', itemState, dc);
    }
}

void DrawImage(CNewMenuItemData* data, CDC* dc, int x, int y, UINT itemState)
{
    if (!data->IconList() || data->m_imageIndex < 0)
        return;
    int index = data->m_imageIndex + 1;
    if (itemState & (ODS_GRAYED | ODS_DISABLED))
        index = data->m_imageIndex + 2;
    else if (itemState & ODS_SELECTED)
        index = data->m_imageIndex;
    ImageList_Draw(data->IconList()->List(), index, dc->GetSafeHdc(), x, y, ILD_TRANSPARENT);
}

} // namespace

// ---- measuring -------------------------------------------------------------

SIZE CNewMenu::MeasureText(CNewMenuItemData* data, BOOL bar, MeasureKind kind, BOOL defaultItem)
{
    CString text = data->GetString(m_accelerators);
    if (kind != MeasureKind::Classic && !bar)
        text.Replace(L"\t", L"nnn");
    LOGFONTW font = GetMenuFont();
    if (defaultItem)
        font.lfWeight = FW_BOLD;
    return TextExtent(text, font);
}

void CNewMenu::MeasureTitle(MEASUREITEMSTRUCT* item, CNewMenuItemData* data)
{
    LOGFONTW font = {};
    font.lfHeight = 16;
    font.lfWeight = FW_BOLD;
    font.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(font.lfFaceName, L"Arial");
    const SIZE text = TextExtent(data->GetString(nullptr), font);
    SIZE icon = {0, 0};
    if (data->IconList() && data->m_imageIndex >= 0)
        icon = data->IconList()->IconSize();
    const bool etched = (data->m_titleStyle & 0x10) != 0;
    if (data->m_titleStyle & 0x2) {
        int width = std::max(static_cast<int>(icon.cx), static_cast<int>(text.cy));
        if (!CNewMenuHook::s_isWine)
            width -= ::GetSystemMetrics(SM_CXMENUCHECK);
        width += etched ? 8 : ((data->m_titleStyle & 0x20) ? 4 : 0);
        item->itemWidth = std::max(width, 0);
        item->itemHeight = 0;
        return;
    }
    item->itemWidth = icon.cx + text.cx;
    item->itemHeight = std::max(icon.cy, text.cy) + (etched ? 8 : 0);
}

void CNewMenu::MeasureItemAs(MEASUREITEMSTRUCT* item, BOOL bar, MeasureKind kind)
{
    auto* data = reinterpret_cast<CNewMenuItemData*>(item->itemData);
    if (std::find(m_items.begin(), m_items.end(), data) == m_items.end())
        data = FindItemData(item->itemID);
    if (!data)
        return;
    if (data->m_menuFlags & MF_SEPARATOR) {
        if (data->m_titleStyle & 1) {
            MeasureTitle(item, data);
        } else {
            item->itemWidth = 3;
            item->itemHeight = 3;
        }
        return;
    }
    const BOOL defaultItem = m_hMenu && ::GetMenuDefaultItem(m_hMenu, FALSE, 0) == item->itemID;
    const SIZE text = MeasureText(data, bar, kind, defaultItem);
    const int cyMenu = ::GetSystemMetrics(SM_CYMENU);
    const bool hasMnemonic = data->GetString(m_accelerators).Find(L'&') >= 0;
    int width = 0, height = 0;
    if (kind == MeasureKind::Xp) {
        if (bar) {
            width = text.cx - (hasMnemonic ? 6 : 0);
            height = std::max(m_iconHeight + 2, cyMenu);
        } else {
            width = text.cx + m_iconWidth + 6 + ((data->m_menuFlags & MF_POPUP) ? cyMenu : cyMenu / 2);
            height = cyMenu > m_iconHeight + 8 ? cyMenu : m_iconHeight + 7;
        }
    } else {
        width = bar ? text.cx - (hasMnemonic ? ::GetSystemMetrics(SM_CXMENUCHECK) / 2 : 0)
                    : text.cx + 2 * m_iconWidth + 2;
        height = std::max(m_iconHeight + (kind == MeasureKind::Classic ? 4 : 6), cyMenu);
    }
    height = std::max(height, static_cast<int>(text.cy));
    if (IsSysCommandForMeasure(item->itemID)) {
        auto it = std::find(m_items.begin(), m_items.end(), data);
        for (++it; it != m_items.end(); ++it) {
            if ((*it)->m_commandId == 0)
                continue;
            MEASUREITEMSTRUCT next = *item;
            next.itemID = static_cast<UINT>((*it)->m_commandId);
            next.itemData = reinterpret_cast<ULONG_PTR>(*it);
            MeasureItemAs(&next, bar, kind);
            width = std::max(width, static_cast<int>(next.itemWidth));
            break;
        }
        height = cyMenu;
    }
    item->itemWidth = std::max(width, 0);
    item->itemHeight = height;
}

void CNewMenu::MeasureClassicItem(MEASUREITEMSTRUCT* item, BOOL bar)
{
    MeasureItemAs(item, bar, MeasureKind::Classic);
}

void CNewMenu::MeasureGradientItem(MEASUREITEMSTRUCT* item, BOOL bar)
{
    MeasureItemAs(item, bar, MeasureKind::Gradient);
}

void CNewMenu::MeasureXpItem(MEASUREITEMSTRUCT* item, BOOL bar)
{
    MeasureItemAs(item, bar, MeasureKind::Xp);
}

// ---- drawing ---------------------------------------------------------------

void CNewMenu::DrawClassicItem(DRAWITEMSTRUCT* item, BOOL bar)
{
    bar ? DrawBarItem(item, kClassic) : DrawPopupItem(item, kClassic);
}

void CNewMenu::DrawXpItem(DRAWITEMSTRUCT* item, BOOL bar)
{
    bar ? DrawBarItem(item, kXp) : DrawPopupItem(item, kXp);
}

void CNewMenu::DrawFlatBarItem(DRAWITEMSTRUCT* item, BOOL bar)
{
    bar ? DrawBarItem(item, kFlatBar) : DrawPopupItem(item, kClassic);
}

void CNewMenu::DrawGradientItem(DRAWITEMSTRUCT* item, BOOL bar)
{
    bar ? DrawBarItem(item, kGradient) : DrawPopupItem(item, kGradient);
}

void CNewMenu::DrawXp2003Item(DRAWITEMSTRUCT* item, BOOL bar)
{
    bar ? DrawBarItem(item, kXp2003) : DrawPopupItem(item, kXp2003);
}

void CNewMenu::StoreBarItemRect(const DRAWITEMSTRUCT* item)
{
    m_barItemRect = item->rcItem;
    ::MapWindowPoints(::WindowFromDC(item->hDC), nullptr, reinterpret_cast<POINT*>(&m_barItemRect), 2);
}

void CNewMenu::DrawPopupItem(DRAWITEMSTRUCT* item, int look)
{
    auto* data = reinterpret_cast<CNewMenuItemData*>(item->itemData);
    if (std::find(m_items.begin(), m_items.end(), data) == m_items.end())
        data = FindItemData(item->itemID);
    if (!data)
        return;
    const RECT rect = item->rcItem;
    const UINT state = item->itemState;
    const bool separator = (data->m_menuFlags & MF_SEPARATOR) != 0;
    const bool rtl = (data->m_menuFlags & MFT_RIGHTORDER) != 0;
    const bool selected = (state & (ODS_SELECTED | ODS_HOTLIGHT)) != 0;
    const bool grayed = (state & ODS_GRAYED) != 0;
    const bool highContrast = CNewMenuHook::s_highContrast != FALSE;
    const int themeId = CNewMenuHook::s_currentTheme ? CNewMenuHook::s_currentTheme->m_id : -1;

    CBorrowedDC target(item->hDC);
    // Separators go straight to the target; items through a back buffer.
    CNewMemDC buffer(rect, item->hDC);
    if (separator || !buffer.IsValid())
        buffer.m_noCopy = TRUE;
    CDC* dc = (separator || !buffer.IsValid()) ? static_cast<CDC*>(&target) : &buffer;

    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    const COLORREF base = GetMenuBaseColor();
    const COLORREF pen = ::GetSysColor(highContrast ? COLOR_BTNTEXT : COLOR_HIGHLIGHT);
    COLORREF background = base;
    COLORREF selectionFill = ::GetSysColor(COLOR_HIGHLIGHT);
    COLORREF checkFill = RGB(255, 192, 111), checkFillSelected = RGB(254, 128, 62);

    RECT column = rect;
    RECT textRect = rect;
    if (look == kXp || look == kXp2003) {
        const int columnWidth = m_iconWidth + 8;
        if (rtl)
            column.left = rect.right - columnWidth;
        else
            column.right = rect.left + columnWidth;
        if (rtl) {
            textRect.right = column.left - 4;
            textRect.left = rect.left + 15;
        } else {
            textRect.left = column.right + 4;
            textRect.right = rect.right - 15;
        }
        if (look == kXp2003) {
            const COLORREF lightWindow = DarkenColorBy(window, 10);
            background = MixColor86(base, lightWindow);
            selectionFill = RGB(255, 238, 194);
            if (!IsThemeEngineActive() && (themeId == 8 || themeId == 9)) {
                selectionFill = GetXpHighlightColor();
                checkFill = checkFillSelected = MixColor86(::GetSysColor(COLOR_HIGHLIGHT), selectionFill);
            }
            COLORREF columnColor, second;
            GetMenuBarColors(&columnColor, &second, TRUE);
            if (GetNearestScreenColor(background) == GetNearestScreenColor(columnColor))
                background = lightWindow;
            dc->FillSolidRect(rect, background);
            DrawGradientRect(rtl ? background : columnColor, column, dc, rtl ? columnColor : background, TRUE,
                             TRUE);
        } else {
            const COLORREF barBack = GetMenuBarBackColor(m_hMenu);
            background = MixColor86(barBack, window);
            selectionFill = GetXpHighlightColor();
            const COLORREF columnColor =
                GetScreenColorCount() <= 256 ? ::GetSysColor(COLOR_BTNFACE) : MixColor86(window, barBack);
            dc->FillSolidRect(rect, background);
            dc->FillSolidRect(column, columnColor);
        }
    } else {
        column.left = rect.left + 1;
        column.right = rect.left + m_iconWidth + 9;
        textRect.left = rect.left + m_iconWidth + 12;
        textRect.right = rect.right - 15;
        if (look == kGradient && !highContrast)
            DrawGradientRect(DarkenColorBy(base, 30), rect, dc, LightenColorBy(30, base), FALSE, TRUE);
        else
            dc->FillSolidRect(rect, look == kGradient ? base : ::GetSysColor(COLOR_MENU));
        background = look == kGradient ? base : ::GetSysColor(COLOR_MENU);
    }

    if (separator) {
        if (data->m_titleStyle & 1) {
            DrawTitle(item, FALSE);
            return;
        }
        if (look == kXp || look == kXp2003) {
            const int middle = (rect.top + rect.bottom) / 2;
            RECT line = rtl ? RECT{rect.left, middle, textRect.right, middle + 1}
                            : RECT{textRect.left, middle, rect.right, middle + 1};
            dc->FillSolidRect(line, ::GetSysColor(COLOR_GRAYTEXT));
        } else {
            RECT edge = rect;
            if (look == kGradient) {
                dc->FillSolidRect(rect, LightenColorBy(60, base));
                ::InflateRect(&edge, -1, 0);
            } else {
                edge.left += 1;
            }
            edge.top = (rect.top + rect.bottom) / 2;
            ::DrawEdge(dc->GetSafeHdc(), &edge, EDGE_ETCHED, BF_TOP);
        }
        return;
    }

    const bool hasImage = data->IconList() && data->m_imageIndex >= 0;
    const bool checked = (state & ODS_CHECKED) != 0;
    const CheckBitmaps bitmaps = ReadCheckBitmaps(m_hMenu, item->itemID);

    if (selected && !(state & ODS_INACTIVE)) {
        if (look == kXp || look == kXp2003) {
            dc->FillSolidRect(rect, selectionFill);
            FrameWith(dc, rect, look == kXp ? ::GetSysColor(COLOR_HIGHLIGHT) : pen);
        } else if (look == kClassic) {
            RECT fill = rect;
            if (checked || hasImage || bitmaps.unchecked)
                fill.left = column.right;
            dc->FillSolidRect(fill, ::GetSysColor(COLOR_HIGHLIGHT));
        } else {
            dc->FillSolidRect(rect, ::GetSysColor(COLOR_HIGHLIGHT));
        }
    }

    // Check marks and images in the icon column.
    const int midY = (rect.top + rect.bottom) / 2;
    RECT glyphCell = {column.left - 2, midY - (m_iconHeight + 4) / 2, column.right + 2,
                      midY - (m_iconHeight + 4) / 2 + m_iconHeight + 4};
    if (look == kXp || look == kXp2003) {
        if (checked || (!hasImage && bitmaps.unchecked)) {
            RECT box = column;
            box.top = rect.top + 1;
            box.bottom = rect.bottom - 1;
            if (rtl) {
                box.right -= 1;
                box.left += 2;
            } else {
                box.left += 1;
                box.right -= 2;
            }
            dc->FillSolidRect(box, selected ? checkFillSelected : checkFill);
            FrameWith(dc, box, pen);
            if (!hasImage) {
                if (checked && bitmaps.checked && bitmaps.unchecked)
                    DrawCheckBitmap(dc, bitmaps.checked, box, false);
                else if (checked && bitmaps.checked)
                    DrawCheckGlyph(glyphCell, L'i', state, dc);
                else if (checked)
                    DrawCheckGlyph(glyphCell, L'b', state, dc);
                else
                    DrawCheckBitmap(dc, bitmaps.unchecked, box, (state & (ODS_GRAYED | ODS_DISABLED)) != 0);
            }
        }
        if (hasImage) {
            const int y = (rect.top + rect.bottom - m_iconHeight) / 2;
            DrawImage(data, dc, column.left + 3, y, state);
        } else if (IsSysCommandForGlyph(item->itemID)) {
            RECT cell = column;
            cell.top = (rect.top + rect.bottom - m_iconHeight) / 2;
            cell.bottom = cell.top + m_iconHeight;
            if (selected) {
                RECT shadow = cell;
                ::OffsetRect(&shadow, 1, 1);
                const COLORREF saved = dc->SetTextColor(DarkenColor(GetXpHighlightColor()));
                DrawMarlettGlyph(shadow, SysCommandGlyph(item->itemID), FALSE, dc);
                ::OffsetRect(&cell, -1, -1);
                dc->SetTextColor(::GetSysColor(COLOR_MENUTEXT));
                DrawMarlettGlyph(cell, SysCommandGlyph(item->itemID), FALSE, dc);
                dc->SetTextColor(saved);
            } else {
                DrawSysCommandGlyph(cell, item->itemID, state & ~ODS_SELECTED, dc);
            }
        }
    } else {
        if (hasImage) {
            const int y = (rect.top + rect.bottom - m_iconHeight) / 2;
            DrawImage(data, dc, column.left + 3, y, state);
            if (checked || selected) {
                RECT frame = column;
                ::DrawEdge(dc->GetSafeHdc(), &frame, checked ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
            }
        } else {
            DrawCheckBitmaps(dc, column, state, bitmaps);
            if (IsSysCommandForGlyph(item->itemID))
                DrawSysCommandGlyph(glyphCell, item->itemID, state, dc);
        }
    }

    // The label before the first tab, the accelerator after the last one.
    const CString text = data->GetString(m_accelerators);
    const int firstTab = text.Find(L'\t');
    const CString label = firstTab < 0 ? text : text.Left(firstTab);
    const CString accelerator = firstTab < 0 ? CString() : text.Mid(text.ReverseFind(L'\t') + 1);
    LOGFONTW fontInfo = GetMenuFont();
    if (state & ODS_DEFAULT)
        fontInfo.lfWeight = FW_BOLD;
    CMenuFont font(fontInfo);
    HGDIOBJ savedFont = dc->SelectObject(static_cast<HFONT>(font));
    const int savedMode = dc->SetBkMode(TRANSPARENT);
    COLORREF color;
    if (look == kXp || look == kXp2003) {
        if (grayed)
            color = ::GetSysColor(COLOR_GRAYTEXT);
        else if (highContrast && !selected)
            color = ::GetSysColor(COLOR_WINDOWTEXT);
        else
            color = ::GetSysColor(COLOR_MENUTEXT);
    } else if (grayed && look == kClassic) {
        color = selected ? background : ::GetSysColor(COLOR_GRAYTEXT);
    } else if (grayed) {
        color = ::GetSysColor(COLOR_GRAYTEXT);
    } else {
        color = ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT);
    }
    const UINT hidePrefix = look == kXp2003 ? 0 : HidePrefixFlag(state);
    const UINT labelFormat = (rtl ? DT_RTLREADING | DT_RIGHT : 0) | DT_SINGLELINE | DT_VCENTER | hidePrefix;
    const UINT acceleratorFormat = (rtl ? 0 : DT_RIGHT) | DT_SINGLELINE | DT_VCENTER | hidePrefix;
    auto drawText = [&](const RECT& r, COLORREF c) {
        dc->SetTextColor(c);
        RECT labelRect = r, acceleratorRect = r;
        dc->DrawText(label, &labelRect, labelFormat);
        if (!accelerator.IsEmpty())
            dc->DrawText(accelerator, &acceleratorRect, acceleratorFormat);
    };
    if (look == kClassic && grayed && !selected) {
        RECT embossed = textRect;
        ::OffsetRect(&embossed, 1, 1);
        drawText(embossed, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    }
    drawText(textRect, color);
    dc->SetBkMode(savedMode);
    dc->SelectObject(savedFont);
}

void CNewMenu::DrawBarItem(DRAWITEMSTRUCT* item, int look)
{
    auto* data = reinterpret_cast<CNewMenuItemData*>(item->itemData);
    if (std::find(m_items.begin(), m_items.end(), data) == m_items.end())
        data = FindItemData(item->itemID);
    if (!data)
        return;
    const bool flat = look == kFlatBar;
    const RECT rect = item->rcItem;
    const UINT state = item->itemState;
    const bool selected = (state & ODS_SELECTED) != 0;
    const bool hot = (state & ODS_HOTLIGHT) != 0;
    CBorrowedDC dc(item->hDC);

    COLORREF columnColor, second;
    GetMenuBarColors(&columnColor, &second, TRUE);
    MENUINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIM_BACKGROUND;
    const bool brush = ::GetMenuInfo(m_hMenu, &info) && info.hbrBack;
    COLORREF textColor = ::GetSysColor(COLOR_MENUTEXT);
    if (flat) {
        if (selected || hot) {
            dc.FillSolidRect(rect, ::GetSysColor(COLOR_HIGHLIGHT));
            textColor = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
            StoreBarItemRect(item);
        } else {
            dc.FillSolidRect(rect, GetMenuBarBackColor(m_hMenu));
        }
    } else if (look == kXp2003 && (selected || hot)) {
        if (selected && m_openPopups > 0) {
            dc.FillSolidRect(rect, second);
            FrameWith(&dc, rect, ::GetSysColor(COLOR_HIGHLIGHT));
        } else {
            dc.FillSolidRect(rect, RGB(255, 238, 194));
            FrameWith(&dc, rect,
                      ::GetSysColor(CNewMenuHook::s_highContrast ? COLOR_BTNTEXT : COLOR_HIGHLIGHT));
        }
        StoreBarItemRect(item);
    } else if (selected || hot) {
        dc.FillSolidRect(rect, look == kClassic ? ::GetSysColor(COLOR_MENU) : GetXpHighlightColor());
        FrameWith(&dc, rect, ::GetSysColor(COLOR_HIGHLIGHT));
        StoreBarItemRect(item);
    } else if (brush) {
        ::FillRect(item->hDC, &rect, info.hbrBack);
    } else {
        dc.FillSolidRect(rect, look == kXp2003 ? columnColor : GetMenuBarBackColor(m_hMenu));
    }
    if (state & ODS_GRAYED)
        textColor = ::GetSysColor(COLOR_GRAYTEXT);

    LOGFONTW fontInfo = GetMenuFont();
    CMenuFont font(fontInfo);
    HGDIOBJ savedFont = dc.SelectObject(static_cast<HFONT>(font));
    const int savedMode = dc.SetBkMode(TRANSPARENT);
    const COLORREF savedColor = dc.SetTextColor(textColor);
    const CString text = data->GetString(nullptr);
    SIZE extent = {};
    ::GetTextExtentPoint32W(item->hDC, text, text.GetLength(), &extent);
    RECT textRect = rect;
    // DrawMenuText starts 4 pixels in: centre the text in the item.
    textRect.left = (rect.left + rect.right - extent.cx) / 2 - 4;
    if (look == kClassic && selected)
        ::OffsetRect(&textRect, 1, 1);
    DrawMenuText(text, item->hDC, textRect, DT_SINGLELINE | DT_VCENTER | HidePrefixFlag(state));
    dc.SetTextColor(savedColor);
    dc.SetBkMode(savedMode);
    dc.SelectObject(savedFont);
}

void CNewMenu::DrawTitleItem(DRAWITEMSTRUCT* item, BOOL)
{
    auto* data = reinterpret_cast<CNewMenuItemData*>(item->itemData);
    if (std::find(m_items.begin(), m_items.end(), data) == m_items.end())
        return;
    const UINT style = data->m_titleStyle;
    const bool vertical = (style & 0x2) != 0;
    CBorrowedDC dc(item->hDC);
    RECT band = item->rcItem;
    const COLORREF back = ::GetSysColor(COLOR_ACTIVECAPTION);
    const COLORREF otherEnd = MixColor86(GetMenuBaseColor(), ::GetSysColor(COLOR_WINDOW));
    if (style & 0x4)
        DrawGradientRect(otherEnd, band, &dc, back, vertical ? FALSE : TRUE, TRUE);
    else if (style & 0x20) {
        HBRUSH brush = ::CreateSolidBrush(back);
        HGDIOBJ savedBrush = dc.SelectObject(brush);
        HGDIOBJ savedPen = dc.SelectObject(::GetStockObject(NULL_PEN));
        ::RoundRect(item->hDC, band.left, band.top, band.right, band.bottom, 10, 10);
        dc.SelectObject(savedPen);
        dc.SelectObject(savedBrush);
        ::DeleteObject(brush);
    } else
        dc.FillSolidRect(band, back);
    if (style & 0x8) {
        RECT frame = band;
        ::DrawEdge(item->hDC, &frame, BDR_RAISEDINNER, BF_RECT);
    }
    LOGFONTW fontInfo = {};
    fontInfo.lfHeight = 16;
    fontInfo.lfWeight = FW_BOLD;
    fontInfo.lfCharSet = DEFAULT_CHARSET;
    fontInfo.lfEscapement = fontInfo.lfOrientation = vertical ? 900 : 0;
    wcscpy_s(fontInfo.lfFaceName, L"Arial");
    CMenuFont font(fontInfo);
    HGDIOBJ savedFont = dc.SelectObject(static_cast<HFONT>(font));
    const int savedMode = dc.SetBkMode(TRANSPARENT);
    const COLORREF savedColor = dc.SetTextColor(::GetSysColor(COLOR_CAPTIONTEXT));
    RECT textRect = band;
    if (style & 0x20)
        ::InflateRect(&textRect, -std::min(10, static_cast<int>(band.right - band.left) / 4), 0);
    if ((style & 0x40) && !vertical) {
        SIZE extent = {};
        const CString text = data->GetString(nullptr);
        ::GetTextExtentPoint32W(item->hDC, text, text.GetLength(), &extent);
        textRect.left = (band.left + band.right - extent.cx) / 2 - 4;
    }
    DrawMenuText(data->GetString(nullptr), item->hDC, textRect, DT_SINGLELINE | DT_VCENTER);
    if (style & 0x10) {
        RECT raised = {band.left + 2, band.bottom - 7, band.right - 2, band.bottom - 5};
        RECT sunken = {band.left + 12, band.bottom - 4, band.right - 12, band.bottom - 2};
        if (vertical) {
            raised = RECT{band.left + 20, band.top + 5, band.left + 22, band.bottom - 5};
            sunken = RECT{band.left + 23, band.top + 15, band.left + 25, band.bottom - 15};
        }
        ::DrawEdge(item->hDC, &raised, vertical ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        ::DrawEdge(item->hDC, &sunken, BDR_SUNKENOUTER, BF_RECT);
    }
    dc.SetTextColor(savedColor);
    dc.SetBkMode(savedMode);
    dc.SelectObject(savedFont);
}

} // namespace SkinControl::NewMenu
