// The one-line message bar the message module lays over the bottom edge of
// the main window: one title of the feed at a time, rotated by each
// message's duration, opening the message's address when clicked.  Without
// messages it shows the module's version.
#pragma once

#include "core/Lock.h"
#include "skin/CWndBase.h"

#include <memory>
#include <vector>

struct BottomMsgItem {
    CString title;
    CString url;
    int dur = 0; // seconds the title stays
};

// Posted to the bar when new messages were handed over.
const UINT WM_BOTTOMMSG_ARRIVED = 0x500;

// Only web addresses are opened: the feed comes from the network, and the
// shell would run a file: or javascript: address as readily as a page.
bool IsOpenableWebUrl(const wchar_t* url);

class CWndBottomMsg : public SkinControl::CWndBase
{
public:
    static const UINT_PTR RotateTimerId = 100;

    CWndBottomMsg() = default;
    ~CWndBottomMsg() override = default;

    // A visible child of the main frame, not yet placed.
    BOOL Create(HWND frame);
    // Lays the bar over the footer of its parent, the main frame; the
    // MoveWindow result, 0 when the bar or the frame has no window.
    BOOL PlaceInFrame();
    // Replaces the messages; callable from any thread.
    void SetMessages(std::vector<std::unique_ptr<BottomMsgItem>> messages);
    void ClearMessages();
    // What the bar shows now: the current title, else the default text.
    CString GetShownText();

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCreate(LPCREATESTRUCT cs) override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnTimer(UINT_PTR id) override;
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    LRESULT OnMessagesArrived();
    void DrawMessage(CDC* dc);
    // Seconds since 1970.
    virtual long long Now() const;

private:
    // Called with the lock held: an index past the end goes back to 0.
    const BottomMsgItem* CurrentMessage();

    std::vector<std::unique_ptr<BottomMsgItem>> m_messages;
    unsigned m_current = 0;
    long long m_startTime = 0;
    CRect m_linkRect;
    CLock m_lock;
    CString m_defaultText;
};

// The module's one bar.
CWndBottomMsg& BottomMsgBar();
