// A common-controls tooltip window. Tools added by window ask their owner
// for the text with TTN_NEEDTEXTW when the tip is about to show.
#pragma once

#include "framework/CWnd.h"

#include <commctrl.h>

class CToolTipCtrl : public CWnd
{
public:
    // A popup owned by `parent`, which receives the tooltip's notifications.
    BOOL Create(CWnd* parent, DWORD style = 0);
    void Activate(BOOL active) { SendMessage(TTM_ACTIVATE, active); }
    void RelayEvent(MSG* msg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
    // Adds `tool`, a window of the owner, whose text the owner gives on
    // request unless `text` is given.
    BOOL AddTool(CWnd* tool, const wchar_t* text = LPSTR_TEXTCALLBACKW);
    int GetToolCount() const { return static_cast<int>(SendMessage(TTM_GETTOOLCOUNT)); }
};
