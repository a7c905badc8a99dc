// What both stores (AppData.db and the message module's Notelet.db) do
// alike: create the tables that are missing, and read and write the rows of
// a name/value settings table, with text values as SQL string literals.
// Errors (of the database, of memory) come back as results, never as
// exceptions.
#pragma once

#include "core/SqliteDb.h"
#include "framework/CString.h"

namespace SQL_LITE
{

struct TableSchema {
    const char* name;
    const char* createSql; // "%s" stands for the name
};

// The name/value table both stores have always been created with.
extern const char* const CreateConfigTableSql;

// 1 when every table exists afterwards, 0 on a database error.
int CreateMissingTables(CppSQLite3DB& db, const TableSchema* tables, int count);
// 1, or 0 on a database error.
int WriteConfigValue(CppSQLite3DB& db, const char* table, const wchar_t* name, const wchar_t* value);
// True when the row exists (a NULL value reads as empty); false when it is
// missing or on a database error.
bool ReadConfigValue(CppSQLite3DB& db, const char* table, const wchar_t* name, CString& value);

} // namespace SQL_LITE
