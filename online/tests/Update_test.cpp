#include "online/Update.h"

#include "online/tests/UpdateTestSite.h"

#include <ctime>

using namespace OnlineTest;

namespace
{
using Targets = std::vector<std::string>;

// An update check whose clock the test sets.
class ClockedCheck : public CUpdate::CUpdateInfoDownload
{
public:
    using CUpdateInfoDownload::CUpdateInfoDownload;
    long long now = 0; // 0: the real clock

protected:
    long long Now() const override { return now ? now : CUpdateInfoDownload::Now(); }
};

const std::string kSetup = "MZ stand-in setup " + PseudoRandomBytes(30000, 1);
const std::string kModule = "MZ stand-in module " + PseudoRandomBytes(20000, 2);

class UpdateCheck : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window = CreateWindowExW(0, L"STATIC", L"main frame", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                 nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override { DestroyWindow(window); }

    // Runs one check as the pool would, with this exe as the loaded module
    // (it has version 1.2.3.4, like the "running program").
    std::vector<UINT> RunCheck(const CString& loadedModule = CString(), long long now = 0)
    {
        ClockedCheck item(window, loadedModule, site.server.Host());
        item.now = now;
        item.Run();
        std::vector<UINT> posted;
        MSG message;
        while (PeekMessageW(&message, window, 0, 0, PM_REMOVE))
            posted.push_back(message.message);
        return posted;
    }

    static CString ThisExe()
    {
        wchar_t path[MAX_PATH];
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        return path;
    }

    UpdateTestSite site;
    HWND window = nullptr;
};

const std::vector<UINT> kBoth = {WM_UPDATE_READY, WM_NOTELET_UPDATED};
} // namespace

TEST_F(UpdateCheck, FetchesInfoThenVerifiedFilesAndTellsTheMainFrame)
{
    site.Advertise("2.0.0.1", kSetup, "2.0.0.7", kModule);
    EXPECT_EQ(RunCheck(ThisExe()), kBoth);
    EXPECT_EQ(site.TakeRequests(),
              (Targets{"/update/update.xml", "/files/QuorventileSetup.exe", "/files/notelet.zip"}));
    EXPECT_EQ(ReadFileBytes(GetSetupFilePath().GetString()), kSetup);
    EXPECT_EQ(ReadFileBytes(GetNewNoteletDllPath().GetString()), kModule);
    EXPECT_TRUE(Exists((GetNewNoteletDllPath() + L".zip").GetString()));
    EXPECT_EQ(GetConfigString(L"UpdateNetVersion", L""), L"2.0.0.1");
    EXPECT_EQ(GetConfigString(L"UpdateNoteletNetVersion", L""), L"2.0.0.7");
    EXPECT_EQ(GetConfigString(L"UpdateNetFileSha1", L""), FromUtf8(UpdateTestSite::Sha1Of(kSetup).c_str()));
    EXPECT_EQ(GetConfigInt(L"UpdateGetInfoDuration", 0), 3600);
    EXPECT_NEAR(GetConfigInt(L"LastGetUpdateInfoTime", 0), static_cast<double>(time(nullptr)), 5);

    // The next start: nothing to fetch, the same news again.
    EXPECT_EQ(RunCheck(ThisExe()), kBoth);
    EXPECT_EQ(site.TakeRequests(), Targets{});
}

TEST_F(UpdateCheck, AsksForUpdateXmlOnlyWhenTheIntervalHasRunOut)
{
    // Now is 1700000000; the interval is the default two days.
    struct {
        const wchar_t* last;
        bool fetched;
    } cases[] = {{L"", true}, {L"1700001000", false}, {L"1699827200", false}, {L"1699827199", true}};
    for (const auto& c : cases) {
        SetConfigString(L"LastGetUpdateInfoTime", c.last);
        RunCheck(CString(), 1700000000);
        EXPECT_EQ(site.TakeRequests(), c.fetched ? Targets{"/update/update.xml"} : Targets{}) << c.last;
    }
}

TEST_F(UpdateCheck, StoresTheIntervalOnlyWhenTheDocumentHasOne)
{
    struct {
        const char* document;
        int interval;
        bool stamped;
    } cases[] = {
        {"<root dur=\"7200\"/>", 7200, true},   {"\xEF\xBB\xBF<root dur=\"7100\"/>", 7100, true},
        {"<root dur=\"0\"/>", 5000, true},
        {"<root dur=\"-9\"/>", 5000, true},     {"<root dur=\"soon\"/>", 5000, true},
        {"<other dur=\"7200\"/>", 5000, false}, {"<root dur=\"7200\">", 5000, false}, // cut short
    };
    for (const auto& c : cases) {
        SetConfigInt(L"UpdateGetInfoDuration", 5000);
        SetConfigString(L"LastGetUpdateInfoTime", L"");
        site.Serve("/update/update.xml", c.document);
        RunCheck();
        EXPECT_EQ(GetConfigInt(L"UpdateGetInfoDuration", 0), c.interval) << c.document;
        EXPECT_EQ(GetConfigInt(L"LastGetUpdateInfoTime", 0) != 0, c.stamped) << c.document;
    }
}

TEST_F(UpdateCheck, AnUpdateXmlOverItsCapIsAFailedCheck)
{
    // Over the cap first: nothing of it is stored, and the next start asks
    // again.  One byte less is taken whole.
    for (size_t size : {MaxUpdateInfoBytes + 1, MaxUpdateInfoBytes}) {
        std::string document = "<root dur=\"7200\"><app ver=\"2.0.0.1\"/>";
        const std::string end = "</root>";
        document += std::string(size - document.size() - end.size(), ' ') + end;
        ASSERT_EQ(document.size(), size);
        site.Serve("/update/update.xml", document);
        const bool taken = size <= MaxUpdateInfoBytes;
        EXPECT_EQ(RunCheck(), std::vector<UINT>{}) << size;
        EXPECT_EQ(site.TakeRequests(), Targets{"/update/update.xml"}) << size;
        EXPECT_EQ(GetConfigString(L"UpdateNetVersion", L""), CString(taken ? L"2.0.0.1" : L"")) << size;
        EXPECT_EQ(GetConfigInt(L"UpdateGetInfoDuration", 0), taken ? 7200 : 0) << size;
        EXPECT_EQ(GetConfigInt(L"LastGetUpdateInfoTime", 0) != 0, taken) << size;
    }
}

TEST_F(UpdateCheck, AnyVersionDifferenceFetches)
{
    struct {
        const char* version;
        bool fetched;
    } cases[] = {
        {"1.2.3.4", false}, {"65537.2.3.4", false}, {"1.2.3.5", true}, {"1.2.3.3", true}, {"1.2.3", true}};
    for (const auto& c : cases) {
        DeleteFileW(GetSetupFilePath());
        DeleteFileW(GetNewNoteletDllPath());
        site.Advertise(c.version, kSetup, c.version, kModule);
        SetConfigString(L"LastGetUpdateInfoTime", L"");
        EXPECT_EQ(RunCheck(ThisExe()), c.fetched ? kBoth : std::vector<UINT>{}) << c.version;
        Targets expected = {"/update/update.xml"};
        if (c.fetched)
            expected.insert(expected.end(), {"/files/QuorventileSetup.exe", "/files/notelet.zip"});
        EXPECT_EQ(site.TakeRequests(), expected) << c.version;
    }
}

TEST_F(UpdateCheck, AFileWithAnotherDigestIsFetchedAgainAndNotAnnounced)
{
    site.Advertise("2.0.0.1", kSetup, "2.0.0.1", kModule);
    site.Serve("/files/QuorventileSetup.exe", "tampered");
    site.Serve("/files/notelet.zip", site.ArchiveOf(L"Notelet.dll", "tampered"));
    EXPECT_EQ(RunCheck(), std::vector<UINT>{});
    site.Advertise("2.0.0.1", kSetup, "2.0.0.1", kModule);
    EXPECT_EQ(RunCheck(), kBoth);
    EXPECT_EQ(site.TakeRequests(),
              (Targets{"/update/update.xml", "/files/QuorventileSetup.exe", "/files/notelet.zip",
                       "/files/QuorventileSetup.exe", "/files/notelet.zip"}));
}

TEST_F(UpdateCheck, UnusableUrlsAndArchivesFetchOrExtractNothing)
{
    site.Advertise("2.0.0.1", kSetup, "2.0.0.1", kModule);
    RunCheck();
    site.TakeRequests();
    DeleteFileW(GetSetupFilePath());
    DeleteFileW(GetNewNoteletDllPath());
    for (const wchar_t* url :
         {L"https://127.0.0.1/files/QuorventileSetup.exe", L"ftp://host/x", L"http://hostonly"}) {
        SetConfigString(L"UpdateNetVersionURL", url);
        SetConfigString(L"UpdateNoteletNetVersionURL", url);
        EXPECT_EQ(RunCheck(), std::vector<UINT>{}) << url;
        EXPECT_EQ(site.TakeRequests(), Targets{}) << url;
        EXPECT_FALSE(Exists(GetSetupFilePath().GetString()));
    }
    // Only an entry named Notelet.dll (in any case) at the top counts.
    SetConfigString(L"UpdateNoteletNetVersionURL", FromUtf8(site.Url("/files/notelet.zip").c_str()));
    site.Serve("/files/notelet.zip", site.ArchiveOf(L"sub\\Notelet.dll", kModule));
    EXPECT_EQ(RunCheck(), std::vector<UINT>{});
    EXPECT_FALSE(Exists(GetNewNoteletDllPath().GetString()));
    site.Serve("/files/notelet.zip", site.ArchiveOf(L"NOTELET.DLL", kModule));
    EXPECT_EQ(RunCheck(), std::vector<UINT>{WM_NOTELET_UPDATED});
}

TEST_F(UpdateCheck, OnlyTheLastModuleEntryIsExtractedAndOnlyWhenItIsNotHuge)
{
    // The archive's last Notelet.dll is the module; the entries of that name
    // before it (a folder, another file) are not extracted at all: the
    // folder would be made in the current directory.
    const std::string module = ReadFileBytes(Fixture(L"Notelet.dll.expected"));
    site.Advertise("2.0.0.1", kSetup, "2.0.0.7", module);
    site.Serve("/files/notelet.zip", ReadFileBytes(Fixture(L"several.zip")));
    TempFolder current;
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    SetCurrentDirectoryW(current.Path().c_str());
    EXPECT_EQ(RunCheck(), kBoth);
    SetCurrentDirectoryW(saved);
    EXPECT_EQ(ReadFileBytes(GetNewNoteletDllPath().GetString()), module);
    EXPECT_FALSE(Exists(current.File(L"Notelet.dll")));

    // 65 MiB of zeros, declared honestly, is far more than any module.
    DeleteFileW(GetNewNoteletDllPath());
    site.Serve("/files/notelet.zip", ReadFileBytes(Fixture(L"honestbomb.zip")));
    EXPECT_EQ(RunCheck(), std::vector<UINT>{WM_UPDATE_READY});
    EXPECT_FALSE(Exists(GetNewNoteletDllPath().GetString()));
}

TEST_F(UpdateCheck, AReadOnlyModuleIsReplacedByTheNextOne)
{
    // An archive made on Unix without the owner-write bit gives a read-only
    // module; the next advertised module must still take its place.
    const std::string next = "MZ next module " + PseudoRandomBytes(5000, 4);
    site.Advertise("2.0.0.1", kSetup, "2.0.0.7", kModule);
    site.Serve("/files/notelet.zip", site.ArchiveOf(L"Notelet.dll", kModule, true));
    EXPECT_EQ(RunCheck(), kBoth);
    EXPECT_NE(GetFileAttributesW(GetNewNoteletDllPath()) & FILE_ATTRIBUTE_READONLY, 0u);
    site.Advertise("2.0.0.1", kSetup, "2.0.0.8", next);
    SetConfigString(L"LastGetUpdateInfoTime", L"");
    EXPECT_EQ(RunCheck(), kBoth);
    EXPECT_EQ(ReadFileBytes(GetNewNoteletDllPath().GetString()), next);
    SetFileAttributesW(GetNewNoteletDllPath(), FILE_ATTRIBUTE_NORMAL);
}

TEST(SplitUpdateUrl, TakesHostAndPathBehindHttp)
{
    struct {
        const wchar_t* url;
        bool split;
        const wchar_t* host;
        const wchar_t* path;
    } cases[] = {
        {L"HTTP://Host/Path/File.exe", true, L"Host", L"/Path/File.exe"},
        {L"http://host:8080/a?b=c", true, L"host:8080", L"/a?b=c"},
        {L"https://host/file.exe", false, L"old", L"/old"},
        {L"http://host", false, L"old", L"/old"},
    };
    for (const auto& c : cases) {
        CString host = L"old", path = L"/old";
        EXPECT_EQ(SplitUpdateUrl(c.url, host, path), c.split) << c.url;
        EXPECT_EQ(host, c.host);
        EXPECT_EQ(path, c.path);
    }
}
