#include "core/AppDatabase.h"

#include "core/ConfigTable.h"
#include "core/StoreGuard.h"
#include "framework/MessageBox.h"
#include "framework/TextConvert.h"

#include <cwchar>

using namespace SQL_LITE;

AppDatabaseRecord AppDatabase;

const char* const ConfigTableName = "qv_config";
const char* const CatalogTableName = "qv_catalog";
const char* const LinkTableName = "qv_link";

namespace
{

// The statements exactly as the file has always been created with; the
// tabs and the "interger" spelling are part of the stored schema text.
const char* const CreateCatalogSql = "create table %s(cid integer primary key autoincrement, name "
                                     "varchar(260), preid integer, itemcount integer);";
const char* const CreateLinkSql = "create table %s(\t\t\t\t\t\t\t id integer primary key autoincrement, "
                                  "\t\t\t\t\t\t name varchar(260), "
                                  "\t\t\t\t\t\t namepinyin varchar(260), "
                                  "\t\t\t\t\t\t cid interger, "
                                  "\t\t\t\t\t\t preid integer, "
                                  "\t\t\t\t\t\t linktype interger, "
                                  "\t\t\t\t\t\t csidl interger, "
                                  "\t\t\t\t\t\t path varchar(260), "
                                  "\t\t\t\t\t\t args varchar(260), "
                                  "\t\t\t\t\t\t workdir varchar(260), "
                                  "\t\t\t\t\t\t desc varchar(260));";

// Deleting a link re-points its successor "where preid = ..." and a group
// loads "where cid = ...": without these every such statement reads the
// whole table.  Added beside the tables, so older files get them too.
const char* const LinkIndexSql[] = {"create index if not exists qv_link_preid on qv_link(preid);",
                                    "create index if not exists qv_link_cid on qv_link(cid);"};

} // namespace

CLock& AppStoreLock()
{
    static CLock lock;
    return lock;
}

CStoreNoWait::CStoreNoWait() : m_store(AppStoreLock())
{
    if (sqlite3* handle = AppDatabase.db.Handle())
        sqlite3_busy_timeout(handle, 0);
}

CStoreNoWait::~CStoreNoWait()
{
    if (sqlite3* handle = AppDatabase.db.Handle())
        sqlite3_busy_timeout(handle, AppDatabase.db.BusyTimeout());
}

void SetAppDatabasePath(const wchar_t* path)
{
    AppDatabase.path = ToUtf8(path);
}

int OpenAppDatabase()
{
    return CatchAll(0, [] {
        AppDatabase.db.Open(AppDatabase.path);
        return CreateAppTables();
    });
}

int CreateAppTables()
{
    const TableSchema tables[] = {{ConfigTableName, CreateConfigTableSql},
                                  {CatalogTableName, CreateCatalogSql},
                                  {LinkTableName, CreateLinkSql}};
    if (!CreateMissingTables(AppDatabase.db, tables, 3))
        return 0;
    // Only speed depends on them: a file that can't take them (read-only)
    // still opens.
    for (const char* sql : LinkIndexSql)
        CatchAll(0, [sql] { return AppDatabase.db.ExecDML(sql); });
    return 1;
}

int CloseAppDatabase()
{
    if (!CatchAll(0, [] {
            AppDatabase.db.Close();
            return 1;
        }))
        AfxMessageBox(L"关闭数据库失败", MB_OK);
    return 0;
}

void LeaveAppDatabaseToProcessEnd()
{
    AppDatabase.db.KeepOpenUntilProcessEnd();
}

int SetConfigString(const wchar_t* name, const wchar_t* value)
{
    CScopedLock store(AppStoreLock());
    return WriteConfigValue(AppDatabase.db, ConfigTableName, name, value);
}

namespace
{
// Writes a number as text in the given printf format.
template <typename Number> int SetConfigNumber(const wchar_t* name, const wchar_t* format, Number value)
{
    return CatchAll(0, [&] {
        CString text;
        text.Format(format, value);
        return SetConfigString(name, text);
    });
}
} // namespace

int SetConfigInt(const wchar_t* name, int value)
{
    return SetConfigNumber(name, L"%d", value);
}

int SetConfigUInt(const wchar_t* name, unsigned value)
{
    return SetConfigNumber(name, L"%u", value);
}

int SetLastStatisticsTime(long long value)
{
    return SetConfigNumber(L"LastStatisticsTime", L"%I64d", value);
}

CString GetConfigString(const wchar_t* name, const wchar_t* defaultValue)
{
    CString value;
    {
        CScopedLock store(AppStoreLock());
        if (ReadConfigValue(AppDatabase.db, ConfigTableName, name, value))
            return value;
    }
    // Even the copy of the default may fail; an empty text needs no memory.
    return CatchAll(CString(), [&] { return CString(defaultValue); });
}

int GetConfigInt(const wchar_t* name, int defaultValue)
{
    CString text = GetConfigString(name, nullptr);
    return text.IsEmpty() ? defaultValue : _wtoi(text);
}

long long GetLastStatisticsTime()
{
    CString text = GetConfigString(L"LastStatisticsTime", nullptr);
    return text.IsEmpty() ? 0 : _wtoi64(text);
}
