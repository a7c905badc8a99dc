// The tab strip as its parent and pages see it: tab rectangles, selection
// with page visibility and TCN_SELCHANGE, clicks, hover and teardown.
#include "GuiTestHelpers.h"

#include "skin/CSkinTab.h"
#include "skin/CWndBase.h"

#include <commctrl.h>

#include <memory>
#include <vector>

using namespace SkinControl;
using namespace SkinTest;

namespace
{

class NotifiedParent : public CheckerParent
{
public:
    std::vector<NMHDR> notifications;

protected:
    BOOL OnNotify(WPARAM, LPARAM lParam, LRESULT* result) override
    {
        notifications.push_back(*reinterpret_cast<NMHDR*>(lParam));
        *result = 0;
        return TRUE;
    }
};

// Records what the strip asks it to draw.
class RecordingTab : public CSkinTab
{
public:
    int backgrounds = 0;
    std::vector<CRect> drawnRects;
    std::vector<UINT> drawnStates;

    void DrawBackground(CDC* dc) override
    {
        ++backgrounds;
        drawnRects.clear();
        drawnStates.clear();
        CSkinTab::DrawBackground(dc);
    }
    void DrawTab(CDC* dc, UINT, SkinTabItem* tab) override
    {
        drawnRects.push_back(tab->rect);
        drawnStates.push_back(tab->state);
        dc->FillSolidRect(tab->rect,
                          (tab->state & SkinTabItem::Selected) ? RGB(0, 120, 0) : RGB(120, 120, 120));
    }
    int Count() const { return static_cast<int>(m_tabs.size()); }
};

class TabStrip : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(parent.Create(CRect(0, 0, 400, 300)));
        ASSERT_TRUE(tab.Create(&parent, CRect(0, 0, 300, 200)));
        for (auto& page : pages) {
            page.reset(new CWndBase);
            ASSERT_TRUE(page->Create(&tab, WS_CHILD, 0, CRect(0, 30, 300, 200)));
        }
    }
    void Paint() { tab.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }
    void Move(int x, int y) { tab.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }

    NotifiedParent parent;
    RecordingTab tab;
    std::unique_ptr<CWndBase> pages[3];
};

TEST_F(TabStrip, RegistersItsClassOnce)
{
    wchar_t name[64] = {};
    GetClassNameW(tab.m_hWnd, name, 64);
    EXPECT_STREQ(L"__SKIN_TAB_BASE__", name);
    EXPECT_EQ(static_cast<ULONG_PTR>(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS),
              GetClassLongPtrW(tab.m_hWnd, GCL_STYLE));
    EXPECT_EQ(static_cast<ULONG_PTR>(COLOR_WINDOW + 1), GetClassLongPtrW(tab.m_hWnd, GCLP_HBRBACKGROUND));
    EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN),
              tab.GetStyle() & (WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_POPUP));
    EXPECT_EQ(0, tab.GetDlgCtrlID());
    RecordingTab second;
    EXPECT_TRUE(second.Create(&parent, CRect(0, 0, 10, 10)));
}

TEST_F(TabStrip, FirstTabIsSelectedShownAndAnnounced)
{
    tab.AddTab(pages[0].get());
    EXPECT_EQ(0, tab.GetCurSel());
    EXPECT_TRUE(pages[0]->IsWindowVisible());
    ASSERT_EQ(1u, parent.notifications.size());
    EXPECT_EQ(static_cast<UINT>(TCN_SELCHANGE), parent.notifications[0].code);
    EXPECT_EQ(tab.m_hWnd, parent.notifications[0].hwndFrom);
    EXPECT_EQ(0u, parent.notifications[0].idFrom);

    tab.AddTab(pages[1].get());
    EXPECT_EQ(0, tab.GetCurSel());
    EXPECT_FALSE(pages[1]->IsWindowVisible()) << "adding neither shows nor hides";
    EXPECT_EQ(1u, parent.notifications.size());
}

TEST_F(TabStrip, TabsAre68By19With10PixelGaps)
{
    for (auto& page : pages)
        tab.AddTab(page.get());
    Paint();
    ASSERT_EQ(3u, tab.drawnRects.size());
    EXPECT_EQ(CRect(10, 5, 78, 24), tab.drawnRects[0]);
    EXPECT_EQ(CRect(88, 5, 156, 24), tab.drawnRects[1]);
    EXPECT_EQ(CRect(166, 5, 234, 24), tab.drawnRects[2]);
    EXPECT_EQ((std::vector<UINT>{SkinTabItem::Selected, 0, 0}), tab.drawnStates);
    Pixels shot = CaptureClient(tab.m_hWnd);
    EXPECT_COLOR(RGB(0, 120, 0), shot.Pixel(40, 15));
    EXPECT_COLOR(RGB(120, 120, 120), shot.Pixel(100, 15));
    EXPECT_COLOR(RGB(255, 255, 255), shot.Pixel(83, 15));
}

TEST_F(TabStrip, ClicksSelectTheTabUnderThePointOnly)
{
    for (auto& page : pages)
        tab.AddTab(page.get());
    parent.notifications.clear();
    tab.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(83, 10));
    EXPECT_EQ(0, tab.GetCurSel()) << "between two tabs";
    EXPECT_TRUE(parent.notifications.empty());

    tab.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(170, 20));
    EXPECT_EQ(2, tab.GetCurSel());
    EXPECT_FALSE(pages[0]->IsWindowVisible());
    EXPECT_FALSE(pages[1]->IsWindowVisible());
    EXPECT_TRUE(pages[2]->IsWindowVisible());
    ASSERT_EQ(1u, parent.notifications.size());
    EXPECT_EQ(static_cast<UINT>(TCN_SELCHANGE), parent.notifications[0].code);

    tab.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(170, 20));
    EXPECT_EQ(2u, parent.notifications.size()) << "announced also when already selected";
    tab.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(170, 20));
}

TEST_F(TabStrip, SelectingPastTheLastTabChangesNothing)
{
    tab.AddTab(pages[0].get());
    tab.AddTab(pages[1].get());
    parent.notifications.clear();
    tab.SetCurSel(2, TRUE);
    EXPECT_EQ(0, tab.GetCurSel());
    EXPECT_TRUE(pages[0]->IsWindowVisible());
    EXPECT_TRUE(parent.notifications.empty());
}

TEST_F(TabStrip, MovingFromTabToTabMovesTheHoverWithOneRepaint)
{
    tab.AddTab(pages[0].get());
    tab.AddTab(pages[1].get());
    Move(20, 10);
    Paint();
    EXPECT_EQ((std::vector<UINT>{SkinTabItem::Selected | SkinTabItem::Hover, 0}), tab.drawnStates);
    const int before = tab.backgrounds;
    Move(100, 10);
    Move(101, 11);
    tab.UpdateWindow();
    EXPECT_EQ(before + 1, tab.backgrounds);
    EXPECT_EQ((std::vector<UINT>{SkinTabItem::Selected, SkinTabItem::Hover}), tab.drawnStates);

    tab.SendMessage(WM_MOUSELEAVE);
    tab.UpdateWindow();
    EXPECT_EQ((std::vector<UINT>{SkinTabItem::Selected, 0}), tab.drawnStates);
}

TEST_F(TabStrip, DestroyingTheWindowDropsTheTabsButNotThePages)
{
    tab.AddTab(pages[0].get());
    tab.AddTab(pages[1].get());
    tab.RemoveAllTabs();
    EXPECT_EQ(-1, tab.GetCurSel());
    EXPECT_TRUE(pages[0]->IsWindowVisible()) << "pages stay as they are";
    tab.AddTab(pages[1].get());
    EXPECT_EQ(0, tab.GetCurSel());
    pages[0]->ShowWindow(SW_HIDE);
    for (auto& page : pages)
        page->DestroyWindow();
    tab.DestroyWindow();
    EXPECT_EQ(0, tab.Count());
}

TEST(TabStripWithoutWindow, AddsAndSelectsTabsBeforeItHasAWindow)
{
    RecordingTab strip;
    CWnd page;
    strip.AddTab(&page);
    strip.AddTab(nullptr);
    EXPECT_EQ(0, strip.GetCurSel());
    EXPECT_EQ(2, strip.Count());
    strip.SetCurSel(1, TRUE);
    EXPECT_EQ(1, strip.GetCurSel());
}

} // namespace
