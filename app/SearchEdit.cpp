#include "app/SearchEdit.h"

#include "app/SearchBar.h"
#include "skin/CSkinRes.h"
#include "skin/SkinDrawSupport.h"

const wchar_t CSearchEdit::kHint[] = L"输入您要搜索的内容！";

void CSearchEdit::SetText(const wchar_t* text)
{
    ::SendMessageW(m_hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

HRESULT CSearchEdit::OnTextNotify(DWORD code, void* data)
{
    if (code == EN_CHANGE)
        m_bar->OnTextChanged();
    return CWindowlessRichEdit::OnTextNotify(code, data);
}

LRESULT CSearchEdit::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETFOCUS:
        m_showHint = 0;
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        break;
    case WM_KILLFOCUS:
        if (GetText().IsEmpty()) {
            m_showHint = 1;
            ::InvalidateRect(m_hWnd, nullptr, FALSE);
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            SetText(L"");
            m_bar->Layout();
        }
        break;
    }
    return CWindowlessRichEdit::OnWindowMessage(message, wParam, lParam);
}

void CSearchEdit::DrawBackground(HWND window, CDC* dc)
{
    SkinControl::DrawParentBackground(CWnd::FromHandle(window), dc, SkinControl::GetSkinDrawSupport());
    HFONT font = SkinControl::CSkinRes::GetFont(L"Font10");
    if (!m_showHint || !font)
        return;
    CRect rect;
    ::GetClientRect(window, &rect);
    rect.OffsetRect(4, 0);
    HGDIOBJ oldFont = dc->SelectObject(font);
    const COLORREF oldColor = dc->SetTextColor(kHintColor);
    const int oldMode = dc->SetBkMode(TRANSPARENT);
    dc->DrawText(kHint, &rect, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    dc->SetBkMode(oldMode);
    dc->SetTextColor(oldColor);
    dc->SelectObject(oldFont);
}

LRESULT CSearchEdit::OnCreate(CREATESTRUCTW* cs)
{
    const LRESULT result = CWindowlessRichEdit::OnCreate(cs);
    ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(SkinControl::CSkinRes::GetFont(L"Font10")),
                   TRUE);
    return result;
}
