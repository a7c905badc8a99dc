// The search bar with the generated skin: its hint, the clear button, typed
// text reaching the filter 300 ms after the last key, Escape and the clear
// button emptying it.
#include "app/tests/QuickLinkListTest.h"
#include "app/SearchBar.h"
#include "app/tests/XdoTool.h"
#include "skin/CSkinRes.h"
#include "skin/tests/GuiTestHelpers.h"

#include <vector>

using SkinTest::PumpMessages;

namespace
{

class SearchBar : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_EQ(1, QuickLinkTest::LoadSkin()); }

    void SetUp() override
    {
        ASSERT_TRUE(host.Create(CRect(100, 100, 400, 130)));
        bar.SetFilter([this](const CString& text) { filtered.push_back(std::wstring(text)); });
        ASSERT_TRUE(bar.Create(&host, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, CRect(2, 3, 298, 27)));
        PumpMessages(50);
    }
    void TearDown() override { host.DestroyWindow(); }

    HWND Edit() { return bar.Edit().GetSafeHwnd(); }
    HWND ClearButton() { return GetDlgItem(bar.m_hWnd, CSearchBar::kClearButtonId); }
    // Waits until the filter has run `count` times.
    bool WaitForFilter(size_t count)
    {
        for (int i = 0; i < 200 && filtered.size() < count; ++i)
            PumpMessages(10);
        return filtered.size() >= count;
    }
    // Handles every message but the timers' until the box shows `text`: the
    // filter's pause can't end between two keys, however slowly they come.
    bool WaitForTextHoldingTimers(const wchar_t* text)
    {
        return TestSupport::WaitFor([&] {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, WM_TIMER - 1, PM_REMOVE) ||
                   PeekMessageW(&msg, nullptr, WM_TIMER + 1, 0xFFFFFFFF, PM_REMOVE)) {
                if (!AfxWalkPreTranslateTree(&msg)) {
                    TranslateMessage(&msg);
                    DispatchMessageW(&msg);
                }
            }
            return bar.Edit().GetText() == text;
        });
    }
    void FocusEdit()
    {
        SetForegroundWindow(host.m_hWnd);
        SetFocus(Edit());
        PumpMessages(50);
    }
    CRect ChildRect(HWND child)
    {
        CRect rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, bar.m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    SkinTest::CheckerParent host;
    CSearchBar bar;
    std::vector<std::wstring> filtered;
};

TEST_F(SearchBar, ShowsTheGreyHintOverTheSkinUntilFocused)
{
    RedrawWindow(host.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessages(50);
    // For people to look at; the pixel checks below do the testing.
    SkinTest::SaveWindowShot(host.m_hWnd, SkinTest::ArtefactPath(L"searchbar_hint.png"));
    SkinTest::Pixels shot = SkinTest::CaptureClient(bar.m_hWnd);
    EXPECT_TRUE(bar.Edit().IsHintShown());
    EXPECT_FALSE(IsWindowVisible(ClearButton())) << "no text, no clear button";
    const CRect edit = ChildRect(Edit());
    EXPECT_EQ(2, edit.left);
    EXPECT_EQ(296 - 31, edit.Width());
    EXPECT_NEAR(12, (edit.top + edit.bottom) / 2, 1) << "centred in the bar";

    // Grey hint text in the box, the magnifier 6 pixels from the right edge.
    auto greyPixels = [](const SkinTest::Pixels& pixels, int from, int to) {
        int count = 0;
        for (int y = 0; y < pixels.Height(); ++y)
            for (int x = from; x < to; ++x) {
                COLORREF c = pixels.Pixel(x, y);
                count += abs(GetRValue(c) - GetGValue(c)) < 8 && abs(GetGValue(c) - GetBValue(c)) < 8 &&
                         GetRValue(c) > 0x60 && GetRValue(c) < 0xB0;
            }
        return count;
    };
    EXPECT_GT(greyPixels(shot, 4, 160), 40) << "the hint";
    Gdiplus::Bitmap* background = SkinControl::CSkinRes::GetImage(L"MainFrame.png");
    Gdiplus::Color band;
    background->GetPixel(260, 65 + 12, &band);
    EXPECT_COLOR(RGB(band.GetR(), band.GetG(), band.GetB()), shot.Pixel(250, 12)) << "the stretched band";
    int magnifier = 0;
    for (int x = 296 - 6 - 16; x < 296 - 6; ++x)
        magnifier += !SkinTest::Near(shot.Pixel(x, 12), RGB(band.GetR(), band.GetG(), band.GetB()), 20);
    EXPECT_GT(magnifier, 2);

    FocusEdit();
    RedrawWindow(Edit(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_FALSE(bar.Edit().IsHintShown());
    EXPECT_LT(greyPixels(SkinTest::CaptureClient(bar.m_hWnd), 4, 160), 5) << "focused: no hint";
    SetFocus(host.m_hWnd);
    PumpMessages(20);
    EXPECT_TRUE(bar.Edit().IsHintShown()) << "empty and unfocused again";
}

// Escape in the box is the main window's test.
TEST_F(SearchBar, TypedTextIsFilteredOnceAfterThePauseAndTheButtonClearsIt)
{
    FocusEdit();
    ASSERT_TRUE(AppTest::XdoTool("type --delay 20 jishi"));
    ASSERT_TRUE(WaitForTextHoldingTimers(L"jishi"));
    ASSERT_TRUE(WaitForFilter(1));
    EXPECT_EQ(std::vector<std::wstring>{L"jishi"}, filtered) << "one filter pass for the whole word";
    ASSERT_TRUE(IsWindowVisible(ClearButton()));
    EXPECT_EQ(CRect(296 - 24 - 2, 0, 296 - 2, 24), ChildRect(ClearButton()));

    SetFocus(host.m_hWnd);
    SendMessageW(ClearButton(), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitForFilter(2));
    EXPECT_EQ((std::vector<std::wstring>{L"jishi", L""}), filtered) << "no other pass in between";
    EXPECT_EQ(Edit(), GetFocus()) << "the focus goes back to the box";
    EXPECT_FALSE(IsWindowVisible(ClearButton()));
}

} // namespace
