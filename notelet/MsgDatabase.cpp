#include "notelet/MsgDatabase.h"

#include "framework/TextConvert.h"

#include <cstring>
#include <ctime>

using namespace SQL_LITE;

MsgDatabaseRecord MsgDatabase;

const char* const MsgConfigTableName = "table_config";
const char* const MsgFileTableName = "table_file";
const char* const BottomMsgFileName = "Notelet_BottomMsg.xml";

namespace
{
// The statements the file has always been created with.
const char* const CreateConfigSql = "create table %s(name varchar(100) primary key, value varchar(260));";
const char* const CreateFileSql =
    "Create Table %s(Name varchar(64) PRIMARY KEY, CreateTime bigint, Data longblob);";
const wchar_t* const InfoDurationName = L"GetNoteletInfoDuration";

CppSQLite3Query SelectConfigRow(const char* utf8Name)
{
    CppSQLite3SqlBuffer sql;
    sql.Format("select * from %s where name = %Q;", MsgConfigTableName, utf8Name);
    return MsgDatabase.db.ExecQuery(sql);
}

CppSQLite3Query SelectFileRow()
{
    CppSQLite3SqlBuffer sql;
    sql.Format("select * from %s where Name = %Q;", MsgFileTableName, BottomMsgFileName);
    return MsgDatabase.db.ExecQuery(sql);
}
} // namespace

int OpenMsgDatabase(const wchar_t* path)
{
    MsgDatabase.path = ToUtf8(path);
    try {
        MsgDatabase.db.Open(MsgDatabase.path);
    } catch (const CppSQLite3Exception&) {
        return 0;
    }
    return CreateMsgTables();
}

void CloseMsgDatabase()
{
    try {
        MsgDatabase.db.Close();
    } catch (const CppSQLite3Exception&) {
    }
}

int CreateMsgTables()
{
    const struct {
        const char* name;
        const char* sql;
    } tables[] = {{MsgConfigTableName, CreateConfigSql}, {MsgFileTableName, CreateFileSql}};
    try {
        for (const auto& table : tables) {
            if (MsgDatabase.db.TableExists(table.name))
                continue;
            CppSQLite3SqlBuffer sql;
            sql.Format(table.sql, table.name);
            MsgDatabase.db.ExecDML(sql);
        }
    } catch (const CppSQLite3Exception&) {
        return 0;
    }
    return 1;
}

int SetConfigValue(const wchar_t* name, const wchar_t* value)
{
    try {
        CStringA utf8Name = ToUtf8(name);
        CStringA utf8Value = ToUtf8(value);
        CppSQLite3SqlBuffer sql;
        if (SelectConfigRow(utf8Name).Eof())
            sql.Format("insert into %s(name, value) values(%Q, %Q);", MsgConfigTableName,
                       utf8Name.GetString(), utf8Value.GetString());
        else
            sql.Format("update %s set value = %Q where name = %Q;", MsgConfigTableName, utf8Value.GetString(),
                       utf8Name.GetString());
        MsgDatabase.db.ExecDML(sql);
    } catch (const CppSQLite3Exception&) {
        return 0;
    }
    return 1;
}

int SetInfoDuration(unsigned seconds)
{
    CString text;
    text.Format(L"%u", seconds);
    return SetConfigValue(InfoDurationName, text);
}

CString GetInfoDuration()
{
    try {
        CppSQLite3Query row = SelectConfigRow(ToUtf8(InfoDurationName));
        if (!row.Eof())
            return FromUtf8(row.GetStringField("value"));
    } catch (const CppSQLite3Exception&) {
    }
    return CString();
}

void SaveBottomMsgFile(const char* data, int length)
{
    try {
        CppSQLite3SqlBuffer sql;
        if (SelectFileRow().Eof())
            sql.Format("insert into %s(Name, CreateTime, Data) values(%Q, ?, ?);", MsgFileTableName,
                       BottomMsgFileName);
        else
            sql.Format("update %s set CreateTime = ?, Data = ? where Name = %Q;", MsgFileTableName,
                       BottomMsgFileName);
        CppSQLite3Statement statement = MsgDatabase.db.CompileStatement(sql);
        statement.bindInt64(1, static_cast<long long>(_time64(nullptr)));
        statement.bindBlob(2, data, length);
        statement.ExecDML();
    } catch (const CppSQLite3Exception&) {
    }
}

std::unique_ptr<char[]> LoadBottomMsgFile(int* length, long long* createTime)
{
    *length = 0;
    *createTime = 0;
    std::unique_ptr<char[]> copy;
    try {
        CppSQLite3Query row = SelectFileRow();
        if (row.Eof())
            return copy;
        int size = 0;
        const unsigned char* data = row.GetBlobField("Data", &size);
        if (!data || size <= 0)
            return copy;
        copy.reset(new char[size]);
        memcpy(copy.get(), data, size);
        *length = size;
        *createTime = row.GetInt64Field("CreateTime");
    } catch (const CppSQLite3Exception&) {
    }
    return copy;
}
