// The images and fonts of the skinned dialogs for their tests, drawn with
// known colours so that pixels tell which image, frame and slice they show.
#pragma once

#include "GuiTestHelpers.h"

#include "skin/CSkinRes.h"

namespace SkinTest
{

// CommonButton.png, 20 x 40: four 10-row frames; in frame f, columns 0-6 are
// CommonButtonLeft(f), column 7 CommonButtonMiddle(f), 8-12 unused grey and
// 13-19 CommonButtonRight(f). All are light, so black text stands out.
inline COLORREF CommonButtonLeft(int frame)
{
    return RGB(0x90 + frame * 0x20, 0xC0, 0xC0);
}
inline COLORREF CommonButtonMiddle(int frame)
{
    return RGB(0xC0, 0x90 + frame * 0x20, 0xC0);
}
inline COLORREF CommonButtonRight(int frame)
{
    return RGB(0xC0, 0xC0, 0x90 + frame * 0x20);
}
inline Gdiplus::ARGB ToArgb(COLORREF c)
{
    return 0xFF000000 | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}
inline Gdiplus::ARGB CommonButtonPixel(int x, int y)
{
    const int frame = y / 10;
    if (x < 7)
        return ToArgb(CommonButtonLeft(frame));
    if (x == 7)
        return ToArgb(CommonButtonMiddle(frame));
    if (x < 13)
        return 0xFF808080;
    return ToArgb(CommonButtonRight(frame));
}

// checkbox.bmp, 192 x 16, and radiobutton.bmp, 128 x 16: frame f is a
// solid MarkColor(f); the radio's frames have a black (transparent) ring.
inline COLORREF MarkColor(int frame)
{
    return RGB(100 + frame * 12, 220 - frame * 10, 160);
}

// dialog_template.png, 24 x 72: title band rows 0-30, body from row 31 to
// 65, bottom band rows 66-71; caps and borders in their own colours.
const COLORREF kTemplateTitle = RGB(20, 50, 110);
const COLORREF kTemplateTitleCap = RGB(10, 30, 70);
const COLORREF kTemplateBody = RGB(235, 240, 245);
const COLORREF kTemplateBorder = RGB(90, 100, 120);
const COLORREF kTemplateBottom = RGB(200, 210, 220);
inline COLORREF TemplateColor(int x, int y)
{
    if (y < 31)
        return x < 5 || x >= 19 ? kTemplateTitleCap : kTemplateTitle;
    if (y >= 66)
        return kTemplateBottom;
    return x < 2 || x >= 22 ? kTemplateBorder : kTemplateBody;
}

// sysmenu_close2.png, 120 x 31: four 30-column frames of CloseColor.
const COLORREF kCloseColor = RGB(200, 40, 40);

// Writes the dialogs' images into `folder`, makes it the skin folder and
// loads them with the fonts Font9 and Font10.
inline void LoadDialogSkin(const TempFolder& folder)
{
    ASSERT_TRUE(WriteImage(folder.File(L"CommonButton.png"), 20, 40, CommonButtonPixel));
    ASSERT_TRUE(WriteImage(
        folder.File(L"checkbox.bmp"), 192, 16, [](int x, int) { return ToArgb(MarkColor(x / 16)); },
        L"image/bmp"));
    ASSERT_TRUE(WriteImage(
        folder.File(L"radiobutton.bmp"), 128, 16,
        [](int x, int y) -> Gdiplus::ARGB {
            const int fx = x % 16;
            return fx < 3 || fx >= 13 || y < 3 || y >= 13 ? 0xFF000000 : ToArgb(MarkColor(x / 16));
        },
        L"image/bmp"));
    ASSERT_TRUE(WriteImage(folder.File(L"dialog_template.png"), 24, 72,
                           [](int x, int y) { return ToArgb(TemplateColor(x, y)); }));
    ASSERT_TRUE(WriteSolidImage(folder.File(L"sysmenu_close2.png"), 120, 31, ToArgb(kCloseColor)));
    SkinControl::CSkinRes::Global().FreeAll();
    SkinControl::CSkinRes::SetSkinFolder(folder.Path().c_str());
    for (const wchar_t* name :
         {L"CommonButton.png", L"checkbox.bmp", L"dialog_template.png", L"sysmenu_close2.png"})
        ASSERT_EQ(1, SkinControl::CSkinRes::LoadImage(name)) << name;
    ASSERT_EQ(1, SkinControl::CSkinRes::LoadRadioButtonImage());
    const wchar_t* const faces[3] = {L"微软雅黑", L"宋体", L"Tahoma"};
    ASSERT_NE(nullptr, SkinControl::CSkinRes::AddFont(L"Font9", faces, 9));
    ASSERT_NE(nullptr, SkinControl::CSkinRes::AddFont(L"Font10", faces, 10));
}

inline void UnloadDialogSkin()
{
    SkinControl::CSkinRes::Global().FreeAll();
    SkinControl::CSkinRes::SetSkinFolder(L"");
}

// The extent of `text` in the store's font `fontName`, as DrawText measures
// it from {2, 2, 2, 2}, optionally word-wrapped within `wrapWidth`.
inline CSize MeasureText(const wchar_t* fontName, const wchar_t* text, int wrapWidth = 0)
{
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, SkinControl::CSkinRes::GetFont(fontName));
    RECT rect = {2, 2, 2, 2};
    UINT format = DT_CALCRECT;
    if (wrapWidth > 0) {
        rect = {0, 2, wrapWidth, 2};
        format |= DT_WORDBREAK;
    }
    DrawTextW(screen, text, -1, &rect, format);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    return CSize(rect.right - rect.left, rect.bottom - rect.top);
}

// Counts the pixels in a rectangle of a canvas darker than `level` in every
// channel.
template <class Source> int DarkPixels(Source& source, const RECT& rect, int level = 80)
{
    int count = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x) {
            const COLORREF c = source.Pixel(x, y);
            count += GetRValue(c) < level && GetGValue(c) < level && GetBValue(c) < level;
        }
    return count;
}

} // namespace SkinTest
