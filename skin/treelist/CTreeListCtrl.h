// The skin library's owner-drawn tree list: a child window that keeps a tree
// of items and shows its expanded part as a vertical list of rows, each of its
// own height. The control draws only the background and the selection
// marquee; a derived class draws every row (DrawItem) and reports where the
// row's button, check box and clickable area lie.
//
// Threads: any thread may change items; every public operation takes the
// control's re-entrant lock itself, so a caller may hold it (GetLock) across
// several calls. Layout, scrolling and painting belong to the window's own
// thread: called from any other thread they are posted to it as requests
// ("TREE_LIST_LAYOUT" and friends) instead, at most one layout pending at a
// time, so a worker never waits on the window while it holds the lock.
//
// The control never notifies its parent; it reports through the virtual
// hooks at the end of the class.
#pragma once

#include "core/Lock.h"
#include "framework/CDC.h"
#include "framework/CRect.h"
#include "framework/CString.h"
#include "framework/CToolTipCtrl.h"
#include "framework/CWnd.h"
#include "skin/treelist/CTreeListHeaderCtrl.h"

#include <atomic>
#include <map>
#include <memory>
#include <unordered_set>
#include <vector>

namespace SkinControl
{

struct TreeListDrawInfo;
struct TreeListInsertInfo;

// One node of the tree (CTreeListCtrl::CTreeListItem), created and freed only
// by the control; read its fields under the control's lock. It lives at
// namespace level so that records can point at it from a forward declaration.
class CTreeListItem
{
public:
    // A control embedded in a row; the control only passes it through.
    class InternalCtrlBase
    {
    public:
        virtual ~InternalCtrlBase() = default;
    };

    CTreeListItem* parent = nullptr;
    CTreeListItem* prevSibling = nullptr;
    CTreeListItem* nextSibling = nullptr;
    CTreeListItem* firstChild = nullptr;
    CTreeListItem* lastChild = nullptr;
    CTreeListItem* lastShownChild = nullptr; // written by layout
    int rowIndex = -1;                       // in the visible rows, valid while laidOut
    BOOL expanded = FALSE;
    BOOL checked = FALSE;
    BOOL selected = FALSE; // exactly while in the selection list
    int height = 24;
    CRect layoutRect; // content coordinates
    CString text;
    void* data = nullptr; // the caller's, never freed here
    std::unique_ptr<std::map<CString, CString>> properties;
    CRect paintRect;  // client coordinates, at the last paint
    CRect buttonRect; // client coordinates, set while drawing
    CRect checkRect;  // client coordinates, set while drawing
    BOOL checkable = TRUE;
    CRect rowRect; // client coordinates, set while drawing
    BOOL laidOut = FALSE;
    BOOL shown = TRUE;
};

class CTreeListCtrl : public CWnd
{
public:
    using CTreeListItem = SkinControl::CTreeListItem;
    using InternalCtrlBase = CTreeListItem::InternalCtrlBase;

    // HitTest flags.
    enum HitFlag : UINT {
        HitButton = 0x01, // the expand button (or the row, with StyleRowIsButton)
        HitCheck = 0x02,
        HitRow = 0x04,
    };
    // Style flags (SetStyleFlags); Create sets StyleDefault.
    enum StyleFlag : UINT {
        StyleHeader = 0x01,
        StyleHitButton = 0x02,
        StyleCheckBoxes = 0x04,
        StyleRowIsButton = 0x08,
        StyleVertBar = 0x10,
        StyleHorzBar = 0x20,
        StyleDefault = 0x1A,
    };
    // The registered request messages, in their registration order. wParam
    // names the item where there is one.
    enum Request {
        RequestLayout,              // "TREE_LIST_LAYOUT"
        RequestUpdate,              // "TREE_LIST_UPDATE": repaint everything
        RequestUpdateItem,          // "TREE_LIST_UPDATE_ITEM": repaint one row
        RequestEnsureVisible,       // "TREE_LIST_ENSURE_VISIABLE_ITEM", lParam: lay out first
        RequestSelectItem,          // "TREE_LIST_SELECT_ITEM", lParam: lay out first
        RequestClickedInternalCtrl, // "TREE_LIST_CLICKED_INTERNAL_CTRL", lParam: the control
        RequestCount
    };

    static const wchar_t kClassName[];

    CTreeListCtrl();
    ~CTreeListCtrl() override;

    BOOL Create(CWnd* parent, const RECT& rect);
    BOOL PreTranslateMessage(MSG* msg) override;

    CLock& GetLock() { return m_lock; }
    UINT GetStyleFlags() const { return m_styleFlags; }
    void SetStyleFlags(UINT flags) { m_styleFlags = flags; }
    // Marquee selection and drag start (BeginDrag).
    void SetDragEnabled(BOOL enabled) { m_dragEnabled = enabled; }
    BOOL IsDragEnabled() const { return m_dragEnabled; }
    // Expanding an item first collapses its expanded siblings.
    void SetSingleExpand(BOOL single) { WriteLocked(m_singleExpand, single); }
    BOOL GetSingleExpand() { return ReadLocked(m_singleExpand); }
    void SetDefaultRowHeight(int height) { WriteLocked(m_defaultRowHeight, height); }
    int GetDefaultRowHeight() { return ReadLocked(m_defaultRowHeight); }
    // Layout and scrolling then call OnRowVisibilityChanged.
    void SetRowVisibilityNotify(BOOL notify) { WriteLocked(m_rowVisibilityNotify, notify); }
    CTreeListHeaderCtrl* GetHeaderCtrl() const { return m_headerReady ? m_header.get() : nullptr; }

    // --- Items. Invalid items make every operation a no-op answering 0,
    // null or an empty string. Nothing here lays out: post a layout or call
    // RecalcLayout.

    // A null parent is the root. The new item goes right after `insertAfter`
    // when that is a child of `parent`; else as the last child with `append`,
    // as the first child without. Null when the parent is not valid.
    CTreeListItem* InsertItem(CTreeListItem* parent, const wchar_t* text, void* data = nullptr,
                              CTreeListItem* insertAfter = nullptr, BOOL append = TRUE);
    CTreeListItem* InsertItemEx(const TreeListInsertInfo& info);
    // Moves `item` in front of `before` under before's parent, or to the front
    // of its own parent when `before` is null. Refuses the root, a move onto
    // the root and a move into the item's own subtree.
    BOOL MoveItem(CTreeListItem* item, CTreeListItem* before);
    // Frees the item and its subtree and clears whatever pointed at them. The
    // root cannot be deleted.
    BOOL DeleteItem(CTreeListItem* item);
    void DeleteAllItems();
    // While one lives, DeleteItem leaves the laid-out rows, and rows leaving
    // the selection leave its list, to be closed up once, when the outermost
    // one ends: each deletion or move then costs the same however many rows
    // are shown or selected.  Holds the tree's lock meanwhile, so no
    // other thread sees the rows before that; the owner's thread reads no
    // rows (hit tests, painting, visible neighbours) until it ends.
    class CDeleteBatch
    {
    public:
        explicit CDeleteBatch(CTreeListCtrl& tree);
        ~CDeleteBatch();
        CDeleteBatch(const CDeleteBatch&) = delete;
        CDeleteBatch& operator=(const CDeleteBatch&) = delete;

    private:
        CTreeListCtrl& m_tree;
        CScopedLock m_lock;
    };
    BOOL IsValidItem(CTreeListItem* item);

    CTreeListItem* GetRootItem() { return &m_root; }
    CTreeListItem* GetParentItem(CTreeListItem* item);
    CTreeListItem* GetChildItem(CTreeListItem* item);
    CTreeListItem* GetNextSiblingItem(CTreeListItem* item);
    // The nearest shown row before (after) the item's row; null at the ends
    // or when the item has no row since the last layout.
    CTreeListItem* GetPrevVisibleItem(CTreeListItem* item);
    CTreeListItem* GetNextVisibleItem(CTreeListItem* item);

    BOOL IsExpanded(CTreeListItem* item);
    // OnExpandChanged(item, notify, ...) follows a change, outside the lock.
    BOOL Expand(CTreeListItem* item, BOOL relayout, int notify);
    // Also drops the item's children from the selection, changed or not.
    BOOL Collapse(CTreeListItem* item, BOOL relayout, int notify, int forSingleExpand);

    // Lays out afterwards (posted when called off the window's thread).
    BOOL SetItemText(CTreeListItem* item, const wchar_t* text);
    CString GetItemText(CTreeListItem* item);
    BOOL SetItemData(CTreeListItem* item, void* data, BOOL relayout);
    void* GetItemData(CTreeListItem* item);
    // The item property "TreeItemType".
    void SetItemType(CTreeListItem* item, const CString& type);
    void SetItemTypeValue(CTreeListItem* item, int value);
    CString GetItemType(CTreeListItem* item);
    int GetItemTypeValue(CTreeListItem* item);
    // A hidden item and its subtree get no row at the next layout, and
    // leave the selection.
    BOOL SetItemVisible(CTreeListItem* item, BOOL shown);
    // Checks the item (when checkable) and its whole subtree.
    BOOL SetItemCheck(CTreeListItem* item, BOOL checked, BOOL redraw);
    BOOL GetItemCheck(CTreeListItem* item);

    // --- Selection, in the order items were selected.
    // A null item clears the selection. Else `clear` empties it first; an
    // unselected item is added, a selected one stays with `force` and is
    // toggled off without it.
    void SelectItem(CTreeListItem* item, BOOL clear, BOOL force, BOOL redraw);
    void RemoveFromSelection(CTreeListItem* item);
    BOOL IsItemSelected(CTreeListItem* item);
    CTreeListItem* GetFirstSelectedItem();
    CTreeListItem* GetSelectedItem(UINT index);
    UINT GetSelectedCount();
    // The item under the mouse.
    CTreeListItem* GetHotItem();
    void UpdateHotItem();

    // --- Requests. Posting a layout while one is pending does nothing.
    void PostLayout();
    BOOL PostRequest(Request request, CTreeListItem* item = nullptr, LPARAM lParam = 0);
    UINT GetRequestMessage(Request request) const { return m_messages[request]; }

    // --- Layout (the window's thread; posted from others).
    void RecalcLayout();
    // Scrolls the item's row into view.
    void EnsureVisible(CTreeListItem* item);
    // Scrolls two rows while the cursor rests within 20 pixels of the top or
    // bottom of the content, at most once per 200 ms. TRUE while waiting for
    // the next step.
    BOOL AutoScroll();

    // Rows as laid out: row index -> item, and the rows the window shows.
    int GetRowCount();
    CTreeListItem* GetRowItem(int row);
    int GetFirstVisibleRow() { return ReadLocked(m_firstVisibleRow); }
    int GetLastVisibleRow() { return ReadLocked(m_lastVisibleRow); }
    CTreeListItem* GetFirstVisibleItem();
    // Content y is y in the stacked rows, whatever the scrolling.
    int ContentYFromClientY(int clientY);
    // The row covering content y (the bottom edge counts), or -1.
    int FindRowAtY(int y, CTreeListItem** item);
    // How many rows from `start` fit in bottom - top, or the last page when
    // they all do (Algorithms of the page); `height` is their total.
    int GetPageRows(int start, int top, int bottom, int* first, int* last, int* height);
    CTreeListItem* HitTest(POINT client, UINT* flags = nullptr);

    // Where the derived DrawItem put the row's parts, in client coordinates;
    // ignored unless the item is laid out.
    void SetItemButtonRect(CTreeListItem* item, const RECT& rect);
    void SetItemCheckRect(CTreeListItem* item, const RECT& rect);
    void SetItemRowRect(CTreeListItem* item, const RECT& rect);
    // Empty unless the item is laid out.
    CRect GetItemRowRect(CTreeListItem* item);
    CRect GetItemLayoutRect(CTreeListItem* item);
    // Where the row was last painted; FALSE (rect untouched) unless laid out.
    BOOL GetItemRect(CTreeListItem* item, RECT* rect);

    int GetHeaderWidth();
    void GetHeaderItemsRect(RECT* rect);
    CRect GetContentRect() { return ReadLocked(m_contentRect); }
    BOOL IsVertBarShown() { return ReadLocked(m_vertBarShown); }

protected:
    // --- Hooks. The base versions do nothing unless said.
    // After an item's expanded flag changed; forSingleExpand is 1 when the
    // collapse came from single-expand mode.
    virtual void OnExpandChanged(CTreeListItem* item, int notify, int forSingleExpand, int reserved);
    virtual void OnHeaderMoved(CWnd* header);
    // Base: fills the content white.
    virtual BOOL DrawBackground(CDC* dc, RECT content);
    virtual void DrawItem(TreeListDrawInfo* info);
    // Base: the translucent marquee with a one-pixel frame.
    virtual void DrawMarquee(CDC* dc, RECT marquee);
    // On the button release that ends a double click on an item.
    virtual void OnItemClick(CTreeListItem* item, UINT hitFlags);
    // The mouse moved with the button down after a press on a selected row.
    virtual void BeginDrag();
    virtual void OnRowVisibilityChanged(CTreeListItem* item, BOOL visible);
    virtual void DrawInternalCtrlBack(TreeListDrawInfo* info, InternalCtrlBase* ctrl);
    virtual void DrawInternalCtrl(TreeListDrawInfo* info, InternalCtrlBase* ctrl);
    virtual void OnClickInternalCtrl(CTreeListItem* item, InternalCtrlBase* ctrl);
    virtual void OnInternalCtrlHover(CTreeListItem* item, InternalCtrlBase* ctrl);

    // --- Messages.
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    int OnCreate(LPCREATESTRUCT cs) override;
    void OnDestroy() override;
    void OnSize(UINT type, int cx, int cy) override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnPaint() override;
    void OnTimer(UINT_PTR id) override;
    void OnVScroll(UINT code, UINT pos, HWND scrollBar) override;
    void OnHScroll(UINT code, UINT pos, HWND scrollBar) override;
    BOOL OnMouseWheel(UINT flags, short delta, CPoint point) override;
    void OnKeyDown(UINT key, UINT repeat, UINT flags) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    void OnLButtonDblClk(UINT flags, CPoint point) override;
    void OnRButtonDown(UINT flags, CPoint point) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    void OnMouseLeave() override;
    void OnCaptureChanged(HWND newCapture) override;

private:
    template <typename T> T ReadLocked(const T& field)
    {
        CScopedLock lock(m_lock);
        return field;
    }
    template <typename T> void WriteLocked(T& field, T value)
    {
        CScopedLock lock(m_lock);
        field = value;
    }
    // The window's own thread, where layout and painting run.
    bool OnWindowThread() const;
    bool IsValidLocked(CTreeListItem* item) const;
    bool IsInSubtree(CTreeListItem* item, CTreeListItem* top) const;
    void Unlink(CTreeListItem* item);
    void LinkBefore(CTreeListItem* item, CTreeListItem* parent, CTreeListItem* before);
    void LinkAfter(CTreeListItem* item, CTreeListItem* parent, CTreeListItem* after);
    void FreeSubtree(CTreeListItem* item);
    void CompactRows();
    void ClearSelectionLocked();
    void CheckSubtree(CTreeListItem* item, BOOL checked);
    void DeselectSubtree(CTreeListItem* item);
    // Takes m_deselected out of m_selection.  Lock held.
    void CloseSelectionGaps();
    // Not shown, or under a group that is collapsed or not shown.
    bool IsOutOfSight(const CTreeListItem* item) const;
    void RedrawAfterChange(BOOL updateNow);
    void HandleRequest(Request request, WPARAM wParam, LPARAM lParam);
    bool IsSuperseded(Request request);

    // Layout.
    SCROLLINFO ReadScrollBar(int bar, UINT mask);
    void SetScrollBar(int bar, const SCROLLINFO& info);
    void RecalcLayoutOnce();
    void BuildRows();
    void AddRowsOf(CTreeListItem* item, int& y);
    void UpdateScrollBars();
    // true when the header's window rectangle changed.
    bool MoveHeader();
    void PlaceHeader();
    int GetVertPos();
    int CalcVisibleRange(int position, int top, int bottom);
    // The last row a paint reaches (the one past the last whole row, which
    // shows in part), or -1 when there is none; from m_firstVisibleRow on.
    int LastPaintedRow() const;
    std::vector<CTreeListItem*> CollectVisibleRows();
    void NotifyRowVisibility(std::vector<CTreeListItem*> before);
    int ItemRowIndex(CTreeListItem* item);

    // Input.
    // Collapses an expanded item, expands a collapsed one, laying out.
    void ToggleExpand(CTreeListItem* item);
    void SelectRange(CTreeListItem* anchor, CTreeListItem* hit);
    void UpdateHotItemAt(POINT client);
    BOOL AutoScrollAt(POINT client);
    int AutoScrollBand(POINT client);
    void UpdateMarqueeAt(POINT client);
    void SelectItemsInRect(const RECT& content);
    void EndGesture();

    CToolTipCtrl m_toolTip;
    std::unique_ptr<CTreeListHeaderCtrl> m_header;
    std::atomic<bool> m_headerReady{false};
    BOOL m_vertBarShown = FALSE;
    BOOL m_horzBarShown = FALSE;
    BOOL m_dragEnabled = FALSE;
    BOOL m_inDrag = FALSE;
    BOOL m_marqueeActive = FALSE;
    CPoint m_marqueeAnchor;    // x client, y content
    CPoint m_buttonDownCursor; // screen
    CRect m_marqueeRect;       // client, empty when none is shown
    DWORD m_lastAutoScrollTick = 0;
    CRect m_headerRect;
    CRect m_contentRect;
    UINT m_styleFlags = 0;
    UINT m_messages[RequestCount];
    DWORD m_windowThread = 0;
    std::atomic<bool> m_layoutPending{false};
    bool m_inLayout = false;
    bool m_layoutAgain = false;

    CLock m_lock;
    std::unordered_set<CTreeListItem*> m_items; // every live item but the root
    CTreeListItem m_root;
    std::vector<CTreeListItem*> m_rows;
    int m_deleteBatches = 0;   // CDeleteBatch scopes open
    bool m_rowGaps = false;    // m_rows holds rows deleted inside them
    BOOL m_singleExpand = FALSE;
    std::vector<CTreeListItem*> m_selection;
    // Left the selection inside a CDeleteBatch but still in m_selection,
    // perhaps freed since: compared, never followed.
    std::unordered_set<CTreeListItem*> m_deselected;
    CTreeListItem* m_hotItem = nullptr;
    CTreeListItem* m_pressedItem = nullptr;
    CTreeListItem* m_pendingItem = nullptr;
    int m_defaultRowHeight = 20;
    // The row under a double click until its release; null when none is
    // under way.  Guarded by m_lock.
    CTreeListItem* m_doubleClickItem = nullptr;
    bool m_leftButtonDown = false;
    CPoint m_marqueeCursor; // client, the last move of a marquee
    bool m_autoScrollTimer = false;
    int m_firstVisibleRow = -1;
    int m_lastVisibleRow = -1;
    BOOL m_rowVisibilityNotify = FALSE;
};

// Argument record of InsertItemEx.
struct TreeListInsertInfo {
    const wchar_t* text = nullptr;
    void* data = nullptr;
    CTreeListItem* parent = nullptr;
    CTreeListItem* insertAfter = nullptr;
    BOOL append = FALSE;
};

// One row being painted, handed to DrawItem.
struct TreeListDrawInfo {
    UINT rowIndex = 0;
    CTreeListItem* item = nullptr;
    CDC* dc = nullptr;
    CRect rect; // client coordinates
    void* data = nullptr;
    CString text;
};

} // namespace SkinControl
