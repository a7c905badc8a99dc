// The binding of the message module, with stand-in modules that log their
// calls: where the module is loaded from, that the frame hands it every
// message after handling it, the swap on 0x1401, and that the module is
// stopped before it is freed.
#include "app/NoteletBinding.h"
#include "app/QuorventileApp.h"
#include "core/AppDatabase.h"
#include "core/AppPaths.h"
#include "online/Sha1Hash.h"
#include "skin/CSkinRes.h"
#include "skin/tests/GuiTestHelpers.h"

#include <sstream>

using SkinTest::PumpMessages;

namespace
{
class NoteletBindingTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        SkinControl::CSkinRes::SetSkinFolder(SkinTest::ArtefactPath(L"..\\Skin").c_str());
        ASSERT_EQ(1, PreloadSkin());
    }
    static void TearDownTestSuite()
    {
        if (shared) {
            shared->DestroyWindow();
            delete shared;
            shared = nullptr;
        }
        SkinControl::CSkinRes::Global().FreeAll();
    }

    void SetUp() override
    {
        program = folder.File(L"program");
        update = folder.File(L"update");
        CreateDirectoryW(program.c_str(), nullptr);
        CreateDirectoryW(update.c_str(), nullptr);
        AppPaths.programFolder = program.c_str();
        AppPaths.updateFolder = update.c_str();
        SetAppDatabasePath(folder.File(L"AppData.db").c_str());
        ASSERT_EQ(1, OpenAppDatabase());
        SetConfigInt(L"AutoRun", 0);
        SetConfigString(L"HotkeyMainWindow", L"CTRL + ALT + 8");
        SetEnvironmentVariableW(L"QV_NOTELET_LOG", folder.File(L"calls.log").c_str());
        SharedFrame();
    }
    void TearDown() override
    {
        if (frame.m_hWnd)
            frame.DestroyWindow();
        UnloadNoteletModule();
        SetEnvironmentVariableW(L"QV_NOTELET_LOG", nullptr);
        CloseAppDatabase();
    }

    static void Install(const wchar_t* standIn, const std::wstring& target)
    {
        ASSERT_TRUE(CopyFileW(SkinTest::ArtefactPath(standIn).c_str(), target.c_str(), FALSE));
    }
    // The digest the update check verified the downloaded module against.
    static void SetVerifiedDigest(const wchar_t* standIn)
    {
        CString digest;
        ASSERT_TRUE(CSha1Hash::FileDigest(SkinTest::ArtefactPath(standIn).c_str(), digest));
        SetConfigString(L"UpdateNoteletNetFileSha1", digest);
    }
    // The calls so far, one line each.
    std::vector<std::wstring> Calls()
    {
        std::wstring text(4096, L'\0');
        if (FILE* log = _wfopen(folder.File(L"calls.log").c_str(), L"rb")) {
            text.resize(fread(&text[0], sizeof(wchar_t), text.size(), log));
            fclose(log);
        } else {
            text.clear();
        }
        std::vector<std::wstring> calls;
        std::wistringstream lines(text);
        for (std::wstring line; std::getline(lines, line);)
            calls.push_back(line);
        return calls;
    }
    // The program folder's module bound to the shared frame, and a
    // downloaded one waiting in the update folder, verified as `standIn`.
    CMainFrame& StartWithDownloadVerifiedAs(const wchar_t* standIn)
    {
        Install(L"NoteletStandIn.dll", program + L"\\Notelet.dll");
        Install(L"NoteletStandIn.dll", update + L"\\NoteletNew.dll");
        SetVerifiedDigest(standIn);
        CMainFrame& bound = SharedFrame();
        LoadNoteletModule(bound.m_hWnd);
        return bound;
    }
    bool CreateFrame() { return frame.Create(CRect(60, 60, 360, 620)) != FALSE; }
    // One frame for the tests that need no creation or destruction of their
    // own: under Wine without a window manager each destruction of a shown
    // window waits two seconds.  Made when no module is there to bind.
    static CMainFrame& SharedFrame()
    {
        if (!shared) {
            shared = new CMainFrame;
            EXPECT_TRUE(shared->Create(CRect(60, 60, 360, 620)));
        }
        return *shared;
    }

    SkinTest::TempFolder folder;
    std::wstring program, update;
    CMainFrame frame;
    static CMainFrame* shared;
};
CMainFrame* NoteletBindingTest::shared = nullptr;

using CallList = std::vector<std::wstring>;

} // namespace

TEST_F(NoteletBindingTest, HooksEveryMessageAfterTheFrameAndStopsTheModuleBeforeFreeingIt)
{
    Install(L"NoteletStandIn.dll", program + L"\\Notelet.dll");
    ASSERT_TRUE(CreateFrame());
    EXPECT_EQ((CallList{L"program\\Notelet.dll attach", L"program\\Notelet.dll init"}), Calls());
    EXPECT_EQ(program + L"\\Notelet.dll", NoteletBinding.path);

    frame.SetWindowText(L"改过的标题");
    frame.SendMessage(WM_APP + 7);
    frame.DestroyWindow();
    EXPECT_EQ((CallList{L"program\\Notelet.dll attach", L"program\\Notelet.dll init",
                        L"program\\Notelet.dll settext 改过的标题", L"program\\Notelet.dll message 8007",
                        L"program\\Notelet.dll uninit", L"program\\Notelet.dll detach"}),
              Calls());
    EXPECT_EQ(nullptr, NoteletBinding.module);
    EXPECT_EQ(nullptr, NoteletBinding.frameWndMsg);
}

TEST_F(NoteletBindingTest, EachUpdateMessageSwapsInTheVerifiedDownload)
{
    CMainFrame& frame = StartWithDownloadVerifiedAs(L"NoteletStandIn.dll");
    frame.SendMessage(0x1401);
    frame.SendMessage(0x1401);
    EXPECT_EQ((CallList{L"program\\Notelet.dll attach", L"program\\Notelet.dll init",
                        L"program\\Notelet.dll uninit", L"program\\Notelet.dll detach",
                        L"update\\Notelet.dll attach", L"update\\Notelet.dll init",
                        L"update\\Notelet.dll message 1401", L"update\\Notelet.dll uninit",
                        L"update\\Notelet.dll detach", L"update\\Notelet.dll attach",
                        L"update\\Notelet.dll init", L"update\\Notelet.dll message 1401"}),
              Calls());
    EXPECT_EQ(CString((update + L"\\Notelet.dll").c_str()), GetConfigString(L"NoteletDllPath", L""));
    EXPECT_EQ(update + L"\\Notelet.dll", NoteletBinding.path);
    EXPECT_EQ(GetFileAttributesW((update + L"\\NoteletNew.dll").c_str()) != INVALID_FILE_ATTRIBUTES, true);
}

TEST_F(NoteletBindingTest, AnUnverifiedDownloadIsNotSwappedIn)
{
    CMainFrame& frame = StartWithDownloadVerifiedAs(L"NoteletStandInNoHook.dll");
    frame.SendMessage(0x1401);
    EXPECT_EQ((CallList{L"program\\Notelet.dll attach", L"program\\Notelet.dll init",
                        L"program\\Notelet.dll message 1401"}),
              Calls());
    EXPECT_EQ(CString(), GetConfigString(L"NoteletDllPath", L""));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((update + L"\\Notelet.dll").c_str()));
}

TEST_F(NoteletBindingTest, LoadsTheSettingsModuleFirstThenTheProgramFolders)
{
    const struct {
        const wchar_t* setting;  // under the update folder; null: no setting
        const wchar_t* verified; // the stand-in whose digest update.xml advertises now
        const wchar_t* loaded;   // "program" or "update"
    } cases[] = {
        {L"\\Notelet.dll", L"NoteletStandIn.dll", L"update"},
        {L"\\Notelet.dll", L"NoteletStandInNoHook.dll", L"update"}, // a newer module is advertised
        {L"\\Missing.dll", L"NoteletStandIn.dll", L"program"},
        {nullptr, L"NoteletStandIn.dll", L"program"},
    };
    Install(L"NoteletStandIn.dll", program + L"\\Notelet.dll");
    Install(L"NoteletStandIn.dll", update + L"\\Notelet.dll");
    for (const auto& c : cases) {
        SetConfigString(L"NoteletDllPath", c.setting ? (update + c.setting).c_str() : L"");
        SetVerifiedDigest(c.verified);
        LoadNoteletModule(SharedFrame().m_hWnd);
        const bool fromUpdate = std::wstring(c.loaded) == L"update";
        EXPECT_EQ((fromUpdate ? update : program) + L"\\Notelet.dll", NoteletBinding.path)
            << (c.setting ? c.setting : L"none") << " " << c.verified;
        UnloadNoteletModule();
    }
}

TEST_F(NoteletBindingTest, AModuleWithoutTheFrameHookIsFreedAtOnceAndTheFrameRunsWithoutIt)
{
    Install(L"NoteletStandInNoHook.dll", program + L"\\Notelet.dll");
    CMainFrame& frame = SharedFrame();
    LoadNoteletModule(frame.m_hWnd);
    EXPECT_EQ((CallList{L"program\\Notelet.dll attach", L"program\\Notelet.dll detach"}), Calls());
    EXPECT_EQ(nullptr, NoteletBinding.module);
    EXPECT_EQ(0, NoteletBinding.path[0]);
    frame.SendMessage(WM_APP + 7);
    PumpMessages(20);
    EXPECT_TRUE(IsWindow(frame.m_hWnd));
}
