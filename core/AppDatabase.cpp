#include "core/AppDatabase.h"

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
const char* const CreateConfigSql = "create table %s(name varchar(100) primary key, value varchar(260));";
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
    const struct {
        const char* name;
        const char* sql;
    } tables[] = {{ConfigTableName, CreateConfigSql},
                  {CatalogTableName, CreateCatalogSql},
                  {LinkTableName, CreateLinkSql}};
    try {
        for (const auto& table : tables) {
            if (AppDatabase.db.TableExists(table.name))
                continue;
            CppSQLite3SqlBuffer sql;
            sql.Format(table.sql, table.name);
            AppDatabase.db.ExecDML(sql);
        }
    } catch (const CppSQLite3Exception&) {
        return 0;
    }
    return 1;
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
    try {
        CStringA utf8Name = ToUtf8(name);
        CStringA utf8Value = ToUtf8(value);
        CppSQLite3SqlBuffer sql;
        sql.Format("select * from %s where name = %Q;", ConfigTableName, utf8Name.GetString());
        CppSQLite3Query existing = AppDatabase.db.ExecQuery(sql);
        if (existing.Eof())
            sql.Format("insert into %s(name, value) values(%Q, %Q);", ConfigTableName, utf8Name.GetString(),
                       utf8Value.GetString());
        else
            sql.Format("update %s set value = %Q where name = %Q;", ConfigTableName, utf8Value.GetString(),
                       utf8Name.GetString());
        CppSQLite3Statement change = AppDatabase.db.CompileStatement(sql);
        change.ExecDML();
    } catch (const CppSQLite3Exception&) {
        return 0;
    }
    return 1;
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
    CString result = defaultValue;
    try {
        CppSQLite3SqlBuffer sql;
        sql.Format("select * from %s where name = %Q;", ConfigTableName, ToUtf8(name).GetString());
        CppSQLite3Query row = AppDatabase.db.ExecQuery(sql);
        if (!row.Eof())
            result = FromUtf8(row.GetStringField("value"));
    } catch (const CppSQLite3Exception&) {
        return CString(defaultValue);
    }
    return result;
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
