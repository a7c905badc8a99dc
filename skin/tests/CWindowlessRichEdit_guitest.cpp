// The windowless rich-edit box as its parent and the user see it: its window
// class, typed text read back, the height of a single-line box, what it draws,
// the wheel, and a box whose object goes before its window.
#include "GuiTestHelpers.h"

#include "skin/CWindowlessRichEdit.h"

#include <memory>
#include <vector>

using namespace SkinControl;
using namespace SkinTest;

namespace
{

// Counts the scroll messages the box sends itself and the services'
// notifications.
class CountingEdit : public CWindowlessRichEdit
{
public:
    std::vector<WPARAM> scrolls;
    int changes = 0;

    HRESULT OnTextNotify(DWORD code, void* data) override
    {
        changes += code == EN_CHANGE;
        return CWindowlessRichEdit::OnTextNotify(code, data);
    }

    LRESULT OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_VSCROLL)
            scrolls.push_back(wParam);
        return CWindowlessRichEdit::OnWindowMessage(message, wParam, lParam);
    }
};

class RichEdit : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(parent.Create(CRect(20, 20, 420, 220)));
        font = CreateFontW(-28, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"微软雅黑");
    }
    void TearDown() override
    {
        edit.reset();
        DeleteObject(font);
    }
    HWND MakeEdit(DWORD style = WS_CHILD | WS_VISIBLE, RECT rect = CRect(10, 10, 310, 110))
    {
        edit = std::make_unique<CountingEdit>();
        EXPECT_TRUE(edit->Create(rect, parent.m_hWnd, style));
        return edit->GetSafeHwnd();
    }
    static void Type(HWND hwnd, const wchar_t* text)
    {
        for (const wchar_t* c = text; *c; ++c)
            PostMessageW(hwnd, WM_CHAR, *c, 1);
        PumpMessages(30);
    }
    static int Height(HWND hwnd)
    {
        RECT rect;
        GetWindowRect(hwnd, &rect);
        return rect.bottom - rect.top;
    }
    SIZE TextExtent(const wchar_t* text)
    {
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, font);
        SIZE size = {};
        GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        return size;
    }

    CheckerParent parent;
    HFONT font = nullptr;
    std::unique_ptr<CountingEdit> edit;
};

TEST_F(RichEdit, IsAChildOfItsOwnClassThatWantsEveryKey)
{
    HWND hwnd = MakeEdit();
    ASSERT_TRUE(hwnd);
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    EXPECT_STREQ(L"__RICH_EDIT_CTRL__", name);
    EXPECT_EQ(static_cast<ULONG_PTR>(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS),
              GetClassLongPtrW(hwnd, GCL_STYLE));
    EXPECT_EQ(0u, GetClassLongPtrW(hwnd, GCLP_HBRBACKGROUND));
    EXPECT_EQ(parent.m_hWnd, GetParent(hwnd));
    EXPECT_EQ(0x87, SendMessageW(hwnd, WM_GETDLGCODE, 0, 0));
    EXPECT_EQ(L"", std::wstring(edit->GetText())) << "an empty box";

    DWORD bits = 0;
    edit->TxGetPropertyBits(~0u, &bits);
    EXPECT_EQ(0x74000u, bits) << "single line: the change bits only";
    MakeEdit(WS_CHILD | WS_VISIBLE | ES_MULTILINE);
    edit->TxGetPropertyBits(~0u, &bits);
    EXPECT_EQ(0x74403u, bits) << "multi-line: rich text, word wrap";
}

TEST_F(RichEdit, TypedTextComesBackChineseIncluded)
{
    HWND hwnd = MakeEdit();
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    SetFocus(hwnd);
    Type(hwnd, L"jishi记事本");
    EXPECT_EQ(L"jishi记事本", std::wstring(edit->GetText()));
    EXPECT_GT(edit->changes, 0) << "the subclass hears of the change";

    // Keys reach the text services: Backspace deletes, the arrows move.
    PostMessageW(hwnd, WM_KEYDOWN, VK_BACK, 1);
    PostMessageW(hwnd, WM_KEYDOWN, VK_HOME, 1);
    PumpMessages(30);
    Type(hwnd, L"Q");
    EXPECT_EQ(L"Qjishi记事", std::wstring(edit->GetText()));
}

// A message result that happens to equal the key-ignored code is still the
// services' answer.
TEST_F(RichEdit, AnswersWithTheServicesResultWhateverItsValue)
{
    HWND hwnd = MakeEdit();
    SendMessageW(hwnd, EM_EXLIMITTEXT, 0, S_MSG_KEY_IGNORED);
    EXPECT_EQ(S_MSG_KEY_IGNORED, SendMessageW(hwnd, EM_GETLIMITTEXT, 0, 0));
    SendMessageW(hwnd, EM_EXLIMITTEXT, 0, 5);
    Type(hwnd, L"1234567");
    EXPECT_EQ(L"12345", std::wstring(edit->GetText()));
}

TEST_F(RichEdit, SingleLineBoxKeepsTheHeightOfOneLineInItsFont)
{
    struct Case {
        const wchar_t* text;
        const wchar_t* measured;
    } cases[] = {{L"", L"ABCDEFGabcdefg"}, {L"记事本", L"记事本"}};
    for (const Case& c : cases) {
        HWND hwnd = MakeEdit();
        Type(hwnd, c.text);
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
        const int expected = TextExtent(c.measured).cy;
        EXPECT_GT(expected, 20);
        MoveWindow(hwnd, 10, 10, 300, 100, TRUE);
        EXPECT_EQ(expected, Height(hwnd)) << "text \"" << std::wstring(c.text) << "\"";
        SetWindowPos(hwnd, nullptr, 0, 0, 200, 7, SWP_NOMOVE | SWP_NOZORDER);
        EXPECT_EQ(expected, Height(hwnd));
    }
    HWND multi = MakeEdit(WS_CHILD | WS_VISIBLE | ES_MULTILINE);
    SendMessageW(multi, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    MoveWindow(multi, 10, 10, 300, 100, TRUE);
    EXPECT_EQ(100, Height(multi)) << "a multi-line box takes the height it is given";
}

// The box paints white with its text in the font it was given, through a
// back buffer onto the screen.
TEST_F(RichEdit, DrawsItsTextInItsFontOnWhite)
{
    HWND hwnd = MakeEdit(WS_CHILD | WS_VISIBLE, CRect(10, 10, 310, 60));
    Type(hwnd, L"记事本");
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    Type(hwnd, L" Notepad");
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    PumpMessages(30);
    Pixels shot = CaptureClient(hwnd);
    // For people to look at; nothing compares it: the pixels below are the check.
    SaveWindowShot(parent.m_hWnd, ArtefactPath(L"richedit.png"));

    int top = shot.Height(), bottom = -1, right = -1, white = 0;
    for (int y = 0; y < shot.Height(); ++y)
        for (int x = 0; x < shot.Width(); ++x) {
            const COLORREF c = shot.Pixel(x, y);
            if (Near(c, RGB(255, 255, 255)))
                ++white;
            if (GetRValue(c) < 100 && GetGValue(c) < 100 && GetBValue(c) < 100) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                right = std::max(right, x);
            }
        }
    EXPECT_GT(white, shot.Width() * shot.Height() / 2) << "a white box";
    // Text typed before and after the font came: all of it in that font.
    SIZE size = TextExtent(L"记事本 Notepad");
    EXPECT_GT(bottom - top, size.cy / 2) << "text drawn in the 28-pixel font";
    EXPECT_NEAR(size.cx, right, size.cx / 10) << "the whole line in that font";
    EXPECT_COLOR(RGB(255, 255, 255), shot.Pixel(shot.Width() - 2, 1));
}

TEST_F(RichEdit, WheelScrollsByTheSystemsLinesPerNotch)
{
    UINT saved = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &saved, 0);
    struct Case {
        UINT lines;
        short delta;
        std::vector<WPARAM> scrolls;
    } cases[] = {
        {3, 120, {SB_LINEUP, SB_LINEUP, SB_LINEUP}},
        {2, -240, {SB_LINEDOWN, SB_LINEDOWN, SB_LINEDOWN, SB_LINEDOWN}},
        {3, 30, {}},
        {WHEEL_PAGESCROLL, 120, {SB_PAGEUP}},
        {WHEEL_PAGESCROLL, -120, {SB_PAGEDOWN}},
    };
    HWND hwnd = MakeEdit(WS_CHILD | WS_VISIBLE | ES_MULTILINE);
    for (const Case& c : cases) {
        SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, c.lines, nullptr, 0);
        edit->scrolls.clear();
        EXPECT_EQ(1, SendMessageW(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, c.delta), 0));
        EXPECT_EQ(c.scrolls, edit->scrolls) << "lines " << c.lines << ", delta " << c.delta;
    }
    SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, saved, nullptr, 0);
}

// An object destroyed before its window takes the window with it, so no
// message can reach the object afterwards.
TEST_F(RichEdit, WindowDoesNotOutliveItsObject)
{
    HWND hwnd = MakeEdit();
    Type(hwnd, L"abc");
    edit.reset();
    EXPECT_FALSE(IsWindow(hwnd));
    PumpMessages(20);

    // The owner destroying the window first is the usual order.
    HWND second = MakeEdit();
    EXPECT_TRUE(DestroyWindow(second));
    EXPECT_EQ(nullptr, edit->GetSafeHwnd());
    edit.reset();
}

} // namespace
