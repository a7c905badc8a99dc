#include "skin/CSkinDialog.h"

#include "skin/CSkinMemDC.h"
#include "skin/SkinWindowClass.h"

namespace SkinControl
{

CSkinDialog::CSkinDialog() : CDialog(kTemplateId, nullptr) {}

BOOL CSkinDialog::ApplyRoundRegion(int cornerSize, BOOL redraw)
{
    CRect client;
    GetClientRect(&client);
    HRGN region = ::CreateRoundRectRgn(client.left, client.top, client.right + 1, client.bottom + 1,
                                       cornerSize, cornerSize);
    if (!region)
        return FALSE;
    // The window owns the region from here on.
    SetWindowRgn(region, redraw);
    return TRUE;
}

BOOL CSkinDialog::SetRoundWindowRegion(BOOL redraw)
{
    return ApplyRoundRegion(4, redraw);
}

void CSkinDialog::Layout()
{
    SetRoundWindowRegion(TRUE);
    if (!::IsWindow(m_closeButton.m_hWnd) || !::IsWindow(m_minimizeButton.m_hWnd))
        return;
    CRect client;
    GetClientRect(&client);
    const int closeWidth = m_closeButton.GetImageFrameWidth();
    const int minimizeWidth = m_minimizeButton.GetImageFrameWidth();
    m_closeButton.MoveWindow(client.right - closeWidth - 6, client.top, closeWidth,
                             m_closeButton.GetImageFrameHeight());
    m_minimizeButton.MoveWindow(client.right - closeWidth - minimizeWidth - 6, client.top, minimizeWidth,
                                m_minimizeButton.GetImageFrameHeight());
}

void CSkinDialog::GetTitleButtonImages(Gdiplus::Image**, Gdiplus::Image**, int*) {}

void CSkinDialog::DrawBackground(CDC*) {}

void CSkinDialog::OnCloseButton()
{
    EndDialog(IDCANCEL);
}

void CSkinDialog::OnMinimizeButton()
{
    SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

BOOL CSkinDialog::OnToolTipText(UINT, TOOLTIPTEXTW*)
{
    return TRUE;
}

BOOL CSkinDialog::HitTestCaption(POINT screenPoint, LRESULT* hit)
{
    return HitTestCaptionBand(this, screenPoint, m_captionHeight, hit);
}

BOOL CSkinDialog::CreateTitleButton(CSkinButtonEx& button, Gdiplus::Image* image, int frameCount, UINT id)
{
    button.SetImage(image, frameCount);
    const CRect rect(0, 0, button.GetImageFrameWidth(), button.GetImageFrameHeight());
    return button.Create(L"", WS_CHILD | WS_VISIBLE, rect, this, id);
}

BOOL CSkinDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    Gdiplus::Image* close = nullptr;
    Gdiplus::Image* minimize = nullptr;
    int frameCount = 3;
    GetTitleButtonImages(&close, &minimize, &frameCount);
    if (close && !CreateTitleButton(m_closeButton, close, frameCount, IdClose))
        return FALSE;
    if (minimize && !CreateTitleButton(m_minimizeButton, minimize, frameCount, IdMinimize))
        return FALSE;
    Layout();
    return TRUE;
}

void CSkinDialog::OnOK()
{
    CDialog::OnOK();
}

BOOL CSkinDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case IdClose:
        OnCloseButton();
        return TRUE;
    case IdMinimize:
        OnMinimizeButton();
        return TRUE;
    default:
        return CDialog::OnCommand(wParam, lParam);
    }
}

BOOL CSkinDialog::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header && header->code == TTN_NEEDTEXTW) {
        auto* tip = reinterpret_cast<TOOLTIPTEXTW*>(lParam);
        if (tip->uFlags & TTF_IDISHWND) {
            OnToolTipText(::GetDlgCtrlID(reinterpret_cast<HWND>(header->idFrom)), tip);
            *result = 0;
            return TRUE;
        }
    }
    return CDialog::OnNotify(wParam, lParam, result);
}

BOOL CSkinDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message == WM_CLOSE) {
        OnCloseButton();
        *result = 0;
        return TRUE;
    }
    return CDialog::OnWndMsg(message, wParam, lParam, result);
}

BOOL CSkinDialog::OnEraseBkgnd(CDC* dc)
{
    CSkinMemDC buffer(dc, this);
    DrawBackground(buffer.GetDC());
    return TRUE;
}

void CSkinDialog::OnPaint()
{
    // Everything is painted in WM_ERASEBKGND.
    CPaintDC dc(this);
}

void CSkinDialog::OnSize(UINT type, int cx, int cy)
{
    CDialog::OnSize(type, cx, cy);
    Layout();
}

LRESULT CSkinDialog::OnNcHitTest(CPoint point)
{
    LRESULT hit = HTNOWHERE;
    if (HitTestCaption(point, &hit))
        return hit;
    return CDialog::OnNcHitTest(point);
}

void GetDialogTitleButtonImages(Gdiplus::Image** close, Gdiplus::Image** minimize, int* frameCount)
{
    *close = CSkinRes::GetImage(L"sysmenu_close2.png");
    *minimize = nullptr;
    *frameCount = 4;
}

} // namespace SkinControl
