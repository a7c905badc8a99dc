#include "app/HotkeyEditKeys.h"
#include "framework/tests/GTestPrinters.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace
{

// The edit box's text after a sequence of key messages, starting from `text`.
CString Press(std::vector<std::pair<UINT, WPARAM>> keys, CString text = L"无")
{
    for (const auto& key : keys) {
        HotkeyEditChange change = HotkeyEditKey(key.first, key.second, text);
        if (change.setText)
            text = change.text;
    }
    return text;
}

const UINT Down = WM_KEYDOWN;
const UINT Up = WM_KEYUP;
const UINT SysDown = WM_SYSKEYDOWN;
const UINT SysUp = WM_SYSKEYUP;

} // namespace

TEST(HotkeyEditKeys, CtrlThenKThenRelease)
{
    EXPECT_EQ(Press({{Down, VK_CONTROL}, {Down, 'K'}, {Up, 'K'}, {Up, VK_CONTROL}}), L"CTRL + K");
}

TEST(HotkeyEditKeys, CtrlThenAltThenOne)
{
    // With Ctrl down, Alt and the key arrive as plain key-downs.
    EXPECT_EQ(
        Press({{Down, VK_CONTROL}, {Down, VK_MENU}, {Down, '1'}, {Up, '1'}, {Up, VK_MENU}, {Up, VK_CONTROL}}),
        L"CTRL + ALT + 1");
}

TEST(HotkeyEditKeys, AltThenKey)
{
    EXPECT_EQ(Press({{SysDown, VK_MENU}, {SysDown, 'Q'}, {SysUp, 'Q'}, {SysUp, VK_MENU}}), L"ALT + Q");
    EXPECT_EQ(Press({{SysDown, VK_MENU}, {SysDown, VK_OEM_4}}), L"ALT + [");
}

TEST(HotkeyEditKeys, ModifierAloneLeavesNoHotkey)
{
    EXPECT_EQ(Press({{Down, VK_CONTROL}, {Up, VK_CONTROL}}, L"CTRL + 1"), L"无");
    EXPECT_EQ(Press({{SysDown, VK_MENU}, {SysUp, VK_MENU}}, L"CTRL + 1"), L"无");
}

TEST(HotkeyEditKeys, KeyWithoutNameLeavesNoHotkey)
{
    EXPECT_EQ(Press({{Down, VK_F1}}), L"无");
    EXPECT_EQ(Press({{Down, VK_CONTROL}, {Down, VK_F1}, {Up, VK_CONTROL}}), L"无");
    EXPECT_EQ(Press({{SysDown, VK_MENU}, {SysDown, VK_F1}, {SysUp, VK_MENU}}), L"无");
}

TEST(HotkeyEditKeys, KeyAloneOnAnEmptyBoxMeansCtrl)
{
    EXPECT_EQ(Press({{Down, 'K'}}, L"无"), L"CTRL + K");
    EXPECT_EQ(Press({{Down, 'K'}}, L""), L"CTRL + K");
}

TEST(HotkeyEditKeys, NewKeyReplacesTheOldOne)
{
    EXPECT_EQ(Press({{Down, 'J'}}, L"CTRL + ALT + K"), L"CTRL + ALT + J");
    EXPECT_EQ(Press({{Down, 'J'}}, L"typed"), L"无");
}

TEST(HotkeyEditKeys, BackspaceAlwaysClears)
{
    for (const wchar_t* text : {L"CTRL + K", L"无", L""}) {
        HotkeyEditChange change = HotkeyEditKey(WM_KEYDOWN, VK_BACK, text);
        EXPECT_TRUE(change.consumed);
        EXPECT_TRUE(change.setText);
        EXPECT_TRUE(change.always);
        EXPECT_EQ(change.text, L"无");
    }
}

TEST(HotkeyEditKeys, OtherMessagesAndKeyUpsPassOn)
{
    EXPECT_FALSE(HotkeyEditKey(WM_KEYUP, 'K', L"CTRL + K").consumed);
    EXPECT_FALSE(HotkeyEditKey(WM_SYSKEYUP, 'K', L"ALT + K").consumed);
    EXPECT_FALSE(HotkeyEditKey(WM_CHAR, 'k', L"无").consumed);
    HotkeyEditChange valid = HotkeyEditKey(WM_KEYUP, VK_CONTROL, L"CTRL + K");
    EXPECT_TRUE(valid.consumed);
    EXPECT_FALSE(valid.setText);
}
