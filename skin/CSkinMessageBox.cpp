#include "skin/CSkinMessageBox.h"

#include "core/WinUtils.h"
#include "skin/CGDIDrawHelper.h"

#include <shellapi.h>

#include <algorithm>

namespace SkinControl
{

namespace
{

const int kTitleBandHeight = 31;
const int kBodyMargin = 51;
const int kBoxWidth = 320;
const int kButtonWidth = 68;
const int kButtonHeight = 22;

CSize IconSize(HICON icon)
{
    ICONINFO info = {};
    if (!icon || !::GetIconInfo(icon, &info))
        return CSize(0, 0);
    BITMAP bitmap = {};
    CSize size(0, 0);
    if (info.hbmColor && ::GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap)) {
        size = CSize(bitmap.bmWidth, bitmap.bmHeight);
    } else if (info.hbmMask && ::GetObjectW(info.hbmMask, sizeof(bitmap), &bitmap)) {
        // A monochrome icon keeps its AND and XOR masks one above the other.
        size = CSize(bitmap.bmWidth, bitmap.bmHeight / 2);
    }
    if (info.hbmColor)
        ::DeleteObject(info.hbmColor);
    if (info.hbmMask)
        ::DeleteObject(info.hbmMask);
    return size;
}

} // namespace

CSkinMessageBox::CSkinMessageBox(const wchar_t* text, UINT type)
    : m_type(type), m_text(text ? text : L""), m_title(L"Velmora")
{
}

CSkinMessageBox::~CSkinMessageBox()
{
    if (m_programIcon)
        ::DestroyIcon(m_programIcon);
}

BOOL CSkinMessageBox::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    m_captionHeight = 38;

    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    SHFILEINFOW info = {};
    if (ShellFileInfo(path, 0, info, SHGFI_ICON | SHGFI_SMALLICON | 0x80))
        m_programIcon = info.hIcon;

    SetWindowText(m_title);
    switch (m_type & MB_ICONMASK) {
    case MB_ICONQUESTION:
        m_typeIcon = ::LoadIconW(nullptr, IDI_QUESTION);
        break;
    case MB_ICONEXCLAMATION:
        m_typeIcon = ::LoadIconW(nullptr, IDI_EXCLAMATION);
        break;
    default:
        break;
    }

    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    bool created = m_firstButton.Create(IsYesNo() ? L"是" : L"确定", style, CRect(), this, IdFirstButton);
    if (created && IsYesNo())
        created = m_secondButton.Create(L"否", style, CRect(), this, IdSecondButton);
    if (!created) {
        // A box without its buttons could only be closed; the caller gets
        // the failure instead.
        EndDialog(-1);
        return FALSE;
    }
    m_firstButton.SetFocusFrame(true);
    m_secondButton.SetFocusFrame(true);

    if (HFONT font = CSkinRes::GetFont(L"Font10")) {
        const CSize icon = IconSize(m_typeIcon);
        CClientDC dc(this);
        HGDIOBJ oldFont = dc.SelectObject(font);
        CRect text(0, 2, 284 - icon.cx, 2);
        dc.DrawText(m_text, &text, DT_CALCRECT | DT_WORDBREAK);
        dc.SelectObject(oldFont);
        const int height = std::max<int>(text.Height() + 1, icon.cy) + 102;
        MoveWindow(0, 0, kBoxWidth, height, FALSE);
    }
    // Placed here too: without Font10 the box keeps its size and no WM_SIZE
    // would place the buttons, leaving them empty and unclickable.
    Layout();
    CenterWindow();
    SetRoundWindowRegion(TRUE);
    ::MessageBeep(MB_ICONEXCLAMATION);
    return TRUE;
}

BOOL CSkinMessageBox::SetRoundWindowRegion(BOOL redraw)
{
    return ApplyRoundRegion(6, redraw);
}

void CSkinMessageBox::Layout()
{
    CRect client;
    GetClientRect(&client);
    // Each part is placed when it exists: without the close image the
    // buttons must still be placed, or the box could not be answered.
    if (::IsWindow(m_closeButton.m_hWnd)) {
        const int closeWidth = m_closeButton.GetImageFrameWidth();
        m_closeButton.MoveWindow(client.right - closeWidth - 2, client.top, closeWidth,
                                 m_closeButton.GetImageFrameHeight());
    }
    if (!::IsWindow(m_firstButton.m_hWnd))
        return;
    const int y = client.bottom - 36;
    if (IsYesNo()) {
        const int groupLeft = client.left + (client.Width() - 176) / 2;
        m_firstButton.MoveWindow(groupLeft, y, kButtonWidth, kButtonHeight);
        m_secondButton.MoveWindow(groupLeft + 108, y, kButtonWidth, kButtonHeight);
    } else {
        m_firstButton.MoveWindow(client.left + (client.Width() - kButtonWidth) / 2, y, kButtonWidth,
                                 kButtonHeight);
    }
}

void CSkinMessageBox::GetTitleButtonImages(Gdiplus::Image** close, Gdiplus::Image** minimize, int* frameCount)
{
    GetDialogTitleButtonImages(close, minimize, frameCount);
}

void CSkinMessageBox::DrawBackground(CDC* dc)
{
    HFONT font = CSkinRes::GetFont(L"Font10");
    if (!font)
        return;
    HGDIOBJ oldFont = dc->SelectObject(font);
    const COLORREF oldColor = ::GetTextColor(dc->m_hDC);
    const int oldMode = dc->SetBkMode(TRANSPARENT);

    CRect client;
    GetClientRect(&client);
    DrawDialogTemplate(dc, client);

    const CSize programIcon = IconSize(m_programIcon);
    const int iconX = client.left + 8;
    const int iconY = client.top + (kTitleBandHeight - programIcon.cy) / 2;
    if (m_programIcon)
        ::DrawIconEx(dc->m_hDC, iconX - 2, iconY - 2, m_programIcon, programIcon.cx + 4, programIcon.cy + 4,
                     0, nullptr, DI_NORMAL);
    dc->SetTextColor(RGB(255, 255, 255));
    CRect title(iconX + programIcon.cx + 10, client.top, client.right - 40, client.top + kTitleBandHeight);
    dc->DrawText(m_title, &title, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);

    const CSize typeIcon = IconSize(m_typeIcon);
    const int bodyTop = client.top + kBodyMargin, bodyBottom = client.bottom - kBodyMargin;
    const int typeIconX = client.left + 20;
    if (m_typeIcon)
        ::DrawIconEx(dc->m_hDC, typeIconX, bodyTop + (bodyBottom - bodyTop - typeIcon.cy) / 2, m_typeIcon,
                     typeIcon.cx, typeIcon.cy, 0, nullptr, DI_NORMAL);
    dc->SetTextColor(RGB(0, 0, 0));
    CRect text(typeIconX + typeIcon.cx + 8, bodyTop, client.right - 8, bodyBottom);
    dc->DrawText(m_text, &text, DT_WORDBREAK);

    dc->SetTextColor(oldColor);
    dc->SetBkMode(oldMode);
    dc->SelectObject(oldFont);
}

void CSkinMessageBox::OnCloseButton()
{
    EndDialog(IsYesNo() ? IDNO : IDCANCEL);
}

BOOL CSkinMessageBox::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IdFirstButton) {
            EndDialog(IsYesNo() ? IDYES : IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IdSecondButton) {
            EndDialog(IDNO);
            return TRUE;
        }
    }
    return CSkinDialog::OnCommand(wParam, lParam);
}

int SkinMessageBox(const wchar_t* text, UINT type)
{
    CSkinMessageBox box(text, type);
    return static_cast<int>(box.DoModal());
}

int DrawDialogTemplate(CDC* dc, const RECT& rect)
{
    HBITMAP image = CSkinRes::GetBitmap(L"dialog_template.png");
    BITMAP info = {};
    if (!image || !::GetObjectW(image, sizeof(info), &info))
        return 0;
    const int iw = info.bmWidth, ih = info.bmHeight;
    const int l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    const int band = kTitleBandHeight;
    struct Piece {
        CRect dest;
        int x, y, width, height;
    };
    const Piece pieces[] = {
        {CRect(l, t + band, r, b - 6), 5, band, 1, ih - 37},
        {CRect(l, t, l + 5, t + band), 0, 0, 5, band},
        {CRect(l + 5, t, r, t + band), 5, 0, 1, band},
        {CRect(r - 5, t, r, t + band), iw - 5, 0, 5, band},
        {CRect(l, t + band, l + 2, b), 0, band, 2, 1},
        {CRect(r - 2, t + band, r, b), iw - 2, band, 2, 1},
        {CRect(l, b - 6, l + 5, b), 0, ih - 6, 5, 6},
        {CRect(l + 5, b - 6, r, b), 5, ih - 6, 1, 6},
        {CRect(r - 5, b - 6, r, b), iw - 5, ih - 6, 5, 6},
    };
    CGDIDrawHelper helper(dc);
    for (const Piece& piece : pieces)
        helper.StretchBitmap(image, piece.dest, piece.x, piece.y, piece.width, piece.height);
    return 1;
}

} // namespace SkinControl
