#include "core/ConfigTable.h"

#include "core/StoreGuard.h"
#include "framework/TextConvert.h"

namespace SQL_LITE
{

const char* const CreateConfigTableSql =
    "create table %s(name varchar(100) primary key, value varchar(260));";

int CreateMissingTables(CppSQLite3DB& db, const TableSchema* tables, int count)
{
    return CatchAll(0, [&] {
        for (int i = 0; i < count; ++i) {
            if (db.TableExists(tables[i].name))
                continue;
            CppSQLite3SqlBuffer sql;
            sql.Format(tables[i].createSql, tables[i].name);
            db.ExecDML(sql);
        }
        return 1;
    });
}

int WriteConfigValue(CppSQLite3DB& db, const char* table, const wchar_t* name, const wchar_t* value)
{
    return CatchAll(0, [&] {
        CStringA utf8Name = ToUtf8(name);
        CStringA utf8Value = ToUtf8(value);
        CppSQLite3SqlBuffer sql;
        sql.Format("select * from %s where name = %Q;", table, utf8Name.GetString());
        if (db.ExecQuery(sql).Eof())
            sql.Format("insert into %s(name, value) values(%Q, %Q);", table, utf8Name.GetString(),
                       utf8Value.GetString());
        else
            sql.Format("update %s set value = %Q where name = %Q;", table, utf8Value.GetString(),
                       utf8Name.GetString());
        CppSQLite3Statement change = db.CompileStatement(sql);
        change.ExecDML();
        return 1;
    });
}

bool ReadConfigValue(CppSQLite3DB& db, const char* table, const wchar_t* name, CString& value)
{
    return CatchAll(false, [&] {
        CppSQLite3SqlBuffer sql;
        sql.Format("select * from %s where name = %Q;", table, ToUtf8(name).GetString());
        CppSQLite3Query row = db.ExecQuery(sql);
        if (row.Eof())
            return false;
        value = FromUtf8(row.GetStringField("value"));
        return true;
    });
}

} // namespace SQL_LITE
