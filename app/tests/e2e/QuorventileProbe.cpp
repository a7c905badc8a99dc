// End-to-end probe: starts the real Quorventile.exe in this Wine prefix and
// talks to it the way Windows, the shell extension and a user would.  Each
// test starts the program on a new data folder without its Run value, so
// they run in any order.  run-e2e.sh gives them a fresh prefix and ends every
// process in it afterwards.  The screenshots are for people to look at:
// pixel and window checks beside them do the testing.
#include "app/SingleInstance.h"
#include "app/tests/e2e/ProbeSupport.h"
#include "core/AppDatabase.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <string>
#include <vector>

namespace
{
using namespace Probe;

const wchar_t* const kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

BOOL CALLBACK CountMainWindow(HWND window, LPARAM counter)
{
    wchar_t name[128];
    if (GetClassNameW(window, name, 128) && wcscmp(name, kClass) == 0)
        ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

int CountMainWindows()
{
    int count = 0;
    EnumWindows(CountMainWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

std::vector<std::string> TableNames()
{
    std::vector<std::string> names;
    SetAppDatabasePath(DatabasePath().c_str());
    OpenAppDatabase();
    try {
        auto query =
            AppDatabase.db.ExecQuery("select name from sqlite_master where type = 'table' order by name;");
        for (; !query.Eof(); query.NextRow())
            names.push_back(query.GetStringField("name"));
    } catch (...) {
    }
    CloseAppDatabase();
    return names;
}

bool ReadRunValue(std::wstring& value)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    wchar_t data[600] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t), type = 0;
    LONG result = RegQueryValueExW(key, L"Quorventile", nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return false;
    value = data;
    return true;
}

void DeleteRunValue()
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueW(key, L"Quorventile");
    RegCloseKey(key);
}

RECT WorkArea()
{
    RECT area;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

// Each test begins where a new user begins: no program running, no data
// folder, no Run value.
class MainProgram : public ProgramTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CloseOnANewDataFolder());
        DeleteRunValue();
    }
};

// Asks for the tray icon's menu as a right click on the icon does.
HWND OpenTrayMenu(HWND window)
{
    PostMessageW(window, 0x500, 100, WM_RBUTTONUP);
    HWND menu = nullptr;
    WaitFor([&] { return (menu = FindWindowW(L"#32768", nullptr)) != nullptr && IsWindowVisible(menu); }, 5000);
    return menu && IsWindowVisible(menu) ? menu : nullptr;
}

TEST_F(MainProgram, FirstStartShowsTheMainWindowAtTheDefaultRectangle)
{
    ASSERT_NE(L"", Env(L"QV_E2E_PROGRAM"));
    HWND window = Running();
    ASSERT_NE(nullptr, window);
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    EXPECT_STREQ(L"Velmora", title);
    RECT area = WorkArea(), rect = WindowRect(window);
    EXPECT_EQ(area.right - 310, rect.left);
    EXPECT_EQ(area.right - 10, rect.right);
    EXPECT_EQ(area.top + (area.bottom - area.top - 560) / 2, rect.top);
    EXPECT_EQ(560, rect.bottom - rect.top);
    EXPECT_EQ(1, CountMainWindows());
}

TEST_F(MainProgram, KeepsAScreenshotOfTheMainWindow)
{
    HWND window = Running();
    ASSERT_NE(nullptr, window);
    std::wstring folder = Env(L"QV_E2E_ARTEFACTS");
    ASSERT_NE(L"", folder);
    // The header is the skin's blue, the quick-link list below its rows
    // its own pale blue, once the window is painted.
    COLORREF header = 0, page = 0;
    auto painted = [&] {
        HDC screen = GetDC(nullptr);
        RECT rect = WindowRect(window);
        header = GetPixel(screen, rect.left + 150, rect.top + 10);
        page = GetPixel(screen, rect.left + 150, rect.top + 480);
        ReleaseDC(nullptr, screen);
        return GetBValue(header) > GetRValue(header) + 60 && page == RGB(244, 245, 252);
    };
    EXPECT_TRUE(WaitFor(painted, 10000)) << std::hex << header << " " << page;
    // For people to look at, once the list has loaded: the pixels above do
    // the checking.
    EXPECT_TRUE(WaitUntilLoaded());
    Sleep(300); // painted
    EXPECT_TRUE(SaveScreenshot(window, folder + L"\\main-window.bmp"));
}

TEST_F(MainProgram, CreatesTheDatabaseWithItsTablesAndAClientId)
{
    ASSERT_NE(nullptr, Running());
    std::vector<std::string> tables = TableNames();
    for (const char* name : {"qv_catalog", "qv_config", "qv_link"})
        EXPECT_NE(tables.end(), std::find(tables.begin(), tables.end(), name)) << name;
    CString id = ReadSetting(L"ClientID");
    ASSERT_EQ(34, id.GetLength());
    for (int i = 0; i < id.GetLength(); ++i)
        EXPECT_TRUE(iswdigit(id[i]) || (id[i] >= L'a' && id[i] <= L'f')) << i;
    EXPECT_EQ(CString(L"0a"), id.Right(2));
}

TEST_F(MainProgram, HoldsTheHotkeyCtrl1)
{
    ASSERT_NE(nullptr, Running());
    EXPECT_FALSE(RegisterHotKey(nullptr, 1, MOD_CONTROL, '1'));
    UnregisterHotKey(nullptr, 1); // held only when the check above failed
    // Another combination is free, so the refusal above is the program's.
    EXPECT_TRUE(RegisterHotKey(nullptr, 2, MOD_CONTROL | MOD_ALT, '7'));
    UnregisterHotKey(nullptr, 2);
}

TEST_F(MainProgram, TheHotkeyHidesAndShowsTheWindow)
{
    HWND window = Running();
    ASSERT_NE(nullptr, window);
    // The window in front goes to the tray.
    SetForegroundWindow(window);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == window; }, 5000));
    PostMessageW(window, WM_HOTKEY, 1, MAKELPARAM(MOD_CONTROL, '1'));
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(window); }, 5000));
    // Another key does nothing: the tray menu, asked for after it, finds the
    // window still hidden.
    PostMessageW(window, WM_HOTKEY, 1, MAKELPARAM(MOD_CONTROL, '2'));
    HWND menu = OpenTrayMenu(window);
    ASSERT_NE(nullptr, menu);
    EXPECT_FALSE(IsWindowVisible(window));
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(menu); }, 5000));
    // Extra modifiers still count.
    PostMessageW(window, WM_HOTKEY, 1, MAKELPARAM(MOD_CONTROL | MOD_SHIFT, '1'));
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(window) && !IsIconic(window); }, 5000));
}

TEST_F(MainProgram, WritesTheRunValueWithItsPath)
{
    ASSERT_NE(nullptr, Running());
    std::wstring value;
    ASSERT_TRUE(ReadRunValue(value));
    EXPECT_EQ(0, _wcsicmp(value.c_str(), Env(L"QV_E2E_PROGRAM").c_str())) << value;
}

TEST_F(MainProgram, TakesCommandUrlsOnlyThroughItsCopyData)
{
    HWND window = Running();
    ASSERT_NE(nullptr, window);
    const wchar_t text[] = L"qv://add?name=x";
    EXPECT_EQ(TRUE, SendCopyData(window, 2025, text, sizeof(text)));
    // No terminator within the byte count: read within the count, no more.
    EXPECT_EQ(TRUE, SendCopyData(window, 2025, text, 6));
    EXPECT_EQ(FALSE, SendCopyData(window, 2025, nullptr, 0));
    EXPECT_EQ(FALSE, SendCopyData(window, 2025, text, 1));
    // A good command of another kind adds nothing; one of the program's own
    // kind, sent after it, adds its link.
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring ignored = std::wstring(windows) + L"\\win.ini", taken = std::wstring(windows) + L"\\system.ini";
    EXPECT_EQ(FALSE, SendCommand(AddLinksUrl(L"探针", {ignored}), 7));
    EXPECT_EQ(TRUE, SendCommand(AddLinksUrl(L"探针", {taken})));
    std::vector<CatalogRow> catalogs;
    std::vector<LinkRow> links;
    auto hasLink = [&](const std::wstring& path) {
        return std::any_of(links.begin(), links.end(), [&](const LinkRow& link) { return link.path == path; });
    };
    EXPECT_TRUE(WaitFor([&] {
        ReadRows(catalogs, links);
        return hasLink(taken);
    }));
    EXPECT_FALSE(hasLink(ignored));
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(MainProgram, DocksAtTheTopWithin29PixelsButNot30)
{
    HWND window = Running();
    ASSERT_NE(nullptr, window);
    RECT area = WorkArea();
    SetWindowPos(window, nullptr, 400, area.top + 200, 300, 560, SWP_NOZORDER | SWP_NOACTIVATE);
    WaitFor([&] { return WindowRect(window).top == area.top + 200; }, 3000);

    RECT proposed = {400, area.top + 30, 700, area.top + 30 + 560};
    SendMessageW(window, WM_MOVING, WMSZ_TOP, reinterpret_cast<LPARAM>(&proposed));
    WaitFor([&] { return WindowRect(window).top == area.top + 30; }, 3000);
    RECT notDocked = WindowRect(window);
    EXPECT_EQ(area.top + 30, notDocked.top);
    EXPECT_EQ(560, notDocked.bottom - notDocked.top);

    proposed = {400, area.top + 29, 700, area.top + 29 + 560};
    SendMessageW(window, WM_MOVING, WMSZ_TOP, reinterpret_cast<LPARAM>(&proposed));
    WaitFor([&] { return WindowRect(window).top == area.top; }, 3000);
    RECT docked = WindowRect(window);
    EXPECT_EQ(area.top, docked.top);
    EXPECT_EQ(area.bottom, docked.bottom);
}

TEST_F(MainProgram, ASettingChangeKeepsTheWindowWhereItIsNow)
{
    HWND window = Running();
    ASSERT_NE(nullptr, window);
    // Far from the rectangle saved at the last exit (none yet: the default).
    SetWindowPos(window, nullptr, 210, 170, 300, 560, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitFor([&] { return WindowRect(window).left == 210; }, 3000));
    // The handler has run when the sent message returns.
    SendMessageTimeoutW(window, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    RECT rect = WindowRect(window);
    EXPECT_EQ(210, rect.left);
    EXPECT_EQ(170, rect.top);
    // Partly below the work area: moved back inside it.
    RECT area = WorkArea();
    SetWindowPos(window, nullptr, 210, area.bottom - 100, 300, 560, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitFor([&] { return WindowRect(window).top == area.bottom - 100; }, 3000));
    SendMessageTimeoutW(window, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    EXPECT_TRUE(WaitFor([&] { return WindowRect(window).bottom <= area.bottom; }, 3000));
}

TEST_F(MainProgram, ASecondStartRaisesTheFirstAndExits)
{
    HWND window = Running();
    ASSERT_NE(nullptr, window);
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(WaitFor([&] { return IsIconic(window) != FALSE; }, 3000));
    Program second;
    ASSERT_TRUE(second.Start());
    DWORD exitCode = 1234;
    EXPECT_TRUE(second.WaitExit(15000, &exitCode));
    second.Kill();
    EXPECT_EQ(0u, exitCode);
    EXPECT_TRUE(WaitFor([&] { return !IsIconic(window) && IsWindowVisible(window); }, 3000));
    EXPECT_EQ(1, CountMainWindows());
    EXPECT_EQ(window, MainWindow());
}

TEST_F(MainProgram, ClosingSavesTheWindowRectangle)
{
    HWND window = Running();
    ASSERT_NE(nullptr, window);
    SetWindowPos(window, nullptr, 111, 122, 333, 600, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitFor([&] { return WindowRect(window).left == 111; }, 3000));
    CString clientId = ReadSetting(L"ClientID");
    ASSERT_TRUE(CloseProgram());
    EXPECT_EQ(CString(L"111"), ReadSetting(L"WindowLeft"));
    EXPECT_EQ(CString(L"122"), ReadSetting(L"WindowTop"));
    EXPECT_EQ(CString(L"444"), ReadSetting(L"WindowRight"));
    EXPECT_EQ(CString(L"722"), ReadSetting(L"WindowBottom"));
    EXPECT_FALSE(CSingleInstanceMutex::Exists());

    // The next start comes back there with the same client id.
    window = Running();
    ASSERT_NE(nullptr, window);
    RECT rect = WindowRect(window);
    EXPECT_EQ(111, rect.left);
    EXPECT_EQ(122, rect.top);
    EXPECT_EQ(clientId, ReadSetting(L"ClientID"));
}

TEST_F(MainProgram, ExitingWhileInTheTrayKeepsTheLastRealRectangle)
{
    HWND window = Running();
    ASSERT_NE(nullptr, window);
    SetWindowPos(window, nullptr, 150, 160, 300, 560, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitFor([&] { return WindowRect(window).left == 150; }, 3000));
    SendMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(window); }, 3000));
    ASSERT_TRUE(CloseProgram());
    EXPECT_EQ(CString(L"150"), ReadSetting(L"WindowLeft"));
    EXPECT_EQ(CString(L"160"), ReadSetting(L"WindowTop"));
}

TEST_F(MainProgram, AutoRunOffRemovesTheRunValue)
{
    ASSERT_NE(nullptr, Running());
    ASSERT_TRUE(CloseProgram());
    std::wstring value;
    ASSERT_TRUE(ReadRunValue(value));
    WriteSetting(L"AutoRun", L"0");
    ASSERT_NE(nullptr, Running());
    EXPECT_FALSE(ReadRunValue(value));
    ASSERT_TRUE(CloseProgram());
    WriteSetting(L"AutoRun", L"1");
    ASSERT_NE(nullptr, Running());
    EXPECT_TRUE(ReadRunValue(value));
}

HWND WaitForDialog(const wchar_t* title)
{
    HWND dialog = nullptr;
    WaitFor([&] { return (dialog = FindWindowW(L"#32770", title)) != nullptr && IsWindowVisible(dialog); },
            10000);
    return dialog;
}

std::wstring TextOf(HWND window)
{
    wchar_t text[256] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    return text;
}

void Click(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool IsChecked(HWND dialog, int id)
{
    return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

HWND OpenSettings(HWND window)
{
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(300, BN_CLICKED), 0);
    return WaitForDialog(L"Velmora设置");
}

// A visible dialog of the program other than `except`: the message box.
struct FindOtherDialog {
    HWND except;
    DWORD process;
    HWND found = nullptr;
};
BOOL CALLBACK FindOtherDialogProc(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<FindOtherDialog*>(data);
    wchar_t name[32];
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (window != search->except && process == search->process && IsWindowVisible(window) &&
        GetClassNameW(window, name, 32) && wcscmp(name, L"#32770") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

bool HotkeyIsFree(UINT modifiers, UINT key)
{
    if (!RegisterHotKey(nullptr, 9, modifiers, key))
        return false;
    UnregisterHotKey(nullptr, 9);
    return true;
}

TEST_F(MainProgram, TheSettingsDialogShowsTheCurrentSettings)
{
    HWND window = Running();
    ASSERT_NE(nullptr, window);
    HWND dialog = OpenSettings(window);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(L"CTRL + 1", TextOf(GetDlgItem(dialog, 104)));
    EXPECT_EQ(L"登录Winodws时自动运行Velmora", TextOf(GetDlgItem(dialog, 101)));
    EXPECT_TRUE(IsChecked(dialog, 101)); // the Run value is there
    EXPECT_TRUE(IsChecked(dialog, 102));
    RECT rect = WindowRect(dialog), area = WorkArea();
    EXPECT_EQ(320, rect.right - rect.left);
    EXPECT_EQ(180, rect.bottom - rect.top);
    EXPECT_EQ(area.left + (area.right - area.left - 320) / 2, rect.left);
    Sleep(300); // painted for the screenshot, which nothing compares
    SaveScreenshot(dialog, Env(L"QV_E2E_ARTEFACTS") + L"\\settings-dialog.bmp");
    Click(dialog, 106);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 5000));
}

TEST_F(MainProgram, TheHotkeyBoxTakesKeyPresses)
{
    HWND window = Running();
    HWND dialog = OpenSettings(window);
    ASSERT_NE(nullptr, dialog);
    HWND edit = GetDlgItem(dialog, 104);
    auto press = [&](UINT message, WPARAM key) { PostMessageW(edit, message, key, 0); };
    press(WM_KEYDOWN, VK_CONTROL);
    press(WM_KEYDOWN, 'K');
    press(WM_KEYUP, VK_CONTROL);
    EXPECT_TRUE(WaitFor([&] { return TextOf(edit) == L"CTRL + K"; }, 3000)) << TextOf(edit);
    press(WM_KEYDOWN, VK_BACK);
    EXPECT_TRUE(WaitFor([&] { return TextOf(edit) == L"无"; }, 3000)) << TextOf(edit);
    // A key without a name changes nothing: the selection posted after it
    // has been made, and the text is still the same.
    press(WM_KEYDOWN, VK_F1);
    PostMessageW(edit, EM_SETSEL, 0, 1);
    ASSERT_TRUE(WaitFor([&] {
        DWORD from = 0, to = 0;
        SendMessageTimeoutW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to),
                            SMTO_ABORTIFHUNG, 5000, nullptr);
        return from == 0 && to == 1;
    }, 5000));
    EXPECT_EQ(L"无", TextOf(edit));
    Click(dialog, 106);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 5000));
}

TEST_F(MainProgram, OkInTheSettingsRegistersAndSavesTheNewHotkeyAndDocking)
{
    HWND window = Running();
    HWND dialog = OpenSettings(window);
    ASSERT_NE(nullptr, dialog);
    HWND edit = GetDlgItem(dialog, 104);
    PostMessageW(edit, WM_KEYDOWN, VK_CONTROL, 0);
    PostMessageW(edit, WM_KEYDOWN, '2', 0);
    PostMessageW(edit, WM_KEYUP, VK_CONTROL, 0);
    ASSERT_TRUE(WaitFor([&] { return TextOf(edit) == L"CTRL + 2"; }, 3000));
    SendMessageW(GetDlgItem(dialog, 102), BM_SETCHECK, BST_UNCHECKED, 0);
    Click(dialog, 105);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 5000));
    EXPECT_EQ(CString(L"CTRL + 2"), ReadSetting(L"HotkeyMainWindow"));
    EXPECT_EQ(CString(L"0"), ReadSetting(L"AutoFloatWindow"));
    EXPECT_TRUE(HotkeyIsFree(MOD_CONTROL, '1'));
    EXPECT_FALSE(HotkeyIsFree(MOD_CONTROL, '2'));

    // Docking is off now: the handler, which has run when the sent message
    // returns, keeps the window's height.
    RECT area = WorkArea();
    SetWindowPos(window, nullptr, 400, area.top + 200, 300, 560, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitFor([&] { return WindowRect(window).top == area.top + 200; }, 3000));
    RECT proposed = {400, area.top + 10, 700, area.top + 10 + 560};
    SendMessageW(window, WM_MOVING, WMSZ_TOP, reinterpret_cast<LPARAM>(&proposed));
    EXPECT_EQ(560, WindowRect(window).bottom - WindowRect(window).top);
}

TEST_F(MainProgram, AHotkeyThatIsTakenKeepsTheDialogOpenAndTheOldHotkey)
{
    HWND window = Running();
    const CString hotkey = ReadSetting(L"HotkeyMainWindow");
    ASSERT_TRUE(RegisterHotKey(nullptr, 5, MOD_CONTROL, '3'));
    HWND dialog = OpenSettings(window);
    ASSERT_NE(nullptr, dialog);
    SendMessageW(GetDlgItem(dialog, 104), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"CTRL + 3"));
    Click(dialog, 105);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    FindOtherDialog search = {dialog, process};
    EXPECT_TRUE(WaitFor(
        [&] {
            EnumWindows(FindOtherDialogProc, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        5000));
    if (search.found) {
        Sleep(300); // painted for the screenshot, which nothing compares
        SaveScreenshot(search.found, Env(L"QV_E2E_ARTEFACTS") + L"\\hotkey-message.bmp");
        PostMessageW(search.found, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(search.found); }, 5000));
    }
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_FALSE(HotkeyIsFree(MOD_CONTROL, '1')); // the program still holds it
    Click(dialog, 106);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 5000));
    UnregisterHotKey(nullptr, 5);
    EXPECT_EQ(hotkey, ReadSetting(L"HotkeyMainWindow"));
}

TEST_F(MainProgram, TheTrayMenuExitsByItsMnemonic)
{
    HWND window = Running();
    ASSERT_NE(nullptr, window);
    HWND menu = OpenTrayMenu(window);
    ASSERT_NE(nullptr, menu);
    Sleep(300); // painted for the screenshot, which nothing compares
    SaveScreenshot(menu, Env(L"QV_E2E_ARTEFACTS") + L"\\tray-menu.bmp");
    PostMessageW(menu, WM_KEYDOWN, 'Q', 0);
    PostMessageW(menu, WM_CHAR, 'q', 0);
    EXPECT_TRUE(program.WaitExit(15000));
}

TEST_F(MainProgram, TwoQuickStartsLeaveOneProgram)
{
    ASSERT_TRUE(CloseProgram());
    Program other;
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(other.Start());
    ASSERT_NE(nullptr, WaitForMainWindow());
    // One of the two ends by itself; the other keeps the only window.
    EXPECT_TRUE(WaitFor([&] {
        return WaitForSingleObject(program.process.hProcess, 0) == WAIT_OBJECT_0 ||
               WaitForSingleObject(other.process.hProcess, 0) == WAIT_OBJECT_0;
    }));
    EXPECT_TRUE(WaitFor([] { return CountMainWindows() == 1; }, 5000)) << CountMainWindows();
    if (WaitForSingleObject(program.process.hProcess, 0) == WAIT_OBJECT_0) {
        program.Close();
        program.process = other.process; // the survivor is the one to close
        other.process = {};
    }
    other.Kill();
}

TEST_F(MainProgram, EndsOnWmClose)
{
    ASSERT_NE(nullptr, Running());
    EXPECT_TRUE(CloseProgram());
    EXPECT_EQ(nullptr, MainWindow());
}

} // namespace
