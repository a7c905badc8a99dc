// Figures of the quick-link store and of long command URLs.
#include "bench/BenchClock.h"
#include "bench/BenchFolder.h"
#include "core/AppDatabase.h"
#include "core/AppPaths.h"
#include "core/CatalogStore.h"
#include "core/CommandUrl.h"
#include "core/StoreTransaction.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <vector>

namespace
{

using Bench::Now;
using Bench::Report;

// Adds `perGroup` links to each of `groups` new groups, chained as the tree
// list chains them; returns the group ids.
std::vector<int> AddLinks(int groups, int perGroup, const CString& target)
{
    std::vector<int> cids;
    int lastCid = 0;
    for (int g = 0; g < groups; ++g) {
        CatalogInfo catalog;
        catalog.name.Format(L"分组 %d", g);
        catalog.preid = lastCid;
        AddCatalog(catalog);
        lastCid = catalog.cid;
        cids.push_back(catalog.cid);
        int preid = 0;
        for (int i = 0; i < perGroup; ++i) {
            QuickLinkInfo link;
            link.cid = catalog.cid;
            link.preid = preid;
            link.linktype = LinkTypeFile;
            link.name.Format(L"链接 %d", i);
            link.namepinyin.Format(L"lianjie %d", i);
            link.path = target;
            AddLink(link);
            preid = link.id;
        }
    }
    return cids;
}

double LoadAll()
{
    double start = Now();
    std::vector<CatalogInfo*> catalogs;
    LoadCatalogs(catalogs);
    size_t count = 0;
    for (CatalogInfo* catalog : catalogs) {
        std::vector<QuickLinkInfo*> links;
        LoadLinks(catalog->cid, links);
        count += links.size();
        for (QuickLinkInfo* link : links) {
            if (link->fileInfo.hIcon)
                DestroyIcon(link->fileInfo.hIcon);
            delete link;
        }
        delete catalog;
    }
    double elapsed = Now() - start;
    if (count != 10000)
        fprintf(stderr, "loaded %u links instead of 10000\n", static_cast<unsigned>(count));
    return elapsed;
}

void StoreFigures()
{
    Bench::TempFolder temp(L"qv_bench");
    const CString& folder = temp.path;
    AppPaths.dataFolder = folder;
    CString target = folder + L"\\target.txt";
    CloseHandle(CreateFileW(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));

    SetAppDatabasePath(folder + L"\\one.db");
    OpenAppDatabase();
    double start = Now();
    AddLinks(1, 10000, target);
    Report("store_add_10000_one_group", Now() - start, "s");
    Report("store_load_10000", LoadAll(), "s");
    CloseAppDatabase();

    SetAppDatabasePath(folder + L"\\many.db");
    OpenAppDatabase();
    start = Now();
    AddLinks(100, 100, target);
    Report("store_add_10000_100_groups", Now() - start, "s");
    Report("store_load_10000_100_groups", LoadAll(), "s");

    // Deleting a group of 1,000 as the list does: its links one by one, then
    // the group, in one transaction.
    std::vector<int> cids;
    {
        CStoreTransaction transaction;
        cids = AddLinks(1, 1000, target);
    }
    std::vector<QuickLinkInfo*> links;
    LoadLinks(cids[0], links);
    start = Now();
    {
        CStoreTransaction transaction;
        for (size_t i = 0; i < links.size(); ++i) {
            DeleteLink(*links[i]);
            // The list points the next record past the deleted one.
            if (i + 1 < links.size())
                links[i + 1]->preid = links[i]->preid;
        }
        CatalogInfo group;
        group.cid = cids[0];
        DeleteCatalog(group);
    }
    Report("store_delete_group_1000", Now() - start, "s");
    if (AppDatabase.db.ExecScalar("select count(*) from qv_link;") != 10000)
        fprintf(stderr, "store_delete_group_1000 left links behind\n");
    for (QuickLinkInfo* link : links) {
        if (link->fileInfo.hIcon)
            DestroyIcon(link->fileInfo.hIcon);
        delete link;
    }
    CloseAppDatabase();
}

// The shell extension's side builds the command, the program's side reads
// every path back.
double BuildAndParse(int paths)
{
    double start = Now();
    CCommandUrl built(InitUrlString(L"app://add_links_to_catalog"));
    CString hex;
    HexCodeString(hex, L"桌面", 1);
    built.Set(L"catalog_name", hex);
    built.SetInt(L"links_count", paths);
    for (int i = 0; i < paths; ++i) {
        CString key, path;
        key.Format(L"link_%d", i);
        path.Format(L"C:\\Users\\用户\\Documents\\项目 %05d\\报告 final.docx", i);
        HexCodeString(hex, path, 1);
        built.Set(key, hex);
    }
    CString text = built.Text();

    CCommandUrl received(text);
    CString name;
    HexCodeString(name, received.Get(L"catalog_name"), 0);
    int count = received.GetInt(L"links_count");
    size_t total = 0;
    for (int i = 0; i < count; ++i) {
        CString key, path;
        key.Format(L"link_%d", i);
        HexCodeString(path, received.Get(key), 0);
        total += path.GetLength();
    }
    double elapsed = Now() - start;
    if (count != paths || total == 0 || name != L"桌面")
        fprintf(stderr, "command URL round trip lost data\n");
    return elapsed;
}

// The same with the plain text search of every parameter, for comparison.
double BuildAndParseBySearch(int paths)
{
    double start = Now();
    CString url = InitUrlString(L"app://add_links_to_catalog");
    SetUrlParamInt(url, L"links_count", paths);
    for (int i = 0; i < paths; ++i) {
        CString key, path, hex;
        key.Format(L"link_%d", i);
        path.Format(L"C:\\Users\\用户\\Documents\\项目 %05d\\报告 final.docx", i);
        HexCodeString(hex, path, 1);
        SetUrlParam(url, key, hex);
    }
    int count = GetUrlParamInt(url, L"links_count");
    for (int i = 0; i < count; ++i) {
        CString key, path;
        key.Format(L"link_%d", i);
        HexCodeString(path, GetUrlParam(url, key), 0);
    }
    return Now() - start;
}

} // namespace

int main()
{
    Report("url_build_parse_1000", BuildAndParse(1000), "s");
    Report("url_build_parse_10000", BuildAndParse(10000), "s");
    Report("url_build_parse_by_search_1000", BuildAndParseBySearch(1000), "s");
    StoreFigures();
    return 0;
}
