#include "core/CatalogStore.h"
#include "core/AppDatabase.h"
#include "core/StoreTransaction.h"
#include "core/tests/TempDataFolder.h"
#include "framework/TextConvert.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <shlobj.h>
#include <thread>
#include <vector>

using namespace SQL_LITE;

namespace
{

// Frees what the loaders hand over, icons included.
template <typename T> struct Owned {
    std::vector<T*> items;
    ~Owned()
    {
        for (T* item : items) {
            if constexpr (std::is_same_v<T, QuickLinkInfo>) {
                if (item->fileInfo.hIcon)
                    DestroyIcon(item->fileInfo.hIcon);
            }
            delete item;
        }
    }
};

class CatalogStoreTest : public StoreTest
{
protected:
    int NewCatalog(const wchar_t* name) { return AppendCatalog(name).cid; }

    // Appends a link to the group's chain, as the tree list does.
    QuickLinkInfo NewLink(int cid, const wchar_t* name, const wchar_t* path = L"C:\\x.txt")
    {
        QuickLinkInfo link;
        link.cid = cid;
        link.preid = lastLinkOf[cid];
        link.linktype = LinkTypeFile;
        link.name = name;
        link.namepinyin = L"py";
        link.path = path;
        EXPECT_EQ(AddLink(link), 1);
        lastLinkOf[cid] = link.id;
        return link;
    }

    // (id, preid) pairs of a group as stored, in ascending preid.
    std::vector<std::pair<int, int>> Chain(int cid)
    {
        std::vector<std::pair<int, int>> chain;
        CppSQLite3SqlBuffer sql;
        sql.Format("select id, preid from qv_link where cid = %d order by preid asc, id asc;", cid);
        CppSQLite3Query q = AppDatabase.db.ExecQuery(sql);
        for (; !q.Eof(); q.NextRow())
            chain.emplace_back(q.GetIntField("id"), q.GetIntField("preid"));
        return chain;
    }

    std::map<int, int> lastLinkOf;
};

} // namespace

TEST_F(CatalogStoreTest, GroupsChainOnTheLastAndLoadInPreidOrder)
{
    int first = NewCatalog(L"桌面");
    int second = NewCatalog(L"默认");
    int third = NewCatalog(L"工具");
    Owned<CatalogInfo> loaded;
    ASSERT_EQ(LoadCatalogs(loaded.items), 1);
    ASSERT_EQ(loaded.items.size(), 3u);
    EXPECT_EQ(loaded.items[0]->name, L"桌面");
    EXPECT_EQ(loaded.items[0]->preid, 0);
    EXPECT_EQ(loaded.items[1]->preid, first);
    EXPECT_EQ(loaded.items[2]->preid, second);
    EXPECT_EQ(loaded.items[2]->cid, third);
    EXPECT_TRUE(loaded.items[2]->links.empty());

    // Deleting the middle group leaves the others' preid alone; order holds.
    CatalogInfo middle;
    middle.cid = second;
    ASSERT_EQ(DeleteCatalog(middle), 1);
    Owned<CatalogInfo> after;
    ASSERT_EQ(LoadCatalogs(after.items), 1);
    ASSERT_EQ(after.items.size(), 2u);
    EXPECT_EQ(after.items[1]->name, L"工具");
    EXPECT_EQ(after.items[1]->preid, second);
}

TEST_F(CatalogStoreTest, GroupNamesAreCaseSensitiveAndRenameAcceptsDuplicates)
{
    NewCatalog(L"Tools");
    CatalogInfo other;
    other.name = L"tools";
    EXPECT_EQ(AddCatalog(other), 1);
    CatalogInfo dup;
    dup.name = L"Tools";
    EXPECT_EQ(AddCatalog(dup), 0);
    EXPECT_EQ(RenameCatalog(L"Tools", other), 1);
    EXPECT_EQ(AppDatabase.db.ExecScalar("select count(*) from qv_catalog where name = 'Tools';"), 2);
}

TEST_F(CatalogStoreTest, NamesWithQuotesAndColumnNamesAreExactValues)
{
    const wchar_t* names[] = {L"name", L"say \"hi\"", L"it's", L"a & b", L"\"name\"", L"preid"};
    for (const wchar_t* n : names)
        NewCatalog(n);
    // "name" is one group, not every group.
    CatalogInfo again;
    again.name = L"name";
    EXPECT_EQ(AddCatalog(again), 0);
    CatalogInfo fresh;
    fresh.name = L"cid";
    fresh.preid = lastCid;
    EXPECT_EQ(AddCatalog(fresh), 1);

    Owned<CatalogInfo> loaded;
    ASSERT_EQ(LoadCatalogs(loaded.items), 1);
    ASSERT_EQ(loaded.items.size(), 7u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(loaded.items[i]->name, names[i]);

    int cid = loaded.items[0]->cid;
    QuickLinkInfo link = NewLink(cid, L"name");
    link.name = L"O'Brien \"quoted\"";
    link.namepinyin = L"desc";
    ASSERT_EQ(RenameLink(link), 1);
    Owned<QuickLinkInfo> links;
    ASSERT_EQ(LoadLinks(cid, links.items), 1);
    ASSERT_EQ(links.items.size(), 1u);
    EXPECT_EQ(links.items[0]->name, L"O'Brien \"quoted\"");
    EXPECT_EQ(links.items[0]->namepinyin, L"desc");
}

TEST_F(CatalogStoreTest, LinkChainAfterAddAndDelete)
{
    int cid = NewCatalog(L"g");
    QuickLinkInfo a = NewLink(cid, L"a"), b = NewLink(cid, L"b"), c = NewLink(cid, L"c"),
                  d = NewLink(cid, L"d");
    EXPECT_EQ(a.preid, 0);
    EXPECT_EQ(Chain(cid),
              (std::vector<std::pair<int, int>>{{a.id, 0}, {b.id, a.id}, {c.id, b.id}, {d.id, c.id}}));

    ASSERT_EQ(DeleteLink(b), 1); // middle
    EXPECT_EQ(Chain(cid), (std::vector<std::pair<int, int>>{{a.id, 0}, {c.id, a.id}, {d.id, c.id}}));
    ASSERT_EQ(DeleteLink(a), 1); // first
    EXPECT_EQ(Chain(cid), (std::vector<std::pair<int, int>>{{c.id, 0}, {d.id, c.id}}));
    ASSERT_EQ(DeleteLink(d), 1); // last changes nothing else
    EXPECT_EQ(Chain(cid), (std::vector<std::pair<int, int>>{{c.id, 0}}));
    ASSERT_EQ(DeleteLink(c), 1);
    EXPECT_TRUE(Chain(cid).empty());
    lastLinkOf[cid] = 0;
    QuickLinkInfo e = NewLink(cid, L"e");
    EXPECT_EQ(e.preid, 0);
}

// Group and link writes of other threads wait for a store transaction to
// end: they can't join a batch whose commit fails and be rolled back with
// it after they reported success.
TEST_F(CatalogStoreTest, GroupAndLinkWrittenDuringATransactionOutliveItsRollback)
{
    const int cid = NewCatalog(L"g");
    std::atomic<int> groupWritten{-1}, linkWritten{-1};
    std::thread groupWriter, linkWriter;
    {
        CStoreTransaction transaction;
        AppDatabase.db.ExecDML("insert into qv_catalog(name, preid, itemcount) values('lost', 0, 0);");
        groupWriter = std::thread([&] {
            CatalogInfo kept;
            kept.name = L"kept";
            groupWritten = AddCatalog(kept);
        });
        linkWriter = std::thread([&] {
            QuickLinkInfo link;
            link.cid = cid;
            link.name = L"kept link";
            link.path = L"C:\\kept.txt";
            linkWritten = AddLink(link);
        });
        EXPECT_TRUE(TestSupport::WaitFor([] { return AppStoreLock().Waiting() == 2; }, 10000, 1)) << "the writes never waited";
        AppDatabase.db.ExecDML("rollback transaction;");
        EXPECT_EQ(0, transaction.Commit());
    }
    groupWriter.join();
    linkWriter.join();
    EXPECT_EQ(1, groupWritten);
    EXPECT_EQ(1, linkWritten);
    EXPECT_EQ(1, AppDatabase.db.ExecScalar("select count(*) from qv_catalog where name = 'kept';"));
    EXPECT_EQ(1, AppDatabase.db.ExecScalar("select count(*) from qv_link where name = 'kept link';"));
    EXPECT_EQ(0, AppDatabase.db.ExecScalar("select count(*) from qv_catalog where name = 'lost';"));
}

TEST_F(CatalogStoreTest, SameNameInAnotherGroupGetsItsOwnId)
{
    int g1 = NewCatalog(L"g1"), g2 = NewCatalog(L"g2");
    QuickLinkInfo older = NewLink(g1, L"notepad", L"C:\\windows\\notepad.exe");
    QuickLinkInfo newer = NewLink(g2, L"notepad", L"C:\\windows\\notepad.exe");
    EXPECT_NE(newer.id, older.id);
    EXPECT_GT(newer.id, older.id);
    // A settings write between two inserts doesn't change whose id is read.
    SetConfigString(L"SomethingNew", L"1");
    QuickLinkInfo third = NewLink(g1, L"notepad", L"C:\\windows\\notepad.exe");
    EXPECT_GT(third.id, newer.id);
    ASSERT_EQ(DeleteLink(newer), 1);
    EXPECT_EQ(AppDatabase.db.ExecScalar("select count(*) from qv_link where name = 'notepad';"), 2);
    EXPECT_EQ(Chain(g1).size(), 2u);
}

TEST_F(CatalogStoreTest, MoveAndReorderAreStoredRowByRow)
{
    int g1 = NewCatalog(L"g1"), g2 = NewCatalog(L"g2");
    QuickLinkInfo a = NewLink(g1, L"a"), b = NewLink(g1, L"b");
    // Move a to g2: b becomes first in g1.
    a.cid = g2;
    a.preid = 0;
    ASSERT_EQ(MoveLinkToCatalog(a), 1);
    ASSERT_EQ(SetLinkPreId(a), 1);
    b.preid = 0;
    ASSERT_EQ(SetLinkPreId(b), 1);
    EXPECT_EQ(Chain(g1), (std::vector<std::pair<int, int>>{{b.id, 0}}));
    EXPECT_EQ(Chain(g2), (std::vector<std::pair<int, int>>{{a.id, 0}}));
}

TEST_F(CatalogStoreTest, EverythingSurvivesCloseAndReopen)
{
    int cid = NewCatalog(L"桌面");
    QuickLinkInfo link;
    link.cid = cid;
    link.linktype = LinkTypeShortcut;
    link.name = L"记事本";
    link.namepinyin = L"jishiben";
    link.path = L"C:\\lnk\\记事本.lnk";
    link.args = L"-a \"b\"";
    link.workdir = L"C:\\w";
    link.desc = L"描述";
    link.csidl = 0;
    ASSERT_EQ(AddLink(link), 1);
    CloseAppDatabase();
    ASSERT_EQ(OpenAppDatabase(), 1);

    Owned<CatalogInfo> groups;
    ASSERT_EQ(LoadCatalogs(groups.items), 1);
    ASSERT_EQ(groups.items.size(), 1u);
    Owned<QuickLinkInfo> links;
    ASSERT_EQ(LoadLinks(groups.items[0]->cid, links.items), 1);
    ASSERT_EQ(links.items.size(), 1u);
    const QuickLinkInfo& l = *links.items[0];
    EXPECT_EQ(l.id, link.id);
    EXPECT_EQ(l.cid, cid);
    EXPECT_EQ(l.linktype, LinkTypeShortcut);
    EXPECT_EQ(l.name, L"记事本");
    EXPECT_EQ(l.namepinyin, L"jishiben");
    EXPECT_EQ(l.path, L"C:\\lnk\\记事本.lnk");
    EXPECT_EQ(l.args, L"-a \"b\"");
    EXPECT_EQ(l.workdir, L"C:\\w");
    EXPECT_EQ(l.desc, L"描述");
    // The target is gone: the stored name stays and there is no icon.
    EXPECT_EQ(l.fileInfo.hIcon, nullptr);
}

TEST_F(CatalogStoreTest, ShellPlacesTakeTheShellsNameAndIcon)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int cid = NewCatalog(L"默认");
    QuickLinkInfo place;
    place.cid = cid;
    place.linktype = LinkTypeShellPlace;
    place.csidl = CSIDL_DRIVES;
    place.name = L"stored name";
    ASSERT_EQ(AddLink(place), 1);
    QuickLinkInfo bogus;
    bogus.cid = cid;
    bogus.preid = place.id;
    bogus.linktype = LinkTypeShellPlace;
    bogus.csidl = 0x7F; // no such folder
    bogus.name = L"kept";
    ASSERT_EQ(AddLink(bogus), 1);
    QuickLinkInfo file;
    file.cid = cid;
    file.preid = bogus.id;
    file.linktype = LinkTypeFile;
    file.name = L"my notes";
    file.path = dir.dbPath;
    ASSERT_EQ(AddLink(file), 1);

    Owned<QuickLinkInfo> links;
    ASSERT_EQ(LoadLinks(cid, links.items), 1);
    ASSERT_EQ(links.items.size(), 3u);
    EXPECT_NE(links.items[0]->name, L"stored name");
    EXPECT_FALSE(links.items[0]->name.IsEmpty());
    EXPECT_NE(links.items[0]->fileInfo.hIcon, nullptr);
    EXPECT_EQ(links.items[1]->name, L"kept");
    EXPECT_EQ(links.items[1]->fileInfo.hIcon, nullptr);
    EXPECT_EQ(links.items[2]->name, L"my notes"); // a file keeps its stored name
    EXPECT_NE(links.items[2]->fileInfo.hIcon, nullptr);
    CoUninitialize();
}

TEST_F(CatalogStoreTest, NullColumnsReadAsZeroAndEmpty)
{
    AppDatabase.db.ExecDML("insert into qv_catalog(name, preid, itemcount) values(NULL, NULL, 0);");
    AppDatabase.db.ExecDML("insert into qv_link(cid) values(1);");
    Owned<CatalogInfo> groups;
    ASSERT_EQ(LoadCatalogs(groups.items), 1);
    ASSERT_EQ(groups.items.size(), 1u);
    EXPECT_EQ(groups.items[0]->name, L"");
    EXPECT_EQ(groups.items[0]->preid, 0);
    Owned<QuickLinkInfo> links;
    ASSERT_EQ(LoadLinks(1, links.items), 1);
    ASSERT_EQ(links.items.size(), 1u);
    EXPECT_EQ(links.items[0]->linktype, 0);
    EXPECT_EQ(links.items[0]->path, L"");
}

TEST(CatalogStoreClosed, EveryOperationFails)
{
    TempDataFolder dir;
    CatalogInfo c;
    c.name = L"x";
    QuickLinkInfo l;
    std::vector<CatalogInfo*> groups;
    std::vector<QuickLinkInfo*> links;
    EXPECT_EQ(AddCatalog(c), 0);
    EXPECT_EQ(DeleteCatalog(c), 0);
    EXPECT_EQ(RenameCatalog(L"y", c), 0);
    EXPECT_EQ(LoadCatalogs(groups), 0);
    EXPECT_EQ(AddLink(l), 0);
    EXPECT_EQ(DeleteLink(l), 0);
    EXPECT_EQ(MoveLinkToCatalog(l), 0);
    EXPECT_EQ(RenameLink(l), 0);
    EXPECT_EQ(SetLinkPreId(l), 0);
    EXPECT_EQ(LoadLinks(1, links), 0);
    EXPECT_TRUE(groups.empty());
    EXPECT_TRUE(links.empty());
    EXPECT_EQ(GetFileAttributesW(dir.cachePath), INVALID_FILE_ATTRIBUTES);
}
