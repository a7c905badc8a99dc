#include "core/AppDatabase.h"

#include "core/ConfigTable.h"

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

} // namespace

void SetAppDatabasePath(const wchar_t* path)
{
    AppDatabase.path = ToUtf8(path);
}

int OpenAppDatabase()
{
    try {
        AppDatabase.db.Open(AppDatabase.path);
    } catch (const CppSQLite3Exception&) {
        return 0;
    }
    return CreateAppTables();
}

int CreateAppTables()
{
    const TableSchema tables[] = {{ConfigTableName, CreateConfigTableSql},
                                  {CatalogTableName, CreateCatalogSql},
                                  {LinkTableName, CreateLinkSql}};
    return CreateMissingTables(AppDatabase.db, tables, 3);
}

int CloseAppDatabase()
{
    try {
        AppDatabase.db.Close();
    } catch (const CppSQLite3Exception&) {
        AfxMessageBox(L"关闭数据库失败", MB_OK);
    }
    return 0;
}

int SetConfigString(const wchar_t* name, const wchar_t* value)
{
    return WriteConfigValue(AppDatabase.db, ConfigTableName, name, value);
}

int SetConfigInt(const wchar_t* name, int value)
{
    CString text;
    text.Format(L"%d", value);
    return SetConfigString(name, text);
}

int SetConfigUInt(const wchar_t* name, unsigned value)
{
    CString text;
    text.Format(L"%u", value);
    return SetConfigString(name, text);
}

int SetLastStatisticsTime(long long value)
{
    CString text;
    text.Format(L"%I64d", value);
    return SetConfigString(L"LastStatisticsTime", text);
}

CString GetConfigString(const wchar_t* name, const wchar_t* defaultValue)
{
    CString value;
    return ReadConfigValue(AppDatabase.db, ConfigTableName, name, value) ? value : CString(defaultValue);
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
