// The modal dialog without system frame: a caption band that drags it, skin
// title buttons in its top-right corner, rounded corners and a background
// that subclasses paint. It is made from the skin's template 102 (a popup
// without caption or border); programs using it link the skin_resources
// object library, which holds that template.
#pragma once

#include "framework/CDialog.h"
#include "skin/CSkinButtonEx.h"
#include "skin/CSkinRes.h"

#include <commctrl.h>

namespace SkinControl
{

class CSkinDialog : public CDialog, public CSkinRes
{
public:
    static const UINT kTemplateId = 102;
    enum ButtonId { IdClose = 256, IdMinimize = 257 };

    CSkinDialog();

    virtual BOOL SetRoundWindowRegion(BOOL redraw);
    virtual void Layout();
    // The title buttons' images, strips of `frameCount` state frames; the
    // base gives none.
    virtual void GetTitleButtonImages(Gdiplus::Image** close, Gdiplus::Image** minimize, int* frameCount);
    virtual void DrawBackground(CDC* dc);
    virtual void OnCloseButton();
    virtual void OnMinimizeButton();
    // The text of a tool window's tip; `id` is its control id.
    virtual BOOL OnToolTipText(UINT id, TOOLTIPTEXTW* text);
    // HTCAPTION for a point in the caption band.
    virtual BOOL HitTestCaption(POINT screenPoint, LRESULT* hit);

    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    int GetCaptionHeight() const { return m_captionHeight; }

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnPaint() override;
    void OnSize(UINT type, int cx, int cy) override;
    LRESULT OnNcHitTest(CPoint point) override;

    // Gives the window a region with corners of `cornerSize`.
    BOOL ApplyRoundRegion(int cornerSize, BOOL redraw);
    BOOL CreateTitleButton(CSkinButtonEx& button, Gdiplus::Image* image, int frameCount, UINT id);

    int m_captionHeight = 0;
    CSkinButtonEx m_closeButton;
    CSkinButtonEx m_minimizeButton;
};

// The title buttons of the program's dialogs: the close image
// "sysmenu_close2.png" of 4 frames and no minimize button.
void GetDialogTitleButtonImages(Gdiplus::Image** close, Gdiplus::Image** minimize, int* frameCount);

} // namespace SkinControl
