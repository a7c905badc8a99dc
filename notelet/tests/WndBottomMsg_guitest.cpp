// The message bar in a window of this process: the version text, messages
// handed over from another thread, the rotation by each message's duration
// on a clock the test turns, the cursor, the addresses it opens, and what
// it looks like.
#include "notelet/WndBottomMsg.h"

#include "framework/TextConvert.h"
#include "skin/CSkinRes.h"
#include "skin/tests/GuiTestHelpers.h"

#include <thread>

using SkinTest::PumpMessages;

namespace
{

class TestBar : public CWndBottomMsg
{
public:
    long long now = 1000000;

    // The first tick after `seconds` more: true when it moved the bar on to
    // another title and asked for a repaint.
    bool TickAfter(long long seconds)
    {
        now += seconds;
        ValidateRect(m_hWnd, nullptr);
        SendMessage(WM_TIMER, RotateTimerId);
        return GetUpdateRect(m_hWnd, nullptr, FALSE) != FALSE;
    }

protected:
    long long Now() const override { return now; }
};

std::vector<std::unique_ptr<BottomMsgItem>> Messages(std::initializer_list<BottomMsgItem> items)
{
    std::vector<std::unique_ptr<BottomMsgItem>> list;
    for (const BottomMsgItem& item : items)
        list.push_back(std::make_unique<BottomMsgItem>(item));
    return list;
}

// Places the bar on each WM_SIZE, after its own handling, as the program's
// frame does through the module.
class PlacingFrame : public SkinTest::CheckerParent
{
public:
    CWndBottomMsg* bar = nullptr;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        LRESULT result = CheckerParent::WindowProc(message, wParam, lParam);
        if (message == WM_SIZE && bar && bar->m_hWnd)
            bar->PlaceInFrame();
        return result;
    }
};

int WhitePixels(const SkinTest::Pixels& pixels)
{
    int white = 0;
    for (int y = 0; y < pixels.Height(); ++y)
        for (int x = 0; x < pixels.Width(); ++x)
            white += pixels.Pixel(x, y) == RGB(255, 255, 255);
    return white;
}

class BottomMsgBar : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        static const wchar_t* const families[3] = {L"微软雅黑", L"宋体", L"Tahoma"};
        ASSERT_NE(nullptr, SkinControl::CSkinRes::AddFont(L"Font9", families, 9));
    }
    static void TearDownTestSuite() { SkinControl::CSkinRes::Global().FreeAll(); }

    void SetUp() override
    {
        ASSERT_TRUE(frame.Create(CRect(100, 100, 400, 300)));
        ASSERT_TRUE(bar.Create(frame.m_hWnd));
        ASSERT_TRUE(bar.PlaceInFrame());
        frame.bar = &bar;
        PumpMessages(20);
    }
    void TearDown() override { frame.bar = nullptr; }

    // Hands the messages over from a worker thread, as the feed download
    // does, and waits for the bar to take them up.
    void Deliver(std::vector<std::unique_ptr<BottomMsgItem>> messages)
    {
        const CString first = messages.front()->title;
        std::thread worker([&] { bar.SetMessages(std::move(messages)); });
        worker.join();
        PumpMessages(20);
        ASSERT_EQ(first, bar.GetShownText());
    }

    PlacingFrame frame;
    TestBar bar;
};

} // namespace

TEST_F(BottomMsgBar, RotatesOnTheFirstTickAfterEachMessagesDuration)
{
    // Without messages: the module's version, and no timer to stop.
    EXPECT_EQ(CString(L"版本：1.0.0.1000"), bar.GetShownText());
    EXPECT_FALSE(KillTimer(bar.m_hWnd, CWndBottomMsg::RotateTimerId));
    Deliver(Messages({{L"一", L"http://a/1", 5}, {L"二", L"http://a/2", 5}, {L"三", L"http://a/3", 5}}));
    const struct {
        long long seconds;
        bool changes;
        const wchar_t* shown;
    } ticks[] = {
        {0, false, L"一"},    {5, false, L"一"}, {1, true, L"二"},
        {6, true, L"三"},     {6, true, L"一"}, // after the last, the first again
        {-100, false, L"一"}, {6, true, L"二"}, // a clock set back restarts the title's time
    };
    for (const auto& tick : ticks) {
        EXPECT_EQ(tick.changes, bar.TickAfter(tick.seconds)) << tick.seconds;
        EXPECT_EQ(CString(tick.shown), bar.GetShownText()) << tick.seconds;
    }
    EXPECT_TRUE(KillTimer(bar.m_hWnd, CWndBottomMsg::RotateTimerId));
}

TEST_F(BottomMsgBar, OneMessageWithDurationZeroIsRepaintedEachSecondAndStays)
{
    Deliver(Messages({{L"唯一", L"http://a/", 0}}));
    EXPECT_FALSE(bar.TickAfter(0));
    for (int second = 0; second < 3; ++second) {
        EXPECT_TRUE(bar.TickAfter(1));
        EXPECT_EQ(CString(L"唯一"), bar.GetShownText());
    }
}

TEST_F(BottomMsgBar, TheHandShowsOnlyOverTheTitle)
{
    Deliver(Messages({{L"标题", L"http://a/", 5}}));
    bar.UpdateWindow();
    const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND), arrow = LoadCursorW(nullptr, IDC_ARROW);
    const struct {
        POINT client;
        HCURSOR cursor;
    } points[] = {{{10, 11}, hand}, {{280, 11}, arrow}, {{2, 11}, arrow}};
    for (const auto& point : points) {
        POINT screen = point.client;
        ClientToScreen(bar.m_hWnd, &screen);
        SetCursorPos(screen.x, screen.y);
        SendMessageW(bar.m_hWnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(bar.m_hWnd),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(point.cursor, GetCursor()) << point.client.x;
    }
}

TEST(OpenableWebUrl, OnlyPlainWebAddresses)
{
    const struct {
        const wchar_t* url;
        bool opened;
    } cases[] = {
        {L"http://www.velmora.net/news?id=1&x=%22", true},
        {L"HTTPS://www.velmora.net/新闻", true},
        {L"javascript:alert(1)", false},
        {L"file:///C:/windows/system32/cmd.exe", false},
        {L"C:\\windows\\system32\\cmd.exe", false},
        {L"\\\\server\\share\\run.exe", false},
        {L"mailto:a@b.c", false},
        {L" http://www.velmora.net/", false},
        {L"http://a/\" --new-window file:///c:/", false},
        {L"http://a/ b", false},
        {L"http://a/\tb", false},
        {L"http:", false},
        {L"", false},
        {nullptr, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.opened, IsOpenableWebUrl(c.url)) << (c.url ? ToUtf8(c.url).GetString() : "null");
}

TEST_F(BottomMsgBar, DrawsTheTitleInWhiteOverTheFramesBackground)
{
    Deliver(Messages({{L"新版本发布了 Velmora", L"http://a/", 5}}));
    bar.RedrawWindow();
    PumpMessages(50);
    SkinTest::SaveWindowShot(frame.m_hWnd, SkinTest::ArtefactPath(L"notelet_bar.png"));
    SkinTest::Pixels pixels = SkinTest::CaptureClient(bar.m_hWnd);
    // Where there is no text, the frame's checkerboard shows at the frame's
    // own coordinates.
    int white = 0, whiteBeyondTitle = 0;
    for (int y = 0; y < pixels.Height(); ++y) {
        for (int x = 0; x < pixels.Width(); ++x) {
            COLORREF pixel = pixels.Pixel(x, y);
            if (pixel == RGB(255, 255, 255))
                (x < 8 || x > 200 ? whiteBeyondTitle : white)++;
        }
    }
    EXPECT_GT(white, 20);
    EXPECT_EQ(0, whiteBeyondTitle);
    EXPECT_COLOR(SkinTest::CheckerColor(4 + 2, 174 + 2), pixels.Pixel(2, 2));
    EXPECT_COLOR(SkinTest::CheckerColor(4 + 280, 174 + 20), pixels.Pixel(280, 20));
}

TEST_F(BottomMsgBar, AnAmpersandInATitleIsDrawnAsWritten)
{
    // Where white text in Font9 ends: on the bar, and drawn here on black.
    auto rightmostWhite = [](const SkinTest::Pixels& pixels) {
        int right = 0;
        for (int y = 0; y < pixels.Height(); ++y)
            for (int x = 0; x < pixels.Width(); ++x)
                if (pixels.Pixel(x, y) == RGB(255, 255, 255))
                    right = std::max(right, x + 1);
        return right;
    };
    auto drawnAlone = [&](const wchar_t* text, UINT format) {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 22);
        HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
        HGDIOBJ oldFont = SelectObject(dc, SkinControl::CSkinRes::GetFont(L"Font9"));
        RECT all = {0, 0, 200, 22};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        DrawTextW(dc, text, -1, &all, DT_SINGLELINE | DT_VCENTER | format);
        int right = rightmostWhite(SkinTest::Pixels(dc, 0, 0, 200, 22));
        SelectObject(dc, oldFont);
        SelectObject(dc, oldBitmap);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        return right;
    };
    const wchar_t title[] = L"R&D";
    ASSERT_NE(drawnAlone(title, DT_NOPREFIX), drawnAlone(title, 0));
    Deliver(Messages({{title, L"http://a/", 5}}));
    bar.RedrawWindow();
    PumpMessages(50);
    EXPECT_EQ(8 + drawnAlone(title, DT_NOPREFIX), rightmostWhite(SkinTest::CaptureClient(bar.m_hWnd)));
}

TEST_F(BottomMsgBar, KeepsItsTextWhenTheFramesSizeChanges)
{
    Deliver(Messages({{L"新版本发布了 Velmora", L"http://a/", 5}}));
    bar.RedrawWindow();
    PumpMessages(50);
    ASSERT_GT(WhitePixels(SkinTest::CaptureClient(bar.m_hWnd)), 20);
    const CRect frames[] = {
        {100, 100, 400, 360}, // the bottom border dragged
        {100, 0, 400, 300},   // docked to the top edge
        {100, 0, 420, 300},   // wider only
    };
    for (const CRect& rect : frames) {
        frame.SetWindowPos(nullptr, rect.left, rect.top, rect.Width(), rect.Height(),
                           SWP_NOZORDER | SWP_NOACTIVATE);
        PumpMessages(50);
        CRect placed;
        bar.GetWindowRect(&placed);
        EXPECT_TRUE(CRect(rect.left + 4, rect.bottom - 26, rect.right - 4, rect.bottom - 4) == placed);
        EXPECT_GT(WhitePixels(SkinTest::CaptureClient(bar.m_hWnd)), 20) << rect.top << " " << rect.bottom;
    }
}
