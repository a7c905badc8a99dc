#include "skin/CWndWaiting.h"

#include "skin/CSkinMemDC.h"
#include "skin/CSkinRes.h"

namespace SkinControl
{

CSize CWndWaiting::GetContentSize()
{
    CSize size(0, 0);
    if (m_spinner.m_hWnd)
        size = CSize(m_spinner.GetImageFrameWidth(), m_spinner.GetImageFrameHeight());
    if (!m_text.IsEmpty()) {
        CClientDC dc(this);
        HGDIOBJ old = m_font ? dc.SelectObject(m_font) : nullptr;
        CRect text(2, 2, 2, 2);
        dc.DrawText(m_text, &text, DT_CALCRECT | DT_SINGLELINE);
        if (old)
            dc.SelectObject(old);
        size.cx += text.Width() + 4;
        if (text.Height() > size.cy)
            size.cy = text.Height();
    }
    size.cx += 4;
    size.cy += 4;
    return size;
}

int CWndWaiting::OnCreate(LPCREATESTRUCT cs)
{
    if (CWndBase::OnCreate(cs) == -1)
        return -1;
    Gdiplus::Bitmap* image = CSkinRes::GetImage(L"loading.gif");
    // Only an animation with frame delays makes a spinner.
    if (!image || image->GetPropertyItemSize(PropertyTagFrameDelay) == 0)
        return -1;
    if (!CSkinButtonEx::CreateAnimated(this, &m_spinner, image))
        return -1;
    m_spinner.SetTimer(CSkinButtonEx::kAnimationTimer, 100);
    return 0;
}

BOOL CWndWaiting::OnEraseBkgnd(CDC* dc)
{
    CSkinMemDC buffer(dc, this);
    CDC* target = buffer.GetDC();
    CRect client;
    GetClientRect(&client);
    target->FillSolidRect(client, RGB(255, 255, 255));
    HBRUSH frame = CreateSolidBrush(RGB(40, 40, 40));
    FrameRect(target->m_hDC, &client, frame);
    DeleteObject(frame);
    if (m_text.IsEmpty())
        return TRUE;
    CRect text = client;
    text.DeflateRect(2, 2);
    if (m_spinner.m_hWnd) {
        CRect spinner;
        m_spinner.GetWindowRect(&spinner);
        ScreenToClient(reinterpret_cast<POINT*>(&spinner.right));
        text.left = spinner.right + 4;
    }
    HGDIOBJ old = m_font ? target->SelectObject(m_font) : nullptr;
    target->SetTextColor(RGB(0, 0, 0));
    target->SetBkMode(TRANSPARENT);
    target->DrawText(m_text, &text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    if (old)
        target->SelectObject(old);
    return TRUE;
}

void CWndWaiting::OnPaint()
{
    CPaintDC dc(this);
}

void CWndWaiting::OnSize(UINT type, int cx, int cy)
{
    CWndBase::OnSize(type, cx, cy);
    if (!m_spinner.m_hWnd)
        return;
    CRect client;
    GetClientRect(&client);
    int height = m_spinner.GetImageFrameHeight();
    m_spinner.MoveWindow(client.left + 2, client.top + (client.Height() - height) / 2,
                         m_spinner.GetImageFrameWidth(), height);
}

void CWndWaiting::OnDestroy()
{
    CWndBase::OnDestroy();
    if (m_spinner.m_hWnd) {
        m_spinner.KillTimer(CSkinButtonEx::kAnimationTimer);
        m_spinner.DestroyWindow();
    }
}

} // namespace SkinControl
