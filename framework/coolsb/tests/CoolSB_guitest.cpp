#include "framework/coolsb/CoolSB.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <vector>

namespace
{
SCROLLINFO Info(int minPos, int maxPos, UINT page, int pos)
{
    return {sizeof(SCROLLINFO), SIF_ALL, minPos, maxPos, page, pos, 0};
}

TEST(CoolSBLayout, SplitsTheBarIntoArrowsTrackAndAProportionalThumb)
{
    RECT bar = {0, 0, 16, 216};
    CoolSB::Layout layout = CoolSB::ComputeLayout(bar, Info(0, 99, 50, 0));
    EXPECT_EQ(16, layout.lineUp.bottom);
    EXPECT_EQ(200, layout.lineDown.top);
    ASSERT_TRUE(layout.hasThumb);
    // Half the range visible: half the 184-pixel track.
    EXPECT_EQ(16, layout.thumb.top);
    EXPECT_EQ(16 + 92, layout.thumb.bottom);
    EXPECT_EQ(layout.thumb.bottom, layout.pageDown.top);

    layout = CoolSB::ComputeLayout(bar, Info(0, 99, 50, 50));
    EXPECT_EQ(200, layout.thumb.bottom); // the last position ends at the down arrow
    EXPECT_EQ(layout.thumb.top, layout.pageUp.bottom);
}

TEST(CoolSBLayout, HasNoThumbWhenEverythingIsVisible)
{
    RECT bar = {0, 0, 16, 216};
    EXPECT_FALSE(CoolSB::ComputeLayout(bar, Info(0, 9, 10, 0)).hasThumb);
    EXPECT_FALSE(CoolSB::ComputeLayout(bar, Info(0, 99, 0, 0)).hasThumb);
}

TEST(CoolSBLayout, AShortBarSharesItsHeightBetweenTheArrows)
{
    RECT bar = {0, 0, 16, 20};
    CoolSB::Layout layout = CoolSB::ComputeLayout(bar, Info(0, 99, 10, 0));
    EXPECT_EQ(10, layout.lineUp.bottom);
    EXPECT_EQ(10, layout.lineDown.top);
    EXPECT_FALSE(layout.hasThumb);
}

TEST(CoolSBLayout, ThumbDragMapsBackToPositions)
{
    RECT bar = {0, 0, 16, 216};
    SCROLLINFO info = Info(0, 99, 50, 0);
    EXPECT_EQ(0, CoolSB::PositionForThumbTop(bar, info, 0));
    EXPECT_EQ(50, CoolSB::PositionForThumbTop(bar, info, 500));
    EXPECT_EQ(25, CoolSB::PositionForThumbTop(bar, info, 16 + 46));
}

// A parent that records the custom-draw notifications and answers with
// `answer`, and a child that records WM_VSCROLL.
struct Recorder {
    std::vector<NMCSBCUSTOMDRAW> draws;
    std::vector<WORD> scrolls;
    LRESULT answer = CDRF_SKIPDEFAULT;
};
Recorder* g_recorder = nullptr;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NOTIFY && g_recorder) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->code == static_cast<UINT>(NM_COOLSB_CUSTOMDRAW)) {
            g_recorder->draws.push_back(*reinterpret_cast<NMCSBCUSTOMDRAW*>(lParam));
            return g_recorder->answer;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK ChildProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_VSCROLL && g_recorder)
        g_recorder->scrolls.push_back(LOWORD(wParam));
    return DefWindowProcW(window, message, wParam, lParam);
}

class CoolSBWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WNDCLASSW parentClass = {};
        parentClass.lpfnWndProc = ParentProc;
        parentClass.lpszClassName = L"CoolSBTestParent";
        parentClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        RegisterClassW(&parentClass);
        WNDCLASSW childClass = parentClass;
        childClass.lpfnWndProc = ChildProc;
        childClass.lpszClassName = L"CoolSBTestChild";
        RegisterClassW(&childClass);
        parent = CreateWindowExW(0, L"CoolSBTestParent", L"", WS_POPUP, 0, 0, 200, 300, nullptr, nullptr,
                                 nullptr, nullptr);
        child = CreateWindowExW(0, L"CoolSBTestChild", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 300, parent,
                                reinterpret_cast<HMENU>(77), nullptr, nullptr);
        ShowWindow(parent, SW_SHOWNOACTIVATE);
        g_recorder = &recorder;
        ASSERT_TRUE(InitializeCoolSB(child));
    }
    void TearDown() override
    {
        g_recorder = nullptr;
        DestroyWindow(parent);
    }
    int ClientWidth()
    {
        RECT client;
        GetClientRect(child, &client);
        return client.right;
    }
    void PaintFrame()
    {
        recorder.draws.clear();
        SendMessageW(child, WM_NCPAINT, 1, 0);
    }

    HWND parent = nullptr;
    HWND child = nullptr;
    Recorder recorder;
};

TEST_F(CoolSBWindow, TheBarTakesRoomOnlyWhileTheRangeExceedsThePage)
{
    EXPECT_EQ(200, ClientWidth());
    SCROLLINFO info = Info(0, 99, 50, 0);
    CoolSB_SetScrollInfo(child, SB_VERT, &info, TRUE);
    EXPECT_EQ(200 - GetSystemMetrics(SM_CXVSCROLL), ClientWidth());
    info = Info(0, 9, 50, 0);
    CoolSB_SetScrollInfo(child, SB_VERT, &info, TRUE);
    EXPECT_EQ(200, ClientWidth());
}

TEST_F(CoolSBWindow, PositionsStayWithinTheRange)
{
    SCROLLINFO info = Info(0, 99, 50, 80);
    EXPECT_EQ(50, CoolSB_SetScrollInfo(child, SB_VERT, &info, FALSE));
    EXPECT_EQ(50, CoolSB_GetScrollPos(child, SB_VERT));
    EXPECT_EQ(50, CoolSB_SetScrollPos(child, SB_VERT, -5, FALSE));
    EXPECT_EQ(0, CoolSB_GetScrollPos(child, SB_VERT));
    SCROLLINFO read = Info(0, 0, 0, 0);
    ASSERT_TRUE(CoolSB_GetScrollInfo(child, SB_VERT, &read));
    EXPECT_EQ(99, read.nMax);
    EXPECT_EQ(50u, read.nPage);
}

TEST_F(CoolSBWindow, OtherBarsAreTheSystems)
{
    // The horizontal bar of a cool window, and both bars of a plain one.
    HWND plain = CreateWindowExW(0, L"CoolSBTestChild", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, parent,
                                 nullptr, nullptr, nullptr);
    const struct {
        HWND window;
        int bar;
    } cases[] = {{child, SB_HORZ}, {plain, SB_VERT}, {plain, SB_HORZ}};
    for (const auto& c : cases) {
        SCROLLINFO info = Info(0, 99, 10, 40);
        EXPECT_EQ(40, CoolSB_SetScrollInfo(c.window, c.bar, &info, FALSE));
        SCROLLINFO system = Info(0, 0, 0, 0);
        ASSERT_TRUE(GetScrollInfo(c.window, c.bar, &system));
        EXPECT_EQ(99, system.nMax);
        EXPECT_EQ(40, CoolSB_GetScrollPos(c.window, c.bar));
    }
    SCROLLINFO own = Info(0, 0, 0, 0);
    ASSERT_TRUE(CoolSB_GetScrollInfo(child, SB_VERT, &own));
    EXPECT_EQ(0, own.nMax);
}

TEST_F(CoolSBWindow, AsksTheParentToDrawEachPartInOrder)
{
    // In the middle, so that track shows above and below the thumb.
    SCROLLINFO info = Info(0, 99, 50, 25);
    CoolSB_SetScrollInfo(child, SB_VERT, &info, FALSE);
    PaintFrame();
    ASSERT_EQ(7u, recorder.draws.size());
    EXPECT_EQ(static_cast<DWORD>(CDDS_PREPAINT), recorder.draws.front().dwDrawStage);
    EXPECT_EQ(static_cast<DWORD>(CDDS_POSTPAINT), recorder.draws.back().dwDrawStage);
    std::vector<UINT> items;
    for (size_t i = 1; i + 1 < recorder.draws.size(); ++i) {
        EXPECT_EQ(static_cast<DWORD>(CDDS_ITEMPREPAINT), recorder.draws[i].dwDrawStage);
        EXPECT_EQ(static_cast<UINT>(SB_VERT), recorder.draws[i].nBar);
        EXPECT_EQ(child, recorder.draws[i].hdr.hwndFrom);
        EXPECT_EQ(77u, recorder.draws[i].hdr.idFrom);
        items.push_back(recorder.draws[i].uItem);
    }
    EXPECT_EQ((std::vector<UINT>{0, 2, 3, 5, 1}), items);
}

TEST_F(CoolSBWindow, DrawsThePartItselfWhenTheParentAnswersZero)
{
    SCROLLINFO info = Info(0, 99, 50, 0);
    CoolSB_SetScrollInfo(child, SB_VERT, &info, FALSE);
    RECT window;
    GetWindowRect(child, &window);
    int barX = 200 - GetSystemMetrics(SM_CXVSCROLL) / 2;

    recorder.answer = CDRF_SKIPDEFAULT;
    HDC dc = GetWindowDC(child);
    RECT bar = {200 - GetSystemMetrics(SM_CXVSCROLL), 0, 200, 300};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &bar, red);
    PaintFrame();
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc, barX, 150)); // skipped: left alone

    recorder.answer = CDRF_DODEFAULT;
    PaintFrame();
    EXPECT_NE(RGB(255, 0, 0), GetPixel(dc, barX, 150));
    DeleteObject(red);
    ReleaseDC(child, dc);
}

TEST_F(CoolSBWindow, ClicksOnTheArrowsAndTrackScroll)
{
    SCROLLINFO info = Info(0, 99, 50, 0);
    CoolSB_SetScrollInfo(child, SB_VERT, &info, FALSE);
    RECT window;
    GetWindowRect(child, &window);
    int x = window.left + 200 - GetSystemMetrics(SM_CXVSCROLL) / 2;
    auto click = [&](int y) {
        LPARAM point = MAKELPARAM(x, window.top + y);
        ASSERT_EQ(HTVSCROLL, SendMessageW(child, WM_NCHITTEST, 0, point));
        SendMessageW(child, WM_NCLBUTTONDOWN, HTVSCROLL, point);
        SendMessageW(child, WM_LBUTTONUP, 0, 0);
    };
    click(295);
    click(5);
    click(250);
    EXPECT_EQ(
        (std::vector<WORD>{SB_LINEDOWN, SB_ENDSCROLL, SB_LINEUP, SB_ENDSCROLL, SB_PAGEDOWN, SB_ENDSCROLL}),
        recorder.scrolls);
    EXPECT_EQ(HTCLIENT, SendMessageW(child, WM_NCHITTEST, 0, MAKELPARAM(window.left + 10, window.top + 10)));
}
} // namespace
