// The quick-link list's context menu and the commands behind it: new
// groups, deleting groups and links, cleaning dead links.
#include "app/QuickLinkTreeList.h"

#include "app/PopupMenu.h"
#include "app/WindowPlacement.h"
#include "core/AppDatabase.h"
#include "core/CatalogStore.h"
#include "core/StoreTransaction.h"
#include "core/WinUtils.h"
#include "skin/CSkinMessageBox.h"
#include "skin/menu/CNewMenu.h"

#include <algorithm>

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
    std::vector<CTreeListItem*> selection;
    for (UINT i = 0; CTreeListItem* row = GetSelectedItem(i); ++i)
        selection.push_back(row);

    std::vector<MenuEntry> entries = {
        {CommandRestoreWindow, L"恢复默认窗口(&F)"},
        {0, nullptr},
        {CommandAddCatalog, L"添加分组(&T)"},
        {CommandSyncDesktop, L"同步桌面数据(&S)"},
    };
    CTreeListItem* clicked = HitTest(point);
    {
        CScopedLock data(m_dataLock);
        if (CatalogOfRow(clicked)) {
            entries.insert(entries.end(), {{0, nullptr},
                                           {CommandCleanDeadLinks, L"清理失效的连接(&C)"},
                                           {CommandDefaultExpand, L"设为默认展开(&Z)"},
                                           {CommandRename, L"重命名(&M)"},
                                           {CommandDelete, L"删除分组(&D)"}});
        } else if (const QuickLinkInfo* link = LinkOfRow(clicked)) {
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
        } else {
            clicked = nullptr;
        }
    }
    CPoint cursor;
    ::GetCursorPos(&cursor);
    const UINT command = TrackPopupMenuEntries(this, entries, cursor);
    RunCommand(command, clicked, selection);
}

void CQuickLinkTreeList::RunCommand(UINT command, CTreeListItem* clicked,
                                    const std::vector<CTreeListItem*>& selection)
{
    switch (command) {
    case CommandAddCatalog:
        AddNewCatalog();
        break;
    case CommandDelete:
        DeleteSelectedItems(selection);
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

void CQuickLinkTreeList::DeleteSelectedItems(const std::vector<CTreeListItem*>& rows)
{
    for (CTreeListItem* row : rows) {
        bool isLink;
        {
            CScopedLock data(m_dataLock);
            // A link of a group deleted before is gone already.
            isLink = LinkOfRow(row) != nullptr;
            if (!isLink && !CatalogOfRow(row))
                continue;
        }
        if (isLink)
            DeleteLink(row, TRUE);
        else
            DeleteCatalog(row);
    }
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
    {
        CScopedLock tree(GetLock());
        auto& links = catalog->links;
        auto at = std::find(links.begin(), links.end(), link);
        if (at != links.end() && at + 1 != links.end())
            (*(at + 1))->preid = link->preid;
    }
    // The store points the successor's stored row past this one itself.
    ::DeleteLink(*link);
    RemoveLinkRow(link);
    if (layout)
        PostLayout();
}

int CQuickLinkTreeList::DeleteCatalog(CTreeListItem* row)
{
    // The question is asked without the data lock, which the workers need
    // while the box is up; the row is checked again after the answer.
    bool confirmed = false;
    for (;;) {
        {
            CScopedLock data(m_dataLock);
            CatalogInfo* catalog = ListedCatalogOfRow(row);
            if (!catalog)
                return 0;
            if (confirmed || catalog->links.empty()) {
                RemoveCatalog(catalog);
                PostLayout();
                return 1;
            }
        }
        if (SkinControl::SkinMessageBox(kDeleteCatalogQuestion, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return 0;
        confirmed = true;
    }
}

void CQuickLinkTreeList::RemoveCatalog(CatalogInfo* catalog)
{
    CTreeListItem* row = catalog->treeItem;
    {
        std::vector<CTreeListItem*> children;
        for (CTreeListItem* child = GetChildItem(row); child; child = GetNextSiblingItem(child))
            children.push_back(child);
        CStoreTransaction transaction;
        for (CTreeListItem* child : children)
            DeleteLink(child, FALSE);
        ::DeleteCatalog(*catalog);
    }
    if (row == m_renameRow)
        EndRename();
    if (row == m_searchCatalog)
        m_searchCatalog = nullptr;
    CScopedLock tree(GetLock());
    m_catalogs.erase(CatalogKey(catalog->name));
    m_catalogOrder.erase(std::remove(m_catalogOrder.begin(), m_catalogOrder.end(), catalog),
                         m_catalogOrder.end());
    DeleteItem(row);
    delete catalog;
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
    CStoreTransaction transaction;
    for (const auto& candidate : dead) {
        const QuickLinkInfo* link = LinkOfRow(candidate.first);
        if (link && link->path == candidate.second && GetParentItem(candidate.first) == group)
            DeleteLink(candidate.first, FALSE);
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
        if (!m_catalogs.count(CatalogKey(name)))
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
