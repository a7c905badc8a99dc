#include "app/HotKeyEdit.h"

#include "app/HotkeyEditKeys.h"

BOOL CHotKeyEdit::PreTranslateMessage(MSG* msg)
{
    if (msg->hwnd == m_hWnd) {
        HotkeyEditChange change = HotkeyEditKey(msg->message, msg->wParam, GetWindowText());
        if (change.setText && (change.always || GetWindowText() != change.text)) {
            SetWindowText(change.text);
            SetSel(change.text.GetLength(), -1);
            SendMessage(EM_SCROLLCARET);
        }
        if (change.consumed)
            return TRUE;
    }
    return CEdit::PreTranslateMessage(msg);
}
