#include "app/HotkeyText.h"
#include "framework/tests/GTestPrinters.h"

#include <gtest/gtest.h>

namespace
{

WORD CodeOf(const wchar_t* name)
{
    WORD code = 0xFFFF;
    CString text(name);
    return HotkeyKeyName(code, text) ? code : 0;
}

CString NameOf(WORD code)
{
    CString text;
    return HotkeyKeyName(code, text) ? text : CString(L"(none)");
}

} // namespace

TEST(HotkeyKeyName, DigitsAndLettersAreTheirOwnKeys)
{
    EXPECT_EQ(CodeOf(L"0"), '0');
    EXPECT_EQ(CodeOf(L"9"), '9');
    EXPECT_EQ(CodeOf(L"A"), 'A');
    EXPECT_EQ(CodeOf(L"Z"), 'Z');
    EXPECT_EQ(NameOf('1'), L"1");
    EXPECT_EQ(NameOf('K'), L"K");
}

TEST(HotkeyKeyName, PunctuationTableBothWays)
{
    const struct {
        WORD code;
        const wchar_t* name;
    } keys[] = {{0xBA, L";"}, {0xBB, L"="}, {0xBC, L","},  {0xBD, L"-"}, {0xBE, L"."}, {0xBF, L"/"},
                {0xC0, L"~"}, {0xDB, L"["}, {0xDC, L"\\"}, {0xDD, L"]"}, {0xDE, L"\""}};
    for (const auto& key : keys) {
        EXPECT_EQ(CodeOf(key.name), key.code) << key.code;
        EXPECT_EQ(NameOf(key.code), key.name);
    }
}

TEST(HotkeyKeyName, KeysWithoutNamesAreRefused)
{
    EXPECT_EQ(NameOf(VK_F1), L"(none)");
    EXPECT_EQ(NameOf(VK_SHIFT), L"(none)");
    EXPECT_EQ(NameOf(VK_NUMPAD1), L"(none)"); // 0x61, the code of 'a'
    EXPECT_EQ(NameOf('a'), L"(none)");
    EXPECT_EQ(CodeOf(L"a"), 0);
    EXPECT_EQ(CodeOf(L"+"), 0);
    EXPECT_EQ(CodeOf(L"ESC"), 0);
}

TEST(HotkeyKeyName, LongerNameIsNotItsFirstLetter)
{
    EXPECT_EQ(CodeOf(L"F1"), 0);
    EXPECT_EQ(CodeOf(L"F12"), 0);
    EXPECT_EQ(CodeOf(L"12"), 0);
    EXPECT_EQ(CodeOf(L"K "), 0);
}

TEST(IsValidHotkeyText, NeedsAModifierAndAKey)
{
    EXPECT_TRUE(IsValidHotkeyText(L"CTRL + 1"));
    EXPECT_TRUE(IsValidHotkeyText(L"ALT + K"));
    EXPECT_TRUE(IsValidHotkeyText(L"CTRL + ALT + ;"));
    EXPECT_TRUE(IsValidHotkeyText(L"ctrl + alt + k"));
    EXPECT_FALSE(IsValidHotkeyText(L"K"));
    EXPECT_FALSE(IsValidHotkeyText(L"CTRL + "));
    EXPECT_FALSE(IsValidHotkeyText(L"CTRL + ALT + "));
    EXPECT_FALSE(IsValidHotkeyText(L"ALT+CTRL"));
    EXPECT_FALSE(IsValidHotkeyText(L"无"));
    EXPECT_FALSE(IsValidHotkeyText(L""));
    EXPECT_FALSE(IsValidHotkeyText(L"  +  "));
}

TEST(ParseHotkeyText, UpperCasedTextKeyAfterTheLastPlusAndModifiers)
{
    const struct {
        const wchar_t* text;
        const wchar_t* upper;
        WORD keyCode;
        int ctrl, alt;
    } cases[] = {
        {L"ctrl + alt + k", L"CTRL + ALT + K", 'K', 1, 1},
        {L"", L"CTRL + 1", '1', 1, 0}, // empty is the default
        {L"ALT +   /  ", L"ALT +   /  ", VK_OEM_2, 0, 1},
        {L"CTRL+=", L"CTRL+=", VK_OEM_PLUS, 1, 0},
    };
    for (const auto& c : cases) {
        HotkeyParts parts;
        ASSERT_TRUE(ParseHotkeyText(c.text, parts)) << ToUtf8(c.text).GetString();
        EXPECT_EQ(parts.text, c.upper);
        EXPECT_EQ(parts.keyCode, c.keyCode);
        EXPECT_EQ(parts.ctrl, c.ctrl);
        EXPECT_EQ(parts.alt, c.alt);
    }
}

TEST(ParseHotkeyText, BadTextsFailAndLeaveThePartsAlone)
{
    const wchar_t* bad[] = {L"CTRL + F1", L"F1", L"K",         L"CTRL + ",
                            L"CTRL K",    L"无", L"ALT + ESC", L"CTRL + 中"};
    for (const wchar_t* text : bad) {
        HotkeyParts parts;
        parts.text = L"kept";
        parts.keyCode = 7;
        EXPECT_FALSE(ParseHotkeyText(text, parts)) << ToUtf8(text).GetString();
        EXPECT_EQ(parts.text, L"kept");
        EXPECT_EQ(parts.keyCode, 7);
    }
}
