#include "shellext/CatalogNames.h"

#include "core/CatalogsCache.h"
#include "core/tests/TempDataFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using Names = std::vector<CString>;

void WriteBytes(const CString& path, const std::string& bytes)
{
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary));
    ASSERT_TRUE(bytes.empty() || file.Write(bytes.data(), static_cast<UINT>(bytes.size())));
}

std::string Utf16Bytes(const std::wstring& text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

} // namespace

TEST(ParseCatalogNames, NamesAsListed)
{
    struct Case {
        const wchar_t* text;
        Names names;
    } cases[] = {
        {L"app://get_category?category_count=2&category_0=A&category_1=B", {L"A", L"B"}},
        {L"app://get_category?category_count=0", {}},
        {L"app://get_category?category_count=-3&category_0=A", {}},
        {L"app://get_category?category_0=A", {}},
        {L"app://get_category", {}},
        {L"", {}},
        // A count past the names present: the missing ones are empty.
        {L"app://get_category?category_count=3&category_0=A", {L"A", L"", L""}},
        {L"app://get_category?category_count=2&category_0=&category_1=B", {L"", L"B"}},
        // Names are plain text and come out whole.
        {L"app://get_category?category_count=2&category_0=A&B=C&category_1=D", {L"A&B=C", L"D"}},
        {L"app://get_category?category_count=2&category_0=category_1&category_1=x&category_0=y",
         {L"category_1", L"x&category_0=y"}},
        {L"app://get_category?category_count=1&category_0=a&category_count=9", {L"a&category_count=9"}},
        {L"app://get_category?CATEGORY_COUNT=1&Category_0=桌面", {L"桌面"}},
        // Names are read in key order: a key before its predecessor's is
        // not looked for.
        {L"app://get_category?category_count=2&category_1=B&category_0=A", {L"A", L""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseCatalogNames(c.text), c.names) << ToUtf8(c.text).GetString();
}

TEST(ParseCatalogNames, HugeCountIsBounded)
{
    Names names = ParseCatalogNames(L"app://get_category?category_count=2147483647&category_0=A");
    ASSERT_EQ(names.size(), static_cast<size_t>(kMaxCatalogNames));
    EXPECT_EQ(names[0], CString(L"A"));
    EXPECT_TRUE(names.back().IsEmpty());
}

TEST(ReadCatalogsCacheText, FileWrittenByTheStore)
{
    TempDataFolder dir;
    ASSERT_EQ(OpenAppDatabase(), 1);
    int previous = 0;
    for (const wchar_t* name : {L"桌面", L"A&B", L"category_1", L"x=y"}) {
        CatalogInfo c;
        c.name = name;
        c.preid = previous;
        ASSERT_EQ(AddCatalog(c), 1);
        previous = c.cid;
    }
    CString text;
    ASSERT_TRUE(ReadCatalogsCacheText(dir.cachePath, text));
    EXPECT_EQ(ParseCatalogNames(text), (Names{L"桌面", L"A&B", L"category_1", L"x=y"}));
}

TEST(ReadCatalogsCacheText, DamagedOrUnreadableFiles)
{
    TempDataFolder dir;
    const std::string url = Utf16Bytes(L"app://get_category?category_count=1&category_0=AB");
    struct Case {
        const char* what;
        std::string bytes;
        bool read;
        const wchar_t* text;
    } cases[] = {
        {"whole", url + std::string(2, '\0'), true, L"app://get_category?category_count=1&category_0=AB"},
        {"no terminator", url, true, L"app://get_category?category_count=1&category_0=AB"},
        {"odd last byte", url + "B", true, L"app://get_category?category_count=1&category_0=AB"},
        {"cut inside a name", url.substr(0, url.size() - 3), true, L"app://get_category?category_count=1&category_0="},
        {"text after the terminator", url + std::string(2, '\0') + "x\0", true,
         L"app://get_category?category_count=1&category_0=AB"},
        {"empty", std::string(), true, L""},
        {"one byte", "a", true, L""},
        {"over the size cap", std::string(kMaxCatalogsCacheBytes + 2, 'a'), false, L""},
    };
    for (const Case& c : cases) {
        WriteBytes(dir.cachePath, c.bytes);
        CString text = L"old";
        EXPECT_EQ(ReadCatalogsCacheText(dir.cachePath, text), c.read) << c.what;
        EXPECT_EQ(text, CString(c.text)) << c.what;
    }
    CString text;
    EXPECT_FALSE(ReadCatalogsCacheText(dir.folder + L"\\missing.bin", text));

    // While the program writes the file (no sharing), a read fails.
    WriteBytes(dir.cachePath, url);
    CFile writer;
    ASSERT_TRUE(writer.Open(dir.cachePath, CFile::modeWrite | CFile::shareExclusive | CFile::typeBinary));
    EXPECT_FALSE(ReadCatalogsCacheText(dir.cachePath, text));
    EXPECT_TRUE(text.IsEmpty());
}
