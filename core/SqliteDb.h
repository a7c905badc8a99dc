// A thin object layer over SQLite: one exception type for every result code,
// a connection, compiled data-changing statements, result cursors and a
// buffer for formatted SQL text.
#pragma once

#include <sqlite3.h>

#include <cstdarg>

namespace SQL_LITE
{

// Name of an SQLite result code ("SQLITE_BUSY"), "CPPSQLITE_ERROR" for the
// wrapper's own code 1000, "UNKNOWN_ERROR" for anything else.
const char* SqliteErrorName(int code);

const int CPPSQLITE_ERROR = 1000;

class CppSQLite3Exception
{
public:
    // The message is "<name>[<code>]: <detail>"; a null detail is empty text.
    CppSQLite3Exception(int code, const char* detail);
    CppSQLite3Exception(const CppSQLite3Exception& other);
    CppSQLite3Exception& operator=(const CppSQLite3Exception&) = delete;
    virtual ~CppSQLite3Exception();

    int ErrorCode() const { return code; }
    const char* ErrorMessage() const { return message ? message : ""; }

private:
    int code;
    char* message;
};

class CppSQLite3Query
{
public:
    CppSQLite3Query() = default;
    CppSQLite3Query(sqlite3* db, sqlite3_stmt* stmt, bool eof, bool ownsStmt);
    CppSQLite3Query(CppSQLite3Query&& other) noexcept;
    CppSQLite3Query& operator=(CppSQLite3Query&& other) noexcept;
    CppSQLite3Query(const CppSQLite3Query&) = delete;
    CppSQLite3Query& operator=(const CppSQLite3Query&) = delete;
    virtual ~CppSQLite3Query();

    int NumFields() const;
    bool Eof() const;
    void NextRow();
    int FieldIndex(const char* name) const;
    int FieldDataType(int index) const;
    int GetIntField(const char* name) const;
    int GetIntField(int index) const;
    long long GetInt64Field(const char* name) const;
    const char* GetStringField(const char* name) const;
    // The bytes of a blob (or text) column and their count; null with 0 for
    // NULL or an empty value.  Valid until the cursor moves.
    const unsigned char* GetBlobField(const char* name, int* length) const;
    void Finalize();

private:
    void CheckStmt() const;
    void FinalizeQuietly() noexcept;

    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    bool eof = true;
    int columnCount = 0;
    bool ownsStmt = false;
};

class CppSQLite3Statement
{
public:
    CppSQLite3Statement() = default;
    CppSQLite3Statement(sqlite3* db, sqlite3_stmt* stmt) : db(db), stmt(stmt) {}
    CppSQLite3Statement(CppSQLite3Statement&& other) noexcept;
    // Takes over the other's statement; the one held before is finalized.
    CppSQLite3Statement& operator=(CppSQLite3Statement&& other) noexcept;
    CppSQLite3Statement(const CppSQLite3Statement&) = delete;
    CppSQLite3Statement& operator=(const CppSQLite3Statement&) = delete;
    virtual ~CppSQLite3Statement();

    int ExecDML();
    void Finalize();

    // Parameters count from 1.  The blob is copied by SQLite.
    void bindInt64(int param, long long value);
    void bindBlob(int param, const void* data, int length);

private:
    void CheckStmt() const;
    void FinalizeQuietly() noexcept;

    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
};

class CppSQLite3DB
{
public:
    CppSQLite3DB() = default;
    CppSQLite3DB(const CppSQLite3DB&) = delete;
    CppSQLite3DB& operator=(const CppSQLite3DB&) = delete;
    virtual ~CppSQLite3DB();

    // Read-write, created when missing.  A failed open leaves the
    // connection closed.
    void Open(const char* utf8Path);
    void Close();
    bool IsOpen() const { return db != nullptr; }
    // The destructor then leaves the connection open: another thread may
    // still be inside a call on it at process end.
    void KeepOpenUntilProcessEnd() { keepOpenAtDestruction = true; }

    sqlite3_stmt* Compile(const char* sql);
    CppSQLite3Statement CompileStatement(const char* sql);
    int ExecDML(const char* sql);
    CppSQLite3Query ExecQuery(const char* sql);
    int ExecScalar(const char* sql);
    bool TableExists(const char* table);

    // How long a statement waits for another connection's lock before it
    // fails; also for a connection that is open already.
    void SetBusyTimeout(int ms);
    int BusyTimeout() const { return busyTimeoutMs; }
    sqlite3* Handle() const { return db; }

private:
    void CheckDB() const;

    sqlite3* db = nullptr;
    int busyTimeoutMs = 60000;
    bool keepOpenAtDestruction = false;
};

// SQL text formatted by SQLite's own printf.  "%Q" writes a text value as
// an SQL string literal (quotes doubled, NULL for a null pointer); "%s"
// copies its argument verbatim.
class CppSQLite3SqlBuffer
{
public:
    CppSQLite3SqlBuffer() = default;
    CppSQLite3SqlBuffer(const CppSQLite3SqlBuffer&) = delete;
    CppSQLite3SqlBuffer& operator=(const CppSQLite3SqlBuffer&) = delete;
    ~CppSQLite3SqlBuffer() { Clear(); }

    const char* Format(const char* format, ...);
    const char* FormatV(const char* format, va_list args);
    void Clear();
    operator const char*() const { return text; }

private:
    char* text = nullptr;
};

} // namespace SQL_LITE
