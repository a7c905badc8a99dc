// The quick-link list's window: creation, the load timer, the loading
// window, held input and destruction.
#include "app/QuickLinkTreeList.h"

#include "app/AddLinksCommand.h"
#include "app/QuickLinkWorkItems.h"
#include "core/CatalogStore.h"
#include "framework/CWinApp.h"
#include "framework/coolsb/CoolSB.h"
#include "skin/CSkinMessageBox.h"
#include "skin/CSkinRes.h"

#include <algorithm>
#include <unordered_set>

using SkinControl::CTreeListItem;

namespace
{
const wchar_t kClipboardFormatName[] = L"{E1FDB8DC-40B8-4fd4-99DD-40A2ECC8EAD9}";
const UINT kTargetCheckMs = 2000;
const int kDefaultLinkIcon = 130;
const int kMissingLinkIcon = 131;
const wchar_t kNotStoredMessage[] = L"数据保存失败，已恢复为上次保存的内容！";

HICON LoadRowIcon(int id)
{
    return static_cast<HICON>(
        LoadImageW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(id), IMAGE_ICON, 20, 20, LR_DEFAULTCOLOR));
}

template <typename Interface> Interface* CreateDragDropHelper(REFIID iid)
{
    void* helper = nullptr;
    if (FAILED(CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_INPROC_SERVER, iid, &helper)))
        return nullptr;
    return static_cast<Interface*>(helper);
}
} // namespace

CQuickLinkTreeList::CQuickLinkTreeList() = default;

CQuickLinkTreeList::~CQuickLinkTreeList()
{
    // The window goes first, while this is still a quick-link list.
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this)
        DestroyWindow();
    FreeAllRecords();
}

int CQuickLinkTreeList::OnCreate(LPCREATESTRUCT cs)
{
    if (CTreeListCtrl::OnCreate(cs) == -1)
        return -1;
    m_waiting.SetFont(SkinControl::CSkinRes::GetFont(L"Font11"));
    m_waiting.SetText(L"正在加载数据，请稍后...");
    if (!m_waiting.Create(this, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, CRect()))
        return -1;
    SetDragEnabled(TRUE);
    m_defaultIcon = LoadRowIcon(kDefaultLinkIcon);
    m_missingIcon = LoadRowIcon(kMissingLinkIcon);
    InitializeCoolSB(m_hWnd);
    m_clipboardFormat = RegisterClipboardFormatW(kClipboardFormatName);
    SetSingleExpand(TRUE);
    SetDefaultRowHeight(kRowHeight);
    m_dropTargetHelper = CreateDragDropHelper<IDropTargetHelper>(IID_IDropTargetHelper);
    m_dragSourceHelper = CreateDragDropHelper<IDragSourceHelper>(IID_IDragSourceHelper);
    if (!Register(this))
        return -1;
    if (!m_renameEdit.Create(CRect(), m_hWnd, WS_CHILD | ES_AUTOHSCROLL))
        return -1;
    m_renameEdit.SetCommitHandler([this](const CString& text) { return CommitRename(text); });
    SetTimer(kLoadTimer, 100);
    return 0;
}

void CQuickLinkTreeList::OnTimer(UINT_PTR id)
{
    if (id == kLoadTimer) {
        KillTimer(kLoadTimer);
        SkinControl::PostWorkItem(new CLoadCacheWorkItem(this, 0));
    } else if (id == kTargetTimer) {
        RefreshVisibleTargets();
    } else if (id == kTypeAheadTimer || id == kTypeAheadResetTimer) {
        OnTypeAheadTimer(id);
    }
    CTreeListCtrl::OnTimer(id);
}

void CQuickLinkTreeList::OnSize(UINT type, int cx, int cy)
{
    CTreeListCtrl::OnSize(type, cx, cy);
    if (IsLoaded() || !m_waiting.m_hWnd)
        return;
    CRect client;
    GetClientRect(&client);
    CSize size = m_waiting.GetContentSize();
    m_waiting.MoveWindow(client.left + (client.Width() - size.cx) / 2,
                         client.top + (client.Height() - size.cy) / 2, size.cx, size.cy);
}

LRESULT CQuickLinkTreeList::OnLoadDone()
{
    if (m_waiting.m_hWnd)
        m_waiting.DestroyWindow();
    SetTimer(kTargetTimer, kTargetCheckMs);
    return 0;
}

BOOL CQuickLinkTreeList::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message == WM_QUICKLINKS_LOADED) {
        *result = OnLoadDone();
        return TRUE;
    }
    if (message == WM_QUICKLINKS_NOT_STORED) {
        SkinControl::SkinMessageBox(kNotStoredMessage, MB_ICONEXCLAMATION);
        // Failures while the box was up are the ones it tells of.
        m_notStoredPosted = false;
        *result = 0;
        return TRUE;
    }
    if (OnMenuMessage(message, wParam, lParam, result))
        return TRUE;
    return CTreeListCtrl::OnWndMsg(message, wParam, lParam, result);
}

void CQuickLinkTreeList::OnDestroy()
{
    {
        // Work still queued or running sees this and changes nothing.
        CScopedLock data(m_dataLock);
        m_accepting = false;
        m_heldItems.clear();
    }
    // The framework's window doesn't revoke its drop target by itself.
    Revoke();
    CTreeListCtrl::OnDestroy();
    ReleaseAndClear(m_dragSourceHelper);
    ReleaseAndClear(m_foreignDragData);
    ReleaseAndClear(m_dropTargetHelper);
    FreeAllRecords();
    for (HICON* icon : {&m_defaultIcon, &m_missingIcon}) {
        if (*icon)
            DestroyIcon(*icon);
        *icon = nullptr;
    }
}

void CQuickLinkTreeList::FreeAllRecords()
{
    CScopedLock data(m_dataLock);
    for (CatalogInfo* catalog : m_catalogOrder) {
        for (QuickLinkInfo* link : catalog->links)
            FreeLinkRecord(link);
        catalog->links.clear();
        delete catalog;
    }
    m_catalogOrder.clear();
    m_catalogs.clear();
    m_linkKeys.clear();
    m_leftOutLinks.clear();
    m_leftOutCatalogs.clear();
}

void FreeLinkRecord(QuickLinkInfo* link)
{
    if (!link)
        return;
    if (link->fileInfo.hIcon)
        DestroyIcon(link->fileInfo.hIcon);
    delete link;
}

// --- Changes and the store's answer.

CQuickLinkTreeList::CStoreChangeScope::CStoreChangeScope(CQuickLinkTreeList* list) : m_list(list)
{
    m_transaction.emplace();
    m_rows.emplace(*list);
    if (!list->m_change) {
        m_change.reset(new StoreChange);
        m_change->order = list->m_catalogOrder;
        for (const CatalogInfo* catalog : list->m_catalogOrder) {
            if (list->IsExpanded(catalog->treeItem))
                m_change->open.insert(catalog->cid);
            if (catalog->treeItem == list->m_searchCatalog)
                m_change->searchCid = catalog->cid;
        }
        list->m_change = m_change.get();
    }
}

bool CQuickLinkTreeList::CStoreChangeScope::End()
{
    if (!m_transaction)
        return m_stored;
    if (m_change) {
        m_list->m_change = nullptr;
        // Each re-pointed link once, and only where it changed: moving a run
        // of links re-points each of them several times on the way.
        for (const auto& stored : m_change->storedPreids) {
            if (stored.first->preid != stored.second && !m_change->links.count(stored.first))
                SetLinkPreId(*stored.first);
        }
    }
    m_stored = m_transaction->Commit() != 0;
    m_transaction.reset();
    if (m_change && m_stored)
        m_list->KeepChange(*m_change);
    m_rows.reset();
    if (m_change && !m_stored) {
        m_list->UndoChange(*m_change);
        m_list->ShowStoreAgain(*m_change);
        m_list->ReportNotStored();
    }
    m_change.reset();
    return m_stored;
}

void CQuickLinkTreeList::KeepChange(StoreChange& change)
{
    for (CatalogInfo* catalog : change.catalogs) {
        auto& links = catalog->links;
        // A link moved to another group is still listed here; its cid
        // names the group it is in now.
        links.erase(std::remove_if(links.begin(), links.end(),
                                   [&](QuickLinkInfo* link) {
                                       return change.links.count(link) || link->cid != catalog->cid;
                                   }),
                    links.end());
    }
    for (QuickLinkInfo* link : change.links)
        FreeLinkRecord(link);
}

void CQuickLinkTreeList::UndoChange(StoreChange& change)
{
    CScopedLock tree(GetLock());
    for (const auto& preid : change.preids)
        preid.first->preid = preid.second;
    for (auto& list : change.lists)
        list.first->links = std::move(list.second);
    for (auto& group : change.removedLeftOut)
        m_leftOutLinks[group.first] = std::move(group.second);
    for (auto& catalog : change.removedCatalogs)
        catalog.release(); // back in the order below
    m_catalogOrder = change.order;
    for (CatalogInfo* catalog : m_catalogOrder) {
        for (QuickLinkInfo* link : catalog->links)
            link->cid = catalog->cid;
    }
    change.links.clear();
}

void CQuickLinkTreeList::KeepList(CatalogInfo& catalog)
{
    // Copied the first time only: a move appends to a list thousands of
    // times.
    if (m_change)
        m_change->lists.try_emplace(&catalog, catalog.links);
}

void CQuickLinkTreeList::ShowStoreAgain(const StoreChange& change)
{
    EndRename();
    m_searchCatalog = nullptr;
    if (!ReloadFromStore())
        RebuildRows();
    for (const CatalogInfo* catalog : m_catalogOrder) {
        if (change.open.count(catalog->cid))
            Expand(catalog->treeItem, FALSE, 0);
        if (catalog->cid == change.searchCid)
            m_searchCatalog = catalog->treeItem;
    }
    if (m_searching)
        FilterItems(m_searchText);
    else
        PostLayout();
}

void CQuickLinkTreeList::RebuildRows()
{
    CScopedLock tree(GetLock());
    DeleteAllItems();
    m_catalogs.clear();
    m_linkKeys.clear();
    for (CatalogInfo* catalog : m_catalogOrder) {
        catalog->treeItem = InsertItem(nullptr, catalog->name, catalog, nullptr, TRUE);
        SetItemTypeValue(catalog->treeItem, RowKindGroup);
        m_catalogs[CatalogKey(catalog->name)] = catalog;
        for (QuickLinkInfo* link : catalog->links) {
            link->treeItem = InsertItem(catalog->treeItem, link->name, link, nullptr, TRUE);
            SetItemTypeValue(link->treeItem, RowKindLink);
            m_linkKeys[LinkKey(*link)] = link;
        }
    }
}

void CQuickLinkTreeList::ReportNotStored()
{
    // One box for a run of failures: until the box is closed.
    if (m_hWnd && !m_notStoredPosted.exchange(true))
        PostMessage(WM_QUICKLINKS_NOT_STORED);
}

bool CQuickLinkTreeList::IsCatalogNameTaken(const CString& key) const
{
    if (m_catalogs.count(key))
        return true;
    for (const auto& leftOut : m_leftOutCatalogs) {
        if (leftOut.second == key)
            return true;
    }
    return false;
}

// --- Input that waits for the load.

void CQuickLinkTreeList::PostAfterLoad(CWorkItem* item)
{
    std::unique_ptr<CWorkItem> owned(item);
    CScopedLock data(m_dataLock);
    if (!owned || !IsAccepting())
        return;
    if (!m_inputReady)
        m_heldItems.push_back(std::move(owned));
    else
        SkinControl::PostWorkItem(owned.release());
}

void CQuickLinkTreeList::SetPendingCommand(const CString& commandUrl)
{
    CScopedLock data(m_dataLock);
    if (m_inputReady)
        AddLinksToCatalog(commandUrl);
    else
        m_pendingCommand = commandUrl;
}

void CQuickLinkTreeList::AddLinksToCatalog(const CString& commandUrl)
{
    AddLinksCommand command;
    if (!ParseAddLinksCommand(commandUrl, command))
        return;
    std::vector<AddLinkRequest> requests(command.paths.size());
    for (size_t i = 0; i < requests.size(); ++i) {
        AddLinkRequest& request = requests[i];
        request.kind = AddLinkRequest::KindLinkToName;
        request.path = command.paths[i];
        request.catalogName = command.catalogName;
        request.link.reset(new QuickLinkInfo);
        request.append = 1;
        request.addToDb = 1;
        request.notify = 1;
    }
    PostAfterLoad(new CAddLinkWorkItem(this, std::move(requests)));
}

void CQuickLinkTreeList::PostSyncDesktop()
{
    PostAfterLoad(new CLoadCacheWorkItem(this, 1));
}

void CQuickLinkTreeList::FinishLoad()
{
    CScopedLock data(m_dataLock);
    m_inputReady = true;
    CString pending = m_pendingCommand;
    m_pendingCommand.Empty();
    if (!pending.IsEmpty())
        AddLinksToCatalog(pending);
    // Still under the lock: input arriving now queues behind these.
    for (auto& item : m_heldItems)
        SkinControl::PostWorkItem(item.release());
    m_heldItems.clear();
}

// --- Rows and records.

CatalogInfo* CQuickLinkTreeList::CatalogOfRow(CTreeListItem* row)
{
    CScopedLock tree(GetLock());
    if (!row || !IsValidItem(row) || row == GetRootItem() || GetItemTypeValue(row) != RowKindGroup)
        return nullptr;
    return static_cast<CatalogInfo*>(GetItemData(row));
}

QuickLinkInfo* CQuickLinkTreeList::LinkOfRow(CTreeListItem* row)
{
    CScopedLock tree(GetLock());
    if (!row || !IsValidItem(row) || GetItemTypeValue(row) != RowKindLink)
        return nullptr;
    return static_cast<QuickLinkInfo*>(GetItemData(row));
}

CatalogInfo* CQuickLinkTreeList::ListedCatalogOfRow(CTreeListItem* row)
{
    CatalogInfo* catalog = CatalogOfRow(row);
    if (!catalog || catalog->treeItem != row)
        return nullptr;
    auto found = m_catalogs.find(CatalogKey(catalog->name));
    return found != m_catalogs.end() && found->second == catalog ? catalog : nullptr;
}

CString CQuickLinkTreeList::CatalogKey(const CString& name)
{
    CString key = name;
    return key.MakeLower();
}

HWND CQuickLinkTreeList::MainWindow() const
{
    return m_hWnd ? GetAncestor(m_hWnd, GA_ROOT) : nullptr;
}

BOOL CQuickLinkTreeList::ExpandCatalogByName(CString name)
{
    CScopedLock data(m_dataLock);
    auto found = m_catalogs.find(CatalogKey(name.Trim()));
    if (found == m_catalogs.end() || !IsValidItem(found->second->treeItem))
        return FALSE;
    CTreeListItem* row = found->second->treeItem;
    ExpandCollapsedGroup(row);
    PostRequest(RequestEnsureVisible, row, 1);
    return TRUE;
}

void CQuickLinkTreeList::ExpandCollapsedGroup(CTreeListItem* group)
{
    // Expanding an expanded group in single-expand mode would collapse it
    // first and drop its rows from the selection.
    if (group && !IsExpanded(group))
        Expand(group, FALSE, 0);
}
