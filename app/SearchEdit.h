// The search bar's text box: a windowless rich edit over the bar's skin that
// shows a grey hint while it is empty and unfocused. Every change restarts
// the bar's filter timer; Escape empties it.
#pragma once

#include "skin/CWindowlessRichEdit.h"

class CSearchBar;

class CSearchEdit : public SkinControl::CWindowlessRichEdit
{
public:
    static const wchar_t kHint[];
    static const COLORREF kHintColor = 0x808080;

    // `bar` owns the box and outlives it.
    explicit CSearchEdit(CSearchBar* bar) : m_bar(bar) {}

    BOOL IsHintShown() const { return m_showHint; }
    // Replaces the text; the change is reported like a typed one.
    void SetText(const wchar_t* text);

    HRESULT OnTextNotify(DWORD code, void* data) override;
    LRESULT OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DrawBackground(HWND window, CDC* dc) override;
    LRESULT OnCreate(CREATESTRUCTW* cs) override;

private:
    CSearchBar* m_bar;
    int m_showHint = 1;
};
