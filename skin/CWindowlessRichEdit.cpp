#include "skin/CWindowlessRichEdit.h"

#include "framework/CWinApp.h"
#include "framework/CWnd.h"
#include "skin/CSkinMemDC.h"
#include "skin/SkinWindowClass.h"

#include <imm.h>
#include <oleauto.h>

#include <map>

namespace SkinControl
{

const wchar_t CWindowlessRichEdit::kClassName[] = L"__RICH_EDIT_CTRL__";

namespace
{

const IID kIID_ITextDocument = {0x8CC497C0, 0xA1DF, 0x11CE, {0x80, 0x98, 0x00, 0xAA, 0x00, 0x47, 0xBE, 0x5D}};
const IID kIID_ITextServices = {0x8D33F740, 0xCF58, 0x11CE, {0xA8, 0x9D, 0x00, 0xAA, 0x00, 0x6C, 0xAD, 0xC5}};

// What a multi-line box tells the services; a single-line one only the four
// change bits.
const DWORD kChangeBits =
    TXTBIT_BACKSTYLECHANGE | TXTBIT_SCROLLBARCHANGE | TXTBIT_CHARFORMATCHANGE | TXTBIT_PARAFORMATCHANGE;
const DWORD kMultiLineBits = TXTBIT_RICHTEXT | TXTBIT_MULTILINE | TXTBIT_WORDWRAP | kChangeBits;
static_assert(kChangeBits == 0x74000 && kMultiLineBits == 0x74403, "property bits");

// Size, colours, face, offset, charset and the effect bits (CFM_ALL minus
// CFM_SMALLCAPS and the like, plus CFM_BACKCOLOR).
const DWORD kCharFormatMask = 0xFC00003F;
const DWORD kParaFormatMask = 0xD0FFFDFF;
const DWORD kAllEffects =
    CFE_AUTOCOLOR | CFE_AUTOBACKCOLOR | CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT;
static_assert(kAllEffects == 0x4400000F, "effects");
// ENM_CHANGE | ENM_SCROLL | ENM_SCROLLEVENTS | ENM_SELCHANGE.
const LPARAM kEventMask = 0x8000D;

// The text services are imported by ordinal from RICHED20, which stays
// loaded for the life of the process.
struct RichEditLibrary {
    PCreateTextServices createTextServices = nullptr;
    const IID* textHostIid = nullptr;

    RichEditLibrary()
    {
        HMODULE module = ::LoadLibraryW(L"riched20.dll");
        if (!module)
            return;
        createTextServices = reinterpret_cast<PCreateTextServices>(
            reinterpret_cast<void (*)()>(::GetProcAddress(module, MAKEINTRESOURCEA(4))));
        // Ordinal 6 is data: the interface id of the host.
        textHostIid = reinterpret_cast<const IID*>(
            reinterpret_cast<uintptr_t>(::GetProcAddress(module, MAKEINTRESOURCEA(6))));
    }
};

const RichEditLibrary& GetRichEditLibrary()
{
    static const RichEditLibrary library;
    return library;
}

// Which object each window of the class belongs to; shared by every thread's
// boxes, hence the lock.
class WindowRegistry
{
public:
    void Add(HWND hwnd, CWindowlessRichEdit* object)
    {
        CScopedLock guard(m_lock);
        m_windows[hwnd] = object;
    }
    CWindowlessRichEdit* Find(HWND hwnd)
    {
        CScopedLock guard(m_lock);
        auto found = m_windows.find(hwnd);
        return found == m_windows.end() ? nullptr : found->second;
    }
    void Remove(HWND hwnd)
    {
        CScopedLock guard(m_lock);
        m_windows.erase(hwnd);
    }
    // Every window still mapped to `object`.
    void RemoveObject(const CWindowlessRichEdit* object)
    {
        CScopedLock guard(m_lock);
        for (auto it = m_windows.begin(); it != m_windows.end();)
            it = it->second == object ? m_windows.erase(it) : std::next(it);
    }

private:
    CLock m_lock;
    std::map<HWND, CWindowlessRichEdit*> m_windows;
};

WindowRegistry& Registry()
{
    static WindowRegistry registry;
    return registry;
}

} // namespace

CWindowlessRichEdit::CWindowlessRichEdit()
{
    m_paraFormat = {};
    m_paraFormat.cbSize = sizeof(PARAFORMAT2);
    m_paraFormat.dwMask = kParaFormatMask;
    m_paraFormat.wAlignment = PFA_LEFT;
    m_paraFormat.cTabCount = 1;
    m_paraFormat.rgxTabs[0] = 720;
    static_assert(sizeof(CHARFORMAT2W) == 116 && sizeof(PARAFORMAT2) == 188, "format sizes");
    m_charFormat = {};
    SetFont(nullptr);
}

CWindowlessRichEdit::~CWindowlessRichEdit()
{
    // No message may reach this object once it is gone, so the window leaves
    // the registry first and, when its owner left it behind, goes with us.
    Registry().RemoveObject(this);
    if (m_textServices)
        m_textServices->OnTxInPlaceDeactivate();
    if (m_textDocument)
        m_textDocument->Release();
    if (m_textServices)
        m_textServices->Release();
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

BOOL CWindowlessRichEdit::Create(const RECT& rect, HWND parent, DWORD style)
{
    if (!RegisterSkinWindowClass(kClassName, nullptr, &CWindowlessRichEdit::WindowProc))
        return FALSE;
    HWND hwnd = ::CreateWindowExW(0, kClassName, nullptr, style, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, parent, nullptr, AfxGetInstanceHandle(), this);
    return hwnd != nullptr;
}

LRESULT CALLBACK CWindowlessRichEdit::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* object =
            static_cast<CWindowlessRichEdit*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        Registry().Add(hwnd, object);
        if (object)
            object->m_hWnd = hwnd;
    }
    CWindowlessRichEdit* object = Registry().Find(hwnd);
    if (!object)
        return 1;
    const LRESULT result = object->OnWindowMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        Registry().Remove(hwnd);
        object->m_hWnd = nullptr;
    }
    return result;
}

LRESULT CWindowlessRichEdit::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(reinterpret_cast<CREATESTRUCTW*>(lParam));
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_SIZE:
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    case WM_SETCURSOR:
        return OnSetCursor();
    case WM_GETDLGCODE:
        return OnGetDlgCode();
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_MOUSEWHEEL:
        return OnMouseWheel(GET_KEYSTATE_WPARAM(wParam), GET_WHEEL_DELTA_WPARAM(wParam),
                            static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    case WM_SETFONT:
        return OnSetFontMessage(reinterpret_cast<HFONT>(wParam));
    case WM_WINDOWPOSCHANGING:
        if (m_forcedHeight)
            reinterpret_cast<WINDOWPOS*>(lParam)->cy = m_forcedHeight;
        return 0;
    default:
        return SendToServices(message, wParam, lParam);
    }
}

LRESULT CWindowlessRichEdit::SendToServices(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!m_textServices)
        return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
    LRESULT result = 0;
    const HRESULT hr = m_textServices->TxSendMessage(message, wParam, lParam, &result);
    // Whether the services ignored a key is in the HRESULT; the message
    // result may hold any value.
    if (hr == S_FALSE || hr == S_MSG_KEY_IGNORED)
        return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
    return result;
}

LRESULT CWindowlessRichEdit::OnSetFontMessage(HFONT font)
{
    SetFont(font);
    if (m_textServices) {
        LRESULT ignored = 0;
        m_textServices->OnTxPropertyBitsChange(TXTBIT_CHARFORMATCHANGE, TXTBIT_CHARFORMATCHANGE);
        // Some text services ignore the announced change; setting the format
        // works with all of them.
        m_textServices->TxSendMessage(EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&m_charFormat),
                                      &ignored);
        m_textServices->TxSendMessage(EM_SETLANGOPTIONS, 0, 0, &ignored);
    }
    if (!(::GetWindowLongPtrW(m_hWnd, GWL_STYLE) & ES_MULTILINE)) {
        CString text = GetText();
        if (text.IsEmpty())
            text = L"ABCDEFGabcdefg";
        HDC dc = ::GetDC(m_hWnd);
        HGDIOBJ old = ::SelectObject(dc, font ? font : ::GetStockObject(SYSTEM_FONT));
        SIZE size = {};
        ::GetTextExtentPoint32W(dc, text, text.GetLength(), &size);
        ::SelectObject(dc, old);
        ::ReleaseDC(m_hWnd, dc);
        m_forcedHeight = size.cy;
    }
    return 1;
}

HRESULT CWindowlessRichEdit::SetFont(HFONT font)
{
    LOGFONTW lf = {};
    if (!::GetObjectW(font ? font : ::GetStockObject(SYSTEM_FONT), sizeof(lf), &lf))
        return E_FAIL;
    HDC screen = ::GetDC(nullptr);
    const int pixelsPerInch = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);

    m_charFormat = {};
    m_charFormat.cbSize = sizeof(CHARFORMAT2W);
    m_charFormat.dwMask = kCharFormatMask;
    m_charFormat.yHeight = abs(lf.lfHeight * 1440 / pixelsPerInch);
    m_charFormat.yOffset = 0;
    m_charFormat.dwEffects = kAllEffects;
    if (lf.lfWeight < FW_BOLD)
        m_charFormat.dwEffects &= ~CFE_BOLD;
    if (!lf.lfItalic)
        m_charFormat.dwEffects &= ~CFE_ITALIC;
    if (!lf.lfUnderline)
        m_charFormat.dwEffects &= ~CFE_UNDERLINE;
    if (!lf.lfStrikeOut)
        m_charFormat.dwEffects &= ~CFE_STRIKEOUT;
    m_charFormat.crTextColor = 0;
    m_charFormat.bCharSet = lf.lfCharSet;
    m_charFormat.bPitchAndFamily = lf.lfPitchAndFamily;
    lstrcpynW(m_charFormat.szFaceName, lf.lfFaceName, LF_FACESIZE);
    return S_OK;
}

CString CWindowlessRichEdit::GetText() const
{
    if (!m_textServices)
        return CString();
    BSTR text = nullptr;
    // Empty text may come back as a null string.
    if (FAILED(m_textServices->TxGetText(&text)) || !text)
        return CString();
    CString result(text, static_cast<int>(::SysStringLen(text)));
    ::SysFreeString(text);
    return result;
}

LRESULT CWindowlessRichEdit::OnCreate(CREATESTRUCTW*)
{
    const RichEditLibrary& library = GetRichEditLibrary();
    IUnknown* services = nullptr;
    if (!library.createTextServices || FAILED(library.createTextServices(nullptr, this, &services)) ||
        !services)
        return 0;
    services->QueryInterface(kIID_ITextDocument, reinterpret_cast<void**>(&m_textDocument));
    services->QueryInterface(kIID_ITextServices, reinterpret_cast<void**>(&m_textServices));
    services->Release();
    if (!m_textDocument || !m_textServices)
        return 0;
    LRESULT ignored = 0;
    m_textServices->TxSendMessage(EM_SETEVENTMASK, 0, kEventMask, &ignored);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    m_textServices->OnTxInPlaceActivate(&client);
    return 0;
}

void CWindowlessRichEdit::DrawBackground(HWND window, CDC* dc)
{
    RECT client;
    ::GetClientRect(window, &client);
    dc->FillSolidRect(client, RGB(255, 255, 255));
}

void CWindowlessRichEdit::Draw(HWND window, CDC* dc)
{
    DrawBackground(window, dc);
    if (!m_textServices)
        return;
    RECT client;
    ::GetClientRect(window, &client);
    const RECTL bounds = {client.left, client.top, client.right, client.bottom};
    m_textServices->TxDraw(DVASPECT_CONTENT, 0, nullptr, nullptr, dc->GetSafeHdc(), nullptr, &bounds, nullptr,
                           &client, nullptr, 0, TXTVIEW_ACTIVE);
}

HRESULT CWindowlessRichEdit::OnTextNotify(DWORD, void*)
{
    return S_OK;
}

LRESULT CWindowlessRichEdit::OnEraseBkgnd(HDC)
{
    return 1;
}

LRESULT CWindowlessRichEdit::OnSetCursor()
{
    if (!m_textServices)
        return 0;
    POINT point;
    ::GetCursorPos(&point);
    ::ScreenToClient(m_hWnd, &point);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    HDC dc = ::GetDC(m_hWnd);
    m_textServices->OnTxSetCursor(DVASPECT_CONTENT, -1, nullptr, nullptr, dc, nullptr, &client, point.x,
                                  point.y);
    ::ReleaseDC(m_hWnd, dc);
    return 1;
}

void CWindowlessRichEdit::OnPaint()
{
    if (!m_hWnd)
        return;
    CWnd* window = CWnd::FromHandle(m_hWnd);
    CPaintDC paintDC(window);
    CSkinMemDC buffer(&paintDC, window);
    Draw(m_hWnd, buffer.GetDC());
}

UINT CWindowlessRichEdit::OnGetDlgCode()
{
    return DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTCHARS;
}

void CWindowlessRichEdit::OnSize(UINT, int, int)
{
    if (m_textServices)
        m_textServices->OnTxPropertyBitsChange(TXTBIT_CLIENTRECTCHANGE, TXTBIT_CLIENTRECTCHANGE);
}

void CWindowlessRichEdit::OnDestroy() {}

void CWindowlessRichEdit::OnTimer(UINT_PTR) {}

LRESULT CWindowlessRichEdit::OnMouseWheel(UINT, short delta, int, int)
{
    UINT lines = 3;
    ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    if (lines == WHEEL_PAGESCROLL) {
        ::SendMessageW(m_hWnd, WM_VSCROLL, delta < 0 ? SB_PAGEDOWN : SB_PAGEUP, 0);
        return 1;
    }
    const int scrolls = abs(delta) * static_cast<int>(lines) / WHEEL_DELTA;
    for (int i = 0; i < scrolls; ++i)
        ::SendMessageW(m_hWnd, WM_VSCROLL, delta < 0 ? SB_LINEDOWN : SB_LINEUP, 0);
    return 1;
}

// IUnknown: the object answers for itself and is never deleted through its
// count.

HRESULT CWindowlessRichEdit::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    const IID* textHost = GetRichEditLibrary().textHostIid;
    if (IsEqualIID(iid, IID_IUnknown) || (textHost && IsEqualIID(iid, *textHost))) {
        *object = static_cast<ITextHost*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CWindowlessRichEdit::AddRef()
{
    CScopedLock guard(m_lock);
    return ++m_refCount;
}

ULONG CWindowlessRichEdit::Release()
{
    CScopedLock guard(m_lock);
    return --m_refCount;
}

// ITextHost: the window's side of the services.

HDC CWindowlessRichEdit::TxGetDC()
{
    return ::GetDC(m_hWnd);
}

INT CWindowlessRichEdit::TxReleaseDC(HDC dc)
{
    return ::ReleaseDC(m_hWnd, dc);
}

BOOL CWindowlessRichEdit::TxShowScrollBar(INT bar, BOOL show)
{
    return ::ShowScrollBar(m_hWnd, bar, show);
}

BOOL CWindowlessRichEdit::TxEnableScrollBar(INT bar, INT arrows)
{
    return ::EnableScrollBar(m_hWnd, bar, arrows);
}

BOOL CWindowlessRichEdit::GetServicesScroll(INT bar, SCROLLINFO* info)
{
    LONG low = 0, high = 0, pos = 0, page = 0;
    BOOL enabled = FALSE;
    if (bar == SB_VERT)
        m_textServices->TxGetVScroll(&low, &high, &pos, &page, &enabled);
    else
        m_textServices->TxGetHScroll(&low, &high, &pos, &page, &enabled);
    *info = {};
    info->cbSize = sizeof(*info);
    info->nMin = low;
    info->nMax = high;
    info->nPage = page;
    info->nPos = pos;
    return enabled;
}

BOOL CWindowlessRichEdit::TxSetScrollRange(INT bar, LONG minPos, INT maxPos, BOOL redraw)
{
    if (!m_textServices)
        return ::SetScrollRange(m_hWnd, bar, minPos, maxPos, redraw);
    SCROLLINFO info;
    if (GetServicesScroll(bar, &info)) {
        info.fMask = SIF_RANGE | SIF_PAGE;
        ::SetScrollInfo(m_hWnd, bar, &info, redraw);
    }
    return TRUE;
}

BOOL CWindowlessRichEdit::TxSetScrollPos(INT bar, INT pos, BOOL redraw)
{
    if (!m_textServices)
        return ::SetScrollPos(m_hWnd, bar, pos, redraw);
    SCROLLINFO info;
    if (GetServicesScroll(bar, &info)) {
        info.fMask = SIF_POS;
        info.nPos = pos;
        ::SetScrollInfo(m_hWnd, bar, &info, redraw);
    }
    return TRUE;
}

void CWindowlessRichEdit::TxInvalidateRect(LPCRECT rect, BOOL erase)
{
    ::InvalidateRect(m_hWnd, rect, erase);
}

void CWindowlessRichEdit::TxViewChange(BOOL update)
{
    ::InvalidateRect(m_hWnd, nullptr, update);
}

BOOL CWindowlessRichEdit::TxCreateCaret(HBITMAP bitmap, INT width, INT height)
{
    return ::CreateCaret(m_hWnd, bitmap, width, height);
}

BOOL CWindowlessRichEdit::TxShowCaret(BOOL show)
{
    return show ? ::ShowCaret(m_hWnd) : ::HideCaret(m_hWnd);
}

BOOL CWindowlessRichEdit::TxSetCaretPos(INT x, INT y)
{
    return ::SetCaretPos(x, y);
}

BOOL CWindowlessRichEdit::TxSetTimer(UINT id, UINT timeout)
{
    if (m_hWnd)
        ::SetTimer(m_hWnd, id, timeout, nullptr);
    return TRUE;
}

void CWindowlessRichEdit::TxKillTimer(UINT id)
{
    if (m_hWnd)
        ::KillTimer(m_hWnd, id);
}

void CWindowlessRichEdit::TxScrollWindowEx(INT dx, INT dy, LPCRECT scroll, LPCRECT clip, HRGN updateRegion,
                                           LPRECT update, UINT flags)
{
    if (m_hWnd)
        ::ScrollWindowEx(m_hWnd, dx, dy, scroll, clip, updateRegion, update, flags);
}

void CWindowlessRichEdit::TxSetCapture(BOOL capture)
{
    if (capture)
        ::SetCapture(m_hWnd);
    else
        ::ReleaseCapture();
}

void CWindowlessRichEdit::TxSetFocus()
{
    ::SetFocus(m_hWnd);
}

void CWindowlessRichEdit::TxSetCursor(HCURSOR cursor, BOOL)
{
    ::SetCursor(cursor);
}

BOOL CWindowlessRichEdit::TxScreenToClient(LPPOINT point)
{
    return ::ScreenToClient(m_hWnd, point);
}

BOOL CWindowlessRichEdit::TxClientToScreen(LPPOINT point)
{
    return ::ClientToScreen(m_hWnd, point);
}

HRESULT CWindowlessRichEdit::TxActivate(LONG*)
{
    return S_OK;
}

HRESULT CWindowlessRichEdit::TxDeactivate(LONG)
{
    return S_OK;
}

HRESULT CWindowlessRichEdit::TxGetClientRect(LPRECT rect)
{
    return ::GetClientRect(m_hWnd, rect) ? S_OK : E_FAIL;
}

HRESULT CWindowlessRichEdit::TxGetViewInset(LPRECT rect)
{
    ::SetRectEmpty(rect);
    return S_OK;
}

HRESULT CWindowlessRichEdit::TxGetCharFormat(const CHARFORMATW** format)
{
    *format = reinterpret_cast<const CHARFORMATW*>(&m_charFormat);
    return S_OK;
}

HRESULT CWindowlessRichEdit::TxGetParaFormat(const PARAFORMAT** format)
{
    *format = &m_paraFormat;
    return S_OK;
}

COLORREF CWindowlessRichEdit::TxGetSysColor(int index)
{
    return ::GetSysColor(index);
}

HRESULT CWindowlessRichEdit::TxGetBackStyle(TXTBACKSTYLE* style)
{
    *style = TXTBACK_TRANSPARENT;
    return S_OK;
}

HRESULT CWindowlessRichEdit::TxGetMaxLength(DWORD* length)
{
    *length = static_cast<DWORD>(m_maxLength);
    return S_OK;
}

HRESULT CWindowlessRichEdit::TxGetScrollBars(DWORD* scrollBars)
{
    *scrollBars = static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)) &
                  (WS_VSCROLL | WS_HSCROLL | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_DISABLENOSCROLL);
    return S_OK;
}

HRESULT CWindowlessRichEdit::TxGetPasswordChar(TCHAR*)
{
    return S_FALSE;
}

HRESULT CWindowlessRichEdit::TxGetAcceleratorPos(LONG* pos)
{
    *pos = -1;
    return S_OK;
}

HRESULT CWindowlessRichEdit::TxGetExtent(LPSIZEL)
{
    return E_NOTIMPL;
}

HRESULT CWindowlessRichEdit::OnTxCharFormatChange(const CHARFORMATW*)
{
    return E_FAIL;
}

HRESULT CWindowlessRichEdit::OnTxParaFormatChange(const PARAFORMAT*)
{
    return E_FAIL;
}

HRESULT CWindowlessRichEdit::TxGetPropertyBits(DWORD mask, DWORD* bits)
{
    const bool multiLine = ::GetWindowLongPtrW(m_hWnd, GWL_STYLE) & ES_MULTILINE;
    *bits = mask & (multiLine ? kMultiLineBits : kChangeBits);
    return S_OK;
}

HRESULT CWindowlessRichEdit::TxNotify(DWORD code, void* data)
{
    return OnTextNotify(code, data);
}

HIMC CWindowlessRichEdit::TxImmGetContext()
{
    return ::ImmGetContext(m_hWnd);
}

void CWindowlessRichEdit::TxImmReleaseContext(HIMC context)
{
    ::ImmReleaseContext(m_hWnd, context);
}

HRESULT CWindowlessRichEdit::TxGetSelectionBarWidth(LONG* width)
{
    *width = 0;
    return S_OK;
}

} // namespace SkinControl
