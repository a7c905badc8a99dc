#include "online/StatisticsReportTask.h"

#include "core/tests/TempDataFolder.h"
#include "online/tests/LocalHttpServer.h"
#include "online/tests/OnlineTestFiles.h"

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <new>
#include <regex>

using namespace OnlineTest;

// The largest block one thread asks for while it is watched; on the failing
// thread every request fails.
namespace
{
std::atomic<DWORD> g_watchedThread{0};
std::atomic<size_t> g_largestBlock{0};
std::atomic<DWORD> g_failingThread{0};
} // namespace

void* operator new(size_t size)
{
    if (g_watchedThread == GetCurrentThreadId() && size > g_largestBlock)
        g_largestBlock = size;
    if (g_failingThread == GetCurrentThreadId())
        throw std::bad_alloc();
    if (void* block = malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

namespace
{
const char kLog[] = "Unhandled exception 0xC0000005 at 0x1234\r\n"
                    "Access violation in module 'C:\\Program Files\\Quorventile\\Faulty.dll'\r\n"
                    "Stack:\r\n";

std::wstring Environment(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length < MAX_PATH ? value : L"";
}

class StatisticsReport : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(OpenAppDatabase(), 1);
        ASSERT_TRUE(server.Start());
        logPath = data.folder.GetString() + std::wstring(L"\\ErrorLog.txt");
        // A temporary folder of this test's own, so that the count of
        // temporary files sees no other program's.
        SetEnvironmentVariableW(L"TMP", (temp.Path() + L"\\").c_str());
    }
    void TearDown() override { SetEnvironmentVariableW(L"TMP", savedTmp.empty() ? nullptr : savedTmp.c_str()); }

    void Answer(const char* path, int status, const std::string& body)
    {
        CLocalHttpServer::Answer answer;
        answer.status = status;
        answer.body = body;
        server.SetAnswer(path, answer);
    }

    void RunTask()
    {
        CStatisticsReportTask task(L"0123456789abcdef0123456789abcdef0a", server.Host());
        task.Run();
    }

    static size_t TempFileCount()
    {
        wchar_t folder[MAX_PATH];
        GetTempPathW(MAX_PATH, folder);
        size_t count = 0;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((std::wstring(folder) + L"*.tmp").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                ++count;
            while (FindNextFileW(search, &found));
            FindClose(search);
        }
        return count;
    }

    TempDataFolder data;
    CLocalHttpServer server;
    std::wstring logPath;
    TempFolder temp;
    std::wstring savedTmp = Environment(L"TMP");
};
} // namespace

TEST_F(StatisticsReport, PingCarriesEncodedValuesAndOkStampsTheTime)
{
    struct {
        int status;
        std::string reply;
        bool stamped;
    } cases[] = {{200, "ok", true},
                 {200, " ok\r\n", true},
                 {200, std::string("ok\0", 3), false},
                 {200, "no", false},
                 {404, "ok", false}};
    for (const auto& c : cases) {
        SetLastStatisticsTime(0);
        server.ClearRequests();
        Answer("/statistic/use.php", c.status, c.reply);
        RunTask();
        auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 1u) << c.reply; // no log, no upload
        EXPECT_EQ(requests[0].method, "POST");
        EXPECT_EQ(requests[0].body, "");
        EXPECT_NEAR(static_cast<double>(GetLastStatisticsTime()),
                    c.stamped ? static_cast<double>(time(nullptr)) : 0.0, 5)
            << c.reply;
        // The query: the client id, no version (this exe has none), and the
        // Windows version (as "6.1.7601 Service Pack 1") with its blanks
        // percent-encoded.
        EXPECT_TRUE(std::regex_match(
            requests[0].target, std::regex(R"(/statistic/use\.php\?cid=0123456789abcdef0123456789abcdef0a)"
                                           R"(&ver=&osver=\d+\.\d+\.\d+%20[\w%]*)")))
            << requests[0].target;
    }
}

TEST_F(StatisticsReport, UploadsTheZippedLogAndDeletesItOnlyAfterExactlyOk)
{
    struct {
        int status;
        std::string reply;
        size_t missing; // bytes announced but never sent
        bool deleted;
    } cases[] = {{200, "ok\r\n", 0, false},
                 {200, "", 0, false},
                 {200, std::string("ok\0x", 4), 0, false},
                 {500, "ok", 0, false},
                 {200, "ok", 3, false},
                 {200, "ok", 0, true}};
    const size_t tempFiles = TempFileCount();
    for (const auto& c : cases) {
        WriteFileBytes(logPath, kLog);
        server.ClearRequests();
        CLocalHttpServer::Answer answer;
        answer.status = c.status;
        answer.body = c.reply;
        answer.missingBytes = c.missing;
        server.SetAnswer("/statistic/errorlog.php", answer);
        RunTask();
        EXPECT_EQ(Exists(logPath), !c.deleted) << c.reply;
        auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 2u);
        const auto& upload = requests[1];
        EXPECT_EQ(upload.method, "POST");
        EXPECT_EQ(upload.target, "/statistic/errorlog.php");
        EXPECT_TRUE(upload.HeadersStartWith(
            {"Accept: */*", "User-Agent: Mozilla/4.0 (compatible; MSIE 5.01; Windows NT 5.0)",
             "Content-Type: multipart/form-data; boundary=---------------------------7da34824280404",
             "Connection: Keep-Alive"}))
            << upload.raw.substr(0, upload.raw.find("\r\n\r\n"));
        // For check_artefacts.py, which parses it with Python's email parser.
        WriteFileBytes(Artefact(L"upload.request"), upload.raw);
        WriteFileBytes(Artefact(L"upload.log"), kLog);
    }
    // The temporary archives are gone.
    EXPECT_EQ(TempFileCount(), tempFiles);
}

TEST_F(StatisticsReport, ReadsOnlyWhatTheLogHolds)
{
    // A short log, and one of 1 MiB with the module's line at its end.
    std::string large = PseudoRandomBytes(1 << 20, 6);
    for (char& c : large)
        c = static_cast<char>('a' + static_cast<unsigned char>(c) % 26);
    large.replace(large.size() - sizeof(kLog) + 1, sizeof(kLog) - 1, kLog);
    Answer("/statistic/errorlog.php", 200, "ok");
    for (const std::string& log : {std::string(kLog), large}) {
        WriteFileBytes(logPath, log);
        server.ClearRequests();
        g_largestBlock = 0;
        g_watchedThread = GetCurrentThreadId();
        RunTask();
        g_watchedThread = 0;
        EXPECT_LT(g_largestBlock, 4u << 20) << log.size();
        auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_NE(requests[1].body.find("name=\"errinfo\"\r\n\r\nFaulty.dll\r\n"), std::string::npos)
            << log.size();
        EXPECT_FALSE(Exists(logPath));
    }
}

TEST_F(StatisticsReport, ASlowUploadEndsWithinItsBoundAndKeepsTheLog)
{
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    server.SetAnswer("/statistic/errorlog.php", CLocalHttpServer::Answer::HeldUntil(release, "ok"));
    Answer("/statistic/use.php", 200, "ok");
    WriteFileBytes(logPath, kLog);
    CStatisticsReportTask task(L"0123456789abcdef0123456789abcdef0a", server.Host());
    // Well under the 30 s default wait, which would end the upload as well.
    task.timeouts = {1000, 1000};
    const DWORD start = GetTickCount();
    task.Run();
    const DWORD elapsed = GetTickCount() - start;
    SetEvent(release);
    EXPECT_GE(elapsed, 900u);
    EXPECT_LT(elapsed, 10000u);
    EXPECT_EQ(server.Requests().size(), 2u);
    EXPECT_TRUE(Exists(logPath));
    CloseHandle(release);
}

TEST_F(StatisticsReport, RepliesOverOneKibibyteFailWithoutBeingCopied)
{
    const std::string large = "ok" + std::string(1 << 20, ' ');
    Answer("/statistic/use.php", 200, large);
    Answer("/statistic/errorlog.php", 200, large);
    WriteFileBytes(logPath, kLog);
    SetLastStatisticsTime(0);
    g_largestBlock = 0;
    g_watchedThread = GetCurrentThreadId();
    RunTask();
    g_watchedThread = 0;
    EXPECT_LT(g_largestBlock, large.size()); // the reply is never copied
    EXPECT_EQ(GetLastStatisticsTime(), 0);
    EXPECT_TRUE(Exists(logPath));
    EXPECT_EQ(server.Requests().size(), 2u);
}

namespace
{
class PingReply : public CStatisticsReportTask
{
public:
    PingReply() : CStatisticsReportTask(L"0a") {}
    using CStatisticsReportTask::OnData;
};
} // namespace

TEST_F(StatisticsReport, AReplyWithoutMemoryToHoldItStampsNothing)
{
    SetLastStatisticsTime(0);
    PingReply task;
    const std::string reply = "ok" + std::string(100, ' ');
    bool thrown = false;
    g_failingThread = GetCurrentThreadId();
    try {
        task.OnData(reply.data(), static_cast<int>(reply.size()), 0);
    } catch (...) {
        thrown = true;
    }
    g_failingThread = 0;
    EXPECT_FALSE(thrown);
    EXPECT_EQ(GetLastStatisticsTime(), 0);
}

TEST(ErrorInfoFromLog, TakesTheModuleFileNameLessTheLinesLastCharacter)
{
    struct {
        const char* log;
        const char* info;
    } cases[] = {
        {"x in module 'C:\\dir\\Faulty.dll'\r\nnext", "Faulty.dll"},
        {"x in module C:\\dir\\Faulty.dll\nnext", "Faulty.dl"},
        {"x in module Faulty.dll\r\n", " Faulty.dl"},
        {"x in module 'C:\\dir\\Faulty.dll'", ""},
        {"no marker\r\n", ""},
        {"in module\r\n", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorInfoFromLog(c.log), c.info) << c.log;
}

TEST(EncodeQueryValue, EncodesAllButUnreservedCharactersAsUtf8)
{
    EXPECT_EQ(EncodeQueryValue(L"6.1.7601 Service Pack 1"), L"6.1.7601%20Service%20Pack%201");
    EXPECT_EQ(EncodeQueryValue(L"未知"), L"%E6%9C%AA%E7%9F%A5");
    EXPECT_EQ(EncodeQueryValue(L"aZ09-._~&=?+/"), L"aZ09-._~%26%3D%3F%2B%2F");
}
