#include "app/CoolScrollbarPainter.h"

#include "app/MainSkinImage.h"
#include "skin/CGDIDrawHelper.h"
#include "skin/CSkinRes.h"

#include <commctrl.h>

namespace
{
int StateIndex(UINT state)
{
    if (state & CDIS_DISABLED)
        return 3;
    if (state & CDIS_SELECTED)
        return 2;
    if (state & CDIS_HOT)
        return 1;
    return 0;
}

void DrawArrow(SkinControl::CGDIDrawHelper& draw, const RECT& rect, int frame)
{
    HBITMAP buttons = SkinControl::CSkinRes::GetBitmap(L"scrollv\\buttons.png");
    SIZE size = BitmapSize(buttons);
    if (!buttons || size.cy < 8)
        return;
    int frameHeight = size.cy / 8;
    draw.AlphaBlendBitmapAt(buttons, rect, 0, frame * frameHeight, size.cx, frameHeight);
}

void DrawTrack(SkinControl::CGDIDrawHelper& draw, const RECT& rect)
{
    HBITMAP background = SkinControl::CSkinRes::GetBitmap(L"scrollv\\background.png");
    SIZE size = BitmapSize(background);
    if (background && size.cy > 12)
        draw.AlphaBlendBitmapAt(background, rect, 0, 12, size.cx, 1);
}

void DrawThumb(SkinControl::CGDIDrawHelper& draw, const RECT& rect, int state)
{
    HBITMAP thumb = SkinControl::CSkinRes::GetBitmap(L"scrollv\\thumb.png");
    SIZE size = BitmapSize(thumb);
    if (thumb && size.cy >= 4 * 5) {
        int frameHeight = size.cy / 4, top = state * frameHeight;
        draw.AlphaBlendBitmapAt(thumb, CRect(rect.left, rect.top, rect.right, rect.top + 2), 0, top, size.cx,
                                2);
        draw.AlphaBlendBitmapAt(thumb, CRect(rect.left, rect.top + 2, rect.right, rect.bottom - 2), 0,
                                top + 2, size.cx, 1);
        draw.AlphaBlendBitmapAt(thumb, CRect(rect.left, rect.bottom - 2, rect.right, rect.bottom), 0,
                                top + frameHeight - 2, size.cx, 2);
    }
    HBITMAP gripper = SkinControl::CSkinRes::GetBitmap(L"scrollv\\thumbgripper.png");
    SIZE grip = BitmapSize(gripper);
    if (!gripper || grip.cy < 4)
        return;
    int gripHeight = grip.cy / 4;
    int x = rect.left + (rect.right - rect.left - grip.cx) / 2;
    int y = rect.top + (rect.bottom - rect.top - gripHeight) / 2;
    draw.AlphaBlendBitmapAt(gripper, CRect(x, y, x + grip.cx, y + gripHeight), 0, state * gripHeight, grip.cx,
                            gripHeight);
}
} // namespace

LRESULT DrawCoolScrollbar(NMCSBCUSTOMDRAW* draw)
{
    if (draw->dwDrawStage == CDDS_POSTPAINT)
        return CDRF_DODEFAULT;
    if (draw->dwDrawStage != CDDS_ITEMPREPAINT || draw->nBar != SB_VERT)
        return CDRF_SKIPDEFAULT;
    CBorrowedDC target(draw->hdc);
    SkinControl::CGDIDrawHelper helper(&target);
    int state = StateIndex(draw->uState);
    switch (draw->uItem) {
    case CoolSBLineUp:
        DrawArrow(helper, draw->rect, state);
        break;
    case CoolSBLineDown:
        DrawArrow(helper, draw->rect, 4 + state);
        break;
    case CoolSBPageUp:
    case CoolSBPageDown:
        DrawTrack(helper, draw->rect);
        break;
    case CoolSBThumb:
        DrawThumb(helper, draw->rect, state);
        break;
    }
    return CDRF_SKIPDEFAULT;
}
