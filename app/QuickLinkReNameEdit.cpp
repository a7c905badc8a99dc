#include "app/QuickLinkReNameEdit.h"

#include "skin/CSkinRes.h"

#include <algorithm>

void CQuickLinkReNameEdit::BeginEdit(const CString& text, const RECT& rect)
{
    if (!m_hWnd)
        return;
    m_editing = true;
    // The width follows the text measured in Font10: show it in that font.
    if (HFONT font = SkinControl::CSkinRes::GetFont(L"Font10"))
        ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    const int requested = rect.bottom - rect.top;
    ::SetWindowPos(m_hWnd, nullptr, rect.left, rect.top, rect.right - rect.left, requested,
                   SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER);
    // A single-line box keeps the height of its font: centre it in the row.
    RECT actual;
    ::GetWindowRect(m_hWnd, &actual);
    const int top = rect.top + (requested - (actual.bottom - actual.top)) / 2;
    ::SetWindowPos(m_hWnd, nullptr, rect.left, top, rect.right - rect.left, rect.bottom - top,
                   SWP_NOACTIVATE | SWP_NOZORDER);
    ::SetFocus(m_hWnd);
    ::SendMessageW(m_hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(static_cast<const wchar_t*>(text)));
    CHARRANGE all = {0, -1};
    ::SendMessageW(m_hWnd, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
}

void CQuickLinkReNameEdit::Commit()
{
    if (!m_editing || m_ending)
        return;
    if (!m_commit || m_commit(GetText()))
        EndEdit();
}

void CQuickLinkReNameEdit::EndEdit()
{
    if (m_ending || !m_hWnd)
        return;
    m_ending = true;
    m_editing = false;
    HWND parent = ::GetParent(m_hWnd);
    if (::GetFocus() == m_hWnd && parent)
        ::SetFocus(parent);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER);
    m_ending = false;
}

HRESULT CQuickLinkReNameEdit::OnTextNotify(DWORD code, void* data)
{
    if (code == EN_CHANGE && m_editing)
        FitWidthToText();
    return CWindowlessRichEdit::OnTextNotify(code, data);
}

void CQuickLinkReNameEdit::FitWidthToText()
{
    HWND parent = ::GetParent(m_hWnd);
    if (!parent)
        return;
    const CString text = GetText();
    SIZE size = {};
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ oldFont = ::SelectObject(dc, SkinControl::CSkinRes::GetFont(L"Font10"));
    ::GetTextExtentPoint32W(dc, text, text.GetLength(), &size);
    ::SelectObject(dc, oldFont);
    ::ReleaseDC(m_hWnd, dc);

    RECT rect, client;
    ::GetWindowRect(m_hWnd, &rect);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    ::GetClientRect(parent, &client);
    const int right = std::min<int>(rect.left + size.cx + kTextMargin, client.right - kListMargin);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, right - rect.left, rect.bottom - rect.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CQuickLinkReNameEdit::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KILLFOCUS:
        Commit();
        break;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE)
            EndEdit();
        else if (wParam == VK_RETURN)
            Commit();
        break;
    }
    return CWindowlessRichEdit::OnWindowMessage(message, wParam, lParam);
}
