#include "notelet/WndBottomMsg.h"

#include "core/ModuleVersion.h"
#include "framework/CDC.h"
#include "framework/CWinApp.h"
#include "skin/CSkinMemDC.h"
#include "skin/CSkinRes.h"
#include "skin/SkinDrawSupport.h"
#include "skin/SkinWindowClass.h"

#include <shellapi.h>

#include <algorithm>
#include <ctime>
#include <cwchar>

bool IsOpenableWebUrl(const wchar_t* url)
{
    if (!url || (_wcsnicmp(url, L"http://", 7) != 0 && _wcsnicmp(url, L"https://", 8) != 0))
        return false;
    // The browser gets the address on its command line: no blank, quote or
    // control character may end it early or add an argument.
    for (const wchar_t* c = url; *c; ++c) {
        if (*c <= L' ' || *c == L'"' || *c == 0x7F)
            return false;
    }
    return true;
}

CWndBottomMsg& BottomMsgBar()
{
    static CWndBottomMsg bar;
    return bar;
}

BOOL CWndBottomMsg::Create(HWND frame)
{
    if (!SkinControl::RegisterSkinWindowClass(kClassName, nullptr))
        return FALSE;
    return CreateEx(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, frame, nullptr);
}

BOOL CWndBottomMsg::PlaceInFrame()
{
    HWND frame = m_hWnd ? ::GetParent(m_hWnd) : nullptr;
    if (!frame)
        return FALSE;
    CRect client;
    ::GetClientRect(frame, &client);
    const BOOL moved = MoveWindow(client.left + 4, client.bottom - 26, client.Width() - 8, 22, TRUE);
    // Moved at the same size, the bar is not repainted, and once the frame's
    // height changed it showed only the frame's footer: paint it again.
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
    return moved;
}

void CWndBottomMsg::SetMessages(std::vector<std::unique_ptr<BottomMsgItem>> messages)
{
    CScopedLock lock(m_lock);
    ClearMessages();
    m_messages = std::move(messages);
    if (m_hWnd)
        PostMessage(WM_BOTTOMMSG_ARRIVED);
}

void CWndBottomMsg::ClearMessages()
{
    CScopedLock lock(m_lock);
    m_messages.clear();
}

const BottomMsgItem* CWndBottomMsg::CurrentMessage()
{
    if (m_current >= m_messages.size())
        m_current = 0;
    return m_messages.empty() ? nullptr : m_messages[m_current].get();
}

CString CWndBottomMsg::GetShownText()
{
    CScopedLock lock(m_lock);
    const BottomMsgItem* message = CurrentMessage();
    return message ? message->title : m_defaultText;
}

long long CWndBottomMsg::Now() const
{
    return static_cast<long long>(_time64(nullptr));
}

LRESULT CWndBottomMsg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_BOTTOMMSG_ARRIVED)
        return OnMessagesArrived();
    return CWndBase::WindowProc(message, wParam, lParam);
}

int CWndBottomMsg::OnCreate(LPCREATESTRUCT cs)
{
    if (CWndBase::OnCreate(cs) == -1)
        return -1;
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(AfxGetInstanceHandle(), path, MAX_PATH);
    CModuleVersion version;
    if (length > 0 && length < MAX_PATH && version.ReadFileVersion(path))
        m_defaultText.Format(L"版本：%i.%i.%i.%i", version.major, version.minor, version.build,
                             version.revision);
    return 0;
}

BOOL CWndBottomMsg::OnEraseBkgnd(CDC* dc)
{
    SkinControl::CSkinMemDC buffer(dc, this);
    DrawMessage(buffer.GetDC());
    return TRUE;
}

void CWndBottomMsg::DrawMessage(CDC* dc)
{
    SkinControl::DrawParentBackground(this, dc, SkinControl::GetSkinDrawSupport());
    const CString text = GetShownText();
    HFONT font = SkinControl::CSkinRes::GetFont(L"Font9");
    if (!font || text.IsEmpty())
        return;

    CRect client;
    GetClientRect(&client);
    HGDIOBJ oldFont = dc->SelectObject(font);
    int oldMode = dc->SetBkMode(TRANSPARENT);
    COLORREF oldColor = dc->SetTextColor(RGB(255, 255, 255));
    // A title is shown as written: "&" marks no mnemonic.
    CRect measured;
    dc->DrawText(text, &measured, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    CRect textRect;
    textRect.left = client.left + 8;
    textRect.right = std::min<LONG>(textRect.left + measured.Width(), client.right - 8);
    textRect.top = client.top + (client.Height() - measured.Height()) / 2;
    textRect.bottom = textRect.top + measured.Height();
    dc->DrawText(text, &textRect, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    {
        CScopedLock lock(m_lock);
        m_linkRect = textRect;
        m_linkRect.InflateRect(1, 1);
    }
    dc->SetTextColor(oldColor);
    dc->SetBkMode(oldMode);
    dc->SelectObject(oldFont);
}

LRESULT CWndBottomMsg::OnMessagesArrived()
{
    CScopedLock lock(m_lock);
    KillTimer(RotateTimerId);
    m_current = 0;
    m_startTime = Now();
    if (!m_messages.empty())
        SetTimer(RotateTimerId, 50);
    Invalidate();
    return 0;
}

void CWndBottomMsg::OnTimer(UINT_PTR id)
{
    if (id == RotateTimerId) {
        CScopedLock lock(m_lock);
        const BottomMsgItem* message = CurrentMessage();
        const long long now = Now();
        // A clock set back restarts the current title's time rather than
        // holding it until the clock catches up.
        if (now < m_startTime)
            m_startTime = now;
        if (message && now - m_startTime > message->dur) {
            m_current = (m_current + 1) % m_messages.size();
            m_startTime = now;
            Invalidate();
        }
    }
    CWndBase::OnTimer(id);
}

BOOL CWndBottomMsg::OnSetCursor(CWnd*, UINT, UINT)
{
    CScopedLock lock(m_lock);
    CPoint cursor;
    ::GetCursorPos(&cursor);
    ScreenToClient(&cursor);
    const bool overLink = m_linkRect.PtInRect(cursor) && !m_messages.empty();
    ::SetCursor(::LoadCursorW(nullptr, overLink ? IDC_HAND : IDC_ARROW));
    return TRUE;
}

void CWndBottomMsg::OnLButtonUp(UINT flags, CPoint point)
{
    CString url;
    {
        CScopedLock lock(m_lock);
        if (m_current < m_messages.size())
            url = m_messages[m_current]->url;
    }
    // Outside the lock: the shell may take its time, and a worker handing
    // over new messages must not wait for it.
    if (IsOpenableWebUrl(url))
        ShellExecuteW(m_hWnd, L"open", url, nullptr, nullptr, SW_SHOWNORMAL);
    CWndBase::OnLButtonUp(flags, point);
}
