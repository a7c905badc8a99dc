#include "skin/CSkinMainFrame.h"
#include "skin/SkinWindowClass.h"

#include "framework/CWinApp.h"
#include "skin/CSkinMemDC.h"

namespace SkinControl
{

const wchar_t CSkinMainFrame::kClassName[] = L"{08703010-8C30-4a34-80FC-BE0223759A7B}_Quorventile";

namespace
{

bool IsSizingHit(UINT hit)
{
    return hit >= HTLEFT && hit <= HTBOTTOMRIGHT;
}

// Creates a caption button at its frame size in the top-left corner; the
// layout moves it to its place.
BOOL CreateCaptionButton(CSkinButtonEx& button, Gdiplus::Image* image, int frameCount, DWORD style,
                         CWnd* parent, UINT id)
{
    button.SetImage(image, frameCount);
    return button.Create(L"", style, CRect(0, 0, button.GetImageFrameWidth(), button.GetImageFrameHeight()),
                         parent, id);
}

} // namespace

BOOL CSkinMainFrame::Create(RECT rect)
{
    if (!RegisterSkinWindowClass(kClassName, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)))
        return FALSE;
    return CreateEx(0, kClassName, L"", 0x960A0000, rect, nullptr, 0);
}

void CSkinMainFrame::GetSysButtonImages(Gdiplus::Image**, Gdiplus::Image**, Gdiplus::Image**,
                                        Gdiplus::Image**, int*)
{
}

int CSkinMainFrame::OnCreate(LPCREATESTRUCT cs)
{
    if (CWnd::OnCreate(cs) == -1)
        return -1;
    Gdiplus::Image *close = nullptr, *minimize = nullptr, *maximize = nullptr, *restore = nullptr;
    int frameCount = 3;
    GetSysButtonImages(&close, &minimize, &maximize, &restore, &frameCount);
    const DWORD shown = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    struct {
        CSkinButtonEx& button;
        Gdiplus::Image* image;
        DWORD style;
        UINT id;
    } buttons[] = {{m_closeButton, close, shown, IdClose},
                   {m_minimizeButton, minimize, shown, IdMinimize},
                   {m_maximizeButton, maximize, shown, IdMaximize},
                   {m_restoreButton, restore, WS_CHILD | WS_CLIPSIBLINGS, IdRestore}};
    for (auto& b : buttons) {
        if (b.image && !CreateCaptionButton(b.button, b.image, frameCount, b.style, this, b.id))
            break;
    }
    return 0;
}

BOOL CSkinMainFrame::OnCommand(WPARAM wParam, LPARAM lParam)
{
    // A double click on a caption button also reports BN_DOUBLECLICKED; the
    // buttons act on clicks only.
    if (HIWORD(wParam) != BN_CLICKED)
        return CWnd::OnCommand(wParam, lParam);
    switch (LOWORD(wParam)) {
    case IdClose:
        SendMessage(WM_SYSCOMMAND, SC_CLOSE);
        return TRUE;
    case IdMinimize:
        SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
        return TRUE;
    case IdMaximize:
        SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE);
        return TRUE;
    case IdRestore:
        ShowWindow(SW_SHOW);
        SendMessage(WM_SYSCOMMAND, SC_RESTORE);
        return TRUE;
    default:
        return CWnd::OnCommand(wParam, lParam);
    }
}

BOOL CSkinMainFrame::OnEraseBkgnd(CDC* dc)
{
    CSkinMemDC buffer(dc, this);
    DrawBackground(buffer.GetDC());
    return TRUE;
}

void CSkinMainFrame::OnPaint()
{
    // Everything is painted in WM_ERASEBKGND.
    CPaintDC dc(this);
}

void CSkinMainFrame::OnSize(UINT type, int cx, int cy)
{
    CWnd::OnSize(type, cx, cy);
    if (type == SIZE_MAXIMIZED)
        ApplyMaximizedSize();
    RecalcLayout();
}

void CSkinMainFrame::ApplyMaximizedSize()
{
    // Wine leaves the X window of a maximized frame at its old size for the
    // window manager to change; without one the frame would show only that
    // part.  The same rectangle set again without the maximized style makes
    // Wine size the X window itself; the style is put back at once.
    const LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    CRect rect;
    GetWindowRect(&rect);
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_MAXIMIZE));
    ::SetWindowPos(m_hWnd, nullptr, rect.left, rect.top, rect.Width(), rect.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSENDCHANGING);
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, style);
}

void CSkinMainFrame::RecalcLayout()
{
    CRect client;
    GetClientRect(&client);
    int x = client.right - 1;
    const int y = client.top + 1;
    if (m_closeButton.m_hWnd) {
        x -= m_closeButton.GetImageFrameWidth();
        m_closeButton.MoveWindow(x, y, m_closeButton.GetImageFrameWidth(),
                                 m_closeButton.GetImageFrameHeight());
    }
    CSkinButtonEx* sizeButton = nullptr;
    if (m_maximizeButton.m_hWnd && !IsZoomed()) {
        if (m_restoreButton.m_hWnd)
            m_restoreButton.ShowWindow(SW_HIDE);
        sizeButton = &m_maximizeButton;
    } else if (m_restoreButton.m_hWnd) {
        if (m_maximizeButton.m_hWnd)
            m_maximizeButton.ShowWindow(SW_HIDE);
        sizeButton = &m_restoreButton;
    }
    if (sizeButton) {
        x -= sizeButton->GetImageFrameWidth();
        sizeButton->SetWindowPos(nullptr, x, y, sizeButton->GetImageFrameWidth(),
                                 sizeButton->GetImageFrameHeight(),
                                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
    if (m_minimizeButton.m_hWnd) {
        x -= m_minimizeButton.GetImageFrameWidth();
        m_minimizeButton.MoveWindow(x, y, m_minimizeButton.GetImageFrameWidth(),
                                    m_minimizeButton.GetImageFrameHeight());
    }
    SetRoundWindowRegion(TRUE);
}

BOOL CSkinMainFrame::SetRoundWindowRegion(BOOL redraw)
{
    CRect client;
    GetClientRect(&client);
    HRGN region = ::CreateRoundRectRgn(client.left, client.top, client.right + 1, client.bottom + 1, 4, 4);
    if (!region)
        return FALSE;
    // The window owns the region from here on.
    SetWindowRgn(region, redraw);
    return TRUE;
}

LRESULT CSkinMainFrame::OnNcHitTest(CPoint point)
{
    if (m_resizable) {
        CRect w;
        GetWindowRect(&w);
        if (!w.PtInRect(point))
            return HTNOWHERE;
        const int cx = ::GetSystemMetrics(SM_CXCURSOR) / 2;
        const int cy = ::GetSystemMetrics(SM_CYCURSOR) / 2;
        const int b = kBorderWidth;
        const struct {
            CRect area;
            LRESULT hit;
        } borders[] = {
            {CRect(w.left, w.top, w.left + cx, w.top + cy), HTTOPLEFT},
            {CRect(w.left + cx, w.top, w.right - cx, w.top + b), HTTOP},
            {CRect(w.right - cx, w.top, w.right, w.top + cy), HTTOPRIGHT},
            {CRect(w.right - b, w.top + cy, w.right, w.bottom - cy), HTRIGHT},
            {CRect(w.right - cx, w.bottom - cy, w.right, w.bottom), HTBOTTOMRIGHT},
            {CRect(w.left + cx, w.bottom - b, w.right - cx, w.bottom), HTBOTTOM},
            {CRect(w.left, w.bottom - cy, w.left + cx, w.bottom), HTBOTTOMLEFT},
            {CRect(w.left, w.top + cy, w.left + b, w.bottom - cy), HTLEFT},
        };
        for (const auto& border : borders) {
            if (border.area.PtInRect(point))
                return border.hit;
        }
    }
    LRESULT hit = HTNOWHERE;
    if (HitTestCaption(point, &hit))
        return hit;
    return CWnd::OnNcHitTest(point);
}

BOOL CSkinMainFrame::HitTestCaption(POINT screenPoint, LRESULT* hit)
{
    return HitTestCaptionBand(this, screenPoint, m_captionHeight, hit);
}

BOOL CSkinMainFrame::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message)
{
    const wchar_t* cursor = nullptr;
    if (m_resizable) {
        switch (hitTest) {
        case HTLEFT:
        case HTRIGHT:
            cursor = IDC_SIZEWE;
            break;
        case HTTOP:
        case HTBOTTOM:
            cursor = IDC_SIZENS;
            break;
        case HTTOPLEFT:
        case HTBOTTOMRIGHT:
            cursor = IDC_SIZENWSE;
            break;
        case HTTOPRIGHT:
        case HTBOTTOMLEFT:
            cursor = IDC_SIZENESW;
            break;
        }
    }
    if (!cursor)
        return CWnd::OnSetCursor(wnd, hitTest, message);
    ::SetCursor(::LoadCursorW(nullptr, cursor));
    return TRUE;
}

void CSkinMainFrame::OnNcLButtonDown(UINT hitTest, CPoint point)
{
    if (m_resizable && IsSizingHit(hitTest)) {
        // The size loop runs inside this call. Default handling of the same
        // hit code would start a second one under Wine, so there is none.
        SendMessage(WM_SYSCOMMAND, SC_SIZE + (hitTest - 9), MAKELPARAM(point.x, point.y));
        return;
    }
    CWnd::OnNcLButtonDown(hitTest, point);
}

void CSkinMainFrame::OnNcLButtonDblClk(UINT hitTest, CPoint point)
{
    CRect w;
    GetWindowRect(&w);
    const CRect caption(w.left, w.top, w.right, w.top + m_captionHeight);
    if (!caption.PtInRect(point)) {
        CWnd::OnNcLButtonDblClk(hitTest, point);
        return;
    }
    ToggleMaximize();
}

void CSkinMainFrame::ToggleMaximize()
{
    if (IsZoomed()) {
        ShowWindow(SW_SHOW);
        SendMessage(WM_SYSCOMMAND, SC_RESTORE);
    } else {
        SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE);
    }
}

void CSkinMainFrame::SetMaximizeLimits(MINMAXINFO* info)
{
    CRect rect;
    if (IsIconic()) {
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof(placement);
        ::GetWindowPlacement(m_hWnd, &placement);
        rect = placement.rcNormalPosition;
    } else {
        GetWindowRect(&rect);
    }
    HMONITOR monitor = ::MonitorFromPoint(rect.CenterPoint(), MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    if (!::GetMonitorInfoW(monitor, &mi))
        return;
    // The work area of the monitor the window is on, wherever it starts: the
    // maximized position is relative to the monitor's corner.
    const CRect work(mi.rcWork);
    info->ptMaxSize = CPoint(work.Width(), work.Height());
    info->ptMaxTrackSize = info->ptMaxSize;
    info->ptMaxPosition = CPoint(work.left - mi.rcMonitor.left, work.top - mi.rcMonitor.top);
}

void CSkinMainFrame::OnGetMinMaxInfo(MINMAXINFO*) {}

BOOL CSkinMainFrame::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message != WM_GETMINMAXINFO)
        return CWnd::OnWndMsg(message, wParam, lParam, result);
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    SetMaximizeLimits(info);
    OnGetMinMaxInfo(info);
    *result = Default();
    return TRUE;
}

void CSkinMainFrame::DrawBackground(CDC* dc)
{
    CRect client;
    GetClientRect(&client);
    dc->FillSolidRect(client, RGB(255, 255, 255));
}

} // namespace SkinControl
