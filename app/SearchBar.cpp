#include "app/SearchBar.h"

#include "app/MainSkinImage.h"
#include "skin/CGDIDrawHelper.h"
#include "skin/CSkinRes.h"

using SkinControl::CSkinRes;

CSearchBar::CSearchBar() : m_edit(this) {}

int CSearchBar::OnCreate(LPCREATESTRUCT cs)
{
    if (CWndBase::OnCreate(cs) == -1)
        return -1;
    const RECT empty = {0, 0, 0, 0};
    if (!m_edit.Create(empty, m_hWnd, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | ES_AUTOHSCROLL))
        return -1;
    if (Gdiplus::Image* clear = CSkinRes::GetImage(L"search_del.png")) {
        if (!m_clearButton.Create(L"", WS_CHILD | WS_VISIBLE, empty, this, kClearButtonId))
            return -1;
        m_clearButton.SetImage(clear, 3);
    }
    Layout();
    return 0;
}

BOOL CSearchBar::OnEraseBkgnd(CDC* dc)
{
    HBITMAP frame = CSkinRes::GetBitmap(L"MainFrame.png");
    if (!frame)
        return TRUE;
    CRect client;
    GetClientRect(&client);
    SkinControl::CGDIDrawHelper draw(dc);
    // One column of the frame's search band, stretched over the bar.
    draw.StretchBitmap(frame, client, 260, 65, 1, 24);
    if (HBITMAP magnifier = CSkinRes::GetBitmap(L"search_normal.png")) {
        const SIZE size = BitmapSize(magnifier);
        const int left = client.right - 6 - size.cx;
        const int top = client.top + (client.Height() - size.cy) / 2;
        draw.AlphaBlendBitmapAt(magnifier, CRect(left, top, left + size.cx, top + size.cy), 0, 0, size.cx,
                                size.cy);
    }
    return TRUE;
}

void CSearchBar::OnSize(UINT type, int cx, int cy)
{
    CWndBase::OnSize(type, cx, cy);
    Layout();
}

void CSearchBar::Layout()
{
    HWND edit = m_edit.GetSafeHwnd();
    if (!m_hWnd || !edit)
        return;
    CRect client, editRect;
    GetClientRect(&client);
    ::GetWindowRect(edit, &editRect);
    const int height = editRect.Height();
    ::MoveWindow(edit, client.left + 2, client.top + (client.Height() - height) / 2, client.Width() - 31,
                 height, TRUE);
    if (!m_clearButton.m_hWnd)
        return;
    if (m_edit.GetText().IsEmpty()) {
        m_clearButton.ShowWindow(SW_HIDE);
        return;
    }
    const int width = m_clearButton.GetImageFrameWidth();
    m_clearButton.MoveWindow(client.right - width - 2, client.top, width, client.Height());
    m_clearButton.ShowWindow(SW_SHOW);
}

void CSearchBar::OnTextChanged()
{
    KillTimer(kFilterTimer);
    Layout();
    SetTimer(kFilterTimer, kFilterDelayMs);
}

void CSearchBar::OnTimer(UINT_PTR id)
{
    if (id == kFilterTimer) {
        KillTimer(kFilterTimer);
        if (m_filter)
            m_filter(m_edit.GetText());
    }
    CWndBase::OnTimer(id);
}

BOOL CSearchBar::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == kClearButtonId && HIWORD(wParam) == BN_CLICKED) {
        OnClear();
        return TRUE;
    }
    return CWndBase::OnCommand(wParam, lParam);
}

void CSearchBar::OnClear()
{
    m_edit.SetText(L"");
    Layout();
    ::SetFocus(m_edit.GetSafeHwnd());
}
