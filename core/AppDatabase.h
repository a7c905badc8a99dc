// The one connection to AppData.db, its tables and the settings rows of
// qv_config.  Every operation catches every exception itself: setters return
// 0, getters the caller's default.
#pragma once

#include "core/Lock.h"
#include "core/SqliteDb.h"
#include "framework/CString.h"

struct AppDatabaseRecord {
    CStringA path; // UTF-8
    SQL_LITE::CppSQLite3DB db;
};

extern AppDatabaseRecord AppDatabase;

// The connection's one lock, taken by every operation on the settings, the
// groups and the links, and held for the whole of a CStoreTransaction: the
// threads share the connection, and a statement of another thread must not
// join a transaction that may be rolled back.
CLock& AppStoreLock();

// While one lives, store operations fail at once where another connection's
// lock would make them wait out the busy time-out: for reads whose failure
// has an answer of its own.  Holds AppStoreLock, so no other thread's
// operation runs without its wait meanwhile.
class CStoreNoWait
{
public:
    CStoreNoWait();
    ~CStoreNoWait();
    CStoreNoWait(const CStoreNoWait&) = delete;
    CStoreNoWait& operator=(const CStoreNoWait&) = delete;

private:
    CScopedLock m_store;
};

extern const char* const ConfigTableName;  // "qv_config"
extern const char* const CatalogTableName; // "qv_catalog"
extern const char* const LinkTableName;    // "qv_link"

void SetAppDatabasePath(const wchar_t* path);
int OpenAppDatabase();
int CreateAppTables();
int CloseAppDatabase();
// At exit while a worker may still be inside a database call: the
// connection is never closed under it (not by the global record's
// destructor either); the end of the process releases the file.
void LeaveAppDatabaseToProcessEnd();

int SetConfigString(const wchar_t* name, const wchar_t* value);
int SetConfigInt(const wchar_t* name, int value);
int SetConfigUInt(const wchar_t* name, unsigned value);
int SetLastStatisticsTime(long long value);
CString GetConfigString(const wchar_t* name, const wchar_t* defaultValue);
int GetConfigInt(const wchar_t* name, int defaultValue);
long long GetLastStatisticsTime();
