// The quick-link list in this process, with a database of its own and the
// program's pool: what the end-to-end probe can't arrange from outside.
#include "app/tests/QuickLinkListTest.h"
#include "app/QuickLinkTreeList.h"
#include "app/QuickLinkWorkItems.h"
#include "app/QuorventileApp.h"
#include "core/CatalogsCache.h"
#include "core/CommandUrl.h"
#include "core/tests/TempDataFolder.h"
#include "framework/TextConvert.h"
#include "skin/CSkinMessageBox.h"
#include "skin/CSkinRes.h"
#include "skin/tests/GuiTestHelpers.h"

#include <algorithm>
#include <atomic>
#include <functional>

namespace
{
using QuickLinkTest::PumpUntil;
using SkinControl::CTreeListItem;
using SkinTest::PumpMessages;

CString AddLinksUrl(const wchar_t* catalog, const std::vector<CString>& paths)
{
    CCommandUrl url(L"app://add_links_to_catalog");
    CString hex;
    HexCodeString(hex, catalog, 1);
    url.Set(L"catalog_name", hex);
    url.SetInt(L"links_count", static_cast<int>(paths.size()));
    for (size_t i = 0; i < paths.size(); ++i) {
        CString key;
        key.Format(L"link_%d", static_cast<int>(i));
        HexCodeString(hex, paths[i], 1);
        url.Set(key, hex);
    }
    return url.Text();
}

// A shell link file naming its target in its link information only, as
// written for targets of any length (Wine's own writer stops at MAX_PATH).
void WriteShortcutFile(const CString& path, const CString& target)
{
    std::vector<unsigned char> bytes;
    auto put = [&](DWORD value) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
    };
    const unsigned char shellLinkClsid[16] = {1, 0x14, 2, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    put(0x4C);
    bytes.insert(bytes.end(), shellLinkClsid, shellLinkClsid + 16);
    put(0x02 | 0x80); // link information; Unicode strings
    bytes.resize(0x4C, 0);
    bytes[0x3C] = 1; // shown normally
    const CStringA local = ToUtf8(target);
    const DWORD volume = 0x1C, volumeSize = 0x11, localPath = volume + volumeSize;
    const DWORD suffix = localPath + local.GetLength() + 1;
    // The information's size, header size, flags (volume and local path)
    // and offsets; the volume's size, type, serial number and label offset.
    const DWORD info[] = {suffix + 1, 0x1C, 1, volume, localPath, 0, suffix, volumeSize, DRIVE_FIXED, 0, 0x10};
    for (DWORD value : info)
        put(value);
    bytes.push_back(0); // no volume label
    bytes.insert(bytes.end(), local.GetString(), local.GetString() + local.GetLength() + 1);
    bytes.push_back(0); // no suffix
    put(0);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

class QuickLinkList : public QuickLinkTest::QuickLinkListTest
{
protected:
    // One worker takes the items in the order they were posted, each after
    // the one before has ended.
    void OneWorker()
    {
        SkinControl::DestroyGlobalThreadPool();
        SkinControl::CreateGlobalThreadPool()->Start(1, 1);
    }
    // True once every item posted before it has run (with OneWorker).
    bool EarlierWorkDone()
    {
        struct Marker : SkinControl::CThreadPool::CWorkItem {
            std::atomic<bool>* ran;
            void Run() override { *ran = true; }
        };
        std::atomic<bool> ran{false};
        auto* marker = new Marker;
        marker->ran = &ran;
        SkinControl::PostWorkItem(marker);
        return PumpUntil([&] { return ran.load(); });
    }
};

TEST(QuickLinkChain, IsFollowedOrRewrittenInTheGivenOrder)
{
    const struct {
        const char* what;
        std::vector<std::pair<int, int>> given; // {id, preid}
        std::vector<std::pair<int, int>> shown;
    } cases[] = {
        {"whole", {{3, 2}, {1, 0}, {2, 1}}, {{1, 0}, {2, 1}, {3, 2}}},
        {"empty", {}, {}},
        {"a gap", {{1, 0}, {3, 2}, {4, 3}}, {{1, 0}, {3, 1}, {4, 3}}},
        {"a cycle", {{5, 6}, {6, 5}}, {{5, 0}, {6, 5}}},
        {"a cycle after a start", {{1, 0}, {2, 3}, {3, 2}}, {{1, 0}, {2, 1}, {3, 2}}},
        {"two after one", {{1, 0}, {2, 1}, {3, 1}}, {{1, 0}, {2, 1}, {3, 2}}},
        {"itself before itself", {{7, 7}}, {{7, 0}}},
    };
    for (const auto& test : cases) {
        std::vector<QuickLinkInfo> records(test.given.size());
        std::vector<QuickLinkInfo*> links;
        for (size_t i = 0; i < records.size(); ++i) {
            records[i].id = test.given[i].first;
            records[i].preid = test.given[i].second;
            links.push_back(&records[i]);
        }
        CQuickLinkTreeList::RechainLinks(links);
        std::vector<std::pair<int, int>> shown;
        for (QuickLinkInfo* link : links)
            shown.emplace_back(link->id, link->preid);
        EXPECT_EQ(test.shown, shown) << test.what;
    }
}

TEST_F(QuickLinkList, ABrokenStoredChainIsShownInStoredOrderAndStoredRepaired)
{
    CatalogInfo docs = StoreCatalog(L"Docs");
    QuickLinkInfo a = StoreLink(docs.cid, 0, File(L"a.txt"));
    QuickLinkInfo b = StoreLink(docs.cid, 99, File(L"b.txt"));
    StoreLink(docs.cid, b.id, File(L"c.txt"));
    Create();
    Load();
    // In the store's order, ascending preid, and chained that way.
    EXPECT_EQ((std::vector<CString>{L"Docs", L"  a.txt", L"  c.txt", L"  b.txt"}), Rows());
    EXPECT_EQ(2, Count("select count(*) from qv_link l, qv_link p where (l.name = 'c.txt' and p.name = 'a.txt' or "
                       "l.name = 'b.txt' and p.name = 'c.txt') and l.preid = p.id;"));
    ExpectSoundChains();
}

// A link that the load leaves out, as equal to one in an earlier group,
// stays in its group's stored chain: the load writes nothing, and once the
// other copy is gone the link shows again where the user put it.
TEST_F(QuickLinkList, ALoadLeavesTheStoredChainsWholeAndUnchanged)
{
    CatalogInfo g1 = StoreCatalog(L"G1");
    CatalogInfo g2 = StoreCatalog(L"G2", g1.cid);
    StoreLink(g1.cid, 0, File(L"a.txt"), L"a copy");
    StoreChain(g2.cid, {L"d.txt", L"b.txt", L"a.txt", L"c.txt", L"e.txt"});
    const std::wstring stored = StoredLinks();
    Create();
    Load();
    EXPECT_EQ((std::vector<CString>{L"G1", L"  a copy", L"G2", L"  d.txt", L"  b.txt", L"  c.txt", L"  e.txt"}),
              Rows());
    Restart();
    EXPECT_EQ(stored, StoredLinks()) << "the load changed the store";
    list.DeleteLink(Row(L"a copy"), TRUE);
    Restart();
    EXPECT_EQ((std::vector<CString>{L"G1", L"G2", L"  d.txt", L"  b.txt", L"  a.txt", L"  c.txt", L"  e.txt"}),
              Rows());
    ExpectSoundChains();
}

// Of two equal links in one group the later one in the chain is left out,
// whatever their ids; links appended, moved or deleted around it keep the
// chain whole.
TEST_F(QuickLinkList, AGroupsLaterEqualLinkIsLeftOutAndChangesGoAroundIt)
{
    CatalogInfo docs = StoreCatalog(L"Docs");
    QuickLinkInfo later = StoreLink(docs.cid, 0, File(L"a.txt"), L"later");
    QuickLinkInfo earlier = StoreLink(docs.cid, 0, File(L"a.txt"), L"earlier");
    StoreLink(docs.cid, later.id, File(L"b.txt"));
    AppDatabase.db.ExecDML(("update qv_link set preid = " + std::to_string(earlier.id) +
                            " where id = " + std::to_string(later.id) + ";").c_str());
    Create();
    Load();
    EXPECT_EQ((std::vector<CString>{L"Docs", L"  earlier", L"  b.txt"}), Rows());
    std::vector<AddLinkRequest> requests;
    requests.push_back(FileRequest(L"c.txt"));
    requests[0].catalogItem = Row(L"Docs");
    CQuickLinkTreeList::CAddLinkWorkItem(&list, std::move(requests)).Run();
    ExpectSoundChains();
    ASSERT_TRUE(list.MoveLinkBefore(Row(L"b.txt"), Row(L"earlier")));
    ExpectSoundChains();
    list.DeleteLink(Row(L"earlier"), TRUE);
    ExpectSoundChains();
    Restart();
    EXPECT_EQ((std::vector<CString>{L"Docs", L"  b.txt", L"  later", L"  c.txt"}), Rows());
    ExpectSoundChains();
}

// Left-out links keep their place in their group's stored chain whatever
// happens around them; a shown link takes its left-out equals along, so
// that it stays the one shown; a deleted group takes its left-out links.
TEST_F(QuickLinkList, LeftOutLinksKeepTheChainThroughMovesAppendsAndDeletes)
{
    CatalogInfo first = StoreCatalog(L"First");
    StoreLink(first.cid, 0, File(L"a.txt")); // Move's a.txt is left out
    const struct {
        const wchar_t* group;
        std::vector<const wchar_t*> links; // chained in this order
        std::function<void()> change;
    } cases[] = {
        {L"Move", {L"x.txt", L"b.txt", L"a.txt", L"c.txt"},
         [&] { EXPECT_TRUE(list.MoveLinkToCatalog(Row(L"b.txt"), Row(L"First"))); }},
        {L"Append", {L"d.txt", L"e.txt", L"d.txt"},
         [&] {
             std::vector<AddLinkRequest> requests;
             requests.push_back(FileRequest(L"f.txt"));
             requests[0].catalogItem = Row(L"Append");
             CQuickLinkTreeList::CAddLinkWorkItem(&list, std::move(requests)).Run();
         }},
        {L"Twins", {L"g.txt", L"g.txt", L"h.txt", L"i.txt"},
         [&] { EXPECT_TRUE(list.MoveLinksBefore({Row(L"h.txt"), Row(L"g.txt")}, Row(L"i.txt"))); }},
        {L"Gone", {L"k.txt", L"k.txt"},
         [&] {
             list.DeleteLink(Row(L"k.txt"), TRUE);
             EXPECT_EQ(1, list.DeleteCatalog(Row(L"Gone")));
         }},
    };
    int group = first.cid;
    for (const auto& c : cases) {
        group = StoreCatalog(c.group, group).cid;
        StoreChain(group, c.links);
    }
    Create();
    Load();
    for (const auto& c : cases) {
        c.change();
        ExpectSoundChains();
    }
    Restart();
    EXPECT_EQ((std::vector<CString>{L"First", L"  a.txt", L"  b.txt", L"Move", L"  x.txt", L"  c.txt", L"Append",
                                    L"  d.txt", L"  e.txt", L"  f.txt", L"Twins", L"  h.txt", L"  g.txt", L"  i.txt"}),
              Rows());
    EXPECT_EQ(0, Count("select count(*) from qv_link where cid not in (select cid from qv_catalog);"));
    ExpectSoundChains();
}

// A group named like another but for case, as another program may store
// it, is not shown: its links stay in the store, out of the other's chain;
// its name stays taken for renames and new groups, and the group-name cache
// offers only the groups shown.
TEST_F(QuickLinkList, AGroupNamedLikeAnotherButForCaseStaysInTheStoreOnly)
{
    const int upper = StoreCatalog(L"G1").cid, lower = StoreCatalog(L"g1", upper).cid;
    const int other = StoreCatalog(L"G2", lower).cid, fresh = StoreCatalog(L"新分组1", other).cid;
    AppDatabase.db.ExecDML(("insert into qv_catalog(name, preid, itemcount) values('新分组1', " +
                            std::to_string(fresh) + ", 0);").c_str());
    StoreChain(upper, {L"a.txt", L"b.txt", L"c.txt"});
    StoreChain(lower, {L"d.txt"});
    StoreChain(other, {L"e.txt"});
    Create();
    Load();
    EXPECT_EQ((std::vector<CString>{L"G1", L"  a.txt", L"  b.txt", L"  c.txt", L"G2", L"  e.txt", L"新分组1"}), Rows());
    // The file's text, and what it should hold for these names.
    auto cache = [&] {
        const std::vector<unsigned char> bytes = TempDataFolder::ReadBytes(dir.cachePath);
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    };
    auto listing = [](std::vector<CString> names) { return BuildCatalogsCacheText(names).str() + L'\0'; };
    EXPECT_EQ(listing({L"G1", L"G2", L"新分组1"}), cache());
    ASSERT_TRUE(list.MoveLinkBefore(Row(L"c.txt"), Row(L"a.txt")));
    // Once the shown group has another name, the left-out one's is taken
    // still, in any case.
    EXPECT_EQ(1, list.CommitCatalogName(Row(L"G1"), L"H"));
    EXPECT_EQ(0, list.CommitCatalogName(Row(L"G2"), L"g1"));
    EXPECT_EQ(0, list.CommitCatalogName(Row(L"G2"), L"G1"));
    EXPECT_EQ(1, list.CommitCatalogName(Row(L"新分组1"), L"X"));
    EXPECT_EQ(CString(L"新分组2"), list.MakeNewCatalogName());
    EXPECT_EQ(listing({L"H", L"G2", L"X"}), cache());
    Restart();
    EXPECT_EQ((std::vector<CString>{L"H", L"  c.txt", L"  a.txt", L"  b.txt", L"g1", L"  d.txt", L"G2", L"  e.txt",
                                    L"X", L"新分组1"}),
              Rows());
    EXPECT_EQ(lower, Count("select cid from qv_link where name = 'd.txt';"));
    ExpectSoundChains();
}

// A store that fills up in the middle of an add stores nothing of it, also
// not the statements after the failing one, and says so; a group made
// afterwards takes no link of the add.
TEST_F(QuickLinkList, AnAddThatFillsTheStoreLeavesNothingBehind)
{
    Create();
    Load();
    const int pages = Count("pragma page_count;");
    AppDatabase.db.ExecDML(("pragma max_page_count = " + std::to_string(pages + 2) + ";").c_str());
    std::vector<AddLinkRequest> requests;
    for (int i = 0; i < 100; ++i)
        requests.push_back(FileRequest(CString(L'n', 100) + std::to_wstring(i).c_str(), L"ADDG"));
    QuickLinkTest::ModalAction box(L"#32770", [](HWND window) {
        PostMessageW(window, WM_COMMAND, SkinControl::CSkinMessageBox::IdFirstButton, 0);
    });
    CQuickLinkTreeList::CAddLinkWorkItem(&list, std::move(requests)).Run();
    EXPECT_TRUE(PumpUntil([&] { return box.Acted(); }, 3000)) << "the failure is told";
    AppDatabase.db.ExecDML("pragma max_page_count = 1073741823;");
    EXPECT_EQ(0, Count("select count(*) from qv_link;"));
    EXPECT_TRUE(Rows().empty());
    AddLinkRequest group;
    group.kind = AddLinkRequest::KindCatalogName;
    group.catalogName = L"NEWG";
    group.addToDb = group.append = 1;
    ASSERT_TRUE(list.AddCatalog(group));
    Restart();
    EXPECT_EQ(std::vector<CString>{L"NEWG"}, Rows());
    ExpectSoundChains();
}

TEST_F(QuickLinkList, CommandsBeforeTheLoadWaitAndFindTheStoredGroupInAnyCase)
{
    CatalogInfo docs = StoreCatalog(L"Docs");
    StoreLink(docs.cid, 0, File(L"a.txt"));
    OneWorker();
    Create();
    list.AddLinksToCatalog(AddLinksUrl(L"DOCS", {File(L"b.txt"), File(L"a.txt")}));
    list.SetPendingCommand(AddLinksUrl(L"docs", {File(L"c.txt")}));
    ASSERT_TRUE(EarlierWorkDone());
    EXPECT_EQ(1, Count("select count(*) from qv_link;"));
    Load();
    // The two commands run one after the other, in either order.
    EXPECT_TRUE(PumpUntil([&] {
        std::vector<CString> rows = Rows();
        std::sort(rows.begin(), rows.end());
        return rows == std::vector<CString>{L"  a.txt", L"  b.txt", L"  c.txt", L"Docs"};
    }));
    EXPECT_EQ(1, Count("select count(*) from qv_catalog;"));
    EXPECT_EQ(3, Count("select count(*) from qv_link where cid = (select cid from qv_catalog);"));
}

TEST_F(QuickLinkList, AGroupTheStoreRefusesTakesNoLinks)
{
    OneWorker();
    Create();
    Load();
    // A group the list doesn't show, made behind its back: the store refuses
    // a second one of that name, and the user is told.
    StoreCatalog(L"Elsewhere");
    QuickLinkTest::ModalAction box(L"#32770", [](HWND window) {
        PostMessageW(window, WM_COMMAND, SkinControl::CSkinMessageBox::IdFirstButton, 0);
    });
    list.AddLinksToCatalog(AddLinksUrl(L"Elsewhere", {File(L"a.txt")}));
    list.AddLinksToCatalog(AddLinksUrl(L"Here", {File(L"b.txt")}));
    // The second command's link is there once the first command has ended.
    EXPECT_TRUE(PumpUntil([&] { return Rows() == std::vector<CString>{L"Here", L"  b.txt"} && box.Acted(); }));
    EXPECT_EQ(0, Count("select count(*) from qv_link where cid = 0 or name = 'a.txt';"));
    EXPECT_EQ(1, Count("select count(*) from qv_link;"));
}

TEST_F(QuickLinkList, ADropBeforeALinkGoesThereUnlessTheLinkMovedAway)
{
    CatalogInfo docs = StoreCatalog(L"Docs");
    StoreCatalog(L"Other", docs.cid);
    QuickLinkInfo a = StoreLink(docs.cid, 0, File(L"a.txt"));
    StoreLink(docs.cid, a.id, File(L"b.txt"));
    Create();
    Load();
    CTreeListItem* docsRow = list.GetChildItem(list.GetRootItem());
    CTreeListItem* aRow = list.GetChildItem(docsRow);
    CTreeListItem* bRow = list.GetNextSiblingItem(aRow);
    auto drop = [&](const wchar_t* name, CTreeListItem* before) {
        std::vector<AddLinkRequest> requests;
        requests.push_back(FileRequest(name));
        requests[0].catalogItem = docsRow;
        requests[0].insertBefore = before;
        requests[0].notify = 1;
        list.PostAfterLoad(new CQuickLinkTreeList::CAddLinkWorkItem(&list, std::move(requests)));
    };
    // The stored chain has new.txt between a.txt and b.txt.
    const auto chained = [&] {
        return Count("select count(*) from qv_link l, qv_link p where (l.name = 'new.txt' and p.name = 'a.txt' "
                     "or l.name = 'b.txt' and p.name = 'new.txt') and l.preid = p.id;");
    };
    drop(L"new.txt", bRow);
    // Its row shows before the worker has put it before b.txt: wait for both.
    ASSERT_TRUE(PumpUntil([&] { return Rows().size() == 5 && chained() == 2; }));
    // b.txt's row is gone before the next drop runs.
    list.DeleteItem(bRow);
    drop(L"last.txt", bRow);
    ASSERT_TRUE(PumpUntil([&] { return Rows().size() == 5; }));
    EXPECT_EQ((std::vector<CString>{L"Docs", L"  a.txt", L"  new.txt", L"  last.txt", L"Other"}), Rows());
    EXPECT_EQ(2, chained()) << "the second drop left the first one's chain as it was";
}

TEST_F(QuickLinkList, ShortcutTargetsAreReadWholeAndTheX86FolderRepaired)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CString longTarget = L"C:";
    while (longTarget.GetLength() < 300)
        longTarget += L"\\a folder with a fairly long name";
    longTarget += L"\\target.txt";
    CreateDirectoryW(dir.folder + L"\\Program Files", nullptr);
    const CString tool = File(L"Program Files\\tool.exe");
    const struct {
        CString target; // saved in the shortcut
        CString resolved;
    } cases[] = {
        {longTarget, longTarget},
        {dir.folder + L"\\Program Files (x86)\\tool.exe", tool},
    };
    for (const auto& test : cases) {
        WriteShortcutFile(dir.folder + L"\\link.lnk", test.target);
        QuickLinkInfo link;
        ASSERT_TRUE(CQuickLinkTreeList::ResolveShortcut(dir.folder + L"\\link.lnk", link));
        EXPECT_EQ(test.resolved, link.path);
        EXPECT_EQ(LinkTypeShortcut, link.linktype);
    }
    CoUninitialize();
}

TEST_F(QuickLinkList, NothingChangesOnceTheWindowIsGone)
{
    Create();
    list.AddLinksToCatalog(AddLinksUrl(L"Docs", {File(L"a.txt")}));
    // A stopped load leaves the list unloaded and the first run undone.
    SetConfigInt(L"DefaultLinksInit", 0);
    std::atomic<LONG> stop{1};
    CQuickLinkTreeList::CLoadCacheWorkItem load(&list, 0);
    load.stopFlag = &stop;
    load.Run();
    EXPECT_FALSE(list.IsLoaded());
    EXPECT_EQ(0, GetConfigInt(L"DefaultLinksInit", 0));

    list.DestroyWindow();
    std::vector<AddLinkRequest> requests(1);
    requests[0].kind = AddLinkRequest::KindLinkToName;
    requests[0].catalogName = L"Docs";
    requests[0].path = File(L"b.txt");
    requests[0].link.reset(new QuickLinkInfo);
    requests[0].addToDb = 1;
    // Run here, so that all it does is done when it returns.
    CQuickLinkTreeList::CAddLinkWorkItem(&list, std::move(requests)).Run();
    EXPECT_EQ(0, Count("select count(*) from qv_catalog;"));
    EXPECT_EQ(0, Count("select count(*) from qv_link;"));
}

TEST_F(QuickLinkList, PaintingShowsTheLastCheckedStateOfATarget)
{
    CatalogInfo docs = StoreCatalog(L"Docs");
    StoreLink(docs.cid, 0, File(L"a.txt"));
    SetConfigString(L"DefaultExpandCatalog", L"docs ");
    Create();
    Load();
    // The link's text: how many pixels differ from the background, and how
    // many of them are dark (black text, not the grey of a missing target).
    auto text = [&] {
        list.RedrawWindow();
        SkinTest::Pixels shot = SkinTest::CaptureClient(list.m_hWnd);
        std::pair<int, int> counts(0, 0);
        for (int y = 26; y < 52; ++y)
            for (int x = 41; x < 150; ++x) {
                COLORREF c = shot.Pixel(x, y);
                counts.first += c != ListBackColor;
                counts.second += GetRValue(c) < 128 && GetGValue(c) < 128 && GetBValue(c) < 128;
            }
        return counts;
    };
    auto grey = [&] { return text().first > 10 && text().second == 0; };
    ASSERT_TRUE(PumpUntil([&] { return list.GetRowCount() == 2; }));
    // Its shell icon arrives from a pool thread, with the first check.
    ASSERT_TRUE(PumpUntil([&] {
        list.RedrawWindow();
        SkinTest::Pixels shot = SkinTest::CaptureClient(list.m_hWnd);
        return shot.Pixel(23, 39) != ListBackColor;
    }));
    EXPECT_GT(text().second, 5);
    DeleteFileW(dir.folder + L"\\a.txt");
    // Paints don't look at the file; the next check does.
    EXPECT_GT(text().second, 5);
    list.SendMessage(WM_TIMER, CQuickLinkTreeList::kTargetTimer);
    EXPECT_TRUE(PumpUntil(grey));
}

// A link starts with its arguments in its working folder, with the verb
// "open", or "runas" as administrator: the file's type has both verbs, and
// each writes its own name.
TEST_F(QuickLinkList, LinksStartWithTheirVerbArgumentsAndFolder)
{
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const wchar_t* const kClasses = L"Software\\Classes\\";
    const CString type = L"QuorventileVerbTest";
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, CString(kClasses) + L".qvverbtest", nullptr, REG_SZ, type.GetString(),
                    (type.GetLength() + 1) * sizeof(wchar_t));
    for (const wchar_t* verb : {L"open", L"runas"}) {
        CString command;
        command.Format(L"\"%s\\cmd.exe\" /c echo %s %%*>started.txt", system, verb);
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, CString(kClasses) + type + L"\\shell\\" + verb + L"\\command", nullptr,
                        REG_SZ, command.GetString(), (command.GetLength() + 1) * sizeof(wchar_t));
    }
    LinkLaunchInfo link;
    link.linktype = LinkTypeFile;
    link.path = File(L"target.qvverbtest");
    for (int runAs : {0, 1}) {
        link.args.Format(L"ran%d", runAs);
        link.workdir.Format(L"%s\\in %d", dir.folder.GetString(), runAs);
        CreateDirectoryW(link.workdir, nullptr);
        CQuickLinkTreeList::LaunchLink(link, runAs);
        const std::string expected = (runAs ? "runas ran1" : "open ran0") + std::string("\r\n");
        EXPECT_TRUE(PumpUntil([&] {
            std::vector<unsigned char> bytes = TempDataFolder::ReadBytes(link.workdir + L"\\started.txt");
            return std::string(bytes.begin(), bytes.end()) == expected;
        })) << runAs;
    }
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, CString(kClasses) + type);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, CString(kClasses) + L".qvverbtest");
}

// The shell extension hands a whole Explorer selection over: every path of
// a command arrives, in order, along one chain.
TEST_F(QuickLinkList, EveryPathOfALongCommandArrivesInOrder)
{
    Create();
    Load();
    const int kPaths = 5000;
    CreateDirectoryW(dir.folder + L"\\many", nullptr);
    std::vector<CString> paths;
    for (int i = 0; i < kPaths; ++i) {
        CString name;
        name.Format(L"many\\%04d.txt", i);
        paths.push_back(File(name));
    }
    list.AddLinksToCatalog(AddLinksUrl(L"Many", paths));
    ASSERT_TRUE(PumpUntil([&] { return Count("select count(*) from qv_link;") == kPaths; }, 60000));
    EXPECT_EQ(1, Count("select count(*) from qv_link where preid = 0 and name = '0000.txt';"));
    EXPECT_EQ(kPaths - 1, Count("select count(*) from qv_link l, qv_link p where l.preid = p.id and "
                                "cast(substr(l.name, 1, 4) as integer) = cast(substr(p.name, 1, 4) as integer) + 1;"));
}

// A drive root and a share root have no file-name part, yet their links get
// a name: the shell's, or the path.  The share is a folder that Wine serves
// as \\qvserver\qvshare (dosdevices\unc in the prefix).
TEST_F(QuickLinkList, DriveAndShareRootsGetNames)
{
    wchar_t prefix[MAX_PATH] = {};
    ASSERT_NE(0u, GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH)) << "runs under Wine";
    CString share = CString(L"Z:") + prefix + L"/dosdevices/unc/qvserver/qvshare";
    share.Replace(L'/', L'\\');
    SHCreateDirectoryExW(nullptr, share, nullptr);
    const CString shareRoot = L"\\\\qvserver\\qvshare\\";
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(shareRoot)) << "the share is reachable";
    Create();
    Load();
    list.AddLinksToCatalog(AddLinksUrl(L"Roots", {L"C:\\", shareRoot}));
    ASSERT_TRUE(PumpUntil([&] { return Count("select count(*) from qv_link;") == 2; }, 10000));
    EXPECT_EQ(0, Count("select count(*) from qv_link where name = '' or name is null;"));
    for (const CString& root : {CString(L"C:\\"), shareRoot}) {
        SHFILEINFOW info = {};
        SHGetFileInfoW(root, FILE_ATTRIBUTE_NORMAL, &info, sizeof info, SHGFI_DISPLAYNAME);
        SQL_LITE::CppSQLite3SqlBuffer sql;
        sql.Format("select name from qv_link where path = %Q;", ToUtf8(root).GetString());
        const CString name = FromUtf8(AppDatabase.db.ExecQuery(sql).GetStringField("name"));
        EXPECT_TRUE(name == (info.szDisplayName[0] ? CString(info.szDisplayName) : root)) << ToUtf8(name).GetString();
    }
}

// Whether the icon draws as a solid black square, 20 x 20 over white.
bool DrawsSolidBlack(HICON icon)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 20, 20);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, 20, 20};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawIconEx(dc, 0, 0, icon, 20, 20, 0, nullptr, DI_NORMAL);
    bool black = true;
    for (int y = 0; y < 20 && black; ++y)
        for (int x = 0; x < 20 && black; ++x)
            black = GetPixel(dc, x, y) == RGB(0, 0, 0);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return black;
}

// The shell's icons are taken on several pool threads at once: every link of
// a big add gets a sound icon handle of its own, none drawn as a black square.
TEST_F(QuickLinkList, EveryLinkOfABigAddGetsASoundIcon)
{
    Create();
    Load();
    const CString program = CString(QuickLinkTest::ExeFolder().c_str()) + L"\\Quorventile.exe";
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(program));
    std::vector<CString> paths;
    for (int i = 0; i < 240; ++i) {
        CString name;
        name.Format(i % 4 == 0 ? L"p%03d.exe" : i % 4 == 1 ? L"t%03d.txt" : i % 4 == 2 ? L"b%03d.bat" : L"d%03d", i);
        const CString path = dir.folder + L"\\" + name;
        if (i % 4 == 0)
            ASSERT_TRUE(CreateHardLinkW(path, program, nullptr)); // a program with an icon of its own
        else if (i % 4 == 3)
            ASSERT_TRUE(CreateDirectoryW(path, nullptr));
        else
            File(name);
        paths.push_back(path);
    }
    // Several workers take the add's items at once.
    ASSERT_GT(SkinControl::GetGlobalThreadPool()->GetWorkerCount(), 1);
    list.AddLinksToCatalog(AddLinksUrl(L"Big", paths));
    std::vector<const QuickLinkInfo*> links;
    ASSERT_TRUE(PumpUntil(
        [&] {
            links.clear();
            CScopedLock tree(list.GetLock());
            if (CTreeListItem* group = Row(L"Big"))
                for (CTreeListItem* row = list.GetChildItem(group); row; row = list.GetNextSiblingItem(row)) {
                    const auto* link = static_cast<const QuickLinkInfo*>(list.GetItemData(row));
                    if (link->fileInfo.hIcon)
                        links.push_back(link);
                }
            return links.size() == paths.size();
        },
        60000))
        << links.size() << " icons";
    int unsound = 0, black = 0;
    for (const QuickLinkInfo* link : links) {
        ICONINFO info = {};
        if (!GetIconInfo(link->fileInfo.hIcon, &info)) {
            ++unsound;
            continue;
        }
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        black += DrawsSolidBlack(link->fileInfo.hIcon);
    }
    EXPECT_EQ(0, unsound);
    EXPECT_EQ(0, black);
}

// A record the list doesn't take is freed with the shell icon it holds.
TEST_F(QuickLinkList, ARecordNotTakenGivesBackItsIcon)
{
    CatalogInfo places = StoreCatalog(L"Places");
    StoreLink(places.cid, 0, L"", L"Desktop", LinkTypeShellPlace);
    Create();
    Load();
    AddLinkRequest request;
    request.kind = AddLinkRequest::KindLinkToRow;
    request.catalogItem = Row(L"Places");
    request.link.reset(new QuickLinkInfo);
    request.link->linktype = LinkTypeShellPlace;
    request.link->csidl = CSIDL_DESKTOP;
    const HICON icon = CopyIcon(LoadIconW(nullptr, IDI_APPLICATION));
    request.link->fileInfo.hIcon = icon;
    ASSERT_NE(nullptr, list.AddLink(request)) << "the place shown already";
    ICONINFO info = {};
    EXPECT_FALSE(GetIconInfo(icon, &info));
}
} // namespace
