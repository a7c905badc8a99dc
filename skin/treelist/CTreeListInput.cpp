// The tree list's keyboard and mouse: selection by click, Ctrl and Shift,
// expanding by click and key, the hot item, marquee selection with automatic
// scrolling, the double-click hook and the start of a drag.
#include "skin/treelist/CTreeListCtrl.h"

#include <algorithm>

namespace SkinControl
{

namespace
{
const UINT_PTR kAutoScrollTimer = 0x544C5341; // "TLSA"
const UINT kAutoScrollTick = 50;              // ms between checks while the mouse rests
const DWORD kAutoScrollStep = 200;            // ms between two scroll steps
const int kAutoScrollBand = 20;               // pixels at the top and bottom of the content
} // namespace

void CTreeListCtrl::OnKeyDown(UINT key, UINT repeat, UINT flags)
{
    CTreeListItem* item = GetFirstSelectedItem();
    if (item) {
        switch (key) {
        case VK_RETURN:
            ToggleExpand(item);
            break;
        case VK_PRIOR:
        case VK_NEXT: {
            SendMessage(WM_VSCROLL, key == VK_PRIOR ? SB_PAGEUP : SB_PAGEDOWN);
            if (CTreeListItem* top = GetFirstVisibleItem())
                SelectItem(top, TRUE, FALSE, TRUE);
            break;
        }
        case VK_LEFT:
            if (IsExpanded(item))
                Collapse(item, TRUE, 1, 0);
            break;
        case VK_RIGHT:
            if (!IsExpanded(item))
                Expand(item, TRUE, 1);
            break;
        case VK_UP:
        case VK_DOWN: {
            CTreeListItem* next = key == VK_UP ? GetPrevVisibleItem(item) : GetNextVisibleItem(item);
            if (next) {
                EnsureVisible(next);
                SelectItem(next, TRUE, FALSE, TRUE);
            }
            break;
        }
        default:
            break;
        }
    }
    CWnd::OnKeyDown(key, repeat, flags);
}

void CTreeListCtrl::ToggleExpand(CTreeListItem* item)
{
    if (IsExpanded(item))
        Collapse(item, TRUE, 1, 0);
    else
        Expand(item, TRUE, 1);
}

void CTreeListCtrl::SelectRange(CTreeListItem* anchor, CTreeListItem* hit)
{
    CScopedLock lock(m_lock);
    const int to = ItemRowIndex(hit);
    if (to < 0)
        return;
    // An anchor without a row (collapsed away since, or never laid out)
    // starts a new range at the clicked row.
    const int from = IsValidLocked(anchor) ? ItemRowIndex(anchor) : -1;
    if (from < 0) {
        SelectItem(hit, TRUE, FALSE, FALSE);
    } else if (from < to) {
        for (int row = from + 1; row <= to; ++row)
            SelectItem(m_rows[row], FALSE, TRUE, FALSE);
    } else if (from > to) {
        for (int row = from - 1; row >= to; --row)
            SelectItem(m_rows[row], FALSE, TRUE, FALSE);
    } else {
        SelectItem(hit, FALSE, TRUE, FALSE);
    }
    InvalidateRect(nullptr, TRUE);
}

void CTreeListCtrl::OnLButtonDown(UINT keys, CPoint point)
{
    CWnd::OnLButtonDown(keys, point);
    SetFocus();
    BOOL marquee = FALSE;
    {
        // Held from the hit test to the selection, so that a worker cannot
        // free the row in between.
        CScopedLock lock(m_lock);
        // A double click whose release went elsewhere ends here: only the
        // release of a whole double click reports it.
        m_doubleClickItem = nullptr;
        m_pendingItem = nullptr;
        m_marqueeActive = FALSE;
        m_inDrag = FALSE;
        m_leftButtonDown = true;
        CTreeListItem* hit = HitTest(point);
        m_pressedItem = hit;
        if (hit) {
            const BOOL selected = hit->selected;
            marquee = m_dragEnabled && !selected;
            if (keys & MK_CONTROL) {
                SelectItem(hit, FALSE, FALSE, TRUE);
            } else if (keys & MK_SHIFT) {
                if (CTreeListItem* anchor = GetFirstSelectedItem())
                    SelectRange(anchor, hit);
                else
                    SelectItem(hit, TRUE, FALSE, TRUE);
            } else if (selected) {
                // The selection collapses to it at the release, unless a
                // drag takes the press.
                m_pendingItem = hit;
            } else {
                SelectItem(hit, TRUE, FALSE, TRUE);
            }
        } else {
            SelectItem(nullptr, FALSE, FALSE, FALSE);
            marquee = m_dragEnabled;
        }
    }
    if (!marquee)
        return;
    if (::GetCapture() != m_hWnd)
        ::SetCapture(m_hWnd);
    CScopedLock lock(m_lock);
    m_marqueeActive = TRUE;
    m_lastAutoScrollTick = 0;
    m_buttonDownCursor = point;
    ClientToScreen(&m_buttonDownCursor);
    m_marqueeAnchor.x = point.x;
    m_marqueeAnchor.y = ContentYFromClientY(point.y);
}

void CTreeListCtrl::EndGesture()
{
    CScopedLock lock(m_lock);
    m_marqueeAnchor = CPoint();
    m_buttonDownCursor = CPoint();
    m_marqueeRect.SetRect(0, 0, 0, 0);
    m_marqueeActive = FALSE;
    m_inDrag = FALSE;
    m_lastAutoScrollTick = 0;
    m_leftButtonDown = false;
    if (m_autoScrollTimer) {
        KillTimer(kAutoScrollTimer);
        m_autoScrollTimer = false;
    }
}

void CTreeListCtrl::OnLButtonUp(UINT keys, CPoint point)
{
    CWnd::OnLButtonUp(keys, point);
    bool moved = false, release = false;
    CTreeListItem* pending = nullptr;
    CTreeListItem* doubleClicked = nullptr;
    {
        CScopedLock lock(m_lock);
        // Taken before the capture goes, which clears it.
        doubleClicked = m_doubleClickItem;
        m_doubleClickItem = nullptr;
        m_pressedItem = nullptr;
        // Read before the capture goes: losing it ends the gesture.
        CPoint screen = point;
        ClientToScreen(&screen);
        moved = m_marqueeActive && screen != m_buttonDownCursor;
        release = m_marqueeActive && ::GetCapture() == m_hWnd;
        pending = m_pendingItem;
        m_pendingItem = nullptr;
        EndGesture();
    }
    if (release)
        ::ReleaseCapture();
    if (moved) {
        InvalidateRect(nullptr, TRUE);
        return;
    }
    if (pending)
        SelectItem(pending, TRUE, FALSE, TRUE);
    UINT flags = 0;
    CTreeListItem* hit = HitTest(point, &flags);
    if (hit && !(keys & MK_CONTROL)) {
        if ((flags & HitButton) || (!(m_styleFlags & StyleHitButton) && (flags & HitRow))) {
            ToggleExpand(hit);
        } else if (flags & HitCheck) {
            CScopedLock lock(m_lock);
            if (IsValidLocked(hit) && hit->checkable)
                SetItemCheck(hit, !hit->checked, TRUE);
        }
    }
    InvalidateRect(nullptr, TRUE);
    // Only a release on the double-clicked row completes the double click.
    // The expand hooks above may have deleted the row.
    if (hit && hit == doubleClicked && IsValidItem(hit))
        OnItemClick(hit, flags);
}

void CTreeListCtrl::OnLButtonDblClk(UINT keys, CPoint point)
{
    CWnd::OnLButtonDblClk(keys, point);
    CScopedLock lock(m_lock);
    m_doubleClickItem = HitTest(point);
}

void CTreeListCtrl::OnRButtonDown(UINT keys, CPoint point)
{
    SetFocus();
    CTreeListItem* hit = HitTest(point);
    if (!hit)
        SelectItem(nullptr, FALSE, FALSE, FALSE);
    else if (!IsItemSelected(hit))
        SelectItem(hit, !(keys & MK_CONTROL), FALSE, TRUE);
    CWnd::OnRButtonDown(keys, point);
}

void CTreeListCtrl::UpdateHotItem()
{
    CPoint cursor;
    ::GetCursorPos(&cursor);
    ScreenToClient(&cursor);
    UpdateHotItemAt(cursor);
}

void CTreeListCtrl::UpdateHotItemAt(POINT client)
{
    // One lock from the hit test on: a row freed in between would stay hot.
    CScopedLock lock(m_lock);
    CTreeListItem* hit = HitTest(client);
    if (hit == m_hotItem)
        return;
    for (CTreeListItem* item : {m_hotItem, hit}) {
        if (item && !item->paintRect.IsRectEmpty())
            InvalidateRect(&item->paintRect, TRUE);
    }
    m_hotItem = hit;
}

void CTreeListCtrl::OnMouseMove(UINT keys, CPoint point)
{
    CWnd::OnMouseMove(keys, point);
    UpdateHotItemAt(point);
    TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, m_hWnd, 0};
    ::TrackMouseEvent(&track);
    // Only a move while the press that began here is held: a stale move
    // after the release starts nothing.
    if (!m_dragEnabled || !(keys & MK_LBUTTON) || !m_leftButtonDown)
        return;
    if (!m_marqueeActive) {
        // Only a marquee takes the capture here: a captured move without one
        // is the scroll bar's press. (The last press here may still look
        // held, when a drag's own loop took its release.)
        if (::GetCapture() == m_hWnd)
            return;
        m_inDrag = TRUE;
        BeginDrag();
        m_inDrag = FALSE;
        return;
    }
    m_marqueeCursor = point;
    // While the cursor rests in an edge band a timer keeps the scroll going.
    if (AutoScrollBand(point) && !m_autoScrollTimer)
        m_autoScrollTimer = SetTimer(kAutoScrollTimer, kAutoScrollTick) != 0;
    if (!AutoScrollAt(point))
        UpdateMarqueeAt(point);
}

void CTreeListCtrl::OnTimer(UINT_PTR id)
{
    if (id != kAutoScrollTimer) {
        CWnd::OnTimer(id);
        return;
    }
    if (!m_marqueeActive || !AutoScrollBand(m_marqueeCursor)) {
        KillTimer(kAutoScrollTimer);
        m_autoScrollTimer = false;
        return;
    }
    if (!AutoScrollAt(m_marqueeCursor))
        UpdateMarqueeAt(m_marqueeCursor);
}

void CTreeListCtrl::OnMouseLeave()
{
    {
        CScopedLock lock(m_lock);
        m_hotItem = nullptr;
    }
    InvalidateRect(nullptr, TRUE);
}

void CTreeListCtrl::OnCaptureChanged(HWND newCapture)
{
    {
        CScopedLock lock(m_lock);
        m_doubleClickItem = nullptr;
    }
    EndGesture();
    InvalidateRect(nullptr, TRUE);
    CWnd::OnCaptureChanged(newCapture);
}

int CTreeListCtrl::AutoScrollBand(POINT client)
{
    CScopedLock lock(m_lock);
    if (client.y > m_contentRect.bottom - kAutoScrollBand && client.y <= m_contentRect.bottom)
        return 1;
    if (client.y >= m_contentRect.top && client.y < m_contentRect.top + kAutoScrollBand)
        return -1;
    return 0;
}

BOOL CTreeListCtrl::AutoScroll()
{
    CPoint cursor;
    ::GetCursorPos(&cursor);
    ScreenToClient(&cursor);
    return AutoScrollAt(cursor);
}

BOOL CTreeListCtrl::AutoScrollAt(POINT client)
{
    const int band = AutoScrollBand(client);
    if (!band)
        return FALSE;
    {
        CScopedLock lock(m_lock);
        const DWORD now = ::GetTickCount();
        if (now - m_lastAutoScrollTick < kAutoScrollStep)
            return TRUE;
        m_lastAutoScrollTick = now;
        SCROLLINFO info = ReadScrollBar(SB_VERT, SIF_ALL);
        int position = info.nPos;
        if (band > 0 && position <= info.nMax - static_cast<int>(info.nPage))
            position += 2;
        else if (band < 0 && position > info.nMin)
            position = std::max(position - 2, info.nMin);
        int first = -1, last = -1, height = 0;
        const int rows =
            GetPageRows(position, m_contentRect.top, m_contentRect.bottom, &first, &last, &height);
        m_firstVisibleRow = first;
        m_lastVisibleRow = last;
        info.fMask = SIF_PAGE | SIF_POS;
        info.nPage = static_cast<UINT>(rows);
        info.nPos = rows ? first : 0;
        SetScrollBar(SB_VERT, info);
    }
    RecalcLayout();
    return FALSE;
}

void CTreeListCtrl::UpdateMarqueeAt(POINT client)
{
    CScopedLock lock(m_lock);
    CPoint cursor(std::max<int>(m_contentRect.left, std::min<int>(client.x, m_contentRect.right - 1)),
                  std::max<int>(m_contentRect.top, std::min<int>(client.y, m_contentRect.bottom - 1)));
    if (!GetFirstVisibleItem())
        return;
    const int contentY = ContentYFromClientY(cursor.y);
    CRect content(std::min<int>(m_marqueeAnchor.x, cursor.x), std::min<int>(m_marqueeAnchor.y, contentY),
                  std::max<int>(m_marqueeAnchor.x, cursor.x), std::max<int>(m_marqueeAnchor.y, contentY));
    CRect shown = content;
    shown.OffsetRect(0, cursor.y - contentY);
    // Repaint only when the rectangle on screen changed.
    if (shown == m_marqueeRect)
        return;
    m_marqueeRect = shown;
    SelectItemsInRect(content);
    InvalidateRect(nullptr, TRUE);
}

void CTreeListCtrl::SelectItemsInRect(const RECT& content)
{
    // A marquee dragged straight down has no width but still covers rows.
    const CRect rect(content);
    if (rect.Width() <= 0 && rect.Height() <= 0)
        return;
    CScopedLock lock(m_lock);
    SelectItem(nullptr, FALSE, FALSE, FALSE);
    const int count = static_cast<int>(m_rows.size());
    int row = FindRowAtY(rect.top, nullptr);
    if (row < 0)
        row = count > 0 && rect.top < m_rows[0]->layoutRect.top ? 0 : count;
    // Every row under the rectangle, probed 4 pixels inside its left edge.
    const int probeX = rect.left + 4;
    for (; row < count; ++row) {
        const CRect& layout = m_rows[row]->layoutRect;
        if (layout.top >= rect.bottom)
            break;
        if (layout.bottom > rect.top && probeX >= layout.left && probeX < layout.right)
            SelectItem(m_rows[row], FALSE, TRUE, FALSE);
    }
}

} // namespace SkinControl
