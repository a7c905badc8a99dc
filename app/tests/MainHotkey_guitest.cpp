#include "app/MainHotkey.h"
#include "framework/tests/GTestPrinters.h"

#include <gtest/gtest.h>

namespace
{

HWND MakeWindow()
{
    return CreateWindowExW(0, L"STATIC", L"hotkey test", WS_OVERLAPPEDWINDOW, 100, 100, 300, 200, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

class MainHotkeyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        frame = MakeWindow();
        other = MakeWindow();
        ASSERT_NE(frame, nullptr);
        ASSERT_NE(other, nullptr);
    }
    void TearDown() override
    {
        UnregisterMainHotkey(frame);
        for (int id = 1; id <= 3; ++id)
            UnregisterHotKey(other, id);
        DestroyWindow(frame);
        DestroyWindow(other);
    }

    // Whether another program could still take the combination.
    bool IsFree(UINT modifiers, UINT key)
    {
        if (!RegisterHotKey(other, 3, modifiers, key))
            return false;
        UnregisterHotKey(other, 3);
        return true;
    }

    HWND frame = nullptr;
    HWND other = nullptr;
};

} // namespace

TEST_F(MainHotkeyTest, LowerCaseTextRegistersCtrlAltK)
{
    ASSERT_EQ(RegisterMainHotkey(frame, L"ctrl + alt + k"), 1);
    EXPECT_EQ(MainHotkey.text, L"CTRL + ALT + K");
    EXPECT_EQ(MainHotkey.keyCode, 'K');
    EXPECT_EQ(MainHotkey.ctrl, 1);
    EXPECT_EQ(MainHotkey.alt, 1);
    EXPECT_FALSE(IsFree(MOD_CONTROL | MOD_ALT, 'K'));
}

TEST_F(MainHotkeyTest, EmptyTextRegistersTheDefault)
{
    ASSERT_EQ(RegisterMainHotkey(frame, L""), 1);
    EXPECT_EQ(MainHotkey.text, L"CTRL + 1");
    EXPECT_FALSE(IsFree(MOD_CONTROL, '1'));
}

TEST_F(MainHotkeyTest, NewHotkeyReplacesTheOld)
{
    ASSERT_EQ(RegisterMainHotkey(frame, L"CTRL + ALT + K"), 1);
    ASSERT_EQ(RegisterMainHotkey(frame, L"ALT + ;"), 1);
    EXPECT_TRUE(IsFree(MOD_CONTROL | MOD_ALT, 'K'));
    EXPECT_FALSE(IsFree(MOD_ALT, VK_OEM_1));
    EXPECT_EQ(MainHotkey.text, L"ALT + ;");
}

TEST_F(MainHotkeyTest, InvalidTextsLeaveTheOldHotkeyRegistered)
{
    ASSERT_EQ(RegisterMainHotkey(frame, L"CTRL + ALT + K"), 1);
    for (const wchar_t* text : {L"K", L"CTRL + ", L"CTRL + ALT", L"无", L"CTRL + ESC"}) {
        EXPECT_EQ(RegisterMainHotkey(frame, text), 0) << ToUtf8(text).GetString();
        EXPECT_EQ(MainHotkey.text, L"CTRL + ALT + K");
        EXPECT_FALSE(IsFree(MOD_CONTROL | MOD_ALT, 'K'));
    }
}

TEST_F(MainHotkeyTest, FunctionKeyTextDoesNotRegisterItsLetter)
{
    ASSERT_EQ(RegisterMainHotkey(frame, L"CTRL + ALT + K"), 1);
    EXPECT_EQ(RegisterMainHotkey(frame, L"CTRL + F1"), 0);
    EXPECT_TRUE(IsFree(MOD_CONTROL, 'F'));
    EXPECT_EQ(MainHotkey.text, L"CTRL + ALT + K");
}

TEST_F(MainHotkeyTest, CombinationTakenElsewhereKeepsThePreviousHotkey)
{
    ASSERT_TRUE(RegisterHotKey(other, 1, MOD_CONTROL | MOD_ALT, 'J'));
    ASSERT_EQ(RegisterMainHotkey(frame, L"CTRL + ALT + K"), 1);
    EXPECT_EQ(RegisterMainHotkey(frame, L"CTRL + ALT + J"), 0);
    EXPECT_EQ(MainHotkey.text, L"CTRL + ALT + K");
    EXPECT_EQ(MainHotkey.keyCode, 'K');
    EXPECT_FALSE(IsFree(MOD_CONTROL | MOD_ALT, 'K'));
}

TEST_F(MainHotkeyTest, CombinationTakenWithNoPreviousLeavesNone)
{
    ASSERT_TRUE(RegisterHotKey(other, 1, MOD_CONTROL | MOD_ALT, 'J'));
    EXPECT_EQ(RegisterMainHotkey(frame, L"CTRL + ALT + J"), 0);
    EXPECT_EQ(MainHotkey.text, L"无");
    EXPECT_EQ(MainHotkey.keyCode, 0);
}

TEST_F(MainHotkeyTest, UnregisterFreesTheCombinationAndEmptiesTheRecord)
{
    ASSERT_EQ(RegisterMainHotkey(frame, L"CTRL + ALT + K"), 1);
    UnregisterMainHotkey(frame);
    EXPECT_TRUE(IsFree(MOD_CONTROL | MOD_ALT, 'K'));
    EXPECT_EQ(MainHotkey.text, L"无");
    EXPECT_EQ(MainHotkey.keyCode, 0);
    EXPECT_EQ(MainHotkey.ctrl, 0);
    EXPECT_EQ(MainHotkey.alt, 0);
    // Many rounds keep working and leave no reference to the atom behind.
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(RegisterMainHotkey(frame, L"CTRL + ALT + K"), 1) << i;
        ASSERT_EQ(RegisterMainHotkey(frame, L"CTRL + ALT + L"), 1) << i;
        UnregisterMainHotkey(frame);
    }
    EXPECT_TRUE(IsFree(MOD_CONTROL | MOD_ALT, 'K'));
    EXPECT_TRUE(IsFree(MOD_CONTROL | MOD_ALT, 'L'));
    EXPECT_EQ(GlobalFindAtomW(MainHotkeyAtomName), 0);
}

TEST_F(MainHotkeyTest, HotkeyMessageMatchesWithExtraModifiers)
{
    ASSERT_EQ(RegisterMainHotkey(frame, L"CTRL + 1"), 1);
    EXPECT_TRUE(MatchesMainHotkey(MOD_CONTROL, '1'));
    EXPECT_TRUE(MatchesMainHotkey(MOD_CONTROL | MOD_ALT | MOD_SHIFT, '1'));
    EXPECT_FALSE(MatchesMainHotkey(MOD_ALT, '1'));
    EXPECT_FALSE(MatchesMainHotkey(MOD_CONTROL, '2'));
    UnregisterMainHotkey(frame);
    EXPECT_FALSE(MatchesMainHotkey(0, 0));
}

TEST_F(MainHotkeyTest, ToggleRestoresAMinimisedWindow)
{
    ShowWindow(frame, SW_SHOWMINIMIZED);
    ASSERT_TRUE(IsIconic(frame));
    ToggleMainWindow(frame);
    EXPECT_FALSE(IsIconic(frame));
    EXPECT_TRUE(IsWindowVisible(frame));
}
