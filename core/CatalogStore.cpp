#include "core/CatalogStore.h"

#include "core/AppDatabase.h"
#include "core/CatalogsCache.h"
#include "core/StoreGuard.h"
#include "core/StoreTransaction.h"
#include "core/WinUtils.h"
#include "framework/TextConvert.h"

#include <shlobj.h>

#include <cstdarg>

#include <memory>

using namespace SQL_LITE;

namespace
{

// Runs one data-changing statement on the program's connection.
void Exec(const char* sql)
{
    CppSQLite3Statement statement = AppDatabase.db.CompileStatement(sql);
    statement.ExecDML();
}

// Formats and runs one data-changing statement; throws when it fails.
void ChangeRows(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    CppSQLite3SqlBuffer sql;
    sql.FormatV(format, args);
    va_end(args);
    Exec(sql);
}

// One store operation under the store's lock: 0 when it failed, and then
// its transaction, if one is open, stores nothing more.
template <typename Operation> int StoreOperation(Operation&& operation)
{
    CScopedLock store(AppStoreLock());
    if (!CStoreTransaction::AdmitsStatement())
        return 0;
    const int result = CatchAll(-1, std::forward<Operation>(operation));
    if (result >= 0)
        return result;
    CStoreTransaction::StatementFailed();
    return 0;
}

CString TextField(const CppSQLite3Query& q, const char* column)
{
    return FromUtf8(q.GetStringField(column));
}

} // namespace

// A shell place shows the shell's name of its folder rather than the stored
// one.
bool FillLinkShellInfo(QuickLinkInfo& link)
{
    SHFILEINFOW info = {};
    if (link.linktype == LinkTypeShellPlace) {
        LPITEMIDLIST pidl = nullptr;
        if (FAILED(SHGetSpecialFolderLocation(nullptr, link.csidl, &pidl)) || !pidl)
            return false;
        if (ShellFileInfo(reinterpret_cast<LPCWSTR>(pidl), FILE_ATTRIBUTE_NORMAL, info,
                          SHGFI_PIDL | SHGFI_ICON | SHGFI_DISPLAYNAME | SHGFI_TYPENAME)) {
            link.fileInfo = info;
            if (info.szDisplayName[0])
                link.name = info.szDisplayName;
        }
        CoTaskMemFree(pidl);
        return true;
    }
    if (ShellFileInfo(link.path, FILE_ATTRIBUTE_NORMAL, info, SHGFI_ICON | SHGFI_DISPLAYNAME | SHGFI_TYPENAME))
        link.fileInfo = info;
    return true;
}

int AddCatalog(CatalogInfo& catalog)
{
    return StoreOperation([&] {
        CStringA name = ToUtf8(catalog.name);
        CppSQLite3SqlBuffer select;
        select.Format("select * from %s where name = %Q;", CatalogTableName, name.GetString());
        if (!AppDatabase.db.ExecQuery(select).Eof())
            return 0;

        ChangeRows("insert into %s(name, preid, itemcount) values(%Q, %d, 0);", CatalogTableName, name.GetString(),
                   catalog.preid);

        CppSQLite3Query added = AppDatabase.db.ExecQuery(select);
        if (added.Eof())
            return 0;
        catalog.cid = added.GetIntField("cid");
        WriteCatalogsCache();
        return 1;
    });
}

int DeleteCatalog(const CatalogInfo& catalog)
{
    return StoreOperation([&] {
        ChangeRows("delete from %s where cid = %d;", CatalogTableName, catalog.cid);
        WriteCatalogsCache();
        return 1;
    });
}

int RenameCatalog(const wchar_t* newName, const CatalogInfo& catalog)
{
    return StoreOperation([&] {
        ChangeRows("update %s set name = %Q where cid = %d;", CatalogTableName, ToUtf8(newName).GetString(),
                   catalog.cid);
        WriteCatalogsCache();
        return 1;
    });
}

int LoadCatalogs(std::vector<CatalogInfo*>& catalogs)
{
    return StoreOperation([&] {
        CppSQLite3SqlBuffer sql;
        sql.Format("select * from %s order by preid asc;", CatalogTableName);
        CppSQLite3Query q = AppDatabase.db.ExecQuery(sql);
        while (!q.Eof()) {
            auto catalog = std::make_unique<CatalogInfo>();
            catalog->cid = q.GetIntField("cid");
            catalog->name = TextField(q, "name");
            catalog->preid = q.GetIntField("preid");
            catalogs.push_back(catalog.get());
            catalog.release();
            q.NextRow();
        }
        WriteCatalogsCache();
        return 1;
    });
}

int AddLink(QuickLinkInfo& link)
{
    return StoreOperation([&] {
        CStringA name = ToUtf8(link.name), pinyin = ToUtf8(link.namepinyin), path = ToUtf8(link.path),
                 args = ToUtf8(link.args), workdir = ToUtf8(link.workdir), desc = ToUtf8(link.desc);
        ChangeRows("insert into %s(name, namepinyin, cid, preid, linktype, csidl, path, args, workdir, desc) "
                   "\t\t\t\t\t  values(%Q, %Q, %d, %d, %d, %d, %Q, %Q, %Q, %Q);",
                   LinkTableName, name.GetString(), pinyin.GetString(), link.cid, link.preid, link.linktype,
                   link.csidl, path.GetString(), args.GetString(), workdir.GetString(), desc.GetString());

        // The new row is the newest one with these values.  It is found by
        // its own columns rather than the connection's last inserted rowid,
        // which a settings write on another thread may have moved on; link
        // inserts themselves are serialised by the caller.
        CppSQLite3SqlBuffer sql;
        sql.Format("select max(id) from %s where name = %Q and cid = %d and path = %Q;", LinkTableName,
                   name.GetString(), link.cid, path.GetString());
        int id = AppDatabase.db.ExecScalar(sql);
        if (id <= 0)
            return 0;
        link.id = id;
        return 1;
    });
}

int DeleteLink(const QuickLinkInfo& link)
{
    return StoreOperation([&] {
        // The successor is re-pointed only once the row is gone.
        ChangeRows("delete from %s where id = %d;", LinkTableName, link.id);
        ChangeRows("update %s set preid = %d where preid = %d;", LinkTableName, link.preid, link.id);
        return 1;
    });
}

int MoveLinkToCatalog(const QuickLinkInfo& link)
{
    return StoreOperation([&] {
        ChangeRows("update %s set cid = %d where id = %d;", LinkTableName, link.cid, link.id);
        return 1;
    });
}

int RenameLink(const QuickLinkInfo& link)
{
    return StoreOperation([&] {
        ChangeRows("update %s set name = %Q, namepinyin = %Q where id = %d;", LinkTableName,
                   ToUtf8(link.name).GetString(), ToUtf8(link.namepinyin).GetString(), link.id);
        return 1;
    });
}

int SetLinkPreId(const QuickLinkInfo& link)
{
    return StoreOperation([&] {
        ChangeRows("update %s set preid = %d where id = %d;", LinkTableName, link.preid, link.id);
        return 1;
    });
}

int LoadLinks(int cid, std::vector<QuickLinkInfo*>& links)
{
    const size_t first = links.size();
    int result = LoadLinkRows(cid, links);
    for (size_t i = first; i < links.size(); ++i)
        FillLinkShellInfo(*links[i]);
    return result;
}

int LoadLinkRows(int cid, std::vector<QuickLinkInfo*>& links)
{
    return StoreOperation([&] {
        CppSQLite3SqlBuffer sql;
        sql.Format("select * from %s where cid = %d order by preid asc;", LinkTableName, cid);
        CppSQLite3Query q = AppDatabase.db.ExecQuery(sql);
        while (!q.Eof()) {
            auto link = std::make_unique<QuickLinkInfo>();
            link->id = q.GetIntField("id");
            link->cid = q.GetIntField("cid");
            link->name = TextField(q, "name");
            link->namepinyin = TextField(q, "namepinyin");
            link->preid = q.GetIntField("preid");
            link->linktype = q.GetIntField("linktype");
            link->csidl = q.GetIntField("csidl");
            link->path = TextField(q, "path");
            link->args = TextField(q, "args");
            link->workdir = TextField(q, "workdir");
            link->desc = TextField(q, "desc");
            links.push_back(link.get());
            link.release();
            q.NextRow();
        }
        return 1;
    });
}
