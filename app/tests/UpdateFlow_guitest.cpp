// The online timers and the update flow end to end: timer 100 posts the
// update check and the statistics task; an update check against the local
// server downloads a stand-in setup program, the main frame asks, and Yes
// runs it, held against change from the check to the start.
#include "app/OnlineSchedule.h"
#include "app/QuorventileApp.h"
#include "online/StatisticsReportTask.h"
#include "online/tests/UpdateTestSite.h"
#include "skin/CSkinRes.h"
#include "skin/tests/GuiTestHelpers.h"

#include <ctime>
#include <functional>

using namespace OnlineTest;

namespace
{
using SkinControl::CThreadPool;

// Keeps the tasks that the timers post instead of running them.
class RecordingFrame : public CMainFrame
{
public:
    void PostOnlineTask(CThreadPool::CWorkItem* task) override { tasks.emplace_back(task); }
    std::vector<std::unique_ptr<CThreadPool::CWorkItem>> tasks;
};

std::function<void(HWND)> g_onBox;
bool g_boxSeen = false;

BOOL CALLBACK TakeDialog(HWND hwnd, LPARAM found)
{
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    if (wcscmp(name, L"#32770") != 0 || !IsWindowVisible(hwnd))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

void CALLBACK AnswerBox(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), TakeDialog, reinterpret_cast<LPARAM>(&box));
    if (!box || g_boxSeen)
        return;
    g_boxSeen = true;
    g_onBox(box);
}

class UpdateFlow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetConfigInt(L"AutoRun", 0);
        SetConfigString(L"HotkeyMainWindow", L"CTRL + ALT + 8");
        SkinControl::CSkinRes::SetSkinFolder((ExeFolder() + L"\\..\\Skin").c_str());
        ASSERT_EQ(1, PreloadSkin());
        ASSERT_TRUE(frame.Create(CRect(40, 40, 340, 600)));
        g_boxSeen = false;
    }
    void TearDown() override
    {
        frame.DestroyWindow();
        SkinControl::CSkinRes::Global().FreeAll();
    }

    // Pumps messages, answering the box with `onBox`, until `done` or 20 s.
    bool PumpUntil(std::function<bool()> done, std::function<void(HWND)> onBox)
    {
        g_onBox = std::move(onBox);
        UINT_PTR timer = SetTimer(nullptr, 0, 20, AnswerBox);
        DWORD start = GetTickCount();
        while (!done() && GetTickCount() - start < 20000)
            SkinTest::PumpMessages(20);
        KillTimer(nullptr, timer);
        return done();
    }

    UpdateTestSite site;
    RecordingFrame frame;
    const std::string standIn = ReadFileBytes(ExeFolder() + L"\\app_setup_standin.exe");
};
} // namespace

TEST_F(UpdateFlow, TimersPostTheUpdateCheckAndTheStatistics)
{
    frame.SendMessage(WM_TIMER, FirstOnlineTimerId);
    ASSERT_EQ(frame.tasks.size(), 2u);
    EXPECT_NE(dynamic_cast<CUpdate::CUpdateInfoDownload*>(frame.tasks[0].get()), nullptr);
    EXPECT_NE(dynamic_cast<CStatisticsReportTask*>(frame.tasks[1].get()), nullptr);

    // Hourly: only when the last report is more than a day away.
    SetLastStatisticsTime(static_cast<long long>(time(nullptr)) - 3600);
    frame.SendMessage(WM_TIMER, HourlyOnlineTimerId);
    EXPECT_EQ(frame.tasks.size(), 2u);
    SetLastStatisticsTime(static_cast<long long>(time(nullptr)) - 90000);
    frame.SendMessage(WM_TIMER, HourlyOnlineTimerId);
    ASSERT_EQ(frame.tasks.size(), 3u);
    EXPECT_NE(dynamic_cast<CStatisticsReportTask*>(frame.tasks[2].get()), nullptr);
}

TEST_F(UpdateFlow, YesRunsTheVerifiedSetupWhileNothingCanChangeIt)
{
    ASSERT_FALSE(standIn.empty());
    site.Advertise("9.9.9.9", standIn, "9.9.9.9", "module");
    CUpdate::CUpdateInfoDownload(frame.m_hWnd, CString(), site.server.Host()).Run();
    const std::wstring marker = (GetSetupFilePath() + L".ran").GetString();

    bool writable = true;
    EXPECT_TRUE(PumpUntil([&] { return Exists(marker); },
                          [&](HWND box) {
                              HANDLE file = CreateFileW(GetSetupFilePath(), GENERIC_WRITE, FILE_SHARE_READ,
                                                        nullptr, OPEN_EXISTING, 0, nullptr);
                              writable = file != INVALID_HANDLE_VALUE;
                              if (writable)
                                  CloseHandle(file);
                              HWND yes = GetDlgItem(box, 2049);
                              SendMessageW(yes, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
                              SendMessageW(yes, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
                          }));
    EXPECT_FALSE(writable);
}

TEST_F(UpdateFlow, ASetupChangedAfterTheCheckIsNeitherOfferedNorRun)
{
    site.Advertise("9.9.9.9", standIn, "9.9.9.9", "module");
    CUpdate::CUpdateInfoDownload(frame.m_hWnd, CString(), site.server.Host()).Run();
    WriteFileBytes(GetSetupFilePath().GetString(), standIn + "appended");
    // The posted WM_UPDATE_READY is handled while the queue drains; a box
    // would be shown (and closed by the timer) inside that.
    g_onBox = [](HWND box) { PostMessageW(box, WM_CLOSE, 0, 0); };
    UINT_PTR timer = SetTimer(nullptr, 0, 20, AnswerBox);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    KillTimer(nullptr, timer);
    EXPECT_FALSE(g_boxSeen);
    EXPECT_FALSE(Exists((GetSetupFilePath() + L".ran").GetString()));
}
