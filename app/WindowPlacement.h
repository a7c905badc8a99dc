// Where the main window goes: its default rectangle, the rectangle saved in
// the settings (kept inside a work area), and snapping to the top and right
// edges of the work area while it is dragged.
#pragma once

#include <windows.h>

const int MainWindowDefaultWidth = 300;
const int MainWindowDefaultHeight = 560;
const int MainWindowRightMargin = 10;
const int EdgeDockDistance = 30; // snaps when closer than this

// 300 x 560, 10 pixels from the right edge of the work area, centred
// vertically.
RECT DefaultWindowRectIn(const RECT& workArea);

// The default rectangle on the primary monitor.
void GetDefaultWindowRect(RECT& rect);

// Moves the rectangle into the work area: below its top, then cut at its
// bottom, then left of its right edge, then right of its left edge.
RECT ClampWindowRect(RECT rect, const RECT& workArea);

// The rectangle clamped into the work area of the monitor it lies on; the
// default rectangle when it lies off every monitor.
RECT FitWindowRect(const RECT& rect);

// The saved rectangle, clamped into the work area of the monitor it lies
// on; the default rectangle when none is saved or it lies off every
// monitor.
void LoadWindowRect(RECT& rect);

// False for a rectangle that would bring the window back somewhere useless:
// empty, or the far-away position of a minimised window.
bool IsWindowRectWorthSaving(const RECT& rect);

// WINDOWPLACEMENT's rcNormalPosition of a window without WS_EX_TOOLWINDOW is
// in workspace coordinates: relative to the work area of its monitor.  This
// moves it to screen coordinates by the work area's offset in the monitor
// (the task bar's size when it is at the top or left).
RECT WorkspaceToScreenRect(const RECT& workspaceRect, const RECT& monitorRect, const RECT& workArea);

// The same with the monitor the rectangle lies on (unchanged when none).
RECT NormalPositionOnScreen(const RECT& workspaceRect);

// Stores the rectangle as WindowLeft/Top/Right/Bottom when it is worth
// saving; returns 1 when stored, 0 when the previous one is kept.
int SaveWindowRectSettings(const RECT& rect);

// The AutoFloatWindow setting: edge docking on unless it is "0".
bool IsAutoFloatWindowOn();

// Docking while the window moves from `current` to `proposed`: moving up to
// within 30 pixels of the work area's top takes the full work-area height;
// moving right to within 30 pixels of its right edge sticks to it.  Returns
// true when `proposed` was changed.
bool DockMovingRect(const RECT& current, RECT& proposed, const RECT& workArea);

// The work area of the window's monitor (the primary one when it is on
// none); an empty rectangle when there is no monitor.
void GetWindowWorkArea(RECT& workArea, HWND window);

// The work area of the monitor the source rectangle lies on; empty when it
// lies on none.
void GetMonitorRect(RECT& workArea, const RECT& source);
