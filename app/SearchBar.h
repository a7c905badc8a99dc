// The strip above the quick-link list: the search box, a magnifier and a
// button that empties the box. The text goes to the filter 300 ms after its
// last change.
#pragma once

#include "app/SearchEdit.h"
#include "skin/CSkinButtonEx.h"
#include "skin/CWndBase.h"

#include <functional>

class CSearchBar : public SkinControl::CWndBase
{
public:
    static const UINT kClearButtonId = 2049;
    static const UINT_PTR kFilterTimer = 100;
    static const UINT kFilterDelayMs = 300;

    CSearchBar();

    // Who filters the list with the text (the main frame's quick-link list).
    void SetFilter(std::function<void(const CString&)> filter) { m_filter = std::move(filter); }
    CSearchEdit& Edit() { return m_edit; }
    // Places the box and shows the clear button while there is text.
    void Layout();
    // The box changed: the clear button follows, the filter timer restarts.
    void OnTextChanged();

protected:
    BOOL OnEraseBkgnd(CDC* dc) override;
    int OnCreate(LPCREATESTRUCT cs) override;
    void OnSize(UINT type, int cx, int cy) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnTimer(UINT_PTR id) override;
    void OnClear();

private:
    CSearchEdit m_edit;
    SkinControl::CSkinButtonEx m_clearButton;
    std::function<void(const CString&)> m_filter;
};
