// A tree list in a window for the GUI tests: it draws each row as a band
// with its text, stores the button, check and row rectangles as a derived
// list does, and records the hooks it is given.
#pragma once

#include "skin/tests/GuiTestHelpers.h"
#include "skin/treelist/CTreeListCtrl.h"

#include <functional>
#include <vector>

namespace TreeListTest
{
using namespace SkinControl;

const COLORREF kSelectedFill = RGB(252, 236, 173);
const COLORREF kHotFill = RGB(197, 227, 248);
const COLORREF kGroupFill = RGB(225, 232, 245);
const COLORREF kButtonColor = RGB(40, 90, 160);
const COLORREF kMarqueeFrame = RGB(10, 36, 106);

// Where the drawing puts a row's parts (x ranges in client coordinates).
const int kButtonLeft = 4, kButtonRight = 16;
const int kCheckLeft = 20, kCheckRight = 32;
const int kRowLeft = 40, kRowRight = 260;

class RecordingTree : public CTreeListCtrl
{
public:
    std::vector<CTreeListItem*> painted; // rows of the last paint
    std::vector<CRect> paintedRects;
    bool storeRects = true;
    int drags = 0;
    std::vector<std::pair<CTreeListItem*, UINT>> clicks;
    int layoutRequests = 0;
    std::vector<std::pair<CTreeListItem*, BOOL>> visibility;
    // Runs after each row is drawn, inside the paint.
    std::function<void(CTreeListItem*)> afterDraw;

protected:
    BOOL DrawBackground(CDC* dc, RECT content) override
    {
        painted.clear();
        paintedRects.clear();
        return CTreeListCtrl::DrawBackground(dc, content);
    }
    void DrawItem(TreeListDrawInfo* info) override
    {
        painted.push_back(info->item);
        paintedRects.push_back(info->rect);
        CDC* dc = info->dc;
        const CRect& row = info->rect;
        const bool group = GetParentItem(info->item) == GetRootItem();
        if (IsItemSelected(info->item))
            dc->FillSolidRect(row, kSelectedFill);
        else if (GetHotItem() == info->item)
            dc->FillSolidRect(row, kHotFill);
        else if (group)
            dc->FillSolidRect(row, kGroupFill);
        const int indent = group ? 0 : 16;
        CRect button(row.left + kButtonLeft + indent, row.top + 4, row.left + kButtonRight + indent,
                     row.bottom - 4);
        if (group) {
            // An arrow: right when collapsed, down when expanded.
            POINT arrow[3];
            if (IsExpanded(info->item)) {
                arrow[0] = {button.left, button.top + 2};
                arrow[1] = {button.right, button.top + 2};
                arrow[2] = {(button.left + button.right) / 2, button.bottom - 2};
            } else {
                arrow[0] = {button.left + 2, button.top};
                arrow[1] = {button.right - 2, (button.top + button.bottom) / 2};
                arrow[2] = {button.left + 2, button.bottom};
            }
            HBRUSH brush = ::CreateSolidBrush(kButtonColor);
            HGDIOBJ oldBrush = ::SelectObject(*dc, brush);
            HGDIOBJ oldPen = ::SelectObject(*dc, ::GetStockObject(NULL_PEN));
            ::Polygon(*dc, arrow, 3);
            ::SelectObject(*dc, oldPen);
            ::SelectObject(*dc, oldBrush);
            ::DeleteObject(brush);
        }
        CRect text(row.left + kRowLeft + indent, row.top, row.left + kRowRight, row.bottom);
        dc->SetBkMode(TRANSPARENT);
        dc->SetTextColor(RGB(0, 0, 0));
        HGDIOBJ oldFont = ::SelectObject(*dc, ::GetStockObject(DEFAULT_GUI_FONT));
        dc->DrawText(info->text, text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
        ::SelectObject(*dc, oldFont);
        if (storeRects) {
            SetItemButtonRect(info->item,
                              CRect(row.left + kButtonLeft, row.top, row.left + kButtonRight, row.bottom));
            SetItemCheckRect(info->item,
                             CRect(row.left + kCheckLeft, row.top, row.left + kCheckRight, row.bottom));
            SetItemRowRect(info->item, CRect(row.left + kRowLeft, row.top, row.left + kRowRight, row.bottom));
        }
        if (afterDraw)
            afterDraw(info->item);
    }
    void BeginDrag() override { ++drags; }
    void OnRowVisibilityChanged(CTreeListItem* item, BOOL visible) override
    {
        visibility.push_back({item, visible});
    }
    void OnItemClick(CTreeListItem* item, UINT flags) override { clicks.push_back({item, flags}); }
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (message == GetRequestMessage(RequestLayout))
            ++layoutRequests;
        return CTreeListCtrl::OnWndMsg(message, wParam, lParam, result);
    }
};

// Handles every message waiting now, paints included.
inline void Drain()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!AfxWalkPreTranslateTree(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

// Pumps messages until `done` holds or `ms` pass; the result is `done()`.
template <typename Done> bool PumpUntil(Done done, DWORD ms = 5000)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Drain();
    }
    return true;
}

// A tree list of 300 x 200 client pixels in a popup; rows of 20 pixels,
// so ten rows make a page.
class TreeWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(parent.Create(CRect(0, 0, 320, 240)));
        ASSERT_TRUE(tree.Create(&parent, CRect(0, 0, 300, 200)));
        Drain();
    }

    // `groups` top-level rows of `links` children each; the first
    // `expanded` groups are expanded. Laid out.
    void Fill(int groups, int links, int expanded = 0)
    {
        for (int g = 0; g < groups; ++g) {
            CString name;
            name.Format(L"分组 %d", g + 1);
            CTreeListItem* group = tree.InsertItem(nullptr, name);
            groupItems.push_back(group);
            for (int l = 0; l < links; ++l) {
                name.Format(L"Link %d.%d", g + 1, l + 1);
                linkItems.push_back(tree.InsertItem(group, name));
            }
            if (g < expanded)
                tree.Expand(group, FALSE, 0);
        }
        Layout();
    }
    void Layout()
    {
        tree.RecalcLayout();
        Drain();
    }
    int Position()
    {
        SCROLLINFO info = {sizeof(info), SIF_POS, 0, 0, 0, 0, 0};
        return GetScrollInfo(tree.m_hWnd, SB_VERT, &info) ? info.nPos : -1;
    }
    static LPARAM At(int x, int y) { return MAKELPARAM(x, y); }
    // The middle of a row's text, away from the button and row rectangles.
    static LPARAM Row(int row, int x = 280) { return At(x, row * 20 + 10); }

    SkinTest::CheckerParent parent;
    RecordingTree tree;
    std::vector<CTreeListItem*> groupItems;
    std::vector<CTreeListItem*> linkItems;
};

} // namespace TreeListTest
