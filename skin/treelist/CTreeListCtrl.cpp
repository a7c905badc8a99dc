// The tree list's items and model: creation, the item tree and its
// operations, the selection state and the request messages.
#include "skin/treelist/CTreeListCtrl.h"

#include "skin/SkinWindowClass.h"
#include "skin/treelist/CTreeListHeaderCtrl.h"

#include <algorithm>
#include <cwchar>
#include <new>

namespace SkinControl
{

const wchar_t CTreeListCtrl::kClassName[] = L"__TREE_LIST_CTRL__";

namespace
{
const wchar_t* const kRequestNames[CTreeListCtrl::RequestCount] = {
    L"TREE_LIST_LAYOUT",      L"TREE_LIST_UPDATE",
    L"TREE_LIST_UPDATE_ITEM", L"TREE_LIST_ENSURE_VISIABLE_ITEM",
    L"TREE_LIST_SELECT_ITEM", L"TREE_LIST_CLICKED_INTERNAL_CTRL",
};
const wchar_t kTypeProperty[] = L"TreeItemType";
} // namespace

CTreeListCtrl::CTreeListCtrl() : m_header(new CTreeListHeaderCtrl)
{
    std::fill(std::begin(m_messages), std::end(m_messages), UINT(-1));
}

CTreeListCtrl::~CTreeListCtrl()
{
    // Destroyed here, while the object is still a tree list, so that
    // WM_DESTROY reaches OnDestroy; items of a window that never existed are
    // freed as well.
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this)
        DestroyWindow();
    DeleteAllItems();
}

BOOL CTreeListCtrl::Create(CWnd* parent, const RECT& rect)
{
    if (!RegisterSkinWindowClass(kClassName, nullptr))
        return FALSE;
    m_styleFlags = StyleDefault;
    return CreateEx(0, kClassName, L"QuickLinkTreeList", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, rect,
                    parent, 0);
}

int CTreeListCtrl::OnCreate(LPCREATESTRUCT cs)
{
    if (CWnd::OnCreate(cs) == -1)
        return -1;
    m_windowThread = ::GetCurrentThreadId();
    // A layout posted to an earlier window of this object died with it.
    m_layoutPending = false;
    if (!m_toolTip.Create(this, TTS_ALWAYSTIP))
        return -1;
    m_toolTip.Activate(TRUE);
    for (int i = 0; i < RequestCount; ++i)
        m_messages[i] = ::RegisterWindowMessageW(kRequestNames[i]);
    {
        CScopedLock lock(m_lock);
        m_root.expanded = TRUE;
    }
    if (!m_header->Create(WS_CHILD | WS_VISIBLE | HDS_BUTTONS, CRect(), this, 1))
        return -1;
    m_headerReady = true;
    return 0;
}

void CTreeListCtrl::OnDestroy()
{
    if (m_toolTip.m_hWnd)
        m_toolTip.DestroyWindow();
    DeleteAllItems();
    CWnd::OnDestroy();
    m_headerReady = false;
}

BOOL CTreeListCtrl::PreTranslateMessage(MSG* msg)
{
    if (m_toolTip.m_hWnd)
        m_toolTip.RelayEvent(msg);
    return CWnd::PreTranslateMessage(msg);
}

bool CTreeListCtrl::OnWindowThread() const
{
    return m_hWnd && ::GetCurrentThreadId() == m_windowThread;
}

// --- The item tree.

bool CTreeListCtrl::IsValidLocked(CTreeListItem* item) const
{
    return item && (item == &m_root || m_items.count(item) != 0);
}

BOOL CTreeListCtrl::IsValidItem(CTreeListItem* item)
{
    CScopedLock lock(m_lock);
    return IsValidLocked(item);
}

bool CTreeListCtrl::IsInSubtree(CTreeListItem* item, CTreeListItem* top) const
{
    for (; item; item = item->parent) {
        if (item == top)
            return true;
    }
    return false;
}

void CTreeListCtrl::Unlink(CTreeListItem* item)
{
    CTreeListItem* parent = item->parent;
    if (item->prevSibling)
        item->prevSibling->nextSibling = item->nextSibling;
    else if (parent)
        parent->firstChild = item->nextSibling;
    if (item->nextSibling)
        item->nextSibling->prevSibling = item->prevSibling;
    else if (parent)
        parent->lastChild = item->prevSibling;
    item->prevSibling = item->nextSibling = nullptr;
}

void CTreeListCtrl::LinkBefore(CTreeListItem* item, CTreeListItem* parent, CTreeListItem* before)
{
    item->parent = parent;
    item->nextSibling = before;
    item->prevSibling = before ? before->prevSibling : parent->lastChild;
    if (item->prevSibling)
        item->prevSibling->nextSibling = item;
    else
        parent->firstChild = item;
    if (before)
        before->prevSibling = item;
    else
        parent->lastChild = item;
}

void CTreeListCtrl::LinkAfter(CTreeListItem* item, CTreeListItem* parent, CTreeListItem* after)
{
    LinkBefore(item, parent, after ? after->nextSibling : parent->firstChild);
}

CTreeListItem* CTreeListCtrl::InsertItem(CTreeListItem* parent, const wchar_t* text, void* data,
                                         CTreeListItem* insertAfter, BOOL append)
{
    CScopedLock lock(m_lock);
    if (!parent)
        parent = &m_root;
    if (!IsValidLocked(parent))
        return nullptr;
    auto* item = new (std::nothrow) CTreeListItem;
    if (!item)
        return nullptr;
    item->height = m_defaultRowHeight;
    item->text = text ? text : L"";
    item->data = data;
    if (insertAfter && IsValidLocked(insertAfter) && insertAfter->parent == parent)
        LinkAfter(item, parent, insertAfter);
    else if (append || insertAfter)
        LinkBefore(item, parent, nullptr);
    else
        LinkAfter(item, parent, nullptr);
    m_items.insert(item);
    return item;
}

CTreeListItem* CTreeListCtrl::InsertItemEx(const TreeListInsertInfo& info)
{
    return InsertItem(info.parent, info.text, info.data, info.insertAfter, info.append);
}

BOOL CTreeListCtrl::MoveItem(CTreeListItem* item, CTreeListItem* before)
{
    CScopedLock lock(m_lock);
    if (!IsValidLocked(item) || item == &m_root || item == before)
        return FALSE;
    if (before) {
        // A move under one of its own descendants would make a cycle.
        if (!IsValidLocked(before) || before == &m_root || IsInSubtree(before, item))
            return FALSE;
        Unlink(item);
        LinkBefore(item, before->parent, before);
    } else {
        CTreeListItem* parent = item->parent;
        Unlink(item);
        LinkAfter(item, parent, nullptr);
    }
    // Moved under a closed group: what the user can't see is not acted on.
    if (IsOutOfSight(item))
        DeselectSubtree(item);
    return TRUE;
}

void CTreeListCtrl::FreeSubtree(CTreeListItem* item)
{
    if (m_hotItem == item)
        m_hotItem = nullptr;
    if (m_pressedItem == item)
        m_pressedItem = nullptr;
    if (m_pendingItem == item)
        m_pendingItem = nullptr;
    if (m_doubleClickItem == item)
        m_doubleClickItem = nullptr;
    RemoveFromSelection(item);
    m_items.erase(item);
    for (CTreeListItem* child = item->firstChild; child;) {
        CTreeListItem* next = child->nextSibling;
        FreeSubtree(child);
        child = next;
    }
    Unlink(item);
    // The row is blanked here and the list compacted once afterwards.
    if (item->laidOut) {
        int row = ItemRowIndex(item);
        if (row >= 0)
            m_rows[row] = nullptr;
    }
    delete item;
}

void CTreeListCtrl::CompactRows()
{
    m_rows.erase(std::remove(m_rows.begin(), m_rows.end(), nullptr), m_rows.end());
    for (size_t i = 0; i < m_rows.size(); ++i)
        m_rows[i]->rowIndex = static_cast<int>(i);
}

BOOL CTreeListCtrl::DeleteItem(CTreeListItem* item)
{
    CScopedLock lock(m_lock);
    if (!IsValidLocked(item) || item == &m_root)
        return FALSE;
    FreeSubtree(item);
    if (m_deleteBatches)
        m_rowGaps = true;
    else
        CompactRows();
    return TRUE;
}

CTreeListCtrl::CDeleteBatch::CDeleteBatch(CTreeListCtrl& tree) : m_tree(tree), m_lock(tree.m_lock)
{
    ++m_tree.m_deleteBatches;
}

CTreeListCtrl::CDeleteBatch::~CDeleteBatch()
{
    if (--m_tree.m_deleteBatches != 0)
        return;
    m_tree.CloseSelectionGaps();
    if (m_tree.m_rowGaps) {
        m_tree.m_rowGaps = false;
        m_tree.CompactRows();
    }
}

void CTreeListCtrl::DeleteAllItems()
{
    {
        CScopedLock lock(m_lock);
        ClearSelectionLocked();
        m_rows.clear();
        for (CTreeListItem* item : m_items)
            delete item;
        m_items.clear();
        m_root.firstChild = m_root.lastChild = m_root.lastShownChild = nullptr;
        m_root.prevSibling = m_root.nextSibling = nullptr;
        m_hotItem = m_pressedItem = m_pendingItem = m_doubleClickItem = nullptr;
    }
    PostLayout();
}

CTreeListItem* CTreeListCtrl::GetParentItem(CTreeListItem* item)
{
    CScopedLock lock(m_lock);
    return IsValidLocked(item) ? item->parent : nullptr;
}

CTreeListItem* CTreeListCtrl::GetChildItem(CTreeListItem* item)
{
    CScopedLock lock(m_lock);
    return IsValidLocked(item) ? item->firstChild : nullptr;
}

CTreeListItem* CTreeListCtrl::GetNextSiblingItem(CTreeListItem* item)
{
    CScopedLock lock(m_lock);
    return IsValidLocked(item) ? item->nextSibling : nullptr;
}

int CTreeListCtrl::ItemRowIndex(CTreeListItem* item)
{
    if (!item->laidOut)
        return -1;
    const int row = item->rowIndex;
    if (row >= 0 && row < static_cast<int>(m_rows.size()) && m_rows[row] == item)
        return row;
    auto found = std::find(m_rows.begin(), m_rows.end(), item);
    return found == m_rows.end() ? -1 : static_cast<int>(found - m_rows.begin());
}

CTreeListItem* CTreeListCtrl::GetPrevVisibleItem(CTreeListItem* item)
{
    CScopedLock lock(m_lock);
    if (!IsValidLocked(item))
        return nullptr;
    for (int row = ItemRowIndex(item) - 1; row >= 0; --row) {
        if (m_rows[row]->shown)
            return m_rows[row];
    }
    return nullptr;
}

CTreeListItem* CTreeListCtrl::GetNextVisibleItem(CTreeListItem* item)
{
    CScopedLock lock(m_lock);
    if (!IsValidLocked(item))
        return nullptr;
    const int row = ItemRowIndex(item);
    if (row < 0)
        return nullptr;
    for (size_t next = row + 1; next < m_rows.size(); ++next) {
        if (m_rows[next]->shown)
            return m_rows[next];
    }
    return nullptr;
}

// --- Expanding and collapsing.

BOOL CTreeListCtrl::IsExpanded(CTreeListItem* item)
{
    CScopedLock lock(m_lock);
    return IsValidLocked(item) ? item->expanded : FALSE;
}

BOOL CTreeListCtrl::Expand(CTreeListItem* item, BOOL relayout, int notify)
{
    if (GetSingleExpand()) {
        // The hooks of each collapse run outside the lock and may delete
        // items: every sibling is checked again before its next is read.
        CTreeListItem* child = nullptr;
        {
            CScopedLock lock(m_lock);
            if (IsValidLocked(item) && item->parent)
                child = item->parent->firstChild;
        }
        while (child) {
            if (IsExpanded(child))
                Collapse(child, FALSE, notify, 1);
            CScopedLock lock(m_lock);
            child = IsValidLocked(child) ? child->nextSibling : nullptr;
        }
    }
    bool changed = false;
    {
        CScopedLock lock(m_lock);
        if (!IsValidLocked(item))
            return FALSE;
        if (!item->expanded) {
            item->expanded = TRUE;
            changed = true;
        }
        if (relayout) {
            RecalcLayout();
            EnsureVisible(item);
        }
    }
    if (changed)
        OnExpandChanged(item, notify, 0, 0);
    return TRUE;
}

BOOL CTreeListCtrl::Collapse(CTreeListItem* item, BOOL relayout, int notify, int forSingleExpand)
{
    bool changed = false;
    {
        CScopedLock lock(m_lock);
        if (!IsValidLocked(item))
            return FALSE;
        for (CTreeListItem* child = item->firstChild; child; child = child->nextSibling)
            DeselectSubtree(child);
        if (item->expanded) {
            item->expanded = FALSE;
            if (relayout)
                RecalcLayout();
            changed = true;
        }
    }
    if (changed)
        OnExpandChanged(item, notify, forSingleExpand, 0);
    return TRUE;
}

// --- Item values.

BOOL CTreeListCtrl::SetItemText(CTreeListItem* item, const wchar_t* text)
{
    CScopedLock lock(m_lock);
    if (!IsValidLocked(item))
        return FALSE;
    item->text = text ? text : L"";
    RecalcLayout();
    return TRUE;
}

CString CTreeListCtrl::GetItemText(CTreeListItem* item)
{
    CScopedLock lock(m_lock);
    return IsValidLocked(item) ? item->text : CString();
}

BOOL CTreeListCtrl::SetItemData(CTreeListItem* item, void* data, BOOL relayout)
{
    CScopedLock lock(m_lock);
    if (!IsValidLocked(item))
        return FALSE;
    item->data = data;
    if (relayout)
        RecalcLayout();
    return TRUE;
}

void* CTreeListCtrl::GetItemData(CTreeListItem* item)
{
    CScopedLock lock(m_lock);
    return IsValidLocked(item) ? item->data : nullptr;
}

void CTreeListCtrl::SetItemType(CTreeListItem* item, const CString& type)
{
    CScopedLock lock(m_lock);
    if (!IsValidLocked(item))
        return;
    if (!item->properties)
        item->properties.reset(new std::map<CString, CString>);
    (*item->properties)[kTypeProperty] = type;
}

void CTreeListCtrl::SetItemTypeValue(CTreeListItem* item, int value)
{
    CString text;
    text.Format(L"%d", value);
    SetItemType(item, text);
}

CString CTreeListCtrl::GetItemType(CTreeListItem* item)
{
    CScopedLock lock(m_lock);
    if (!IsValidLocked(item) || !item->properties)
        return CString();
    auto found = item->properties->find(kTypeProperty);
    return found == item->properties->end() ? CString() : found->second;
}

int CTreeListCtrl::GetItemTypeValue(CTreeListItem* item)
{
    return static_cast<int>(std::wcstol(GetItemType(item), nullptr, 10));
}

BOOL CTreeListCtrl::SetItemVisible(CTreeListItem* item, BOOL shown)
{
    CScopedLock lock(m_lock);
    if (!IsValidLocked(item))
        return FALSE;
    item->shown = shown;
    // What the user can't see is not acted on: a hidden row and the rows
    // under it leave the selection, and come back unselected.
    if (!shown)
        DeselectSubtree(item);
    return TRUE;
}

bool CTreeListCtrl::IsOutOfSight(const CTreeListItem* item) const
{
    if (!item->shown)
        return true;
    for (const CTreeListItem* up = item->parent; up && up != &m_root; up = up->parent) {
        if (!up->shown || !up->expanded)
            return true;
    }
    return false;
}

void CTreeListCtrl::DeselectSubtree(CTreeListItem* item)
{
    RemoveFromSelection(item);
    for (CTreeListItem* child = item->firstChild; child; child = child->nextSibling)
        DeselectSubtree(child);
}

void CTreeListCtrl::CheckSubtree(CTreeListItem* item, BOOL checked)
{
    if (item->checkable)
        item->checked = checked;
    for (CTreeListItem* child = item->firstChild; child; child = child->nextSibling)
        CheckSubtree(child, checked);
}

BOOL CTreeListCtrl::SetItemCheck(CTreeListItem* item, BOOL checked, BOOL redraw)
{
    CScopedLock lock(m_lock);
    if (!IsValidLocked(item))
        return FALSE;
    CheckSubtree(item, checked);
    if (redraw)
        RedrawAfterChange(TRUE);
    return TRUE;
}

BOOL CTreeListCtrl::GetItemCheck(CTreeListItem* item)
{
    CScopedLock lock(m_lock);
    return IsValidLocked(item) && (m_styleFlags & StyleCheckBoxes) && item->checkable && item->checked;
}

void CTreeListCtrl::RedrawAfterChange(BOOL updateNow)
{
    if (!m_hWnd)
        return;
    // Off the window's thread a synchronous repaint would wait for the
    // window's thread, which may be waiting for this lock.
    if (updateNow && OnWindowThread())
        RedrawWindow(nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
    else
        InvalidateRect(nullptr, TRUE);
}

// --- Selection.

void CTreeListCtrl::ClearSelectionLocked()
{
    CloseSelectionGaps();
    for (CTreeListItem* item : m_selection)
        item->selected = FALSE;
    m_selection.clear();
}

void CTreeListCtrl::SelectItem(CTreeListItem* item, BOOL clear, BOOL force, BOOL redraw)
{
    CScopedLock lock(m_lock);
    CloseSelectionGaps();
    if (!item) {
        ClearSelectionLocked();
        RedrawAfterChange(FALSE);
        return;
    }
    if (!IsValidLocked(item))
        return;
    if (clear)
        ClearSelectionLocked();
    if (!item->selected) {
        item->selected = TRUE;
        m_selection.push_back(item);
    } else if (!force) {
        RemoveFromSelection(item);
    }
    if (redraw)
        RedrawAfterChange(TRUE);
}

void CTreeListCtrl::RemoveFromSelection(CTreeListItem* item)
{
    CScopedLock lock(m_lock);
    if (!IsValidLocked(item) || !item->selected)
        return;
    item->selected = FALSE;
    if (m_deleteBatches)
        m_deselected.insert(item);
    else
        m_selection.erase(std::find(m_selection.begin(), m_selection.end(), item));
}

void CTreeListCtrl::CloseSelectionGaps()
{
    if (m_deselected.empty())
        return;
    m_selection.erase(std::remove_if(m_selection.begin(), m_selection.end(),
                                     [&](CTreeListItem* item) { return m_deselected.count(item) != 0; }),
                      m_selection.end());
    m_deselected.clear();
}

BOOL CTreeListCtrl::IsItemSelected(CTreeListItem* item)
{
    CScopedLock lock(m_lock);
    return IsValidLocked(item) && item->selected;
}

CTreeListItem* CTreeListCtrl::GetFirstSelectedItem()
{
    CScopedLock lock(m_lock);
    CloseSelectionGaps();
    return m_selection.empty() ? nullptr : m_selection.front();
}

CTreeListItem* CTreeListCtrl::GetSelectedItem(UINT index)
{
    CScopedLock lock(m_lock);
    CloseSelectionGaps();
    return index < m_selection.size() ? m_selection[index] : nullptr;
}

UINT CTreeListCtrl::GetSelectedCount()
{
    CScopedLock lock(m_lock);
    CloseSelectionGaps();
    return static_cast<UINT>(m_selection.size());
}

CTreeListItem* CTreeListCtrl::GetHotItem()
{
    CScopedLock lock(m_lock);
    return m_hotItem;
}

// --- Requests.

void CTreeListCtrl::PostLayout()
{
    if (!m_hWnd || m_messages[RequestLayout] == UINT(-1))
        return;
    if (!m_layoutPending.exchange(true) && !PostMessage(m_messages[RequestLayout], 0, 0))
        m_layoutPending = false;
}

BOOL CTreeListCtrl::PostRequest(Request request, CTreeListItem* item, LPARAM lParam)
{
    if (request == RequestLayout) {
        PostLayout();
        return m_layoutPending;
    }
    if (!m_hWnd || request < 0 || request >= RequestCount || m_messages[request] == UINT(-1))
        return FALSE;
    return PostMessage(m_messages[request], reinterpret_cast<WPARAM>(item), lParam);
}

BOOL CTreeListCtrl::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    for (int i = 0; i < RequestCount; ++i) {
        if (message == m_messages[i]) {
            HandleRequest(static_cast<Request>(i), wParam, lParam);
            *result = 0;
            return TRUE;
        }
    }
    return CWnd::OnWndMsg(message, wParam, lParam, result);
}

bool CTreeListCtrl::IsSuperseded(Request request)
{
    // A burst of layout or repaint requests from a worker ends in the state
    // of its last one: the earlier ones are skipped rather than each laying
    // out and painting.  Every select and ensure-visible request is carried
    // out, in the order it was posted.
    if (request != RequestLayout && request != RequestUpdate)
        return false;
    MSG next;
    return ::PeekMessageW(&next, m_hWnd, m_messages[request], m_messages[request], PM_NOREMOVE | PM_NOYIELD) !=
           FALSE;
}

void CTreeListCtrl::HandleRequest(Request request, WPARAM wParam, LPARAM lParam)
{
    if (IsSuperseded(request))
        return;
    if ((request == RequestEnsureVisible || request == RequestSelectItem) && lParam)
        RecalcLayout();
    auto* item = reinterpret_cast<CTreeListItem*>(wParam);
    switch (request) {
    case RequestLayout:
        // Cleared first: a change made during this layout asks for another.
        m_layoutPending = false;
        RecalcLayout();
        break;
    case RequestUpdate:
        InvalidateRect(nullptr, TRUE);
        break;
    case RequestUpdateItem: {
        CScopedLock lock(m_lock);
        if (IsValidLocked(item) && !item->paintRect.IsRectEmpty())
            InvalidateRect(&item->paintRect, TRUE);
        break;
    }
    case RequestEnsureVisible:
        EnsureVisible(item);
        RecalcLayout();
        break;
    case RequestSelectItem:
        EnsureVisible(item);
        SelectItem(item, TRUE, FALSE, TRUE);
        RecalcLayout();
        break;
    case RequestClickedInternalCtrl:
        if (IsValidItem(item))
            OnClickInternalCtrl(item, reinterpret_cast<InternalCtrlBase*>(lParam));
        break;
    default:
        break;
    }
}

// --- Hooks left empty.

void CTreeListCtrl::OnExpandChanged(CTreeListItem*, int, int, int) {}
void CTreeListCtrl::OnHeaderMoved(CWnd*) {}
void CTreeListCtrl::DrawItem(TreeListDrawInfo*) {}
void CTreeListCtrl::OnItemClick(CTreeListItem*, UINT) {}
void CTreeListCtrl::BeginDrag() {}
void CTreeListCtrl::OnRowVisibilityChanged(CTreeListItem*, BOOL) {}
void CTreeListCtrl::DrawInternalCtrlBack(TreeListDrawInfo*, InternalCtrlBase*) {}
void CTreeListCtrl::DrawInternalCtrl(TreeListDrawInfo*, InternalCtrlBase*) {}
void CTreeListCtrl::OnClickInternalCtrl(CTreeListItem*, InternalCtrlBase*) {}
void CTreeListCtrl::OnInternalCtrlHover(CTreeListItem*, InternalCtrlBase*) {}

} // namespace SkinControl
