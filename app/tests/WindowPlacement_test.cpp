#include "app/WindowPlacement.h"
#include "core/tests/TempDataFolder.h"

#include <gtest/gtest.h>

#include <climits>

namespace
{

RECT Rect(LONG left, LONG top, LONG right, LONG bottom)
{
    return RECT{left, top, right, bottom};
}

::testing::AssertionResult SameRect(const RECT& actual, const RECT& expected)
{
    if (EqualRect(&actual, &expected))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << actual.left << ", " << actual.top << ", " << actual.right << ", " << actual.bottom
           << ") instead of (" << expected.left << ", " << expected.top << ", " << expected.right << ", "
           << expected.bottom << ")";
}

const RECT Work = Rect(0, 0, 1920, 1040); // a 1080-line screen above a 40-pixel task bar

RECT PrimaryWorkArea()
{
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

} // namespace

TEST(DefaultWindowRect, RightEdgeCentredVertically)
{
    EXPECT_TRUE(SameRect(DefaultWindowRectIn(Work), Rect(1610, 240, 1910, 800)));
    // A work area below a top task bar and right of a second monitor.
    EXPECT_TRUE(SameRect(DefaultWindowRectIn(Rect(1920, 30, 3200, 1024)), Rect(2890, 247, 3190, 807)));
}

TEST(DefaultWindowRect, OnThePrimaryMonitor)
{
    RECT rect, work = PrimaryWorkArea();
    GetDefaultWindowRect(rect);
    EXPECT_EQ(300, rect.right - rect.left);
    EXPECT_EQ(560, rect.bottom - rect.top);
    EXPECT_EQ(work.right - 10, rect.right);
    EXPECT_NEAR(rect.top - work.top, work.bottom - rect.bottom, 1) << "centred";
}

TEST(ClampWindowRect, MovesIntoTheWorkAreaCuttingOnlyTheHeight)
{
    const struct {
        const char* what;
        RECT rect, expected;
    } cases[] = {
        {"inside", Rect(100, 100, 400, 660), Rect(100, 100, 400, 660)},
        {"above the top", Rect(100, -50, 400, 510), Rect(100, 0, 400, 560)},
        {"taller than the work area", Rect(100, -100, 400, 1300), Rect(100, 0, 400, 1040)},
        {"past the right", Rect(1800, 100, 2100, 660), Rect(1620, 100, 1920, 660)},
        {"past the left", Rect(-120, 100, 180, 660), Rect(0, 100, 300, 660)},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(SameRect(ClampWindowRect(c.rect, Work), c.expected)) << c.what;
}

TEST(DockMovingRect, UpOrRightToWithin29PixelsOfTheEdge)
{
    const struct {
        const char* what;
        RECT current, proposed;
        bool docks;
        RECT expected;
    } cases[] = {
        {"up to 29 pixels", Rect(500, 100, 800, 660), Rect(500, 29, 800, 589), true, Rect(500, 0, 800, 1040)},
        {"up to 30 pixels", Rect(500, 100, 800, 660), Rect(500, 30, 800, 590), false, Rect(500, 30, 800, 590)},
        {"down near the top", Rect(500, 0, 800, 560), Rect(500, 5, 800, 565), false, Rect(500, 5, 800, 565)},
        {"right, 29 pixels short", Rect(1500, 200, 1800, 760), Rect(1591, 200, 1891, 760), true,
         Rect(1620, 200, 1920, 760)},
        {"right, 30 pixels short", Rect(1500, 200, 1800, 760), Rect(1590, 200, 1890, 760), false,
         Rect(1590, 200, 1890, 760)},
        {"right past the edge", Rect(1610, 200, 1910, 760), Rect(1640, 200, 1940, 760), true,
         Rect(1620, 200, 1920, 760)},
        {"up and right at once", Rect(1500, 100, 1800, 660), Rect(1610, 10, 1910, 570), true,
         Rect(1620, 0, 1920, 1040)},
    };
    for (const auto& c : cases) {
        RECT proposed = c.proposed;
        EXPECT_EQ(c.docks, DockMovingRect(c.current, proposed, Work)) << c.what;
        EXPECT_TRUE(SameRect(proposed, c.expected)) << c.what;
    }
}

TEST(IsWindowRectWorthSaving, MinimisedAndEmptyRectanglesAreNot)
{
    EXPECT_TRUE(IsWindowRectWorthSaving(Rect(1610, 240, 1910, 800)));
    EXPECT_TRUE(IsWindowRectWorthSaving(Rect(-1900, 100, -1600, 660))); // a monitor on the left
    EXPECT_FALSE(IsWindowRectWorthSaving(Rect(-32000, -32000, -31840, -31973)));
    EXPECT_FALSE(IsWindowRectWorthSaving(Rect(0, 0, 0, 0)));
    EXPECT_FALSE(IsWindowRectWorthSaving(Rect(100, 100, 100, 400)));
}

TEST(WorkspaceToScreenRect, ShiftsByTheWorkAreaOffsetInItsMonitor)
{
    const RECT screen = Rect(0, 0, 1920, 1080);
    const RECT right = Rect(1920, 0, 3200, 1024); // a second monitor on the right
    const struct {
        const char* taskBar;
        RECT monitor, work, normal, expected; // normal: as GetWindowPlacement gives it
    } cases[] = {
        {"bottom", screen, Rect(0, 0, 1920, 1040), Rect(1610, 240, 1910, 800), Rect(1610, 240, 1910, 800)},
        {"top", screen, Rect(0, 40, 1920, 1080), Rect(1610, 240, 1910, 800), Rect(1610, 280, 1910, 840)},
        {"left", screen, Rect(62, 0, 1920, 1080), Rect(1548, 240, 1848, 800), Rect(1610, 240, 1910, 800)},
        {"top, second monitor", right, Rect(1920, 30, 3200, 1024), Rect(2890, 217, 3190, 777),
         Rect(2890, 247, 3190, 807)},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(SameRect(WorkspaceToScreenRect(c.normal, c.monitor, c.work), c.expected)) << c.taskBar;
}

class SavedWindowRectTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(OpenAppDatabase(), 1); }
    TempDataFolder dir;
};

TEST_F(SavedWindowRectTest, SavedRectangleComesBack)
{
    RECT work = PrimaryWorkArea();
    RECT saved = Rect(work.left + 20, work.top + 30, work.left + 320, work.top + 630);
    ASSERT_EQ(SaveWindowRectSettings(saved), 1);
    CString left;
    left.Format(L"%d", saved.left);
    EXPECT_EQ(GetConfigString(L"WindowLeft", nullptr), left);
    RECT loaded;
    LoadWindowRect(loaded);
    EXPECT_TRUE(SameRect(loaded, saved));
}

TEST_F(SavedWindowRectTest, MinimisedRectangleKeepsThePreviousOne)
{
    RECT work = PrimaryWorkArea();
    RECT saved = Rect(work.left + 20, work.top + 30, work.left + 320, work.top + 630);
    ASSERT_EQ(SaveWindowRectSettings(saved), 1);
    EXPECT_EQ(SaveWindowRectSettings(Rect(-32000, -32000, -31840, -31973)), 0);
    RECT loaded;
    LoadWindowRect(loaded);
    EXPECT_TRUE(SameRect(loaded, saved));
}

TEST_F(SavedWindowRectTest, NothingSavedGivesTheDefault)
{
    RECT loaded;
    LoadWindowRect(loaded);
    RECT expected;
    GetDefaultWindowRect(expected);
    EXPECT_TRUE(SameRect(loaded, expected));
}

TEST_F(SavedWindowRectTest, OffEveryMonitorGivesTheDefault)
{
    SetConfigInt(L"WindowLeft", 100000);
    SetConfigInt(L"WindowTop", 100000);
    SetConfigInt(L"WindowRight", 100300);
    SetConfigInt(L"WindowBottom", 100560);
    RECT loaded;
    LoadWindowRect(loaded);
    RECT expected;
    GetDefaultWindowRect(expected);
    EXPECT_TRUE(SameRect(loaded, expected));
}

TEST_F(SavedWindowRectTest, TallerThanTheWorkAreaIsCut)
{
    RECT work = PrimaryWorkArea();
    SetConfigInt(L"WindowLeft", work.left + 10);
    SetConfigInt(L"WindowTop", work.top - 40);
    SetConfigInt(L"WindowRight", work.left + 310);
    SetConfigInt(L"WindowBottom", work.bottom + 500);
    RECT loaded;
    LoadWindowRect(loaded);
    EXPECT_TRUE(SameRect(loaded, Rect(work.left + 10, work.top, work.left + 310, work.bottom)));
}

// Whatever sides the file holds, the window comes back whole, on the
// screen and at least as large as the frame's minimum.
TEST_F(SavedWindowRectTest, DamagedOrOddRectanglesComeBackUsable)
{
    const RECT w = PrimaryWorkArea();
    ASSERT_GE(w.bottom - w.top, 700) << "the cases need room for the minimum height";
    RECT byDefault;
    GetDefaultWindowRect(byDefault);
    const struct {
        const char* what;
        RECT stored, expected;
    } cases[] = {
        {"the 32-bit extremes", Rect(INT_MIN, INT_MIN, INT_MAX, INT_MAX), byDefault},
        {"inverted", Rect(w.left + 400, w.top + 100, w.left + 100, w.top + 700), byDefault},
        {"wider than the work area", Rect(w.left - 10, w.top + 10, w.right + 10, w.top + 600), byDefault},
        {"from far left", Rect(INT_MIN, w.top + 10, w.left + 100, w.top + 600), byDefault},
        {"far off", Rect(INT_MAX - 10, w.top, INT_MAX, w.top + 100), byDefault},
        {"from far above to far below", Rect(w.left + 20, INT_MIN, w.left + 320, INT_MAX),
         Rect(w.left + 20, w.top, w.left + 320, w.bottom)},
        {"smaller than the minimum", Rect(w.left + 20, w.top + 30, w.left + 120, w.top + 130),
         Rect(w.left + 20, w.top + 30, w.left + 320, w.top + 590)},
        {"small at the bottom", Rect(w.left + 20, w.bottom - 100, w.left + 320, w.bottom - 20),
         Rect(w.left + 20, w.bottom - 560, w.left + 320, w.bottom)},
    };
    for (const auto& c : cases) {
        SetConfigInt(L"WindowLeft", c.stored.left);
        SetConfigInt(L"WindowTop", c.stored.top);
        SetConfigInt(L"WindowRight", c.stored.right);
        SetConfigInt(L"WindowBottom", c.stored.bottom);
        RECT loaded;
        LoadWindowRect(loaded);
        EXPECT_TRUE(SameRect(loaded, c.expected)) << c.what;
    }
}

TEST_F(SavedWindowRectTest, AutoFloatWindowIsOnUnlessZero)
{
    EXPECT_TRUE(IsAutoFloatWindowOn());
    SetConfigString(L"AutoFloatWindow", L"");
    EXPECT_TRUE(IsAutoFloatWindowOn());
    SetConfigInt(L"AutoFloatWindow", 0);
    EXPECT_FALSE(IsAutoFloatWindowOn());
    SetConfigInt(L"AutoFloatWindow", 1);
    EXPECT_TRUE(IsAutoFloatWindowOn());
}

TEST(MonitorRect, PointsOffEveryMonitorGiveAnEmptyRectangle)
{
    RECT work;
    GetMonitorRect(work, Rect(100000, 100000, 100300, 100560));
    EXPECT_TRUE(IsRectEmpty(&work));
    RECT primary = PrimaryWorkArea();
    GetMonitorRect(work, Rect(primary.left + 1, primary.top + 1, primary.left + 50, primary.top + 50));
    EXPECT_TRUE(SameRect(work, primary));
}
