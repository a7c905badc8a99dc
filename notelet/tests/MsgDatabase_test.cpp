// Notelet.db: its two tables as they have always been created, the refresh
// interval, the cached feed with its time, and text that holds quotes.
#include "notelet/MsgDatabase.h"

#include "core/tests/TempDataFolder.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

using namespace SQL_LITE;

namespace
{

class MsgDatabaseTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(1, OpenMsgDatabase(Path())); }
    void TearDown() override { CloseMsgDatabase(); }

    CString Path() const { return dir.folder + L"\\Notelet.db"; }
    std::string Text(const char* sqlFormat, const char* argument)
    {
        CppSQLite3SqlBuffer sql;
        sql.Format(sqlFormat, argument);
        CppSQLite3Query row = MsgDatabase.db.ExecQuery(sql);
        return row.Eof() ? "<none>" : row.GetStringField("text");
    }
    int Count(const char* table)
    {
        CppSQLite3SqlBuffer sql;
        sql.Format("select count(*) from %s;", table);
        return MsgDatabase.db.ExecScalar(sql);
    }

    TempDataFolder dir;
};

} // namespace

TEST_F(MsgDatabaseTest, CreatesBothTablesWithTheirStatementsAndKeepsThem)
{
    // SQLite keeps the statement's text, with its first two words in capitals.
    EXPECT_EQ("CREATE TABLE table_config(name varchar(100) primary key, value varchar(260))",
              Text("select sql as text from sqlite_master where name = %Q;", "table_config"));
    EXPECT_EQ("CREATE TABLE table_file(Name varchar(64) PRIMARY KEY, CreateTime bigint, Data longblob)",
              Text("select sql as text from sqlite_master where name = %Q;", "table_file"));
    ASSERT_EQ(1, SetInfoDuration(600));
    SaveBottomMsgFile("<root/>", 7);
    CloseMsgDatabase();
    ASSERT_EQ(1, OpenMsgDatabase(Path()));
    EXPECT_EQ(CString(L"600"), GetInfoDuration());
    EXPECT_EQ(1, Count("table_file"));
}

TEST_F(MsgDatabaseTest, TheIntervalIsOneRowOfDecimalText)
{
    EXPECT_EQ(CString(), GetInfoDuration());
    for (unsigned seconds : {4294967295u, 7200u, 0u}) {
        ASSERT_EQ(1, SetInfoDuration(seconds));
        CString expected;
        expected.Format(L"%u", seconds);
        EXPECT_EQ(expected, GetInfoDuration());
    }
    EXPECT_EQ(1, Count("table_config"));
}

TEST_F(MsgDatabaseTest, TextValuesAreStoredExactlyQuotesIncluded)
{
    // "name" and "value" are also the columns' names: as double-quoted text
    // they would compare each row with itself.
    const wchar_t* const names[] = {
        L"name", L"value", L"it's", L"say \"hi\"", L"x'); drop table table_file; --", L"分组"};
    for (const wchar_t* name : names) {
        CString value = CString(name) + L"=v'\"";
        ASSERT_EQ(1, SetConfigValue(name, value)) << ToUtf8(name).GetString();
    }
    for (const wchar_t* name : names) {
        EXPECT_EQ(ToUtf8(CString(name) + L"=v'\"").GetString(),
                  Text("select value as text from table_config where name = %Q;", ToUtf8(name)))
            << ToUtf8(name).GetString();
    }
    EXPECT_EQ(static_cast<int>(sizeof names / sizeof names[0]), Count("table_config"));
    EXPECT_TRUE(MsgDatabase.db.TableExists("table_file"));
}

TEST_F(MsgDatabaseTest, SavingTwiceKeepsOneRowWithTheLatestBytesAndTime)
{
    SaveBottomMsgFile("first", 5);
    MsgDatabase.db.ExecDML("update table_file set CreateTime = 5;");
    const char second[] = {'<', 'a', '>', 0, '\xE4', '\xB8', '\xAD'}; // a NUL and UTF-8 inside
    const long long before = _time64(nullptr);
    SaveBottomMsgFile(second, sizeof second);
    const long long after = _time64(nullptr);

    int length = 0;
    long long createTime = 0;
    std::unique_ptr<char[]> copy = LoadBottomMsgFile(&length, &createTime);
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(std::string(second, sizeof second), std::string(copy.get(), length));
    EXPECT_GE(createTime, before);
    EXPECT_LE(createTime, after);
    EXPECT_EQ(1, Count("table_file"));
    EXPECT_EQ("Notelet_BottomMsg.xml", Text("select Name as text from %s;", "table_file"));
}

TEST_F(MsgDatabaseTest, NoRowAnEmptyBlobOrAClosedStoreLoadsAsNoCache)
{
    int length = -1;
    long long createTime = -1;
    EXPECT_EQ(nullptr, LoadBottomMsgFile(&length, &createTime));
    EXPECT_EQ(0, length);
    EXPECT_EQ(0, createTime);

    SaveBottomMsgFile("", 0);
    EXPECT_EQ(1, Count("table_file"));
    EXPECT_EQ(nullptr, LoadBottomMsgFile(&length, &createTime));
    EXPECT_EQ(0, createTime);

    SaveBottomMsgFile("x", 1);
    CloseMsgDatabase();
    EXPECT_EQ(nullptr, LoadBottomMsgFile(&length, &createTime));
    EXPECT_EQ(0, SetInfoDuration(5));
    EXPECT_EQ(CString(), GetInfoDuration());
    SaveBottomMsgFile("y", 1); // no exception escapes
}
