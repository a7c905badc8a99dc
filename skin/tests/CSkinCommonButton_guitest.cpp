// The dialogs' push buttons, check boxes and radio buttons as drawn: which
// image frame and slice each state shows, the label and its focus frame.
#include "DialogTestSkin.h"

#include "skin/CSkinCommonButton.h"

#include <memory>
#include <vector>

using namespace SkinControl;
using namespace SkinTest;

namespace
{

class CommonButton : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = new TempFolder;
        LoadDialogSkin(*folder);
        parent = new CheckerParent;
        ASSERT_TRUE(parent->Create(CRect(50, 50, 450, 250)));
    }
    static void TearDownTestSuite()
    {
        delete parent;
        parent = nullptr;
        UnloadDialogSkin();
        delete folder;
        folder = nullptr;
    }

    CSkinCommonButton& Add(const wchar_t* text, DWORD style, const RECT& rect = CRect(10, 10, 50, 20))
    {
        buttons.emplace_back(new CSkinCommonButton);
        EXPECT_TRUE(buttons.back()->Create(text, WS_CHILD | WS_VISIBLE | style, rect, parent,
                                           static_cast<UINT>(100 + buttons.size())));
        return *buttons.back();
    }

    static TempFolder* folder;
    static CheckerParent* parent;
    std::vector<std::unique_ptr<CSkinCommonButton>> buttons;
};

TempFolder* CommonButton::folder = nullptr;
CheckerParent* CommonButton::parent = nullptr;

void ExpectPushFrame(CSkinCommonButton& button, int frame)
{
    MemoryCanvas canvas(40, 10);
    button.DrawPushButton(&canvas.dc, 0, 0, 40, 10, 0);
    EXPECT_COLOR(CommonButtonLeft(frame), canvas.Pixel(2, 5));
    EXPECT_COLOR(CommonButtonLeft(frame), canvas.Pixel(6, 0));
    EXPECT_COLOR(CommonButtonMiddle(frame), canvas.Pixel(7, 5));
    EXPECT_COLOR(CommonButtonMiddle(frame), canvas.Pixel(32, 9));
    EXPECT_COLOR(CommonButtonRight(frame), canvas.Pixel(33, 5));
    EXPECT_COLOR(CommonButtonRight(frame), canvas.Pixel(39, 5));
}

TEST_F(CommonButton, PushButtonShowsNormalHoverAndPressedFramesInThreeSlices)
{
    CSkinCommonButton& button = Add(L"", BS_PUSHBUTTON);
    ExpectPushFrame(button, 0);
    button.SendMessage(WM_MOUSEHOVER, 0, MAKELPARAM(3, 3));
    ExpectPushFrame(button, 1);
    button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    ExpectPushFrame(button, 2);
    button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    ExpectPushFrame(button, 1);
}

TEST_F(CommonButton, NarrowPushButtonDrawsOverlappingCapsAndNoMiddle)
{
    CSkinCommonButton& button = Add(L"", BS_PUSHBUTTON);
    MemoryCanvas canvas(10, 10);
    button.DrawPushButton(&canvas.dc, 0, 0, 10, 10, 0);
    EXPECT_COLOR(CommonButtonLeft(0), canvas.Pixel(2, 5));
    EXPECT_COLOR(CommonButtonRight(0), canvas.Pixel(3, 5));
    EXPECT_COLOR(CommonButtonRight(0), canvas.Pixel(9, 5));
}

TEST_F(CommonButton, PushButtonTextIsBlackAndCentred)
{
    CSkinCommonButton& button = Add(L"确定", BS_PUSHBUTTON);
    MemoryCanvas canvas(68, 22);
    button.DrawPushButton(&canvas.dc, 0, 0, 68, 22, 0);
    const CSize text = MeasureText(L"Font9", L"确定");
    const int left = (68 - text.cx) / 2;
    EXPECT_GT(DarkPixels(canvas, CRect(left, 0, left + text.cx, 22)), 10);
    EXPECT_EQ(0, DarkPixels(canvas, CRect(0, 0, left - 2, 22)));
    EXPECT_EQ(0, DarkPixels(canvas, CRect(left + text.cx + 2, 0, 68, 22)));
}

TEST_F(CommonButton, PushButtonFocusFrameOnlyWithTheFlagAndFocus)
{
    CSkinCommonButton& button = Add(L"", BS_PUSHBUTTON);
    const CRect frameRow(1, 1, 66, 2);
    MemoryCanvas unflagged(68, 22);
    button.DrawPushButton(&unflagged.dc, 0, 0, 68, 22, ODS_FOCUS);
    EXPECT_EQ(0, DarkPixels(unflagged, frameRow));

    button.SetFocusFrame(true);
    MemoryCanvas unfocused(68, 22);
    button.DrawPushButton(&unfocused.dc, 0, 0, 68, 22, 0);
    EXPECT_EQ(0, DarkPixels(unfocused, frameRow));

    MemoryCanvas focused(68, 22);
    button.DrawPushButton(&focused.dc, 0, 0, 68, 22, ODS_FOCUS);
    // A dotted line: about every other pixel along the top, none outside.
    EXPECT_GT(DarkPixels(focused, frameRow), 20);
    EXPECT_EQ(0, DarkPixels(focused, CRect(0, 0, 68, 1)));
    EXPECT_EQ(0, DarkPixels(focused, CRect(0, 21, 68, 22)));
}

COLORREF MarkPixel(CSkinCommonButton& button, UINT itemState = 0)
{
    MemoryCanvas canvas(60, 24);
    if (button.GetStyleKind() == CSkinButtonEx::StyleCheckBox)
        button.DrawCheckBox(&canvas.dc, 0, 0, 60, 24, itemState);
    else
        button.DrawRadioButton(&canvas.dc, 0, 0, 60, 24, itemState);
    return canvas.Pixel(4 + 8, 4 + 8);
}

TEST_F(CommonButton, CheckBoxFramesFollowStateAndCheckMark)
{
    CSkinCommonButton& box = Add(L"", BS_CHECKBOX);
    EXPECT_COLOR(MarkColor(0), MarkPixel(box));
    EXPECT_COLOR(MarkColor(3), MarkPixel(box, ODS_DISABLED));
    box.SendMessage(WM_MOUSEHOVER, 0, MAKELPARAM(3, 3));
    EXPECT_COLOR(MarkColor(1), MarkPixel(box));
    box.SetCheck(BST_CHECKED);
    EXPECT_COLOR(MarkColor(5), MarkPixel(box));
    EXPECT_COLOR(MarkColor(7), MarkPixel(box, ODS_DISABLED));
    box.SendMessage(WM_MOUSELEAVE);
    EXPECT_COLOR(MarkColor(4), MarkPixel(box));
}

TEST_F(CommonButton, PressedCheckedBoxShowsFrameSixAndReleaseUnchecksItWhileHovered)
{
    CSkinCommonButton& box = Add(L"", BS_CHECKBOX);
    box.SetCheck(BST_CHECKED);
    box.SendMessage(WM_MOUSEHOVER, 0, MAKELPARAM(3, 3));
    box.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    EXPECT_COLOR(MarkColor(6), MarkPixel(box));
    box.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(BST_UNCHECKED, box.GetCheck());
    EXPECT_COLOR(MarkColor(1), MarkPixel(box));
}

TEST_F(CommonButton, RadioButtonsBlackIsTransparentAndCheckedFramesFollow)
{
    CSkinCommonButton& radio = Add(L"", BS_AUTORADIOBUTTON | WS_GROUP);
    MemoryCanvas canvas(60, 24, RGB(255, 255, 255));
    radio.DrawRadioButton(&canvas.dc, 0, 0, 60, 24, 0);
    EXPECT_COLOR(RGB(255, 255, 255), canvas.Pixel(4 + 1, 4 + 1));
    EXPECT_COLOR(RGB(255, 255, 255), canvas.Pixel(4 + 14, 4 + 8));
    EXPECT_COLOR(MarkColor(0), canvas.Pixel(4 + 8, 4 + 8));
    radio.SetCheck(BST_CHECKED);
    EXPECT_COLOR(MarkColor(4), MarkPixel(radio));
    radio.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    EXPECT_COLOR(MarkColor(6), MarkPixel(radio));
    radio.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}

TEST_F(CommonButton, LabelSitsRightOfTheMarkAndLongOnesStayInsideWithTheirFocusFrame)
{
    CSkinCommonButton& box = Add(L"开机时自动启动 Velmora 并最小化到通知区域", BS_CHECKBOX);
    box.SetFocusFrame(true);
    MemoryCanvas canvas(120, 24);
    box.DrawCheckBox(&canvas.dc, 0, 0, 80, 24, ODS_FOCUS);
    EXPECT_EQ(0, DarkPixels(canvas, CRect(0, 0, 4, 24)));
    EXPECT_GT(DarkPixels(canvas, CRect(24, 0, 80, 24)), 20);
    // The text is cut at the client edge; the frame ends one pixel past it.
    EXPECT_EQ(0, DarkPixels(canvas, CRect(82, 0, 120, 24)));

    CSkinCommonButton& shortBox = Add(L"是", BS_CHECKBOX);
    shortBox.SetFocusFrame(true);
    MemoryCanvas small(120, 24);
    shortBox.DrawCheckBox(&small.dc, 0, 0, 120, 24, ODS_FOCUS);
    const CSize text = MeasureText(L"Font9", L"是");
    const int frameRight = 24 + text.cx + 1;
    EXPECT_GT(DarkPixels(small, CRect(23, 0, frameRight + 1, 24)), 10);
    EXPECT_EQ(0, DarkPixels(small, CRect(frameRight + 2, 0, 120, 24)));
}

TEST_F(CommonButton, MissingImagesDrawNothing)
{
    CSkinCommonButton& button = Add(L"确定", BS_PUSHBUTTON);
    CSkinCommonButton& box = Add(L"x", BS_CHECKBOX);
    UnloadDialogSkin();
    MemoryCanvas canvas(68, 24, RGB(1, 2, 3));
    button.DrawPushButton(&canvas.dc, 0, 0, 68, 24, ODS_FOCUS);
    box.DrawCheckBox(&canvas.dc, 0, 0, 68, 24, ODS_FOCUS);
    int changed = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 68; ++x)
            changed += canvas.Pixel(x, y) != RGB(1, 2, 3);
    EXPECT_EQ(0, changed);
    LoadDialogSkin(*folder);
}

} // namespace
