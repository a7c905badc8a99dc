#include "framework/CWnd.h"

#include "framework/CDC.h"
#include "framework/CMenu.h"
#include "framework/CWinApp.h"

#include <memory>
#include <mutex>
#include <unordered_map>

namespace
{

// Window objects live on the UI thread, but workers may look a window up.
std::mutex& MapLock()
{
    static std::mutex lock;
    return lock;
}

std::unordered_map<HWND, CWnd*>& PermanentMap()
{
    static std::unordered_map<HWND, CWnd*> map;
    return map;
}

thread_local std::unordered_map<HWND, std::unique_ptr<CWnd>> t_tempMap;

// The object whose window the current CreateEx call is making.
thread_local CWnd* t_creating = nullptr;

// The message the innermost window procedure is handling, for Default(). It
// is set where a message reaches the object, before any WindowProc override
// sees it, so that a handler an override calls replays its own message and
// not the one whose handling sent it.
struct CurrentMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
thread_local const CurrentMessage* t_current = nullptr;

class CurrentMessageScope
{
public:
    CurrentMessageScope(UINT message, WPARAM wParam, LPARAM lParam)
        : msg_{message, wParam, lParam}, saved_(t_current)
    {
        t_current = &msg_;
    }
    ~CurrentMessageScope() { t_current = saved_; }

private:
    CurrentMessage msg_;
    const CurrentMessage* saved_;
};

} // namespace

bool CWnd::IsImeWindow(HWND hwnd)
{
    wchar_t name[32] = {};
    ::GetClassNameW(hwnd, name, 32);
    return ::lstrcmpiW(name, L"IME") == 0 || ::lstrcmpiW(name, L"MSCTFIME UI") == 0;
}

CWnd::~CWnd()
{
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this)
        DestroyWindow();
    if (m_hWnd)
        Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd)
{
    std::lock_guard<std::mutex> guard(MapLock());
    auto it = PermanentMap().find(hwnd);
    return it == PermanentMap().end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hwnd)
{
    if (!hwnd)
        return nullptr;
    if (CWnd* wnd = FromHandlePermanent(hwnd))
        return wnd;
    std::unique_ptr<CWnd>& temp = t_tempMap[hwnd];
    if (!temp) {
        temp.reset(new CWnd);
        temp->m_hWnd = hwnd;
    }
    return temp.get();
}

void CWnd::DeleteTempMap()
{
    for (auto& entry : t_tempMap)
        entry.second->m_hWnd = nullptr;
    t_tempMap.clear();
}

BOOL CWnd::Attach(HWND hwnd)
{
    if (!hwnd || m_hWnd)
        return FALSE;
    std::lock_guard<std::mutex> guard(MapLock());
    if (!PermanentMap().emplace(hwnd, this).second)
        return FALSE;
    m_hWnd = hwnd;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hwnd = m_hWnd;
    if (hwnd) {
        std::lock_guard<std::mutex> guard(MapLock());
        auto it = PermanentMap().find(hwnd);
        if (it != PermanentMap().end() && it->second == this)
            PermanentMap().erase(it);
    }
    m_hWnd = nullptr;
    return hwnd;
}

void CWnd::SubclassAttached()
{
    PreSubclassWindow();
    auto old = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StdWndProc)));
    if (old != &CWnd::StdWndProc)
        m_superProc = old;
}

LRESULT CALLBACK CWnd::CbtHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && t_creating) {
        HWND hwnd = reinterpret_cast<HWND>(wParam);
        // The system may make its input-method window with the first window
        // of a thread; that one is not ours.
        if (!IsImeWindow(hwnd)) {
            CWnd* wnd = t_creating;
            t_creating = nullptr;
            if (wnd->Attach(hwnd))
                wnd->SubclassAttached();
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* windowName, DWORD style, int x,
                    int y, int width, int height, HWND parent, HMENU idOrMenu, void* param)
{
    if (m_hWnd)
        return FALSE;
    CWnd* savedCreating = t_creating;
    t_creating = this;
    HHOOK hook = ::SetWindowsHookExW(WH_CBT, &CWnd::CbtHook, nullptr, ::GetCurrentThreadId());
    HWND hwnd = ::CreateWindowExW(exStyle, className, windowName, style, x, y, width, height, parent,
                                  idOrMenu, AfxGetInstanceHandle(), param);
    if (hook)
        ::UnhookWindowsHookEx(hook);
    t_creating = savedCreating;
    if (!hwnd) {
        // The window may have been destroyed during WM_CREATE after the hook
        // attached it; then OnFinalNcDestroy has already cleaned up. A later
        // CBT hook may also have refused the window after ours attached it:
        // that handle never got a message and must leave the map.
        if (m_hWnd && !::IsWindow(m_hWnd)) {
            m_superProc = nullptr;
            Detach();
        }
        return FALSE;
    }
    if (m_hWnd != hwnd) {
        // No hook (should not happen): subclass now.
        if (!m_hWnd && Attach(hwnd))
            SubclassAttached();
    }
    return m_hWnd == hwnd;
}

BOOL CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* windowName, DWORD style,
                    const RECT& rect, CWnd* parent, UINT id, void* param)
{
    return CreateEx(exStyle, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), param);
}

BOOL CWnd::Create(const wchar_t* className, const wchar_t* windowName, DWORD style, const RECT& rect,
                  CWnd* parent, UINT id)
{
    return CreateEx(0, className, windowName, style | WS_CHILD, rect, parent, id);
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

BOOL CWnd::SubclassWindow(HWND hwnd)
{
    if (!::IsWindow(hwnd) || !Attach(hwnd))
        return FALSE;
    SubclassAttached();
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent)
{
    return parent ? SubclassWindow(::GetDlgItem(parent->m_hWnd, id)) : FALSE;
}

HWND CWnd::UnsubclassWindow()
{
    if (m_superProc)
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
    m_superProc = nullptr;
    return Detach();
}

LRESULT CALLBACK CWnd::StdWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = FromHandlePermanent(hwnd);
    if (!wnd)
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    LRESULT result;
    {
        CurrentMessageScope scope(message, wParam, lParam);
        result = wnd->WindowProc(message, wParam, lParam);
    }
    if (message == WM_NCDESTROY && FromHandlePermanent(hwnd) == wnd)
        wnd->OnFinalNcDestroy();
    return result;
}

void CWnd::OnFinalNcDestroy()
{
    if (m_superProc &&
        reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC)) == &CWnd::StdWndProc)
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
    m_superProc = nullptr;
    Detach();
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        ::PostQuitMessage(0);
    }
    PostNcDestroy();
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    CurrentMessageScope scope(message, wParam, lParam);
    LRESULT result = 0;
    if (OnWndMsg(message, wParam, lParam, &result))
        return result;
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_superProc)
        return ::CallWindowProcW(m_superProc, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    if (!t_current)
        return 0;
    return DefWindowProc(t_current->message, t_current->wParam, t_current->lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

BOOL CWnd::OnCommand(WPARAM, LPARAM)
{
    return FALSE;
}

BOOL CWnd::OnNotify(WPARAM, LPARAM, LRESULT*)
{
    return FALSE;
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*)
{
    return FALSE;
}

BOOL CWnd::ReflectToChild(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    CWnd* wnd = child && child != m_hWnd ? FromHandlePermanent(child) : nullptr;
    return wnd && wnd->OnChildNotify(message, wParam, lParam, result);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    const CPoint point(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    switch (message) {
    case WM_COMMAND:
        if (ReflectToChild(reinterpret_cast<HWND>(lParam), message, wParam, lParam, result))
            return TRUE;
        if (!OnCommand(wParam, lParam))
            return FALSE;
        *result = 0;
        return TRUE;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header && ReflectToChild(header->hwndFrom, message, wParam, lParam, result))
            return TRUE;
        return OnNotify(wParam, lParam, result);
    }
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (item && item->CtlType == ODT_MENU && CMenu::RouteDrawItem(item)) {
            *result = TRUE;
            return TRUE;
        }
        return item && item->CtlType != ODT_MENU &&
               ReflectToChild(item->hwndItem, message, wParam, lParam, result);
    }
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (!item || item->CtlType != ODT_MENU || !CMenu::RouteMeasureItem(m_hWnd, item))
            return FALSE;
        *result = TRUE;
        return TRUE;
    }
    case WM_CREATE:
        *result = OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam));
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        return TRUE;
    case WM_SIZE:
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_ERASEBKGND: {
        CBorrowedDC dc(reinterpret_cast<HDC>(wParam));
        *result = OnEraseBkgnd(&dc);
        return TRUE;
    }
    case WM_PAINT:
        OnPaint();
        return TRUE;
    case WM_TIMER:
        OnTimer(wParam);
        return TRUE;
    case WM_MOUSEMOVE:
        OnMouseMove(static_cast<UINT>(wParam), point);
        return TRUE;
    case WM_MOUSEHOVER:
        OnMouseHover(static_cast<UINT>(wParam), point);
        return TRUE;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return TRUE;
    case WM_LBUTTONDOWN:
        OnLButtonDown(static_cast<UINT>(wParam), point);
        return TRUE;
    case WM_LBUTTONUP:
        OnLButtonUp(static_cast<UINT>(wParam), point);
        return TRUE;
    case WM_LBUTTONDBLCLK:
        OnLButtonDblClk(static_cast<UINT>(wParam), point);
        return TRUE;
    case WM_RBUTTONDOWN:
        OnRButtonDown(static_cast<UINT>(wParam), point);
        return TRUE;
    case WM_KEYDOWN:
        OnKeyDown(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_CHAR:
        OnChar(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_VSCROLL:
        OnVScroll(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_HSCROLL:
        OnHScroll(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_MOUSEWHEEL:
        *result = OnMouseWheel(GET_KEYSTATE_WPARAM(wParam), GET_WHEEL_DELTA_WPARAM(wParam), point);
        return TRUE;
    case WM_CAPTURECHANGED:
        OnCaptureChanged(reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_SETCURSOR:
        *result = OnSetCursor(FromHandle(reinterpret_cast<HWND>(wParam)), LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_GETDLGCODE:
        *result = OnGetDlgCode();
        return TRUE;
    case WM_NCHITTEST:
        *result = OnNcHitTest(point);
        return TRUE;
    case WM_NCLBUTTONDOWN:
        OnNcLButtonDown(static_cast<UINT>(wParam), point);
        return TRUE;
    case WM_NCLBUTTONDBLCLK:
        OnNcLButtonDblClk(static_cast<UINT>(wParam), point);
        return TRUE;
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        return TRUE;
    default:
        return FALSE;
    }
}

int CWnd::OnCreate(LPCREATESTRUCT)
{
    return static_cast<int>(Default());
}
void CWnd::OnDestroy()
{
    Default();
}
void CWnd::OnSize(UINT, int, int)
{
    Default();
}
BOOL CWnd::OnEraseBkgnd(CDC*)
{
    return static_cast<BOOL>(Default());
}
void CWnd::OnPaint()
{
    Default();
}
void CWnd::OnTimer(UINT_PTR)
{
    Default();
}
void CWnd::OnMouseMove(UINT, CPoint)
{
    Default();
}
void CWnd::OnMouseHover(UINT, CPoint)
{
    Default();
}
void CWnd::OnMouseLeave()
{
    Default();
}
void CWnd::OnLButtonDown(UINT, CPoint)
{
    Default();
}
void CWnd::OnLButtonUp(UINT, CPoint)
{
    Default();
}
void CWnd::OnLButtonDblClk(UINT, CPoint)
{
    Default();
}
void CWnd::OnRButtonDown(UINT, CPoint)
{
    Default();
}
void CWnd::OnKeyDown(UINT, UINT, UINT)
{
    Default();
}
void CWnd::OnChar(UINT, UINT, UINT)
{
    Default();
}
void CWnd::OnVScroll(UINT, UINT, HWND)
{
    Default();
}
void CWnd::OnHScroll(UINT, UINT, HWND)
{
    Default();
}
BOOL CWnd::OnMouseWheel(UINT, short, CPoint)
{
    return static_cast<BOOL>(Default());
}
void CWnd::OnCaptureChanged(HWND)
{
    Default();
}
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT)
{
    return static_cast<BOOL>(Default());
}
UINT CWnd::OnGetDlgCode()
{
    return static_cast<UINT>(Default());
}
LRESULT CWnd::OnNcHitTest(CPoint)
{
    return Default();
}
void CWnd::OnNcLButtonDown(UINT, CPoint)
{
    Default();
}
void CWnd::OnNcLButtonDblClk(UINT, CPoint)
{
    Default();
}
void CWnd::OnGetMinMaxInfo(MINMAXINFO*)
{
    Default();
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT swpFlags)
{
    DWORD style = GetStyle();
    DWORD newStyle = (style & ~remove) | add;
    if (style == newStyle)
        return FALSE;
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(newStyle));
    if (swpFlags)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | swpFlags);
    return TRUE;
}

void CWnd::GetWindowText(CString& text) const
{
    int length = ::GetWindowTextLengthW(m_hWnd);
    ::GetWindowTextW(m_hWnd, text.GetBufferSetLength(length + 1), length + 1);
    text.ReleaseBuffer();
}

CString CWnd::GetWindowText() const
{
    CString text;
    GetWindowText(text);
    return text;
}

int CWnd::RunModalLoop()
{
    m_inModalLoop = true;
    m_modalResult = -1;
    while (m_inModalLoop) {
        int exitCode = 0;
        if (!AfxPumpMessage(&exitCode)) {
            // The application is ending: leave the quit for its own loop.
            ::PostQuitMessage(exitCode);
            break;
        }
    }
    m_inModalLoop = false;
    return m_modalResult;
}

void CWnd::EndModalLoop(int result)
{
    m_modalResult = result;
    if (m_inModalLoop) {
        m_inModalLoop = false;
        // Wakes a loop that waits in GetMessage.
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
    }
}

BOOL AfxWalkPreTranslateTree(MSG* msg)
{
    for (HWND hwnd = msg->hwnd; hwnd;) {
        CWnd* wnd = CWnd::FromHandlePermanent(hwnd);
        if (wnd && wnd->PreTranslateMessage(msg))
            return TRUE;
        if (!(::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD))
            break;
        hwnd = ::GetParent(hwnd);
    }
    return FALSE;
}

BOOL AfxPumpMessage(int* exitCode)
{
    MSG msg;
    if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE))
        CWnd::DeleteTempMap();
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
        if (exitCode)
            *exitCode = static_cast<int>(msg.wParam);
        return FALSE;
    }
    // An error, not a quit: Wine 8, for one, fails the call for a message
    // too big to hand over (a WM_COPYDATA of more than about 2 MiB), which
    // is lost; the loop goes on.
    if (got < 0)
        return TRUE;
    CWinApp* app = AfxGetApp();
    BOOL taken = app ? app->PreTranslateMessage(&msg) : AfxWalkPreTranslateTree(&msg);
    if (!taken) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return TRUE;
}
