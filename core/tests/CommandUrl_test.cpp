#include "core/CommandUrl.h"
#include "framework/tests/GTestPrinters.h"

#include <gtest/gtest.h>

namespace
{

struct GetCase {
    const wchar_t* url;
    const wchar_t* key;
    const wchar_t* value;
    int keyPos;
    int endPos;
};

const GetCase getCases[] = {
    {L"app://get_category", L"category_count", L"", -1, -1},
    {L"?a=1", L"a", L"", -1, -1},
    {L"", L"a", L"", -1, -1},
    {L"app://x?Catalog_Name=AbC", L"catalog_name", L"AbC", 8, -1},
    {L"app://x?key=", L"key", L"", 8, -1},
    {L"app://x?key=&next=1", L"key", L"", 8, 12},
    {L"app://x?a=1&b=22&c=3", L"b", L"22", 12, 16},
    {L"app://x?a=1&b=22&c=3", L"missing", L"", -1, -1},
    // The key is found as text: link_1 matches inside link_10.
    {L"app://x?link_10=AA", L"link_1", L"AA", 8, -1},
    // The "=" taken is the first after the key, even past an "&".
    {L"app://x?ab&c=5", L"ab", L"5", 8, -1},
};

} // namespace

TEST(CommandUrlGet, Examples)
{
    for (const GetCase& c : getCases) {
        int keyPos = 99, endPos = 99;
        EXPECT_EQ(GetUrlParam(c.url, c.key, &keyPos, &endPos), c.value) << c.url << " " << c.key;
        EXPECT_EQ(keyPos, c.keyPos) << c.url << " " << c.key;
        EXPECT_EQ(endPos, c.endPos) << c.url << " " << c.key;
    }
}

TEST(CommandUrlGet, Integers)
{
    CString url = L"app://x?links_count=12&bad=x1&neg= -4&big=99999999999";
    EXPECT_EQ(GetUrlParamInt(url, L"links_count"), 12);
    EXPECT_EQ(GetUrlParamInt(url, L"bad"), 0);
    EXPECT_EQ(GetUrlParamInt(url, L"neg"), -4);
    EXPECT_EQ(GetUrlParamInt(url, L"none"), 0);
}

TEST(CommandUrlSet, JoinsAndReplaces)
{
    CString url;
    EXPECT_EQ(SetUrlParam(url, L"key", L"value"), L"?key=value");
    url = L"app://x";
    EXPECT_EQ(SetUrlParam(url, L"key", L"value"), L"app://x?key=value");
    url = L"app://x?a=1";
    EXPECT_EQ(SetUrlParam(url, L"key", L"value"), L"app://x?a=1&key=value");
    url = L"app://x?a=1&b=3";
    EXPECT_EQ(SetUrlParam(url, L"a", L"2"), L"app://x?a=2&b=3");
    url = L"app://x?a=1&b=3";
    EXPECT_EQ(SetUrlParam(url, L"b", L"4"), L"app://x?a=1&b=4");
    // Substring match: setting link_1 when only link_10 exists replaces it.
    url = L"app://x?link_10=AA";
    EXPECT_EQ(SetUrlParam(url, L"link_1", L"BB"), L"app://x?link_1=BB");
    url = L"app://x";
    EXPECT_EQ(SetUrlParamInt(url, L"n", -3), L"app://x?n=-3");
}

TEST(CommandUrlSet, ReplacingOneParameterLeavesEqualTextElsewhere)
{
    // Two parameters with the same text: only the one set changes.
    CString url = L"app://x?a=1&b=1&xa=1";
    EXPECT_EQ(SetUrlParam(url, L"a", L"2"), L"app://x?a=2&b=1&xa=1");
    url = L"app://x?k=v&other=k=v";
    EXPECT_EQ(SetUrlParam(url, L"k", L"w"), L"app://x?k=w&other=k=v");
}

TEST(CommandUrlSet, BuildingTheAddLinksCommand)
{
    CString url = InitUrlString(L"app://add_links_to_catalog");
    SetUrlParam(url, L"catalog_name", L"41004200");
    SetUrlParamInt(url, L"links_count", 2);
    SetUrlParam(url, L"link_0", L"6300");
    SetUrlParam(url, L"link_1", L"6400");
    EXPECT_EQ(url, L"app://add_links_to_catalog?catalog_name=41004200&links_count=2&link_0=6300&link_1=6400");
    EXPECT_EQ(GetUrlParamInt(url, L"links_count"), 2);
    EXPECT_EQ(GetUrlParam(url, L"link_1"), L"6400");
}

TEST(HexCodec, EncodeAndDecode)
{
    CString out = L"junk";
    HexCodeString(out, L"", 1);
    EXPECT_EQ(out, L"");
    HexCodeString(out, L"AB", 1);
    EXPECT_EQ(out, L"41004200");
    HexCodeString(out, L"中", 1);
    EXPECT_EQ(out, L"2D4E");
    HexCodeString(out, L"2D4E", 0);
    EXPECT_EQ(out, L"中");
    HexCodeString(out, L"2d4e", 0);
    EXPECT_EQ(out, L"中");

    const CString path = L"C:\\用户\\a&b=c.txt";
    CString hex, back;
    HexCodeString(hex, path, 1);
    EXPECT_EQ(hex.GetLength(), path.GetLength() * 4);
    HexCodeString(back, hex, 0);
    EXPECT_EQ(back, path);
}

TEST(HexCodec, OddAndTruncatedInput)
{
    CString out;
    // The odd last digit is ignored.
    HexCodeString(out, L"4100420", 0);
    EXPECT_EQ(out, L"AB");
    // Three bytes: the third pairs with a zero byte.
    HexCodeString(out, L"410042", 0);
    EXPECT_EQ(out, L"AB");
    HexCodeString(out, L"4", 0);
    EXPECT_EQ(out, L"");
    HexCodeString(out, L"41", 0);
    EXPECT_EQ(out, L"A");
    // Decoding stops at a zero code unit.
    HexCodeString(out, L"410000004200", 0);
    EXPECT_EQ(out, L"A");
    HexCodeString(out, nullptr, 0);
    EXPECT_EQ(out, L"");
    EXPECT_EQ(HexDecodeString(L"410042").size(), 3u);
    EXPECT_EQ(HexDecodeString(L"41zz42"), (std::vector<unsigned char>{0x41, 0x00, 0x42}));
}

TEST(CommandUrlParsed, SameValuesAsTheTextSearch)
{
    CString url = InitUrlString(L"app://add_links_to_catalog");
    CCommandUrl built(url);
    built.Set(L"catalog_name", L"6C9A");
    built.SetInt(L"links_count", 12);
    for (int i = 0; i < 12; ++i) {
        CString key, value;
        key.Format(L"link_%d", i);
        HexCodeString(value, key, 1);
        built.Set(key, value);
        SetUrlParam(url, key, value);
    }
    SetUrlParam(url, L"links_count", L"12");
    SetUrlParam(url, L"catalog_name", L"6C9A");
    // The two were built in another order, so compare by reading back: the
    // parsed form of one and the text search of the other agree.
    CCommandUrl parsed(built.Text());
    for (const wchar_t* key : {L"catalog_name", L"links_count", L"link_0", L"link_1", L"link_10", L"LINK_11"})
        EXPECT_EQ(parsed.Get(key), GetUrlParam(url, key)) << key;
    EXPECT_EQ(GetUrlParam(url, L"link_10"), L"6C0069006E006B005F0031003000");
    EXPECT_EQ(parsed.GetInt(L"links_count"), 12);
    EXPECT_EQ(parsed.Get(L"link_12"), L"");
    EXPECT_EQ(CCommandUrl(L"app://get_category").Text(), L"app://get_category");
}

TEST(CommandUrlParsed, SetReplacesOnlyThatKeyAndKeepsOrder)
{
    CCommandUrl url(L"app://x?a=1&B=1&c=3");
    url.Set(L"b", L"2");
    url.Set(L"d", L"4");
    EXPECT_EQ(url.Text(), L"app://x?a=1&B=2&c=3&d=4");
}
