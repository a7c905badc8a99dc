#include "core/CatalogStore.h"
#include "core/CatalogsCache.h"
#include "core/StoreTransaction.h"
#include "core/tests/TempDataFolder.h"

#include <gtest/gtest.h>

namespace
{

class CatalogsCacheTest : public StoreTest
{
protected:
    CatalogInfo Add(const wchar_t* name) { return AppendCatalog(name); }
    std::vector<unsigned char> Cache() const { return TempDataFolder::ReadBytes(dir.cachePath); }
};

} // namespace

TEST_F(CatalogsCacheTest, NoGroups)
{
    std::vector<CatalogInfo*> loaded;
    ASSERT_EQ(LoadCatalogs(loaded), 1);
    EXPECT_TRUE(loaded.empty());
    EXPECT_EQ(Cache(), TempDataFolder::CacheBytes(L"app://get_category?category_count=0"));
}

TEST_F(CatalogsCacheTest, ExactBytesForOneAndSeveralGroups)
{
    Add(L"桌面");
    std::vector<unsigned char> one = Cache();
    EXPECT_EQ(one, TempDataFolder::CacheBytes(L"app://get_category?category_count=1&category_0=桌面"));
    // No byte-order mark: the file starts with 'a' 0.
    ASSERT_GE(one.size(), 2u);
    EXPECT_EQ(one[0], 'a');
    EXPECT_EQ(one[1], 0);

    Add(L"默认");
    Add(L"Tools");
    EXPECT_EQ(Cache(),
              TempDataFolder::CacheBytes(
                  L"app://get_category?category_count=3&category_0=桌面&category_1=默认&category_2=Tools"));
}

TEST_F(CatalogsCacheTest, FollowsRenameAndDelete)
{
    CatalogInfo a = Add(L"A");
    CatalogInfo b = Add(L"B");
    Add(L"C");
    ASSERT_EQ(RenameCatalog(L"Bee", b), 1);
    EXPECT_EQ(Cache(), TempDataFolder::CacheBytes(
                           L"app://get_category?category_count=3&category_0=A&category_1=Bee&category_2=C"));
    ASSERT_EQ(DeleteCatalog(a), 1);
    EXPECT_EQ(Cache(),
              TempDataFolder::CacheBytes(L"app://get_category?category_count=2&category_0=Bee&category_1=C"));
}

// A batch whose commit fails leaves the file as the store is: without the
// group it added, with the group it deleted.  A committed one shows its
// changes.
TEST_F(CatalogsCacheTest, EqualsTheStoreAfterACommitThatFails)
{
    CatalogInfo kept = Add(L"K1");
    const std::vector<unsigned char> before = Cache();
    for (int fail = 1; fail >= 0; --fail) {
        {
            CStoreTransaction transaction;
            CatalogInfo added;
            added.name = L"K2";
            ASSERT_EQ(AddCatalog(added), 1);
            ASSERT_EQ(DeleteCatalog(kept), 1);
            if (fail) // the commit then fails, as on a full disk
                AppDatabase.db.ExecDML("rollback transaction;");
            EXPECT_EQ(!fail, transaction.Commit());
        }
        ASSERT_EQ(AppDatabase.db.ExecScalar("select count(*) from qv_catalog where name = 'K2';"), fail ? 0 : 1);
        EXPECT_EQ(Cache(), fail ? before
                                : TempDataFolder::CacheBytes(L"app://get_category?category_count=1&category_0=K2"));
    }
}

TEST_F(CatalogsCacheTest, RefusedDuplicateLeavesFileUnchanged)
{
    Add(L"A");
    std::vector<unsigned char> before = Cache();
    CatalogInfo again;
    again.name = L"A";
    EXPECT_EQ(AddCatalog(again), 0);
    EXPECT_EQ(again.cid, 0);
    EXPECT_EQ(Cache(), before);
}

TEST_F(CatalogsCacheTest, NamesArePlainTextEvenWithSeparatorsOrKeyText)
{
    Add(L"a&b=c");
    Add(L"");
    Add(L"category_1=x");
    Add(L"last");
    EXPECT_EQ(Cache(), TempDataFolder::CacheBytes(L"app://get_category?category_count=4&category_0=a&b=c&"
                                                  L"category_1=&category_2=category_1=x&category_3=last"));
}

TEST_F(CatalogsCacheTest, LongerOldFileIsTruncated)
{
    {
        CFile old;
        ASSERT_TRUE(old.Open(dir.cachePath, CFile::modeCreate | CFile::modeWrite));
        std::vector<unsigned char> junk(4096, 0x55);
        old.Write(junk.data(), static_cast<UINT>(junk.size()));
    }
    ASSERT_EQ(WriteCatalogsCache(), 1);
    EXPECT_EQ(Cache(), TempDataFolder::CacheBytes(L"app://get_category?category_count=0"));
}

TEST_F(CatalogsCacheTest, OpenReaderMakesTheWriteFailWithoutHarm)
{
    Add(L"A");
    std::vector<unsigned char> before = Cache();
    CFile reader;
    ASSERT_TRUE(reader.Open(dir.cachePath, CFile::modeRead | CFile::shareExclusive | CFile::typeBinary));
    EXPECT_EQ(WriteCatalogsCache(), 0);
    reader.Close();
    EXPECT_EQ(Cache(), before);
}

TEST_F(CatalogsCacheTest, MissingFolderFails)
{
    AppPaths.dataFolder = dir.folder + L"\\missing";
    EXPECT_EQ(WriteCatalogsCache(), 0);
    AppPaths.dataFolder = dir.folder;
}

TEST(CatalogsCacheText, NamesGoInAsPlainText)
{
    // Even a name that holds another parameter.
    EXPECT_EQ(
        BuildCatalogsCacheText({L"桌面", L"a&category_2=z", L"x y"}),
        CString(
            L"app://get_category?category_count=3&category_0=桌面&category_1=a&category_2=z&category_2=x y"));
}
