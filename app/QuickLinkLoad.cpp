// The quick-link list's load: stored groups and links, the first-run links,
// the desktop synchronisation and the order of a group's links.
#include "app/QuickLinkTreeList.h"

#include "app/QuickLinkWorkItems.h"
#include "app/TraceMessage.h"
#include "core/AppDatabase.h"
#include "core/CatalogStore.h"
#include "core/CatalogsCache.h"
#include "framework/CFileFind.h"

#include <shlobj.h>

#include <deque>
#include <set>
#include <unordered_map>
#include <unordered_set>

using SkinControl::CTreeListItem;

namespace
{
const wchar_t kDesktopCatalog[] = L"桌面";

// The links every new data folder starts with; programs only when present.
struct DefaultLink {
    const wchar_t* name;
    int linktype;
    int csidl;             // the shell place, or the folder the path is in
    const wchar_t* inside; // the path under that folder; null for a place
};
const DefaultLink kDefaultLinks[] = {
    {L"计算机", LinkTypeShellPlace, CSIDL_DRIVES, nullptr},
    {L"桌面", LinkTypeShellPlace, CSIDL_DESKTOP, nullptr},
    {L"我的文档", LinkTypeShellPlace, CSIDL_PERSONAL, nullptr},
    {L"命令行", LinkTypeFile, CSIDL_SYSTEM, L"cmd.exe"},
    {L"记事本", LinkTypeFile, CSIDL_SYSTEM, L"notepad.exe"},
    {L"画图", LinkTypeFile, CSIDL_SYSTEM, L"mspaint.exe"},
    {L"计算器", LinkTypeFile, CSIDL_SYSTEM, L"calc.exe"},
    {L"IE浏览器", LinkTypeFile, CSIDL_PROGRAM_FILES, L"Internet Explorer\\iexplore.exe"},
    {L"FireFox浏览器", LinkTypeFile, CSIDL_PROGRAM_FILES, L"Mozilla Firefox\\firefox.exe"},
    {L"搜狗浏览器", LinkTypeFile, CSIDL_PROGRAM_FILES, L"SogouExplorer\\sogouexplorer.exe"},
};

AddLinkRequest LinkToNamedCatalog(const wchar_t* catalog, const CString& path, LinkRecordPtr link)
{
    AddLinkRequest request;
    request.kind = AddLinkRequest::KindLinkToName;
    request.path = path;
    request.catalogName = catalog;
    request.link = std::move(link);
    request.addToDb = 1;
    request.append = 1;
    return request;
}

bool Stopped(const SkinControl::CThreadPool::CWorkItem& work, bool accepting)
{
    return work.IsStopRequested() || !accepting;
}
} // namespace

void CQuickLinkTreeList::LoadCatalogs(int syncDesktopOnly, const CWorkItem& work)
{
    if (syncDesktopOnly) {
        SyncDesktop(work);
        if (!Stopped(work, IsAccepting()))
            ExpandCatalogByName(kDesktopCatalog);
        return;
    }
    // The stored rows are loaded on the first run as well: a first run that
    // was cut short left some, and its defaults must find them.
    bool complete = LoadStoredCatalogs(work);
    if (complete && !GetConfigInt(L"DefaultLinksInit", 0)) {
        complete = CreateDefaultLinks(work);
        SyncDesktop(work);
        complete = complete && !Stopped(work, IsAccepting());
        if (complete)
            SetConfigInt(L"DefaultLinksInit", 1);
    }
    if (!complete)
        return; // the program is closing
    FinishLoad();
    if (!ExpandCatalogByName(GetConfigString(L"DefaultExpandCatalog", kDesktopCatalog)))
        ExpandCatalogByName(kDefaultCatalog);
    PostLayout();
    m_loaded = 1;
    PostMessage(WM_QUICKLINKS_LOADED);
}

bool CQuickLinkTreeList::LoadStoredCatalogs(const CWorkItem& work)
{
    std::vector<CatalogInfo*> stored;
    ::LoadCatalogs(stored);
    std::vector<std::unique_ptr<CatalogInfo>> catalogs(stored.begin(), stored.end());
    for (auto& catalog : catalogs) {
        if (Stopped(work, IsAccepting()))
            return false;
        CScopedLock data(m_dataLock);
        AddStoredCatalog(std::move(catalog), nullptr);
    }
    CScopedLock data(m_dataLock);
    FinishStoredCatalogs();
    return true;
}

void CQuickLinkTreeList::AddStoredCatalog(std::unique_ptr<CatalogInfo> catalog, std::vector<LinkRecordPtr>* read)
{
    const int cid = catalog->cid;
    const CString key = CatalogKey(catalog->name);
    AddLinkRequest group;
    group.kind = AddLinkRequest::KindCatalogRecord;
    group.catalog = std::move(catalog);
    CTreeListItem* row = AddCatalog(group);
    if (!row) {
        if (m_catalogs.count(key))
            m_leftOutCatalogs[cid] = key;
        return;
    }
    std::vector<QuickLinkInfo*> rows;
    if (read) {
        for (LinkRecordPtr& link : *read)
            rows.push_back(link.release());
    } else {
        LoadLinkRows(cid, rows);
    }
    std::vector<LinkRecordPtr> links;
    for (QuickLinkInfo* link : ShownStoredLinks(cid, rows))
        links.emplace_back(link);
    for (auto& link : links) {
        // Only the few shell places ask the shell here, for their names;
        // the other links get their icons from pool threads once shown.
        if (link->linktype == LinkTypeShellPlace)
            FillLinkShellInfo(*link);
        AddLinkRequest request;
        request.kind = AddLinkRequest::KindLinkToRow;
        request.catalogItem = row;
        request.link = std::move(link);
        AddLink(request);
    }
}

void CQuickLinkTreeList::FinishStoredCatalogs()
{
    std::vector<int> leftOut;
    for (const auto& catalog : m_leftOutCatalogs)
        leftOut.push_back(catalog.first);
    SetCatalogsLeftOut(leftOut);
    FlushLinkInfo();
}

bool CQuickLinkTreeList::ReloadFromStore()
{
    // Everything is read before anything of the list goes.
    std::vector<std::unique_ptr<CatalogInfo>> catalogs;
    std::vector<std::vector<LinkRecordPtr>> links;
    {
        CStoreNoWait noWait;
        std::vector<CatalogInfo*> stored;
        const int read = ::LoadCatalogs(stored);
        for (CatalogInfo* catalog : stored)
            catalogs.emplace_back(catalog);
        if (!read)
            return false;
        links.resize(catalogs.size());
        std::set<CString> keys;
        for (size_t i = 0; i < catalogs.size(); ++i) {
            // A group the load leaves out is not read.
            if (!keys.insert(CatalogKey(catalogs[i]->name)).second)
                continue;
            std::vector<QuickLinkInfo*> rows;
            const int linksRead = LoadLinkRows(catalogs[i]->cid, rows);
            for (QuickLinkInfo* link : rows)
                links[i].emplace_back(link);
            if (!linksRead)
                return false;
        }
    }
    DeleteAllItems();
    FreeAllRecords();
    for (size_t i = 0; i < catalogs.size(); ++i)
        AddStoredCatalog(std::move(catalogs[i]), &links[i]);
    FinishStoredCatalogs();
    return true;
}

std::vector<QuickLinkInfo*> CQuickLinkTreeList::ShownStoredLinks(int cid, const std::vector<QuickLinkInfo*>& rows)
{
    // The load changes the store only to repair a broken chain.  A link
    // equal to one shown already, in an earlier group or earlier in this
    // group's chain, is left out but stays in the chain.
    std::vector<QuickLinkInfo*> chain = rows;
    RechainLinks(chain);
    std::vector<QuickLinkInfo*> shown;
    std::unordered_set<std::wstring> seen;
    for (QuickLinkInfo* link : chain) {
        std::wstring key = LinkKey(*link);
        if (m_linkKeys.count(key) || !seen.insert(std::move(key)).second)
            m_leftOutLinks[cid].emplace_back(link);
        else
            shown.push_back(link);
    }
    return shown;
}

QuickLinkInfo* CQuickLinkTreeList::LeftOutSuccessor(int cid, int id)
{
    auto group = m_leftOutLinks.find(cid);
    if (group == m_leftOutLinks.end())
        return nullptr;
    for (const LinkRecordPtr& link : group->second) {
        if (link->preid == id)
            return link.get();
    }
    return nullptr;
}

QuickLinkInfo* CQuickLinkTreeList::ChainSuccessor(CTreeListItem* row, const QuickLinkInfo& link)
{
    if (QuickLinkInfo* leftOut = LeftOutSuccessor(link.cid, link.id))
        return leftOut;
    return LinkOfRow(GetNextSiblingItem(row));
}

std::vector<QuickLinkInfo*> CQuickLinkTreeList::StoredChain(const CatalogInfo& catalog)
{
    std::vector<QuickLinkInfo*> chain = catalog.links;
    auto group = m_leftOutLinks.find(catalog.cid);
    if (group != m_leftOutLinks.end()) {
        for (const LinkRecordPtr& link : group->second)
            chain.push_back(link.get());
    }
    RechainLinks(chain);
    return chain;
}

bool CQuickLinkTreeList::CreateDefaultLinks(const CWorkItem& work)
{
    std::vector<AddLinkRequest> requests;
    CShortcutReader shortcuts;
    for (const DefaultLink& entry : kDefaultLinks) {
        if (Stopped(work, IsAccepting()))
            return false;
        LinkRecordPtr link(new QuickLinkInfo);
        link->name = entry.name;
        link->linktype = entry.linktype;
        if (entry.inside) {
            wchar_t folder[MAX_PATH] = {};
            if (FAILED(SHGetFolderPathW(nullptr, entry.csidl, nullptr, SHGFP_TYPE_CURRENT, folder)))
                continue;
            link->path.Format(L"%s\\%s", folder, entry.inside);
            if (GetFileAttributesW(link->path) == INVALID_FILE_ATTRIBUTES)
                continue;
        } else {
            link->csidl = entry.csidl;
        }
        CString path = link->path;
        requests.push_back(LinkToNamedCatalog(kDefaultCatalog, path, std::move(link)));
        if (!CAddLinkWorkItem::BuildLink(requests.back(), shortcuts))
            requests.pop_back();
    }
    if (Stopped(work, IsAccepting()))
        return false;
    AddBuiltLinks(requests);
    return true;
}

int CQuickLinkTreeList::SyncDesktop(const CWorkItem& work)
{
    std::vector<AddLinkRequest> requests;
    CShortcutReader shortcuts;
    int result = 1;
    for (int csidl : {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY}) {
        wchar_t folder[MAX_PATH] = {};
        if (!SHGetSpecialFolderPathW(nullptr, folder, csidl, FALSE)) {
            result = 0;
            break;
        }
        CString pattern;
        pattern.Format(L"%s\\*.*", folder);
        CFileFind finder;
        BOOL more = finder.FindFile(pattern);
        while (more) {
            more = finder.FindNextFile();
            if (finder.IsDots() || finder.IsHidden() || finder.IsSystem())
                continue;
            if (Stopped(work, IsAccepting()))
                return 0;
            requests.push_back(
                LinkToNamedCatalog(kDesktopCatalog, finder.GetFilePath(), LinkRecordPtr(new QuickLinkInfo)));
            if (!CAddLinkWorkItem::BuildLink(requests.back(), shortcuts))
                requests.pop_back();
        }
    }
    if (Stopped(work, IsAccepting()))
        return 0;
    AddBuiltLinks(requests);
    return result;
}

void CQuickLinkTreeList::RechainLinks(std::vector<QuickLinkInfo*>& links)
{
    if (!FollowChain(links))
        ChainInOrder(links);
}

bool CQuickLinkTreeList::FollowChain(std::vector<QuickLinkInfo*>& links)
{
    // Each record is taken once, so a broken or cyclic chain ends the walk
    // after at most n steps.
    std::unordered_map<int, std::deque<QuickLinkInfo*>> byPreId;
    for (QuickLinkInfo* link : links)
        byPreId[link->preid].push_back(link);
    std::vector<QuickLinkInfo*> chained;
    chained.reserve(links.size());
    int last = 0;
    while (chained.size() < links.size()) {
        auto found = byPreId.find(last);
        if (found == byPreId.end() || found->second.empty())
            return false;
        QuickLinkInfo* next = found->second.front();
        found->second.pop_front();
        chained.push_back(next);
        last = next->id;
    }
    links = chained;
    return true;
}

void CQuickLinkTreeList::ChainInOrder(const std::vector<QuickLinkInfo*>& links)
{
    int preid = 0;
    for (QuickLinkInfo* link : links) {
        if (link->preid != preid) {
            link->preid = preid;
            SetLinkPreId(*link);
        }
        preid = link->id;
    }
}
