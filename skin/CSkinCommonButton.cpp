#include "skin/CSkinCommonButton.h"

#include "skin/CGDIDrawHelper.h"
#include "skin/CSkinRes.h"

#include <algorithm>

namespace SkinControl
{

namespace
{

const int kCapWidth = 7;

CSize BitmapSize(HBITMAP bitmap)
{
    BITMAP info = {};
    if (!bitmap || !::GetObjectW(bitmap, sizeof(info), &info))
        return CSize(0, 0);
    return CSize(info.bmWidth, info.bmHeight);
}

// Selects the font, black and a transparent background into a DC for one
// text and puts the old ones back.
class TextScope
{
public:
    TextScope(CDC* dc, HFONT font)
        : dc_(dc), font_(dc->SelectObject(font)), color_(dc->SetTextColor(RGB(0, 0, 0))),
          mode_(dc->SetBkMode(TRANSPARENT))
    {
    }
    ~TextScope()
    {
        dc_->SetBkMode(mode_);
        dc_->SetTextColor(color_);
        dc_->SelectObject(font_);
    }
    TextScope(const TextScope&) = delete;
    TextScope& operator=(const TextScope&) = delete;

private:
    CDC* dc_;
    HGDIOBJ font_;
    COLORREF color_;
    int mode_;
};

} // namespace

void CSkinCommonButton::DrawPushButton(CDC* dc, int left, int top, int right, int bottom, UINT itemState)
{
    HBITMAP image = CSkinRes::GetBitmap(L"CommonButton.png");
    if (!image)
        return;
    const CSize size = BitmapSize(image);
    const int frameHeight = size.cy / 4;
    const int srcTop = GetStateIndex() * frameHeight, srcBottom = srcTop + frameHeight;
    {
        CGDIDrawHelper helper(dc);
        helper.AlphaBlendBitmap(image, CRect(left, top, left + kCapWidth, bottom),
                                CRect(0, srcTop, kCapWidth, srcBottom));
        helper.AlphaBlendBitmap(image, CRect(left + kCapWidth, top, right - kCapWidth, bottom),
                                CRect(kCapWidth, srcTop, kCapWidth + 1, srcBottom));
        helper.AlphaBlendBitmap(image, CRect(right - kCapWidth, top, right, bottom),
                                CRect(size.cx - kCapWidth, srcTop, size.cx, srcBottom));
    }
    HFONT font = CSkinRes::GetFont(L"Font9");
    const CString text = GetWindowText();
    if (font && !text.IsEmpty()) {
        TextScope scope(dc, font);
        CRect area(left, top, right, bottom);
        dc->DrawText(text, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
    if (m_focusFrame && (itemState & ODS_FOCUS))
        DrawFocusFrame(dc, CRect(left + 1, top + 1, right - 2, bottom - 2));
}

void CSkinCommonButton::DrawCheckBox(CDC* dc, int left, int top, int right, int bottom, UINT itemState)
{
    DrawMarkAndLabel(dc, CRect(left, top, right, bottom), itemState, L"checkbox.bmp", 12);
}

void CSkinCommonButton::DrawRadioButton(CDC* dc, int left, int top, int right, int bottom, UINT itemState)
{
    DrawMarkAndLabel(dc, CRect(left, top, right, bottom), itemState, L"radiobutton.bmp", 8);
}

void CSkinCommonButton::DrawMarkAndLabel(CDC* dc, const CRect& client, UINT itemState,
                                         const wchar_t* imageName, int frameCount)
{
    HBITMAP image = CSkinRes::GetBitmap(imageName);
    if (!image)
        return;
    int index = (itemState & ODS_DISABLED) ? 3 : m_pressed ? 2 : m_hover ? 1 : 0;
    if (m_checked)
        index += 4;
    const CSize size = BitmapSize(image);
    const int frameWidth = size.cx / frameCount;
    const CRect mark(CPoint(client.left + 4, client.top + (client.Height() - size.cy) / 2),
                     CSize(frameWidth, size.cy));
    {
        CGDIDrawHelper helper(dc);
        helper.AlphaBlendBitmapAt(image, mark, index * frameWidth, 0, frameWidth, size.cy);
    }

    HFONT font = CSkinRes::GetFont(L"Font9");
    const CString text = GetWindowText();
    if (!font || text.IsEmpty())
        return;
    CRect textRect(client);
    textRect.left = mark.right + 4;
    CRect measured(2, 2, 2, 2);
    {
        TextScope scope(dc, font);
        CRect area(textRect);
        dc->DrawText(text, &area, DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
        dc->DrawText(text, &measured, DT_CALCRECT);
    }
    if (m_focusFrame && (itemState & ODS_FOCUS)) {
        const int frameRight = std::min<int>(textRect.right, textRect.left + measured.Width()) + 1;
        DrawFocusFrame(
            dc, CRect(textRect.left - 1, textRect.top + 4, frameRight, textRect.top + measured.Height() + 2));
    }
}

void CSkinCommonButton::DrawFocusFrame(CDC* dc, const CRect& frame)
{
    Gdiplus::Graphics graphics(dc->m_hDC);
    Gdiplus::Pen pen(Gdiplus::Color(255, 0, 0, 0), 1);
    pen.SetDashStyle(Gdiplus::DashStyleDot);
    graphics.DrawRectangle(&pen, frame.left, frame.top, frame.Width(), frame.Height());
}

} // namespace SkinControl
