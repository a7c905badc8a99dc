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

TEST(HotkeyEditKeys, KeySequencesGiveTheHotkeyText)
{
    const struct {
        const char* what;
        std::vector<std::pair<UINT, WPARAM>> keys;
        const wchar_t* start;
        const wchar_t* text;
    } cases[] = {
        {"Ctrl, K, release", {{Down, VK_CONTROL}, {Down, 'K'}, {Up, 'K'}, {Up, VK_CONTROL}}, L"无", L"CTRL + K"},
        // With Ctrl down, Alt and the key arrive as plain key-downs.
        {"Ctrl, Alt, 1",
         {{Down, VK_CONTROL}, {Down, VK_MENU}, {Down, '1'}, {Up, '1'}, {Up, VK_MENU}, {Up, VK_CONTROL}},
         L"无",
         L"CTRL + ALT + 1"},
        {"Alt, Q", {{SysDown, VK_MENU}, {SysDown, 'Q'}, {SysUp, 'Q'}, {SysUp, VK_MENU}}, L"无", L"ALT + Q"},
        {"Alt, [", {{SysDown, VK_MENU}, {SysDown, VK_OEM_4}}, L"无", L"ALT + ["},
        {"Ctrl alone", {{Down, VK_CONTROL}, {Up, VK_CONTROL}}, L"CTRL + 1", L"无"},
        {"Alt alone", {{SysDown, VK_MENU}, {SysUp, VK_MENU}}, L"CTRL + 1", L"无"},
        {"F1", {{Down, VK_F1}}, L"无", L"无"},
        {"Ctrl, F1", {{Down, VK_CONTROL}, {Down, VK_F1}, {Up, VK_CONTROL}}, L"无", L"无"},
        {"Alt, F1", {{SysDown, VK_MENU}, {SysDown, VK_F1}, {SysUp, VK_MENU}}, L"无", L"无"},
        // A key alone on an empty box means Ctrl; on a hotkey it replaces
        // the key.
        {"K on none", {{Down, 'K'}}, L"无", L"CTRL + K"},
        {"K on empty", {{Down, 'K'}}, L"", L"CTRL + K"},
        {"J on a hotkey", {{Down, 'J'}}, L"CTRL + ALT + K", L"CTRL + ALT + J"},
        {"J on other text", {{Down, 'J'}}, L"typed", L"无"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Press(c.keys, c.start), c.text) << c.what;
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
