// A dialog made from a template resource of the program. DoModal runs it in
// the framework's modal loop: the owner is disabled for the time it runs, and
// keyboard messages pass IsDialogMessage inside the usual PreTranslateMessage
// walk, so Escape ends it with IDCANCEL and Tab moves the focus.
#pragma once

#include "framework/CWnd.h"

class CDialog : public CWnd
{
public:
    // `parent` is the owner; without one the application's main window or,
    // failing that, the active window owns the dialog.
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);

    // The value given to EndDialog; -1 when the dialog could not be made.
    virtual INT_PTR DoModal();
    void EndDialog(int result);

    // TRUE lets the system give the focus to the first control.
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    // Centres the window on its owner, or on the work area without one;
    // either way it stays inside the work area of that monitor.
    void CenterWindow();

    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam);
    HWND ModalOwner() const;

    UINT m_templateId;
    CWnd* m_owner;
    bool m_ended = false;
    int m_result = -1;
};
