// The rename editor over a stand-in list window: where it opens, how it
// grows with its text, and that an empty name keeps it open. Committing and
// cancelling are the list's command tests.
#include "app/QuickLinkReNameEdit.h"
#include "app/tests/QuickLinkListTest.h"
#include "app/tests/XdoTool.h"
#include "skin/CSkinRes.h"
#include "skin/tests/GuiTestHelpers.h"

#include <algorithm>
#include <vector>

using SkinTest::PumpMessages;

namespace
{

class ReNameEdit : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_EQ(1, QuickLinkTest::LoadSkin()); }

    void SetUp() override
    {
        ASSERT_TRUE(list.Create(CRect(100, 100, 400, 400)));
        ASSERT_TRUE(edit.Create(CRect(0, 0, 0, 0), list.m_hWnd, WS_CHILD | ES_AUTOHSCROLL));
        edit.SetCommitHandler([this](const CString& text) {
            commits.push_back(std::wstring(text));
            return text.IsEmpty() ? 0 : 1;
        });
        SetForegroundWindow(list.m_hWnd);
        SetFocus(list.m_hWnd);
        PumpMessages(50);
    }
    void TearDown() override { list.DestroyWindow(); }

    void Begin(const wchar_t* text)
    {
        edit.BeginEdit(text, CRect(28, 40, 28 + 60 + 18, 66));
        PumpMessages(30);
    }
    CRect EditRect()
    {
        CRect rect;
        GetWindowRect(edit.GetSafeHwnd(), &rect);
        MapWindowPoints(nullptr, list.m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    bool Visible() { return IsWindowVisible(edit.GetSafeHwnd()) != FALSE; }

    SkinTest::CheckerParent list;
    CQuickLinkReNameEdit edit;
    std::vector<std::wstring> commits;
};

TEST_F(ReNameEdit, OpensCentredOnTheRowWithTheWholeNameSelected)
{
    Begin(L"记事本");
    ASSERT_TRUE(Visible());
    EXPECT_EQ(edit.GetSafeHwnd(), GetFocus());
    EXPECT_EQ(L"记事本", std::wstring(edit.GetText()));
    ASSERT_TRUE(AppTest::XdoTool("type x"));
    PumpMessages(30);
    EXPECT_EQ(L"x", std::wstring(edit.GetText())) << "typing replaces the selected name";
    CRect rect = EditRect();
    EXPECT_EQ(28, rect.left);
    EXPECT_LT(rect.Height(), 26);
    EXPECT_NEAR(53, (rect.top + rect.bottom) / 2, 1) << "centred on the row";
}

TEST_F(ReNameEdit, GrowsWithItsTextUpToEightPixelsBeforeTheListEdge)
{
    Begin(L"a");
    const int narrow = EditRect().right;
    EXPECT_LT(narrow, 28 + 60);
    ASSERT_TRUE(AppTest::XdoTool("type --delay 5 abcdefghij"));
    PumpMessages(50);
    EXPECT_GT(EditRect().right, narrow + 40);
    ASSERT_TRUE(AppTest::XdoTool("type --delay 5 abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz"));
    PumpMessages(50);
    EXPECT_EQ(300 - 8, EditRect().right);
}

// The editor shows its text in the font it is measured in: Font10 width +
// 18 wide, and the text's ink ends well inside it.
TEST_F(ReNameEdit, ShowsItsTextInTheFontItIsMeasuredIn)
{
    Begin(L"a");
    ASSERT_TRUE(AppTest::XdoTool("type --delay 5 WMWMWMWMWM"));
    PumpMessages(50);
    const CString text = edit.GetText();
    ASSERT_EQ(L"WMWMWMWMWM", std::wstring(text));
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, SkinControl::CSkinRes::GetFont(L"Font10"));
    SIZE size = {};
    GetTextExtentPoint32W(screen, text, text.GetLength(), &size);
    SelectObject(screen, old);
    const CRect rect = EditRect();
    EXPECT_EQ(28 + size.cx + 18, rect.right);
    CRect onScreen;
    GetWindowRect(edit.GetSafeHwnd(), &onScreen);
    SkinTest::Pixels pixels(screen, onScreen.left, onScreen.top, onScreen.Width(), onScreen.Height());
    ReleaseDC(nullptr, screen);
    int inkLeft = onScreen.Width(), inkRight = -1;
    for (int y = 0; y < onScreen.Height(); ++y)
        for (int x = 0; x < onScreen.Width(); ++x) {
            const COLORREF c = pixels.Pixel(x, y);
            if (GetRValue(c) < 90 && GetGValue(c) < 90 && GetBValue(c) < 90) {
                inkLeft = std::min(inkLeft, x);
                inkRight = std::max(inkRight, x);
            }
        }
    EXPECT_NEAR(size.cx, inkRight - inkLeft + 1, 3) << "the text's ink from " << inkLeft << " to " << inkRight;
    EXPECT_LT(inkRight, onScreen.Width() - 8) << "the text runs to the editor's edge";
}

TEST_F(ReNameEdit, AnEmptyNameKeepsTheEditorOpen)
{
    Begin(L"old");
    ASSERT_TRUE(AppTest::XdoTool("key BackSpace Return"));
    PumpMessages(50);
    EXPECT_EQ(std::vector<std::wstring>{L""}, commits);
    EXPECT_TRUE(Visible());
    EXPECT_TRUE(edit.IsEditing());
    ASSERT_TRUE(AppTest::XdoTool("type x"));
    ASSERT_TRUE(AppTest::XdoTool("key Return"));
    PumpMessages(50);
    EXPECT_EQ((std::vector<std::wstring>{L"", L"x"}), commits);
    EXPECT_FALSE(Visible());
}

} // namespace
