// The quick-link list's context menu and the commands behind it: new
// groups, deleting groups and links, cleaning dead links.
#include "app/QuickLinkTreeList.h"

#include "app/PopupMenu.h"
#include "app/QuickLinkWorkItems.h"
#include "app/WindowPlacement.h"
#include "core/AppDatabase.h"
#include "core/CatalogStore.h"
#include "core/WinUtils.h"
#include "skin/CSkinMessageBox.h"
#include "skin/menu/CNewMenu.h"

#include <algorithm>
#include <map>
#include <unordered_map>

using SkinControl::CTreeListItem;
using SkinControl::NewMenu::CNewMenu;

namespace
{
const wchar_t kDeleteCatalogQuestion[] = L"这个分组里还有内容，你确定要全部删除？";

// Only programs and scripts can be started as administrator.
bool CanRunAsAdministrator(const CString& path)
{
    CString extension = path.Mid(path.ReverseFind(L'.') + 1);
    extension.MakeLower();
    return path.ReverseFind(L'.') >= 0 && (extension == L"exe" || extension == L"bat");
}
} // namespace

void CQuickLinkTreeList::OnRButtonDown(UINT flags, CPoint point)
{
    ShowContextMenu(flags, point);
}

void CQuickLinkTreeList::ShowContextMenu(UINT flags, CPoint point)
{
    CTreeListCtrl::OnRButtonDown(flags, point);
    std::vector<MenuEntry> entries = {
        {CommandRestoreWindow, L"恢复默认窗口(&F)"},
        {0, nullptr},
        {CommandAddCatalog, L"添加分组(&T)"},
        {CommandSyncDesktop, L"同步桌面数据(&S)"},
    };
    // The rows are named by their records: while the menu is up a row may
    // go and a new one take its address.
    std::vector<RowRef> selection;
    RowRef clicked;
    {
        CScopedLock data(m_dataLock);
        for (UINT i = 0; CTreeListItem* row = GetSelectedItem(i); ++i)
            selection.push_back(RefOfRow(row));
        CTreeListItem* row = HitTest(point);
        clicked = RefOfRow(row);
        if (clicked.kind == RowKindGroup && clicked.id) {
            entries.insert(entries.end(), {{0, nullptr},
                                           {CommandCleanDeadLinks, L"清理失效的连接(&C)"},
                                           {CommandDefaultExpand, L"设为默认展开(&Z)"},
                                           {CommandRename, L"重命名(&M)"},
                                           {CommandDelete, L"删除分组(&D)"}});
        } else if (clicked.kind == RowKindLink && clicked.id) {
            const QuickLinkInfo* link = LinkOfRow(row);
            const bool single = selection.size() == 1;
            entries.push_back({0, nullptr});
            // Written without its opening parenthesis, as the menu has it.
            if (single && IsVistaOrLater() && CanRunAsAdministrator(link->path))
                entries.push_back({CommandRunAsAdministrator, L"以管理员身份运行&A)"});
            if (single) {
                entries.push_back({CommandOpenLocation, L"打开文件位置(&L)"});
                entries.push_back({CommandRename, L"重命名(&M)"});
            }
            entries.push_back({CommandDelete, L"删除(&D)"});
        }
    }
    CPoint cursor;
    ::GetCursorPos(&cursor);
    const UINT command = TrackPopupMenuEntries(this, entries, cursor);
    RunCommand(command, clicked, selection);
}

void CQuickLinkTreeList::RunCommand(UINT command, const RowRef& clickedRef, const std::vector<RowRef>& selection)
{
    if (command == CommandDelete) {
        DeleteRows(selection);
        return;
    }
    CTreeListItem* clicked = nullptr;
    {
        CScopedLock data(m_dataLock);
        clicked = RowOfRef(clickedRef);
    }
    switch (command) {
    case CommandAddCatalog:
        AddNewCatalog();
        break;
    case CommandRename:
        BeginRename(clicked);
        break;
    case CommandOpenLocation:
        PostOpenLinkLocation(clicked);
        break;
    case CommandRestoreWindow:
        if (HWND main = MainWindow()) {
            RECT rect;
            GetDefaultWindowRect(rect);
            ::MoveWindow(main, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
            ::RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        }
        break;
    case CommandCleanDeadLinks:
        CleanDeadLinks(clicked);
        break;
    case CommandRunAsAdministrator:
        PostLaunchLink(clicked, 1);
        break;
    case CommandSyncDesktop:
        PostSyncDesktop();
        break;
    case CommandDefaultExpand: {
        CString name;
        {
            CScopedLock data(m_dataLock);
            if (const CatalogInfo* catalog = CatalogOfRow(clicked))
                name = catalog->name;
        }
        if (!name.IsEmpty())
            SetConfigString(L"DefaultExpandCatalog", name);
        break;
    }
    }
}

BOOL CQuickLinkTreeList::OnMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (message) {
    case WM_MEASUREITEM: {
        const MSG msg = {m_hWnd, message, wParam, lParam, 0, {}};
        if (!CNewMenu::RouteMeasureItem(msg))
            return FALSE;
        *result = TRUE;
        return TRUE;
    }
    case WM_MENUCHAR:
        return AnswerMenuChar(wParam, lParam, *result);
    case WM_INITMENUPOPUP:
        *result = Default();
        CNewMenu::OnPopupOpening(reinterpret_cast<HMENU>(wParam), m_hWnd);
        return TRUE;
    }
    return FALSE;
}

// --- Deleting.

CQuickLinkTreeList::RowRef CQuickLinkTreeList::RefOfRow(CTreeListItem* row)
{
    if (const CatalogInfo* catalog = CatalogOfRow(row))
        return {RowKindGroup, catalog->cid};
    if (const QuickLinkInfo* link = LinkOfRow(row))
        return {RowKindLink, link->id};
    return {};
}

CTreeListItem* CQuickLinkTreeList::RowOfRef(const RowRef& ref)
{
    for (CatalogInfo* catalog : m_catalogOrder) {
        if (ref.kind == RowKindGroup) {
            if (catalog->cid == ref.id)
                return catalog->treeItem;
            continue;
        }
        for (QuickLinkInfo* link : catalog->links) {
            if (link->id == ref.id)
                return link->treeItem;
        }
    }
    return nullptr;
}

void CQuickLinkTreeList::DeleteSelectedItems(const std::vector<CTreeListItem*>& rows)
{
    std::vector<RowRef> refs;
    {
        CScopedLock data(m_dataLock);
        for (CTreeListItem* row : rows)
            refs.push_back(RefOfRow(row));
    }
    DeleteRows(refs);
}

CQuickLinkTreeList::CatalogConsent CQuickLinkTreeList::AskToDeleteCatalog(int cid)
{
    {
        CScopedLock data(m_dataLock);
        const CatalogInfo* catalog = CatalogOfRow(RowOfRef({RowKindGroup, cid}));
        if (!catalog)
            return CatalogConsent::Declined; // gone already
        if (catalog->links.empty())
            return CatalogConsent::Empty;
    }
    // Asked without the data lock, which the workers need while the box is up.
    return SkinControl::SkinMessageBox(kDeleteCatalogQuestion, MB_YESNO | MB_ICONQUESTION) == IDYES
               ? CatalogConsent::Confirmed
               : CatalogConsent::Declined;
}

void CQuickLinkTreeList::DeleteRows(const std::vector<RowRef>& rows)
{
    // Every question is answered before anything goes, and a group the user
    // keeps keeps all its links, the selected ones too.
    std::map<int, CatalogConsent> groups;
    for (const RowRef& row : rows) {
        if (row.kind == RowKindGroup && row.id && !groups.count(row.id))
            groups[row.id] = AskToDeleteCatalog(row.id);
    }
    CScopedLock data(m_dataLock);
    {
        CStoreChangeScope change(this);
        std::unordered_map<int, QuickLinkInfo*> links;
        for (CatalogInfo* catalog : m_catalogOrder) {
            for (QuickLinkInfo* link : catalog->links)
                links[link->id] = link;
        }
        for (const RowRef& row : rows) {
            auto found = row.kind == RowKindLink ? links.find(row.id) : links.end();
            if (found == links.end())
                continue;
            auto group = groups.find(found->second->cid);
            if (group == groups.end() || group->second != CatalogConsent::Declined)
                DeleteLink(found->second->treeItem, FALSE);
            links.erase(found);
        }
        for (const auto& group : groups) {
            CatalogInfo* catalog = CatalogOfRow(RowOfRef({RowKindGroup, group.first}));
            // A group let go while it was empty stays once it has links.
            if (catalog && (group.second == CatalogConsent::Confirmed ||
                            (group.second == CatalogConsent::Empty && catalog->links.empty())))
                RemoveCatalog(catalog);
        }
    }
    PostLayout();
}

void CQuickLinkTreeList::DeleteLink(CTreeListItem* row, BOOL layout)
{
    CScopedLock data(m_dataLock);
    QuickLinkInfo* link = LinkOfRow(row);
    CatalogInfo* catalog = CatalogOfRow(GetParentItem(row));
    if (!link || !catalog)
        return;
    if (row == m_renameRow)
        EndRename();
    CStoreChangeScope change(this);
    if (QuickLinkInfo* next = ChainSuccessor(row, *link)) {
        KeepPreid(*next);
        next->preid = link->preid;
    }
    // The store points the successor's stored row past this one itself.
    ::DeleteLink(*link);
    RemoveLinkRow(link);
    if (layout)
        PostLayout();
}

int CQuickLinkTreeList::DeleteCatalog(CTreeListItem* row)
{
    RowRef group;
    {
        CScopedLock data(m_dataLock);
        group = RefOfRow(row);
    }
    if (group.kind != RowKindGroup || !group.id)
        return 0;
    DeleteRows({group});
    CScopedLock data(m_dataLock);
    return RowOfRef(group) ? 0 : 1;
}

void CQuickLinkTreeList::RemoveCatalog(CatalogInfo* catalog)
{
    CTreeListItem* row = catalog->treeItem;
    std::vector<CTreeListItem*> children;
    for (CTreeListItem* child = GetChildItem(row); child; child = GetNextSiblingItem(child))
        children.push_back(child);
    CStoreChangeScope change(this);
    for (CTreeListItem* child : children)
        DeleteLink(child, FALSE);
    // The left-out links go with their group, not to another.
    auto leftOut = m_leftOutLinks.find(catalog->cid);
    if (leftOut != m_leftOutLinks.end()) {
        for (const LinkRecordPtr& link : leftOut->second)
            ::DeleteLink(*link);
        m_change->removedLeftOut[catalog->cid] = std::move(leftOut->second);
        m_leftOutLinks.erase(leftOut);
    }
    ::DeleteCatalog(*catalog);
    if (row == m_renameRow)
        EndRename();
    if (row == m_searchCatalog)
        m_searchCatalog = nullptr;
    CScopedLock tree(GetLock());
    // The group goes before the change ends.
    m_change->catalogs.erase(catalog);
    m_catalogs.erase(CatalogKey(catalog->name));
    m_catalogOrder.erase(std::remove(m_catalogOrder.begin(), m_catalogOrder.end(), catalog),
                         m_catalogOrder.end());
    DeleteItem(row);
    m_change->removedCatalogs.emplace_back(catalog);
}

void CQuickLinkTreeList::CleanDeadLinks(CTreeListItem* group)
{
    // The targets are looked at without the lock: a network path may take
    // its time. Each row is checked again before it goes.
    std::vector<std::pair<CTreeListItem*, CString>> candidates;
    {
        CScopedLock data(m_dataLock);
        CScopedLock tree(GetLock());
        if (!CatalogOfRow(group))
            return;
        for (CTreeListItem* row = GetChildItem(group); row; row = GetNextSiblingItem(row)) {
            const QuickLinkInfo* link = LinkOfRow(row);
            if (link && link->linktype != LinkTypeShellPlace)
                candidates.emplace_back(row, link->path);
        }
    }
    std::vector<std::pair<CTreeListItem*, CString>> dead;
    for (const auto& candidate : candidates) {
        if (GetFileAttributesW(candidate.second) == INVALID_FILE_ATTRIBUTES)
            dead.push_back(candidate);
    }
    // The store's transaction lock comes after the data lock, as everywhere.
    CScopedLock data(m_dataLock);
    {
        CStoreChangeScope change(this);
        for (const auto& candidate : dead) {
            const QuickLinkInfo* link = LinkOfRow(candidate.first);
            if (link && link->path == candidate.second && GetParentItem(candidate.first) == group)
                DeleteLink(candidate.first, FALSE);
        }
    }
    PostLayout();
}

// --- New groups.

CString CQuickLinkTreeList::MakeNewCatalogName()
{
    CScopedLock data(m_dataLock);
    CString name;
    for (int n = 1;; ++n) {
        name.Format(L"新分组%d", n);
        if (!IsCatalogNameTaken(CatalogKey(name)))
            return name;
    }
}

void CQuickLinkTreeList::AddNewCatalog()
{
    AddLinkRequest request;
    request.kind = AddLinkRequest::KindCatalogName;
    request.catalogName = MakeNewCatalogName();
    request.refresh = 1;
    request.addToDb = 1;
    request.append = 1;
    CTreeListItem* row = AddCatalog(request);
    if (!row)
        return;
    Expand(row, TRUE, 0);
    EnsureVisible(row);
    SelectItem(row, TRUE, TRUE, TRUE);
    BeginRename(row);
}
