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

TEST(HotkeyKeyName, DigitsCapitalsAndPunctuationBothWays)
{
    const struct {
        WORD code;
        const wchar_t* name;
    } keys[] = {{'0', L"0"},  {'1', L"1"},  {'9', L"9"},  {'A', L"A"},  {'K', L"K"},  {'Z', L"Z"},
                {0xBA, L";"}, {0xBB, L"="}, {0xBC, L","}, {0xBD, L"-"}, {0xBE, L"."}, {0xBF, L"/"},
                {0xC0, L"~"}, {0xDB, L"["}, {0xDC, L"\\"}, {0xDD, L"]"}, {0xDE, L"\""}};
    for (const auto& key : keys) {
        EXPECT_EQ(CodeOf(key.name), key.code) << key.code;
        EXPECT_EQ(NameOf(key.code), key.name);
    }
}

TEST(HotkeyKeyName, OtherKeysAndNamesAreRefused)
{
    for (WORD code : {WORD(VK_F1), WORD(VK_SHIFT), WORD(VK_NUMPAD1) /* 0x61, the code of 'a' */})
        EXPECT_EQ(NameOf(code), L"(none)") << code;
    for (const wchar_t* name : {L"a", L"+", L"ESC", L"F1", L"F12", L"12", L"K "})
        EXPECT_EQ(CodeOf(name), 0) << ToUtf8(name).GetString();
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
