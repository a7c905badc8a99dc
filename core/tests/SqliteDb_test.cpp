#include "core/SqliteDb.h"
#include "core/tests/TempDataFolder.h"
#include "framework/TextConvert.h"

#include <gtest/gtest.h>

#include <string>

using namespace SQL_LITE;

namespace
{

class SqliteDbTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        db.Open(ToUtf8(dir.folder + L"\\t.db"));
        db.ExecDML("create table t(id integer primary key, name text, n integer);");
    }
    int OpenStatements() const
    {
        int count = 0;
        for (sqlite3_stmt* s = sqlite3_next_stmt(db.Handle(), nullptr); s;
             s = sqlite3_next_stmt(db.Handle(), s))
            ++count;
        return count;
    }
    template <typename F> std::string MessageOf(F&& f)
    {
        try {
            f();
        } catch (const CppSQLite3Exception& e) {
            return e.ErrorMessage();
        }
        return "no exception";
    }

    TempDataFolder dir;
    CppSQLite3DB db;
};

} // namespace

TEST(SqliteErrorNames, KnownUnknownAndOwn)
{
    EXPECT_STREQ(SqliteErrorName(0), "SQLITE_OK");
    EXPECT_STREQ(SqliteErrorName(5), "SQLITE_BUSY");
    EXPECT_STREQ(SqliteErrorName(25), "SQLITE_RANGE");
    EXPECT_STREQ(SqliteErrorName(100), "SQLITE_ROW");
    EXPECT_STREQ(SqliteErrorName(101), "SQLITE_DONE");
    EXPECT_STREQ(SqliteErrorName(1000), "CPPSQLITE_ERROR");
    for (int code : {26, 27, 99, 102, 999, 1001, -1, 261 /* extended busy */})
        EXPECT_STREQ(SqliteErrorName(code), "UNKNOWN_ERROR") << code;
}

TEST(SqliteException, MessageFormatAndCopy)
{
    CppSQLite3Exception e(19, "UNIQUE constraint failed");
    EXPECT_EQ(e.ErrorCode(), 19);
    EXPECT_STREQ(e.ErrorMessage(), "SQLITE_CONSTRAINT[19]: UNIQUE constraint failed");
    CppSQLite3Exception copy(e);
    EXPECT_STREQ(copy.ErrorMessage(), e.ErrorMessage());
    EXPECT_NE(copy.ErrorMessage(), e.ErrorMessage()); // its own text
    EXPECT_STREQ(CppSQLite3Exception(1000, nullptr).ErrorMessage(), "CPPSQLITE_ERROR[1000]: ");
}

TEST_F(SqliteDbTest, QueriesReadRowsNullsAndEmptyTables)
{
    CppSQLite3Query empty = db.ExecQuery("select * from t;");
    EXPECT_TRUE(empty.Eof());
    EXPECT_EQ(empty.NumFields(), 3);

    EXPECT_EQ(db.ExecDML("insert into t(name, n) values('a', 7), (NULL, NULL);"), 2);
    CppSQLite3Query q = db.ExecQuery("select * from t order by id;");
    ASSERT_FALSE(q.Eof());
    EXPECT_STREQ(q.GetStringField("name"), "a");
    EXPECT_EQ(q.GetIntField("n"), 7);
    q.NextRow();
    ASSERT_FALSE(q.Eof());
    EXPECT_STREQ(q.GetStringField("name"), "");
    EXPECT_EQ(q.GetIntField("n"), 0);
    EXPECT_EQ(q.FieldDataType(1), SQLITE_NULL);
    q.NextRow();
    EXPECT_TRUE(q.Eof());
}

TEST_F(SqliteDbTest, FieldLookupErrors)
{
    db.ExecDML("insert into t(name, n) values('a', 1);");
    CppSQLite3Query q = db.ExecQuery("select * from t;");
    EXPECT_EQ(MessageOf([&] { q.FieldIndex("Name"); }),
              "CPPSQLITE_ERROR[1000]: Invalid field name requested");
    EXPECT_EQ(MessageOf([&] { q.FieldIndex(nullptr); }),
              "CPPSQLITE_ERROR[1000]: Invalid field name requested");
    EXPECT_EQ(MessageOf([&] { q.FieldDataType(3); }), "CPPSQLITE_ERROR[1000]: Invalid field index requested");
    EXPECT_EQ(MessageOf([&] { q.FieldDataType(-1); }),
              "CPPSQLITE_ERROR[1000]: Invalid field index requested");
    q.Finalize();
    EXPECT_EQ(MessageOf([&] { q.Eof(); }), "CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer");
}

TEST_F(SqliteDbTest, ScalarWithoutRowThrowsAndLeavesNothingOpen)
{
    EXPECT_EQ(MessageOf([&] { db.ExecScalar("select n from t;"); }),
              "CPPSQLITE_ERROR[1000]: Invalid scalar query");
    EXPECT_EQ(OpenStatements(), 0);
    db.ExecDML("insert into t(name, n) values('x', 41);");
    EXPECT_EQ(db.ExecScalar("select n + 1 from t;"), 42);
    EXPECT_EQ(db.ExecScalar("select NULL;"), 0);
    EXPECT_TRUE(db.TableExists("t"));
    EXPECT_FALSE(db.TableExists("missing"));
    EXPECT_FALSE(db.TableExists("t' or '1'='1")); // a name is a value, not SQL
    EXPECT_EQ(OpenStatements(), 0);
}

TEST_F(SqliteDbTest, FailingStatementThrowsTheResetCode)
{
    db.ExecDML("create table u(name text primary key);");
    db.ExecDML("insert into u values('a');");
    CppSQLite3Statement s = db.CompileStatement("insert into u values('a');");
    try {
        s.ExecDML();
        FAIL() << "no exception";
    } catch (const CppSQLite3Exception& e) {
        EXPECT_EQ(e.ErrorCode(), SQLITE_CONSTRAINT);
        EXPECT_EQ(std::string(e.ErrorMessage()).rfind("SQLITE_CONSTRAINT[19]: ", 0), 0u) << e.ErrorMessage();
    }
    EXPECT_EQ(MessageOf([&] { db.ExecQuery("select * from nowhere;"); }).rfind("SQLITE_ERROR[1]: ", 0), 0u);
}

TEST_F(SqliteDbTest, AssigningAStatementFinalizesTheOldOne)
{
    CppSQLite3Statement s = db.CompileStatement("insert into t(name) values('a');");
    EXPECT_EQ(OpenStatements(), 1);
    s = db.CompileStatement("insert into t(name) values('b');");
    EXPECT_EQ(OpenStatements(), 1);
    EXPECT_EQ(s.ExecDML(), 1);
    s.Finalize();
    EXPECT_EQ(OpenStatements(), 0);
    EXPECT_EQ(MessageOf([&] { s.ExecDML(); }), "CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer");
}

TEST_F(SqliteDbTest, BindsA64BitIntegerAndABlob)
{
    db.ExecDML("create table b(n bigint, data blob);");
    CppSQLite3Statement insert = db.CompileStatement("insert into b values(?, ?);");
    const char bytes[] = {'a', 0, '\xFF'};
    insert.bindInt64(1, 0x123456789ALL);
    insert.bindBlob(2, bytes, 3);
    EXPECT_EQ(1, insert.ExecDML());
    CppSQLite3Query row = db.ExecQuery("select * from b;");
    EXPECT_EQ(0x123456789ALL, row.GetInt64Field("n"));
    int length = 0;
    const unsigned char* data = row.GetBlobField("data", &length);
    ASSERT_EQ(3, length);
    EXPECT_EQ(std::string(bytes, 3), std::string(reinterpret_cast<const char*>(data), 3));

    EXPECT_EQ("SQLITE_RANGE[25]: Error binding int param", MessageOf([&] { insert.bindInt64(3, 1); }));
    EXPECT_EQ("SQLITE_RANGE[25]: Error binding blob param", MessageOf([&] { insert.bindBlob(0, bytes, 3); }));
    CppSQLite3Statement none;
    EXPECT_EQ("CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer",
              MessageOf([&] { none.bindInt64(1, 1); }));
    EXPECT_EQ("CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer",
              MessageOf([&] { none.bindBlob(1, bytes, 3); }));
}

TEST(SqliteDb, ClosedConnection)
{
    CppSQLite3DB never;
    EXPECT_NO_THROW(never.Close());
    try {
        never.ExecDML("select 1;");
        FAIL();
    } catch (const CppSQLite3Exception& e) {
        EXPECT_STREQ(e.ErrorMessage(), "CPPSQLITE_ERROR[1000]: Database not open");
    }

    // A failed open leaves no half-open handle behind.
    CppSQLite3DB db;
    EXPECT_THROW(db.Open("Z:\\no\\such\\folder\\x.db"), CppSQLite3Exception);
    EXPECT_FALSE(db.IsOpen());
    EXPECT_THROW(db.ExecQuery("select 1;"), CppSQLite3Exception);
}

TEST(SqliteSqlBuffer, LiteralsHoldTextExactly)
{
    CppSQLite3SqlBuffer sql;
    EXPECT_STREQ(sql.Format("select %Q, %Q, %d;", "it's \"x\"", nullptr, -3),
                 "select 'it''s \"x\"', NULL, -3;");
    EXPECT_STREQ(sql.Format("%s", "plain 'copy'"), "plain 'copy'");
    sql.Clear();
    EXPECT_EQ(static_cast<const char*>(sql), nullptr);
}
