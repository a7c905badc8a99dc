#include "framework/coolsb/CoolSB.h"

#include <commctrl.h>
#include <windowsx.h>

namespace
{
const UINT_PTR kSubclassId = 0x43534221; // "CSB!"
const UINT_PTR kRepeatTimer = 0x43534221;
const int kMinThumb = 8;

struct BarState {
    SCROLLINFO info = {sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
    bool visible = false;
    UINT hotItem = UINT(-1);
    UINT pressedItem = UINT(-1);
    int dragOffset = 0; // cursor to thumb top while dragging
    bool trackingLeave = false;
};

// The state also hangs on the window as a property, for the scroll-info
// functions called from outside the subclass procedure.
const wchar_t kStateProperty[] = L"CoolSB.State";

BarState* StateOf(HWND window)
{
    return static_cast<BarState*>(GetPropW(window, kStateProperty));
}

int BarWidth()
{
    return GetSystemMetrics(SM_CXVSCROLL);
}

bool WantsBar(const SCROLLINFO& info)
{
    int range = info.nMax - info.nMin + 1;
    return range > 0 && static_cast<UINT>(range) > info.nPage && info.nPage > 0;
}

int MaxPosition(const SCROLLINFO& info)
{
    int page = info.nPage > 0 ? static_cast<int>(info.nPage) - 1 : 0;
    return info.nMax - page < info.nMin ? info.nMin : info.nMax - page;
}

// The bar in window coordinates: right of the client area.
RECT BarRect(HWND window)
{
    RECT windowRect, client;
    GetWindowRect(window, &windowRect);
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -windowRect.left, -windowRect.top);
    return {client.right, client.top, client.right + BarWidth(), client.bottom};
}

UINT ItemAt(const CoolSB::Layout& layout, POINT point)
{
    if (PtInRect(&layout.lineUp, point))
        return CoolSBLineUp;
    if (PtInRect(&layout.lineDown, point))
        return CoolSBLineDown;
    if (layout.hasThumb && PtInRect(&layout.thumb, point))
        return CoolSBThumb;
    if (PtInRect(&layout.pageUp, point))
        return CoolSBPageUp;
    if (PtInRect(&layout.pageDown, point))
        return CoolSBPageDown;
    return UINT(-1);
}

POINT WindowPointFromScreen(HWND window, POINT screen)
{
    RECT windowRect;
    GetWindowRect(window, &windowRect);
    return {screen.x - windowRect.left, screen.y - windowRect.top};
}

// The screen point a non-client mouse message carries, in window coordinates.
POINT WindowPointFromMessage(HWND window, LPARAM lParam)
{
    return WindowPointFromScreen(window, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
}

LRESULT Notify(HWND window, NMCSBCUSTOMDRAW& draw)
{
    draw.hdr.hwndFrom = window;
    draw.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(window));
    draw.hdr.code = static_cast<UINT>(NM_COOLSB_CUSTOMDRAW);
    HWND parent = GetParent(window);
    return parent ? SendMessageW(parent, WM_NOTIFY, draw.hdr.idFrom, reinterpret_cast<LPARAM>(&draw)) : 0;
}

void DrawDefaultItem(HDC dc, const RECT& rect, UINT item, UINT state)
{
    RECT r = rect;
    switch (item) {
    case CoolSBLineUp:
    case CoolSBLineDown:
        DrawFrameControl(dc, &r, DFC_SCROLL,
                         (item == CoolSBLineUp ? DFCS_SCROLLUP : DFCS_SCROLLDOWN) |
                             ((state & CDIS_SELECTED) ? DFCS_PUSHED : 0) |
                             ((state & CDIS_DISABLED) ? DFCS_INACTIVE : 0));
        break;
    case CoolSBThumb:
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
        break;
    default:
        FillRect(dc, &r, GetSysColorBrush((state & CDIS_SELECTED) ? COLOR_3DDKSHADOW : COLOR_SCROLLBAR));
        break;
    }
}

void PaintBar(HWND window, BarState& state)
{
    if (!state.visible)
        return;
    HDC dc = GetWindowDC(window);
    if (!dc)
        return;
    RECT bar = BarRect(window);
    CoolSB::Layout layout = CoolSB::ComputeLayout(bar, state.info);
    bool disabled = !IsWindowEnabled(window);

    NMCSBCUSTOMDRAW draw = {};
    draw.hdc = dc;
    draw.nBar = SB_VERT;
    draw.dwDrawStage = CDDS_PREPAINT;
    draw.rect = bar;
    Notify(window, draw);

    struct {
        UINT item;
        const RECT* rect;
    } parts[] = {{CoolSBLineUp, &layout.lineUp},
                 {CoolSBPageUp, &layout.pageUp},
                 {CoolSBPageDown, &layout.pageDown},
                 {CoolSBThumb, &layout.thumb},
                 {CoolSBLineDown, &layout.lineDown}};
    for (auto& part : parts) {
        if (part.item == CoolSBThumb && !layout.hasThumb)
            continue;
        if (IsRectEmpty(part.rect))
            continue;
        UINT itemState = disabled                         ? CDIS_DISABLED
                         : state.pressedItem == part.item ? CDIS_SELECTED
                         : state.hotItem == part.item     ? CDIS_HOT
                                                          : 0;
        draw.dwDrawStage = CDDS_ITEMPREPAINT;
        draw.rect = *part.rect;
        draw.uItem = part.item;
        draw.uState = itemState;
        if (Notify(window, draw) != CDRF_SKIPDEFAULT)
            DrawDefaultItem(dc, *part.rect, part.item, itemState);
    }
    draw.dwDrawStage = CDDS_POSTPAINT;
    draw.rect = bar;
    draw.uItem = 0;
    draw.uState = 0;
    Notify(window, draw);
    ReleaseDC(window, dc);
}

void RedrawBar(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
}

void SendScroll(HWND window, WORD code, int pos = 0)
{
    SendMessageW(window, WM_VSCROLL, MAKEWPARAM(code, static_cast<WORD>(pos)), 0);
}

// Line and page parts scroll once at the press and then while held.
void ScrollForItem(HWND window, BarState& state, POINT windowPoint)
{
    CoolSB::Layout layout = CoolSB::ComputeLayout(BarRect(window), state.info);
    // A page part repeats only while the thumb has not reached the cursor.
    if (ItemAt(layout, windowPoint) != state.pressedItem)
        return;
    SendScroll(window, static_cast<WORD>(state.pressedItem));
}

LRESULT CALLBACK BarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    BarState& state = *reinterpret_cast<BarState*>(data);
    switch (message) {
    case WM_NCCALCSIZE: {
        LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        if (state.visible) {
            RECT* client = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                                  : reinterpret_cast<RECT*>(lParam);
            client->right -= BarWidth();
            if (client->right < client->left)
                client->right = client->left;
        }
        return result;
    }
    case WM_NCPAINT: {
        LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        PaintBar(window, state);
        return result;
    }
    case WM_NCHITTEST: {
        if (state.visible) {
            POINT point = WindowPointFromMessage(window, lParam);
            RECT bar = BarRect(window);
            if (PtInRect(&bar, point))
                return HTVSCROLL;
        }
        break;
    }
    case WM_NCMOUSEMOVE: {
        if (!state.visible || state.pressedItem != UINT(-1))
            break;
        POINT point = WindowPointFromMessage(window, lParam);
        UINT hot = wParam == HTVSCROLL ? ItemAt(CoolSB::ComputeLayout(BarRect(window), state.info), point)
                                       : UINT(-1);
        if (!state.trackingLeave) {
            TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE | TME_NONCLIENT, window, 0};
            state.trackingLeave = TrackMouseEvent(&track) != 0;
        }
        if (hot != state.hotItem) {
            state.hotItem = hot;
            PaintBar(window, state);
        }
        break;
    }
    case WM_NCMOUSELEAVE:
        state.trackingLeave = false;
        if (state.hotItem != UINT(-1)) {
            state.hotItem = UINT(-1);
            PaintBar(window, state);
        }
        break;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: {
        if (wParam != HTVSCROLL || !state.visible || !IsWindowEnabled(window))
            break;
        POINT point = WindowPointFromMessage(window, lParam);
        CoolSB::Layout layout = CoolSB::ComputeLayout(BarRect(window), state.info);
        UINT item = ItemAt(layout, point);
        if (item == UINT(-1))
            return 0;
        state.pressedItem = item;
        SetCapture(window);
        if (item == CoolSBThumb) {
            state.dragOffset = point.y - layout.thumb.top;
            state.info.nTrackPos = state.info.nPos;
        } else {
            ScrollForItem(window, state, point);
            SetTimer(window, kRepeatTimer, 300, nullptr);
        }
        PaintBar(window, state);
        return 0;
    }
    case WM_TIMER:
        if (wParam != kRepeatTimer)
            break;
        if (state.pressedItem == UINT(-1)) {
            KillTimer(window, kRepeatTimer);
        } else {
            POINT cursor;
            GetCursorPos(&cursor);
            ScrollForItem(window, state, WindowPointFromScreen(window, cursor));
            SetTimer(window, kRepeatTimer, 50, nullptr);
        }
        return 0;
    case WM_MOUSEMOVE:
        if (state.pressedItem == CoolSBThumb && GetCapture() == window) {
            POINT cursor;
            GetCursorPos(&cursor);
            POINT point = WindowPointFromScreen(window, cursor);
            int pos = CoolSB::PositionForThumbTop(BarRect(window), state.info, point.y - state.dragOffset);
            if (pos != state.info.nTrackPos) {
                state.info.nTrackPos = pos;
                SendScroll(window, SB_THUMBTRACK, pos);
            }
            return 0;
        }
        break;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (state.pressedItem != UINT(-1)) {
            UINT item = state.pressedItem;
            state.pressedItem = UINT(-1);
            KillTimer(window, kRepeatTimer);
            if (message == WM_LBUTTONUP && GetCapture() == window)
                ReleaseCapture();
            if (item == CoolSBThumb)
                SendScroll(window, SB_THUMBPOSITION, state.info.nTrackPos);
            SendScroll(window, SB_ENDSCROLL);
            PaintBar(window, state);
            if (message == WM_LBUTTONUP)
                return 0;
        }
        break;
    case WM_NCDESTROY: {
        RemoveWindowSubclass(window, BarProc, kSubclassId);
        RemovePropW(window, kStateProperty);
        LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        delete &state;
        return result;
    }
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

// Has the window measure its frame again (WM_NCCALCSIZE), with or without
// the bar.
void RecalcFrame(HWND window)
{
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ApplyVisibility(HWND window, BarState& state, BOOL redraw)
{
    bool wanted = WantsBar(state.info);
    if (wanted != state.visible) {
        state.visible = wanted;
        RecalcFrame(window);
    } else if (redraw) {
        RedrawBar(window);
    }
}
} // namespace

BOOL CoolSB_InitializeApp()
{
    return TRUE;
}

BOOL CoolSB_UninitializeApp()
{
    return TRUE;
}

BOOL InitializeCoolSB(HWND window)
{
    if (!IsWindow(window))
        return FALSE;
    if (StateOf(window))
        return TRUE;
    auto* state = new BarState;
    if (!SetPropW(window, kStateProperty, state)) {
        delete state;
        return FALSE;
    }
    if (!SetWindowSubclass(window, BarProc, kSubclassId, reinterpret_cast<DWORD_PTR>(state))) {
        RemovePropW(window, kStateProperty);
        delete state;
        return FALSE;
    }
    return TRUE;
}

BOOL UninitializeCoolSB(HWND window)
{
    BarState* state = StateOf(window);
    if (!state)
        return FALSE;
    bool visible = state->visible;
    RemoveWindowSubclass(window, BarProc, kSubclassId);
    RemovePropW(window, kStateProperty);
    delete state;
    if (visible)
        RecalcFrame(window);
    return TRUE;
}

BOOL CoolSB_IsCoolScrollEnabled(HWND window)
{
    return StateOf(window) != nullptr;
}

// A window without our bar, and the horizontal bar of any window, are the
// system's: the functions then pass straight through.
int CoolSB_SetScrollInfo(HWND window, int bar, const SCROLLINFO* info, BOOL redraw)
{
    BarState* state = StateOf(window);
    if (!info)
        return 0;
    if (!state || bar != SB_VERT)
        return ::SetScrollInfo(window, bar, info, redraw);
    SCROLLINFO& own = state->info;
    if (info->fMask & SIF_RANGE) {
        own.nMin = info->nMin;
        own.nMax = info->nMax;
    }
    if (info->fMask & SIF_PAGE)
        own.nPage = info->nPage;
    if (info->fMask & SIF_POS)
        own.nPos = info->nPos;
    int maxPos = MaxPosition(own);
    if (own.nPos > maxPos)
        own.nPos = maxPos;
    if (own.nPos < own.nMin)
        own.nPos = own.nMin;
    ApplyVisibility(window, *state, redraw);
    return own.nPos;
}

BOOL CoolSB_GetScrollInfo(HWND window, int bar, SCROLLINFO* info)
{
    BarState* state = StateOf(window);
    if (!info)
        return FALSE;
    if (!state || bar != SB_VERT)
        return ::GetScrollInfo(window, bar, info);
    const SCROLLINFO& own = state->info;
    if (info->fMask & SIF_RANGE) {
        info->nMin = own.nMin;
        info->nMax = own.nMax;
    }
    if (info->fMask & SIF_PAGE)
        info->nPage = own.nPage;
    if (info->fMask & SIF_POS)
        info->nPos = own.nPos;
    if (info->fMask & SIF_TRACKPOS)
        info->nTrackPos = state->pressedItem == CoolSBThumb ? own.nTrackPos : own.nPos;
    return TRUE;
}

int CoolSB_SetScrollPos(HWND window, int bar, int pos, BOOL redraw)
{
    BarState* state = StateOf(window);
    if (!state || bar != SB_VERT)
        return ::SetScrollPos(window, bar, pos, redraw);
    int previous = state->info.nPos;
    SCROLLINFO info = {sizeof(info), SIF_POS, 0, 0, 0, pos, 0};
    CoolSB_SetScrollInfo(window, bar, &info, redraw);
    return previous;
}

int CoolSB_GetScrollPos(HWND window, int bar)
{
    BarState* state = StateOf(window);
    if (!state || bar != SB_VERT)
        return ::GetScrollPos(window, bar);
    return state->info.nPos;
}

BOOL CoolSB_SetScrollRange(HWND window, int bar, int minPos, int maxPos, BOOL redraw)
{
    BarState* state = StateOf(window);
    if (!state || bar != SB_VERT)
        return ::SetScrollRange(window, bar, minPos, maxPos, redraw);
    SCROLLINFO info = {sizeof(info), SIF_RANGE, minPos, maxPos, 0, 0, 0};
    CoolSB_SetScrollInfo(window, bar, &info, redraw);
    return TRUE;
}

namespace CoolSB
{

Layout ComputeLayout(const RECT& bar, const SCROLLINFO& info)
{
    Layout layout = {};
    int height = bar.bottom - bar.top;
    int arrow = bar.right - bar.left;
    if (arrow * 2 > height)
        arrow = height / 2;
    layout.lineUp = {bar.left, bar.top, bar.right, bar.top + arrow};
    layout.lineDown = {bar.left, bar.bottom - arrow, bar.right, bar.bottom};
    int trackTop = layout.lineUp.bottom;
    int trackBottom = layout.lineDown.top;
    int track = trackBottom - trackTop;
    int range = info.nMax - info.nMin + 1;
    layout.hasThumb = WantsBar(info) && track >= kMinThumb;
    if (!layout.hasThumb) {
        layout.pageUp = {bar.left, trackTop, bar.right, trackBottom};
        layout.pageDown = {bar.left, trackBottom, bar.right, trackBottom};
        return layout;
    }
    int thumb = static_cast<int>(static_cast<long long>(track) * info.nPage / range);
    if (thumb < kMinThumb)
        thumb = kMinThumb;
    int span = MaxPosition(info) - info.nMin;
    int offset =
        span > 0 ? static_cast<int>(static_cast<long long>(track - thumb) * (info.nPos - info.nMin) / span)
                 : 0;
    layout.thumb = {bar.left, trackTop + offset, bar.right, trackTop + offset + thumb};
    layout.pageUp = {bar.left, trackTop, bar.right, layout.thumb.top};
    layout.pageDown = {bar.left, layout.thumb.bottom, bar.right, trackBottom};
    return layout;
}

int PositionForThumbTop(const RECT& bar, const SCROLLINFO& info, int thumbTop)
{
    Layout layout = ComputeLayout(bar, info);
    if (!layout.hasThumb)
        return info.nPos;
    int trackTop = layout.lineUp.bottom;
    int free = layout.lineDown.top - trackTop - (layout.thumb.bottom - layout.thumb.top);
    int span = MaxPosition(info) - info.nMin;
    if (free <= 0 || span <= 0)
        return info.nMin;
    int offset = thumbTop - trackTop;
    if (offset < 0)
        offset = 0;
    if (offset > free)
        offset = free;
    return info.nMin + static_cast<int>((static_cast<long long>(offset) * span + free / 2) / free);
}

} // namespace CoolSB
