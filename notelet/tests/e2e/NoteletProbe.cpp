// End-to-end probe of the message module, run by run-notelet-e2e.sh where the
// web host's name means 127.0.0.1 and this probe serves its port 80.  It
// drives the real program with the real module beside it, and loads the
// module into itself to stop it in the middle of a download.  Every test
// starts with no program running and no Notelet.db.
// The server's winsock2.h comes before any windows.h.
#include "online/tests/LocalHttpServer.h"

#include "app/OnlineSchedule.h"
#include "app/SingleInstance.h"
#include "app/tests/e2e/ProbeSupport.h"
#include "framework/TextConvert.h"
#include "notelet/MsgDatabase.h"
#include "skin/CSkinRes.h"
#include "skin/tests/GuiTestHelpers.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <thread>

namespace
{
using Probe::Env;

std::wstring DataFile(const wchar_t* name)
{
    wchar_t appData[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
    std::wstring folder = std::wstring(appData) + L"\\Quorventile";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\" + name;
}

std::string FileText(const std::wstring& path)
{
    std::string text;
    if (FILE* file = _wfopen(path.c_str(), L"rb")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, file)) > 0;)
            text.append(buffer, n);
        fclose(file);
    }
    return text;
}

CRect ClientRect(HWND window)
{
    CRect rect;
    GetClientRect(window, &rect);
    return rect;
}

template <typename Condition> bool WaitFor(Condition condition)
{
    for (DWORD start = GetTickCount(); !condition(); SkinTest::PumpMessages(20)) {
        if (GetTickCount() - start > 15000)
            return false;
    }
    return true;
}

std::string Feed(const std::string& title, const std::string& url = "http://www.velmora.net/")
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><root dur=\"3600\"><bottommsg><msg title=\"" + title +
           "\" url=\"" + url + "\" dur=\"30\"/></bottommsg></root>";
}

// Notelet.db's feed, read or written while no program runs; a stored feed
// is `age` seconds old.
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

void StoreFeed(const std::string& body, long long age)
{
    ASSERT_EQ(1, OpenMsgDatabase(DataFile(L"Notelet.db").c_str()));
    SaveBottomMsgFile(body.data(), static_cast<int>(body.size()));
    SQL_LITE::CppSQLite3SqlBuffer sql;
    MsgDatabase.db.ExecDML(sql.Format("update table_file set CreateTime = %lld;", _time64(nullptr) - age));
    CloseMsgDatabase();
}

// The module's bar among the frame's children: the one 22 pixels high.
HWND Bar(HWND frame)
{
    for (HWND child = nullptr; (child = FindWindowExW(frame, child, L"__WND_BASE_CHILD__", nullptr));) {
        RECT rect;
        GetClientRect(child, &rect);
        if (rect.bottom == 22)
            return child;
    }
    return nullptr;
}

// Whether the bar shows the text, from the screen: its text pixels (lighter
// than the dark blue footer) end where the text measured in the module's
// font ends, 8 pixels in.
bool Shows(HWND bar, const wchar_t* text)
{
    RECT rect;
    GetWindowRect(bar, &rect);
    HDC screen = GetDC(nullptr);
    SkinTest::Pixels pixels(screen, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    ReleaseDC(nullptr, screen);
    int right = 0;
    for (int y = 0; y < pixels.Height(); ++y)
        for (int x = right; x < pixels.Width(); ++x)
            if (GetRValue(pixels.Pixel(x, y)) >= 160 && GetGValue(pixels.Pixel(x, y)) >= 160)
                right = x + 1;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, SkinControl::CSkinRes::GetFont(L"Font9"));
    RECT measured = {};
    DrawTextW(dc, text, -1, &measured, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    DeleteDC(dc);
    return abs(right - (8 + measured.right)) <= 3;
}

// The module loaded into this probe, from beside the program, with its
// three exports.
struct ModuleInProbe {
    std::wstring path;
    HMODULE handle = nullptr;
    int(__cdecl* init)(HWND) = nullptr;
    void(__cdecl* unInit)() = nullptr;
    int(__cdecl* frameWndMsg)(UINT, WPARAM, LPARAM) = nullptr;

    ModuleInProbe()
    {
        const std::wstring program = Env(L"QV_E2E_PROGRAM");
        path = program.substr(0, program.rfind(L'\\')) + L"\\Notelet.dll";
    }
    bool Load()
    {
        handle = LoadLibraryW(path.c_str());
        if (!handle)
            return false;
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(handle);
        image = handle;
        imageSize =
            reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const char*>(handle) + dos->e_lfanew)
                ->OptionalHeader.SizeOfImage;
        Bind(init, "NoteletInit");
        Bind(unInit, "NoteletUnInit");
        Bind(frameWndMsg, "NoteletFrameWndMsg");
        return init && unInit && frameWndMsg;
    }
    void Free()
    {
        FreeLibrary(handle);
        handle = nullptr;
    }
    // Whether the library is in this process, whoever holds it.
    bool Loaded() const { return GetModuleHandleW(path.c_str()) != nullptr; }
    // Once the library has left the process, its address range is reserved
    // with no access for the rest of the probe, so that a thread still
    // running its code faults at once rather than run a later load's copy
    // mapped at the same address.  False when the library stays or its
    // range could not be taken.
    bool GoneAndFenced() const
    {
        return WaitFor(
            [&] { return !Loaded() && VirtualAlloc(image, imageSize, MEM_RESERVE, PAGE_NOACCESS) == image; });
    }

private:
    void* image = nullptr; // where the last load was mapped
    SIZE_T imageSize = 0;

    template <typename Function> void Bind(Function& function, const char* name)
    {
        function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(handle, name)));
    }
};

// A crash, a thread running code of a library that is gone for example,
// ends the probe at once rather than in the debugger.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* exception)
{
    fprintf(stderr, "notelet probe: exception %08lx at %p\n",
            static_cast<unsigned long>(exception->ExceptionRecord->ExceptionCode),
            exception->ExceptionRecord->ExceptionAddress);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

class Fonts : public ::testing::Environment
{
public:
    void SetUp() override
    {
        SetUnhandledExceptionFilter(ReportCrash);
        static const wchar_t* const families[3] = {L"微软雅黑", L"宋体", L"Tahoma"};
        ASSERT_NE(nullptr, SkinControl::CSkinRes::AddFont(L"Font9", families, 9));
    }
    void TearDown() override { SkinControl::CSkinRes::Global().FreeAll(); }
};
::testing::Environment* const g_fonts = ::testing::AddGlobalTestEnvironment(new Fonts);

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
        EXPECT_TRUE(CloseProgram());
        SetEvent(release); // a worker of the module in this probe may still wait
        server.Stop();
        CloseHandle(release);
    }

    // Closing waits for the module's work: UnInit waits for its worker.
    bool CloseProgram()
    {
        if (!program.process.hProcess)
            return true;
        PostMessageW(Probe::MainWindow(), WM_CLOSE, 0, 0);
        const bool ended = program.WaitExit(15000);
        program.Kill(); // clean-up only, when it did not end; the test fails
        return ended;
    }

    HWND StartAndFindBar()
    {
        EXPECT_TRUE(program.Start());
        HWND bar = nullptr;
        WaitFor([&] { return (bar = Bar(Probe::MainWindow())) != nullptr; });
        return bar;
    }
    void Serve(const std::string& body, HANDLE hold = nullptr)
    {
        CLocalHttpServer::Answer answer;
        answer.body = body;
        answer.hold = hold;
        server.SetAnswer("/update/msg.xml", answer);
    }

    // The module in this probe, on a frame of its own, its feed's answer
    // held until `release` is set; no module of an earlier run is left.
    void PrepareModuleInProbe()
    {
        Serve(Feed("不该保存"), release);
        ASSERT_TRUE(frame.Create(CRect(100, 100, 400, 660)));
        ASSERT_TRUE(WaitFor([&] { return !module.Loaded(); })) << "an earlier run's worker still holds the module";
    }

    CLocalHttpServer server;
    Probe::Program program;
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SkinTest::CheckerParent frame;
    ModuleInProbe module;
};
} // namespace

TEST_F(NoteletE2E, ShowsTheTitleFromTheWebHostThenFromTheCacheWhichIsFetchedAgainWhenStale)
{
    const std::string body = Feed("来自网站的第一条消息");
    Serve(body);
    HWND bar = StartAndFindBar();
    ASSERT_NE(nullptr, bar);
    ASSERT_TRUE(WaitFor([&] { return Shows(bar, L"来自网站的第一条消息"); }));
    HWND frame = GetParent(bar);
    CRect client = ClientRect(frame), placed;
    GetWindowRect(bar, &placed);
    MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_TRUE(CRect(4, client.bottom - 26, client.right - 4, client.bottom - 4) == placed);
    // The rest of the window is drawn as without the module: the quick-link
    // list's pale blue below its rows, the help link on the header's blue.
    EXPECT_TRUE(WaitFor([&] {
        SkinTest::Pixels window = SkinTest::CaptureClient(frame);
        COLORREF help = window.Pixel(client.right - 12, 30);
        return window.Pixel(150, 400) == RGB(244, 245, 252) && GetBValue(help) > GetRValue(help) + 60;
    }));
    SkinTest::SaveWindowShot(frame, Env(L"QV_E2E_ARTEFACTS") + L"\\notelet-bar.png", true);

    std::vector<CLocalHttpServer::Request> requests = server.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("GET /update/msg.xml", requests[0].method + " " + requests[0].target);
    EXPECT_EQ(ToUtf8(Env(L"QV_E2E_WEB_HOST").c_str()).GetString(), requests[0].Header("Host"));
    ASSERT_TRUE(CloseProgram());
    CString interval;
    EXPECT_EQ(body, StoredFeed(&interval));
    EXPECT_EQ(CString(L"3600"), interval);

    // With the host gone, the title comes from the cache.
    server.Stop();
    bar = StartAndFindBar();
    EXPECT_TRUE(WaitFor([&] { return Shows(bar, L"来自网站的第一条消息"); }));
    ASSERT_TRUE(CloseProgram());

    // A cache younger than its interval (3600 s, from the feed) is not
    // fetched again; an older one is shown first, then replaced.
    ASSERT_TRUE(server.Start(80));
    Serve(Feed("新下载的一条长一些的标题"), release);
    for (long long age : {60, 7200}) {
        StoreFeed(body, age);
        bar = StartAndFindBar();
        EXPECT_TRUE(WaitFor([&] { return Shows(bar, L"来自网站的第一条消息"); })) << age;
        if (age > 3600) {
            EXPECT_TRUE(WaitFor([&] { return server.Requests().size() == 2; }));
            SetEvent(release);
            EXPECT_TRUE(WaitFor([&] { return Shows(bar, L"新下载的一条长一些的标题"); }));
        }
        ASSERT_TRUE(CloseProgram());
        EXPECT_EQ(age > 3600 ? 2u : 1u, server.Requests().size()) << age;
    }
}

TEST_F(NoteletE2E, AClickOpensOnlyWebAddresses)
{
    // The shell opens these schemes with a command that logs the address,
    // and a file: address would run a batch file that leaves a marker.
    const std::wstring folder = Env(L"QV_E2E_ARTEFACTS");
    const std::wstring log = folder + L"\\opened.txt", marker = folder + L"\\ran.txt",
                       batch = folder + L"\\a.bat";
    DeleteFileW(log.c_str());
    DeleteFileW(marker.c_str());
    const std::wstring command = L"cmd.exe /c echo %1>>\"" + log + L"\"";
    for (const wchar_t* scheme : {L"http", L"https", L"javascript"}) {
        std::wstring key = std::wstring(L"Software\\Classes\\") + scheme + L"\\shell\\open\\command";
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, REG_SZ, command.c_str(),
                                  static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))));
    }
    if (FILE* file = _wfopen(batch.c_str(), L"wb")) {
        fprintf(file, "echo ran>\"%s\"\r\n", ToUtf8(marker.c_str()).GetString());
        fclose(file);
    }
    std::string fileUrl = "file:///" + std::string(ToUtf8(batch.c_str()).GetString());
    std::replace(fileUrl.begin(), fileUrl.end(), '\\', '/');
    auto opened = [&] { return FileText(log); };

    // The web address comes last: once it is in the log, the clicks before
    // it have had their chance.
    const struct {
        const char* title;
        std::string url;
    } clicks[] = {{"脚本地址", "javascript:alert(1)"},
                  {"文件地址啊", fileUrl},
                  {"网页地址呀呀", "http://www.velmora.net/news"}};
    for (const auto& click : clicks) {
        StoreFeed(Feed(click.title, click.url), 0);
        HWND bar = StartAndFindBar();
        ASSERT_TRUE(WaitFor([&] { return Shows(bar, FromUtf8(click.title)); })) << click.url;
        // Anywhere on the bar, not only over the title.
        SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(250, 11));
        ASSERT_TRUE(CloseProgram());
    }
    EXPECT_TRUE(WaitFor([&] { return opened().find("http://www.velmora.net/news") != std::string::npos; }))
        << opened();
    EXPECT_EQ(std::string::npos, opened().find("javascript")) << opened();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(marker.c_str()));
}

TEST_F(NoteletE2E, TheModuleStopsInTheMiddleOfADownloadAndWaitsAWhileForItsWorker)
{
    ASSERT_NO_FATAL_FAILURE(PrepareModuleInProbe());
    ASSERT_TRUE(module.Load());

    module.unInit(); // not started: nothing happens
    EXPECT_EQ(0, module.frameWndMsg(WM_SIZE, 0, 0));
    EXPECT_EQ(1, module.init(frame.m_hWnd));
    EXPECT_EQ(1, module.init(frame.m_hWnd)); // started already: still one bar
    HWND bar = Bar(frame.m_hWnd);
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(nullptr, FindWindowExW(frame.m_hWnd, bar, L"__WND_BASE_CHILD__", nullptr));
    // WM_SIZE places the bar again only while it is visible.
    ShowWindow(bar, SW_HIDE);
    MoveWindow(bar, 0, 0, 10, 10, FALSE);
    EXPECT_EQ(0, module.frameWndMsg(WM_SIZE, 0, 0));
    EXPECT_TRUE(CRect(0, 0, 10, 10) == ClientRect(bar));
    ShowWindow(bar, SW_SHOW);
    EXPECT_EQ(1, module.frameWndMsg(WM_SIZE, 0, 0));
    EXPECT_TRUE(CRect(0, 0, 300 - 8, 22) == ClientRect(bar));

    // The feed's download waits for an answer that comes only once the
    // module is stopping: the module waits for its worker, which has left,
    // so the library goes.
    ASSERT_TRUE(WaitFor([&] { return server.Requests().size() == 1; }));
    std::thread answerer([&] {
        while (IsWindow(bar))
            Sleep(5);
        SetEvent(release);
    });
    module.unInit();
    answerer.join();
    EXPECT_FALSE(IsWindow(bar));
    // The aborted download stored nothing, and the database is closed.
    EXPECT_EQ("<none>", StoredFeed());
    EXPECT_TRUE(DeleteFileW(DataFile(L"Notelet.db").c_str()));
    module.Free();
    EXPECT_TRUE(module.GoneAndFenced()) << "still loaded after its worker ended";

    // An answer that does not come while the module waits for its worker:
    // the module stops without it, well within the 600 ms that a restart
    // gives the whole program, and stays loaded under the worker until it
    // has left.
    ResetEvent(release);
    server.ClearRequests();
    ASSERT_TRUE(module.Load());
    EXPECT_EQ(1, module.init(frame.m_hWnd));
    ASSERT_TRUE(WaitFor([&] { return server.Requests().size() == 1; }));
    const DWORD start = GetTickCount();
    module.unInit();
    EXPECT_LT(GetTickCount() - start, 600u); // the workers get 300 ms
    module.Free();
    EXPECT_TRUE(module.Loaded()) << "freed under its worker";
    EXPECT_TRUE(DeleteFileW(DataFile(L"Notelet.db").c_str()));
    SetEvent(release);
    EXPECT_TRUE(module.GoneAndFenced()) << "still loaded after its worker left";
}

TEST_F(NoteletE2E, TheModuleIsFreedUnderNoThreadWhateverMomentItsWorkerLeaves)
{
    ASSERT_NO_FATAL_FAILURE(PrepareModuleInProbe());
    // The worker's answer comes this long after the stop began, closely
    // around the stop's 300 ms wait for it.  A crash ends the probe.
    int leftDuringTheStop = 0, leftAfterIt = 0;
    for (DWORD offset : {200u, 270u, 280u, 290u, 295u, 300u, 305u, 310u, 315u, 320u, 330u, 400u}) {
        ResetEvent(release);
        server.ClearRequests();
        ASSERT_TRUE(module.Load());
        ASSERT_EQ(1, module.init(frame.m_hWnd));
        HWND bar = Bar(frame.m_hWnd);
        ASSERT_TRUE(WaitFor([&] { return server.Requests().size() == 1; })) << offset;
        std::thread answerer([&] {
            while (IsWindow(bar))
                Sleep(1);
            Sleep(offset);
            SetEvent(release);
        });
        module.unInit();
        module.Free();
        const bool loaded = module.Loaded();
        if (WaitForSingleObject(release, 0) == WAIT_TIMEOUT) {
            ++leftAfterIt;
            EXPECT_TRUE(loaded) << offset << " ms: freed under its worker";
        } else {
            ++leftDuringTheStop;
        }
        answerer.join();
        EXPECT_TRUE(module.GoneAndFenced()) << offset << " ms: still loaded";
    }
    EXPECT_GT(leftDuringTheStop, 0);
    EXPECT_GT(leftAfterIt, 0);
    EXPECT_TRUE(DeleteFileW(DataFile(L"Notelet.db").c_str()));
}

TEST_F(NoteletE2E, AnExitWithEveryRequestStalledEndsWithinTheRestartsWait)
{
    // A web host that takes every request and never answers: the feed, then
    // the update check and the usage ping of the first online timer.
    CLocalHttpServer::Answer stalled;
    stalled.stall = true;
    for (const char* path : {"/update/msg.xml", "/update/update.xml", "/statistic/use.php"})
        server.SetAnswer(path, stalled);
    auto startStalled = [&](Probe::Program& started) {
        server.ClearRequests();
        EXPECT_TRUE(started.Start());
        HWND window = Probe::WaitForMainWindow();
        EXPECT_TRUE(WaitFor([&] { return server.Requests().size() == 1; }));
        PostMessageW(window, WM_TIMER, FirstOnlineTimerId, 0);
        EXPECT_TRUE(WaitFor([&] { return server.Requests().size() == 3; })) << server.Requests().size();
        return window;
    };

    // The single-instance mutex goes last; a restart waits 600 ms for it.
    HWND window = startStalled(program);
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(CSingleInstanceMutex::Exists());
    PostMessageW(window, WM_CLOSE, 0, 0);
    const DWORD start = GetTickCount();
    while (CSingleInstanceMutex::Exists() && GetTickCount() - start < 10000)
        Sleep(1);
    EXPECT_LT(GetTickCount() - start, 600u);
    ASSERT_TRUE(program.WaitExit(15000));

    // The restart's sequence: the new program starts with "-runas", then the
    // old one is closed; the new one takes over.
    window = startStalled(program);
    ASSERT_NE(nullptr, window);
    Probe::Program restarted;
    ASSERT_TRUE(restarted.Start(L"-runas"));
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.WaitExit(15000));
    EXPECT_TRUE(WaitFor([&] {
        DWORD owner = 0;
        GetWindowThreadProcessId(Probe::MainWindow(), &owner);
        return owner == GetProcessId(restarted.process.hProcess);
    })) << "the restarted program found the old one still there and ended";
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(restarted.process.hProcess, 0));
    program.process = restarted.process; // closed by the fixture
    restarted.process = {};
}
