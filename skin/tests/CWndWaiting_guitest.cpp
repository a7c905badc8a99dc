#include "skin/CWndWaiting.h"
#include "skin/CSkinRes.h"
#include "skin/CWndBase.h"
#include "skin/tests/GuiTestHelpers.h"

using SkinControl::CSkinRes;
using SkinControl::CWndWaiting;

namespace
{
std::wstring GeneratedSkinFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.rfind(L'\\')) + L"\\..\\Skin";
}

class WaitingWindow : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        owner = new SkinControl::CWndBase;
        CreateOwner();
    }
    static void TearDownTestSuite()
    {
        owner->DestroyWindow();
        delete owner;
        CSkinRes::Global().FreeAll();
    }
    // Each test loads its own spinner, into an empty cache.
    void SetUp() override { CSkinRes::Global().FreeAll(); }
    static void CreateOwner()
    {
        // A popup owner of its own, shown without activation.
        owner->Create(nullptr, WS_POPUP | WS_CLIPCHILDREN, 0, CRect(0, 0, 400, 200));
        ::ShowWindow(owner->m_hWnd, SW_SHOWNOACTIVATE);
    }
    static bool Create(CWndWaiting& waiting)
    {
        return waiting.Create(owner, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 1, CRect(10, 10, 210, 50)) !=
               FALSE;
    }
    static SkinControl::CWndBase* owner;
};
SkinControl::CWndBase* WaitingWindow::owner = nullptr;

TEST_F(WaitingWindow, IsNotCreatedWithoutAnAnimatedSpinner)
{
    SkinTest::TempFolder folder;
    CSkinRes::SetSkinFolder(folder.Path().c_str());
    CWndWaiting missing;
    EXPECT_FALSE(Create(missing));
    // A still picture has no frame delays.
    ASSERT_TRUE(SkinTest::WriteSolidImage(folder.File(L"loading.gif"), 16, 16, 0xFF808080));
    ASSERT_EQ(1, CSkinRes::LoadImage(L"loading.gif"));
    CWndWaiting still;
    EXPECT_FALSE(Create(still));
    EXPECT_EQ(nullptr, still.m_hWnd);
    CSkinRes::Global().FreeAll();
}

TEST_F(WaitingWindow, SizesItselfToTheSpinnerAndTheText)
{
    CSkinRes::SetSkinFolder(GeneratedSkinFolder().c_str());
    ASSERT_EQ(1, CSkinRes::LoadImage(L"loading.gif"));
    Gdiplus::Bitmap* gif = CSkinRes::GetImage(L"loading.gif");
    const int frameWidth = static_cast<int>(gif->GetWidth()),
              frameHeight = static_cast<int>(gif->GetHeight());

    CWndWaiting waiting;
    ASSERT_TRUE(Create(waiting));
    CSize empty = waiting.GetContentSize();
    EXPECT_EQ(frameWidth + 4, empty.cx);
    EXPECT_EQ(frameHeight + 4, empty.cy);

    waiting.SetText(L"正在加载...");
    CSize shortText = waiting.GetContentSize();
    waiting.SetText(L"正在加载快捷方式，请稍候...");
    CSize longText = waiting.GetContentSize();
    EXPECT_GT(shortText.cx, empty.cx);
    EXPECT_GT(longText.cx, shortText.cx);
    EXPECT_GE(longText.cy, empty.cy);
    waiting.DestroyWindow();
}

TEST_F(WaitingWindow, PaintsAFrameTheSpinnerAndTheText)
{
    CSkinRes::SetSkinFolder(GeneratedSkinFolder().c_str());
    CSkinRes::LoadImage(L"loading.gif");
    CWndWaiting waiting;
    waiting.SetText(L"Loading links");
    ASSERT_TRUE(Create(waiting));
    HWND spinner = GetWindow(waiting.m_hWnd, GW_CHILD);
    ASSERT_NE(nullptr, spinner);
    CRect spinnerRect;
    GetWindowRect(spinner, &spinnerRect);
    waiting.ScreenToClient(reinterpret_cast<POINT*>(&spinnerRect));
    waiting.ScreenToClient(reinterpret_cast<POINT*>(&spinnerRect.right));
    EXPECT_EQ(2, spinnerRect.left);
    EXPECT_EQ((40 - spinnerRect.Height()) / 2, spinnerRect.top);

    waiting.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    SkinTest::PumpMessages(50);
    SkinTest::Pixels shot = SkinTest::CaptureClient(waiting.m_hWnd);
    EXPECT_EQ(RGB(40, 40, 40), shot.Pixel(0, 0));
    EXPECT_EQ(RGB(40, 40, 40), shot.Pixel(199, 39));
    EXPECT_EQ(RGB(255, 255, 255), shot.Pixel(1, 1));
    int dark = 0;
    for (int y = 2; y < 38; ++y)
        for (int x = spinnerRect.right + 4; x < 198; ++x)
            dark += GetRValue(shot.Pixel(x, y)) < 100;
    EXPECT_GT(dark, 20); // the text, right of the spinner

    waiting.DestroyWindow();
    EXPECT_FALSE(IsWindow(spinner));
}
} // namespace
