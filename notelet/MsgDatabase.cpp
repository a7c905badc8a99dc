#include "notelet/MsgDatabase.h"

#include "core/ConfigTable.h"
#include "core/StoreGuard.h"
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
    return CatchAll(0, [&] {
        MsgDatabase.path = ToUtf8(path);
        MsgDatabase.db.Open(MsgDatabase.path);
        return CreateMsgTables();
    });
}

void CloseMsgDatabase()
{
    CatchAll(0, [] {
        MsgDatabase.db.Close();
        return 1;
    });
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
    CatchAll(0, [&] {
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
        return statement.ExecDML();
    });
}

std::unique_ptr<char[]> LoadBottomMsgFile(int* length, long long* createTime)
{
    *length = 0;
    *createTime = 0;
    std::unique_ptr<char[]> copy;
    CatchAll(0, [&] {
        CppSQLite3Query row = SelectFileRow();
        int size = 0;
        const unsigned char* data = row.Eof() ? nullptr : row.GetBlobField("Data", &size);
        if (!data || size <= 0)
            return 0;
        copy.reset(new char[size]);
        memcpy(copy.get(), data, size);
        *length = size;
        *createTime = row.GetInt64Field("CreateTime");
        return 1;
    });
    return copy;
}
