// Our custom vertical scroll bar: drawn in a window's non-client area by the
// window's parent through a custom-draw notification, with its own scroll
// information.  Code that may scroll such a window calls the CoolSB_
// scroll-info functions instead of the system ones; they fall back to the
// system's bars where the window has none of ours.
#pragma once
#include <windows.h>

// The notification sent to the scroll bar's parent for each part it draws.
const int NM_COOLSB_CUSTOMDRAW = -4095;

// The parts of the bar, as uItem.
enum CoolSBItem : UINT {
    CoolSBLineUp = SB_LINEUP,
    CoolSBLineDown = SB_LINEDOWN,
    CoolSBPageUp = SB_PAGEUP,
    CoolSBPageDown = SB_PAGEDOWN,
    CoolSBThumb = SB_THUMBTRACK,
};

struct NMCSBCUSTOMDRAW {
    NMHDR hdr;
    DWORD dwDrawStage; // CDDS_PREPAINT, CDDS_ITEMPREPAINT, CDDS_POSTPAINT
    HDC hdc;
    RECT rect;   // the item, in the DC's coordinates
    UINT uItem;  // a CoolSBItem
    UINT uState; // CDIS_HOT, CDIS_SELECTED, CDIS_DISABLED
    UINT nBar;   // SB_VERT
};

BOOL CoolSB_InitializeApp();
BOOL CoolSB_UninitializeApp();
// Gives the window the bar; it shows while the range exceeds the page.
BOOL InitializeCoolSB(HWND window);
BOOL UninitializeCoolSB(HWND window);
BOOL CoolSB_IsCoolScrollEnabled(HWND window);

// Our bar is the vertical one of a window given InitializeCoolSB; every
// other bar is the system's, which these functions then use.
int CoolSB_SetScrollInfo(HWND window, int bar, const SCROLLINFO* info, BOOL redraw);
BOOL CoolSB_GetScrollInfo(HWND window, int bar, SCROLLINFO* info);
int CoolSB_SetScrollPos(HWND window, int bar, int pos, BOOL redraw);
int CoolSB_GetScrollPos(HWND window, int bar);
BOOL CoolSB_SetScrollRange(HWND window, int bar, int minPos, int maxPos, BOOL redraw);

namespace CoolSB
{
// Where the parts lie inside a bar of `bar` (window coordinates), for the
// scroll information given; shared by painting and hit testing.
struct Layout {
    RECT lineUp, pageUp, thumb, pageDown, lineDown;
    bool hasThumb;
};
Layout ComputeLayout(const RECT& bar, const SCROLLINFO& info);
// The position a thumb dragged so that its top lies at `thumbTop` stands for.
int PositionForThumbTop(const RECT& bar, const SCROLLINFO& info, int thumbTop);
} // namespace CoolSB
