#include "core/Pinyin.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
std::wstring Pinyin(const wchar_t* text)
{
    return ConvertToPinyin(text).str();
}
} // namespace

TEST(Pinyin, ChineseNamesBecomeSyllables)
{
    EXPECT_EQ(Pinyin(L"中文abc"), L"zhongwenabc");
    EXPECT_EQ(Pinyin(L"桌面"), L"zhuomian");
    EXPECT_EQ(Pinyin(L"我的 文件!"), L"wode wenjian");
    EXPECT_EQ(Pinyin(L"行"), L"xing"); // the reading of its code's run
    EXPECT_EQ(Pinyin(L"记事本"), L"jishiben");
    EXPECT_EQ(Pinyin(L"绿女"), L"lvnv");
}

TEST(Pinyin, FirstAndLastCodeOfTheTable)
{
    EXPECT_EQ(Pinyin(L"啊"), L"a");   // 0xB0A1
    EXPECT_EQ(Pinyin(L"座"), L"zuo"); // 0xD7F9
    EXPECT_EQ(Pinyin(L"薄"), L"bao"); // 0xB1A1: the run of bao crosses a row boundary
}

TEST(Pinyin, AsciiIsKeptExceptTheDroppedMarks)
{
    EXPECT_EQ(Pinyin(L"  abc  "), L"abc");
    EXPECT_EQ(Pinyin(L"a,b.c"), L"abc");
    EXPECT_EQ(Pinyin(L"C:\\Temp"), L"C\\Temp");
    EXPECT_EQ(Pinyin(L"Foo Bar-2 (x)"), L"Foo Bar-2 (x)");
    EXPECT_EQ(Pinyin(L",.\"!@?:*&^%$~"), L"");
    EXPECT_EQ(Pinyin(L""), L"");
}

TEST(Pinyin, CharactersOutsideTheTableAreDropped)
{
    EXPECT_EQ(Pinyin(L"亍"), L"");               // second level, 0xD8A1
    EXPECT_EQ(Pinyin(L"齄"), L"");               // last code of GB2312
    EXPECT_EQ(Pinyin(L"，。（）"), L"");         // full-width punctuation
    EXPECT_EQ(Pinyin(L"a\u00e9\u0416b"), L"ab"); // no GB2312 form, or outside the table
    EXPECT_EQ(Pinyin(L"\u20ac1"), L"1");         // a single byte above 0x7F in code page 936
    EXPECT_EQ(Pinyin(L"日本\u3042"), L"riben");  // kana lies below the table
}

TEST(Pinyin, FreedTableDropsChineseButKeepsAsciiUntilBuiltAgain)
{
    InitPinyinTable(); // freeing a table that was never built does nothing
    FreePinyinTable();
    EXPECT_EQ(Pinyin(L"中文abc"), L"abc");
    InitPinyinTable();
    EXPECT_EQ(Pinyin(L"中文abc"), L"zhongwenabc");
}
