// Searching the quick-link list: the filter behind the search bar, the
// type-ahead by pinyin, and renaming groups and links in place.
#include "app/QuickLinkTreeList.h"

#include "core/CatalogStore.h"
#include "core/Pinyin.h"

using SkinControl::CTreeListItem;

namespace
{
bool IsTypeAheadChar(UINT ch)
{
    return (ch >= L'0' && ch <= L'9') || (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z');
}
} // namespace

// --- Filter.

const CString& CQuickLinkTreeList::SearchName(QuickLinkInfo& link)
{
    // Names change only under the data lock, which resets the cache.
    if (link.searchName.IsEmpty() && !link.name.IsEmpty())
        link.searchName = CatalogKey(link.name);
    return link.searchName;
}

void CQuickLinkTreeList::FilterItems(const CString& text)
{
    const CString wanted = CatalogKey(text);
    const bool all = wanted.IsEmpty();
    {
        CScopedLock data(m_dataLock);
        CScopedLock tree(GetLock());
        m_searchText = text;
        SetSingleExpand(all);
        // The records know their rows, in the tree's order: no row needs
        // to be looked up.
        for (CatalogInfo* catalog : m_catalogOrder) {
            CTreeListItem* group = catalog->treeItem;
            // The group that was open when the search began opens again
            // when it ends.
            if (!all && !m_searching && !m_searchCatalog && IsExpanded(group))
                m_searchCatalog = group;
            // A search opens every group; its end closes them again (one by
            // one in single-expand mode, the last would stay open).
            if (!all)
                Expand(group, FALSE, 0);
            else if (m_searching)
                Collapse(group, FALSE, 0, 0);
            bool matched = false;
            for (QuickLinkInfo* link : catalog->links) {
                const bool match =
                    all || SearchName(*link).Find(wanted) >= 0 || link->namepinyin.Find(wanted) >= 0;
                SetItemVisible(link->treeItem, match);
                matched = matched || match;
            }
            // An empty search shows every group again, empty ones too.
            SetItemVisible(group, matched || all);
        }
        if (all && m_searchCatalog) {
            if (IsValidItem(m_searchCatalog))
                Expand(m_searchCatalog, FALSE, 0);
            m_searchCatalog = nullptr;
        }
        m_searching = !all;
    }
    PostLayout();
}

// --- Type-ahead.

void CQuickLinkTreeList::OnChar(UINT ch, UINT repeat, UINT flags)
{
    if (IsTypeAheadChar(ch)) {
        KillTimer(kTypeAheadTimer);
        KillTimer(kTypeAheadResetTimer);
        m_typeAhead += static_cast<wchar_t>(ch);
        SetTimer(kTypeAheadTimer, kTypeAheadDelayMs);
        SetTimer(kTypeAheadResetTimer, kTypeAheadResetMs);
    }
    CTreeListCtrl::OnChar(ch, repeat, flags);
}

void CQuickLinkTreeList::OnTypeAheadTimer(UINT_PTR id)
{
    KillTimer(id);
    if (id == kTypeAheadResetTimer)
        m_typeAhead.Empty();
    else if (!m_typeAhead.IsEmpty())
        SelectByTypeAhead(m_typeAhead);
}

void CQuickLinkTreeList::SelectByTypeAhead(const CString& text)
{
    CString wanted = text;
    wanted = CatalogKey(wanted.Trim());
    CTreeListItem* found = nullptr;
    {
        CScopedLock data(m_dataLock);
        CScopedLock tree(GetLock());
        for (CTreeListItem* group = GetChildItem(GetRootItem()); group; group = GetNextSiblingItem(group)) {
            if (!CatalogOfRow(group) || !IsExpanded(group))
                continue;
            // Only the first expanded group is searched, found or not.
            for (CTreeListItem* row = GetChildItem(group); row && !found; row = GetNextSiblingItem(row)) {
                const QuickLinkInfo* link = LinkOfRow(row);
                if (link && row->shown && link->namepinyin.Find(wanted) == 0)
                    found = row;
            }
            break;
        }
        if (!found)
            return;
        SelectItem(found, TRUE, TRUE, FALSE);
    }
    EnsureVisible(found);
    Invalidate(FALSE);
}

// --- Rename.

void CQuickLinkTreeList::BeginRename(CTreeListItem* row)
{
    CString text;
    CRect label;
    {
        CScopedLock data(m_dataLock);
        if (!CatalogOfRow(row) && !LinkOfRow(row))
            return;
    }
    // The label's place is known once the row was painted where it is now.
    EnsureVisible(row);
    Invalidate(FALSE);
    UpdateWindow();
    {
        CScopedLock data(m_dataLock);
        CScopedLock tree(GetLock());
        if (!IsValidItem(row))
            return;
        label = GetItemRowRect(row);
        text = GetItemText(row);
        m_renameRow = row;
    }
    m_renameEdit.BeginEdit(text, CRect(label.left, label.top - 2,
                                       label.right + CQuickLinkReNameEdit::kTextMargin, label.bottom + 2));
}

void CQuickLinkTreeList::EndRename()
{
    m_renameRow = nullptr;
    m_renameEdit.EndEdit();
}

int CQuickLinkTreeList::CommitRename(const CString& text)
{
    CTreeListItem* row = m_renameRow;
    int result = 1;
    {
        CScopedLock data(m_dataLock);
        if (CatalogOfRow(row))
            result = CommitCatalogName(row, text);
        else if (LinkOfRow(row))
            result = CommitLinkName(row, text);
    }
    if (result)
        m_renameRow = nullptr;
    return result;
}

int CQuickLinkTreeList::CommitCatalogName(CTreeListItem* row, const CString& text)
{
    if (text.IsEmpty())
        return 0;
    CScopedLock data(m_dataLock);
    CatalogInfo* catalog = ListedCatalogOfRow(row);
    const CString key = CatalogKey(text);
    if (!catalog || key == CatalogKey(GetItemText(row)))
        return 1;
    // Another stored group's name (in any case), shown or left out, would
    // leave one of the two unreachable by name: refused, the editor stays
    // open.
    if (IsCatalogNameTaken(key))
        return 0;
    // The store first: a name it refused is not shown.
    if (!::RenameCatalog(text, *catalog)) {
        ReportNotStored();
        return 1;
    }
    m_catalogs.erase(CatalogKey(catalog->name));
    {
        CScopedLock tree(GetLock());
        catalog->name = text;
        SetItemText(row, text);
    }
    m_catalogs[key] = catalog;
    return 1;
}

int CQuickLinkTreeList::CommitLinkName(CTreeListItem* row, const CString& text)
{
    if (text.IsEmpty())
        return 0;
    CScopedLock data(m_dataLock);
    QuickLinkInfo* link = LinkOfRow(row);
    if (!link || CatalogKey(text) == CatalogKey(GetItemText(row)))
        return 1;
    // The store first: a name it refused is not shown.
    QuickLinkInfo renamed;
    renamed.id = link->id;
    renamed.name = text;
    renamed.namepinyin = ConvertToPinyin(text).MakeLower();
    if (!::RenameLink(renamed)) {
        ReportNotStored();
        return 1;
    }
    {
        CScopedLock tree(GetLock());
        link->name = renamed.name;
        link->searchName.Empty();
        link->namepinyin = renamed.namepinyin;
        SetItemText(row, text);
    }
    return 1;
}
