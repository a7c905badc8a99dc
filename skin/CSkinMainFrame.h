// The borderless skinned top-level window: a caption band that moves it,
// four skin caption buttons in the top-right corner, rounded corners,
// optional resize borders it hit-tests itself, and a maximized size that
// keeps to the work area. Subclasses give the button images and background.
#pragma once

#include "framework/CWnd.h"
#include "skin/CSkinButtonEx.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

namespace SkinControl
{

class CSkinMainFrame : public CWnd
{
public:
    static const wchar_t kClassName[];
    enum ButtonId { IdClose = 256, IdMinimize = 257, IdMaximize = 258, IdRestore = 259 };
    // The resize borders, and the corners as a share of the cursor size.
    static const int kBorderWidth = 3;

    CSkinMainFrame() = default;
    ~CSkinMainFrame() override = default;

    BOOL Create(RECT rect);

    // The images of the caption buttons, each a strip of `frameCount` state
    // frames. The base gives none.
    virtual void GetSysButtonImages(Gdiplus::Image** close, Gdiplus::Image** minimize,
                                    Gdiplus::Image** maximize, Gdiplus::Image** restore, int* frameCount);
    virtual BOOL SetRoundWindowRegion(BOOL redraw);
    virtual void RecalcLayout();
    // Called after the frame has set its maximize limits; empty here. It
    // takes the framework handler's place: the frame gives WM_GETMINMAXINFO
    // its default processing itself, after this hook.
    void OnGetMinMaxInfo(MINMAXINFO* info) override;
    virtual BOOL HitTestCaption(POINT screenPoint, LRESULT* hit);
    virtual void DrawBackground(CDC* dc);

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

protected:
    int OnCreate(LPCREATESTRUCT cs) override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnPaint() override;
    void OnSize(UINT type, int cx, int cy) override;
    LRESULT OnNcHitTest(CPoint point) override;
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;
    void OnNcLButtonDown(UINT hitTest, CPoint point) override;
    void OnNcLButtonDblClk(UINT hitTest, CPoint point) override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    // Sets the maximized size and position from the monitor the window is on.
    void SetMaximizeLimits(MINMAXINFO* info);
    void ApplyMaximizedSize();
    void ToggleMaximize();

    bool m_resizable = false;
    int m_captionHeight = 30;
    CSkinButtonEx m_closeButton;
    CSkinButtonEx m_minimizeButton;
    CSkinButtonEx m_maximizeButton;
    CSkinButtonEx m_restoreButton;
};

} // namespace SkinControl
