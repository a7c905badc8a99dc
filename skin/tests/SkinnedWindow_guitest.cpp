// A skinned frame put together the way the program does: caption buttons, a
// tab strip with a page, image and text buttons and an image control over
// the frame's background. Its picture is kept as skinned_frame.png beside
// the test program.
#include "GuiTestHelpers.h"

#include "skin/CSkinButtonEx.h"
#include "skin/CSkinImageCtrl.h"
#include "skin/CSkinMainFrame.h"
#include "skin/CSkinRes.h"
#include "skin/CSkinTab.h"
#include "skin/CWndBase.h"

#include <memory>

using namespace SkinControl;
using namespace SkinTest;

namespace
{

// Top band dark blue, the rest a light gradient from top to bottom.
Gdiplus::ARGB BackgroundPixel(int, int y)
{
    if (y < 80)
        return 0xFF1E3C78;
    const int shade = 250 - (y - 80) / 4;
    return 0xFF000000u | (shade << 16) | (shade << 8) | 0xFF;
}

// Three state frames of a round caption glyph, transparent around it.
Gdiplus::ARGB CaptionButtonPixel(int x, int y, Gdiplus::ARGB glyph)
{
    const int cx = x % 20 - 10, cy = y - 10;
    if (cx * cx + cy * cy > 49)
        return 0;
    const int frame = x / 20;
    return frame == 0 ? glyph : frame == 1 ? 0xFFFFFFFF : 0xFFFFC000;
}

class DemoFrame : public CSkinMainFrame
{
public:
    DemoFrame()
    {
        m_resizable = true;
        m_captionHeight = 80;
    }
    void GetSysButtonImages(Gdiplus::Image** close, Gdiplus::Image** minimize, Gdiplus::Image** maximize,
                            Gdiplus::Image** restore, int* frameCount) override
    {
        *close = CSkinRes::GetImage(L"sys_button_close.png");
        *minimize = CSkinRes::GetImage(L"sys_button_min2.png");
        *maximize = CSkinRes::GetImage(L"sys_button_max.png");
        *restore = CSkinRes::GetImage(L"sys_button_restore.png");
        *frameCount = 3;
    }
    void DrawBackground(CDC* dc) override
    {
        CRect client;
        GetClientRect(&client);
        HBITMAP background = CSkinRes::GetBitmap(L"MainFrame.png");
        if (!background) {
            CSkinMainFrame::DrawBackground(dc);
            return;
        }
        CDC source;
        source.CreateCompatibleDC(dc);
        HGDIOBJ old = source.SelectObject(background);
        BITMAP info;
        GetObjectW(background, sizeof(info), &info);
        dc->StretchBlt(0, 0, client.Width(), client.Height(), &source, 0, 0, info.bmWidth, info.bmHeight,
                       SRCCOPY);
        source.SelectObject(old);
    }
};

class DemoTab : public CSkinTab
{
public:
    void DrawBackground(CDC* dc) override
    {
        CRect client;
        GetClientRect(&client);
        dc->FillSolidRect(client, RGB(244, 245, 252));
    }
    void DrawTab(CDC* dc, UINT, SkinTabItem* tab) override
    {
        const bool selected = (tab->state & SkinTabItem::Selected) != 0;
        dc->FillSolidRect(tab->rect, selected ? RGB(30, 60, 120) : RGB(200, 205, 225));
        dc->SetTextColor(selected ? RGB(255, 255, 255) : RGB(30, 30, 30));
        dc->SetBkMode(TRANSPARENT);
        HGDIOBJ old = dc->SelectObject(CSkinRes::GetFont(L"Font9"));
        CRect text(tab->rect);
        dc->DrawText(tab->caption, &text, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
        dc->SelectObject(old);
    }
};

TEST(SkinnedWindow, FrameWithButtonsAndTabStripLooksRight)
{
    TempFolder folder;
    ASSERT_TRUE(WriteImage(folder.File(L"MainFrame.png"), 360, 300, BackgroundPixel));
    const Gdiplus::ARGB glyphs[4] = {0xFFE04040, 0xFF40A0E0, 0xFF40C060, 0xFF40C060};
    const wchar_t* names[4] = {L"sys_button_close.png", L"sys_button_min2.png", L"sys_button_max.png",
                               L"sys_button_restore.png"};
    for (int i = 0; i < 4; ++i) {
        const Gdiplus::ARGB glyph = glyphs[i];
        ASSERT_TRUE(WriteImage(folder.File(names[i]), 60, 20,
                               [glyph](int x, int y) { return CaptionButtonPixel(x, y, glyph); }));
    }
    ASSERT_TRUE(WriteImage(folder.File(L"Quorventile.png"), 32, 32, [](int x, int y) -> Gdiplus::ARGB {
        const int dx = x - 16, dy = y - 16;
        return dx * dx + dy * dy <= 225 ? 0xFFFFB000 : 0;
    }));
    CSkinRes::Global().FreeAll();
    CSkinRes::SetSkinFolder(folder.Path().c_str());
    for (const wchar_t* name : {L"MainFrame.png", L"sys_button_close.png", L"sys_button_min2.png",
                                L"sys_button_max.png", L"sys_button_restore.png", L"Quorventile.png"})
        ASSERT_EQ(1, CSkinRes::LoadImage(name)) << name;
    const wchar_t* const faces[3] = {L"微软雅黑", L"宋体", L"Tahoma"};
    CSkinRes::AddFont(L"Font9", faces, 9);

    {
        DemoFrame frame;
        ASSERT_TRUE(frame.Create(CRect(200, 150, 560, 450)));
        frame.SetWindowText(L"Velmora");
        CSkinImageCtrl logo;
        ASSERT_TRUE(logo.Create(&frame, WS_CHILD | WS_VISIBLE, 0, CRect(12, 10, 44, 42)));
        logo.SetBitmap(CSkinRes::GetBitmap(L"Quorventile.png"));
        CSkinButtonEx title;
        ASSERT_TRUE(title.Create(L"Velmora", WS_CHILD | WS_VISIBLE, CRect(52, 14, 200, 38), &frame, 300));
        title.SetKind(CSkinButtonEx::KindLabel);
        title.SetFont(CSkinRes::GetFont(L"Font9"));
        title.SetTextColors(RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255));
        DemoTab tab;
        ASSERT_TRUE(tab.Create(&frame, CRect(0, 80, 360, 260)));
        CWndBase page;
        ASSERT_TRUE(page.Create(&tab, WS_CHILD, 0, CRect(0, 30, 360, 180)));
        tab.AddTab(&page);
        CSkinButtonEx settings, help;
        ASSERT_TRUE(settings.Create(L"设置", WS_CHILD | WS_VISIBLE, CRect(12, 270, 60, 292), &frame, 301));
        ASSERT_TRUE(help.Create(L"帮助", WS_CHILD | WS_VISIBLE, CRect(70, 270, 118, 292), &frame, 302));
        for (CSkinButtonEx* link : {&settings, &help}) {
            link->SetKind(CSkinButtonEx::KindLink);
            link->SetHandCursor(true);
            link->SetFont(CSkinRes::GetFont(L"Font9"));
            link->SetTextColors(RGB(30, 60, 120), RGB(0, 120, 215), RGB(0, 60, 160));
        }
        frame.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        PumpMessages(200);

        Pixels shot = CaptureClient(frame.m_hWnd);
        // The logo and the caption buttons show the frame's band around them.
        EXPECT_COLOR(RGB(0x1E, 0x3C, 0x78), shot.Pixel(13, 11));
        EXPECT_COLOR(RGB(0xFF, 0xB0, 0x00), shot.Pixel(28, 26));
        const int closeLeft = 360 - 1 - 20;
        EXPECT_COLOR(RGB(0xE0, 0x40, 0x40), shot.Pixel(closeLeft + 10, 11));
        EXPECT_COLOR(RGB(0x1E, 0x3C, 0x78), shot.Pixel(closeLeft + 1, 2));
        EXPECT_COLOR(RGB(0x40, 0xC0, 0x60), shot.Pixel(closeLeft - 10, 11));
        EXPECT_COLOR(RGB(0x40, 0xA0, 0xE0), shot.Pixel(closeLeft - 30, 11));
        // The selected tab, and the links over the frame's lower background.
        EXPECT_COLOR(RGB(30, 60, 120), shot.Pixel(12, 87));
        const Gdiplus::ARGB below = BackgroundPixel(1, 271);
        EXPECT_COLOR(RGB((below >> 16) & 0xFF, (below >> 8) & 0xFF, below & 0xFF), shot.Pixel(1, 271));

        // For people to look at; nothing compares it: the pixels above are the check.
        EXPECT_TRUE(SaveWindowShot(frame.m_hWnd, ArtefactPath(L"skinned_frame.png")));
    }
    CSkinRes::Global().FreeAll();
    CSkinRes::SetSkinFolder(L"");
}

} // namespace
