#include "core/SqliteDb.h"

#include <cstdarg>
#include <cstring>
#include <utility>

namespace SQL_LITE
{

const char* SqliteErrorName(int code)
{
    static const char* const names[] = {
        "SQLITE_OK",       "SQLITE_ERROR",   "SQLITE_INTERNAL", "SQLITE_PERM",     "SQLITE_ABORT",
        "SQLITE_BUSY",     "SQLITE_LOCKED",  "SQLITE_NOMEM",    "SQLITE_READONLY", "SQLITE_INTERRUPT",
        "SQLITE_IOERR",    "SQLITE_CORRUPT", "SQLITE_NOTFOUND", "SQLITE_FULL",     "SQLITE_CANTOPEN",
        "SQLITE_PROTOCOL", "SQLITE_EMPTY",   "SQLITE_SCHEMA",   "SQLITE_TOOBIG",   "SQLITE_CONSTRAINT",
        "SQLITE_MISMATCH", "SQLITE_MISUSE",  "SQLITE_NOLFS",    "SQLITE_AUTH",     "SQLITE_FORMAT",
        "SQLITE_RANGE",
    };
    if (code >= 0 && code < static_cast<int>(sizeof names / sizeof names[0]))
        return names[code];
    switch (code) {
    case SQLITE_ROW:
        return "SQLITE_ROW";
    case SQLITE_DONE:
        return "SQLITE_DONE";
    case CPPSQLITE_ERROR:
        return "CPPSQLITE_ERROR";
    default:
        return "UNKNOWN_ERROR";
    }
}

// ---------------------------------------------------------------------------

CppSQLite3Exception::CppSQLite3Exception(int code, const char* detail)
    : code(code), message(sqlite3_mprintf("%s[%d]: %s", SqliteErrorName(code), code, detail ? detail : ""))
{
}

CppSQLite3Exception::CppSQLite3Exception(const CppSQLite3Exception& other)
    : code(other.code), message(sqlite3_mprintf("%s", other.ErrorMessage()))
{
}

CppSQLite3Exception::~CppSQLite3Exception()
{
    sqlite3_free(message);
}

namespace
{
[[noreturn]] void ThrowWrapper(const char* detail)
{
    throw CppSQLite3Exception(CPPSQLITE_ERROR, detail);
}
[[noreturn]] void ThrowSqlite(int code, sqlite3* db)
{
    throw CppSQLite3Exception(code, db ? sqlite3_errmsg(db) : "");
}
} // namespace

// ---------------------------------------------------------------------------

CppSQLite3DB::~CppSQLite3DB()
{
    if (keepOpenAtDestruction)
        return;
    try {
        Close();
    } catch (...) {
    }
}

void CppSQLite3DB::Open(const char* utf8Path)
{
    Close();
    sqlite3* handle = nullptr;
    int rc = sqlite3_open_v2(utf8Path, &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        // Keep the message, then let go of the handle SQLite still gave us.
        CppSQLite3Exception error(rc, handle ? sqlite3_errmsg(handle) : "");
        sqlite3_close(handle);
        throw error;
    }
    db = handle;
    sqlite3_busy_timeout(db, busyTimeoutMs);
}

void CppSQLite3DB::SetBusyTimeout(int ms)
{
    busyTimeoutMs = ms;
    if (db)
        sqlite3_busy_timeout(db, ms);
}

void CppSQLite3DB::Close()
{
    if (!db)
        return;
    if (sqlite3_close(db) != SQLITE_OK)
        ThrowWrapper("Unable to close database");
    db = nullptr;
}

void CppSQLite3DB::CheckDB() const
{
    if (!db)
        ThrowWrapper("Database not open");
}

sqlite3_stmt* CppSQLite3DB::Compile(const char* sql)
{
    CheckDB();
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    if (rc != SQLITE_OK)
        ThrowSqlite(rc, db);
    return stmt;
}

CppSQLite3Statement CppSQLite3DB::CompileStatement(const char* sql)
{
    CheckDB();
    return CppSQLite3Statement(db, Compile(sql));
}

int CppSQLite3DB::ExecDML(const char* sql)
{
    CheckDB();
    char* error = nullptr;
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        CppSQLite3Exception e(rc, error);
        sqlite3_free(error);
        throw e;
    }
    return sqlite3_changes(db);
}

CppSQLite3Query CppSQLite3DB::ExecQuery(const char* sql)
{
    CheckDB();
    sqlite3_stmt* stmt = Compile(sql);
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE)
        return CppSQLite3Query(db, stmt, true, true);
    if (rc == SQLITE_ROW)
        return CppSQLite3Query(db, stmt, false, true);
    rc = sqlite3_finalize(stmt);
    ThrowSqlite(rc, db);
}

int CppSQLite3DB::ExecScalar(const char* sql)
{
    CppSQLite3Query q = ExecQuery(sql);
    if (q.Eof() || q.NumFields() < 1)
        ThrowWrapper("Invalid scalar query");
    return q.GetIntField(0);
}

bool CppSQLite3DB::TableExists(const char* table)
{
    CppSQLite3SqlBuffer sql;
    sql.Format("select count(*) from sqlite_master where type='table' and name=%Q", table);
    return ExecScalar(sql) > 0;
}

// ---------------------------------------------------------------------------

CppSQLite3Statement::CppSQLite3Statement(CppSQLite3Statement&& other) noexcept
    : db(other.db), stmt(std::exchange(other.stmt, nullptr))
{
}

CppSQLite3Statement& CppSQLite3Statement::operator=(CppSQLite3Statement&& other) noexcept
{
    if (this != &other) {
        FinalizeQuietly();
        db = other.db;
        stmt = std::exchange(other.stmt, nullptr);
    }
    return *this;
}

CppSQLite3Statement::~CppSQLite3Statement()
{
    FinalizeQuietly();
}

void CppSQLite3Statement::FinalizeQuietly() noexcept
{
    try {
        Finalize();
    } catch (...) {
    }
}

void CppSQLite3Statement::CheckStmt() const
{
    if (!stmt)
        ThrowWrapper("Null Virtual Machine pointer");
}

int CppSQLite3Statement::ExecDML()
{
    if (!db)
        ThrowWrapper("Database not open");
    CheckStmt();
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE) {
        int changes = sqlite3_changes(db);
        rc = sqlite3_reset(stmt);
        if (rc != SQLITE_OK)
            ThrowSqlite(rc, db);
        return changes;
    }
    rc = sqlite3_reset(stmt);
    // A step can fail while the reset reports success (a row where none was
    // expected); it must not pass for a success with code 0.
    ThrowSqlite(rc != SQLITE_OK ? rc : SQLITE_ERROR, db);
}

void CppSQLite3Statement::bindInt64(int param, long long value)
{
    CheckStmt();
    int rc = sqlite3_bind_int64(stmt, param, value);
    if (rc != SQLITE_OK)
        throw CppSQLite3Exception(rc, "Error binding int param");
}

void CppSQLite3Statement::bindBlob(int param, const void* data, int length)
{
    CheckStmt();
    int rc = sqlite3_bind_blob(stmt, param, data, length, SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        throw CppSQLite3Exception(rc, "Error binding blob param");
}

void CppSQLite3Statement::Finalize()
{
    if (!stmt)
        return;
    int rc = sqlite3_finalize(std::exchange(stmt, nullptr));
    if (rc != SQLITE_OK)
        ThrowSqlite(rc, db);
}

// ---------------------------------------------------------------------------

CppSQLite3Query::CppSQLite3Query(sqlite3* db, sqlite3_stmt* stmt, bool eof, bool ownsStmt)
    : db(db), stmt(stmt), eof(eof), columnCount(stmt ? sqlite3_column_count(stmt) : 0), ownsStmt(ownsStmt)
{
}

CppSQLite3Query::CppSQLite3Query(CppSQLite3Query&& other) noexcept
    : db(other.db), stmt(std::exchange(other.stmt, nullptr)), eof(other.eof), columnCount(other.columnCount),
      ownsStmt(other.ownsStmt)
{
}

CppSQLite3Query& CppSQLite3Query::operator=(CppSQLite3Query&& other) noexcept
{
    if (this != &other) {
        FinalizeQuietly();
        db = other.db;
        stmt = std::exchange(other.stmt, nullptr);
        eof = other.eof;
        columnCount = other.columnCount;
        ownsStmt = other.ownsStmt;
    }
    return *this;
}

CppSQLite3Query::~CppSQLite3Query()
{
    FinalizeQuietly();
}

void CppSQLite3Query::FinalizeQuietly() noexcept
{
    try {
        Finalize();
    } catch (...) {
    }
}

void CppSQLite3Query::CheckStmt() const
{
    if (!stmt)
        ThrowWrapper("Null Virtual Machine pointer");
}

int CppSQLite3Query::NumFields() const
{
    CheckStmt();
    return columnCount;
}

bool CppSQLite3Query::Eof() const
{
    CheckStmt();
    return eof;
}

void CppSQLite3Query::NextRow()
{
    CheckStmt();
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE) {
        eof = true;
    } else if (rc != SQLITE_ROW) {
        rc = sqlite3_finalize(std::exchange(stmt, nullptr));
        ThrowSqlite(rc, db);
    }
}

int CppSQLite3Query::FieldIndex(const char* name) const
{
    CheckStmt();
    if (name) {
        for (int i = 0; i < columnCount; ++i) {
            const char* column = sqlite3_column_name(stmt, i);
            if (column && strcmp(name, column) == 0)
                return i;
        }
    }
    ThrowWrapper("Invalid field name requested");
}

int CppSQLite3Query::FieldDataType(int index) const
{
    CheckStmt();
    if (index < 0 || index > columnCount - 1)
        ThrowWrapper("Invalid field index requested");
    return sqlite3_column_type(stmt, index);
}

int CppSQLite3Query::GetIntField(const char* name) const
{
    return GetIntField(FieldIndex(name));
}

int CppSQLite3Query::GetIntField(int index) const
{
    if (FieldDataType(index) == SQLITE_NULL)
        return 0;
    return sqlite3_column_int(stmt, index);
}

long long CppSQLite3Query::GetInt64Field(const char* name) const
{
    int index = FieldIndex(name);
    if (FieldDataType(index) == SQLITE_NULL)
        return 0;
    return sqlite3_column_int64(stmt, index);
}

const unsigned char* CppSQLite3Query::GetBlobField(const char* name, int* length) const
{
    int index = FieldIndex(name);
    *length = 0;
    if (FieldDataType(index) == SQLITE_NULL)
        return nullptr;
    const void* data = sqlite3_column_blob(stmt, index);
    *length = data ? sqlite3_column_bytes(stmt, index) : 0;
    return static_cast<const unsigned char*>(data);
}

const char* CppSQLite3Query::GetStringField(const char* name) const
{
    int index = FieldIndex(name);
    if (FieldDataType(index) == SQLITE_NULL)
        return "";
    const unsigned char* text = sqlite3_column_text(stmt, index);
    return text ? reinterpret_cast<const char*>(text) : "";
}

void CppSQLite3Query::Finalize()
{
    if (!stmt || !ownsStmt) {
        stmt = nullptr;
        return;
    }
    int rc = sqlite3_finalize(std::exchange(stmt, nullptr));
    if (rc != SQLITE_OK)
        ThrowSqlite(rc, db);
}

// ---------------------------------------------------------------------------

const char* CppSQLite3SqlBuffer::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
    return text;
}

const char* CppSQLite3SqlBuffer::FormatV(const char* format, va_list args)
{
    Clear();
    text = sqlite3_vmprintf(format, args);
    return text;
}

void CppSQLite3SqlBuffer::Clear()
{
    sqlite3_free(text);
    text = nullptr;
}

} // namespace SQL_LITE
