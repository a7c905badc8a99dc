// The small framed window that shows the loading spinner ("loading.gif")
// and one line of text while its owner loads.
#pragma once
#include "framework/CString.h"
#include "skin/CSkinButtonEx.h"
#include "skin/CWndBase.h"

namespace SkinControl
{
class CWndWaiting : public CWndBase
{
public:
    CWndWaiting() = default;
    ~CWndWaiting() override = default;

    // Set by the owner before the window is shown.
    void SetText(const CString& text) { m_text = text; }
    void SetFont(HFONT font) { m_font = font; }
    // The width and height the spinner and the text need.
    CSize GetContentSize();

protected:
    int OnCreate(LPCREATESTRUCT cs) override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnPaint() override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnDestroy() override;

private:
    CSkinButtonEx m_spinner;
    CString m_text;
    HFONT m_font = nullptr;
};
} // namespace SkinControl
