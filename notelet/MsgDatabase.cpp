#include "notelet/MsgDatabase.h"

#include "core/ConfigTable.h"
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
// The file table as it has always been created.
const char* const CreateFileSql =
    "Create Table %s(Name varchar(64) PRIMARY KEY, CreateTime bigint, Data longblob);";
const wchar_t* const InfoDurationName = L"GetNoteletInfoDuration";

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
    const TableSchema tables[] = {{MsgConfigTableName, CreateConfigTableSql},
                                  {MsgFileTableName, CreateFileSql}};
    return CreateMissingTables(MsgDatabase.db, tables, 2);
}

int SetConfigValue(const wchar_t* name, const wchar_t* value)
{
    return WriteConfigValue(MsgDatabase.db, MsgConfigTableName, name, value);
}

int SetInfoDuration(unsigned seconds)
{
    CString text;
    text.Format(L"%u", seconds);
    return SetConfigValue(InfoDurationName, text);
}

CString GetInfoDuration()
{
    CString value;
    ReadConfigValue(MsgDatabase.db, MsgConfigTableName, InfoDurationName, value);
    return value;
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
