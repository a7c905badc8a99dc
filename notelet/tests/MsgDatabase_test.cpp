// Notelet.db: its two tables as they have always been created, the refresh
// interval, text that holds quotes, and the cached feed with its time.
#include "notelet/MsgDatabase.h"

#include "core/tests/TempDataFolder.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

namespace
{
class MsgDatabaseTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(1, OpenMsgDatabase(dir.folder + L"\\Notelet.db")); }
    void TearDown() override { CloseMsgDatabase(); }

    // The first column of the first row, as text.
    static std::string Text(const char* sqlFormat, const char* argument = "")
    {
        SQL_LITE::CppSQLite3SqlBuffer sql;
        sql.Format(sqlFormat, argument);
        SQL_LITE::CppSQLite3Query row = MsgDatabase.db.ExecQuery(sql);
        return row.Eof() ? "<none>" : row.GetStringField("text");
    }

    TempDataFolder dir;
};
} // namespace

TEST_F(MsgDatabaseTest, TablesIntervalAndQuotedText)
{
    // SQLite keeps the statement's text, with its first two words in capitals.
    EXPECT_EQ("CREATE TABLE table_config(name varchar(100) primary key, value varchar(260))",
              Text("select sql as text from sqlite_master where name = %Q;", "table_config"));
    EXPECT_EQ("CREATE TABLE table_file(Name varchar(64) PRIMARY KEY, CreateTime bigint, Data longblob)",
              Text("select sql as text from sqlite_master where name = %Q;", "table_file"));
    EXPECT_EQ(CString(), GetInfoDuration());
    ASSERT_EQ(1, SetInfoDuration(4294967295u));
    EXPECT_EQ(CString(L"4294967295"), GetInfoDuration());

    // "name" and "value" are also the columns' names: as double-quoted text
    // they would compare each row with itself.
    const wchar_t* const names[] = {L"name", L"value", L"it's", L"say \"hi\"",
                                    L"x'); drop table table_file; --"};
    for (const wchar_t* name : names)
        ASSERT_EQ(1, SetConfigValue(name, CString(name) + L"'\""));
    for (const wchar_t* name : names) {
        EXPECT_EQ(ToUtf8(CString(name) + L"'\"").GetString(),
                  Text("select value as text from table_config where name = %Q;", ToUtf8(name)));
    }
    EXPECT_EQ("6", Text("select count(*) as text from table_config;"));
    EXPECT_EQ("4294967295",
              Text("select value as text from table_config where name = %Q;", "GetNoteletInfoDuration"));
}

TEST_F(MsgDatabaseTest, TheFeedIsOneRowOfBytesAndTime)
{
    int length = -1;
    long long createTime = -1;
    EXPECT_EQ(nullptr, LoadBottomMsgFile(&length, &createTime));
    EXPECT_EQ(0, createTime);
    SaveBottomMsgFile("", 0); // stored, but loads as no cache
    EXPECT_EQ(nullptr, LoadBottomMsgFile(&length, &createTime));

    const char body[] = {'<', 'a', '>', 0, '\xE4', '\xB8', '\xAD'}; // a NUL and UTF-8 inside
    const long long before = _time64(nullptr);
    SaveBottomMsgFile(body, sizeof body);
    std::unique_ptr<char[]> copy = LoadBottomMsgFile(&length, &createTime);
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(std::string(body, sizeof body), std::string(copy.get(), length));
    EXPECT_GE(createTime, before);
    EXPECT_LE(createTime, _time64(nullptr));
    EXPECT_EQ("1", Text("select count(*) as text from table_file;"));
    EXPECT_EQ("Notelet_BottomMsg.xml", Text("select Name as text from table_file;"));

    // A closed store fails quietly.
    CloseMsgDatabase();
    EXPECT_EQ(nullptr, LoadBottomMsgFile(&length, &createTime));
    EXPECT_EQ(0, SetInfoDuration(5));
    SaveBottomMsgFile("y", 1);
}
