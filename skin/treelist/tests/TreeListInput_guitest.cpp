// The tree list's keyboard and mouse, driven by posted messages: selection by
// click, Ctrl, Shift and right click, expanding by click, double click and
// keys, drags, the marquee and its automatic scrolling.
#include "TreeListTestHelpers.h"
#include "framework/coolsb/CoolSB.h"

#include <string>

using namespace TreeListTest;

namespace
{

class TreeInput : public TreeWindow
{
protected:
    void Post(UINT message, WPARAM keys, LPARAM point)
    {
        tree.PostMessage(message, keys, point);
        Drain();
    }
    void Click(int row, WPARAM keys = 0, int x = 280)
    {
        Post(WM_LBUTTONDOWN, keys | MK_LBUTTON, Row(row, x));
        Post(WM_LBUTTONUP, keys, Row(row, x));
    }
    void Key(UINT key) { Post(WM_KEYDOWN, key, 0); }
    // The selected rows by row index, in selection order: "5,4,3".
    std::string Selection()
    {
        std::string rows;
        for (UINT i = 0; CTreeListItem* item = tree.GetSelectedItem(i); ++i)
            rows += (i ? "," : "") + std::to_string(item->rowIndex);
        return rows;
    }
    void Select(std::initializer_list<int> rows)
    {
        tree.SelectItem(nullptr, FALSE, FALSE, FALSE);
        for (int row : rows)
            tree.SelectItem(tree.GetRowItem(row), FALSE, TRUE, FALSE);
    }
};

TEST_F(TreeInput, ClicksWithCtrlAndShiftBuildTheSelection)
{
    Fill(12, 0);
    const struct {
        int anchor; // the first selected row before the click, -1 for none
        int row;
        WPARAM keys;
        const char* expected;
    } cases[] = {
        {-1, 4, 0, "4"},
        {2, 4, MK_CONTROL, "2,4"},
        {2, 2, MK_CONTROL, ""},
        {5, 2, MK_SHIFT, "5,4,3,2"},
        {5, 8, MK_SHIFT, "5,6,7,8"},
        {5, 5, MK_SHIFT, "5"},
        {-1, 7, MK_SHIFT, "7"},
    };
    for (const auto& test : cases) {
        if (test.anchor < 0)
            Select({});
        else
            Select({test.anchor});
        Click(test.row, test.keys);
        EXPECT_EQ(test.expected, Selection()) << "anchor " << test.anchor << " row " << test.row;
    }
}

TEST_F(TreeInput, ShiftClickFromAnAnchorWithoutARowStartsAfresh)
{
    Fill(3, 3, 1); // g1, l1.1..3, g2, g3
    tree.SelectItem(linkItems[1], TRUE, FALSE, FALSE);
    tree.Collapse(groupItems[0], TRUE, 0, 0);          // the anchor leaves the rows...
    tree.SelectItem(linkItems[1], TRUE, FALSE, FALSE); // ...and is selected again
    Click(2, MK_SHIFT);
    EXPECT_EQ("2", Selection());
}

// Whatever leaves a selected row without a row at the layout (here a
// selection made under a closed group) takes it out of the selection.
TEST_F(TreeInput, ALayoutDropsSelectedItemsThatGetNoRow)
{
    Fill(2, 2);
    tree.SelectItem(groupItems[1], FALSE, FALSE, FALSE);
    tree.SelectItem(linkItems[0], FALSE, FALSE, FALSE);
    tree.RecalcLayout();
    EXPECT_EQ("1", Selection());
}

TEST_F(TreeInput, AReleaseWithoutMovingCollapsesAMultipleSelection)
{
    Fill(6, 0);
    tree.SetDragEnabled(TRUE);
    Select({1, 3, 4});
    Post(WM_LBUTTONDOWN, MK_LBUTTON, Row(3));
    EXPECT_EQ("1,3,4", Selection()); // kept while a drag may start
    Post(WM_LBUTTONUP, 0, Row(3));
    EXPECT_EQ("3", Selection());
}

TEST_F(TreeInput, RightClickSelectsUnlessTheRowIsSelected)
{
    Fill(6, 0);
    const struct {
        std::initializer_list<int> before;
        int row;
        WPARAM keys;
        const char* expected;
    } cases[] = {
        {{1, 2}, 4, 0, "4"},
        {{1, 2}, 4, MK_CONTROL, "1,2,4"},
        {{1, 2}, 2, 0, "1,2"},
        {{1, 2}, 8, 0, ""},
    };
    for (const auto& test : cases) {
        Select(test.before);
        Post(WM_RBUTTONDOWN, test.keys, Row(test.row));
        EXPECT_EQ(test.expected, Selection()) << "row " << test.row;
    }
}

TEST_F(TreeInput, ClickingTheRowTogglesItAndADoubleClickReportsIt)
{
    Fill(3, 2);
    CTreeListItem* group = groupItems[0];
    Click(0, 0, 100); // on the row rectangle: a button hit with this style
    EXPECT_TRUE(tree.IsExpanded(group));
    EXPECT_EQ(5, tree.GetRowCount());
    Click(0, 0, 100);
    EXPECT_FALSE(tree.IsExpanded(group));
    Click(0, MK_CONTROL, 100); // Ctrl only selects
    EXPECT_FALSE(tree.IsExpanded(group));
    EXPECT_TRUE(tree.clicks.empty());

    // Down, up, double click, up: toggled twice, reported once.
    Click(1, 0, 100);
    Post(WM_LBUTTONDBLCLK, MK_LBUTTON, Row(1, 100));
    Post(WM_LBUTTONUP, 0, Row(1, 100));
    EXPECT_FALSE(tree.IsExpanded(groupItems[1]));
    ASSERT_EQ(1u, tree.clicks.size());
    EXPECT_EQ(groupItems[1], tree.clicks[0].first);
    EXPECT_EQ(5u, tree.clicks[0].second);

    // A double click whose release goes elsewhere ends with the next press,
    // or when the mouse is lost: the release after either reports nothing.
    Click(2, 0, 100);
    Post(WM_LBUTTONDBLCLK, MK_LBUTTON, Row(2, 100));
    Click(2, 0, 100);
    Post(WM_LBUTTONDBLCLK, MK_LBUTTON, Row(2, 100));
    ::SetCapture(tree.m_hWnd);
    ReleaseCapture();
    Post(WM_LBUTTONUP, 0, Row(2, 100));
    EXPECT_EQ(1u, tree.clicks.size());
    Post(WM_LBUTTONDBLCLK, MK_LBUTTON, Row(2, 100));
    Post(WM_LBUTTONUP, 0, Row(2, 100));
    ASSERT_EQ(2u, tree.clicks.size());
    EXPECT_EQ(groupItems[2], tree.clicks[1].first);

    // Double-clicked on one row and released on another: no double click.
    Click(0, 0, 100);
    Post(WM_LBUTTONDBLCLK, MK_LBUTTON, Row(0, 100));
    Post(WM_MOUSEMOVE, MK_LBUTTON, Row(1, 100));
    Post(WM_LBUTTONUP, 0, Row(1, 100));
    EXPECT_EQ(2u, tree.clicks.size()) << "the row under the release started";
}

TEST_F(TreeInput, KeysMoveTheSelectionAndExpand)
{
    Fill(3, 2); // collapsed: rows g1, g2, g3
    const struct {
        int selected; // row, -1 for none
        UINT key;
        const char* selection;
        int rows;
    } cases[] = {
        {1, VK_DOWN, "2", 3},   {2, VK_DOWN, "2", 3},   {0, VK_UP, "0", 3},     {1, VK_UP, "0", 3},
        {-1, VK_RETURN, "", 3}, {0, VK_RETURN, "0", 5}, {0, VK_RETURN, "0", 3}, {1, VK_RIGHT, "1", 5},
        {1, VK_RIGHT, "1", 5},  {1, VK_LEFT, "1", 3},   {-1, VK_RIGHT, "", 3},
    };
    for (const auto& test : cases) {
        Select({});
        if (test.selected >= 0)
            Select({test.selected});
        Key(test.key);
        EXPECT_EQ(test.selection, Selection()) << "row " << test.selected << " key " << test.key;
        EXPECT_EQ(test.rows, tree.GetRowCount());
    }
}

TEST_F(TreeInput, PageDownScrollsAndSelectsTheTopRow)
{
    Fill(30, 0);
    Select({0});
    Key(VK_NEXT);
    EXPECT_EQ(tree.GetFirstVisibleRow(), tree.GetFirstSelectedItem()->rowIndex);
    EXPECT_EQ(10, tree.GetFirstVisibleRow());
    Key(VK_PRIOR);
    EXPECT_EQ("0", Selection());
}

TEST_F(TreeInput, MovingWithTheButtonOnASelectedRowStartsADrag)
{
    Fill(6, 0);
    Select({3});
    Post(WM_LBUTTONDOWN, MK_LBUTTON, Row(3));
    Post(WM_MOUSEMOVE, MK_LBUTTON, Row(3, 270));
    EXPECT_EQ(0, tree.drags); // drag is not enabled
    Post(WM_LBUTTONUP, 0, Row(3, 270));

    tree.SetDragEnabled(TRUE);
    Post(WM_LBUTTONDOWN, MK_LBUTTON, Row(3));
    Post(WM_MOUSEMOVE, MK_LBUTTON, Row(3, 270));
    Post(WM_MOUSEMOVE, MK_LBUTTON, Row(3, 260));
    EXPECT_EQ(2, tree.drags);
    Post(WM_LBUTTONUP, 0, Row(3, 260));
    // A move still carrying the button after the release starts nothing.
    Post(WM_MOUSEMOVE, MK_LBUTTON, Row(3, 250));
    EXPECT_EQ(2, tree.drags);
}

// A drag's own loop takes the release, so the list never sees it. Holding
// the scroll bar's arrow afterwards (the bar captures the mouse for the list's
// window) and moving must scroll, not drag the selection again.
TEST_F(TreeInput, HoldingTheScrollBarAfterADragStartsNoDrag)
{
    ASSERT_TRUE(InitializeCoolSB(tree.m_hWnd));
    Fill(30, 0);
    tree.SetDragEnabled(TRUE);
    Select({3});
    Post(WM_LBUTTONDOWN, MK_LBUTTON, Row(3));
    Post(WM_MOUSEMOVE, MK_LBUTTON, Row(3, 270));
    ASSERT_EQ(1, tree.drags);

    CRect window, client;
    tree.GetWindowRect(&window);
    tree.GetClientRect(&client);
    CPoint arrow(client.right + 4, client.bottom - 4); // the bar's down arrow
    tree.ClientToScreen(&arrow);
    ASSERT_LT(arrow.x, window.right);
    Post(WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(arrow.x, arrow.y));
    ASSERT_EQ(tree.m_hWnd, GetCapture());
    EXPECT_EQ(1, tree.GetFirstVisibleRow());
    tree.ScreenToClient(&arrow);
    Post(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(arrow.x, arrow.y - 2));
    Post(WM_LBUTTONUP, 0, MAKELPARAM(arrow.x, arrow.y - 2));
    EXPECT_EQ(1, tree.drags);
    EXPECT_EQ(nullptr, GetCapture());
}

TEST_F(TreeInput, TheHotItemFollowsTheMouse)
{
    Fill(6, 0);
    Post(WM_MOUSEMOVE, 0, Row(2));
    EXPECT_EQ(groupItems[2], tree.GetHotItem());
    Post(WM_MOUSEMOVE, 0, Row(4));
    EXPECT_EQ(groupItems[4], tree.GetHotItem());
    Post(WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(nullptr, tree.GetHotItem());
    Post(WM_MOUSEMOVE, 0, Row(4));
    tree.DeleteItem(groupItems[4]);
    EXPECT_EQ(nullptr, tree.GetHotItem());
}

TEST_F(TreeInput, ARowDeletedWhileItsPressIsHeldIsForgotten)
{
    Fill(6, 0);
    tree.SetDragEnabled(TRUE);
    Select({2, 3});
    Post(WM_LBUTTONDOWN, MK_LBUTTON, Row(3)); // 3 becomes the pending row
    tree.DeleteItem(groupItems[3]);
    tree.RecalcLayout();
    Post(WM_LBUTTONUP, 0, Row(3));
    EXPECT_EQ("2", Selection());
}

TEST_F(TreeInput, AMarqueeSelectsTheRowsItTouches)
{
    Fill(12, 0);
    tree.SetDragEnabled(TRUE);
    Post(WM_LBUTTONDOWN, MK_LBUTTON, At(120, 1 * 20 + 14)); // the lower half of row 1
    EXPECT_EQ(tree.m_hWnd, GetCapture());
    Post(WM_MOUSEMOVE, MK_LBUTTON, At(200, 2 * 20 + 6)); // the upper half of row 2
    EXPECT_EQ("1,2", Selection());
    // The marquee is drawn with its frame.
    SkinTest::Pixels shot = SkinTest::CaptureClient(tree.m_hWnd);
    EXPECT_COLOR(kMarqueeFrame, shot.Pixel(120, 40));
    EXPECT_COLOR(kMarqueeFrame, shot.Pixel(199, 40));
    Post(WM_MOUSEMOVE, MK_LBUTTON, At(200, 5 * 20 + 6));
    EXPECT_EQ("1,2,3,4,5", Selection());
    Post(WM_LBUTTONUP, 0, At(200, 5 * 20 + 6));
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ("1,2,3,4,5", Selection()); // the release ends it: no click
    EXPECT_FALSE(tree.IsExpanded(groupItems[5]));
    shot = SkinTest::CaptureClient(tree.m_hWnd);
    EXPECT_COLOR(kSelectedFill, shot.Pixel(199, 40)); // no frame any more
    EXPECT_COLOR(kGroupFill, shot.Pixel(199, 6 * 20 + 10));
}

TEST_F(TreeInput, AMarqueeHeldInTheBottomBandScrollsToTheEnd)
{
    Fill(16, 0); // six rows below the first page
    tree.SetDragEnabled(TRUE);
    Post(WM_LBUTTONDOWN, MK_LBUTTON, At(120, 2 * 20 + 10));
    const DWORD start = GetTickCount();
    Post(WM_MOUSEMOVE, MK_LBUTTON, At(120, 195)); // straight down; then the mouse rests
    ASSERT_TRUE(PumpUntil([&] { return tree.GetFirstVisibleRow() == 6; }));
    // Two rows per step, at most one step per 200 ms: three steps.
    EXPECT_GE(GetTickCount() - start, 2u * 200 - 20);
    EXPECT_TRUE(tree.IsItemSelected(tree.GetRowItem(15)));
    EXPECT_TRUE(tree.IsItemSelected(tree.GetRowItem(2)));
    EXPECT_FALSE(tree.IsItemSelected(tree.GetRowItem(1)));
    Post(WM_LBUTTONUP, 0, At(120, 195));
}

TEST_F(TreeInput, LosingTheCaptureEndsTheMarquee)
{
    Fill(12, 0);
    tree.SetDragEnabled(TRUE);
    Post(WM_LBUTTONDOWN, MK_LBUTTON, At(120, 30));
    Post(WM_MOUSEMOVE, MK_LBUTTON, At(200, 70));
    ReleaseCapture();
    Drain();
    Post(WM_MOUSEMOVE, MK_LBUTTON, At(200, 130));
    EXPECT_EQ("1,2,3", Selection());
    EXPECT_EQ(0, tree.drags);
}

} // namespace
