#include "core/AppDatabase.h"
#include "core/StoreTransaction.h"
#include "core/tests/TempDataFolder.h"
#include "framework/TextConvert.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

using namespace SQL_LITE;

namespace
{

// The schema a user's AppData.db carries, as sqlite_master keeps it.
const char* const ExpectedConfigSql =
    "CREATE TABLE qv_config(name varchar(100) primary key, value varchar(260))";
const char* const ExpectedCatalogSql = "CREATE TABLE qv_catalog(cid integer primary key autoincrement, "
                                       "name varchar(260), preid integer, itemcount integer)";
const char* const ExpectedLinkSql =
    "CREATE TABLE qv_link(\t\t\t\t\t\t\t id integer primary key autoincrement, \t\t\t\t\t\t name "
    "varchar(260), "
    "\t\t\t\t\t\t namepinyin varchar(260), \t\t\t\t\t\t cid interger, \t\t\t\t\t\t preid integer, "
    "\t\t\t\t\t\t linktype interger, \t\t\t\t\t\t csidl interger, \t\t\t\t\t\t path varchar(260), "
    "\t\t\t\t\t\t args varchar(260), \t\t\t\t\t\t workdir varchar(260), \t\t\t\t\t\t desc varchar(260))";

std::string SchemaOf(const char* table)
{
    CppSQLite3SqlBuffer sql;
    sql.Format("select sql from sqlite_master where type='table' and name=%Q;", table);
    CppSQLite3Query q = AppDatabase.db.ExecQuery(sql);
    return q.Eof() ? std::string("(missing)") : std::string(q.GetStringField("sql"));
}

int RowCount(const char* sql)
{
    return AppDatabase.db.ExecScalar(sql);
}

class AppDatabaseTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(OpenAppDatabase(), 1); }
    TempDataFolder dir;
};

} // namespace

TEST_F(AppDatabaseTest, FreshFileHasTheThreeTablesAsAlwaysCreated)
{
    EXPECT_EQ(SchemaOf("qv_config"), ExpectedConfigSql);
    EXPECT_EQ(SchemaOf("qv_catalog"), ExpectedCatalogSql);
    EXPECT_EQ(SchemaOf("qv_link"), ExpectedLinkSql);
    EXPECT_EQ(RowCount("select count(*) from sqlite_master where type='table' and name like 'qv_%';"), 3);
}

TEST_F(AppDatabaseTest, ReopeningAltersNothing)
{
    SetConfigString(L"HotkeyMainWindow", L"CTRL + 1");
    AppDatabase.db.ExecDML("drop table qv_link;");
    AppDatabase.db.ExecDML("create table qv_link(id integer primary key, other text);");
    CloseAppDatabase();

    ASSERT_EQ(OpenAppDatabase(), 1);
    EXPECT_EQ(SchemaOf("qv_config"), ExpectedConfigSql);
    EXPECT_EQ(SchemaOf("qv_link"),
              "CREATE TABLE qv_link(id integer primary key, other text)"); // no migration
    EXPECT_EQ(GetConfigString(L"HotkeyMainWindow", L"x"), L"CTRL + 1");
}

// How SQLite finds the rows of a statement, e.g. "SEARCH qv_link USING
// INDEX qv_link_preid (preid=?)".
std::string PlanOf(const char* statement)
{
    CppSQLite3SqlBuffer sql;
    sql.Format("explain query plan %s", statement);
    std::string plan;
    for (CppSQLite3Query q = AppDatabase.db.ExecQuery(sql); !q.Eof(); q.NextRow())
        plan += q.GetStringField("detail");
    return plan;
}

// Re-pointing a deleted link's successor and loading a group find their
// rows without reading the whole table, in a file made before the indexes
// too; the tables' own statements stay as they were.
TEST_F(AppDatabaseTest, LinksAreFoundByPreidAndCidInOldAndNewFiles)
{
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_NE(PlanOf("update qv_link set preid = 1 where preid = 2;").find("USING INDEX"), std::string::npos)
            << PlanOf("update qv_link set preid = 1 where preid = 2;");
        EXPECT_NE(PlanOf("select * from qv_link where cid = 3 order by preid asc;").find("USING INDEX"),
                  std::string::npos);
        EXPECT_EQ(SchemaOf("qv_link"), ExpectedLinkSql);
        // A file as older versions left it: the tables, no index.
        AppDatabase.db.ExecDML("insert into qv_link(name, cid, preid) values('kept', 3, 0);");
        AppDatabase.db.ExecDML("drop index if exists qv_link_preid;");
        AppDatabase.db.ExecDML("drop index if exists qv_link_cid;");
        EXPECT_EQ(RowCount("select count(*) from sqlite_master where type='index';"), 1) << "the config key's";
        EXPECT_EQ(PlanOf("update qv_link set preid = 1 where preid = 2;").find("USING INDEX"), std::string::npos);
        CloseAppDatabase();
        ASSERT_EQ(OpenAppDatabase(), 1);
    }
    EXPECT_EQ(RowCount("select count(*) from qv_link where name = 'kept';"), 2);
}

TEST_F(AppDatabaseTest, SettingsInsertOnceThenUpdate)
{
    EXPECT_EQ(SetConfigString(L"ClientID", L"abc"), 1);
    EXPECT_EQ(SetConfigString(L"ClientID", L"def"), 1);
    EXPECT_EQ(RowCount("select count(*) from qv_config where name = 'ClientID';"), 1);
    EXPECT_EQ(GetConfigString(L"ClientID", nullptr), L"def");
    EXPECT_EQ(GetConfigString(L"Missing", L"默认"), L"默认");
    EXPECT_EQ(GetConfigString(L"Missing", nullptr), L"");
}

TEST_F(AppDatabaseTest, ValuesWithQuotesAndColumnNamesRoundTrip)
{
    const wchar_t* values[] = {L"say \"hi\"", L"it's",      L"value",
                               L"name",       L"\"value\"", L"a & b",
                               L"桌面'\"",    L"",          L"x'); drop table qv_config; --"};
    for (const wchar_t* v : values) {
        ASSERT_EQ(SetConfigString(L"DefaultExpandCatalog", v), 1) << v;
        EXPECT_EQ(GetConfigString(L"DefaultExpandCatalog", L"?"), v);
    }
    // A setting whose name is a column name is one row of its own.
    EXPECT_EQ(SetConfigString(L"value", L"1"), 1);
    EXPECT_EQ(SetConfigString(L"name", L"2"), 1);
    EXPECT_EQ(GetConfigString(L"value", nullptr), L"1");
    EXPECT_EQ(GetConfigString(L"name", nullptr), L"2");
    EXPECT_EQ(GetConfigString(L"DefaultExpandCatalog", nullptr), L"x'); drop table qv_config; --");
    EXPECT_EQ(RowCount("select count(*) from qv_config;"), 3);
}

TEST_F(AppDatabaseTest, IntegerSettings)
{
    EXPECT_EQ(GetConfigInt(L"AutoRun", 1), 1);
    SetConfigString(L"AutoRun", L"");
    EXPECT_EQ(GetConfigInt(L"AutoRun", 7), 7);
    SetConfigString(L"AutoRun", L"12ab");
    EXPECT_EQ(GetConfigInt(L"AutoRun", 7), 12);
    SetConfigString(L"AutoRun", L"ab12");
    EXPECT_EQ(GetConfigInt(L"AutoRun", 7), 0);
    SetConfigString(L"AutoRun", L"  -34");
    EXPECT_EQ(GetConfigInt(L"AutoRun", 7), -34);

    SetConfigInt(L"WindowLeft", -120);
    EXPECT_EQ(GetConfigString(L"WindowLeft", nullptr), L"-120");
    SetConfigUInt(L"LastGetUpdateInfoTime", 4000000000u);
    EXPECT_EQ(GetConfigString(L"LastGetUpdateInfoTime", nullptr), L"4000000000");

    EXPECT_EQ(GetLastStatisticsTime(), 0);
    SetLastStatisticsTime(-5);
    EXPECT_EQ(GetLastStatisticsTime(), -5);
    SetLastStatisticsTime(1893456000123LL);
    EXPECT_EQ(GetConfigString(L"LastStatisticsTime", nullptr), L"1893456000123");
    EXPECT_EQ(GetLastStatisticsTime(), 1893456000123LL);
}

TEST_F(AppDatabaseTest, NullValueReadsAsEmptyNotDefault)
{
    AppDatabase.db.ExecDML("insert into qv_config(name, value) values('NoteletDllPath', NULL);");
    EXPECT_EQ(GetConfigString(L"NoteletDllPath", L"default"), L"");
    EXPECT_EQ(GetConfigInt(L"NoteletDllPath", 9), 9);
}

// Another thread's settings write waits for a store transaction to end: it
// can't join a batch whose commit fails and be rolled back after it reported
// success.
TEST_F(AppDatabaseTest, ASettingWrittenDuringATransactionOutlivesItsRollback)
{
    std::atomic<int> written{-1};
    std::thread writer;
    {
        CStoreTransaction transaction;
        AppDatabase.db.ExecDML("insert into qv_catalog(name, preid, itemcount) values('lost', 0, 0);");
        writer = std::thread([&] { written = SetConfigString(L"Kept", L"yes"); });
        // The write waits for the transaction's end; joining the
        // transaction it would be done at once.
        EXPECT_TRUE(TestSupport::WaitFor([] { return AppStoreLock().Waiting() == 1; }, 10000, 1)) << "the write never waited";
        // The commit fails: everything since the start is rolled back.
        AppDatabase.db.ExecDML("rollback transaction;");
        EXPECT_EQ(0, transaction.Commit());
    }
    writer.join();
    EXPECT_EQ(1, written);
    EXPECT_EQ(CString(L"yes"), GetConfigString(L"Kept", L"missing"));
    EXPECT_EQ(0, RowCount("select count(*) from qv_catalog;"));
}

TEST(AppDatabaseClosed, SettersFailAndGettersDefault)
{
    TempDataFolder dir;
    SetAppDatabasePath(dir.folder + L"\\no\\such\\folder\\AppData.db");
    EXPECT_EQ(OpenAppDatabase(), 0);
    EXPECT_FALSE(AppDatabase.db.IsOpen());
    EXPECT_EQ(SetConfigString(L"a", L"b"), 0);
    EXPECT_EQ(SetConfigInt(L"a", 1), 0);
    EXPECT_EQ(SetConfigUInt(L"a", 1), 0);
    EXPECT_EQ(SetLastStatisticsTime(1), 0);
    EXPECT_EQ(GetConfigString(L"a", L"fallback"), L"fallback");
    EXPECT_EQ(GetConfigInt(L"a", 5), 5);
    EXPECT_EQ(GetLastStatisticsTime(), 0);
    EXPECT_EQ(CloseAppDatabase(), 0);
}

TEST(AppDatabaseOpen, UnicodePathAndSecondOpenOfSameFile)
{
    TempDataFolder dir;
    CString sub = dir.folder + L"\\数据 'x'";
    CreateDirectoryW(sub, nullptr);
    SetAppDatabasePath(sub + L"\\AppData.db");
    ASSERT_EQ(OpenAppDatabase(), 1);
    EXPECT_EQ(SetConfigString(L"k", L"v"), 1);
    CloseAppDatabase();
    EXPECT_NE(GetFileAttributesW(sub + L"\\AppData.db"), INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(OpenAppDatabase(), 1);
    EXPECT_EQ(GetConfigString(L"k", nullptr), L"v");
}
