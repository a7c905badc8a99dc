#include "app/WindowPlacement.h"

#include "core/AppDatabase.h"

#include <climits>
#include <cstdlib>

namespace
{

// Where Windows parks a minimised top-level window.
const int MinimisedPosition = -32000;

// False, with both rectangles empty, when there is no such monitor.
bool MonitorAreas(HMONITOR monitor, RECT& monitorRect, RECT& workArea)
{
    SetRectEmpty(&monitorRect);
    SetRectEmpty(&workArea);
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (!monitor || !GetMonitorInfoW(monitor, &info))
        return false;
    monitorRect = info.rcMonitor;
    workArea = info.rcWork;
    return true;
}

void WorkAreaOf(HMONITOR monitor, RECT& workArea)
{
    RECT monitorRect;
    MonitorAreas(monitor, monitorRect, workArea);
}

} // namespace

RECT DefaultWindowRectIn(const RECT& workArea)
{
    RECT rect;
    rect.left = workArea.right - MainWindowDefaultWidth - MainWindowRightMargin;
    rect.right = workArea.right - MainWindowRightMargin;
    rect.top = workArea.top + (workArea.bottom - workArea.top - MainWindowDefaultHeight) / 2;
    rect.bottom = rect.top + MainWindowDefaultHeight;
    return rect;
}

void GetDefaultWindowRect(RECT& rect)
{
    const POINT origin = {0, 0};
    RECT workArea;
    WorkAreaOf(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), workArea);
    rect = DefaultWindowRectIn(workArea);
}

RECT ClampWindowRect(RECT rect, const RECT& workArea)
{
    // In 64 bits: a damaged file may hold any 32-bit sides, and their
    // differences overflow 32 bits.
    long long left = rect.left, top = rect.top, right = rect.right, bottom = rect.bottom;
    if (top < workArea.top) {
        bottom += workArea.top - top;
        top = workArea.top;
    }
    if (bottom > workArea.bottom)
        bottom = workArea.bottom;
    if (right > workArea.right) {
        left -= right - workArea.right;
        right = workArea.right;
    }
    if (left < workArea.left) {
        right += workArea.left - left;
        left = workArea.left;
    }
    // Only a rectangle wider than the work area can still lie outside it;
    // FitWindowRect never passes one.
    auto side = [](long long v) { return static_cast<LONG>(v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v); };
    return RECT{side(left), side(top), side(right), side(bottom)};
}

RECT FitWindowRect(const RECT& rect)
{
    RECT workArea;
    GetMonitorRect(workArea, rect);
    const long long width = static_cast<long long>(rect.right) - rect.left;
    const long long height = static_cast<long long>(rect.bottom) - rect.top;
    const long long workWidth = static_cast<long long>(workArea.right) - workArea.left;
    const long long workHeight = static_cast<long long>(workArea.bottom) - workArea.top;
    // Empty, inverted or wider than the work area: nothing worth keeping.
    if (IsRectEmpty(&workArea) || width <= 0 || height <= 0 || width > workWidth) {
        RECT fallback;
        GetDefaultWindowRect(fallback);
        return fallback;
    }
    // Never smaller than the frame lets the user make it.
    RECT grown = rect;
    if (width < MainWindowDefaultWidth)
        grown.right = rect.left + MainWindowDefaultWidth;
    if (height < MainWindowDefaultHeight)
        grown.bottom = rect.top + MainWindowDefaultHeight;
    RECT fitted = ClampWindowRect(grown, workArea);
    // Cut at the work area's bottom below the minimum: raised instead, as far
    // as the work area's top.
    const long long minHeight = workHeight < MainWindowDefaultHeight ? workHeight : MainWindowDefaultHeight;
    if (fitted.bottom - fitted.top < minHeight)
        fitted.top = static_cast<LONG>(fitted.bottom - minHeight);
    return fitted;
}

void LoadWindowRect(RECT& rect)
{
    rect.left = GetConfigInt(L"WindowLeft", 0);
    rect.top = GetConfigInt(L"WindowTop", 0);
    rect.right = GetConfigInt(L"WindowRight", 0);
    rect.bottom = GetConfigInt(L"WindowBottom", 0);
    if (IsRectEmpty(&rect))
        GetDefaultWindowRect(rect);
    rect = FitWindowRect(rect);
}

bool IsWindowRectWorthSaving(const RECT& rect)
{
    return !IsRectEmpty(&rect) && rect.left > MinimisedPosition && rect.top > MinimisedPosition;
}

RECT WorkspaceToScreenRect(const RECT& workspaceRect, const RECT& monitorRect, const RECT& workArea)
{
    RECT rect = workspaceRect;
    OffsetRect(&rect, workArea.left - monitorRect.left, workArea.top - monitorRect.top);
    return rect;
}

RECT NormalPositionOnScreen(const RECT& workspaceRect)
{
    RECT monitorRect, workArea;
    if (!MonitorAreas(MonitorFromRect(&workspaceRect, MONITOR_DEFAULTTONEAREST), monitorRect, workArea))
        return workspaceRect;
    return WorkspaceToScreenRect(workspaceRect, monitorRect, workArea);
}

int SaveWindowRectSettings(const RECT& rect)
{
    if (!IsWindowRectWorthSaving(rect))
        return 0;
    int stored = SetConfigInt(L"WindowLeft", rect.left);
    stored &= SetConfigInt(L"WindowTop", rect.top);
    stored &= SetConfigInt(L"WindowRight", rect.right);
    stored &= SetConfigInt(L"WindowBottom", rect.bottom);
    return stored;
}

bool IsAutoFloatWindowOn()
{
    CString value = GetConfigString(L"AutoFloatWindow", L"1");
    return value.IsEmpty() || _wtoi(value) != 0;
}

bool DockMovingRect(const RECT& current, RECT& proposed, const RECT& workArea)
{
    bool changed = false;
    if (proposed.top < current.top && std::abs(proposed.top - workArea.top) < EdgeDockDistance) {
        proposed.top = workArea.top;
        proposed.bottom = workArea.bottom;
        changed = true;
    }
    if (proposed.right > current.right && std::abs(proposed.right - workArea.right) < EdgeDockDistance) {
        OffsetRect(&proposed, workArea.right - proposed.right, 0);
        changed = true;
    }
    return changed;
}

void GetWindowWorkArea(RECT& workArea, HWND window)
{
    WorkAreaOf(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), workArea);
}

void GetMonitorRect(RECT& workArea, const RECT& source)
{
    WorkAreaOf(MonitorFromRect(&source, MONITOR_DEFAULTTONULL), workArea);
}
