// The tree list's layout and painting as a derived list sees them: row
// placement, lookups by y, pages of mixed heights, the scroll bar after the
// window grows, hit-test flags, wheel and EnsureVisible, a worker changing
// items while the window paints, and a screenshot.
#include "TreeListTestHelpers.h"

#include <atomic>
#include <thread>

using namespace TreeListTest;
using SkinTest::Near;

namespace
{

TEST_F(TreeWindow, RowsStackInPreOrderWithTheirOwnHeights)
{
    Fill(3, 2, 1); // group 1 expanded: g1, l1.1, l1.2, g2, g3
    const int heights[] = {20, 30, 10, 25, 15};
    for (int i = 0; i < 5; ++i)
        tree.GetRowItem(i)->height = heights[i];
    CTreeListItem* hidden = groupItems[1];
    tree.Expand(hidden, FALSE, 0);
    tree.SetItemVisible(hidden, FALSE); // no row for it nor its links
    Layout();
    const struct {
        CTreeListItem* item;
        int top, bottom;
    } rows[] = {
        {groupItems[0], 0, 20}, {linkItems[0], 20, 50}, {linkItems[1], 50, 60}, {groupItems[2], 60, 75}};
    ASSERT_EQ(4, tree.GetRowCount());
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(rows[i].item, tree.GetRowItem(i)) << i;
        EXPECT_EQ(CRect(0, rows[i].top, 300, rows[i].bottom), tree.GetItemLayoutRect(rows[i].item)) << i;
        EXPECT_EQ(i, rows[i].item->rowIndex);
    }
    for (CTreeListItem* unlisted : {hidden, linkItems[2], linkItems[4]})
        EXPECT_FALSE(unlisted->laidOut);
    EXPECT_EQ(linkItems[1], groupItems[0]->lastShownChild);
    EXPECT_EQ(groupItems[2], tree.GetRootItem()->lastShownChild);
    EXPECT_EQ(0, tree.GetFirstVisibleRow());
    EXPECT_EQ(3, tree.GetLastVisibleRow());
}

TEST_F(TreeWindow, FindRowAtYAndPagesOfMixedHeights)
{
    Fill(4, 0);
    const int heights[] = {20, 30, 10, 25}; // rows at 0, 20, 50, 60; the end at 85
    for (int i = 0; i < 4; ++i)
        groupItems[i]->height = heights[i];
    Layout();
    const struct {
        int y, row;
    } finds[] = {{-1, -1}, {0, 0}, {19, 0}, {20, 1}, {49, 1}, {50, 1}, {51, 2}, {85, 3}, {86, -1}};
    for (const auto& find : finds) {
        CTreeListItem* item = nullptr;
        EXPECT_EQ(find.row, tree.FindRowAtY(find.y, &item)) << "y " << find.y;
        EXPECT_EQ(find.row < 0 ? nullptr : groupItems[find.row], item);
    }
    const struct {
        int start, first, last, rows, height;
    } pages[] = {
        {0, 0, 2, 3, 60}, // 20 + 30 + 10 fill the 60 pixels exactly
        {1, 1, 2, 2, 40},
        {2, 2, 3, 2, 35}, // everything from 2 fits: the last page, from the bottom
        {9, 2, 3, 2, 35},
    };
    for (const auto& page : pages) {
        int first, last, height;
        EXPECT_EQ(page.rows, tree.GetPageRows(page.start, 0, 60, &first, &last, &height)) << page.start;
        EXPECT_EQ(page.first, first);
        EXPECT_EQ(page.last, last);
        EXPECT_EQ(page.height, height);
    }
}

TEST_F(TreeWindow, AnEmptyTreeHasNoRowsAndNoBar)
{
    Layout();
    EXPECT_EQ(-1, tree.GetFirstVisibleRow());
    EXPECT_EQ(-1, tree.GetLastVisibleRow());
    EXPECT_EQ(nullptr, tree.GetFirstVisibleItem());
    EXPECT_EQ(nullptr, tree.HitTest(CPoint(50, 10)));
    SCROLLINFO info = {sizeof(info), SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(tree.m_hWnd, SB_VERT, &info);
    EXPECT_EQ(0, info.nMax);
    EXPECT_EQ(0u, info.nPage);
    EXPECT_TRUE(tree.painted.empty());
    EXPECT_COLOR(RGB(255, 255, 255), SkinTest::CaptureClient(tree.m_hWnd).Pixel(150, 100));
}

TEST_F(TreeWindow, GrowingWhileScrolledToTheEndKeepsTheLastPageFull)
{
    Fill(30, 0);
    ASSERT_TRUE(tree.IsVertBarShown());
    tree.SendMessage(WM_VSCROLL, SB_BOTTOM);
    EXPECT_EQ(20, Position());
    EXPECT_EQ(29, tree.GetLastVisibleRow());
    const struct {
        int height, position, first;
        BOOL bar;
    } grows[] = {{300, 15, 15, TRUE}, {1000, 0, 0, FALSE}};
    for (const auto& grow : grows) {
        tree.SetWindowPos(nullptr, 0, 0, 300, grow.height, SWP_NOZORDER | SWP_NOACTIVATE);
        Drain();
        CRect client;
        tree.GetClientRect(&client);
        EXPECT_EQ(grow.bar, tree.IsVertBarShown()) << grow.height;
        EXPECT_EQ(grow.position, Position());
        EXPECT_EQ(grow.first, tree.GetFirstVisibleRow());
        EXPECT_EQ(29, tree.GetLastVisibleRow());
        // The last row ends on the window's bottom edge or above it.
        EXPECT_LE(tree.paintedRects.back().bottom, client.bottom);
        EXPECT_EQ(tree.GetRowItem(29), tree.painted.back());
    }
}

TEST_F(TreeWindow, HitFlagsFollowTheStyle)
{
    Fill(3, 0);
    const int buttonX = 10, checkX = 25, rowX = 100, outsideX = 280;
    const struct {
        UINT style;
        bool rects;
        int x;
        UINT flags;
    } cases[] = {
        {CTreeListCtrl::StyleDefault, true, buttonX, 1},
        {CTreeListCtrl::StyleDefault, true, checkX, 0},
        {CTreeListCtrl::StyleDefault, true, rowX, 5},
        {CTreeListCtrl::StyleDefault, true, outsideX, 0},
        {CTreeListCtrl::StyleHitButton | CTreeListCtrl::StyleCheckBoxes, true, buttonX, 1},
        {CTreeListCtrl::StyleHitButton | CTreeListCtrl::StyleCheckBoxes, true, checkX, 2},
        {CTreeListCtrl::StyleHitButton | CTreeListCtrl::StyleCheckBoxes, true, rowX, 4},
        {0, true, buttonX, 0},
        {CTreeListCtrl::StyleDefault, false, rowX, 0},
    };
    for (const auto& test : cases) {
        tree.DeleteAllItems();
        groupItems.clear();
        tree.storeRects = test.rects;
        Fill(3, 0);
        tree.SetStyleFlags(test.style);
        UINT flags = 99;
        EXPECT_EQ(groupItems[1], tree.HitTest(CPoint(test.x, 30), &flags));
        EXPECT_EQ(test.flags, flags) << "style " << test.style << " x " << test.x;
        EXPECT_EQ(nullptr, tree.HitTest(CPoint(test.x, 65), &flags)); // below the last row
        EXPECT_EQ(0u, flags);
    }
}

TEST_F(TreeWindow, WheelAndEnsureVisibleScrollByRows)
{
    Fill(30, 0);
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    ASSERT_NE(WHEEL_PAGESCROLL, lines);
    tree.SetRowVisibilityNotify(TRUE);
    EXPECT_TRUE(tree.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0));
    EXPECT_EQ(static_cast<int>(lines), Position());
    // Row by row: the top row left, the row after the page came in (the
    // page shows ten whole rows and part of the next).
    ASSERT_EQ(2 * lines, tree.visibility.size());
    for (UINT i = 0; i < lines; ++i) {
        EXPECT_EQ(std::make_pair(groupItems[i], FALSE), tree.visibility[2 * i]);
        EXPECT_EQ(std::make_pair(groupItems[11 + i], TRUE), tree.visibility[2 * i + 1]);
    }
    tree.SetRowVisibilityNotify(FALSE);
    tree.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(0, Position());

    const struct {
        int row, top;
    } ensures[] = {{20, 16}, {5, 5}, {10, 5}, {29, 20}};
    for (const auto& ensure : ensures) {
        tree.EnsureVisible(tree.GetRowItem(ensure.row));
        EXPECT_EQ(ensure.top, Position()) << ensure.row;
        EXPECT_EQ(ensure.top, tree.GetFirstVisibleRow());
    }
    // A list that fits takes no wheel.
    tree.DeleteAllItems();
    groupItems.clear();
    Fill(2, 0);
    EXPECT_FALSE(tree.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0));
}

TEST_F(TreeWindow, RequestsOfDeletedItemsAreIgnored)
{
    Fill(30, 0);
    CTreeListItem* gone = groupItems[25];
    tree.DeleteItem(gone);
    for (auto request : {CTreeListCtrl::RequestSelectItem, CTreeListCtrl::RequestEnsureVisible,
                         CTreeListCtrl::RequestUpdateItem})
        tree.PostRequest(request, gone, 1);
    Drain();
    EXPECT_EQ(0u, tree.GetSelectedCount());
    EXPECT_EQ(0, Position());
    // An item without a row (its group is collapsed) scrolls nothing.
    CTreeListItem* hidden = tree.InsertItem(groupItems[28], L"hidden");
    tree.EnsureVisible(hidden);
    EXPECT_EQ(0, Position());
    EXPECT_EQ(nullptr, tree.GetNextVisibleItem(hidden));
    tree.PostRequest(CTreeListCtrl::RequestSelectItem, groupItems[20], 1);
    Drain();
    EXPECT_EQ(groupItems[20], tree.GetFirstSelectedItem());
    EXPECT_LE(tree.GetFirstVisibleRow(), 19);
    EXPECT_GE(tree.GetLastVisibleRow(), 19);
}

// A row deleted inside a delete batch leaves the laid-out rows when the
// batch ends: the others are found where they are, at their new indexes.
TEST_F(TreeWindow, ARowDeletedInABatchLeavesTheOthersFoundInPlace)
{
    Fill(3, 0);
    {
        CTreeListCtrl::CDeleteBatch batch(tree);
        EXPECT_TRUE(tree.DeleteItem(groupItems[1]));
    }
    ASSERT_EQ(2, tree.GetRowCount());
    EXPECT_EQ(groupItems[2], tree.GetRowItem(1));
    EXPECT_EQ(groupItems[0], tree.HitTest(CPoint(100, 10)));
    EXPECT_EQ(nullptr, tree.HitTest(CPoint(100, 30))) << "the deleted row's place";
    EXPECT_EQ(groupItems[2], tree.HitTest(CPoint(100, 50)));
}

// Every select and ensure-visible request is carried out, in the order it
// was posted, after a layout when it asks for one (so that a row added since
// the last layout is found).
TEST_F(TreeWindow, SelectAndEnsureRequestsAreEachCarriedOutInOrder)
{
    Fill(30, 0);
    for (auto request : {CTreeListCtrl::RequestSelectItem, CTreeListCtrl::RequestEnsureVisible}) {
        tree.SendMessage(WM_VSCROLL, SB_TOP);
        tree.PostRequest(request, groupItems[25], 0);
        tree.PostRequest(request, groupItems[15], 0);
        Drain();
        EXPECT_EQ(15, tree.GetFirstVisibleRow()) << request;
        CTreeListItem* added = tree.InsertItem(nullptr, L"new");
        tree.PostRequest(request, added, 1);
        Drain();
        const int row = tree.GetRowCount() - 1;
        ASSERT_EQ(added, tree.GetRowItem(row));
        EXPECT_LE(tree.GetFirstVisibleRow(), row) << request;
        EXPECT_GE(tree.GetLastVisibleRow(), row) << request;
        if (request == CTreeListCtrl::RequestSelectItem) {
            EXPECT_EQ(added, tree.GetFirstSelectedItem());
            EXPECT_EQ(1u, tree.GetSelectedCount());
        }
    }
}

// A paint hook may change items: rows it deletes are not drawn, and the
// paint leaves the lock free for the other threads.
TEST_F(TreeWindow, APaintHookThatDeletesRowsEndsThePaintCleanly)
{
    Fill(12, 0);
    std::vector<CTreeListItem*> drawnDeleted;
    tree.afterDraw = [&](CTreeListItem* item) {
        if (!tree.IsValidItem(item))
            drawnDeleted.push_back(item);
        if (item == groupItems[0]) {
            for (size_t i = 1; i < groupItems.size(); ++i)
                tree.DeleteItem(groupItems[i]);
        }
    };
    tree.Invalidate();
    tree.UpdateWindow();
    tree.afterDraw = nullptr;
    EXPECT_EQ(std::vector<CTreeListItem*>{groupItems[0]}, tree.painted);
    EXPECT_TRUE(drawnDeleted.empty());
    std::atomic<bool> answered{false};
    std::thread other([&] {
        tree.IsValidItem(groupItems[0]);
        answered = true;
    });
    const bool free = PumpUntil([&] { return answered.load(); });
    if (!free)
        other.detach(); // stuck on the lock: the assertion below ends the test
    ASSERT_TRUE(free);
    other.join();
}

// A window made again from the same object takes posted layouts again (the
// layout its destruction asked for never came).
TEST_F(TreeWindow, ARecreatedWindowTakesLayoutRequests)
{
    Fill(3, 0);
    tree.DestroyWindow();
    ASSERT_TRUE(tree.Create(&parent, CRect(0, 0, 300, 200)));
    Drain();
    tree.InsertItem(nullptr, L"again");
    tree.PostLayout();
    Drain();
    EXPECT_EQ(1, tree.GetRowCount());
    ASSERT_NE(nullptr, tree.GetHeaderCtrl());
}

// A worker inserts, relabels, expands, selects and deletes while the window
// keeps painting: nothing waits on the other for good, and the worker's many
// layout requests fold into a few.
TEST_F(TreeWindow, AWorkerChangesItemsWhileTheWindowPaints)
{
    Fill(5, 0);
    std::atomic<bool> done{false};
    const int kItems = 1000;
    std::thread worker([&] {
        for (int i = 0; i < kItems; ++i) {
            CTreeListItem* group = groupItems[i % 5];
            CTreeListItem* item = tree.InsertItem(group, L"new");
            tree.SetItemText(item, L"relabelled");
            tree.Expand(group, TRUE, 0);
            tree.SelectItem(item, TRUE, FALSE, TRUE);
            tree.EnsureVisible(item);
            tree.PostLayout();
            if (i % 10 == 9)
                tree.DeleteItem(item);
        }
        done = true;
    });
    const bool finished = PumpUntil(
        [&] {
            tree.Invalidate();
            tree.UpdateWindow();
            return done.load();
        },
        20000);
    if (!finished)
        worker.detach(); // stuck: the assertion below ends the test
    ASSERT_TRUE(finished);
    worker.join();
    Layout();
    EXPECT_EQ(5 + kItems - kItems / 10, tree.GetRowCount());
    EXPECT_LT(tree.layoutRequests, kItems / 4);
}

TEST_F(TreeWindow, ScreenshotOfGroupsAndRows)
{
    Fill(4, 2, 2);
    tree.SelectItem(linkItems[1], TRUE, FALSE, TRUE);
    Drain();
    // For people to look at; nothing compares it: the pixels below are the check.
    SkinTest::SaveWindowShot(tree.m_hWnd, SkinTest::ArtefactPath(L"treelist_groups.png"));
    SkinTest::Pixels shot = SkinTest::CaptureClient(tree.m_hWnd);
    // Rows: g1, l1.1, l1.2 (selected), g2, l2.1, l2.2, g3, g4.
    const struct {
        int row;
        COLORREF fill;
    } rows[] = {{0, kGroupFill}, {1, RGB(255, 255, 255)}, {2, kSelectedFill},
                {3, kGroupFill}, {6, kGroupFill},         {7, kGroupFill}};
    for (const auto& row : rows)
        EXPECT_COLOR(row.fill, shot.Pixel(290, row.row * 20 + 10)) << "row " << row.row;
    // Expanded groups point down (the bottom middle of the arrow is drawn),
    // collapsed ones right.
    EXPECT_COLOR(kButtonColor, shot.Pixel(10, 3 * 20 + 13));
    EXPECT_COLOR(kGroupFill, shot.Pixel(10, 6 * 20 + 15));
    EXPECT_COLOR(kButtonColor, shot.Pixel(8, 6 * 20 + 10));
    // Text is drawn in each row, links indented further than groups.
    auto inkIn = [&](int row, int left, int right) {
        int ink = 0;
        for (int y = row * 20 + 2; y < row * 20 + 18; ++y)
            for (int x = left; x < right; ++x)
                ink += GetRValue(shot.Pixel(x, y)) < 100;
        return ink;
    };
    EXPECT_GT(inkIn(0, 40, 56), 3);
    EXPECT_EQ(0, inkIn(1, 40, 56));
    EXPECT_GT(inkIn(1, 56, 120), 10);
    // Below the last row only the background.
    EXPECT_COLOR(RGB(255, 255, 255), shot.Pixel(150, 199));
}

TEST_F(TreeWindow, AHeaderTakesTheTopBandAndSetsTheRowWidth)
{
    Fill(30, 0);
    tree.SetStyleFlags(CTreeListCtrl::StyleDefault | CTreeListCtrl::StyleHeader);
    HDITEMW column = {};
    column.mask = HDI_WIDTH;
    column.cxy = 120;
    for (int i = 0; i < 2; ++i)
        tree.GetHeaderCtrl()->InsertItem(i, &column);
    Layout();
    CRect header;
    tree.GetHeaderCtrl()->GetClientRect(&header);
    const CRect content = tree.GetContentRect();
    ASSERT_GT(header.Height(), 0);
    EXPECT_EQ(header.Height(), content.top);
    EXPECT_EQ(240, tree.GetHeaderWidth());
    EXPECT_EQ(CRect(0, content.top, 240, content.top + 20), tree.paintedRects[0]);
    EXPECT_EQ(groupItems[1], tree.HitTest(CPoint(100, content.top + 25)));
    EXPECT_EQ(nullptr, tree.HitTest(CPoint(100, content.top - 5)));
}

} // namespace
