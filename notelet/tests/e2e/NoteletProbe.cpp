// End-to-end probe of the message module, run by run-notelet-e2e.sh where the
// web host's name means 127.0.0.1 and this probe serves its port 80.  It
// drives the real program with the real module beside it, and loads the
// module into itself to stop it in the middle of a download.  Every test
// starts with no program running and no Notelet.db.
// The server's winsock2.h comes before any windows.h.
#include "online/tests/LocalHttpServer.h"

#include "framework/TextConvert.h"
#include "notelet/MsgDatabase.h"
#include "skin/CSkinRes.h"
#include "skin/tests/GuiTestHelpers.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <ctime>
#include <string>
#include <thread>

using SkinTest::PumpMessages;

namespace
{
const wchar_t* const kMainClass = L"{08703010-8C30-4a34-80FC-BE0223759A7B}_Quorventile";

std::wstring Env(const wchar_t* name)
{
    wchar_t value[1024] = {};
    DWORD n = GetEnvironmentVariableW(name, value, 1024);
    return n > 0 && n < 1024 ? value : L"";
}

std::wstring ProgramFolder()
{
    std::wstring program = Env(L"QV_E2E_PROGRAM");
    return program.substr(0, program.rfind(L'\\'));
}

std::wstring DataFile(const wchar_t* name)
{
    wchar_t appData[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
    return std::wstring(appData) + L"\\Quorventile\\" + name;
}

template <typename Condition> bool WaitFor(Condition condition, DWORD timeoutMs = 15000)
{
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        PumpMessages(20);
    }
    return true;
}

std::string Feed(const std::string& messages, int dur = 3600)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><root dur=\"" + std::to_string(dur) + "\"><bottommsg>" +
           messages + "</bottommsg></root>";
}

std::string Msg(const char* title, const char* url = "http://www.velmora.net/", int dur = 30)
{
    return std::string("<msg title=\"") + title + "\" url=\"" + url + "\" dur=\"" + std::to_string(dur) +
           "\"/>";
}

// The stored feed, written while no program runs.
void StoreFeed(const std::string& body, long long age)
{
    CreateDirectoryW(DataFile(L"").c_str(), nullptr);
    ASSERT_EQ(1, OpenMsgDatabase(DataFile(L"Notelet.db").c_str()));
    SaveBottomMsgFile(body.data(), static_cast<int>(body.size()));
    SQL_LITE::CppSQLite3SqlBuffer sql;
    sql.Format("update table_file set CreateTime = %lld;", static_cast<long long>(_time64(nullptr)) - age);
    MsgDatabase.db.ExecDML(sql);
    CloseMsgDatabase();
}

std::string StoredFeed(CString* interval = nullptr)
{
    OpenMsgDatabase(DataFile(L"Notelet.db").c_str());
    int length = 0;
    long long createTime = 0;
    std::unique_ptr<char[]> copy = LoadBottomMsgFile(&length, &createTime);
    if (interval)
        *interval = GetInfoDuration();
    CloseMsgDatabase();
    return copy ? std::string(copy.get(), length) : "<none>";
}

struct Program {
    PROCESS_INFORMATION process = {};
    bool Start()
    {
        std::wstring path = Env(L"QV_E2E_PROGRAM");
        std::wstring commandLine = L"\"" + path + L"\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        return CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &process) != 0;
    }
    bool Close()
    {
        if (!process.hProcess)
            return true;
        if (HWND window = FindWindowW(kMainClass, L"Velmora"))
            PostMessageW(window, WM_CLOSE, 0, 0);
        bool ended = WaitForSingleObject(process.hProcess, 15000) == WAIT_OBJECT_0;
        if (!ended) {
            TerminateProcess(process.hProcess, 99); // clean-up only; the test fails below
            WaitForSingleObject(process.hProcess, 5000);
        }
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        process = {};
        return ended;
    }
};

BOOL CALLBACK FindBar(HWND child, LPARAM found)
{
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    RECT rect;
    GetClientRect(child, &rect);
    if (wcscmp(name, L"__WND_BASE_CHILD__") == 0 && rect.bottom == 22) {
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
    }
    return TRUE;
}

HWND BarOf(HWND frame)
{
    HWND bar = nullptr;
    EnumChildWindows(frame, FindBar, reinterpret_cast<LPARAM>(&bar));
    return bar;
}

// How far the white text on the bar reaches, from the screen: one past the
// right-most text pixel, 0 when there is none.  The footer is a dark blue;
// the text's smoothed edges are lighter than it.
int ShownTextRight(HWND bar)
{
    RECT rect;
    GetWindowRect(bar, &rect);
    HDC screen = GetDC(nullptr);
    SkinTest::Pixels pixels(screen, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    ReleaseDC(nullptr, screen);
    int right = 0;
    for (int y = 0; y < pixels.Height(); ++y)
        for (int x = 0; x < pixels.Width(); ++x)
            if (GetRValue(pixels.Pixel(x, y)) >= 160 && GetGValue(pixels.Pixel(x, y)) >= 160 && x + 1 > right)
                right = x + 1;
    return right;
}

// Where the bar's text ends when it shows this text: 8 pixels in, in the
// module's font.
int TextRight(const wchar_t* text)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, SkinControl::CSkinRes::GetFont(L"Font9"));
    RECT measured = {};
    DrawTextW(dc, text, -1, &measured, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    DeleteDC(dc);
    return 8 + measured.right;
}

bool Shows(HWND bar, const wchar_t* text)
{
    return abs(ShownTextRight(bar) - TextRight(text)) <= 3;
}

class Environment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static const wchar_t* const families[3] = {L"微软雅黑", L"宋体", L"Tahoma"};
        ASSERT_NE(nullptr, SkinControl::CSkinRes::AddFont(L"Font9", families, 9));
    }
    void TearDown() override { SkinControl::CSkinRes::Global().FreeAll(); }
};
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new Environment);

class NoteletE2E : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(L"", Env(L"QV_E2E_PROGRAM"));
        DeleteFileW(DataFile(L"Notelet.db").c_str());
        ASSERT_TRUE(server.Start(80)) << "port 80 of 127.0.0.1 is taken";
    }
    void TearDown() override
    {
        EXPECT_TRUE(program.Close());
        server.Stop();
    }

    // The program's bar, once the program shows it.
    HWND StartAndFindBar()
    {
        EXPECT_TRUE(program.Start());
        HWND frame = nullptr, bar = nullptr;
        WaitFor([&] { return (frame = FindWindowW(kMainClass, L"Velmora")) && (bar = BarOf(frame)); });
        return bar;
    }
    std::vector<CLocalHttpServer::Request> FeedRequests()
    {
        std::vector<CLocalHttpServer::Request> feed;
        for (const auto& request : server.Requests())
            if (request.target == "/update/msg.xml")
                feed.push_back(request);
        return feed;
    }
    void Serve(const std::string& body)
    {
        CLocalHttpServer::Answer answer;
        answer.body = body;
        server.SetAnswer("/update/msg.xml", answer);
    }

    CLocalHttpServer server;
    Program program;
};

} // namespace

TEST_F(NoteletE2E, ShowsTheTitlesFromTheWebHostThenFromTheCacheWithTheHostGone)
{
    const std::string body =
        Feed(Msg("来自网站的第一条消息") + Msg("second", "http://www.velmora.net/2", 30));
    Serve(body);
    HWND bar = StartAndFindBar();
    ASSERT_NE(nullptr, bar);
    ASSERT_TRUE(WaitFor([&] { return Shows(bar, L"来自网站的第一条消息"); }))
        << ShownTextRight(bar) << " vs " << TextRight(L"来自网站的第一条消息");
    HWND frame = GetParent(bar);
    RECT client, barRect;
    GetClientRect(frame, &client);
    GetWindowRect(bar, &barRect);
    MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&barRect), 2);
    EXPECT_EQ(4, barRect.left);
    EXPECT_EQ(client.bottom - 26, barRect.top);
    EXPECT_EQ(client.right - 4, barRect.right);
    EXPECT_EQ(client.bottom - 4, barRect.bottom);
    // The rest of the window is drawn as without the module: the tab's page
    // is white, the help link on the header's blue.
    EXPECT_TRUE(WaitFor([&] {
        HDC screen = GetDC(nullptr);
        RECT window;
        GetWindowRect(frame, &window);
        COLORREF page = GetPixel(screen, window.left + 150, window.top + 300);
        COLORREF help = GetPixel(screen, window.right - 12, window.top + 30);
        ReleaseDC(nullptr, screen);
        return page == RGB(255, 255, 255) && GetBValue(help) > GetRValue(help) + 60;
    }));
    SkinTest::SaveWindowShot(frame, Env(L"QV_E2E_ARTEFACTS") + L"\\notelet-bar.png", true);

    std::vector<CLocalHttpServer::Request> requests = FeedRequests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("GET", requests[0].method);
    EXPECT_EQ(ToUtf8(Env(L"QV_E2E_WEB_HOST").c_str()).GetString(), requests[0].Header("Host"));
    ASSERT_TRUE(program.Close());
    CString interval;
    EXPECT_EQ(body, StoredFeed(&interval));
    EXPECT_EQ(CString(L"3600"), interval);

    server.Stop();
    bar = StartAndFindBar();
    ASSERT_NE(nullptr, bar);
    EXPECT_TRUE(WaitFor([&] { return Shows(bar, L"来自网站的第一条消息"); }));
}

TEST_F(NoteletE2E, AStaleOrFutureCacheIsShownFirstThenReplacedAFreshOneIsNotRefetched)
{
    const struct {
        long long age;
        bool fetched;
    } cases[] = {{90000, true}, {-7200, true}, {60, false}}; // against the default day
    for (const auto& c : cases) {
        DeleteFileW(DataFile(L"Notelet.db").c_str());
        StoreFeed(Feed(Msg("缓存的标题")), c.age);
        server.ClearRequests();
        HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        CLocalHttpServer::Answer answer;
        answer.body = Feed(Msg("新下载的一条长一些的标题"));
        answer.hold = release;
        server.SetAnswer("/update/msg.xml", answer);

        HWND bar = StartAndFindBar();
        ASSERT_NE(nullptr, bar);
        EXPECT_TRUE(WaitFor([&] { return Shows(bar, L"缓存的标题"); })) << c.age;
        if (c.fetched) {
            EXPECT_TRUE(WaitFor([&] { return FeedRequests().size() == 1; })) << c.age;
        }
        SetEvent(release);
        if (c.fetched) {
            EXPECT_TRUE(WaitFor([&] { return Shows(bar, L"新下载的一条长一些的标题"); })) << c.age;
        }
        // Closing waits for the module's work, so a request would have been
        // made by now.
        ASSERT_TRUE(program.Close());
        EXPECT_EQ(c.fetched ? 1u : 0u, FeedRequests().size()) << c.age;
        CloseHandle(release);
    }
}

namespace
{
// Makes the shell open addresses of the scheme with a command that appends
// the address to the log.
void RecordOpenedAddresses(const wchar_t* scheme, const std::wstring& log)
{
    std::wstring key = std::wstring(L"Software\\Classes\\") + scheme;
    std::wstring command = L"cmd.exe /c echo %1>>\"" + log + L"\"";
    const struct {
        std::wstring key;
        const wchar_t* name;
        std::wstring value;
    } values[] = {{key, nullptr, std::wstring(L"URL:") + scheme},
                  {key, L"URL Protocol", L""},
                  {key + L"\\shell\\open\\command", nullptr, command}};
    for (const auto& v : values) {
        HKEY handle;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, v.key.c_str(), 0, nullptr, 0, KEY_WRITE,
                                                 nullptr, &handle, nullptr));
        RegSetValueExW(handle, v.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.value.c_str()),
                       static_cast<DWORD>((v.value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(handle);
    }
}

std::string ReadText(const std::wstring& path)
{
    std::string text;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read)
        text.append(buffer, read);
    CloseHandle(file);
    return text;
}
} // namespace

TEST_F(NoteletE2E, AClickOpensOnlyWebAddresses)
{
    const std::wstring folder = Env(L"QV_E2E_ARTEFACTS");
    const std::wstring log = folder + L"\\opened.txt", marker = folder + L"\\ran.txt";
    DeleteFileW(log.c_str());
    DeleteFileW(marker.c_str());
    for (const wchar_t* scheme : {L"http", L"https", L"javascript"})
        RecordOpenedAddresses(scheme, log);
    // A batch file that would leave the marker if a file: address were run.
    const std::wstring batch = folder + L"\\feed.bat";
    const std::string script = "echo ran>\"" + std::string(ToUtf8(marker.c_str()).GetString()) + "\"\r\n";
    HANDLE file = CreateFileW(batch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, script.data(), static_cast<DWORD>(script.size()), &written, nullptr);
    CloseHandle(file);
    std::string fileUrl = "file:///" + std::string(ToUtf8(batch.c_str()).GetString());
    for (char& c : fileUrl)
        c = c == '\\' ? '/' : c;

    // The web address comes last: once it is in the log, the clicks before
    // it have had their chance.
    const struct {
        const char* title;
        std::string url;
    } clicks[] = {{"脚本地址", "javascript:alert(1)"},
                  {"文件地址啊", fileUrl},
                  {"网页地址呀呀", "http://www.velmora.net/news"}};
    for (const auto& click : clicks) {
        DeleteFileW(DataFile(L"Notelet.db").c_str());
        StoreFeed(Feed(Msg(click.title, click.url.c_str())), 0);
        HWND bar = StartAndFindBar();
        ASSERT_NE(nullptr, bar);
        CString title = FromUtf8(click.title);
        ASSERT_TRUE(WaitFor([&] { return Shows(bar, title); })) << click.url;
        // Anywhere on the bar, not only over the title.
        SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(250, 11));
        ASSERT_TRUE(program.Close());
    }
    EXPECT_TRUE(WaitFor([&] {
        return ReadText(log).find("http://www.velmora.net/news") != std::string::npos;
    })) << ReadText(log);
    EXPECT_EQ(std::string::npos, ReadText(log).find("javascript")) << ReadText(log);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(marker.c_str()));
}

namespace
{
using NoteletInitFn = int(__cdecl*)(HWND);
using NoteletUnInitFn = void(__cdecl*)();
using NoteletFrameWndMsgFn = int(__cdecl*)(UINT, WPARAM, LPARAM);

template <typename Fn> Fn Export(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
} // namespace

TEST_F(NoteletE2E, TheModuleStopsInTheMiddleOfADownloadAndWaitsForItsWorker)
{
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CLocalHttpServer::Answer answer;
    answer.body = Feed(Msg("不该保存"));
    answer.hold = release;
    server.SetAnswer("/update/msg.xml", answer);
    SkinTest::CheckerParent frame;
    ASSERT_TRUE(frame.Create(CRect(100, 100, 400, 660)));
    HMODULE module = LoadLibraryW((ProgramFolder() + L"\\Notelet.dll").c_str());
    ASSERT_NE(nullptr, module);
    auto init = Export<NoteletInitFn>(module, "NoteletInit");
    auto unInit = Export<NoteletUnInitFn>(module, "NoteletUnInit");
    auto frameWndMsg = Export<NoteletFrameWndMsgFn>(module, "NoteletFrameWndMsg");
    ASSERT_TRUE(init && unInit && frameWndMsg);

    unInit(); // not started: nothing happens
    EXPECT_EQ(0, frameWndMsg(WM_SIZE, 0, 0));
    EXPECT_EQ(1, init(frame.m_hWnd));
    HWND bar = BarOf(frame.m_hWnd);
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(1, init(frame.m_hWnd)); // started already: no second bar
    EXPECT_EQ(bar, FindWindowExW(frame.m_hWnd, nullptr, L"__WND_BASE_CHILD__", nullptr));
    EXPECT_EQ(nullptr, FindWindowExW(frame.m_hWnd, bar, L"__WND_BASE_CHILD__", nullptr));

    // WM_SIZE places the bar again only while it is visible.
    ShowWindow(bar, SW_HIDE);
    MoveWindow(bar, 0, 0, 10, 10, FALSE);
    EXPECT_EQ(0, frameWndMsg(WM_SIZE, 0, 0));
    RECT rect;
    GetClientRect(bar, &rect);
    EXPECT_EQ(10, rect.right);
    ShowWindow(bar, SW_SHOW);
    EXPECT_EQ(1, frameWndMsg(WM_SIZE, 0, 0));
    GetClientRect(bar, &rect);
    EXPECT_EQ(300 - 8, rect.right);

    // The feed's download waits for an answer that comes only once the
    // module is stopping, and later than a pool's 300 ms.
    ASSERT_TRUE(WaitFor([&] { return FeedRequests().size() == 1; }));
    std::thread answerer([&] {
        while (IsWindow(bar))
            Sleep(5);
        Sleep(600);
        SetEvent(release);
    });
    unInit();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(release, 0)) << "stopped before its worker ended";
    answerer.join();
    EXPECT_FALSE(IsWindow(bar));
    // The aborted download stored nothing, and the database is closed.
    EXPECT_EQ("<none>", StoredFeed());
    EXPECT_TRUE(DeleteFileW(DataFile(L"Notelet.db").c_str()));
    FreeLibrary(module);
    PumpMessages(200);
    CloseHandle(release);
}
