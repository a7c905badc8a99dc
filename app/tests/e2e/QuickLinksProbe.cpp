// End-to-end probe of the quick-link list: the real Quorventile.exe in a
// fresh Wine prefix.  Each test starts the program on a new data folder,
// with desktops the probe fills, so they run in any order.
#include "app/tests/XdoTool.h"
#include "app/tests/e2e/ProbeSupport.h"
#include "core/AppDatabase.h"
#include "core/CommandUrl.h"
#include "framework/TextConvert.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace
{
using namespace Probe;

bool SaveShortcut(const std::wstring& path, const std::wstring& target, const std::wstring& args,
                  const std::wstring& workdir)
{
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    bool saved = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                            reinterpret_cast<void**>(&link))) &&
                 SUCCEEDED(link->SetPath(target.c_str())) && SUCCEEDED(link->SetArguments(args.c_str())) &&
                 SUCCEEDED(link->SetWorkingDirectory(workdir.c_str())) &&
                 SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
                 SUCCEEDED(file->Save(path.c_str(), TRUE));
    if (file)
        file->Release();
    if (link)
        link->Release();
    return saved;
}

// The visible search box: a windowless edit's host window outside the list
// (the list's rename editor is hidden).
struct SearchBoxSearch {
    HWND list, found;
};
BOOL CALLBACK FindSearchBox(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<SearchBoxSearch*>(param);
    wchar_t name[64];
    if (GetClassNameW(window, name, 64) && wcscmp(name, L"__RICH_EDIT_CTRL__") == 0 && IsWindowVisible(window) &&
        GetParent(window) != search->list) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND SearchBox()
{
    SearchBoxSearch search = {ListWindow(), nullptr};
    EnumChildWindows(MainWindow(), FindSearchBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// "mousemove X Y" for xdotool: a point of a window's client area on screen.
std::string MoveTo(HWND window, int x, int y)
{
    POINT point = {x, y};
    ClientToScreen(window, &point);
    return "mousemove " + std::to_string(point.x) + " " + std::to_string(point.y) + " ";
}

// The text a launch of the recorder left in a log, empty when none.
std::wstring ReadLog(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::wstring();
    wchar_t text[1024] = {};
    DWORD read = 0;
    ReadFile(file, text, sizeof(text) - sizeof(wchar_t), &read, nullptr);
    CloseHandle(file);
    return text;
}

const COLORREF kBackground = RGB(244, 245, 252);
const COLORREF kSelectedFill = RGB(252, 236, 173);
const COLORREF kHoverFill = RGB(197, 227, 248);

// A rectangle of the screen as the X display shows it (the screen DC reads
// the display, windows of other programs included): by default the list's
// client area.
struct ScreenShot {
    int width = 0, height = 0;
    std::vector<DWORD> pixels; // 0x00RRGGBB, top row first
    explicit ScreenShot(HWND list) : ScreenShot(ClientOnScreen(list)) {}
    explicit ScreenShot(const RECT& area) : width(area.right - area.left), height(area.bottom - area.top)
    {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
        GdiFlush();
        pixels.assign(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + width * height);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }
    static RECT ClientOnScreen(HWND window)
    {
        RECT client;
        GetClientRect(window, &client);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
        return client;
    }
    COLORREF At(int x, int y) const
    {
        DWORD v = pixels[y * width + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    // The top of the first row (rows are 26 pixels high from the top) with
    // this fill at its left, or -1.
    int RowWithFill(COLORREF fill) const
    {
        for (int y = 0; y < height; ++y) {
            if (At(3, y) == fill)
                return y / 26 * 26;
        }
        return -1;
    }
    int CountInRow(int top, COLORREF colour, int left = 0) const
    {
        return CountInRowIf(top, left, [&](COLORREF c) { return c == colour; });
    }
    // Text drawn in grey: pixels off the background, none of them dark.
    bool HasGreyText(int top) const
    {
        return CountInRowIf(top, 41, [](COLORREF c) { return c != kBackground; }) > 10 &&
               CountInRowIf(top, 41, [](COLORREF c) { return GetRValue(c) < 128 && GetGValue(c) < 128; }) == 0;
    }
    template <typename Test> int CountInRowIf(int top, int left, Test test) const
    {
        return CountIf(left, top, width, top + 26, test);
    }
    // Pixels passing `test` in [left, right) x [top, bottom).
    template <typename Test> int CountIf(int left, int top, int right, int bottom, Test test) const
    {
        int count = 0;
        for (int y = std::max(top, 0); y < bottom && y < height; ++y)
            for (int x = std::max(left, 0); x < right && x < width; ++x)
                count += test(At(x, y));
        return count;
    }
};


class QuickLinks : public ProgramTest
{
protected:
    static void SetUpTestSuite()
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        work = ExeFolder() + L"\\e2e-quicklinks-files";
        CreateDirectoryW(work.c_str(), nullptr);
        recorder = ExeFolder() + L"\\app_e2e_launch_recorder.exe";
        launchLog = Env(L"QV_E2E_ARTEFACTS") + L"\\launch.txt";
        recorderArgs = L"\"" + launchLog + L"\" alpha \"beta gamma\"";
    }
    void SetUp() override { ASSERT_TRUE(CloseProgram()); }

    // The program's first start on a new data folder, with both desktops
    // holding a file, a folder, a hidden and a system file and two shortcuts
    // to one program with one set of arguments.
    static void FirstStart(const std::wstring& arguments = L"")
    {
        const std::wstring desktop = FolderOf(CSIDL_DESKTOPDIRECTORY), common = FolderOf(CSIDL_COMMON_DESKTOPDIRECTORY);
        for (const std::wstring& folder : {DataFolder(), desktop, common})
            ASSERT_TRUE(EmptyFolder(folder)) << "can't empty " << ToUtf8(folder.c_str()).GetString();
        TouchFile(desktop + L"\\note.txt");
        CreateDirectoryW((desktop + L"\\folder").c_str(), nullptr);
        TouchFile(desktop + L"\\hidden.txt");
        SetFileAttributesW((desktop + L"\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
        TouchFile(common + L"\\system.txt");
        SetFileAttributesW((common + L"\\system.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
        ASSERT_TRUE(SaveShortcut(desktop + L"\\recorder.lnk", recorder, recorderArgs, work));
        ASSERT_TRUE(SaveShortcut(common + L"\\recorder copy.lnk", recorder, recorderArgs, work));
        ASSERT_TRUE(program.Start(arguments)) << "CreateProcessW failed: error " << program.startError;
        ASSERT_NE(nullptr, WaitForMainWindow());
        ASSERT_TRUE(WaitUntilLoaded());
    }
    static std::wstring File(const wchar_t* name)
    {
        std::wstring path = work + L"\\" + name;
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            TouchFile(path);
        return path;
    }
    // The links of a group in chain order, read afresh.
    static std::vector<LinkRow> LinksOf(const wchar_t* name)
    {
        std::vector<CatalogRow> catalogs;
        std::vector<LinkRow> links;
        ReadRows(catalogs, links);
        const CatalogRow* catalog = Catalog(catalogs, name);
        return catalog ? ChainOf(links, catalog->cid) : std::vector<LinkRow>();
    }
    // Sends "Docs" with a, b and c and waits for them.
    static bool AddDocs()
    {
        SendCommand(AddLinksUrl(L"Docs", {File(L"a.txt"), File(L"b.txt"), File(L"c.txt")}));
        return WaitFor([] { return LinksOf(L"Docs").size() == 3; });
    }
    // Sends a link that is there already, which selects its row and expands
    // its group only; true once the row shows selected at `row`.
    static bool SelectBySending(HWND list, const wchar_t* catalog, const std::wstring& path, int row)
    {
        SendCommand(AddLinksUrl(catalog, {path}));
        return WaitFor([&] { return ScreenShot(list).RowWithFill(kSelectedFill) == row; }, 5000);
    }
    // For people looking at a run: the tests read pixels themselves.
    static void SaveShot(const wchar_t* name, HWND window = MainWindow())
    {
        Sleep(300);
        SaveScreenshot(window, Env(L"QV_E2E_ARTEFACTS") + L"\\" + name);
    }

    inline static std::wstring work, recorder, launchLog, recorderArgs;
};

TEST_F(QuickLinks, FirstRunMakesTheDefaultGroupAndCopiesBothDesktops)
{
    FirstStart();
    EXPECT_EQ(CString(L"1"), ReadSetting(L"DefaultLinksInit"));
    std::vector<CatalogRow> catalogs;
    std::vector<LinkRow> links;
    ReadRows(catalogs, links);
    ASSERT_EQ(2u, catalogs.size());
    EXPECT_EQ(L"默认", catalogs[0].name);
    EXPECT_EQ(0, catalogs[0].preid);
    EXPECT_EQ(L"桌面", catalogs[1].name);
    EXPECT_EQ(catalogs[0].cid, catalogs[1].preid);

    // The shell places under the shell's names, then the programs of the
    // table that this prefix has.
    std::vector<std::tuple<int, int, std::wstring, std::wstring>> expected;
    for (int place : {CSIDL_DRIVES, CSIDL_DESKTOP, CSIDL_PERSONAL}) {
        LPITEMIDLIST pidl = nullptr;
        SHFILEINFOW info = {};
        ASSERT_EQ(S_OK, SHGetSpecialFolderLocation(nullptr, place, &pidl));
        SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl), 0, &info, sizeof(info), SHGFI_PIDL | SHGFI_DISPLAYNAME);
        CoTaskMemFree(pidl);
        expected.emplace_back(1, place, L"", info.szDisplayName);
    }
    const std::wstring system = FolderOf(CSIDL_SYSTEM), programs = FolderOf(CSIDL_PROGRAM_FILES);
    const std::pair<const wchar_t*, std::wstring> kPrograms[] = {
        {L"命令行", system + L"\\cmd.exe"},
        {L"记事本", system + L"\\notepad.exe"},
        {L"画图", system + L"\\mspaint.exe"},
        {L"计算器", system + L"\\calc.exe"},
        {L"IE浏览器", programs + L"\\Internet Explorer\\iexplore.exe"},
        {L"FireFox浏览器", programs + L"\\Mozilla Firefox\\firefox.exe"},
        {L"搜狗浏览器", programs + L"\\SogouExplorer\\sogouexplorer.exe"},
    };
    for (const auto& program : kPrograms) {
        if (GetFileAttributesW(program.second.c_str()) != INVALID_FILE_ATTRIBUTES)
            expected.emplace_back(3, 0, program.second, program.first);
    }
    std::vector<std::tuple<int, int, std::wstring, std::wstring>> defaults;
    for (const LinkRow& link : ChainOf(links, catalogs[0].cid))
        defaults.emplace_back(link.linktype, link.csidl, link.path, link.name);
    EXPECT_EQ(expected, defaults);

    const std::wstring desktop = FolderOf(CSIDL_DESKTOPDIRECTORY);
    std::set<std::tuple<int, std::wstring, std::wstring, std::wstring>> desk, want = {
        {3, desktop + L"\\note.txt", L"", L""}, {2, desktop + L"\\folder", L"", L""}, {4, recorder, recorderArgs, work}};
    for (const LinkRow& link : ChainOf(links, catalogs[1].cid))
        desk.emplace(link.linktype, link.path, link.args, link.workdir);
    EXPECT_EQ(want, desk);
    SaveShot(L"first-run.bmp");
}

TEST_F(QuickLinks, ASecondStartLoadsTheSameRowsAndCreatesNone)
{
    FirstStart();
    std::vector<CatalogRow> catalogs, catalogsAfter;
    std::vector<LinkRow> links, linksAfter;
    ReadRows(catalogs, links);
    ASSERT_TRUE(CloseProgram());
    ASSERT_NE(nullptr, Running());
    ASSERT_TRUE(WaitUntilLoaded());
    // A link that is already there, sent again, only selects its row: the
    // rows were loaded.
    EXPECT_EQ(TRUE, SendCommand(AddLinksUrl(L"其他", {FolderOf(CSIDL_DESKTOPDIRECTORY) + L"\\note.txt"})));
    EXPECT_TRUE(WaitFor([] { return ScreenShot(ListWindow()).RowWithFill(kSelectedFill) >= 0; }, 5000));
    ReadRows(catalogsAfter, linksAfter);
    EXPECT_EQ(catalogs.size(), catalogsAfter.size());
    EXPECT_EQ(links.size(), linksAfter.size());
    for (size_t i = 0; i < links.size() && i < linksAfter.size(); ++i)
        EXPECT_EQ(std::tie(links[i].id, links[i].cid, links[i].preid, links[i].path),
                  std::tie(linksAfter[i].id, linksAfter[i].cid, linksAfter[i].preid, linksAfter[i].path));
}

TEST_F(QuickLinks, CommandUrlsAddChainedLinksOnceIntoGroupsOfAnyCase)
{
    FirstStart();
    std::vector<CatalogRow> catalogs;
    std::vector<LinkRow> links;
    ReadRows(catalogs, links);
    const size_t before = links.size();
    // One command at a time, so that the order is known.
    EXPECT_EQ(TRUE, SendCommand(AddLinksUrl(L"Docs", {File(L"a.txt"), File(L"b.txt")})));
    EXPECT_TRUE(WaitFor([] { return LinksOf(L"Docs").size() == 2; }));
    EXPECT_EQ(TRUE, SendCommand(AddLinksUrl(L"DOCS", {File(L"c.txt"), File(L"a.txt")})));
    EXPECT_TRUE(WaitFor([] { return LinksOf(L"Docs").size() == 3; }));
    // Broken commands: no group name; a count far too big, with a path that
    // is not hex before a good one; no command at all.
    EXPECT_EQ(TRUE, SendCommand(AddLinksUrl(L"", {File(L"e.txt")})));
    CString group, path;
    HexCodeString(group, L"Docs", 1);
    HexCodeString(path, File(L"d.txt").c_str(), 1);
    EXPECT_EQ(TRUE, SendCommand((L"app://add_links_to_catalog?catalog_name=" + group +
                                 L"&links_count=99999999&link_0=XYZ&link_1=" + path)
                                    .str()));
    EXPECT_EQ(TRUE, SendCommand(L"garbage"));
    EXPECT_TRUE(WaitFor([] { return LinksOf(L"Docs").size() == 4; }));
    // Sent last, taken last: once it is there nothing else came.
    EXPECT_EQ(TRUE, SendCommand(AddLinksUrl(L"Marker", {File(L"z.txt")})));
    EXPECT_TRUE(WaitFor([] { return LinksOf(L"Marker").size() == 1; }));

    std::vector<LinkRow> chain = LinksOf(L"Docs");
    ReadRows(catalogs, links);
    ASSERT_EQ(4u, catalogs.size());
    EXPECT_EQ(catalogs[1].cid, catalogs[2].preid);
    std::vector<std::wstring> names;
    for (const LinkRow& link : chain)
        names.push_back(link.name);
    EXPECT_EQ((std::vector<std::wstring>{L"a.txt", L"b.txt", L"c.txt", L"d.txt"}), names);
    EXPECT_EQ(nullptr, Catalog(catalogs, L"DOCS"));
    EXPECT_EQ(before + 5, links.size()) << "no other row was added";
}

TEST_F(QuickLinks, AColdStartAddsTheCommandLineLinksToTheStoredGroup)
{
    FirstStart();
    ASSERT_TRUE(AddDocs());
    ASSERT_TRUE(CloseProgram());
    ASSERT_TRUE(program.Start(L"-AddLinksToCatalog " + AddLinksUrl(L"docs", {File(L"f.txt")})))
        << "CreateProcessW failed: error " << program.startError;
    ASSERT_NE(nullptr, WaitForMainWindow());
    EXPECT_TRUE(WaitFor([&] { return LinksOf(L"Docs").size() == 4; }));
    EXPECT_EQ(work + L"\\f.txt", LinksOf(L"Docs").back().path);
    std::vector<CatalogRow> catalogs;
    std::vector<LinkRow> links;
    ReadRows(catalogs, links);
    EXPECT_EQ(3u, catalogs.size());
}

// Whether the program's image lies above its main thread's stack (taken
// from the thread's stack pointer).
bool ImageAboveMainStack(const PROCESS_INFORMATION& process)
{
    CONTEXT context = {};
    context.ContextFlags = CONTEXT_CONTROL;
    bool known = SuspendThread(process.hThread) != static_cast<DWORD>(-1) &&
                 GetThreadContext(process.hThread, &context);
    ResumeThread(process.hThread);
#ifdef _WIN64
    const void* pointer = reinterpret_cast<const void*>(context.Rsp);
#else
    const void* pointer = reinterpret_cast<const void*>(context.Esp);
#endif
    MEMORY_BASIC_INFORMATION stack = {};
    HMODULE image = nullptr;
    DWORD needed = 0;
    known = known && VirtualQueryEx(process.hProcess, pointer, &stack, sizeof(stack)) &&
            K32EnumProcessModules(process.hProcess, &image, sizeof(image), &needed);
    EXPECT_TRUE(known) << "the program's stack or image not found";
    return reinterpret_cast<char*>(image) >= static_cast<char*>(stack.BaseAddress) + stack.RegionSize;
}

// Wine 8 copies a sent message's data down from the receiving thread's stack
// pointer without checking that it fits in the stack (2 MiB).  What does not
// fit goes over whatever lies below the stack, up to the first page that
// can't be written, and the message is lost: the data of 12,000 paths
// (1,428,960 characters) as well as of 2 MiB.  The program's image must not
// lie there; the program must stay up, take the next command, and end
// cleanly when its loop ends without the window having been closed.
TEST_F(QuickLinks, ACommandTooBigForThePlatformLeavesTheProgramWorking)
{
    FirstStart();
    EXPECT_TRUE(ImageAboveMainStack(program.process)) << "an over-size command can be copied over the image";
    HWND window = MainWindow();
    for (size_t size : {1428960u, 1024u * 1024u}) {
        // It would add big.txt to a group Big, had it arrived.
        std::wstring command = AddLinksUrl(L"Big", {File(L"big.txt")}) + L"&pad=";
        command.append(size - command.size(), L'0');
        COPYDATASTRUCT copy = {2025, static_cast<DWORD>((size + 1) * sizeof(wchar_t)), &command[0]};
        DWORD_PTR answer = 0;
        // Taken, the program would answer within milliseconds.
        EXPECT_EQ(0, SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy),
                                         SMTO_ABORTIFHUNG, 2000, &answer))
            << size << " characters arrived: the platform changed";
        ASSERT_NE(0, SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer)) << size;
    }
    ASSERT_TRUE(AddDocs()) << "the program no longer takes commands";
    std::vector<CatalogRow> catalogs;
    std::vector<LinkRow> links;
    ReadRows(catalogs, links);
    EXPECT_EQ(nullptr, Catalog(catalogs, L"Big")) << "a command this big was taken";

    // The loop ends on a quit posted to it, with the frame still there.
    const std::wstring errorLog = DataFolder() + L"\\ErrorLog.txt";
    DeleteFileW(errorLog.c_str());
    DWORD exitCode = 1;
    ASSERT_TRUE(PostThreadMessageW(GetWindowThreadProcessId(window, nullptr), WM_QUIT, 0, 0));
    ASSERT_TRUE(program.WaitExit(15000, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(errorLog.c_str())) << "the exit crashed";
}

TEST_F(QuickLinks, EnterAndADoubleClickStartTheLinkWithItsArgumentsAndFolder)
{
    FirstStart();
    auto launched = [&] { return ReadLog(launchLog); };
    const std::wstring expected = recorderArgs + L"\n" + work + L"\n";
    auto endsWithExpected = [&] {
        std::wstring text = launched();
        return text.size() >= expected.size() &&
               text.compare(text.size() - expected.size(), expected.size(), expected) == 0;
    };
    // The shortcut sent again selects its row in "桌面"; Enter starts it.
    DeleteFileW(launchLog.c_str());
    HWND list = ListWindow();
    // Rows: 默认, 桌面, then the common desktop's shortcut first.
    const int row = 2 * 26;
    ASSERT_TRUE(SelectBySending(list, L"桌面", FolderOf(CSIDL_DESKTOPDIRECTORY) + L"\\recorder.lnk", row));
    PostMessageW(list, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(WaitFor(endsWithExpected, 10000)) << launched();

    DeleteFileW(launchLog.c_str());
    const LPARAM at = MAKELPARAM(60, row + 13);
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        PostMessageW(list, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
    EXPECT_TRUE(WaitFor(endsWithExpected, 10000)) << launched();
}

// With the mouse and the keys as a user has them: 命令行 and 记事本 selected,
// "jishi" typed so that only 记事本 shows, and 删除 chosen from its menu.
// Only 记事本 goes; once the search is cleared 命令行 shows again, unselected.
TEST_F(QuickLinks, ADeleteDuringASearchTakesOnlyTheLinksShown)
{
    FirstStart();
    HWND list = ListWindow();
    ASSERT_TRUE(AppTest::XFocus(MainWindow()));
    auto drawn = [&](int top) {
        return ScreenShot(list).CountInRowIf(top, 41, [](COLORREF c) { return c != kBackground; }) > 10;
    };
    // Clicks land on the rows' labels.  Opening 默认 closes 桌面.  Rows:
    // 默认, its places 计算机, 桌面 and 我的文档, then 命令行 and 记事本.
    const int cmdTop = 4 * 26, notepadTop = 5 * 26;
    ASSERT_TRUE(AppTest::XdoTool(MoveTo(list, 45, 13) + "click 1"));
    ASSERT_TRUE(WaitFor([&] { return drawn(notepadTop); }, 5000));
    ASSERT_TRUE(AppTest::XdoTool(MoveTo(list, 45, cmdTop + 13) + "click 1 keydown ctrl " +
                                 MoveTo(list, 45, notepadTop + 13) + "click 1 keyup ctrl"));
    ASSERT_TRUE(WaitFor([&] {
        ScreenShot shot(list);
        return shot.CountInRow(cmdTop, kSelectedFill) > 1000 && shot.CountInRow(notepadTop, kSelectedFill) > 1000;
    }, 5000));

    HWND box = SearchBox();
    ASSERT_NE(nullptr, box);
    RECT boxRect;
    GetClientRect(box, &boxRect);
    const std::string intoBox = MoveTo(box, 20, boxRect.bottom / 2) + "click 1 ";
    ASSERT_TRUE(AppTest::XdoTool(intoBox + "type --delay 20 jishi"));
    // 默认 and 记事本 are left, 记事本 selected.
    ASSERT_TRUE(WaitFor([&] { return ScreenShot(list).RowWithFill(kSelectedFill) == 26 && !drawn(2 * 26); }, 5000));
    SaveShot(L"search-selected.bmp");
    ASSERT_TRUE(AppTest::XdoTool(MoveTo(list, 45, 26 + 13) + "click 3"));
    ASSERT_TRUE(WaitFor([] {
        HWND menu = FindWindowW(L"#32768", nullptr);
        return menu && IsWindowVisible(menu);
    }, 5000));
    ASSERT_TRUE(AppTest::XdoTool("key d"));
    const std::wstring system = FolderOf(CSIDL_SYSTEM);
    auto stored = [&](const wchar_t* file) {
        std::vector<CatalogRow> catalogs;
        std::vector<LinkRow> links;
        ReadRows(catalogs, links);
        return std::any_of(links.begin(), links.end(),
                           [&](const LinkRow& link) { return link.path == system + L"\\" + file; });
    };
    // Both would go in one step, 命令行 first.
    EXPECT_TRUE(WaitFor([&] { return !stored(L"notepad.exe"); }));
    EXPECT_TRUE(stored(L"cmd.exe")) << "a link the search hid";

    ASSERT_TRUE(AppTest::XdoTool(intoBox + "key Escape"));
    EXPECT_TRUE(WaitFor([&] { return drawn(cmdTop); }, 5000));
    EXPECT_EQ(-1, ScreenShot(list).RowWithFill(kSelectedFill));
    SaveShot(L"search-cleared.bmp");
}

// A double click whose second release lands outside the list is no double
// click: the single click after it starts nothing, a whole double click does.
TEST_F(QuickLinks, AnUnfinishedDoubleClickStartsNothingLater)
{
    FirstStart();
    HWND list = ListWindow();
    // A second link to the recorder, which writes a log of its own.
    const std::wstring markerLog = Env(L"QV_E2E_ARTEFACTS") + L"\\marker.txt";
    const std::wstring marker = work + L"\\marker.lnk";
    ASSERT_TRUE(SaveShortcut(marker, recorder, L"\"" + markerLog + L"\" marker", work));
    DeleteFileW(launchLog.c_str());
    DeleteFileW(markerLog.c_str());
    EXPECT_EQ(TRUE, SendCommand(AddLinksUrl(L"桌面", {marker})));
    int markerTop = -1;
    ASSERT_TRUE(WaitFor([&] { return (markerTop = ScreenShot(list).RowWithFill(kSelectedFill)) > 2 * 26; }, 5000));

    // Rows: 默认, 桌面, then the first recorder link.
    const std::string onRecorder = MoveTo(list, 45, 2 * 26 + 13);
    const RECT frame = WindowRect(MainWindow());
    ASSERT_TRUE(AppTest::XdoTool(onRecorder + "mousedown 1 mouseup 1 mousedown 1 mousemove " +
                                 std::to_string(frame.left - 40) + " " + std::to_string(frame.top + 40) +
                                 " mouseup 1"));
    ASSERT_TRUE(AppTest::XdoTool(onRecorder + "click 1"));
    // Pressed twice on the marker's row and released on the recorder's: the
    // row under the release starts nothing.
    ASSERT_TRUE(AppTest::XdoTool(MoveTo(list, 45, markerTop + 13) + "mousedown 1 mouseup 1 mousedown 1 " +
                                 onRecorder + "mouseup 1"));
    ASSERT_TRUE(AppTest::XdoTool(MoveTo(list, 45, markerTop + 13) + "click --repeat 2 --delay 80 1"));
    EXPECT_TRUE(WaitFor([&] { return ReadLog(markerLog).find(L"marker") != std::wstring::npos; }, 10000));
    EXPECT_EQ(L"", ReadLog(launchLog)) << "the single click or the release on its row started a link";
}

TEST_F(QuickLinks, RowsShowSelectionHoverAndAMissingTarget)
{
    FirstStart();
    ASSERT_TRUE(AddDocs());
    HWND list = ListWindow();
    // "a.txt" selected in "Docs", "b.txt" below it gone.  Rows: 默认, 桌面,
    // Docs, then its links.
    DeleteFileW((work + L"\\b.txt").c_str());
    const int selected = 3 * 26, missing = selected + 26;
    ASSERT_TRUE(SelectBySending(list, L"Docs", work + L"\\a.txt", selected));
    EXPECT_TRUE(WaitFor([&] { return ScreenShot(list).HasGreyText(missing); }, 10000));
    // The pointer over "c.txt", below "b.txt".
    POINT over = {150, missing + 26 + 13};
    ClientToScreen(list, &over);
    SetCursorPos(over.x, over.y);
    PostMessageW(list, WM_MOUSEMOVE, 0, MAKELPARAM(150, missing + 26 + 13));
    EXPECT_TRUE(WaitFor([&] { return ScreenShot(list).RowWithFill(kHoverFill) == missing + 26; }, 5000));
    SaveShot(L"rows.bmp");

    ScreenShot shot(list);
    EXPECT_GT(shot.CountInRow(selected, kSelectedFill), 26 * 100);
    EXPECT_FALSE(shot.HasGreyText(missing + 26)); // "c.txt" is there
    // Each group row has its arrow left of its name.
    int arrows = 0;
    for (int y = 0; y < 26 * 3; ++y)
        for (int x = 8; x < 20; ++x)
            arrows += shot.At(x, y) != kBackground;
    EXPECT_GT(arrows, 3 * 10);
}

// The menus of a group row and of a link row, opened by a real right click
// and read off the display: light items with dark text, the icon band in
// blue down their left, and the item under the pointer filled and framed.
TEST_F(QuickLinks, TheRowMenusAreDrawnWithTheirBandTextAndHover)
{
    FirstStart();
    HWND list = ListWindow();
    const COLORREF hoverFill = RGB(255, 238, 194), hoverFrame = RGB(48, 150, 250);
    // Rows: 默认, 桌面, then 桌面's first link.
    const struct {
        const char* row;
        int y;
        const wchar_t* shotName;
    } rows[] = {{"group row", 13, L"group-menu.bmp"}, {"link row", 2 * 26 + 13, L"link-menu.bmp"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.row);
        HWND menu = nullptr;
        ASSERT_TRUE(AppTest::XdoTool(MoveTo(list, 45, row.y) + "click 3"));
        ASSERT_TRUE(
            WaitFor([&] { return (menu = FindWindowW(L"#32768", nullptr)) && IsWindowVisible(menu); }, 5000));
        const RECT area = WindowRect(menu);
        const int width = area.right - area.left, height = area.bottom - area.top;
        ASSERT_GT(width, 100);
        ASSERT_GT(height, 3 * 22);
        auto light = [](COLORREF c) { return std::min({GetRValue(c), GetGValue(c), GetBValue(c)}) >= 190; };
        auto dark = [](COLORREF c) { return std::max({GetRValue(c), GetGValue(c), GetBValue(c)}) < 100; };
        auto blue = [](COLORREF c) { return GetBValue(c) >= GetRValue(c) + 20; };
        // Light pixels; blue ones in the band's 20 columns and in as many at
        // the items' right; dark ones right of the band.
        int lit = 0, bandBlue = 0, itemsBlue = 0, text = 0;
        const int strip = 20 * height;
        // Shown is not yet drawn: under load the display can lag behind.
        EXPECT_TRUE(WaitFor(
            [&] {
                ScreenShot shot(area);
                lit = shot.CountIf(0, 0, width, height, light);
                bandBlue = shot.CountIf(6, 0, 26, height, blue);
                itemsBlue = shot.CountIf(width - 24, 0, width - 4, height, blue);
                text = shot.CountIf(30, 0, width, height, dark);
                return lit > width * height * 3 / 4 && bandBlue > strip / 2 && itemsBlue < strip / 20 &&
                       text > 20 * 4;
            },
            10000))
            << "light " << lit << " of " << width * height << ", band " << bandBlue << " and items " << itemsBlue
            << " blue of " << strip << ", text " << text;

        // The pointer on the first item.
        ASSERT_TRUE(AppTest::XdoTool("mousemove " + std::to_string(area.left + width / 2) + " " +
                                     std::to_string(area.top + 3 + 11)));
        auto is = [](COLORREF colour) { return [colour](COLORREF c) { return c == colour; }; };
        EXPECT_TRUE(WaitFor(
            [&] { return ScreenShot(area).CountIf(0, 0, width, height, is(hoverFill)) > 100 * 15; }, 5000))
            << "no hover fill";
        EXPECT_GT(ScreenShot(area).CountIf(0, 0, width, height, is(hoverFrame)), 2 * 100) << "no hover frame";
        SaveShot(row.shotName, menu);

        ASSERT_TRUE(AppTest::XdoTool("key Escape"));
        ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(menu); }, 5000));
    }
}

} // namespace
