// Pieces of the quick-link list's GUI tests: the list in this process with
// a data folder of its own and the program's pool, stored groups and links,
// the rows as the tree holds them and as they are laid out, and actions
// run on a modal window (a popup menu, a message box) from its own loop.
#pragma once

#include "app/QuickLinkTreeList.h"
#include "app/QuorventileApp.h"
#include "core/tests/TempDataFolder.h"
#include "framework/TextConvert.h"
#include "skin/CSkinRes.h"
#include "skin/tests/GuiTestHelpers.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <map>
#include <new>
#include <string>
#include <vector>

namespace QuickLinkTest
{
using SkinControl::CTreeListItem;
using SkinTest::PumpMessages;

inline std::wstring ExeFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.rfind(L'\\'));
}

// The generated skin beside the test programs, loaded once per process; 1
// when it loaded.
inline int LoadSkin()
{
    static const int loaded = [] {
        SkinControl::CSkinRes::SetSkinFolder((ExeFolder() + L"\\..\\Skin").c_str());
        return PreloadSkin();
    }();
    return loaded;
}

template <typename Condition> bool PumpUntil(Condition done, DWORD timeoutMs = 10000)
{
    for (DWORD start = GetTickCount(); !done(); PumpMessages(5)) {
        if (GetTickCount() - start > timeoutMs)
            return false;
    }
    return true;
}

// Runs `action` once on the first visible window of `className` of this
// thread, from a timer that also fires inside modal loops (a popup menu, a
// message box); a window that stays up after that is closed, so a test
// fails instead of hanging. Several may wait at once.
class ModalAction
{
public:
    ModalAction(const wchar_t* className, std::function<void(HWND)> action)
        : m_className(className), m_action(std::move(action))
    {
        if (Waiting().empty())
            Timer() = SetTimer(nullptr, 0, 20, OnTimer);
        Waiting().push_back(this);
    }
    ~ModalAction()
    {
        auto& waiting = Waiting();
        waiting.erase(std::find(waiting.begin(), waiting.end(), this));
        if (waiting.empty())
            KillTimer(nullptr, Timer());
    }
    ModalAction(const ModalAction&) = delete;
    ModalAction& operator=(const ModalAction&) = delete;
    bool Acted() const { return m_acted; }

private:
    static std::vector<ModalAction*>& Waiting()
    {
        static std::vector<ModalAction*> waiting;
        return waiting;
    }
    static UINT_PTR& Timer()
    {
        static UINT_PTR timer = 0;
        return timer;
    }
    struct Search {
        const wchar_t* className;
        HWND found;
    };
    static BOOL CALLBACK Take(HWND hwnd, LPARAM param)
    {
        auto* search = reinterpret_cast<Search*>(param);
        wchar_t name[32] = {};
        GetClassNameW(hwnd, name, 32);
        if (wcscmp(name, search->className) || !IsWindowVisible(hwnd))
            return TRUE;
        search->found = hwnd;
        return FALSE;
    }
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD)
    {
        const std::vector<ModalAction*> waiting = Waiting();
        for (ModalAction* self : waiting) {
            Search search = {self->m_className, nullptr};
            EnumThreadWindows(GetCurrentThreadId(), Take, reinterpret_cast<LPARAM>(&search));
            if (!search.found)
                continue;
            if (!self->m_acted) {
                self->m_acted = true;
                self->m_action(search.found);
                return;
            }
            if (++self->m_ticksAfter > 150) {
                PostMessageW(search.found, WM_KEYDOWN, VK_ESCAPE, 0);
                PostMessageW(search.found, WM_CLOSE, 0, 0);
            }
        }
    }

    const wchar_t* m_className;
    std::function<void(HWND)> m_action;
    bool m_acted = false;
    int m_ticksAfter = 0;
};

// Counts the dialog windows (message boxes) this thread makes while it
// lives.
class BoxCounter
{
public:
    BoxCounter() : m_hook(SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId())) { Count() = 0; }
    ~BoxCounter() { UnhookWindowsHookEx(m_hook); }
    BoxCounter(const BoxCounter&) = delete;
    BoxCounter& operator=(const BoxCounter&) = delete;
    int Boxes() const { return Count(); }

private:
    static int& Count()
    {
        static int count = 0;
        return count;
    }
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        wchar_t name[16] = {};
        if (code == HCBT_CREATEWND && GetClassNameW(reinterpret_cast<HWND>(wParam), name, 16) &&
            wcscmp(name, L"#32770") == 0)
            ++Count();
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    HHOOK m_hook;
};

inline BOOL CALLBACK FindShownBox(HWND window, LPARAM found)
{
    wchar_t name[16] = {};
    if (IsWindowVisible(window) && GetClassNameW(window, name, 16) && wcscmp(name, L"#32770") == 0)
        *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

// Whether a dialog window of this thread is shown.
inline bool BoxShown()
{
    bool shown = false;
    EnumThreadWindows(GetCurrentThreadId(), FindShownBox, reinterpret_cast<LPARAM>(&shown));
    return shown;
}

// The texts of the list's shown rows once its layout is done, links
// indented by two spaces under their groups.
inline std::vector<CString> VisibleRowTexts(CQuickLinkTreeList& list)
{
    PumpMessages(30);
    list.RecalcLayout();
    std::vector<CString> rows;
    for (int i = 0; i < list.GetRowCount(); ++i) {
        CTreeListItem* row = list.GetRowItem(i);
        rows.push_back((list.GetParentItem(row) == list.GetRootItem() ? L"" : L"  ") + list.GetItemText(row));
    }
    return rows;
}

class QuickLinkListTest : public ::testing::Test
{
protected:
    // One parent for every test: Wine waits for a window manager whenever a
    // top-level window goes.
    static void SetUpTestSuite()
    {
        OleInitialize(nullptr);
        ASSERT_EQ(1, LoadSkin());
        parent = new CWnd;
        parent->CreateEx(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 10, 10, 300, 400, nullptr, nullptr);
    }
    static void TearDownTestSuite()
    {
        parent->DestroyWindow();
        delete parent;
    }
    void SetUp() override
    {
        ASSERT_EQ(1, OpenAppDatabase());
        SetConfigInt(L"DefaultLinksInit", 1);
        SkinControl::CreateGlobalThreadPool()->Start();
    }
    void TearDown() override
    {
        list.DestroyWindow();
        // Work items hold the list and use the store: every worker leaves its
        // item before the list goes and before the next test opens a store of
        // its own (on a loaded machine one can outlast the pool's 300 ms).
        SkinControl::GetGlobalThreadPool()->StopAndWait();
        SkinControl::DestroyGlobalThreadPool();
    }
    // The list with its load held back until Load().
    void Create()
    {
        ASSERT_TRUE(list.Create(parent, CRect(0, 0, 300, 400)));
        list.KillTimer(CQuickLinkTreeList::kLoadTimer);
    }
    void Load()
    {
        list.SendMessage(WM_TIMER, CQuickLinkTreeList::kLoadTimer);
        ASSERT_TRUE(PumpUntil([&] { return list.IsLoaded() != FALSE; }));
        PumpMessages(30);
    }
    // A new list, as the next start of the program shows the store. A list
    // takes nothing more once its window is gone, so the object is made
    // anew in its place.
    void Restart()
    {
        list.DestroyWindow();
        PumpMessages(50);
        list.~CQuickLinkTreeList();
        new (&list) CQuickLinkTreeList;
        Create();
        Load();
    }
    CString File(const wchar_t* name)
    {
        CString path = dir.folder + L"\\" + name;
        CloseHandle(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        return path;
    }
    // A request to add the file `name` of the test's folder, made for it, to
    // the group called `catalog` (none: the caller names a row): stored and
    // appended, its record still to be built.
    AddLinkRequest FileRequest(const wchar_t* name, const wchar_t* catalog = nullptr)
    {
        AddLinkRequest request;
        request.kind = catalog ? AddLinkRequest::KindLinkToName : AddLinkRequest::KindLinkToRow;
        if (catalog)
            request.catalogName = catalog;
        request.path = File(name);
        request.link.reset(new QuickLinkInfo);
        request.addToDb = request.append = 1;
        return request;
    }
    // "group" or "  link" per row, in tree order.
    std::vector<CString> Rows()
    {
        std::vector<CString> rows;
        for (CTreeListItem* group = list.GetChildItem(list.GetRootItem()); group;
             group = list.GetNextSiblingItem(group)) {
            rows.push_back(list.GetItemText(group));
            for (CTreeListItem* link = list.GetChildItem(group); link; link = list.GetNextSiblingItem(link))
                rows.push_back(L"  " + list.GetItemText(link));
        }
        return rows;
    }
    // The rows laid out for the window, in the same form, after the layout
    // the list asked for.
    std::vector<CString> VisibleRows() { return VisibleRowTexts(list); }
    // The first row with this text (groups and links alike).
    CTreeListItem* Row(const wchar_t* text)
    {
        for (CTreeListItem* group = list.GetChildItem(list.GetRootItem()); group;
             group = list.GetNextSiblingItem(group)) {
            if (list.GetItemText(group) == text)
                return group;
            for (CTreeListItem* link = list.GetChildItem(group); link; link = list.GetNextSiblingItem(link)) {
                if (list.GetItemText(link) == text)
                    return link;
            }
        }
        return nullptr;
    }
    // The centre of a row scrolled into view, in the list's client
    // coordinates.
    CPoint RowPoint(CTreeListItem* row)
    {
        list.RecalcLayout();
        list.EnsureVisible(row);
        list.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        CRect rect;
        EXPECT_TRUE(list.GetItemRect(row, &rect));
        return CPoint(100, rect.top + rect.Height() / 2);
    }
    int Count(const char* sql) { return AppDatabase.db.ExecScalar(sql); }
    // The text a query selects as "v".
    std::wstring Text(const char* sql)
    {
        return FromUtf8(AppDatabase.db.ExecQuery(sql).GetStringField("v")).str();
    }
    // Every stored link as "id:preid:cid", by id.
    std::wstring StoredLinks()
    {
        return Text("select group_concat(id || ':' || preid || ':' || cid, ' ') as v from "
                    "(select * from qv_link order by id);");
    }
    // Every stored group as "cid:preid:name", by cid.
    std::wstring StoredGroups()
    {
        return Text("select group_concat(cid || ':' || preid || ':' || name, ' ') as v from "
                    "(select * from qv_catalog order by cid);");
    }
    // The rows a restart would show, in the form of Rows(), as the store
    // chains them (where no stored link equals another).
    std::vector<CString> StoredRows()
    {
        std::map<int, std::map<int, std::pair<int, CString>>> next; // by group: preid -> id, name
        for (SQL_LITE::CppSQLite3Query links = AppDatabase.db.ExecQuery("select cid, preid, id, name from qv_link;");
             !links.Eof(); links.NextRow())
            next[links.GetIntField(0)][links.GetIntField(1)] = {links.GetIntField(2),
                                                                FromUtf8(links.GetStringField("name"))};
        std::vector<CString> rows;
        for (SQL_LITE::CppSQLite3Query groups = AppDatabase.db.ExecQuery("select cid, name from qv_catalog order by preid;");
             !groups.Eof(); groups.NextRow()) {
            rows.push_back(FromUtf8(groups.GetStringField("name")));
            auto& chain = next[groups.GetIntField(0)];
            // Each link once: a cycle ends the walk.
            for (auto link = chain.find(0); link != chain.end();) {
                rows.push_back(L"  " + link->second.second);
                const int id = link->second.first;
                chain.erase(link);
                link = chain.find(id);
            }
        }
        return rows;
    }
    // Every group's stored chain is whole: following preid from 0 reaches
    // each of its links exactly once.
    void ExpectSoundChains()
    {
        std::map<int, std::multimap<int, int>> next; // by group: preid -> id
        for (SQL_LITE::CppSQLite3Query rows = AppDatabase.db.ExecQuery("select cid, preid, id from qv_link;");
             !rows.Eof(); rows.NextRow())
            next[rows.GetIntField(0)].emplace(rows.GetIntField(1), rows.GetIntField(2));
        for (const auto& group : next) {
            size_t reached = 0;
            for (int last = 0; reached <= group.second.size(); ++reached) {
                auto found = group.second.equal_range(last);
                if (found.first == found.second)
                    break;
                EXPECT_EQ(1, std::distance(found.first, found.second))
                    << "group " << group.first << " forks after " << last;
                last = found.first->second;
            }
            EXPECT_EQ(group.second.size(), reached) << "group " << group.first << ": " << StoredLinks();
        }
    }
    CatalogInfo StoreCatalog(const wchar_t* name, int preid = 0)
    {
        CatalogInfo catalog;
        catalog.name = name;
        catalog.preid = preid;
        EXPECT_EQ(1, AddCatalog(catalog));
        return catalog;
    }
    QuickLinkInfo StoreLink(int cid, int preid, const CString& path, const wchar_t* name = nullptr,
                            int linktype = LinkTypeFile)
    {
        QuickLinkInfo link;
        link.cid = cid;
        link.preid = preid;
        link.linktype = linktype;
        link.path = path;
        link.name = name ? CString(name) : path.Mid(path.ReverseFind(L'\\') + 1);
        EXPECT_EQ(1, AddLink(link));
        return link;
    }

    // Links to the test folder's files of these names, chained in this order.
    void StoreChain(int cid, const std::vector<const wchar_t*>& names)
    {
        int last = 0;
        for (const wchar_t* name : names)
            last = StoreLink(cid, last, File(name)).id;
    }

    inline static CWnd* parent = nullptr;
    TempDataFolder dir;
    CQuickLinkTreeList list;
};

} // namespace QuickLinkTest
