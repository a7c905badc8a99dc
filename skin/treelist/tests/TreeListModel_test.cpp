// The tree list's item model without a window: where items are placed, moves
// and their refusals, deleting subtrees, single expand and its hooks,
// properties, checks and the selection rules.
#include "skin/treelist/CTreeListCtrl.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace SkinControl;

namespace
{

class Tree : public CTreeListCtrl
{
public:
    struct Change {
        std::wstring item;
        BOOL expanded;
        int forSingleExpand;
    };
    std::vector<Change> changes;
    std::function<void(CTreeListItem*)> afterChange;

    CTreeListItem* Add(CTreeListItem* parent, const wchar_t* text) { return InsertItem(parent, text); }
    // The texts of the item's children in order, e.g. "a,b,c".
    std::wstring Children(CTreeListItem* parent)
    {
        std::wstring names;
        for (CTreeListItem* child = GetChildItem(parent); child; child = GetNextSiblingItem(child))
            names += (names.empty() ? L"" : L",") + std::wstring(GetItemText(child));
        return names;
    }

protected:
    void OnExpandChanged(CTreeListItem* item, int, int forSingleExpand, int) override
    {
        changes.push_back({std::wstring(GetItemText(item)), IsExpanded(item), forSingleExpand});
        if (afterChange)
            afterChange(item);
    }
};

class TreeModel : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root = tree.GetRootItem();
        a = tree.Add(nullptr, L"a");
        b = tree.Add(nullptr, L"b");
        c = tree.Add(nullptr, L"c");
        a1 = tree.Add(a, L"a1");
        a2 = tree.Add(a, L"a2");
        a11 = tree.Add(a1, L"a11");
    }

    Tree tree;
    CTreeListItem *root, *a, *b, *c, *a1, *a2, *a11;
};

TEST_F(TreeModel, InsertPlacesTheItemByInsertAfterAppendAndThePartsOfAnEmptyParent)
{
    CTreeListItem* stranger = a1; // a child of another parent
    CTreeListItem notAnItem;
    CTreeListItem* freed = &notAnItem;
    const struct {
        CTreeListItem* after;
        BOOL append;
        const wchar_t* expected;
    } cases[] = {
        {nullptr, TRUE, L"a,b,c,n"}, {nullptr, FALSE, L"n,a,b,c"},  {a, FALSE, L"a,n,b,c"},
        {c, FALSE, L"a,b,c,n"},      {stranger, FALSE, L"a,b,c,n"}, {freed, FALSE, L"a,b,c,n"},
    };
    for (const auto& test : cases) {
        CTreeListItem* item = tree.InsertItem(nullptr, L"n", nullptr, test.after, test.append);
        ASSERT_NE(nullptr, item);
        EXPECT_EQ(test.expected, tree.Children(root)) << "after " << test.after << " append " << test.append;
        EXPECT_EQ(root, tree.GetParentItem(item));
        tree.DeleteItem(item);
    }
    // An empty parent ignores append; a parent that is not an item refuses.
    EXPECT_NE(nullptr, tree.InsertItem(b, L"only", nullptr, nullptr, FALSE));
    EXPECT_EQ(L"only", tree.Children(b));
    EXPECT_EQ(nullptr, tree.InsertItem(freed, L"lost"));
    EXPECT_EQ(CString(), tree.GetItemText(freed));
}

TEST_F(TreeModel, InsertedItemsTakeTheDefaultHeightTextAndData)
{
    tree.SetDefaultRowHeight(26);
    int data = 0;
    TreeListInsertInfo info;
    info.data = &data;
    info.parent = b;
    CTreeListItem* item = tree.InsertItemEx(info);
    EXPECT_EQ(26, item->height);
    EXPECT_EQ(CString(L""), tree.GetItemText(item));
    EXPECT_EQ(&data, tree.GetItemData(item));
}

TEST_F(TreeModel, MoveRelinksInFrontOfTheTargetAndRefusesCycles)
{
    const struct {
        CTreeListItem** item;
        CTreeListItem** before;
        BOOL result;
        const wchar_t* top;
        const wchar_t* underA;
    } cases[] = {
        {&c, &a, TRUE, L"c,a,b", L"a1,a2"},      // in front of a sibling
        {&c, nullptr, TRUE, L"c,a,b", L"a1,a2"}, // to the front of its parent
        {&a2, &a1, TRUE, L"a,b,c", L"a2,a1"},    // within a group
        {&b, &a2, TRUE, L"a,c", L"a1,b,a2"},     // into another parent
        {&a, &a, FALSE, L"a,b,c", L"a1,a2"},     // onto itself
        {&a, &a11, FALSE, L"a,b,c", L"a1,a2"},   // into its own subtree
        {&root, &a, FALSE, L"a,b,c", L"a1,a2"},  // the root
        {&b, &root, FALSE, L"a,b,c", L"a1,a2"},  // onto the root
    };
    for (const auto& test : cases) {
        tree.DeleteAllItems();
        SetUp();
        CTreeListItem* before = test.before ? *test.before : nullptr;
        EXPECT_EQ(test.result, tree.MoveItem(*test.item, before)) << tree.GetItemText(*test.item);
        EXPECT_EQ(test.top, tree.Children(root));
        EXPECT_EQ(test.underA, tree.Children(a));
    }
}

TEST_F(TreeModel, DeletingASubtreeFreesItAndClearsTheSelection)
{
    tree.SelectItem(a11, FALSE, FALSE, FALSE);
    tree.SelectItem(b, FALSE, FALSE, FALSE);
    tree.SelectItem(a2, FALSE, FALSE, FALSE);
    EXPECT_FALSE(tree.DeleteItem(root));
    EXPECT_TRUE(tree.DeleteItem(a));
    for (CTreeListItem* gone : {a, a1, a2, a11})
        EXPECT_FALSE(tree.IsValidItem(gone));
    EXPECT_EQ(L"b,c", tree.Children(root));
    ASSERT_EQ(1u, tree.GetSelectedCount());
    EXPECT_EQ(b, tree.GetFirstSelectedItem());
    EXPECT_FALSE(tree.DeleteItem(a));

    tree.DeleteAllItems();
    EXPECT_TRUE(tree.IsValidItem(root));
    EXPECT_EQ(nullptr, tree.GetChildItem(root));
    EXPECT_EQ(0u, tree.GetSelectedCount());
}

// Inside a delete batch rows leave the selection's list once, at its end,
// the others keeping their order; a row selected again there stays.
TEST_F(TreeModel, InABatchRowsLeaveTheSelectionOnceInOrder)
{
    for (CTreeListItem* item : {a2, b, a1, c})
        tree.SelectItem(item, FALSE, FALSE, FALSE);
    {
        CTreeListCtrl::CDeleteBatch batch(tree);
        EXPECT_TRUE(tree.DeleteItem(a1));
        tree.SelectItem(b, FALSE, FALSE, FALSE); // off
        tree.SelectItem(b, FALSE, FALSE, FALSE); // on again, now last
    }
    std::vector<CTreeListItem*> selected;
    for (UINT i = 0; CTreeListItem* item = tree.GetSelectedItem(i); ++i)
        selected.push_back(item);
    EXPECT_EQ((std::vector<CTreeListItem*>{a2, c, b}), selected);
}

TEST_F(TreeModel, InvalidItemsAnswerNothing)
{
    CTreeListItem notAnItem;
    for (CTreeListItem* item : {static_cast<CTreeListItem*>(nullptr), &notAnItem}) {
        EXPECT_FALSE(tree.IsValidItem(item));
        EXPECT_FALSE(tree.Expand(item, FALSE, 1));
        EXPECT_FALSE(tree.Collapse(item, FALSE, 1, 0));
        EXPECT_FALSE(tree.SetItemText(item, L"t"));
        EXPECT_FALSE(tree.SetItemCheck(item, TRUE, FALSE));
        EXPECT_FALSE(tree.MoveItem(item, nullptr));
        EXPECT_EQ(nullptr, tree.GetParentItem(item));
        EXPECT_EQ(nullptr, tree.GetItemData(item));
        EXPECT_EQ(0, tree.GetItemTypeValue(item));
    }
    EXPECT_TRUE(tree.changes.empty());
}

TEST_F(TreeModel, ItemTypeIsATextPropertyReadAsANumber)
{
    EXPECT_EQ(0, tree.GetItemTypeValue(a));
    EXPECT_EQ(CString(), tree.GetItemType(a));
    tree.SetItemTypeValue(a, 2);
    EXPECT_EQ(CString(L"2"), tree.GetItemType(a));
    EXPECT_EQ(2, tree.GetItemTypeValue(a));
    tree.SetItemType(a, L"7up");
    EXPECT_EQ(7, tree.GetItemTypeValue(a));
}

TEST_F(TreeModel, SingleExpandCollapsesTheExpandedSiblingsFirst)
{
    tree.SetSingleExpand(TRUE);
    tree.Expand(b, FALSE, 1);
    tree.changes.clear();
    tree.SelectItem(a1, FALSE, FALSE, FALSE);
    tree.Expand(a, FALSE, 1);
    EXPECT_FALSE(tree.IsExpanded(b));
    EXPECT_TRUE(tree.IsExpanded(a));
    ASSERT_EQ(2u, tree.changes.size());
    EXPECT_EQ(L"b", tree.changes[0].item);
    EXPECT_EQ(1, tree.changes[0].forSingleExpand);
    EXPECT_EQ(L"a", tree.changes[1].item);

    // Expanding it again collapses it (dropping its children's selection)
    // and expands it once more.
    tree.SelectItem(a1, FALSE, FALSE, FALSE);
    tree.changes.clear();
    tree.Expand(a, FALSE, 1);
    ASSERT_EQ(2u, tree.changes.size());
    EXPECT_FALSE(tree.changes[0].expanded);
    EXPECT_TRUE(tree.changes[1].expanded);
    EXPECT_FALSE(tree.IsItemSelected(a1));
}

TEST_F(TreeModel, SingleExpandSurvivesAHookThatDeletesSiblings)
{
    tree.SetSingleExpand(TRUE);
    tree.Expand(a, FALSE, 1);
    tree.Expand(b, FALSE, 0);
    tree.SetSingleExpand(FALSE);
    tree.Expand(a, FALSE, 0);
    tree.SetSingleExpand(TRUE);
    // Collapsing a deletes a itself and b; the walk must stop cleanly.
    tree.afterChange = [&](CTreeListItem* item) {
        if (item == a) {
            tree.DeleteItem(b);
            tree.DeleteItem(a);
        }
    };
    EXPECT_TRUE(tree.Expand(c, FALSE, 0));
    EXPECT_EQ(L"c", tree.Children(root));
    EXPECT_TRUE(tree.IsExpanded(c));
}

TEST_F(TreeModel, CollapseDropsTheSubtreeFromTheSelection)
{
    for (CTreeListItem* item : {a1, a2, a11, b})
        tree.SelectItem(item, FALSE, FALSE, FALSE);
    EXPECT_TRUE(tree.Collapse(a, FALSE, 1, 0));
    EXPECT_TRUE(tree.changes.empty()); // it was not expanded
    ASSERT_EQ(1u, tree.GetSelectedCount());
    EXPECT_EQ(b, tree.GetFirstSelectedItem());
}

// A row moved under a closed group is out of sight: it and its subtree
// leave the selection; a row moved where it shows keeps its place in it.
TEST_F(TreeModel, RowsMovedUnderAClosedGroupLeaveTheSelection)
{
    CTreeListItem* b1 = tree.Add(b, L"b1");
    tree.Expand(a, FALSE, 0);
    tree.Expand(a1, FALSE, 0);
    for (CTreeListItem* item : {a1, a11, a2})
        tree.SelectItem(item, FALSE, FALSE, FALSE);
    EXPECT_TRUE(tree.MoveItem(a2, c));
    EXPECT_TRUE(tree.MoveItem(a1, b1));
    EXPECT_EQ(L"a1,b1", tree.Children(b));
    ASSERT_EQ(1u, tree.GetSelectedCount());
    EXPECT_EQ(a2, tree.GetFirstSelectedItem());
}

// What can't be seen is not acted on: hiding drops the item and everything
// under it from the selection, and showing it again selects nothing.
TEST_F(TreeModel, HidingDropsTheSubtreeFromTheSelection)
{
    for (CTreeListItem* item : {a, a2, a11, b})
        tree.SelectItem(item, FALSE, FALSE, FALSE);
    EXPECT_TRUE(tree.SetItemVisible(a1, FALSE));
    EXPECT_EQ(3u, tree.GetSelectedCount());
    EXPECT_FALSE(tree.IsItemSelected(a11));
    EXPECT_TRUE(tree.SetItemVisible(a, FALSE));
    EXPECT_TRUE(tree.SetItemVisible(a, TRUE));
    EXPECT_TRUE(tree.SetItemVisible(a1, TRUE));
    ASSERT_EQ(1u, tree.GetSelectedCount());
    EXPECT_EQ(b, tree.GetFirstSelectedItem());
}

TEST_F(TreeModel, SelectionFollowsClearForceAndToggle)
{
    const struct {
        CTreeListItem** item;
        BOOL clear, force;
        const wchar_t* expected;
    } steps[] = {
        {&a, FALSE, FALSE, L"a"},     {&b, FALSE, FALSE, L"a,b"}, {&a, FALSE, TRUE, L"a,b"},
        {&a, FALSE, FALSE, L"b"},     {&c, TRUE, FALSE, L"c"},    {&b, FALSE, FALSE, L"c,b"},
        {nullptr, FALSE, FALSE, L""}, {&a1, TRUE, TRUE, L"a1"},
    };
    for (const auto& step : steps) {
        tree.SelectItem(step.item ? *step.item : nullptr, step.clear, step.force, FALSE);
        std::wstring names;
        for (UINT i = 0; CTreeListItem* item = tree.GetSelectedItem(i); ++i) {
            names += (i ? L"," : L"") + std::wstring(tree.GetItemText(item));
            EXPECT_TRUE(tree.IsItemSelected(item));
        }
        EXPECT_EQ(step.expected, names);
    }
}

TEST_F(TreeModel, ChecksGoDownTheSubtreeAndShowOnlyWithCheckBoxes)
{
    a1->checkable = FALSE;
    EXPECT_TRUE(tree.SetItemCheck(a, TRUE, FALSE));
    EXPECT_FALSE(tree.GetItemCheck(a)); // no check boxes in this style
    tree.SetStyleFlags(CTreeListCtrl::StyleDefault | CTreeListCtrl::StyleCheckBoxes);
    EXPECT_TRUE(tree.GetItemCheck(a));
    EXPECT_FALSE(tree.GetItemCheck(a1));
    EXPECT_TRUE(tree.GetItemCheck(a11));
    EXPECT_FALSE(tree.GetItemCheck(b));
}

} // namespace
