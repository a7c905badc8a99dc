// The quick-link list's work items and the COM helpers its files share.
// Each work item runs its body inside a COM apartment of its own: the shell
// calls of loading, adding and starting links need one on the calling
// thread.
#pragma once

#include "app/QuickLinkTreeList.h"
#include "core/StoreTransaction.h"

#include <objbase.h>
#include <shobjidl.h>

#include <optional>

// CoInitializeEx for an apartment-threaded apartment, for one body.
class CComApartmentScope
{
public:
    CComApartmentScope() : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~CComApartmentScope()
    {
        if (SUCCEEDED(m_result))
            CoUninitialize();
    }
    CComApartmentScope(const CComApartmentScope&) = delete;
    CComApartmentScope& operator=(const CComApartmentScope&) = delete;

private:
    HRESULT m_result;
};

// Lets go of an interface the list holds, if any, and forgets it.
template <typename Interface> void ReleaseAndClear(Interface*& object)
{
    if (object)
        object->Release();
    object = nullptr;
}

// One shell link object that reads shortcut files one after another (made
// once for a batch of paths: making it costs more than reading a file).
class CQuickLinkTreeList::CShortcutReader
{
public:
    CShortcutReader();
    ~CShortcutReader();
    CShortcutReader(const CShortcutReader&) = delete;
    CShortcutReader& operator=(const CShortcutReader&) = delete;

    // ResolveShortcut with this object.
    BOOL Read(const wchar_t* path, QuickLinkInfo& link);

private:
    IShellLinkW* m_link = nullptr;
    IPersistFile* m_file = nullptr;
};

// The load of the groups and links, or (syncDesktopOnly) a desktop
// synchronisation alone.
class CQuickLinkTreeList::CLoadCacheWorkItem : public CWorkItem
{
public:
    CLoadCacheWorkItem(CQuickLinkTreeList* list, int syncDesktopOnly)
        : m_list(list), m_syncDesktopOnly(syncDesktopOnly)
    {
    }
    void Run() override
    {
        CComApartmentScope apartment;
        m_list->LoadCatalogs(m_syncDesktopOnly, *this);
    }

private:
    CQuickLinkTreeList* m_list;
    int m_syncDesktopOnly;
};

// Starts a link from a copy of its record, so that a row deleted meanwhile
// can't be touched.
class CQuickLinkTreeList::CListClickWorkItem : public CWorkItem
{
public:
    CListClickWorkItem(LinkLaunchInfo link, UINT hitFlags, int runAs)
        : m_link(std::move(link)), m_hitFlags(hitFlags), m_runAs(runAs)
    {
    }
    void Run() override
    {
        CComApartmentScope apartment;
        LaunchLink(m_link, m_runAs);
    }

private:
    LinkLaunchInfo m_link;
    UINT m_hitFlags; // of the click; not read
    int m_runAs;
};

// Opens the folder of a link's target, from a copy of its path.
class CQuickLinkTreeList::CListFindTargetWorkItem : public CWorkItem
{
public:
    explicit CListFindTargetWorkItem(CString path) : m_path(std::move(path)) {}
    void Run() override
    {
        CComApartmentScope apartment;
        OpenLinkLocation(m_path);
    }

private:
    CString m_path;
};

// Adds links from paths: one for a drop, one per path of a command URL.
// Their records are built first (no lock held), then added in one batch.
class CQuickLinkTreeList::CAddLinkWorkItem : public CWorkItem
{
public:
    CAddLinkWorkItem(CQuickLinkTreeList* list, std::vector<AddLinkRequest> requests)
        : m_list(list), m_requests(std::move(requests))
    {
    }
    void Run() override;

    // Completes the request's link from its path (or shell place) for
    // AddLink; false, with the link freed, when there is nothing to add.
    // Also run directly by the load.
    static bool BuildLink(AddLinkRequest& request, CShortcutReader& shortcuts);

private:
    CQuickLinkTreeList* m_list;
    std::vector<AddLinkRequest> m_requests;
};

// What the list shows of a link's target, checked off the window's thread:
// whether it is there and, for a link just added or loaded, its shell icon
// and names.
struct CQuickLinkTreeList::LinkInfoRequest {
    explicit LinkInfoRequest(QuickLinkInfo* link);

    QuickLinkInfo* record; // followed only once found shown again, under the locks
    std::wstring key;
    QuickLinkInfo values; // the type, shell place and path; then the answer
};

class CQuickLinkTreeList::CLinkInfoWorkItem : public CWorkItem
{
public:
    CLinkInfoWorkItem(CQuickLinkTreeList* list, std::vector<LinkInfoRequest> requests, bool withShellInfo)
        : m_list(list), m_requests(std::move(requests)), m_withShellInfo(withShellInfo)
    {
    }
    ~CLinkInfoWorkItem() override;
    void Run() override;

private:
    CQuickLinkTreeList* m_list;
    std::vector<LinkInfoRequest> m_requests;
    bool m_withShellInfo;
};

template <typename Record, Record* CQuickLinkTreeList::*Open, void (CQuickLinkTreeList::*End)()>
class CQuickLinkTreeList::COutermostScope
{
public:
    explicit COutermostScope(CQuickLinkTreeList* list) : m_list(list)
    {
        if (!(list->*Open)) {
            m_record.reset(new Record);
            list->*Open = m_record.get();
        }
    }
    ~COutermostScope()
    {
        if (m_record)
            (m_list->*End)();
    }
    COutermostScope(const COutermostScope&) = delete;
    COutermostScope& operator=(const COutermostScope&) = delete;

private:
    CQuickLinkTreeList* m_list;
    std::unique_ptr<Record> m_record;
};

// The list's change: its store transaction, then its rows' deletions held
// back (CDeleteBatch holds the tree's lock), then its record.  Inside
// another change it joins that one.  Opened under the data lock.
class CQuickLinkTreeList::CStoreChangeScope
{
public:
    explicit CStoreChangeScope(CQuickLinkTreeList* list);
    ~CStoreChangeScope() { End(); }
    CStoreChangeScope(const CStoreChangeScope&) = delete;
    CStoreChangeScope& operator=(const CStoreChangeScope&) = delete;

    // Ends the change when this opened it: stores the re-pointed links and
    // commits; when the store took none of it, the list shows what the
    // store holds again and the user is told.  False then; true when the
    // change was stored or goes on in an outer one.
    bool End();

private:
    CQuickLinkTreeList* m_list;
    std::optional<CStoreTransaction> m_transaction;
    std::optional<CDeleteBatch> m_rows;
    std::unique_ptr<StoreChange> m_change; // null when joined to an outer one
    bool m_stored = true;
};
