#include "core/CatalogsCache.h"

#include "core/AppDatabase.h"
#include "core/AppPaths.h"
#include "core/CommandUrl.h"
#include "core/StoreGuard.h"
#include "core/StoreTransaction.h"
#include "framework/CFile.h"
#include "framework/TextConvert.h"

#include <set>

using namespace SQL_LITE;

CString BuildCatalogsCacheText(const std::vector<CString>& names)
{
    // Built once and joined once: group names are plain text, so they are
    // set through the parsed form (a name holding another key's text must
    // not be mistaken for that key).
    CCommandUrl url(InitUrlString(L"app://get_category"));
    url.SetInt(L"category_count", static_cast<int>(names.size()));
    for (size_t i = 0; i < names.size(); ++i) {
        CString key;
        key.Format(L"category_%d", static_cast<int>(i));
        url.Set(key, names[i]);
    }
    return url.Text();
}

namespace
{
// Guarded by AppStoreLock.
std::set<int>& CatalogsLeftOut()
{
    static std::set<int> cids;
    return cids;
}
} // namespace

void SetCatalogsLeftOut(const std::vector<int>& cids)
{
    CScopedLock store(AppStoreLock());
    CatalogsLeftOut() = std::set<int>(cids.begin(), cids.end());
}

int WriteCatalogsCache()
{
    CScopedLock store(AppStoreLock());
    if (CStoreTransaction::DeferCatalogsCacheWrite())
        return 1;
    return CatchAll(0, [] {
        std::vector<CString> names;
        std::set<CString> keys;
        CppSQLite3SqlBuffer sql;
        sql.Format("select * from %s order by preid asc;", CatalogTableName);
        CppSQLite3Query q = AppDatabase.db.ExecQuery(sql);
        for (; !q.Eof(); q.NextRow()) {
            CString name = FromUtf8(q.GetStringField("name")), key = name;
            if (keys.insert(key.MakeLower()).second && !CatalogsLeftOut().count(q.GetIntField("cid")))
                names.push_back(name);
        }

        CString text = BuildCatalogsCacheText(names);
        CString path;
        path.Format(L"%s\\CatalogsCache.bin", AppPaths.dataFolder);
        CFile file;
        if (!file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive | CFile::typeBinary))
            return 0;
        // The text and its terminator in one write.
        bool written =
            file.Write(text.GetString(), static_cast<UINT>((text.GetLength() + 1) * sizeof(wchar_t)));
        file.Close();
        return written ? 1 : 0;
    });
}
