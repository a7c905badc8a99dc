#include "framework/CDialog.h"

#include "framework/CWinApp.h"

#include <algorithm>

namespace
{

// The dialog whose window the current DoModal is making.
thread_local CDialog* t_creatingDialog = nullptr;

} // namespace

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_owner(parent) {}

LRESULT CALLBACK CDialog::CbtHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && t_creatingDialog) {
        HWND hwnd = reinterpret_cast<HWND>(wParam);
        if (!IsImeWindow(hwnd)) {
            // The dialog window comes before its controls; it is ours from
            // its first message on.
            CDialog* dialog = t_creatingDialog;
            t_creatingDialog = nullptr;
            dialog->SubclassWindow(hwnd);
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND, UINT, WPARAM, LPARAM)
{
    // Every message reaches the object through the subclassed window
    // procedure first; what it leaves goes to the dialog manager's default.
    return FALSE;
}

HWND CDialog::ModalOwner() const
{
    HWND owner = m_owner ? m_owner->m_hWnd : nullptr;
    if (!owner) {
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd)
            owner = app->m_pMainWnd->m_hWnd;
    }
    if (!owner)
        owner = ::GetActiveWindow();
    if (owner)
        owner = ::GetAncestor(owner, GA_ROOT);
    return owner && ::IsWindow(owner) ? owner : nullptr;
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd)
        return -1;
    HINSTANCE instance = AfxGetInstanceHandle();
    HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(m_templateId), RT_DIALOG);
    HGLOBAL loaded = found ? ::LoadResource(instance, found) : nullptr;
    auto* dialogTemplate = loaded ? static_cast<LPCDLGTEMPLATEW>(::LockResource(loaded)) : nullptr;
    if (!dialogTemplate)
        return -1;

    m_ended = false;
    m_result = -1;
    HWND owner = ModalOwner();
    const bool disableOwner = owner && ::IsWindowEnabled(owner);
    if (disableOwner)
        ::EnableWindow(owner, FALSE);

    t_creatingDialog = this;
    HHOOK hook = ::SetWindowsHookExW(WH_CBT, &CDialog::CbtHook, nullptr, ::GetCurrentThreadId());
    HWND hwnd = ::CreateDialogIndirectParamW(instance, dialogTemplate, owner, &CDialog::DialogProc,
                                             reinterpret_cast<LPARAM>(this));
    if (hook)
        ::UnhookWindowsHookEx(hook);
    t_creatingDialog = nullptr;

    if (hwnd && m_hWnd == hwnd) {
        if (!m_ended) {
            if (!IsWindowVisible())
                ShowWindow(SW_SHOWNORMAL);
            RunModalLoop();
        }
        // Hidden before the owner is enabled again, so the activation goes
        // back to the owner and not to some other window.
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    if (disableOwner)
        ::EnableWindow(owner, TRUE);
    if (owner && hwnd && ::GetActiveWindow() == hwnd)
        ::SetActiveWindow(owner);
    if (hwnd && ::IsWindow(hwnd))
        ::DestroyWindow(hwnd);
    return hwnd ? m_result : -1;
}

void CDialog::EndDialog(int result)
{
    m_result = result;
    m_ended = true;
    EndModalLoop(result);
}

void CDialog::CenterWindow()
{
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    const bool onOwner = owner && ::IsWindowVisible(owner) && !::IsIconic(owner);
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    ::GetMonitorInfoW(onOwner ? ::MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST)
                              : ::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY),
                      &info);
    const CRect work = info.rcWork;
    CRect area = work;
    if (onOwner)
        ::GetWindowRect(owner, &area);
    CRect rect;
    GetWindowRect(&rect);
    // Centred on an owner at the screen's edge, the dialog would stick out:
    // it is kept inside the work area, its top-left corner first.
    const int x = std::max<int>(
        work.left, std::min<int>(area.left + (area.Width() - rect.Width()) / 2, work.right - rect.Width()));
    const int y = std::max<int>(
        work.top, std::min<int>(area.top + (area.Height() - rect.Height()) / 2, work.bottom - rect.Height()));
    SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CDialog::PreTranslateMessage(MSG* msg)
{
    if (CWnd::PreTranslateMessage(msg))
        return TRUE;
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST || !m_hWnd)
        return FALSE;
    return ::IsDialogMessageW(m_hWnd, msg);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
    }
    return CWnd::OnCommand(wParam, lParam);
}

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message == WM_INITDIALOG) {
        *result = OnInitDialog();
        return TRUE;
    }
    return CWnd::OnWndMsg(message, wParam, lParam, result);
}
