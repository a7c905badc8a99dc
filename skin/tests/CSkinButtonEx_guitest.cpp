// The skinned button as its parent and the user see it: clicks and double
// clicks, check boxes and radio groups, keyboard, state frames over the
// parent's background, and animated images.
#include "GuiTestHelpers.h"

#include "skin/CSkinButtonEx.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace SkinControl;
using namespace SkinTest;

namespace
{

// Records the commands its children send.
class ButtonParent : public CheckerParent
{
public:
    std::vector<std::pair<int, int>> commands; // id, notification code

    int Clicks(int id) const
    {
        int count = 0;
        for (auto& c : commands)
            count += c.first == id && c.second == BN_CLICKED;
        return count;
    }

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM) override
    {
        commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    }
};

void Click(CWnd& button)
{
    button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}

void DoubleClick(CWnd& button)
{
    Click(button);
    button.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 3));
    button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}

// One parent for the suite: clicks give it the focus, and Wine then waits
// for a window manager when it is destroyed.
class SkinButton : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        parent = new ButtonParent;
        ASSERT_TRUE(parent->Create(CRect(50, 50, 350, 250)));
    }
    static void TearDownTestSuite()
    {
        delete parent;
        parent = nullptr;
    }
    void SetUp() override { parent->commands.clear(); }

    CSkinButtonEx& Add(DWORD style, UINT id, const RECT& rect = CRect(10, 10, 40, 30))
    {
        buttons.emplace_back(new CSkinButtonEx);
        EXPECT_TRUE(buttons.back()->Create(L"button", WS_CHILD | WS_VISIBLE | style, rect, parent, id));
        return *buttons.back();
    }

    static ButtonParent* parent;
    std::vector<std::unique_ptr<CSkinButtonEx>> buttons;
};

ButtonParent* SkinButton::parent = nullptr;

TEST_F(SkinButton, SingleClickReportsOneClick)
{
    CSkinButtonEx& button = Add(BS_PUSHBUTTON, 11);
    Click(button);
    EXPECT_EQ(1, parent->Clicks(11));
}

TEST_F(SkinButton, DoubleClickReportsTwoClicks)
{
    CSkinButtonEx& button = Add(BS_PUSHBUTTON, 12);
    DoubleClick(button);
    EXPECT_EQ(2, parent->Clicks(12));
}

TEST_F(SkinButton, EveryButtonTypeBecomesOwnerDrawnAndKeepsItsKind)
{
    struct Case {
        DWORD style;
        int kind;
    };
    const Case cases[] = {
        {BS_PUSHBUTTON, CSkinButtonEx::StylePushButton},
        {BS_DEFPUSHBUTTON, CSkinButtonEx::StylePushButton},
        {BS_CHECKBOX, CSkinButtonEx::StyleCheckBox},
        {BS_AUTOCHECKBOX, CSkinButtonEx::StyleCheckBox},
        {BS_3STATE, CSkinButtonEx::StyleCheckBox},
        {BS_AUTO3STATE, CSkinButtonEx::StyleCheckBox},
        {BS_RADIOBUTTON, CSkinButtonEx::StyleRadioButton},
        {BS_AUTORADIOBUTTON, CSkinButtonEx::StyleRadioButton},
        {BS_OWNERDRAW, CSkinButtonEx::StylePushButton},
        {BS_PUSHBOX, CSkinButtonEx::StylePushButton},
    };
    UINT id = 100;
    for (const Case& c : cases) {
        CSkinButtonEx& button = Add(c.style | WS_GROUP, ++id);
        EXPECT_EQ(c.kind, button.GetStyleKind()) << "style " << c.style;
        EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), button.GetStyle() & BS_TYPEMASK) << "style " << c.style;
        const UINT code = static_cast<UINT>(button.SendMessage(WM_GETDLGCODE));
        EXPECT_EQ(c.kind == CSkinButtonEx::StyleRadioButton, (code & DLGC_RADIOBUTTON) != 0)
            << "style " << c.style;
        EXPECT_EQ(c.kind != CSkinButtonEx::StyleCheckBox, (code & DLGC_WANTTAB) != 0) << "style " << c.style;
        Click(button);
        EXPECT_EQ(c.kind == CSkinButtonEx::StylePushButton ? BST_UNCHECKED : BST_CHECKED,
                  button.SendMessage(BM_GETCHECK))
            << "style " << c.style;
    }
}

TEST_F(SkinButton, CheckBoxTogglesOnEveryReleaseAlsoAfterADoubleClick)
{
    CSkinButtonEx& box = Add(BS_AUTOCHECKBOX, 20);
    Click(box);
    EXPECT_EQ(BST_CHECKED, box.SendMessage(BM_GETCHECK));
    DoubleClick(box);
    EXPECT_EQ(BST_CHECKED, box.SendMessage(BM_GETCHECK)) << "two more releases";
    EXPECT_EQ(3, parent->Clicks(20));
}

// Posts a mouse message where the system would deliver it: to the window
// that holds the mouse, else to the window under the point (the button for
// its own points, its parent elsewhere); `at` is in the parent's client area.
void PostMouse(CWnd& button, UINT message, POINT at)
{
    HWND owner = ::GetParent(button.m_hWnd);
    HWND target = GetCapture();
    if (!target) {
        CRect box;
        button.GetWindowRect(&box);
        MapWindowPoints(nullptr, owner, reinterpret_cast<POINT*>(&box), 2);
        target = box.PtInRect(at) ? button.m_hWnd : owner;
    }
    MapWindowPoints(owner, target, &at, 1);
    PostMessageW(target, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(at.x, at.y));
    PumpMessages(0);
}

const POINT kOnButton = {15, 15};
const POINT kOffButton = {150, 150};

TEST_F(SkinButton, APressReleasedOffTheButtonIsACancel)
{
    UINT id = 30;
    for (DWORD style : {BS_PUSHBUTTON, BS_AUTOCHECKBOX, BS_AUTORADIOBUTTON}) {
        CSkinButtonEx& button = Add(style | WS_GROUP, ++id);
        PostMouse(button, WM_LBUTTONDOWN, kOnButton);
        EXPECT_EQ(2, button.GetStateIndex()) << "style " << style;
        PostMouse(button, WM_LBUTTONUP, kOffButton);
        EXPECT_EQ(0, parent->Clicks(id)) << "style " << style;
        EXPECT_EQ(BST_UNCHECKED, button.SendMessage(BM_GETCHECK)) << "style " << style;
        EXPECT_NE(2, button.GetStateIndex()) << "style " << style;
        EXPECT_EQ(nullptr, GetCapture());
    }
}

TEST_F(SkinButton, TheReleaseOfADoubleClickEndsItWhereverItHappens)
{
    const struct {
        const char* name;
        std::function<void(CSkinButtonEx&)> release;
    } cases[] = {
        {"released off the button", [](CSkinButtonEx& b) { PostMouse(b, WM_LBUTTONUP, kOffButton); }},
        {"mouse taken by another window",
         [](CSkinButtonEx&) {
             SetCapture(parent->m_hWnd);
             ReleaseCapture();
         }},
    };
    UINT id = 40;
    for (const auto& c : cases) {
        CSkinButtonEx& button = Add(BS_PUSHBUTTON, ++id);
        PostMouse(button, WM_LBUTTONDOWN, kOnButton);
        PostMouse(button, WM_LBUTTONUP, kOnButton);
        PostMouse(button, WM_LBUTTONDBLCLK, kOnButton);
        c.release(button);
        EXPECT_EQ(1, parent->Clicks(id)) << c.name;
        EXPECT_NE(2, button.GetStateIndex()) << c.name;
        PostMouse(button, WM_LBUTTONDOWN, kOnButton);
        PostMouse(button, WM_LBUTTONUP, kOnButton);
        EXPECT_EQ(2, parent->Clicks(id)) << c.name << ": the next click is one click";
    }
}

TEST_F(SkinButton, SubclassingTakesTheCheckStateOfTheButton)
{
    HWND hwnd = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | BS_AUTOCHECKBOX, 0, 0, 10, 10, parent->m_hWnd,
                                reinterpret_cast<HMENU>(30), nullptr, nullptr);
    SendMessageW(hwnd, BM_SETCHECK, BST_CHECKED, 0);
    CSkinButtonEx button;
    ASSERT_TRUE(button.SubclassWindow(hwnd));
    EXPECT_EQ(BST_CHECKED, button.SendMessage(BM_GETCHECK));
    EXPECT_EQ(CSkinButtonEx::StyleCheckBox, button.GetStyleKind());
    EXPECT_TRUE(GetPropW(hwnd, L"NoSkin"));
}

class RadioGroups : public SkinButton
{
protected:
    void SetUp() override
    {
        SkinButton::SetUp();
        r1 = &Add(BS_AUTORADIOBUTTON | WS_GROUP, 41);
        r2 = &Add(BS_AUTORADIOBUTTON, 42);
        box = &Add(BS_AUTOCHECKBOX, 43);
        r3 = &Add(BS_AUTORADIOBUTTON, 44);
        other1 = &Add(BS_AUTORADIOBUTTON | WS_GROUP, 45);
        other2 = &Add(BS_AUTORADIOBUTTON, 46);
        r1->SendMessage(BM_SETCHECK, BST_CHECKED);
        r3->SendMessage(BM_SETCHECK, BST_CHECKED);
        box->SendMessage(BM_SETCHECK, BST_CHECKED);
        other1->SendMessage(BM_SETCHECK, BST_CHECKED);
    }
    static bool Checked(CWnd* b) { return b->SendMessage(BM_GETCHECK) == BST_CHECKED; }

    CSkinButtonEx *r1, *r2, *box, *r3, *other1, *other2;
};

TEST_F(RadioGroups, CheckingARadioUnchecksTheOtherRadiosOfItsGroupOnly)
{
    EXPECT_FALSE(Checked(r1)) << "r3 took the mark when it was checked";
    Click(*r2);
    PumpMessages(20);
    EXPECT_TRUE(Checked(r2));
    EXPECT_FALSE(Checked(r1));
    EXPECT_FALSE(Checked(r3));
    EXPECT_TRUE(Checked(box)) << "a check box in the group keeps its mark";
    EXPECT_TRUE(Checked(other1)) << "the next group is left alone";
    EXPECT_FALSE(Checked(other2));
}

TEST_F(RadioGroups, QuickSuccessiveChecksLeaveTheLastOneChecked)
{
    r2->SendMessage(BM_SETCHECK, BST_CHECKED);
    r1->SendMessage(BM_SETCHECK, BST_CHECKED);
    r2->SendMessage(BM_SETCHECK, BST_CHECKED);
    PumpMessages(20);
    EXPECT_TRUE(Checked(r2));
    EXPECT_FALSE(Checked(r1));
}

TEST_F(RadioGroups, ADisabledOrHiddenRadioStillEndsItsWalk)
{
    r2->EnableWindow(FALSE);
    r2->SendMessage(BM_SETCHECK, BST_CHECKED);
    EXPECT_FALSE(Checked(r3));
    r2->EnableWindow(TRUE);

    r3->SendMessage(BM_SETCHECK, BST_CHECKED);
    r3->ShowWindow(SW_HIDE);
    r1->SendMessage(BM_SETCHECK, BST_CHECKED);
    EXPECT_TRUE(Checked(r1));
    r1->ShowWindow(SW_HIDE);
    r2->SendMessage(BM_SETCHECK, BST_CHECKED);
    EXPECT_TRUE(Checked(r2));
    EXPECT_TRUE(Checked(r1)) << "hidden members are skipped by the walk";
}

TEST_F(SkinButton, EnterClicksTheButton)
{
    CSkinButtonEx& button = Add(BS_PUSHBUTTON, 50);
    button.PostMessage(WM_KEYDOWN, VK_RETURN, 0);
    PumpMessages(20);
    EXPECT_EQ(1, parent->Clicks(50));
}

TEST_F(SkinButton, TabMovesTheFocusInsideTheParentBothWays)
{
    CSkinButtonEx& a = Add(BS_PUSHBUTTON | WS_TABSTOP, 51, CRect(0, 0, 10, 10));
    CSkinButtonEx& b = Add(BS_PUSHBUTTON | WS_TABSTOP, 52, CRect(20, 0, 30, 10));
    a.SetFocusFrame(true);
    b.SetFocusFrame(true);
    a.SetFocus();
    ASSERT_EQ(a.m_hWnd, GetFocus());
    a.PostMessage(WM_KEYDOWN, VK_TAB, 0);
    PumpMessages(20);
    EXPECT_EQ(b.m_hWnd, GetFocus());

    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    b.PostMessage(WM_KEYDOWN, VK_TAB, 0);
    PumpMessages(20);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(a.m_hWnd, GetFocus());
}

// Three 10x10 frames: the left half of each opaque in its own colour, the
// right half transparent.
const COLORREF kFrameColors[3] = {RGB(0, 200, 0), RGB(200, 200, 0), RGB(0, 200, 200)};

class StripImage
{
public:
    StripImage()
    {
        EXPECT_TRUE(WriteImage(folder.File(L"strip.png"), 30, 10, [](int x, int) -> Gdiplus::ARGB {
            if (x % 10 >= 5)
                return 0;
            COLORREF c = kFrameColors[x / 10];
            return 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        }));
        image.reset(LoadImageFromFile(folder.File(L"strip.png").c_str()));
    }
    TempFolder folder;
    std::unique_ptr<Gdiplus::Bitmap> image;
};

TEST_F(SkinButton, PushButtonDrawsTheFrameOfItsStateOverTheParent)
{
    StripImage strip;
    ASSERT_TRUE(strip.image);
    CSkinButtonEx& button = Add(BS_PUSHBUTTON, 60, CRect(30, 30, 50, 50));
    button.SetImage(strip.image.get(), 3);
    auto expectFrame = [&](int frame) {
        button.UpdateWindow();
        Pixels shot = CaptureClient(parent->m_hWnd);
        EXPECT_COLOR(kFrameColors[frame], shot.Pixel(32, 35)) << "frame " << frame;
        EXPECT_COLOR(kFrameColors[frame], shot.Pixel(38, 48)) << "frame " << frame;
        EXPECT_COLOR(CheckerColor(42, 35), shot.Pixel(42, 35)) << "frame " << frame;
        EXPECT_COLOR(CheckerColor(48, 48), shot.Pixel(48, 48)) << "frame " << frame;
    };
    button.RedrawWindow();
    expectFrame(0);
    button.SendMessage(WM_MOUSEHOVER, 0, MAKELPARAM(3, 3));
    expectFrame(1);
    button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    expectFrame(2);
    button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    expectFrame(1);
    button.SendMessage(WM_MOUSELEAVE);
    expectFrame(0);
}

TEST_F(SkinButton, FrameSizesComeFromTheStrip)
{
    StripImage strip;
    CSkinButtonEx& button = Add(BS_PUSHBUTTON, 61);
    EXPECT_EQ(0, button.GetImageFrameWidth());
    EXPECT_EQ(0, button.GetImageFrameHeight());
    button.SetImage(strip.image.get(), 3);
    EXPECT_EQ(10, button.GetImageFrameWidth());
    EXPECT_EQ(10, button.GetImageFrameHeight());
    button.SetImage(strip.image.get(), 0);
    EXPECT_EQ(30, button.GetImageFrameWidth()) << "no frames counts as one";
    button.RedrawWindow();
}

TEST_F(SkinButton, TextSizeNeedsAFont)
{
    CSkinButtonEx& label = Add(BS_PUSHBUTTON, 62);
    label.SetKind(CSkinButtonEx::KindLabel);
    EXPECT_EQ(CSize(0, 0), label.GetTextSize());
    HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"DejaVu Sans");
    label.SetFont(font);
    CSize size = label.GetTextSize();
    EXPECT_GT(size.cx, 20);
    EXPECT_GT(size.cy, 8);
    label.RedrawWindow();
    label.SetFont(nullptr);
    DeleteObject(font);
}

// A 1x1 GIF of two frames, green then black, shown for 50 and 70 ms.
const BYTE kTwoFrameGif[] = {'G',  'I',  'F',  '8',  '9',  'a',  1, 0, 1, 0,    0x80, 0, 0,    0x00, 0xC8,
                             0x00, 0x00, 0x00, 0x00, 0x21, 0xF9, 4, 0, 5, 0,    0,    0, 0x2C, 0,    0,
                             0,    0,    1,    0,    1,    0,    0, 2, 2, 0x44, 0x01, 0, 0x21, 0xF9, 4,
                             0,    7,    0,    0,    0,    0x2C, 0, 0, 0, 0,    1,    0, 1,    0,    0,
                             2,    2,    0x4C, 0x01, 0,    0x3B};

TEST_F(SkinButton, AnimatedImageStepsThroughItsFramesAndIgnoresTheMouse)
{
    CSkinButtonEx missing;
    EXPECT_FALSE(CSkinButtonEx::CreateAnimated(parent, &missing, nullptr));

    TempFolder folder;
    const std::wstring path = folder.File(L"loading.gif");
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, kTwoFrameGif, sizeof(kTwoFrameGif), &written, nullptr);
    CloseHandle(file);
    std::unique_ptr<Gdiplus::Bitmap> gif(LoadImageFromFile(path.c_str()));
    ASSERT_TRUE(gif);

    CSkinButtonEx spinner;
    ASSERT_TRUE(CSkinButtonEx::CreateAnimated(parent, &spinner, gif.get()));
    EXPECT_EQ(1, spinner.GetImageFrameWidth()) << "an animation is one frame wide";
    // At the image's own size, so no scaling blurs the pixel.
    spinner.MoveWindow(100, 100, 1, 1);
    const COLORREF frames[3] = {RGB(0, 200, 0), RGB(0, 0, 0), RGB(0, 200, 0)};
    for (COLORREF expected : frames) {
        spinner.SendMessage(WM_TIMER, CSkinButtonEx::kAnimationTimer);
        EXPECT_COLOR(expected, CaptureClient(parent->m_hWnd).Pixel(100, 100));
    }
    spinner.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    EXPECT_EQ(0, spinner.GetStateIndex()) << "an animation does not highlight";
    spinner.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    PumpMessages(200);
}

// Gives a test the frame-delay table a GIF would carry.
class DelayProbe : public CSkinButtonEx
{
public:
    using CSkinButtonEx::FrameDelay;
    void SetDelays(std::initializer_list<UINT32> hundredths, int frameCount)
    {
        const size_t bytes = hundredths.size() * sizeof(UINT32);
        m_frameDelays =
            static_cast<Gdiplus::PropertyItem*>(std::malloc(sizeof(Gdiplus::PropertyItem) + bytes));
        m_frameDelays->id = PropertyTagFrameDelay;
        m_frameDelays->length = static_cast<ULONG>(bytes);
        m_frameDelays->type = PropertyTagTypeLong;
        m_frameDelays->value = m_frameDelays + 1;
        std::copy(hundredths.begin(), hundredths.end(), static_cast<UINT32*>(m_frameDelays->value));
        m_animationFrameCount = frameCount;
    }
};

TEST(AnimationDelays, FramesBeyondAShortDelayTableKeepTheStartingPace)
{
    DelayProbe probe;
    EXPECT_EQ(100u, probe.FrameDelay(0)) << "no table at all";
    probe.SetDelays({5, 0}, 4);
    EXPECT_EQ(50u, probe.FrameDelay(0));
    EXPECT_EQ(0u, probe.FrameDelay(1)) << "a zero delay stays zero";
    EXPECT_EQ(100u, probe.FrameDelay(2));
    EXPECT_EQ(100u, probe.FrameDelay(3));
}

} // namespace
