// The skin's one button class: an owner-drawn BUTTON that draws image strips
// (caption buttons), check boxes and radios (through subclasses), labels,
// links and animated GIFs over its parent's background. It tracks hover and
// press itself and keeps its own check state.
#pragma once

#include "framework/CButton.h"
#include "framework/CDC.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

namespace SkinControl
{

// Tells a radio button of the same group to drop its check mark.
const UINT WM_RADIO_UNCHECK = 0x7F0;

class CSkinButtonEx : public CButton
{
public:
    enum Kind { KindStandard = 0, KindLabel = 1, KindLink = 2 };
    enum StyleKind { StylePushButton = 0, StyleCheckBox = 2, StyleRadioButton = 9 };
    // The timer that steps an animated image.
    static const UINT_PTR kAnimationTimer = 100;

    CSkinButtonEx() = default;
    ~CSkinButtonEx() override;

    // `image` is borrowed from the skin store; it holds `frameCount` frames
    // of equal width side by side.
    BOOL SetImage(Gdiplus::Image* image, int frameCount);
    int GetImageFrameWidth() const;
    int GetImageFrameHeight() const;
    // The extent of the window text in the button's font; {0, 0} without one.
    CSize GetTextSize();
    // Makes `button` an animated-GIF child of `parent` that ignores the mouse.
    static BOOL CreateAnimated(CWnd* parent, CSkinButtonEx* button, Gdiplus::Image* image);

    void SetKind(int kind) { m_kind = kind; }
    void SetHandCursor(bool hand) { m_handCursor = hand; }
    void SetFont(HFONT font) { m_font = font; }
    void SetTextColors(COLORREF normal, COLORREF hover, COLORREF pressed);
    void SetFocusFrame(bool focusFrame) { m_focusFrame = focusFrame; }
    int GetStyleKind() const { return m_styleKind; }
    // 2 pressed, else 1 hovered, else 0: the image frame and text colour.
    int GetStateIndex() const { return m_pressed ? 2 : m_hover ? 1 : 0; }

    void DrawItem(LPDRAWITEMSTRUCT item) override;
    virtual void DrawAnimatedFrame(CDC* dc, int left, int top, int right, int bottom);
    virtual void DrawPushButton(CDC* dc, int left, int top, int right, int bottom, UINT itemState);
    virtual void DrawLinkText(CDC* dc, int left, int top, int right, int bottom, UINT itemState);
    virtual void DrawLabelText(CDC* dc, int left, int top, int right, int bottom, UINT itemState);
    virtual void DrawRadioButton(CDC* dc, int left, int top, int right, int bottom, UINT itemState);
    virtual void DrawCheckBox(CDC* dc, int left, int top, int right, int bottom, UINT itemState);
    virtual void DrawButton(CDC* dc, int left, int top, int right, int bottom, UINT itemState);

    void PreSubclassWindow() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    int OnCreate(LPCREATESTRUCT cs) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    void OnMouseHover(UINT flags, CPoint point) override;
    void OnMouseLeave() override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnLButtonDblClk(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    void OnCaptureChanged(HWND newCapture) override;
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnPaint() override;
    UINT OnGetDlgCode() override;
    void OnTimer(UINT_PTR id) override;

    // Label and link text: one line, vertically centred, cut with an ellipsis.
    void DrawWindowText(CDC* dc, const RECT& rect, COLORREF color);
    void SetChecked(bool checked);
    // Ends a press without a click: the pressed look and a pending click go.
    void CancelPress();
    void UncheckRadioGroup();
    void StepAnimation();
    // The delay after `frame` in milliseconds.
    UINT FrameDelay(int frame) const;

    int m_kind = KindStandard;
    bool m_animated = false;
    int m_currentFrame = 0;
    GUID* m_frameDimensions = nullptr;
    int m_animationFrameCount = 1;
    Gdiplus::PropertyItem* m_frameDelays = nullptr;
    bool m_handCursor = false;
    HFONT m_font = nullptr;
    COLORREF m_textColors[3] = {0, 0, 0};
    Gdiplus::Image* m_image = nullptr;
    int m_frameCount = 4;
    int m_styleKind = StylePushButton;
    bool m_tracking = false;
    bool m_pressed = false;
    bool m_hover = false;
    bool m_checked = false;
    bool m_clickPending = false;
    bool m_focusFrame = false;
};

} // namespace SkinControl
