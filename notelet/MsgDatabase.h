// The message module's own store Notelet.db in the data folder: its one
// setting (the feed's refresh interval) and the cached message feed.  Every
// operation catches every error and reports only by its result; nothing is
// shown to the user.
#pragma once

#include "core/SqliteDb.h"
#include "framework/CString.h"

#include <memory>

struct MsgDatabaseRecord {
    CStringA path; // UTF-8
    SQL_LITE::CppSQLite3DB db;
};

extern MsgDatabaseRecord MsgDatabase;

extern const char* const MsgConfigTableName; // "table_config"
extern const char* const MsgFileTableName;   // "table_file"
// The row of table_file that holds the feed as downloaded.
extern const char* const BottomMsgFileName; // "Notelet_BottomMsg.xml"

// 1 when open with both tables, else 0.
int OpenMsgDatabase(const wchar_t* path);
void CloseMsgDatabase();
int CreateMsgTables();

int SetConfigValue(const wchar_t* name, const wchar_t* value);
// The feed's refresh interval in seconds, kept as decimal text.
int SetInfoDuration(unsigned seconds);
// The stored text; empty when missing, NULL or unreadable.
CString GetInfoDuration();

// Stores the bytes with CreateTime = now.
void SaveBottomMsgFile(const char* data, int length);
// A copy of the stored bytes, null when there is none or it is empty;
// createTime is 0 when there is none.
std::unique_ptr<char[]> LoadBottomMsgFile(int* length, long long* createTime);
