#include "framework/CString.h"
#include "framework/TextConvert.h"

#include <gtest/gtest.h>

TEST(CStringFormat, PrintfFormsOfTheProgram)
{
    CString s;
    s.Format(L"%s\\Quorventile", L"C:\\Users\\a");
    EXPECT_EQ(s, L"C:\\Users\\a\\Quorventile");
    s.Format(L"%d|%u|%I64d|%02X|%02X", -5, static_cast<unsigned>(4000000000u), -1234567890123LL, 0x4e, 0xA);
    EXPECT_EQ(s, L"-5|4000000000|-1234567890123|4E|0A");
    s.Format(L"%u", -1);
    EXPECT_EQ(s, L"4294967295");
    s.Format(L"%-4s|%4s|%.2s|%c|%%", L"ab", L"cd", L"xyz", L'中');
    EXPECT_EQ(s, L"ab  |  cd|xy|中|%");
}

TEST(CStringFormat, StringObjectsAndOtherWidths)
{
    CString name = L"桌面";
    CStringA narrow = "abc";
    CString s;
    s.Format(L"category_%d=%s;%S;%s", 3, name, narrow, narrow);
    EXPECT_EQ(s, L"category_3=桌面;abc;abc");
    s.AppendFormat(L"!%s", static_cast<const wchar_t*>(nullptr));
    EXPECT_EQ(s, L"category_3=桌面;abc;abc!(null)");
    s.Format(L"%d %d", 1);
    EXPECT_EQ(s, L"1 ");
}

TEST(CStringOps, FindCutTrim)
{
    CString s = L"  app://x?a=1&b=2 \t";
    s.Trim();
    EXPECT_EQ(s, L"app://x?a=1&b=2");
    EXPECT_EQ(s.Find(L'?'), 7);
    EXPECT_EQ(s.Find(L"b="), 12);
    EXPECT_EQ(s.Find(L"a", 8), 8);
    EXPECT_EQ(s.Find(L"a", 9), -1);
    EXPECT_EQ(s.Find(L"zz"), -1);
    EXPECT_EQ(s.Find(L"a", 100), -1);
    EXPECT_EQ(s.ReverseFind(L'='), 13);
    EXPECT_EQ(s.Mid(8), L"a=1&b=2");
    EXPECT_EQ(s.Mid(8, 3), L"a=1");
    EXPECT_EQ(s.Mid(100), L"");
    EXPECT_EQ(s.Left(3), L"app");
    EXPECT_EQ(s.Right(3), L"b=2");
    EXPECT_EQ(s.Right(100), s);
    EXPECT_EQ(s.Left(-1), L"");
}

TEST(CStringOps, CaseAndCompare)
{
    CString s = L"Catalog_NAME Äb";
    s.MakeLower();
    EXPECT_EQ(s, L"catalog_name äb");
    EXPECT_EQ(CString(L"ABC").CompareNoCase(L"abc"), 0);
    EXPECT_LT(CString(L"abc").CompareNoCase(L"abd"), 0);
    EXPECT_EQ(CString(L"默认").CompareNoCase(L"默认"), 0);
    EXPECT_NE(CString(L"a"), CString(L"A"));
    EXPECT_TRUE(CString(L"a") == L"a");
}

TEST(CStringOps, ReplaceInsertDeleteBuffer)
{
    CString s = L"aXbXc";
    EXPECT_EQ(s.Replace(L"X", L"--"), 2);
    EXPECT_EQ(s, L"a--b--c");
    EXPECT_EQ(s.Replace(L"", L"y"), 0);
    s.Insert(1, L"!");
    s.Delete(0);
    EXPECT_EQ(s, L"!--b--c");
    wchar_t* buffer = s.GetBuffer(64);
    wcscpy(buffer, L"short");
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 5);
    int pos = 0;
    CString csv = L"a,,b,c";
    EXPECT_EQ(csv.Tokenize(L",", pos), L"a");
    EXPECT_EQ(csv.Tokenize(L",", pos), L"b");
    EXPECT_EQ(csv.Tokenize(L",", pos), L"c");
    EXPECT_TRUE(csv.Tokenize(L",", pos).IsEmpty());
    EXPECT_EQ(pos, -1);
}

TEST(TextConvert, Utf8AndCodePage936RoundTrip)
{
    CStringA utf8 = ToUtf8(L"中文\"'");
    EXPECT_EQ(utf8, "\xE4\xB8\xAD\xE6\x96\x87\"'");
    EXPECT_EQ(FromUtf8(utf8), L"中文\"'");
    CStringA gbk = WideToMultiByte(936, L"中文");
    EXPECT_EQ(gbk, "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(MultiByteToWide(936, gbk), L"中文");
    EXPECT_EQ(ToUtf8(L""), "");
    EXPECT_EQ(FromUtf8(nullptr), L"");
    std::wstring big(100000, L'字');
    EXPECT_EQ(FromUtf8(ToUtf8(big.c_str())).GetLength(), 100000);
}
