// The tree list's layout, scrolling and painting. Vertical scrolling counts
// rows (the position is the top row); horizontal scrolling counts pixels and
// only matters with a header.
#include "skin/treelist/CTreeListCtrl.h"

#include "framework/coolsb/CoolSB.h"
#include "skin/CGDIDrawHelper.h"
#include "skin/CSkinMemDC.h"
#include "skin/treelist/CTreeListHeaderCtrl.h"

#include <algorithm>
#include <cstdlib>

namespace SkinControl
{

namespace
{
// The position after a scroll-bar request, within the bar's range.
int ScrolledPosition(const SCROLLINFO& info, UINT code)
{
    const int page = static_cast<int>(info.nPage);
    int pos = info.nPos;
    switch (code) {
    case SB_LINEUP:
        if (pos > info.nMin)
            --pos;
        break;
    case SB_LINEDOWN:
        if (info.nMax - page >= pos)
            ++pos;
        break;
    case SB_PAGEUP:
        pos = std::max(pos - page, info.nMin);
        break;
    case SB_PAGEDOWN:
        pos = std::min(pos + page, info.nMax);
        break;
    case SB_TOP:
        pos = info.nMin;
        break;
    case SB_BOTTOM:
        pos = info.nMax;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        pos = info.nTrackPos;
        break;
    default:
        break;
    }
    return pos;
}
} // namespace

SCROLLINFO CTreeListCtrl::ReadScrollBar(int bar, UINT mask)
{
    SCROLLINFO info = {sizeof(info), mask, 0, 0, 0, 0, 0};
    if (!CoolSB_GetScrollInfo(m_hWnd, bar, &info))
        info = {sizeof(info), mask, 0, 0, 0, 0, 0};
    return info;
}

void CTreeListCtrl::SetScrollBar(int bar, const SCROLLINFO& info)
{
    // Only what changed, and the repaint is left to the next frame paint: a
    // synchronous redraw of a system bar costs more than a whole layout.
    const SCROLLINFO current = ReadScrollBar(bar, SIF_RANGE | SIF_PAGE | SIF_POS);
    if ((!(info.fMask & SIF_RANGE) || (info.nMin == current.nMin && info.nMax == current.nMax)) &&
        (!(info.fMask & SIF_PAGE) || info.nPage == current.nPage) &&
        (!(info.fMask & SIF_POS) || info.nPos == current.nPos))
        return;
    SCROLLINFO copy = info;
    CoolSB_SetScrollInfo(m_hWnd, bar, &copy, FALSE);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
}

void CTreeListCtrl::RecalcLayout()
{
    if (!m_headerReady)
        return;
    if (!OnWindowThread()) {
        PostLayout();
        return;
    }
    CScopedLock lock(m_lock);
    // Showing or hiding a scroll bar resizes the window, which asks for a
    // layout from inside this one: that becomes one more pass.
    if (m_inLayout) {
        m_layoutAgain = true;
        return;
    }
    m_inLayout = true;
    for (int pass = 0; pass < 3; ++pass) {
        m_layoutAgain = false;
        RecalcLayoutOnce();
        if (!m_layoutAgain)
            break;
    }
    m_inLayout = false;
    InvalidateRect(&m_contentRect, TRUE);
    UpdateWindow();
}

void CTreeListCtrl::RecalcLayoutOnce()
{
    std::vector<CTreeListItem*> before;
    if (m_rowVisibilityNotify)
        before = CollectVisibleRows();

    // The rows are placed in the content rectangle, so it comes first.
    CRect client;
    GetClientRect(&client);
    m_headerRect.SetRect(0, 0, 0, 0);
    m_contentRect = client;
    if ((m_styleFlags & StyleHeader) && m_headerReady) {
        CRect rest = client;
        WINDOWPOS place = {};
        HDLAYOUT layout = {&rest, &place};
        m_header->Layout(&layout);
        m_headerRect.SetRect(client.left, client.top, client.right, client.top + place.cy);
        m_contentRect.top = m_headerRect.bottom;
    }

    BuildRows();
    UpdateScrollBars();
    PlaceHeader();
    CalcVisibleRange(GetVertPos(), m_contentRect.top, m_contentRect.bottom);
    if (m_rowVisibilityNotify)
        NotifyRowVisibility(std::move(before));
}

void CTreeListCtrl::BuildRows()
{
    CScopedLock lock(m_lock);
    m_rows.clear();
    for (CTreeListItem* item : m_items) {
        item->paintRect.SetRect(0, 0, 0, 0);
        item->laidOut = FALSE;
        item->lastShownChild = nullptr;
    }
    m_root.lastShownChild = nullptr;
    // Pre-order walk without recursion, so that no depth of tree can
    // exhaust the stack.
    int y = m_contentRect.top;
    CTreeListItem* item = m_root.firstChild;
    while (item) {
        bool descend = false;
        if (item->shown) {
            item->rowIndex = static_cast<int>(m_rows.size());
            item->layoutRect.SetRect(m_contentRect.left, y, m_contentRect.right, y + item->height);
            y += item->height;
            item->laidOut = TRUE;
            m_rows.push_back(item);
            item->parent->lastShownChild = item;
            descend = item->expanded && item->firstChild;
        }
        if (descend) {
            item = item->firstChild;
            continue;
        }
        while (item && !item->nextSibling) {
            item = item->parent;
            if (item == &m_root)
                item = nullptr;
        }
        if (item)
            item = item->nextSibling;
    }
    // A selected item that got no row is out of sight, whatever hid it: it
    // leaves the selection, so that commands and drags take only what shows.
    CloseSelectionGaps();
    for (size_t i = m_selection.size(); i-- > 0;) {
        if (!m_selection[i]->laidOut) {
            m_selection[i]->selected = FALSE;
            m_selection.erase(m_selection.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

int CTreeListCtrl::GetVertPos()
{
    SCROLLINFO info = ReadScrollBar(SB_VERT, SIF_RANGE | SIF_POS);
    return info.nMax > 0 ? info.nPos : 0;
}

void CTreeListCtrl::UpdateScrollBars()
{
    CScopedLock lock(m_lock);
    const SCROLLINFO vert = ReadScrollBar(SB_VERT, SIF_RANGE | SIF_POS);
    const SCROLLINFO horz = ReadScrollBar(SB_HORZ, SIF_RANGE | SIF_POS);
    const int headerWidth = GetHeaderWidth();
    const int contentWidth = m_contentRect.Width();
    const int barWidth = ::GetSystemMetrics(SM_CXVSCROLL);
    const int count = static_cast<int>(m_rows.size());

    int first = -1, last = -1, height = 0;
    const int pageRows =
        GetPageRows(vert.nPos, m_contentRect.top, m_contentRect.bottom, &first, &last, &height);
    // When the rows from the position on all fit (the window grew, or rows
    // went away), the page is the last one: scroll back so that it is full.
    const int position = count > 0 && first >= 0 ? first : 0;
    const BOOL needsVertical = pageRows < count;

    BOOL wide = contentWidth < headerWidth;
    BOOL wideWithBar = contentWidth - barWidth < headerWidth;
    if (horz.nPos > horz.nMin)
        wide = wideWithBar = TRUE;
    BOOL vertical = FALSE, horizontal = FALSE;
    if (!(m_styleFlags & StyleHeader))
        vertical = needsVertical;
    else if (wideWithBar && needsVertical)
        vertical = horizontal = TRUE;
    else if (wide && !needsVertical)
        horizontal = TRUE;
    else if (needsVertical && !wideWithBar)
        vertical = TRUE;
    m_vertBarShown = vertical;
    m_horzBarShown = horizontal;

    if (m_styleFlags & StyleVertBar) {
        SCROLLINFO info = {sizeof(info), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
        if (vertical) {
            info.nMax = count - 1;
            info.nPage = static_cast<UINT>(std::max(pageRows, 1));
            info.nPos = std::min(position, info.nMax);
        }
        SetScrollBar(SB_VERT, info);
    }
    if (m_styleFlags & StyleHorzBar) {
        SCROLLINFO info = {sizeof(info), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
        if (horizontal) {
            info.nMax = headerWidth;
            info.nPage = static_cast<UINT>(std::max(contentWidth, 0));
            info.nPos = std::max(0, std::min(horz.nPos, headerWidth - contentWidth));
        }
        SetScrollBar(SB_HORZ, info);
    }
}

bool CTreeListCtrl::MoveHeader()
{
    CScopedLock lock(m_lock);
    if (!(m_styleFlags & StyleHeader) || !m_headerReady)
        return false;
    CRect before;
    m_header->GetWindowRect(&before);
    const int x = m_headerRect.left - CoolSB_GetScrollPos(m_hWnd, SB_HORZ);
    m_header->SetWindowPos(nullptr, x, m_headerRect.top, m_headerRect.right - x, m_headerRect.Height(),
                           SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    CRect after;
    m_header->GetWindowRect(&after);
    return after != before;
}

void CTreeListCtrl::PlaceHeader()
{
    if (MoveHeader())
        OnHeaderMoved(m_header.get());
}

int CTreeListCtrl::CalcVisibleRange(int position, int top, int bottom)
{
    CScopedLock lock(m_lock);
    m_firstVisibleRow = m_lastVisibleRow = -1;
    const int count = static_cast<int>(m_rows.size());
    if (count == 0 || position < 0 || position >= count)
        return 0;
    m_firstVisibleRow = position;
    m_lastVisibleRow = count - 1;
    int sum = 0;
    for (int row = position; row < count; ++row) {
        sum += m_rows[row]->height;
        if (sum > bottom - top) {
            m_lastVisibleRow = row - 1;
            break;
        }
    }
    return m_lastVisibleRow - m_firstVisibleRow + 1;
}

int CTreeListCtrl::GetPageRows(int start, int top, int bottom, int* first, int* last, int* height)
{
    CScopedLock lock(m_lock);
    const int count = static_cast<int>(m_rows.size());
    const int space = bottom - top;
    *first = *last = -1;
    *height = 0;
    if (count == 0)
        return 0;
    start = std::max(start, 0);
    int sum = 0;
    for (int row = start; row < count; ++row) {
        if (sum + m_rows[row]->height > space) {
            *first = start;
            *last = row - 1;
            *height = sum;
            return row - start;
        }
        sum += m_rows[row]->height;
    }
    // Every row from `start` on fits (or `start` is past the end): the last
    // page, filled from the bottom.
    sum = 0;
    int row = count - 1;
    for (; row >= 0 && sum + m_rows[row]->height <= space; --row)
        sum += m_rows[row]->height;
    *first = std::min(row + 1, count - 1);
    *last = count - 1;
    *height = sum;
    return *last - *first + 1;
}

int CTreeListCtrl::LastPaintedRow() const
{
    const int count = static_cast<int>(m_rows.size());
    if (m_firstVisibleRow < 0 || m_lastVisibleRow < 0 || count == 0)
        return -1;
    // Rows deleted since the last layout shortened the list: clamp.
    return std::min(m_lastVisibleRow + 1, count - 1);
}

std::vector<CTreeListItem*> CTreeListCtrl::CollectVisibleRows()
{
    CScopedLock lock(m_lock);
    std::vector<CTreeListItem*> rows;
    const int end = LastPaintedRow();
    if (end < 0)
        return rows;
    for (int row = m_firstVisibleRow; row <= end; ++row)
        rows.push_back(m_rows[row]);
    return rows;
}

void CTreeListCtrl::NotifyRowVisibility(std::vector<CTreeListItem*> before)
{
    std::vector<CTreeListItem*> after = CollectVisibleRows();
    for (CTreeListItem* row : before) {
        auto still = std::find(after.begin(), after.end(), row);
        if (still != after.end())
            after.erase(still);
        else
            OnRowVisibilityChanged(row, FALSE);
    }
    for (CTreeListItem* row : after)
        OnRowVisibilityChanged(row, TRUE);
}

// --- Rows and hits.

int CTreeListCtrl::GetRowCount()
{
    CScopedLock lock(m_lock);
    return static_cast<int>(m_rows.size());
}

CTreeListItem* CTreeListCtrl::GetRowItem(int row)
{
    CScopedLock lock(m_lock);
    return row >= 0 && row < static_cast<int>(m_rows.size()) ? m_rows[row] : nullptr;
}

CTreeListItem* CTreeListCtrl::GetFirstVisibleItem()
{
    const int position = m_hWnd ? GetVertPos() : 0;
    return GetRowItem(position);
}

int CTreeListCtrl::ContentYFromClientY(int clientY)
{
    CScopedLock lock(m_lock);
    CTreeListItem* first = GetFirstVisibleItem();
    const int firstTop = first ? first->layoutRect.top : m_contentRect.top;
    return clientY - m_contentRect.top + firstTop;
}

int CTreeListCtrl::FindRowAtY(int y, CTreeListItem** item)
{
    CScopedLock lock(m_lock);
    if (item)
        *item = nullptr;
    if (y < 0 || m_rows.empty())
        return -1;
    int lo = 0, hi = static_cast<int>(m_rows.size()) - 1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const CRect& rect = m_rows[mid]->layoutRect;
        if (y < rect.top) {
            hi = mid - 1;
        } else if (y <= rect.bottom) {
            if (item)
                *item = m_rows[mid];
            return mid;
        } else {
            lo = mid + 1;
        }
    }
    return -1;
}

CTreeListItem* CTreeListCtrl::HitTest(POINT client, UINT* flags)
{
    CScopedLock lock(m_lock);
    if (flags)
        *flags = 0;
    if (!GetFirstVisibleItem() || client.y < m_contentRect.top || client.y >= m_contentRect.bottom)
        return nullptr;
    CTreeListItem* item = nullptr;
    if (FindRowAtY(ContentYFromClientY(client.y), &item) < 0)
        return nullptr;
    UINT hit = 0;
    if ((m_styleFlags & StyleHitButton) && item->buttonRect.PtInRect(client))
        hit |= HitButton;
    if ((m_styleFlags & StyleCheckBoxes) && item->checkRect.PtInRect(client))
        hit |= HitCheck;
    if (item->rowRect.PtInRect(client)) {
        hit |= HitRow;
        if (m_styleFlags & StyleRowIsButton)
            hit |= HitButton;
    }
    if (flags)
        *flags = hit;
    return item;
}

void CTreeListCtrl::SetItemButtonRect(CTreeListItem* item, const RECT& rect)
{
    CScopedLock lock(m_lock);
    if (IsValidLocked(item) && item->laidOut)
        item->buttonRect = rect;
}

void CTreeListCtrl::SetItemCheckRect(CTreeListItem* item, const RECT& rect)
{
    CScopedLock lock(m_lock);
    if (IsValidLocked(item) && item->laidOut)
        item->checkRect = rect;
}

void CTreeListCtrl::SetItemRowRect(CTreeListItem* item, const RECT& rect)
{
    CScopedLock lock(m_lock);
    if (IsValidLocked(item) && item->laidOut)
        item->rowRect = rect;
}

CRect CTreeListCtrl::GetItemRowRect(CTreeListItem* item)
{
    CScopedLock lock(m_lock);
    return IsValidLocked(item) && item->laidOut ? item->rowRect : CRect();
}

CRect CTreeListCtrl::GetItemLayoutRect(CTreeListItem* item)
{
    CScopedLock lock(m_lock);
    return IsValidLocked(item) && item->laidOut ? item->layoutRect : CRect();
}

BOOL CTreeListCtrl::GetItemRect(CTreeListItem* item, RECT* rect)
{
    CScopedLock lock(m_lock);
    if (!rect || !IsValidLocked(item) || !item->laidOut)
        return FALSE;
    *rect = item->paintRect;
    return TRUE;
}

int CTreeListCtrl::GetHeaderWidth()
{
    if (!(m_styleFlags & StyleHeader) || !m_headerReady)
        return 1;
    const int count = m_header->GetItemCount();
    CRect last;
    if (count <= 0 || !m_header->GetItemRect(count - 1, &last))
        return 1;
    return last.right;
}

void CTreeListCtrl::GetHeaderItemsRect(RECT* rect)
{
    ::SetRectEmpty(rect);
    if (!(m_styleFlags & StyleHeader) || !m_headerReady)
        return;
    const int count = m_header->GetItemCount();
    int width = 0;
    CRect first;
    for (int i = 0; i < count; ++i) {
        CRect item;
        m_header->GetItemRect(i, &item);
        if (i == 0)
            first = item;
        width += item.Width();
    }
    if (count <= 0)
        return;
    first.right = first.left + width;
    ::MapWindowPoints(m_header->m_hWnd, m_hWnd, reinterpret_cast<POINT*>(&first), 2);
    *rect = first;
}

// --- Scrolling.

void CTreeListCtrl::EnsureVisible(CTreeListItem* item)
{
    if (!OnWindowThread()) {
        PostRequest(RequestEnsureVisible, item, 0);
        return;
    }
    CScopedLock lock(m_lock);
    if (m_rows.empty() || !IsValidLocked(item))
        return;
    // The laid-out flag, not the row index, says whether the item has a row.
    const int row = ItemRowIndex(item);
    if (row < 0 || m_firstVisibleRow < 0 || m_lastVisibleRow < 0 ||
        (m_firstVisibleRow <= row && row <= m_lastVisibleRow)) {
        InvalidateRect(&m_contentRect, TRUE);
        return;
    }
    // Above the page: at the top. Below it: about the middle (and never past
    // the row itself when the page holds a single row).
    const int fullRows = m_lastVisibleRow - m_firstVisibleRow + 1;
    const int top = row < m_firstVisibleRow ? row : row + 1 - std::max(fullRows, 2) / 2;
    SCROLLINFO info = {sizeof(info), SIF_POS, 0, 0, 0, top, 0};
    SetScrollBar(SB_VERT, info);
    CalcVisibleRange(GetVertPos(), m_contentRect.top, m_contentRect.bottom);
    InvalidateRect(&m_contentRect, TRUE);
}

void CTreeListCtrl::OnVScroll(UINT code, UINT, HWND)
{
    CScopedLock lock(m_lock);
    std::vector<CTreeListItem*> before;
    if (m_rowVisibilityNotify)
        before = CollectVisibleRows();
    SCROLLINFO info = ReadScrollBar(SB_VERT, SIF_ALL);
    int first = -1, last = -1, height = 0;
    const int pageRows = GetPageRows(ScrolledPosition(info, code), m_contentRect.top, m_contentRect.bottom,
                                     &first, &last, &height);
    const bool empty = m_rows.empty();
    info.fMask = SIF_PAGE | SIF_POS;
    info.nPage = empty ? 0 : static_cast<UINT>(std::max(pageRows, 1));
    info.nPos = empty ? 0 : first;
    SetScrollBar(SB_VERT, info);
    CalcVisibleRange(GetVertPos(), m_contentRect.top, m_contentRect.bottom);
    if (m_rowVisibilityNotify)
        NotifyRowVisibility(std::move(before));
    InvalidateRect(nullptr, TRUE);
}

void CTreeListCtrl::OnHScroll(UINT code, UINT, HWND)
{
    const SCROLLINFO info = ReadScrollBar(SB_HORZ, SIF_ALL);
    SCROLLINFO moved = {sizeof(moved), SIF_POS, 0, 0, 0, ScrolledPosition(info, code), 0};
    SetScrollBar(SB_HORZ, moved);
    MoveHeader();
    RedrawWindow(nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
}

BOOL CTreeListCtrl::OnMouseWheel(UINT, short delta, CPoint)
{
    if (!IsVertBarShown())
        return FALSE;
    UINT lines = 3;
    ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    if (lines == WHEEL_PAGESCROLL) {
        SendMessage(WM_VSCROLL, delta < 0 ? SB_PAGEDOWN : SB_PAGEUP);
        return TRUE;
    }
    const int steps = std::abs(static_cast<int>(delta)) * static_cast<int>(lines) / WHEEL_DELTA;
    for (int i = 0; i < steps; ++i)
        SendMessage(WM_VSCROLL, delta < 0 ? SB_LINEDOWN : SB_LINEUP);
    return TRUE;
}

// --- Window messages and painting.

void CTreeListCtrl::OnSize(UINT type, int cx, int cy)
{
    CWnd::OnSize(type, cx, cy);
    RecalcLayout();
}

BOOL CTreeListCtrl::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header && m_headerReady && header->hwndFrom == m_header->m_hWnd && header->code == HDN_ITEMCHANGEDW) {
        RecalcLayout();
        *result = TRUE;
        return TRUE;
    }
    return CWnd::OnNotify(wParam, lParam, result);
}

BOOL CTreeListCtrl::OnEraseBkgnd(CDC*)
{
    return TRUE;
}

void CTreeListCtrl::OnPaint()
{
    // Workers that change items wait for the paint.
    CScopedLock lock(m_lock);
    CPaintDC paintDC(this);
    if (!m_headerRect.IsRectEmpty())
        ::ExcludeClipRect(paintDC, m_headerRect.left, m_headerRect.top, m_headerRect.right,
                          m_headerRect.bottom);
    CSkinMemDC buffer(&paintDC, this);
    CDC* dc = buffer.GetDC();
    DrawBackground(dc, m_contentRect);
    const int end = LastPaintedRow();
    if (end < 0)
        return;
    CRect box = m_contentRect;
    box.OffsetRect(-CoolSB_GetScrollPos(m_hWnd, SB_HORZ), 0);
    CRect headerItems;
    GetHeaderItemsRect(&headerItems);
    if (!headerItems.IsRectEmpty())
        box.right = box.left + headerItems.Width();
    int y = m_contentRect.top;
    // The hook may delete rows (the list shrinks under the loop): the bound
    // is checked again for every row, and the item is not touched after it.
    for (int row = m_firstVisibleRow; row <= end && row < static_cast<int>(m_rows.size()); ++row) {
        CTreeListItem* item = m_rows[row];
        TreeListDrawInfo info;
        info.rowIndex = static_cast<UINT>(row);
        info.item = item;
        info.dc = dc;
        info.rect.SetRect(box.left, y, box.right, y + item->height);
        info.data = item->data;
        info.text = item->text;
        item->paintRect = info.rect;
        DrawItem(&info);
        y = info.rect.bottom;
    }
    if (!m_marqueeRect.IsRectEmpty())
        DrawMarquee(dc, m_marqueeRect);
}

BOOL CTreeListCtrl::DrawBackground(CDC* dc, RECT content)
{
    dc->FillSolidRect(content, RGB(255, 255, 255));
    return TRUE;
}

void CTreeListCtrl::DrawMarquee(CDC* dc, RECT marquee)
{
    const int saved = ::SaveDC(*dc);
    {
        CGDIDrawHelper helper(dc);
        helper.DrawMarquee(marquee);
    }
    // A one-pixel frame: the rectangle filled around its inside.
    CRect inside(marquee);
    inside.DeflateRect(1, 1);
    ::ExcludeClipRect(*dc, inside.left, inside.top, inside.right, inside.bottom);
    dc->FillSolidRect(marquee, RGB(10, 36, 106));
    ::RestoreDC(*dc, saved);
}

} // namespace SkinControl
