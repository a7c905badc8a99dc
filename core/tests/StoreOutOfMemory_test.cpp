// Every store operation ends a failed allocation anywhere below it in its
// failure result instead of throwing: this program's operator new fails the
// n-th allocation of the calling thread, for n = 1, 2, ... until the
// operation gets through without reaching it.
#include "core/CatalogsCache.h"
#include "core/tests/TempDataFolder.h"

#include <climits>
#include <cstdlib>
#include <functional>
#include <new>
#include <vector>

namespace
{
thread_local long t_failAt = 0; // 0: no allocation fails
thread_local long t_allocations = 0;
thread_local bool t_failed = false;
long g_nextFailure = 0; // what Armed arms

// Runs the store call, and only it, with the chosen allocation failing.
template <typename Call> int Armed(Call&& call)
{
    t_allocations = 0;
    t_failAt = g_nextFailure;
    struct Disarm {
        ~Disarm() { t_failAt = 0; }
    } disarm;
    return call();
}
} // namespace

void* operator new(std::size_t size)
{
    if (t_failAt && ++t_allocations == t_failAt) {
        t_failed = true;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace
{

struct StoreCall {
    const char* name;
    std::function<int()> call; // 1 for success, 0 for the failure result
    // Its last step rewrites the group cache, whose failure does not change
    // its result.
    bool rewritesCache = false;
};

class StoreOutOfMemory : public StoreTest
{
protected:
    // Runs the call with the n-th allocation failing for every n it reaches:
    // no exception may leave it, and it must report the failure.  Then it
    // must work without the failure.
    void Sweep(const StoreCall& op)
    {
        std::vector<int> results; // of the call failing at allocation 1, 2, ...
        for (long n = 1; n < 100000; ++n) {
            g_nextFailure = n;
            t_failed = false;
            int result = -1;
            try {
                result = op.call();
            } catch (...) {
                ADD_FAILURE() << op.name << " threw at allocation " << n;
                return;
            }
            if (!t_failed)
                break;
            results.push_back(result);
        }
        const long allocations = t_allocations;
        long cacheAllocations = 0;
        if (op.rewritesCache) {
            g_nextFailure = LONG_MAX; // counts without failing
            Armed(WriteCatalogsCache);
            cacheAllocations = t_allocations;
        }
        for (size_t i = 0; i < results.size(); ++i) {
            const bool inCache = static_cast<long>(i) >= allocations - cacheAllocations;
            EXPECT_EQ(inCache ? 1 : 0, results[i]) << op.name << " at allocation " << i + 1;
        }
        g_nextFailure = 0;
        EXPECT_EQ(1, op.call()) << op.name << " after the failures";
    }
};

TEST_F(StoreOutOfMemory, EveryOperationEndsInItsFailureResult)
{
    CatalogInfo group = AppendCatalog(L"一个分组的名字，比短字符串长");
    QuickLinkInfo link;
    link.cid = group.cid;
    link.linktype = LinkTypeFile;
    link.name = L"记事本 notepad with a long name";
    link.path = L"C:\\windows\\notepad.exe";
    auto freeAll = [](auto& records) {
        for (auto* record : records)
            delete record;
        records.clear();
    };
    const StoreCall calls[] = {
        {"SetConfigString",
         [] { return Armed([] { return SetConfigString(L"SomeLongSettingName", L"a value longer than a buffer"); }); }},
        {"SetConfigInt", [] { return Armed([] { return SetConfigInt(L"SomeLongIntegerSetting", 123456); }); }},
        {"GetConfigString",
         [] {
             CString value;
             Armed([&] {
                 value = GetConfigString(L"SomeLongSettingName", L"the default value of the caller");
                 return 1;
             });
             // The stored value; failed, the default, or empty when even that failed.
             if (value == L"a value longer than a buffer")
                 return 1;
             return value == L"the default value of the caller" || value.IsEmpty() ? 0 : -1;
         }},
        {"CreateAppTables", [] { return Armed([] { return CreateAppTables(); }); }},
        {"AddCatalog",
         [] {
             // Each round starts from the same groups, so it asks for as
             // much memory as the last.
             AppDatabase.db.ExecDML("delete from qv_catalog where cid <> (select min(cid) from qv_catalog);");
             CatalogInfo added;
             added.name = L"新的分组 with a long name";
             return Armed([&] { return AddCatalog(added); });
         },
         true},
        {"RenameCatalog", [&] { return Armed([&] { return RenameCatalog(L"改过名字的分组 renamed", group); }); },
         true},
        {"LoadCatalogs",
         [&] {
             std::vector<CatalogInfo*> loaded;
             int result = Armed([&] { return LoadCatalogs(loaded); });
             freeAll(loaded);
             return result;
         },
         true},
        {"AddLink", [&] { return Armed([&] { return AddLink(link); }); }},
        {"RenameLink", [&] { return Armed([&] { return RenameLink(link); }); }},
        {"MoveLinkToCatalog", [&] { return Armed([&] { return MoveLinkToCatalog(link); }); }},
        {"SetLinkPreId", [&] { return Armed([&] { return SetLinkPreId(link); }); }},
        {"LoadLinks",
         [&] {
             std::vector<QuickLinkInfo*> loaded;
             int result = Armed([&] { return LoadLinks(group.cid, loaded); });
             for (QuickLinkInfo* record : loaded) {
                 if (record->fileInfo.hIcon)
                     DestroyIcon(record->fileInfo.hIcon);
             }
             freeAll(loaded);
             return result;
         }},
        {"WriteCatalogsCache", [] { return Armed([] { return WriteCatalogsCache(); }); }},
        {"DeleteLink", [&] { return Armed([&] { return DeleteLink(link); }); }},
        {"DeleteCatalog", [&] { return Armed([&] { return DeleteCatalog(group); }); }, true},
    };
    for (const StoreCall& call : calls)
        Sweep(call);
}

} // namespace
