// Figures of the quick-link list: the shell's answer for one file, loading
// 10,000 stored links into the list, 1,000 links from one command URL,
// deleting, cleaning and moving in a list of 65,000 and more, moving within
// a group of 50,000 and the drag image of all of them, and one search over
// 10,000 links.
#include "app/QuickLinkTreeList.h"
#include "app/QuickLinkWorkItems.h"
#include "app/QuorventileApp.h"
#include "bench/BenchClock.h"
#include "bench/BenchFolder.h"
#include "core/AppDatabase.h"
#include "core/AppPaths.h"
#include "core/CatalogStore.h"
#include "core/CommandUrl.h"
#include "core/StoreTransaction.h"
#include "framework/CWnd.h"
#include "framework/TextConvert.h"
#include "skin/CSkinRes.h"
#include "skin/SkinDrawSupport.h"

#include <windows.h>
#include <ole2.h>
#include <psapi.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <thread>
#include <vector>

namespace
{
using Bench::Now;
using Bench::Report;

void PumpMessages(DWORD ms)
{
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(1);
    } while (GetTickCount() - start < ms);
}

// 100 folders of 100 files: Wine looks a new name up in the whole folder, so
// one folder of 10,000 would take minutes to fill.
std::vector<CString> MakeFiles(const CString& folder)
{
    std::vector<CString> paths;
    for (int g = 0; g < 100; ++g) {
        CString sub;
        sub.Format(L"%s\\g%02d", folder.GetString(), g);
        CreateDirectoryW(sub, nullptr);
        for (int i = 0; i < 100; ++i) {
            CString path;
            path.Format(L"%s\\file %03d.txt", sub.GetString(), i);
            CloseHandle(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            paths.push_back(path);
        }
    }
    return paths;
}

void ShellInfoPerCall(const std::vector<CString>& paths)
{
    const size_t calls = 300;
    double start = Now();
    for (size_t i = 0; i < calls; ++i) {
        SHFILEINFOW info = {};
        SHGetFileInfoW(paths[i], FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                       SHGFI_ICON | SHGFI_DISPLAYNAME | SHGFI_TYPENAME);
        if (info.hIcon)
            DestroyIcon(info.hIcon);
    }
    Report("shell_info_per_call", (Now() - start) * 1000 / calls, "ms");
}

// 100 groups of 100 links, chained as the list chains them.
void StoreLinks(const std::vector<CString>& paths)
{
    CStoreTransaction transaction;
    int lastCid = 0;
    for (int g = 0; g < 100; ++g) {
        CatalogInfo catalog;
        catalog.name.Format(L"分组 %d", g);
        catalog.preid = lastCid;
        AddCatalog(catalog);
        lastCid = catalog.cid;
        int preid = 0;
        for (int i = 0; i < 100; ++i) {
            QuickLinkInfo link;
            link.cid = catalog.cid;
            link.preid = preid;
            link.linktype = LinkTypeFile;
            link.path = paths[g * 100 + i];
            link.name = link.path.Mid(link.path.ReverseFind(L'\\') + 1);
            link.namepinyin = L"file";
            AddLink(link);
            preid = link.id;
        }
    }
}

void OpenFreshDatabase(Bench::TempFolder& folder, const wchar_t* name)
{
    CloseAppDatabase();
    SetAppDatabasePath(folder.File(name));
    OpenAppDatabase();
    SetConfigInt(L"DefaultLinksInit", 1);
}

// The list in a window of its own, with a pool of its own: work items hold
// the list, so the pool ends before the list does.
struct ListWindow {
    CWnd parent;
    CQuickLinkTreeList list;
    ListWindow()
    {
        SkinControl::CreateGlobalThreadPool()->Start();
        parent.CreateEx(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 300, 600, nullptr, nullptr);
        if (!list.Create(&parent, CRect(0, 0, 300, 600))) {
            fprintf(stderr, "bench_quicklinks: the list can't be made\n");
            exit(1);
        }
    }
    ~ListWindow()
    {
        parent.DestroyWindow();
        SkinControl::DestroyGlobalThreadPool();
    }
};

void LoadTenThousand(Bench::TempFolder& folder, const std::vector<CString>& paths)
{
    OpenFreshDatabase(folder, L"load.db");
    StoreLinks(paths);
    ListWindow window;
    window.list.KillTimer(CQuickLinkTreeList::kLoadTimer); // loaded here instead, timed
    double start = Now(), elapsed = 0;
    std::thread loader([&] {
        CComApartmentScope apartment;
        SkinControl::CThreadPool::CWorkItem work;
        window.list.LoadCatalogs(0, work);
        elapsed = Now() - start;
    });
    while (!window.list.IsLoaded())
        PumpMessages(5);
    loader.join();
    Report("quicklinks_load_10000", elapsed, "s");
    PumpMessages(100);
}

void AddThousand(Bench::TempFolder& folder, const std::vector<CString>& paths)
{
    OpenFreshDatabase(folder, L"add.db");
    ListWindow window;
    while (!window.list.IsLoaded())
        PumpMessages(5);
    CString url = L"app://add_links_to_catalog", text;
    HexCodeString(text, L"下载", 1);
    SetUrlParam(url, L"catalog_name", text);
    SetUrlParamInt(url, L"links_count", 1000);
    CCommandUrl built(url);
    for (int i = 0; i < 1000; ++i) {
        CString key;
        key.Format(L"link_%d", i);
        HexCodeString(text, paths[i], 1);
        built.Set(key, text);
    }
    url = built.Text();
    double start = Now();
    window.list.AddLinksToCatalog(url);
    while (AppDatabase.db.ExecScalar("select count(*) from qv_link;") < 1000)
        PumpMessages(2);
    Report("copydata_add_1000", Now() - start, "s");
    PumpMessages(200);
}
// Stored groups of links, made in one statement each inside one transaction:
// `groups` groups of `perGroup` links chained in id order, then one group of
// `extra` links whose odd ones name the given existing files, the even ones
// files that are gone.
void StoreBigList(int groups, int perGroup, int extra, const CString& folder)
{
    CStoreTransaction transaction;
    SQL_LITE::CppSQLite3SqlBuffer sql;
    sql.Format("with recursive g(c) as (select 1 union all select c + 1 from g where c < %d) "
               "insert into qv_catalog(cid, name, preid, itemcount) select c, 'group ' || c, c - 1, 0 from g;",
               groups + (extra ? 1 : 0));
    AppDatabase.db.ExecDML(sql);
    sql.Format("with recursive n(i) as (select 0 union all select i + 1 from n where i < %d) "
               "insert into qv_link(id, name, namepinyin, cid, preid, linktype, csidl, path, args, workdir, desc) "
               "select i + 1, 'link ' || i, 'link', i / %d + 1, case when i %% %d = 0 then 0 else i end, 3, 0, "
               "'C:\\gone\\' || i || '.txt', '', '', '' from n;",
               groups * perGroup - 1, perGroup, perGroup);
    AppDatabase.db.ExecDML(sql);
    if (!extra)
        return;
    // The files MakeFiles made: "<folder>\gNN\file NNN.txt".
    const CStringA root = ToUtf8(folder);
    sql.Format("with recursive n(i) as (select 0 union all select i + 1 from n where i < %d) "
               "insert into qv_link(id, name, namepinyin, cid, preid, linktype, csidl, path, args, workdir, desc) "
               "select %d + i + 1, 'extra ' || i, 'extra', %d, case when i = 0 then 0 else %d + i end, 3, 0, "
               "case when i %% 2 = 1 then %Q || printf('\\g%%02d\\file %%03d.txt', i / 200, (i / 2) %% 100) "
               "else 'C:\\gone\\extra ' || i || '.txt' end, '', '', '' from n;",
               extra - 1, groups * perGroup, groups + 1, groups * perGroup, root.GetString());
    AppDatabase.db.ExecDML(sql);
}

// Waits for the load, then opens the named group as the user would before
// a command on it.
SkinControl::CTreeListItem* OpenGroup(ListWindow& window, const wchar_t* name)
{
    while (!window.list.IsLoaded())
        PumpMessages(5);
    CQuickLinkTreeList& list = window.list;
    for (auto* row = list.GetChildItem(list.GetRootItem()); row; row = list.GetNextSiblingItem(row)) {
        if (list.GetItemText(row) == name) {
            list.Expand(row, TRUE, 0);
            return row;
        }
    }
    fprintf(stderr, "bench_quicklinks: no group %ls\n", name);
    exit(1);
}

int CountRows(const char* sql)
{
    return AppDatabase.db.ExecScalar(sql);
}

// Deleting a group of 500 in a list of 65,000 through the list's own
// delete: its links (all selected), then the group, empty by then, which
// asks nothing.
void DeleteGroupOf500(Bench::TempFolder& folder)
{
    OpenFreshDatabase(folder, L"delete.db");
    StoreBigList(130, 500, 0, folder.path);
    ListWindow window;
    auto* group = OpenGroup(window, L"group 65");
    std::vector<SkinControl::CTreeListItem*> rows;
    for (auto* row = window.list.GetChildItem(group); row; row = window.list.GetNextSiblingItem(row))
        rows.push_back(row);
    double start = Now();
    window.list.DeleteSelectedItems(rows);
    window.list.DeleteCatalog(group);
    window.list.RecalcLayout();
    Report("list_delete_group_500_of_65000", Now() - start, "s");
    if (CountRows("select count(*) from qv_link;") != 64500 || CountRows("select count(*) from qv_catalog;") != 129)
        fprintf(stderr, "bench_quicklinks: the group was not deleted\n");
    PumpMessages(100);
}

// 清理失效的连接 on a group of 5,000 of which 2,500 are gone, in a list of
// 70,000.
void CleanDeadHalfOf5000(Bench::TempFolder& folder)
{
    OpenFreshDatabase(folder, L"clean.db");
    StoreBigList(130, 500, 5000, folder.path);
    ListWindow window;
    auto* group = OpenGroup(window, L"group 131");
    double start = Now();
    window.list.CleanDeadLinks(group);
    window.list.RecalcLayout();
    Report("list_clean_dead_2500_of_5000", Now() - start, "s");
    if (CountRows("select count(*) from qv_link;") != 67500)
        fprintf(stderr, "bench_quicklinks: %d links left instead of 67500\n", CountRows("select count(*) from qv_link;"));
    PumpMessages(100);
}

// A drop lands on the row under the cursor, as laid out and painted: the
// cursor goes onto this row, scrolled into view.
void PutCursorOn(ListWindow& window, SkinControl::CTreeListItem* row)
{
    CQuickLinkTreeList& list = window.list;
    window.parent.ShowWindow(SW_SHOWNOACTIVATE);
    list.RecalcLayout();
    list.EnsureVisible(row);
    list.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    CRect rect;
    list.GetItemRect(row, &rect);
    CPoint onto(100, rect.top + rect.Height() / 2);
    list.ClientToScreen(&onto);
    SetCursorPos(onto.x, onto.y);
}

// Dragging all 50,000 links of a group, all selected, onto another group's
// row, in a list of 100,000.
void MoveFiftyThousandToGroup(Bench::TempFolder& folder)
{
    OpenFreshDatabase(folder, L"move.db");
    StoreBigList(2, 50000, 0, folder.path);
    ListWindow window;
    CQuickLinkTreeList& list = window.list;
    auto* from = OpenGroup(window, L"group 1");
    CQuickLinkTreeList::DragRecord drag;
    for (auto* row = list.GetChildItem(from); row; row = list.GetNextSiblingItem(row)) {
        list.SelectItem(row, FALSE, TRUE, FALSE);
        drag.rows.push_back(row);
    }
    PutCursorOn(window, list.GetNextSiblingItem(from));
    double start = Now();
    list.MoveDraggedLinks(drag);
    list.RecalcLayout();
    Report("list_move_50000_to_group", Now() - start, "s");
    if (CountRows("select count(*) from qv_link where cid = 2;") != 100000)
        fprintf(stderr, "bench_quicklinks: %d links moved instead of 50000\n",
                CountRows("select count(*) from qv_link where cid = 2;") - 50000);
    PumpMessages(100);
}

// The rows a drag of 50,000 links shows under the cursor, and the memory
// its image takes.
void DragImageOf(CQuickLinkTreeList& list, const CQuickLinkTreeList::DragRecord& rows)
{
    CQuickLinkTreeList::DragRecord drag = rows;
    PROCESS_MEMORY_COUNTERS before = {}, after = {};
    before.cb = after.cb = sizeof(before);
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof(before));
    SHDRAGIMAGE image = {};
    double start = Now();
    const BOOL made = list.CreateDragImage(drag, &image);
    const double elapsed = Now() - start;
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof(after));
    if (!made)
        fprintf(stderr, "bench_quicklinks: no drag image\n");
    DeleteObject(image.hbmpDragImage);
    Report("drag_image_50000_rows", elapsed * 1000, "ms");
    // Wine keeps no count of private bytes; the page-file count holds them.
    Report("drag_image_50000_rows_memory",
           (static_cast<double>(after.PagefileUsage) - static_cast<double>(before.PagefileUsage)) / (1024 * 1024),
           "MB");
}

// Dropping 1,000 links of a group of 50,000, every 50th from its second,
// onto a link row in its middle; then the drag image of the whole group.
void MoveThousandWithinFiftyThousand(Bench::TempFolder& folder)
{
    OpenFreshDatabase(folder, L"within.db");
    StoreBigList(1, 50000, 0, folder.path);
    ListWindow window;
    CQuickLinkTreeList& list = window.list;
    auto* group = OpenGroup(window, L"group 1");
    std::vector<SkinControl::CTreeListItem*> rows;
    for (auto* row = list.GetChildItem(group); row; row = list.GetNextSiblingItem(row))
        rows.push_back(row);
    CQuickLinkTreeList::DragRecord drag;
    for (size_t i = 1; i < rows.size() && drag.rows.size() < 1000; i += 50)
        drag.rows.push_back(rows[i]);
    auto* target = rows[25000];
    PutCursorOn(window, target);
    double start = Now();
    list.MoveDraggedLinks(drag);
    list.RecalcLayout();
    Report("list_move_1000_within_50000", Now() - start, "s");
    // The last link dropped now comes right before the target.
    if (list.GetNextSiblingItem(drag.rows.back()) != target ||
        CountRows("select preid from qv_link where id = 25001;") != CountRows("select id from qv_link where name = 'link 49951';"))
        fprintf(stderr, "bench_quicklinks: the links did not go before the target\n");
    CQuickLinkTreeList::DragRecord all;
    all.rows = rows;
    DragImageOf(list, all);
    PumpMessages(100);
}

// One search pass over 10,000 links with Chinese and Latin names, until the
// rows are laid out. The records are made in memory, with an icon, so that
// no pool thread asks the shell for them meanwhile.
void FilterTenThousand()
{
    static const wchar_t* const kWords[] = {L"记事本",     L"计算器",       L"画图",    L"浏览器",
                                            L"音乐播放器", L"Notepad Plus", L"Firefox", L"Total Commander"};
    CWnd parent;
    parent.CreateEx(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 300, 600, nullptr, nullptr);
    parent.ShowWindow(SW_SHOWNOACTIVATE);
    CQuickLinkTreeList list;
    list.Create(&parent, CRect(0, 0, 300, 600));
    list.KillTimer(CQuickLinkTreeList::kLoadTimer);
    HICON icon = LoadIconW(nullptr, IDI_APPLICATION); // shared: never really destroyed
    for (int g = 0; g < 100; ++g) {
        AddLinkRequest group;
        group.kind = AddLinkRequest::KindCatalogName;
        group.catalogName.Format(L"分组 %d", g);
        SkinControl::CTreeListItem* row = list.AddCatalog(group);
        for (int i = 0; i < 100; ++i) {
            AddLinkRequest request;
            request.kind = AddLinkRequest::KindLinkToRow;
            request.catalogItem = row;
            request.link.reset(new QuickLinkInfo);
            request.link->linktype = LinkTypeFile;
            request.link->name.Format(L"%s %d", kWords[(g + i) % 8], g * 100 + i);
            request.link->path.Format(L"C:\\bench\\%d\\%d.exe", g, i);
            request.link->fileInfo.hIcon = icon;
            list.AddLink(request);
        }
    }
    const wchar_t* const texts[] = {L"jishi", L"", L"plus", L"", L"音乐", L"", L"9", L""};
    list.FilterItems(L"warm");
    list.FilterItems(L"");
    double start = Now();
    for (const wchar_t* text : texts) {
        list.FilterItems(text);
        list.RecalcLayout();
    }
    Report("search_filter_10000", (Now() - start) * 1000 / std::size(texts), "ms");
    parent.DestroyWindow();
}
} // namespace

int main()
{
    OleInitialize(nullptr);
    // The list's loading window needs the skin.
    SkinControl::InitSkinDrawSupport(SkinControl::GetSkinDrawSupport());
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    CString skin = exe;
    SkinControl::CSkinRes::SetSkinFolder(skin.Left(skin.ReverseFind(L'\\')) + L"\\..\\Skin");
    PreloadSkin();
    {
        Bench::TempFolder folder(L"qv_bench_links");
        AppPaths.dataFolder = folder.path;
        std::vector<CString> paths = MakeFiles(folder.path);
        ShellInfoPerCall(paths);
        LoadTenThousand(folder, paths);
        AddThousand(folder, paths);
        DeleteGroupOf500(folder);
        CleanDeadHalfOf5000(folder);
        MoveFiftyThousandToGroup(folder);
        MoveThousandWithinFiftyThousand(folder);
        CloseAppDatabase();
        FilterTenThousand();
    }
    SkinControl::CSkinRes::Global().FreeAll();
    SkinControl::ShutdownSkinDrawSupport(SkinControl::GetSkinDrawSupport());
    OleUninitialize();
    return 0;
}
