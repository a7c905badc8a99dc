// Adding links and groups to the quick-link list: building a link record
// from a path, the duplicate test, finding or making the group, the store
// and the tree, and telling the window.
#include "app/QuickLinkTreeList.h"

#include "app/MainFrame.h"
#include "app/QuickLinkWorkItems.h"
#include "app/TraceMessage.h"
#include "core/CatalogStore.h"
#include "core/Pinyin.h"
#include "core/StoreTransaction.h"
#include "core/WinUtils.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cwchar>

using SkinControl::CTreeListItem;

// The adds made while one thread holds the data lock: they share one store
// transaction, and select, show and lay out once at the end.
struct CQuickLinkTreeList::AddBatch {
    CStoreTransaction transaction;
    CTreeListItem* select = nullptr; // also brings the main window forward
    bool layout = false;
    // Undone when the transaction fails to commit: the rows added, and each
    // preid the batch changed with its value before (put back last first).
    std::vector<QuickLinkInfo*> links;
    std::vector<CatalogInfo*> catalogs;
    std::vector<std::pair<QuickLinkInfo*, int>> preids;
};

// Opens a batch unless the thread is inside one already.  The data lock is
// held for the scope's whole life.
class CQuickLinkTreeList::CAddBatchScope
    : public COutermostScope<AddBatch, &CQuickLinkTreeList::m_batch, &CQuickLinkTreeList::EndBatch>
{
public:
    using COutermostScope::COutermostScope;
};

namespace
{
// The file-name part of a path.
CString FileNameOf(const CString& path)
{
    return path.Mid(path.ReverseFind(L'\\') + 1);
}

// A drive or share root ("C:\", "\\server\share\") has no file-name
// part: it goes by the shell's name for it, else by its path.
CString RootLinkName(const CString& path)
{
    SHFILEINFOW info = {};
    if (ShellFileInfo(path, FILE_ATTRIBUTE_NORMAL, info, SHGFI_DISPLAYNAME) &&
        info.szDisplayName[0])
        return info.szDisplayName;
    return path;
}

// The file-name part without its extension (everything before the last ".").
CString FileTitleOf(const CString& path)
{
    CString name = FileNameOf(path);
    int dot = name.ReverseFind(L'.');
    return dot >= 0 ? name.Left(dot) : name;
}

// A text of the shell link, read with ever larger buffers until it fits:
// targets beyond MAX_PATH are read whole.
template <typename Read> CString ReadWhole(Read read)
{
    CString text;
    for (int size = MAX_PATH; size <= 66560; size *= 4) {
        std::vector<wchar_t> buffer(size, L'\0');
        if (SUCCEEDED(read(buffer.data(), size - 1))) {
            buffer[size - 1] = L'\0';
            text = buffer.data();
            if (text.GetLength() < size - 2)
                break;
        }
    }
    return text;
}

// A shortcut made on a 64-bit system for a 32-bit program may name the
// 32-bit program-files folder where only the plain one exists.
void RepairProgramFilesX86(CString& path)
{
    static const wchar_t kX86[] = L"program files (x86)";
    CString lower = path;
    int at = lower.MakeLower().Find(kX86);
    if (at >= 0)
        path = path.Left(at) + L"Program Files" + path.Mid(at + static_cast<int>(wcslen(kX86)));
}

// Folders, files and shortcuts: the link types that start a path.
bool IsPathLinkType(int type)
{
    return type >= LinkTypeDirectory && type <= LinkTypeShortcut;
}
} // namespace

CQuickLinkTreeList::CShortcutReader::CShortcutReader()
{
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_ALL, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&m_link))))
        m_link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&m_file));
}

CQuickLinkTreeList::CShortcutReader::~CShortcutReader()
{
    if (m_file)
        m_file->Release();
    if (m_link)
        m_link->Release();
}

BOOL CQuickLinkTreeList::CShortcutReader::Read(const wchar_t* path, QuickLinkInfo& link)
{
    if (!path || !*path || !m_file || FAILED(m_file->Load(path, STGM_READ)))
        return FALSE;
    IShellLinkW* shell = m_link;
    link.path = ReadWhole(
        [&](wchar_t* text, int size) { return shell->GetPath(text, size, nullptr, SLGP_UNCPRIORITY); });
    if (GetFileAttributesW(link.path) == INVALID_FILE_ATTRIBUTES)
        RepairProgramFilesX86(link.path);
    link.args = ReadWhole([&](wchar_t* text, int size) { return shell->GetArguments(text, size); });
    link.workdir = ReadWhole([&](wchar_t* text, int size) { return shell->GetWorkingDirectory(text, size); });
    link.desc = ReadWhole([&](wchar_t* text, int size) { return shell->GetDescription(text, size); });
    link.linktype = LinkTypeShortcut;
    return TRUE;
}

BOOL CQuickLinkTreeList::ResolveShortcut(const wchar_t* path, QuickLinkInfo& link)
{
    return CShortcutReader().Read(path, link);
}

bool CQuickLinkTreeList::CAddLinkWorkItem::BuildLink(AddLinkRequest& request, CShortcutReader& shortcuts)
{
    QuickLinkInfo* link = request.link.get();
    if (!link)
        return false;
    if (link->linktype == LinkTypeShellPlace) {
        if (!FillLinkShellInfo(*link))
            request.link.reset();
        return request.link != nullptr;
    }
    CString name = link->name;
    if (shortcuts.Read(request.path, *link))
        name = FileTitleOf(request.path);
    else
        link->path = request.path;
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExW(link->path, GetFileExInfoStandard, &attributes)) {
        request.link.reset();
        return false;
    }
    if (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        link->linktype = LinkTypeDirectory;
    else if (link->linktype == 0)
        link->linktype = LinkTypeFile;
    link->name = name.IsEmpty() ? FileNameOf(link->path) : name;
    if (link->name.IsEmpty())
        link->name = RootLinkName(link->path);
    // The shell's icon and names come from a pool thread once it is shown.
    return true;
}

void CQuickLinkTreeList::CAddLinkWorkItem::Run()
{
    CComApartmentScope apartment;
    std::vector<AddLinkRequest> built;
    built.reserve(m_requests.size());
    CShortcutReader shortcuts;
    for (AddLinkRequest& request : m_requests) {
        if (IsStopRequested())
            return;
        if (BuildLink(request, shortcuts))
            built.push_back(std::move(request));
    }
    // The shell may have taken its time: the program may be closing.
    if (IsStopRequested())
        return;
    m_list->AddBuiltLinks(built);
}

void CQuickLinkTreeList::AddBuiltLinks(std::vector<AddLinkRequest>& requests)
{
    CScopedLock data(m_dataLock);
    CAddBatchScope batch(this);
    for (AddLinkRequest& request : requests)
        AddLink(request);
}

void CQuickLinkTreeList::EndBatch()
{
    AddBatch& batch = *m_batch;
    m_batch = nullptr;
    if (!batch.transaction.Commit()) {
        TraceMessage(L"Quorventile. Storing %d links failed\n", static_cast<int>(batch.links.size()));
        UndoBatch(batch);
        ReportNotStored();
        return;
    }
    FlushLinkInfo();
    if (batch.select)
        NotifyAdded(batch.select);
    else if (batch.layout)
        RequestLayout();
}

void CQuickLinkTreeList::UndoBatch(AddBatch& batch)
{
    // The store rolled back; memory follows it.
    for (auto it = batch.preids.rbegin(); it != batch.preids.rend(); ++it)
        it->first->preid = it->second;
    for (auto it = batch.links.rbegin(); it != batch.links.rend(); ++it)
        RemoveLinkRow(*it);
    CScopedLock tree(GetLock());
    for (CatalogInfo* catalog : batch.catalogs) {
        m_catalogs.erase(CatalogKey(catalog->name));
        m_catalogOrder.erase(std::find(m_catalogOrder.begin(), m_catalogOrder.end(), catalog));
        DeleteItem(catalog->treeItem);
        delete catalog;
    }
    PostLayout();
}

void CQuickLinkTreeList::KeepPreid(QuickLinkInfo& link)
{
    if (m_batch)
        m_batch->preids.emplace_back(&link, link.preid);
    if (m_change)
        m_change->preids.emplace(&link, link.preid);
}

void CQuickLinkTreeList::RepointLink(QuickLinkInfo& link, int preid)
{
    KeepPreid(link);
    if (m_change) {
        // Stored once the change ends, when it changed.
        m_change->storedPreids.emplace(&link, link.preid);
        link.preid = preid;
        return;
    }
    link.preid = preid;
    SetLinkPreId(link);
}

void CQuickLinkTreeList::RemoveLinkRow(QuickLinkInfo* link)
{
    CScopedLock tree(GetLock());
    CatalogInfo* catalog = CatalogOfRow(GetParentItem(link->treeItem));
    m_linkKeys.erase(LinkKey(*link));
    DeleteItem(link->treeItem);
    if (m_change) {
        if (catalog)
            m_change->catalogs.insert(catalog);
        m_change->links.insert(link);
        return;
    }
    if (catalog) {
        auto& links = catalog->links;
        links.erase(std::remove(links.begin(), links.end(), link), links.end());
    }
    FreeLinkRecord(link);
}

// --- Link equality.

bool CQuickLinkTreeList::IsSameLink(const QuickLinkInfo& existing, const QuickLinkInfo& added)
{
    if (existing.linktype == LinkTypeShellPlace && added.linktype == LinkTypeShellPlace)
        return existing.csidl == added.csidl;
    return IsPathLinkType(existing.linktype) == IsPathLinkType(added.linktype) &&
           existing.path == added.path && existing.args == added.args && existing.workdir == added.workdir;
}

// Equal keys for links that IsSameLink calls equal (for link types 1 to 4).
std::wstring CQuickLinkTreeList::LinkKey(const QuickLinkInfo& link)
{
    if (link.linktype == LinkTypeShellPlace)
        return L"P" + std::to_wstring(link.csidl);
    std::wstring key = IsPathLinkType(link.linktype) ? L"F" : L"O";
    for (const CString* part : {&link.path, &link.args, &link.workdir}) {
        key += part->str();
        key += L'\0';
    }
    return key;
}

CTreeListItem* CQuickLinkTreeList::FindDuplicateLink(const QuickLinkInfo& link)
{
    CScopedLock data(m_dataLock);
    auto found = m_linkKeys.find(LinkKey(link));
    return found == m_linkKeys.end() ? nullptr : found->second->treeItem;
}

CTreeListItem* CQuickLinkTreeList::FindLinkInCatalog(const CatalogInfo& catalog, const QuickLinkInfo& link)
{
    CScopedLock data(m_dataLock);
    for (QuickLinkInfo* existing : catalog.links) {
        if (IsSameLink(*existing, link))
            return existing->treeItem;
    }
    return nullptr;
}

int CQuickLinkTreeList::GetLastLinkId(const CatalogInfo& catalog)
{
    int last = catalog.links.empty() ? 0 : catalog.links.back()->id;
    while (const QuickLinkInfo* leftOut = LeftOutSuccessor(catalog.cid, last))
        last = leftOut->id;
    return last;
}

// --- Adding.

CTreeListItem* CQuickLinkTreeList::AddLink(AddLinkRequest& request)
{
    LinkRecordPtr link = std::move(request.link);
    if (!link ||
        (request.kind != AddLinkRequest::KindLinkToName && request.kind != AddLinkRequest::KindLinkToRow))
        return nullptr;
    CScopedLock data(m_dataLock);
    if (!IsAccepting())
        return nullptr;
    if (CTreeListItem* existing = FindDuplicateLink(*link)) {
        if (request.notify) {
            ExpandCollapsedGroup(GetParentItem(existing));
            NotifyAdded(existing);
        }
        return existing;
    }
    CatalogInfo* catalog = nullptr;
    if (request.kind == AddLinkRequest::KindLinkToName) {
        AddLinkRequest group;
        group.kind = AddLinkRequest::KindCatalogName;
        group.catalogName = request.catalogName;
        group.addToDb = 1;
        group.append = 1;
        catalog = CatalogOfRow(AddCatalog(group));
    } else {
        // The row was named on another thread: it may be gone by now.
        catalog = ListedCatalogOfRow(request.catalogItem);
    }
    if (!catalog)
        return nullptr;
    link->cid = catalog->cid;
    if (link->namepinyin.IsEmpty())
        link->namepinyin = ConvertToPinyin(link->name).MakeLower();
    if (request.append)
        link->preid = GetLastLinkId(*catalog);
    if (request.addToDb && !::AddLink(*link)) {
        TraceMessage(L"Quorventile. Storing link %s failed\n", link->path.GetString());
        ReportNotStored();
        return nullptr;
    }
    CTreeListItem* row = nullptr;
    {
        CScopedLock tree(GetLock());
        row = InsertItem(catalog->treeItem, link->name, link.get(), nullptr, TRUE);
        if (!row) {
            if (request.addToDb)
                ::DeleteLink(*link);
            return nullptr;
        }
        SetItemTypeValue(row, RowKindLink);
        link->treeItem = row;
        catalog->links.push_back(link.get());
        m_linkKeys[LinkKey(*link)] = link.get();
    }
    QuickLinkInfo* added = link.release();
    if (m_batch)
        m_batch->links.push_back(added);
    if (added->linktype != LinkTypeShellPlace && !added->fileInfo.hIcon)
        QueueLinkInfo(added);
    if (request.insertBefore) {
        // A row that was deleted or moved away meanwhile: the link stays last.
        QuickLinkInfo* before = LinkOfRow(request.insertBefore);
        if (before && before->treeItem == request.insertBefore &&
            GetParentItem(request.insertBefore) == catalog->treeItem)
            MoveLinkBefore(row, request.insertBefore);
    }
    if (request.notify) {
        ExpandCollapsedGroup(catalog->treeItem);
        NotifyAdded(row);
    } else if (request.refresh) {
        RequestLayout();
    }
    return row;
}

CTreeListItem* CQuickLinkTreeList::AddCatalog(AddLinkRequest& request)
{
    std::unique_ptr<CatalogInfo> catalog;
    if (request.kind == AddLinkRequest::KindCatalogRecord) {
        catalog = std::move(request.catalog);
    } else if (request.kind == AddLinkRequest::KindCatalogName) {
        catalog.reset(new CatalogInfo);
        catalog->name = request.catalogName;
    }
    if (!catalog)
        return nullptr;
    CScopedLock data(m_dataLock);
    if (!IsAccepting())
        return nullptr;
    const CString key = CatalogKey(catalog->name);
    auto found = m_catalogs.find(key);
    if (found != m_catalogs.end()) {
        // A stored group named like another but for case (another program
        // wrote it) is not shown, and so neither are its links: merged into
        // the other, they would be chained with its links.
        return request.kind == AddLinkRequest::KindCatalogRecord ? nullptr : found->second->treeItem;
    }
    if (request.append && !m_catalogOrder.empty())
        catalog->preid = m_catalogOrder.back()->cid;
    // A group the store did not take would lose its links at the next start;
    // nor does a second group of a left-out group's name go there.
    if (request.addToDb && (IsCatalogNameTaken(key) || !::AddCatalog(*catalog))) {
        TraceMessage(L"Quorventile. Storing group %s failed\n", catalog->name.GetString());
        ReportNotStored();
        return nullptr;
    }
    CTreeListItem* row = nullptr;
    {
        CScopedLock tree(GetLock());
        row = InsertItem(nullptr, catalog->name, catalog.get(), nullptr, TRUE);
        if (!row) {
            if (request.addToDb)
                ::DeleteCatalog(*catalog);
            return nullptr;
        }
        SetItemTypeValue(row, RowKindGroup);
        catalog->treeItem = row;
    }
    m_catalogs[key] = catalog.get();
    m_catalogOrder.push_back(catalog.get());
    if (m_batch)
        m_batch->catalogs.push_back(catalog.get());
    catalog.release();
    if (request.refresh)
        RecalcLayout();
    return row;
}

// --- Telling the window.

void CQuickLinkTreeList::NotifyAdded(CTreeListItem* row)
{
    if (m_batch) {
        m_batch->select = row;
        return;
    }
    PostRequest(RequestSelectItem, row, 1);
    ::PostMessageW(MainWindow(), WM_SHOW_MAIN_WINDOW, 0, 0);
}

void CQuickLinkTreeList::RequestLayout()
{
    if (m_batch)
        m_batch->layout = true;
    else
        PostLayout();
}
