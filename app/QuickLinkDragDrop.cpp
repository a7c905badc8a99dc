// Drag and drop on the quick-link list: files dropped from other programs
// become links; links dragged inside the list move between and within
// groups, and every move is stored in the groups' preid chains.
#include "app/QuickLinkTreeList.h"

#include "app/QuickLinkWorkItems.h"
#include "core/CatalogStore.h"
#include "skin/COleDataSourceEx.h"
#include "skin/CSkinRes.h"

#include <algorithm>
#include <unordered_map>

using SkinControl::CTreeListItem;

namespace
{
const int kDragImageWidth = 300;
const int kDragImageRowHeight = 25;
const COLORREF kDragImageFill = 0xADECFC;
} // namespace

// --- Drop side.

bool CQuickLinkTreeList::IsOwnDrag(COleDataObject* data) const
{
    // The private format carries a bare pointer: it is believed only while
    // this list's own drag runs, and only when it is that drag's record.
    if (!m_currentDrag || !data || !data->IsDataAvailable(static_cast<CLIPFORMAT>(m_clipboardFormat)))
        return false;
    HGLOBAL block = data->GetGlobalData(static_cast<CLIPFORMAT>(m_clipboardFormat));
    if (!block)
        return false;
    bool own = false;
    if (GlobalSize(block) >= sizeof(DragRecord*)) {
        if (auto* pointer = static_cast<DragRecord* const*>(GlobalLock(block))) {
            own = *pointer == m_currentDrag;
            GlobalUnlock(block);
        }
    }
    GlobalFree(block);
    return own;
}

DROPEFFECT CQuickLinkTreeList::OnDragEnter(CWnd*, COleDataObject* data, DWORD, CPoint point)
{
    if (m_dropTargetHelper)
        m_dropTargetHelper->DragEnter(m_hWnd, data->GetIDataObject(FALSE), &point, DROPEFFECT_LINK);
    if (IsOwnDrag(data))
        return DROPEFFECT_MOVE;
    ReleaseAndClear(m_foreignDragData);
    m_foreignDragData = data->GetIDataObject(TRUE);
    return DROPEFFECT_LINK;
}

DROPEFFECT CQuickLinkTreeList::OnDragOver(CWnd* window, COleDataObject* data, DWORD, CPoint point)
{
    if (window == this) {
        UpdateHotItem();
        AutoScroll();
    }
    if (m_dropTargetHelper)
        m_dropTargetHelper->DragOver(&point, DROPEFFECT_LINK);
    return IsOwnDrag(data) ? DROPEFFECT_MOVE : DROPEFFECT_LINK;
}

BOOL CQuickLinkTreeList::OnDrop(CWnd*, COleDataObject* data, DROPEFFECT effect, CPoint point)
{
    if (m_dropTargetHelper)
        m_dropTargetHelper->Drop(data->GetIDataObject(FALSE), &point, effect);
    if (IsOwnDrag(data))
        MoveDraggedLinks(*m_currentDrag);
    std::vector<CString> files;
    if (data->GetFileNames(&files)) {
        for (const CString& file : files)
            AddDroppedFile(file);
    }
    // Text and other formats are not taken.
    ReleaseAndClear(m_foreignDragData);
    return TRUE;
}

void CQuickLinkTreeList::OnDragLeave(CWnd*)
{
    if (m_dropTargetHelper)
        m_dropTargetHelper->DragLeave();
    ReleaseAndClear(m_foreignDragData);
}

CTreeListItem* CQuickLinkTreeList::RowUnderCursor()
{
    CPoint cursor;
    ::GetCursorPos(&cursor);
    ScreenToClient(&cursor);
    return HitTest(cursor);
}

void CQuickLinkTreeList::AddDroppedFile(const CString& path)
{
    std::vector<AddLinkRequest> requests(1);
    AddLinkRequest& request = requests.front();
    request.path = path;
    request.link.reset(new QuickLinkInfo);
    request.append = 1;
    request.addToDb = 1;
    request.notify = 1;
    {
        CScopedLock data(m_dataLock);
        CTreeListItem* row = RowUnderCursor();
        if (LinkOfRow(row)) {
            request.insertBefore = row;
            row = GetParentItem(row);
        }
        if (CatalogOfRow(row)) {
            request.kind = AddLinkRequest::KindLinkToRow;
            request.catalogItem = row;
        } else {
            request.kind = AddLinkRequest::KindLinkToName;
            request.catalogName = kDefaultCatalog;
            request.insertBefore = nullptr;
        }
    }
    PostAfterLoad(new CAddLinkWorkItem(this, std::move(requests)));
}

// --- Moves.

void CQuickLinkTreeList::MoveDraggedLinks(const DragRecord& drag)
{
    CTreeListItem* target = RowUnderCursor();
    if (!target)
        return;
    if (std::find(drag.rows.begin(), drag.rows.end(), target) != drag.rows.end())
        return;
    {
        CScopedLock data(m_dataLock);
        // The old groups' lists and the tree's rows are tidied once, at the
        // end, not once per moved link.
        CStoreChangeScope moves(this);
        if (CatalogOfRow(target)) {
            for (CTreeListItem* row : drag.rows)
                MoveLinkToCatalog(row, target);
        } else {
            MoveLinksBefore(drag.rows, target);
        }
    }
    PostLayout();
}

BOOL CQuickLinkTreeList::MoveLinkToCatalog(CTreeListItem* linkRow, CTreeListItem* groupRow)
{
    CScopedLock data(m_dataLock);
    CTreeListItem* oldGroupRow = GetParentItem(linkRow);
    if (oldGroupRow == groupRow)
        return 0;
    CatalogInfo* from = CatalogOfRow(oldGroupRow);
    CatalogInfo* to = CatalogOfRow(groupRow);
    QuickLinkInfo* link = LinkOfRow(linkRow);
    if (!from || !to || !link)
        return 0;
    CStoreChangeScope change(this);
    UnchainLink(linkRow, *link);
    {
        CScopedLock tree(GetLock());
        // It leaves the old group's list when the change ends (a record in
        // two lists would be freed twice, were it not by then).
        m_change->catalogs.insert(from);
        RepointLink(*link, GetLastLinkId(*to));
        link->cid = to->cid;
        ::MoveLinkToCatalog(*link);
        KeepList(*to);
        to->links.push_back(link);
        // Moving before a placeholder makes the row the group's last.
        if (CTreeListItem* placeholder = InsertItem(groupRow, L"Temp Item", nullptr, nullptr, TRUE)) {
            MoveItem(linkRow, placeholder);
            DeleteItem(placeholder);
        }
    }
    return change.End() ? 1 : 0;
}

BOOL CQuickLinkTreeList::MoveLinkBefore(CTreeListItem* linkRow, CTreeListItem* targetRow)
{
    if (linkRow == targetRow)
        return 1;
    return MoveLinksBefore({linkRow}, targetRow);
}

BOOL CQuickLinkTreeList::MoveLinksBefore(const std::vector<CTreeListItem*>& linkRows, CTreeListItem* targetRow)
{
    CScopedLock data(m_dataLock);
    CTreeListItem* groupRow = GetParentItem(targetRow);
    CatalogInfo* to = CatalogOfRow(groupRow);
    QuickLinkInfo* target = LinkOfRow(targetRow);
    if (!to || !target)
        return 0;
    CStoreChangeScope change(this);
    // The links that move, in drag order; those of the target's own group
    // by the key their left-out equals share with them.
    std::vector<QuickLinkInfo*> moved;
    std::unordered_map<QuickLinkInfo*, size_t> place;
    std::unordered_map<std::wstring, size_t> ownKeys;
    for (CTreeListItem* row : linkRows) {
        QuickLinkInfo* link = LinkOfRow(row);
        CatalogInfo* from = CatalogOfRow(GetParentItem(row));
        if (row == targetRow || !link || !from || place.count(link))
            continue;
        // Before a link of another group: the link joins that group first,
        // so that its record, its stored group and its row stay together.
        if (from != to && !MoveLinkToCatalog(row, groupRow))
            continue;
        if (from == to)
            ownKeys.emplace(LinkKey(*link), moved.size());
        place.emplace(link, moved.size());
        moved.push_back(link);
    }
    if (moved.empty())
        return 0;
    // Already just before the target: nothing to change.
    if (moved.size() == 1 && GetNextSiblingItem(moved.front()->treeItem) == targetRow)
        return change.End() ? 1 : 0;
    // The group's whole stored chain, once: the moved links come out and go
    // back as one block before the target, each with its left-out equals
    // of this group straight behind it (the load shows the first of equal
    // links, and that stays the one the user moved).
    std::vector<std::vector<QuickLinkInfo*>> block(moved.size());
    std::vector<QuickLinkInfo*> rest;
    for (QuickLinkInfo* member : StoredChain(*to)) {
        auto movedAt = place.find(member);
        if (movedAt != place.end()) {
            block[movedAt->second].insert(block[movedAt->second].begin(), member);
            continue;
        }
        auto equalAt = member->treeItem || ownKeys.empty() ? ownKeys.end() : ownKeys.find(LinkKey(*member));
        if (equalAt != ownKeys.end())
            block[equalAt->second].push_back(member);
        else
            rest.push_back(member);
    }
    std::vector<QuickLinkInfo*> chain;
    chain.reserve(rest.size() + moved.size());
    for (QuickLinkInfo* member : rest) {
        if (member == target) {
            for (const auto& part : block)
                chain.insert(chain.end(), part.begin(), part.end());
        }
        chain.push_back(member);
    }
    int preid = 0;
    std::vector<QuickLinkInfo*> shown;
    shown.reserve(to->links.size());
    for (QuickLinkInfo* member : chain) {
        if (member->preid != preid)
            RepointLink(*member, preid);
        preid = member->id;
        if (member->treeItem)
            shown.push_back(member);
    }
    {
        CScopedLock tree(GetLock());
        KeepList(*to);
        to->links.swap(shown);
        for (QuickLinkInfo* link : moved)
            MoveItem(link->treeItem, targetRow);
    }
    return change.End() ? 1 : 0;
}

void CQuickLinkTreeList::UnchainLink(CTreeListItem* linkRow, const QuickLinkInfo& link)
{
    if (QuickLinkInfo* next = ChainSuccessor(linkRow, link))
        RepointLink(*next, link.preid);
}

// --- Drag side.

void CQuickLinkTreeList::BeginDrag()
{
    DragRecord drag;
    {
        CScopedLock data(m_dataLock);
        for (UINT i = 0; CTreeListItem* row = GetSelectedItem(i); ++i) {
            if (LinkOfRow(row))
                drag.rows.push_back(row);
        }
    }
    if (drag.rows.empty())
        return;
    auto* source = new SkinControl::COleDataSourceEx;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_SHARE, sizeof(DragRecord*));
    if (block) {
        *static_cast<DragRecord**>(GlobalLock(block)) = &drag;
        GlobalUnlock(block);
        FORMATETC format = {static_cast<CLIPFORMAT>(m_clipboardFormat), nullptr, DVASPECT_CONTENT, -1,
                            TYMED_HGLOBAL};
        source->CacheGlobalData(static_cast<CLIPFORMAT>(m_clipboardFormat), block, &format);
    }
    SHDRAGIMAGE image = {};
    if (m_dragSourceHelper && CreateDragImage(drag, &image)) {
        // The helper owns the bitmap once it took it.
        if (FAILED(m_dragSourceHelper->InitializeFromBitmap(&image, source->GetDataObject())))
            DeleteObject(image.hbmpDragImage);
    }
    m_currentDrag = &drag;
    source->DoDragDrop(DROPEFFECT_MOVE);
    m_currentDrag = nullptr;
    // Drop targets and the helper may still hold the data object.
    source->ExternalRelease();
}

BOOL CQuickLinkTreeList::CreateDragImage(DragRecord& drag, SHDRAGIMAGE* image)
{
    HFONT font = SkinControl::CSkinRes::GetFont(L"Font10");
    if (!font)
        return FALSE;
    drag.mode = 1;
    if (drag.rows.empty())
        return FALSE;
    // The rows that fit the screen's height; the image of more would only
    // cost memory and time, and no one would see it.
    const size_t fit = std::max(1, GetSystemMetrics(SM_CYSCREEN) / kDragImageRowHeight);
    const size_t rows = std::min(drag.rows.size(), fit);
    const int height = kDragImageRowHeight * static_cast<int>(rows);
    HDC windowDC = ::GetDC(m_hWnd);
    HDC dc = CreateCompatibleDC(windowDC);
    HBITMAP bitmap = CreateCompatibleBitmap(windowDC, kDragImageWidth, height);
    ::ReleaseDC(m_hWnd, windowDC);
    if (!dc || !bitmap) {
        if (bitmap)
            DeleteObject(bitmap);
        if (dc)
            DeleteDC(dc);
        return FALSE;
    }
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, 0);
    RECT all = {0, 0, kDragImageWidth, height};
    HBRUSH fill = CreateSolidBrush(kDragImageFill);
    FillRect(dc, &all, fill);
    DeleteObject(fill);
    {
        CScopedLock data(m_dataLock);
        for (size_t i = 0; i < rows; ++i) {
            const QuickLinkInfo* link = LinkOfRow(drag.rows[i]);
            if (!link)
                continue;
            const int top = kDragImageRowHeight * static_cast<int>(i);
            if (link->fileInfo.hIcon)
                DrawIconEx(dc, 13, top + 2, link->fileInfo.hIcon, 20, 20, 0, nullptr, DI_NORMAL);
            RECT measured = {0, 0, 0, 0};
            DrawTextW(dc, link->name, -1, &measured,
                      DT_CALCRECT | DT_NOPREFIX | DT_NOCLIP | DT_SINGLELINE | DT_VCENTER);
            const int textHeight = measured.bottom - measured.top;
            const int textTop = top + (kDragImageRowHeight - textHeight) / 2;
            RECT text = {41, textTop - 1, 43 + (measured.right - measured.left), textTop + textHeight + 1};
            DrawTextW(dc, link->name, -1, &text, DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
        }
    }
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    image->sizeDragImage = {kDragImageWidth, height};
    image->ptOffset = {-GetSystemMetrics(SM_CXCURSOR) / 2, 0};
    image->hbmpDragImage = bitmap;
    image->crColorKey = 0xFFFFFF;
    return TRUE;
}
