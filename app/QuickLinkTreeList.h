// The main window's list of quick links: the tree-list control whose top
// rows are the user's groups and whose child rows are the links.  It loads
// the store on a pool thread, makes the first-run links, copies the desktop
// into "桌面", takes links from every source, draws the rows and starts links.
//
// Locks: the data lock guards the groups, the links and everything below
// that concerns them; the control's own lock (GetLock) guards the rows.  Code
// that needs both takes the data lock first, never the other way round.
// Painting holds only the control's lock, so every record field the painter
// reads (a group's link list, a link's icon and missing-target state) is
// changed only while both locks are held.  Records are freed with their rows.
//
// Work items never keep a row for later: they carry what they need by value,
// or look their rows up again under the data lock and then the control's.
// Input that adds links (command URLs, drops, a desktop synchronisation)
// waits until the load is done, so that it finds the stored groups instead
// of making a second group of the same name.
#pragma once

#include "app/QuickLinkReNameEdit.h"
#include "core/Lock.h"
#include "core/QuickLinkRecords.h"
#include "core/ThreadPool.h"
#include "framework/COleDropTarget.h"
#include "skin/CWndWaiting.h"
#include "skin/treelist/CTreeListCtrl.h"

#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// Posted by the load to the list itself once the rows are in.
const UINT WM_QUICKLINKS_LOADED = 0x500;
// Posted to the list when the store did not take a change: the list shows
// what the store holds again, and the user is told on the list's thread.
const UINT WM_QUICKLINKS_NOT_STORED = 0x501;

// The "TreeItemType" of a row.
enum QuickLinkRowKind { RowKindGroup = 0, RowKindLink = 1 };

// Frees a link record and the shell icon it holds: every record the list
// drops or frees goes through here.
void FreeLinkRecord(QuickLinkInfo* link);
struct LinkRecordDeleter {
    void operator()(QuickLinkInfo* link) const { FreeLinkRecord(link); }
};
using LinkRecordPtr = std::unique_ptr<QuickLinkInfo, LinkRecordDeleter>;

// One add request, for groups and links alike.  The record being added
// belongs to the request until the add operation takes it.
struct AddLinkRequest {
    enum Kind {
        KindCatalogRecord = 1, // add the group in `catalog`
        KindCatalogName = 2,   // add a new group named `catalogName`
        KindLinkToName = 3,    // add `link` into the group named `catalogName`
        KindLinkToRow = 4,     // add `link` into the group row `catalogItem`
    };
    int kind = 0;
    CString path;
    CString catalogName;
    SkinControl::CTreeListItem* catalogItem = nullptr;
    SkinControl::CTreeListItem* insertBefore = nullptr; // a link row, or null
    LinkRecordPtr link;
    std::unique_ptr<CatalogInfo> catalog;
    int refresh = 0; // ask for a layout when done
    int notify = 0;  // expand the group, select the row, bring the main window forward
    int addToDb = 0;
    int append = 0; // chain the new row after the last one of its list
};

// What starting a link needs, copied from its record.
struct LinkLaunchInfo {
    int linktype = 0;
    int csidl = 0;
    CString path;
    CString args;
    CString workdir;
};

class CQuickLinkTreeList : public SkinControl::CTreeListCtrl, public COleDropTarget
{
public:
    using CWorkItem = SkinControl::CThreadPool::CWorkItem;
    class CLoadCacheWorkItem;
    class CListClickWorkItem;
    class CListFindTargetWorkItem;
    class CAddLinkWorkItem;
    class CLinkInfoWorkItem;
    class CShortcutReader;

    static const UINT_PTR kLoadTimer = 100;
    static const UINT_PTR kTypeAheadTimer = 101;      // searches the typed text
    static const UINT_PTR kTypeAheadResetTimer = 102; // a pause starts a new text
    static const UINT_PTR kTargetTimer = 103;         // missing targets of the rows in view
    static const UINT kTypeAheadDelayMs = 200;
    static const UINT kTypeAheadResetMs = 300;
    static const int kRowHeight = 26;

    CQuickLinkTreeList();
    ~CQuickLinkTreeList() override;

    // --- Input.  Any thread; before the load is done it waits for it.
    // The command URL from the command line, run when the load is done.
    void SetPendingCommand(const CString& commandUrl);
    // "app://add_links_to_catalog": one add per path of the URL.
    void AddLinksToCatalog(const CString& commandUrl);
    // Copies the desktops into "桌面" on a pool thread.
    void PostSyncDesktop();
    // Hands an item that adds links to the pool once the load is done; the
    // list owns it until then.
    void PostAfterLoad(CWorkItem* item);
    // Start a link row's target (runAs: with the verb "runas"), or open the
    // folder that holds it; other rows are ignored.  UI thread.
    void PostLaunchLink(SkinControl::CTreeListItem* row, int runAs);
    void PostOpenLinkLocation(SkinControl::CTreeListItem* row);

    BOOL IsLoaded() const { return m_loaded.load() != 0; }
    BOOL ExpandCatalogByName(CString name);

    // --- Adding (pool threads, and the UI thread for new groups).
    // The row of the new link, or of an equal link already shown; null
    // when nothing was added.  Takes the request's link in every case.
    SkinControl::CTreeListItem* AddLink(AddLinkRequest& request);
    // The row of the group, new or already shown; null when none could be
    // added.  Takes the request's group record.
    SkinControl::CTreeListItem* AddCatalog(AddLinkRequest& request);

    // --- Search and rename (UI thread).
    // Shows the links whose name or pinyin contains the text (any case), and
    // the groups that have one; an empty text shows everything again.
    void FilterItems(const CString& text);
    // Selects the first link of the first expanded group whose pinyin
    // starts with the text.
    void SelectByTypeAhead(const CString& text);
    void BeginRename(SkinControl::CTreeListItem* row);
    // Store the new name of a row: 1 when the editor may close, 0 when it
    // stays open (an empty name; for a group, another group's name).
    int CommitCatalogName(SkinControl::CTreeListItem* row, const CString& text);
    int CommitLinkName(SkinControl::CTreeListItem* row, const CString& text);

    // --- Commands (UI thread).
    enum Command : UINT {
        CommandAddCatalog = 50,
        CommandDelete = 100,
        CommandRename = 101,
        CommandOpenLocation = 102,
        CommandRestoreWindow = 512,
        CommandCleanDeadLinks = 513,
        CommandRunAsAdministrator = 517,
        CommandSyncDesktop = 518,
        CommandDefaultExpand = 519,
    };
    void DeleteSelectedItems(const std::vector<SkinControl::CTreeListItem*>& rows);
    void DeleteLink(SkinControl::CTreeListItem* row, BOOL layout);
    // Asks first when the group has links; 1 when it was deleted.
    int DeleteCatalog(SkinControl::CTreeListItem* row);
    // Deletes the group's links whose file or folder is gone.
    void CleanDeadLinks(SkinControl::CTreeListItem* group);
    // A new group "新分组<n>", selected and opened for renaming.
    void AddNewCatalog();
    CString MakeNewCatalogName();

    // --- Drag and drop (UI thread).
    // The links of a drag that started in this list.
    struct DragRecord {
        int mode = 1; // move links
        std::vector<SkinControl::CTreeListItem*> rows;
    };
    // Moves a link row to the end of a group; 1 when moved.
    BOOL MoveLinkToCatalog(SkinControl::CTreeListItem* link, SkinControl::CTreeListItem* group);
    // Moves a link row before another link row, into the target's group
    // when that is another one; 1 when done.
    BOOL MoveLinkBefore(SkinControl::CTreeListItem* link, SkinControl::CTreeListItem* target);
    // Moves link rows, in this order, as one block before another link row,
    // as moving each before it in turn would; links of other groups join
    // the target's.  One pass over the target's group.  1 when done.
    BOOL MoveLinksBefore(const std::vector<SkinControl::CTreeListItem*>& links, SkinControl::CTreeListItem* target);
    // Moves the dragged links onto the row under the cursor.
    void MoveDraggedLinks(const DragRecord& drag);
    // Adds a dropped path where the cursor is: into the group under it,
    // before the link under it, else into "默认".
    void AddDroppedFile(const CString& path);
    // The image of the dragged rows; the caller owns its bitmap.
    BOOL CreateDragImage(DragRecord& drag, SHDRAGIMAGE* image);

    SkinControl::CTreeListItem* FindDuplicateLink(const QuickLinkInfo& link);
    SkinControl::CTreeListItem* FindLinkInCatalog(const CatalogInfo& catalog, const QuickLinkInfo& link);
    static bool IsSameLink(const QuickLinkInfo& existing, const QuickLinkInfo& added);
    // The id the group's next appended link follows: the end of its stored
    // chain, left-out links included.  Data lock held.
    int GetLastLinkId(const CatalogInfo& catalog);
    // Reads a shortcut file into the record (target, arguments, working
    // folder, description; link type 4).  Needs COM on the calling thread.
    static BOOL ResolveShortcut(const wchar_t* path, QuickLinkInfo& link);
    // Orders the links by their preid chain; a broken chain keeps the given
    // order and is rewritten (and stored) to match it.
    static void RechainLinks(std::vector<QuickLinkInfo*>& links);
    // Orders the links by their chain when it is whole; false, the order
    // untouched, when it is not.
    static bool FollowChain(std::vector<QuickLinkInfo*>& links);
    // Chains the links in the given order, storing each preid that changes.
    static void ChainInOrder(const std::vector<QuickLinkInfo*>& links);
    static BOOL IsLinkTargetPresent(const QuickLinkInfo& link);

    // --- Bodies of the work items (pool threads).
    void LoadCatalogs(int syncDesktopOnly, const CWorkItem& work);
    int SyncDesktop(const CWorkItem& work);
    static void LaunchLink(const LinkLaunchInfo& link, int runAs);
    static void OpenLinkLocation(const CString& path);
    // The shell call LaunchLink makes.  Tests swap in a recorder of the verb
    // that forwards to the call it replaced; otherwise ShellExecuteExW.
    using ShellExecuteCall = BOOL (*)(SHELLEXECUTEINFOW* execute);
    static std::atomic<ShellExecuteCall> s_launchShellExecute;

protected:
    BOOL DrawBackground(CDC* dc, RECT content) override;
    void DrawItem(SkinControl::TreeListDrawInfo* info) override;
    void OnItemClick(SkinControl::CTreeListItem* item, UINT hitFlags) override;
    void BeginDrag() override;
    DROPEFFECT OnDragEnter(CWnd* window, COleDataObject* data, DWORD keyState, CPoint point) override;
    DROPEFFECT OnDragOver(CWnd* window, COleDataObject* data, DWORD keyState, CPoint point) override;
    BOOL OnDrop(CWnd* window, COleDataObject* data, DROPEFFECT effect, CPoint point) override;
    void OnDragLeave(CWnd* window) override;

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    int OnCreate(LPCREATESTRUCT cs) override;
    void OnDestroy() override;
    void OnTimer(UINT_PTR id) override;
    void OnKeyDown(UINT key, UINT repeat, UINT flags) override;
    // The context menu.
    void OnRButtonDown(UINT flags, CPoint point) override;
    // Type-ahead.
    void OnChar(UINT ch, UINT repeat, UINT flags) override;
    void OnSize(UINT type, int cx, int cy) override;
    LRESULT OnLoadDone();

private:
    // The group of the first-run links and of files dropped outside any group.
    static constexpr wchar_t kDefaultCatalog[] = L"默认";

    // Opens a record of one command (an add batch) unless the
    // thread has one open already, and ends it when this opened it.
    template <typename Record, Record* CQuickLinkTreeList::*Open, void (CQuickLinkTreeList::*End)()>
    class COutermostScope;
    struct AddBatch;
    class CAddBatchScope;
    struct LinkInfoRequest;
    // One change of the user's (a delete, a clean, a move, one of its
    // steps) from its start to the store's answer.  The links it takes out
    // leave the tree and the link keys at once, their group's link list and
    // their memory together at the end, so that a command on thousands of
    // rows doesn't search a list per row; links that move to another group
    // leave their old group's list at the end likewise.  Until the store
    // took the change, it keeps what the list showed before, so that the
    // list can go back to it when the store can't be read back.
    struct StoreChange {
        std::unordered_set<QuickLinkInfo*> links;  // taken out
        std::unordered_set<CatalogInfo*> catalogs; // whose lists still hold some
        std::unordered_map<QuickLinkInfo*, int> storedPreids; // re-pointed links: the preid in the store
        // What the list showed before.
        std::vector<CatalogInfo*> order;
        std::unordered_set<int> open; // groups
        int searchCid = 0;            // the group open when the search began
        std::unordered_map<CatalogInfo*, std::vector<QuickLinkInfo*>> lists; // lists changed in place
        std::unordered_map<QuickLinkInfo*, int> preids;                      // each preid changed
        std::vector<std::unique_ptr<CatalogInfo>> removedCatalogs;
        std::unordered_map<int, std::vector<LinkRecordPtr>> removedLeftOut; // by group
    };
    class CStoreChangeScope;
    // The end of a change the store took: lists closed up, records freed.
    // Both locks held.
    void KeepChange(StoreChange& change);
    // Memory as it was before a change the store did not take.
    void UndoChange(StoreChange& change);
    // Before a group's link list changes in place within a change.
    void KeepList(CatalogInfo& catalog);
    // Before a link's preid changes in memory: a change or an add batch can
    // put it back.
    void KeepPreid(QuickLinkInfo& link);

    // Rows and their records; null for anything else.  Data lock held.
    CatalogInfo* CatalogOfRow(SkinControl::CTreeListItem* row);
    QuickLinkInfo* LinkOfRow(SkinControl::CTreeListItem* row);
    // The group row of a request, checked again: still shown and listed.
    CatalogInfo* ListedCatalogOfRow(SkinControl::CTreeListItem* row);
    static CString CatalogKey(const CString& name);
    static std::wstring LinkKey(const QuickLinkInfo& link);

    bool IsAccepting() const { return m_accepting.load(); }
    bool CreateDefaultLinks(const CWorkItem& work);
    bool LoadStoredCatalogs(const CWorkItem& work);
    // Shows a stored group and its links (read here when not given); a
    // group named like a shown one but for case is left out, its links
    // unread.  Data lock held.
    void AddStoredCatalog(std::unique_ptr<CatalogInfo> catalog, std::vector<LinkRecordPtr>* links);
    // The groups the load left out, for the group-name cache.  Data lock held.
    void FinishStoredCatalogs();
    // After a change the store did not take, memory back as it was before:
    // the list shows what the store holds again, read without waiting for
    // another program's lock, or else what it showed before the change.  The
    // groups open before stay open and the search stays applied.  UI
    // thread; data lock held.
    void ShowStoreAgain(const StoreChange& change);
    // Reads the whole store without waiting and shows it; false, the list
    // untouched, when it can't be read now.
    bool ReloadFromStore();
    // New rows for the records in memory.
    void RebuildRows();
    // Tells the user once that a change was not stored; any thread.
    void ReportNotStored();
    // Whether a group of this lower-cased name is stored, shown or left out.
    // Data lock held.
    bool IsCatalogNameTaken(const CString& key) const;
    // The stored links of one group that the list shows, in their chain's
    // order; the others are kept as the group's left-out links.  Data lock
    // held.
    std::vector<QuickLinkInfo*> ShownStoredLinks(int cid, const std::vector<QuickLinkInfo*>& rows);
    // The left-out link that follows `id` in the group's chain; null when a
    // shown link or nothing follows.  Data lock held.
    QuickLinkInfo* LeftOutSuccessor(int cid, int id);
    // The link whose preid is the shown `link`'s id (of `row`): a left-out
    // link after it, else the next row of its group.  Data lock held.
    QuickLinkInfo* ChainSuccessor(SkinControl::CTreeListItem* row, const QuickLinkInfo& link);
    // The group's shown and left-out links in the order of their stored
    // chain.  Data lock held.
    std::vector<QuickLinkInfo*> StoredChain(const CatalogInfo& catalog);
    void FinishLoad();
    // Adds built link requests in one batch.
    void AddBuiltLinks(std::vector<AddLinkRequest>& requests);
    void ExpandCollapsedGroup(SkinControl::CTreeListItem* group);
    // Select and bring forward, lay out: at the end of the batch when in one.
    void NotifyAdded(SkinControl::CTreeListItem* row);
    void RequestLayout();
    void EndBatch();
    void UndoBatch(AddBatch& batch);
    // Takes a link out of the tree and the link keys, and out of its group's
    // list and memory now or, in a change, at its end (not the store's row).
    // Both locks are taken.
    void RemoveLinkRow(QuickLinkInfo* link);
    // Sets a link's preid and stores it (in a change, once it ends); a
    // batch keeps the old one for its undo.  Data lock held.
    void RepointLink(QuickLinkInfo& link, int preid);
    // A link shown without its shell icon gets it from a pool thread, with
    // the others queued up to the next flush (the end of a batch or load).
    void QueueLinkInfo(QuickLinkInfo* link);
    void FlushLinkInfo();
    void PostLinkInfo(std::vector<LinkInfoRequest> requests, bool withShellInfo);
    void ApplyLinkInfo(std::vector<LinkInfoRequest>& requests, bool withShellInfo);
    void RefreshVisibleTargets();
    void FreeAllRecords();
    HWND MainWindow() const;

    // Search, rename and type-ahead.
    static const CString& SearchName(QuickLinkInfo& link);
    void OnTypeAheadTimer(UINT_PTR id);
    int CommitRename(const CString& text);
    void EndRename();
    // Commands.
    // A row named by its record (a group's cid, a link's id), which no later
    // row takes over, unlike the row's address once the row is freed.
    struct RowRef {
        QuickLinkRowKind kind = RowKindGroup;
        int id = 0; // 0: no group or link row
    };
    // Data lock held for both.
    RowRef RefOfRow(SkinControl::CTreeListItem* row);
    SkinControl::CTreeListItem* RowOfRef(const RowRef& ref);
    void ShowContextMenu(UINT flags, CPoint point);
    void RunCommand(UINT command, const RowRef& clicked, const std::vector<RowRef>& selection);
    enum class CatalogConsent { Empty, Confirmed, Declined };
    // Asks before a group with links goes; a group that is gone is declined.
    CatalogConsent AskToDeleteCatalog(int cid);
    // Deletes the links and groups named, once every question is answered.
    void DeleteRows(const std::vector<RowRef>& rows);
    // The owner-drawn menu's messages; TRUE when handled.
    BOOL OnMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Takes the group, its links and its row out of the list and the store.
    void RemoveCatalog(CatalogInfo* catalog);
    // Drag and drop.
    SkinControl::CTreeListItem* RowUnderCursor();
    // Points the link after a link row that moves away at the one before
    // it, in its record and in the store.  Data lock held.
    void UnchainLink(SkinControl::CTreeListItem* linkRow, const QuickLinkInfo& link);
    bool IsOwnDrag(COleDataObject* data) const;

    CLock m_dataLock;
    std::map<CString, CatalogInfo*> m_catalogs; // by lower-cased name
    std::vector<CatalogInfo*> m_catalogOrder;   // display order
    // Every shown link by what makes two links the same (IsSameLink); a
    // link leaves it when its row goes (RemoveLinkRow).
    std::unordered_map<std::wstring, QuickLinkInfo*> m_linkKeys;
    // By group: stored links the load left out as duplicates.  Not shown,
    // but still members of their group's stored chain, so that moves,
    // appends and deletes go around them and the chain stays whole.
    std::unordered_map<int, std::vector<LinkRecordPtr>> m_leftOutLinks;
    // Stored groups the load left out, named like a shown one but for case,
    // by cid: their names stay taken.
    std::map<int, CString> m_leftOutCatalogs;
    CString m_pendingCommand;
    // Input waiting for the load; posted when it is done.
    std::vector<std::unique_ptr<CWorkItem>> m_heldItems;
    bool m_inputReady = false;
    AddBatch* m_batch = nullptr; // the batch of the thread holding the data lock
    StoreChange* m_change = nullptr; // likewise, the open change
    std::vector<LinkInfoRequest> m_pendingLinkInfo;

    CQuickLinkReNameEdit m_renameEdit;
    SkinControl::CTreeListItem* m_renameRow = nullptr;
    // The group that was expanded when the search began, whether one runs,
    // and its text.
    SkinControl::CTreeListItem* m_searchCatalog = nullptr;
    bool m_searching = false;
    CString m_searchText;
    CString m_typeAhead;
    // The record of this list's own drag while it runs.
    DragRecord* m_currentDrag = nullptr;

    SkinControl::CWndWaiting m_waiting;
    HICON m_defaultIcon = nullptr; // icon 130
    HICON m_missingIcon = nullptr; // icon 131
    UINT m_clipboardFormat = 0;
    std::atomic<int> m_loaded{0};
    std::atomic<bool> m_accepting{true};
    std::atomic<bool> m_targetCheckRunning{false};
    std::atomic<bool> m_notStoredPosted{false};
    IDropTargetHelper* m_dropTargetHelper = nullptr;
    IDataObject* m_foreignDragData = nullptr; // kept during a drag from another program
    IDragSourceHelper* m_dragSourceHelper = nullptr;
};
