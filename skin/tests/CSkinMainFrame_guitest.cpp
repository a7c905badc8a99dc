// The skinned main frame as the user and the window manager meet it: its
// class, caption buttons and their swap, rounded region, hit tests, cursors,
// size loop, caption double clicks and maximize limits.
#include "GuiTestHelpers.h"

#include "skin/CSkinMainFrame.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using namespace SkinControl;
using namespace SkinTest;

namespace
{

// One solid image strip per caption button, 3 frames of 10x20.
class CaptionImages
{
public:
    CaptionImages()
    {
        const Gdiplus::ARGB colors[4] = {0xFF960096, 0xFF969600, 0xFF009696, 0xFF646464};
        const wchar_t* names[4] = {L"close.png", L"min.png", L"max.png", L"restore.png"};
        for (int i = 0; i < 4; ++i) {
            EXPECT_TRUE(WriteSolidImage(folder.File(names[i]), 30, 20, colors[i]));
            images[i].reset(LoadImageFromFile(folder.File(names[i]).c_str()));
        }
    }
    TempFolder folder;
    std::unique_ptr<Gdiplus::Bitmap> images[4];
};

class TestFrame : public CSkinMainFrame
{
public:
    TestFrame(CaptionImages* captionImages, bool resizable) : images_(captionImages)
    {
        m_resizable = resizable;
    }

    std::vector<UINT> sysCommands;
    int sizeLoops = 0;
    MINMAXINFO hookSaw = {};

    CSkinButtonEx& Button(int id)
    {
        CSkinButtonEx* buttons[] = {&m_closeButton, &m_minimizeButton, &m_maximizeButton, &m_restoreButton};
        return *buttons[id - IdClose];
    }
    void SetImages(CaptionImages* captionImages) { images_ = captionImages; }
    void SkipMaximizeImage() { skipMaximize_ = true; }

    void GetSysButtonImages(Gdiplus::Image** close, Gdiplus::Image** minimize, Gdiplus::Image** maximize,
                            Gdiplus::Image** restore, int* frameCount) override
    {
        if (!images_)
            return;
        *close = images_->images[0].get();
        *minimize = images_->images[1].get();
        *maximize = skipMaximize_ ? nullptr : images_->images[2].get();
        *restore = images_->images[3].get();
        *frameCount = 3;
    }
    void OnGetMinMaxInfo(MINMAXINFO* info) override { hookSaw = *info; }
    void DrawBackground(CDC* dc) override
    {
        CRect client;
        GetClientRect(&client);
        for (int y = 0; y < client.bottom; y += 10)
            for (int x = 0; x < client.right; x += 10)
                dc->FillSolidRect(x, y, 10, 10, CheckerColor(x, y));
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_SYSCOMMAND) {
            sysCommands.push_back(static_cast<UINT>(wParam & 0xFFF0));
            if ((wParam & 0xFFF0) == SC_CLOSE || (wParam & 0xFFF0) == SC_MINIMIZE)
                return 0;
        }
        if (message == WM_ENTERSIZEMOVE)
            ++sizeLoops;
        return CSkinMainFrame::WindowProc(message, wParam, lParam);
    }

private:
    CaptionImages* images_;
    bool skipMaximize_ = false;
};

CRect ChildRect(CWnd& parent, CWnd& child)
{
    CRect rect;
    child.GetWindowRect(&rect);
    parent.ScreenToClient(reinterpret_cast<POINT*>(&rect.left));
    parent.ScreenToClient(reinterpret_cast<POINT*>(&rect.right));
    return rect;
}

LRESULT HitAt(CWnd& frame, int x, int y)
{
    return frame.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(x, y));
}

const CRect kFrameRect(100, 100, 500, 400);

// One resizable frame for the suite: a frame that was activated makes Wine
// wait for a window manager when it is destroyed.
class MainFrame : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        images = new CaptionImages;
        frame = new TestFrame(images, true);
        ASSERT_TRUE(frame->Create(kFrameRect));
    }
    static void TearDownTestSuite()
    {
        delete frame;
        delete images;
    }
    void SetUp() override
    {
        if (frame->IsZoomed())
            frame->SendMessage(WM_SYSCOMMAND, SC_RESTORE);
        frame->sysCommands.clear();
        PumpMessages(10);
    }

    static CaptionImages* images;
    static TestFrame* frame;
};

CaptionImages* MainFrame::images = nullptr;
TestFrame* MainFrame::frame = nullptr;

TEST_F(MainFrame, IsABorderlessPopupOfTheProgramsWindowClass)
{
    wchar_t name[128] = {};
    GetClassNameW(frame->m_hWnd, name, 128);
    EXPECT_STREQ(L"{08703010-8C30-4a34-80FC-BE0223759A7B}_Quorventile", name);
    EXPECT_EQ(static_cast<ULONG_PTR>(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS),
              GetClassLongPtrW(frame->m_hWnd, GCL_STYLE));
    EXPECT_EQ(static_cast<ULONG_PTR>(COLOR_WINDOW + 1), GetClassLongPtrW(frame->m_hWnd, GCLP_HBRBACKGROUND));
    const DWORD style = frame->GetStyle();
    EXPECT_EQ(0x960A0000u, style & 0x960A0000u);
    EXPECT_EQ(0u, style & (WS_CAPTION | WS_THICKFRAME));
    CRect client;
    frame->GetClientRect(&client);
    EXPECT_EQ(kFrameRect.Size(), client.Size()) << "no system border";
}

TEST_F(MainFrame, CaptionButtonsSitInTheTopRightCorner)
{
    const int right = kFrameRect.Width() - 1;
    EXPECT_EQ(CRect(right - 10, 1, right, 21), ChildRect(*frame, frame->Button(CSkinMainFrame::IdClose)));
    EXPECT_EQ(CRect(right - 20, 1, right - 10, 21),
              ChildRect(*frame, frame->Button(CSkinMainFrame::IdMaximize)));
    EXPECT_EQ(CRect(right - 30, 1, right - 20, 21),
              ChildRect(*frame, frame->Button(CSkinMainFrame::IdMinimize)));
    EXPECT_TRUE(frame->Button(CSkinMainFrame::IdMaximize).IsWindowVisible());
    EXPECT_FALSE(frame->Button(CSkinMainFrame::IdRestore).IsWindowVisible());
    for (int id = CSkinMainFrame::IdClose; id <= CSkinMainFrame::IdRestore; ++id)
        EXPECT_EQ(id, frame->Button(id).GetDlgCtrlID());
}

TEST_F(MainFrame, MaximizeAndRestoreSwapTheirButtonAtOnePlace)
{
    frame->Button(CSkinMainFrame::IdMaximize).SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    frame->Button(CSkinMainFrame::IdMaximize).SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    ASSERT_TRUE(frame->IsZoomed());
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromWindow(frame->m_hWnd, MONITOR_DEFAULTTOPRIMARY), &mi);
    CRect window;
    frame->GetWindowRect(&window);
    EXPECT_EQ(CRect(mi.rcWork), window) << "maximized onto the work area";

    const int right = window.Width() - 1;
    CSkinButtonEx& restore = frame->Button(CSkinMainFrame::IdRestore);
    EXPECT_TRUE(restore.IsWindowVisible());
    EXPECT_FALSE(frame->Button(CSkinMainFrame::IdMaximize).IsWindowVisible());
    EXPECT_EQ(CRect(right - 20, 1, right - 10, 21), ChildRect(*frame, restore));

    restore.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    restore.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_FALSE(frame->IsZoomed());
    frame->GetWindowRect(&window);
    EXPECT_EQ(kFrameRect, window);
    EXPECT_TRUE(frame->Button(CSkinMainFrame::IdMaximize).IsWindowVisible());
    EXPECT_FALSE(restore.IsWindowVisible());
}

TEST_F(MainFrame, CloseAndMinimizeButtonsSendTheirSystemCommands)
{
    for (int id : {CSkinMainFrame::IdClose, CSkinMainFrame::IdMinimize}) {
        frame->Button(id).SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        frame->Button(id).SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    }
    EXPECT_EQ((std::vector<UINT>{SC_CLOSE, SC_MINIMIZE}), frame->sysCommands);
}

TEST_F(MainFrame, RegionHasRoundedCorners)
{
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, GetWindowRgn(frame->m_hWnd, region));
    const int w = kFrameRect.Width(), h = kFrameRect.Height();
    for (POINT corner : {POINT{0, 0}, POINT{w - 1, 0}, POINT{0, h - 1}, POINT{w - 1, h - 1}})
        EXPECT_FALSE(PtInRegion(region, corner.x, corner.y)) << corner.x << "," << corner.y;
    for (POINT edge :
         {POINT{w / 2, 0}, POINT{0, h / 2}, POINT{w - 1, h / 2}, POINT{w / 2, h - 1}, POINT{3, 3}})
        EXPECT_TRUE(PtInRegion(region, edge.x, edge.y)) << edge.x << "," << edge.y;
    DeleteObject(region);

    // On screen the corner pixel shows what lies behind the frame.
    frame->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessages(100);
    HDC screen = GetDC(nullptr);
    Pixels shot(screen, kFrameRect.left, kFrameRect.top, 4, 4);
    ReleaseDC(nullptr, screen);
    EXPECT_FALSE(Near(CheckerColor(0, 0), shot.Pixel(0, 0))) << ColorText(shot.Pixel(0, 0));
    EXPECT_COLOR(CheckerColor(3, 3), shot.Pixel(3, 3));
}

TEST_F(MainFrame, ResizableFrameHitTestsCornersBordersAndCaption)
{
    const CRect& r = kFrameRect;
    const int cx = GetSystemMetrics(SM_CXCURSOR) / 2, cy = GetSystemMetrics(SM_CYCURSOR) / 2;
    EXPECT_EQ(HTTOPLEFT, HitAt(*frame, r.left, r.top));
    EXPECT_EQ(HTTOPLEFT, HitAt(*frame, r.left + cx - 1, r.top + cy - 1));
    EXPECT_EQ(HTTOP, HitAt(*frame, r.left + cx, r.top));
    EXPECT_EQ(HTTOP, HitAt(*frame, r.left + 200, r.top + 2));
    EXPECT_EQ(HTCAPTION, HitAt(*frame, r.left + 200, r.top + 3)) << "the top border is 3 pixels";
    EXPECT_EQ(HTTOPRIGHT, HitAt(*frame, r.right - 1, r.top));
    EXPECT_EQ(HTRIGHT, HitAt(*frame, r.right - 1, r.top + cy));
    EXPECT_EQ(HTRIGHT, HitAt(*frame, r.right - 3, r.top + 150));
    EXPECT_EQ(HTBOTTOMRIGHT, HitAt(*frame, r.right - 1, r.bottom - 1));
    EXPECT_EQ(HTBOTTOM, HitAt(*frame, r.left + 200, r.bottom - 1));
    EXPECT_EQ(HTBOTTOMLEFT, HitAt(*frame, r.left, r.bottom - 1));
    EXPECT_EQ(HTLEFT, HitAt(*frame, r.left, r.top + 150));
    EXPECT_EQ(HTCAPTION, HitAt(*frame, r.left + 200, r.top + 29));
    EXPECT_EQ(HTCLIENT, HitAt(*frame, r.left + 200, r.top + 30));
    EXPECT_EQ(HTCLIENT, HitAt(*frame, r.left + 3, r.top + 150));
    EXPECT_EQ(HTNOWHERE, HitAt(*frame, r.left - 1, r.top + 150));
}

TEST_F(MainFrame, ResizeBordersGetSizingCursors)
{
    const struct {
        UINT hit;
        const wchar_t* cursor;
    } cases[] = {{HTLEFT, IDC_SIZEWE},       {HTRIGHT, IDC_SIZEWE},       {HTTOP, IDC_SIZENS},
                 {HTBOTTOM, IDC_SIZENS},     {HTTOPLEFT, IDC_SIZENWSE},   {HTBOTTOMRIGHT, IDC_SIZENWSE},
                 {HTTOPRIGHT, IDC_SIZENESW}, {HTBOTTOMLEFT, IDC_SIZENESW}};
    for (const auto& c : cases) {
        SetCursor(nullptr);
        EXPECT_TRUE(frame->SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(frame->m_hWnd),
                                       MAKELPARAM(c.hit, WM_MOUSEMOVE)));
        EXPECT_EQ(LoadCursorW(nullptr, c.cursor), GetCursor()) << c.hit;
    }
}

TEST_F(MainFrame, DoubleClickOnTheCaptionTogglesMaximize)
{
    const LPARAM inCaption = MAKELPARAM(kFrameRect.left + 100, kFrameRect.top + 10);
    frame->SendMessage(WM_NCLBUTTONDBLCLK, HTCAPTION, inCaption);
    EXPECT_TRUE(frame->IsZoomed());
    frame->SendMessage(WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(100, 10));
    EXPECT_FALSE(frame->IsZoomed());
    frame->SendMessage(WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(kFrameRect.left + 100, kFrameRect.top + 40));
    EXPECT_FALSE(frame->IsZoomed()) << "below the caption band";
}

TEST_F(MainFrame, SizingFromABorderRunsOneSizeLoop)
{
    // Every size loop ends at the first button release it reads; a watchdog
    // ends any loop that finds none.
    frame->PostMessage(WM_LBUTTONUP);
    frame->PostMessage(WM_LBUTTONUP);
    std::atomic<bool> done(false);
    HWND hwnd = frame->m_hWnd;
    std::thread watchdog([&done, hwnd] {
        for (int i = 0; i < 300 && !done; ++i) {
            Sleep(10);
            if (i > 100)
                PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
        }
    });
    frame->SendMessage(WM_NCLBUTTONDOWN, HTLEFT, MAKELPARAM(kFrameRect.left, kFrameRect.top + 150));
    done = true;
    watchdog.join();
    PumpMessages(20);
    EXPECT_EQ(std::vector<UINT>{SC_SIZE}, frame->sysCommands);
    EXPECT_EQ(1, frame->sizeLoops) << "default handling of the border hit would start a second one";
    frame->sizeLoops = 0;
}

TEST_F(MainFrame, MaximizeLimitsFollowTheWorkAreaOfTheWindowsMonitor)
{
    MINMAXINFO info = {};
    frame->SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromWindow(frame->m_hWnd, MONITOR_DEFAULTTOPRIMARY), &mi);
    const CRect work(mi.rcWork);
    EXPECT_EQ(CPoint(work.Width(), work.Height()), CPoint(info.ptMaxSize));
    EXPECT_EQ(CPoint(work.Width(), work.Height()), CPoint(info.ptMaxTrackSize));
    EXPECT_EQ(CPoint(work.left - mi.rcMonitor.left, work.top - mi.rcMonitor.top), CPoint(info.ptMaxPosition));
    EXPECT_EQ(CPoint(info.ptMaxSize), CPoint(frame->hookSaw.ptMaxSize)) << "the hook runs after the limits";
}

TEST_F(MainFrame, MaximizesOntoAWorkAreaThatDoesNotStartAtTheCorner)
{
    RECT saved;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &saved, 0);
    RECT shifted = saved;
    shifted.left += 30;
    shifted.top += 40;
    SystemParametersInfoW(SPI_SETWORKAREA, 0, &shifted, 0);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromWindow(frame->m_hWnd, MONITOR_DEFAULTTOPRIMARY), &mi);
    const bool applied = CRect(mi.rcWork) == CRect(shifted);
    if (applied) {
        frame->SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE);
        CRect window;
        frame->GetWindowRect(&window);
        EXPECT_EQ(CRect(shifted), window);
        frame->SendMessage(WM_SYSCOMMAND, SC_RESTORE);
    }
    SystemParametersInfoW(SPI_SETWORKAREA, 0, &saved, 0);
    if (!applied)
        GTEST_SKIP() << "this display driver keeps its own work area";
}

TEST(MainFrameAlone, WithoutImagesItHasNoButtonsAndStillMovesByItsCaption)
{
    TestFrame frame(nullptr, false);
    ASSERT_TRUE(frame.Create(CRect(20, 20, 220, 120)));
    EXPECT_EQ(nullptr, frame.Button(CSkinMainFrame::IdClose).m_hWnd);
    EXPECT_EQ(nullptr, GetWindow(frame.m_hWnd, GW_CHILD));
    EXPECT_EQ(HTCAPTION, HitAt(frame, 20, 20)) << "no resize corner when not resizable";
    EXPECT_EQ(HTCLIENT, HitAt(frame, 20, 100));
    frame.SendMessage(WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(100, 30));
    EXPECT_TRUE(frame.IsZoomed()) << "double click maximizes also when not resizable";

    TestFrame second(nullptr, false);
    EXPECT_TRUE(second.Create(CRect(0, 0, 50, 50))) << "the class is registered once";
}

TEST(MainFrameAlone, RestoreTakesThePlaceOfAMissingMaximizeImage)
{
    CaptionImages images;
    TestFrame frame(&images, false);
    frame.SkipMaximizeImage();
    ASSERT_TRUE(frame.Create(CRect(20, 20, 220, 120)));
    const int right = 200 - 1;
    EXPECT_TRUE(frame.Button(CSkinMainFrame::IdRestore).IsWindowVisible());
    EXPECT_EQ(CRect(right - 20, 1, right - 10, 21),
              ChildRect(frame, frame.Button(CSkinMainFrame::IdRestore)));
}

} // namespace
