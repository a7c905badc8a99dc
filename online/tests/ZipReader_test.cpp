// Archives made by Info-ZIP at build time, some of them hostile, read by ours.
#include "online/ZipReader.h"

#include "framework/tests/GTestPrinters.h"
#include "online/ZipWriter.h"
#include "online/tests/OnlineTestFiles.h"

#include <gtest/gtest.h>

using namespace OnlineTest;

namespace
{
const ULONGLONG kModuleTime = 1588766400ULL; // when make_fixtures.py dates its files

ULONGLONG UnixSeconds(const FILETIME& time)
{
    ULONGLONG ticks = (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return ticks / 10000000ULL - 11644473600ULL;
}

struct Archive {
    explicit Archive(const std::wstring& path) : handle(ZipReaderOpen(path.c_str())) {}
    ~Archive()
    {
        if (handle)
            ZipReaderClose(handle);
    }
    int Count()
    {
        ZipItem item;
        return ZipReaderGetItem(-1, &item, handle) == ZipOk ? item.index : -1;
    }
    ZipHandle* handle;
};

// Runs with the current directory in a fresh folder inside another one, so
// that anything created outside it shows.
class InsideFolder
{
public:
    InsideFolder()
    {
        GetCurrentDirectoryW(MAX_PATH, saved_);
        inside_ = outer_.File(L"inside");
        CreateDirectoryW(inside_.c_str(), nullptr);
        SetCurrentDirectoryW(inside_.c_str());
    }
    ~InsideFolder() { SetCurrentDirectoryW(saved_); }
    const std::wstring& Inside() const { return inside_; }
    // The names in a folder, "." and ".." left out.
    static std::vector<std::wstring> Names(const std::wstring& folder)
    {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return names;
        do {
            if (wcscmp(found.cFileName, L".") && wcscmp(found.cFileName, L".."))
                names.push_back(found.cFileName);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return names;
    }
    std::vector<std::wstring> Outside() const { return Names(outer_.Path()); }

private:
    TempFolder outer_;
    std::wstring inside_;
    wchar_t saved_[MAX_PATH];
};
} // namespace

TEST(ZipReader, ListsEntriesWithNamesAttributesTimesAndSizes)
{
    Archive archive(Fixture(L"good.zip"));
    ASSERT_NE(archive.handle, nullptr);
    ASSERT_EQ(archive.Count(), 3);
    ZipItem item;
    ASSERT_EQ(ZipReaderGetItem(-1, &item, archive.handle), ZipOk);
    EXPECT_STREQ(item.name, L"");

    struct {
        const wchar_t* name;
        DWORD directory;
        int size;
    } expected[] = {
        {L"docs/", FILE_ATTRIBUTE_DIRECTORY, 0}, {L"Notelet.dll", 0, 200000}, {L"docs/readme.txt", 0, 64890}};
    for (int i : {1, 2, 0, 1}) { // out of order and again: the cursor goes back
        ASSERT_EQ(ZipReaderGetItem(i, &item, archive.handle), ZipOk);
        EXPECT_EQ(item.index, i);
        EXPECT_STREQ(item.name, expected[i].name);
        EXPECT_EQ(item.attributes & FILE_ATTRIBUTE_DIRECTORY, expected[i].directory);
        EXPECT_EQ(item.attributes & FILE_ATTRIBUTE_READONLY, 0u);
        EXPECT_EQ(item.uncompressedSize, expected[i].size);
    }
    ZipReaderGetItem(1, &item, archive.handle);
    EXPECT_LT(item.compressedSize, item.uncompressedSize);
    // The modification time, from zip's "UT" field (see below for which wins).
    EXPECT_EQ(UnixSeconds(item.modificationTime), kModuleTime);
}

TEST(ZipReader, ExtractsFromPlainSelfExtractingAndCommentedArchives)
{
    const std::string module = ReadFileBytes(Fixture(L"Notelet.dll.expected"));
    ASSERT_EQ(module.size(), 200000u);
    struct {
        const wchar_t* archive;
        int index;
    } cases[] = {{L"good.zip", 1}, {L"selfextract.exe", 1}, {L"comment.zip", 0}, {L"upper.zip", 0}};
    for (const auto& c : cases) {
        TempFolder folder;
        Archive archive(Fixture(c.archive));
        ASSERT_NE(archive.handle, nullptr) << c.archive;
        std::wstring target = folder.File(L"NoteletNew.dll");
        EXPECT_EQ(ZipReaderExtract(archive.handle, target.c_str(), c.index), ZipOk) << c.archive;
        EXPECT_EQ(ReadFileBytes(target), module) << c.archive;
        FILETIME written;
        HANDLE file =
            CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        GetFileTime(file, nullptr, nullptr, &written);
        CloseHandle(file);
        EXPECT_EQ(UnixSeconds(written), kModuleTime) << c.archive;
    }
}

TEST(ZipReader, DamagedEntriesFailAndLeaveNoTarget)
{
    // A wrong CRC, a damaged stream, and a bomb that inflates far beyond its
    // declared 100000 bytes.
    for (const wchar_t* name : {L"badcrc.zip", L"damaged.zip", L"bomb.zip"}) {
        TempFolder folder;
        Archive archive(Fixture(name));
        ASSERT_NE(archive.handle, nullptr) << name;
        std::wstring target = folder.File(L"NoteletNew.dll");
        EXPECT_EQ(ZipReaderExtract(archive.handle, target.c_str(), 0), ZipReadWriteFailed) << name;
        EXPECT_FALSE(Exists(target)) << name;
    }
}

TEST(ZipReader, RefusesArchivesWhoseEntriesShareOrOverlapTheirData)
{
    // Four entries on one local entry; one starting inside another's data;
    // one whose valid local entry lies wholly inside another's stored data;
    // one whose data runs into the central directory.
    for (const wchar_t* name : {L"shared.zip", L"inside.zip", L"nested.zip", L"intocentral.zip"}) {
        EXPECT_EQ(ZipReaderOpen(Fixture(name).c_str()), nullptr) << name;
        EXPECT_EQ(ZipReaderLastResult(), ZipBadLocalHeader) << name;
    }
}

TEST(ZipReader, AnEntryLargerThanTheCallerAllowsIsNotWritten)
{
    // 65 MiB of zeros, declared as such.
    TempFolder folder;
    Archive archive(Fixture(L"honestbomb.zip"));
    ASSERT_NE(archive.handle, nullptr);
    std::wstring target = folder.File(L"NoteletNew.dll");
    EXPECT_EQ(ZipReaderExtract(archive.handle, target.c_str(), 0, 64 << 20), ZipReadWriteFailed);
    EXPECT_FALSE(Exists(target));
    Archive good(Fixture(L"good.zip"));
    EXPECT_EQ(ZipReaderExtract(good.handle, target.c_str(), 1, 200000), ZipOk);
    EXPECT_EQ(ZipReaderExtract(good.handle, target.c_str(), 1, 199999), ZipReadWriteFailed);
}

TEST(ZipReader, FolderEntriesStayInsideTheBaseFolder)
{
    InsideFolder place;
    {
        Archive good(Fixture(L"good.zip"));
        EXPECT_EQ(ZipReaderExtract(good.handle, L"ignored", 0), ZipOk);
        // A relative target's folders are made below the base folder too.
        EXPECT_EQ(ZipReaderExtract(good.handle, L"made\\deeper\\readme.txt", 2), ZipOk);
    }
    EXPECT_TRUE(Exists(place.Inside() + L"\\docs"));
    EXPECT_TRUE(Exists(place.Inside() + L"\\made\\deeper\\readme.txt"));

    Archive escape(Fixture(L"escape.zip"));
    ASSERT_NE(escape.handle, nullptr);
    ASSERT_EQ(escape.Count(), 7);
    for (int i = 0; i < 6; ++i) {
        ZipItem item;
        ASSERT_EQ(ZipReaderGetItem(i, &item, escape.handle), ZipOk);
        ASSERT_TRUE(item.attributes & FILE_ATTRIBUTE_DIRECTORY) << item.name;
        EXPECT_EQ(ZipReaderExtract(escape.handle, L"ignored", i), ZipCannotOpen) << item.name;
    }
    EXPECT_EQ(InsideFolder::Names(place.Inside()), (std::vector<std::wstring>{L"docs", L"made"}));
    EXPECT_EQ(place.Outside(), std::vector<std::wstring>{L"inside"});
    for (const wchar_t* escaped : {L"C:\\evil3", L"\\eevil2", L"C:\\eevil2"})
        EXPECT_FALSE(Exists(escaped)) << escaped;
}

TEST(ZipReader, TheExtendedTimeBlockWinsOverTheDosTimeWhenItFits)
{
    struct {
        const wchar_t* archive;
        bool fromBlock;
    } cases[] = {{L"uttime.zip", true}, {L"utoverrun.zip", false}};
    for (const auto& c : cases) {
        const std::string bytes = ReadFileBytes(Fixture(c.archive));
        ASSERT_GT(bytes.size(), 14u);
        auto get16 = [&](size_t at) {
            return static_cast<WORD>(static_cast<unsigned char>(bytes[at]) |
                                     static_cast<unsigned char>(bytes[at + 1]) << 8);
        };
        FILETIME dos;
        DosDateTimeToFileTime(get16(12), get16(10), &dos);
        Archive archive(Fixture(c.archive));
        ZipItem item;
        ASSERT_EQ(ZipReaderGetItem(0, &item, archive.handle), ZipOk) << c.archive;
        EXPECT_EQ(UnixSeconds(item.modificationTime), c.fromBlock ? kModuleTime + 1000 : UnixSeconds(dos))
            << c.archive;
        EXPECT_EQ(UnixSeconds(item.accessTime), c.fromBlock ? kModuleTime : UnixSeconds(dos)) << c.archive;
        EXPECT_EQ(UnixSeconds(item.creationTime), UnixSeconds(dos)) << c.archive;
    }
}

TEST(ZipReader, ReadOnlyOnlyWhenTheArchiveSaysSo)
{
    struct {
        const wchar_t* archive;
        bool readOnly;
    } cases[] = {{L"dos.zip", false}, {L"readonly.zip", true}};
    for (const auto& c : cases) {
        TempFolder folder;
        Archive archive(Fixture(c.archive));
        ZipItem item;
        ASSERT_EQ(ZipReaderGetItem(0, &item, archive.handle), ZipOk);
        EXPECT_EQ((item.attributes & FILE_ATTRIBUTE_READONLY) != 0, c.readOnly) << c.archive;
        std::wstring target = folder.File(L"out.dll");
        EXPECT_EQ(ZipReaderExtract(archive.handle, target.c_str(), 0), ZipOk);
        EXPECT_EQ((GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_READONLY) != 0, c.readOnly)
            << c.archive;
        SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST(ZipReader, RefusesBadArgumentsAndNonArchives)
{
    EXPECT_EQ(ZipReaderOpen(Fixture(L"notazip.bin").c_str()), nullptr);
    EXPECT_EQ(ZipReaderLastResult(), ZipNoEndRecord);
    EXPECT_EQ(ZipReaderOpen(Fixture(L"noise.bin").c_str()), nullptr);
    EXPECT_EQ(ZipReaderLastResult(), ZipEndRecordInconsistent);
    EXPECT_EQ(ZipReaderOpen(Fixture(L"missing.zip").c_str()), nullptr);
    EXPECT_EQ(ZipReaderLastResult(), ZipCannotOpen);

    Archive archive(Fixture(L"good.zip"));
    ZipItem item;
    EXPECT_EQ(ZipReaderGetItem(0, &item, nullptr), ZipBadArgument);
    EXPECT_EQ(ZipReaderGetItem(-2, &item, archive.handle), ZipBadArgument);
    EXPECT_EQ(ZipReaderGetItem(3, &item, archive.handle), ZipBadArgument);
    EXPECT_EQ(ZipReaderExtract(archive.handle, L"x", -1), ZipBadArgument);
    EXPECT_EQ(ZipReaderLastResult(), ZipBadArgument);

    TempFolder folder;
    ZipHandle* writer = ZipWriterCreate(folder.File(L"w.zip").c_str());
    EXPECT_EQ(ZipReaderGetItem(0, &item, writer), ZipWrongKind);
    EXPECT_EQ(ZipReaderClose(writer), ZipWrongKind);
    EXPECT_EQ(ZipWriterClose(writer), ZipOk);
}
