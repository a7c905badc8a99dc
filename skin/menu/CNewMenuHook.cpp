#include "skin/menu/CNewMenuHook.h"

#include "skin/menu/CMenuTheme.h"
#include "skin/menu/CNewMemDC.h"
#include "skin/menu/CNewMenu.h"
#include "skin/menu/CNewMenuItemData.h"
#include "skin/menu/CNewMenuTempHandler.h"

#include <algorithm>

namespace SkinControl::NewMenu
{

HHOOK CNewMenuHook::s_hook = nullptr;
CMenuTheme* CNewMenuHook::s_currentTheme = nullptr;
BOOL CNewMenuHook::s_isWine = FALSE;
BOOL CNewMenuHook::s_highContrast = FALSE;
HMODULE CNewMenuHook::s_uxTheme = nullptr;
HMODULE CNewMenuHook::s_msimg32 = nullptr;
CNewMenuHook::IsThemeActiveFn CNewMenuHook::s_IsThemeActive = nullptr;
CNewMenuHook::GradientFillFn CNewMenuHook::s_GradientFill = nullptr;
CNewMenuHook::OpenThemeDataFn CNewMenuHook::s_OpenThemeData = nullptr;
CNewMenuHook::GetThemeColorFn CNewMenuHook::s_GetThemeColor = nullptr;
CNewMenuHook::CloseThemeDataFn CNewMenuHook::s_CloseThemeData = nullptr;
HMENU CNewMenuHook::s_lastPopupMenu = nullptr;
UINT CNewMenuHook::MenuHookOptions = 0;

namespace
{

// The subclassed menu windows.  A function-local static, like the theme
// list, so that it exists whenever the hook is installed, whatever the order
// of the global objects' constructors.
std::map<HWND, std::unique_ptr<CNewMenuHook::CMenuHookData>>& HookDataMap()
{
    static std::map<HWND, std::unique_ptr<CNewMenuHook::CMenuHookData>> hookData;
    return hookData;
}

const wchar_t kOldMenuProc[] = L"OldMenuProc";
const UINT kMenuSizeMessage = 0x1E2;
const UINT kGetHMenu = 0x1E1;

template <typename T> T Bind(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<T>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)))
                  : nullptr;
}

bool HasClass(HWND hwnd, const wchar_t* name)
{
    wchar_t className[20] = {};
    return ::GetClassNameW(hwnd, className, 20) == 6 && wcscmp(className, name) == 0;
}

WNDPROC OldMenuProc(HWND hwnd)
{
    return reinterpret_cast<WNDPROC>(reinterpret_cast<INT_PTR>(::GetPropW(hwnd, kOldMenuProc)));
}

LRESULT CallOld(WNDPROC old, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // A window whose property went missing still gets default handling.
    return old ? ::CallWindowProcW(old, hwnd, message, wParam, lParam)
               : ::DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT PrintMenuWindow(HWND hwnd, CNewMenuHook::CMenuHookData* data, WNDPROC old, HDC target, LPARAM flags)
{
    CMenuTheme* theme = CNewMenuHook::s_currentTheme;
    data->flags |= CNewMenuHook::CMenuHookData::Printing;
    RECT window;
    ::GetWindowRect(hwnd, &window);
    const int width = window.right - window.left, height = window.bottom - window.top;
    LRESULT result = 0;
    CNewMemDC memory(RECT{0, 0, width, height}, target);
    memory.m_noCopy = TRUE;
    if (memory.IsValid()) {
        theme->OnDrawBorder(hwnd, memory.GetSafeHdc(), FALSE);
        RECT frame;
        if (theme->OnCalcFrameRect(hwnd, &frame)) {
            ::OffsetRect(&frame, -window.left, -window.top);
            ::InflateRect(&frame, -1, -1);
            HRGN clip = ::CreateRectRgnIndirect(&frame);
            ::SelectClipRgn(memory.GetSafeHdc(), clip);
            ::DeleteObject(clip);
            result = CallOld(old, hwnd, WM_PRINT, reinterpret_cast<WPARAM>(memory.GetSafeHdc()),
                             flags & ~PRF_CLIENT);
            ::BitBlt(target, 0, 0, width, height, memory.GetSafeHdc(), 0, 0, SRCCOPY);

            RECT client;
            ::GetClientRect(hwnd, &client);
            POINT offset = {0, 0};
            ::ClientToScreen(hwnd, &offset);
            offset.x -= window.left;
            offset.y -= window.top;
            ::SelectClipRgn(memory.GetSafeHdc(), nullptr);
            ::IntersectClipRect(memory.GetSafeHdc(), client.left, client.top, client.right, client.bottom);
            CallOld(old, hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory.GetSafeHdc()), 0);
            CallOld(old, hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.GetSafeHdc()), flags);
            ::BitBlt(target, offset.x, offset.y, frame.right - frame.left + 2 - 1,
                     frame.bottom - frame.top + 2, memory.GetSafeHdc(), 0, 0, SRCCOPY);
        }
    }
    data->flags &= ~CNewMenuHook::CMenuHookData::Printing;
    return result;
}

} // namespace

CNewMenuHook::CMenuHookData::~CMenuHookData()
{
    if (updateRegion)
        ::DeleteObject(updateRegion);
    if (savedScreen)
        ::DeleteObject(savedScreen);
}

int GetOsClass()
{
    static int osClass = [] {
        OSVERSIONINFOW info = {};
        info.dwOSVersionInfoSize = sizeof(info);
        if (!::GetVersionExW(&info))
            return 7;
        if (info.dwPlatformId == VER_PLATFORM_WIN32s)
            return 0;
        if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
            return info.dwMinorVersion == 0 ? 2 : (info.dwMinorVersion < 90 ? 3 : 4);
        if (info.dwMajorVersion < 4)
            return 1;
        if (info.dwMajorVersion == 4)
            return 5;
        if (info.dwMajorVersion == 5 && info.dwMinorVersion == 0)
            return 6;
        return 7;
    }();
    return osClass;
}

bool IsThemeEngineActive()
{
    return CNewMenuHook::s_IsThemeActive && CNewMenuHook::s_IsThemeActive();
}

bool IsFlatMenu()
{
    BOOL flat = FALSE;
    return ::SystemParametersInfoW(SPI_GETFLATMENU, 0, &flat, 0) && flat;
}

bool IsDropShadow()
{
    BOOL shadow = FALSE;
    return ::SystemParametersInfoW(SPI_GETDROPSHADOW, 0, &shadow, 0) && shadow;
}

BOOL CNewMenuHook::Install()
{
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    s_isWine = kernel && ::GetProcAddress(kernel, "wine_get_unix_file_name") ? TRUE : FALSE;

    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof(contrast);
    if (::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0))
        s_highContrast = (contrast.dwFlags & HCF_HIGHCONTRASTON) ? TRUE : FALSE;

    // One load of each library serves every late-bound function.
    if (!s_uxTheme)
        s_uxTheme = ::LoadLibraryW(L"uxtheme.dll");
    s_IsThemeActive = Bind<IsThemeActiveFn>(s_uxTheme, "IsThemeActive");
    s_OpenThemeData = Bind<OpenThemeDataFn>(s_uxTheme, "OpenThemeData");
    s_GetThemeColor = Bind<GetThemeColorFn>(s_uxTheme, "GetThemeColor");
    s_CloseThemeData = Bind<CloseThemeDataFn>(s_uxTheme, "CloseThemeData");
    if (!s_msimg32)
        s_msimg32 = ::LoadLibraryW(L"Msimg32.dll");
    s_GradientFill = GetOsClass() == 3 ? nullptr : Bind<GradientFillFn>(s_msimg32, "GradientFill");

    if (Themes().empty())
        CreateMenuThemes();
    s_currentTheme = nullptr;
    for (CMenuTheme* theme : Themes()) {
        if (theme->m_id == 2) {
            s_currentTheme = theme;
            break;
        }
    }

    if (!s_hook)
        s_hook = ::SetWindowsHookExW(WH_CALLWNDPROC, &CNewMenuHook::CallWndProcHook, nullptr,
                                     ::GetCurrentThreadId());
    return s_hook != nullptr;
}

void CNewMenuHook::Uninstall()
{
    if (s_hook)
        ::UnhookWindowsHookEx(s_hook);
    s_hook = nullptr;
    // Windows still subclassed get their procedures back.
    auto& hookData = HookDataMap();
    while (!hookData.empty())
        UnsubclassMenuWindow(hookData.begin()->first);
    auto& themes = Themes();
    while (!themes.empty()) {
        delete themes.back();
        themes.pop_back();
    }
    s_currentTheme = nullptr;
    s_IsThemeActive = nullptr;
    s_OpenThemeData = nullptr;
    s_GetThemeColor = nullptr;
    s_CloseThemeData = nullptr;
    if (s_uxTheme)
        ::FreeLibrary(s_uxTheme);
    s_uxTheme = nullptr;
    s_GradientFill = nullptr;
    if (s_msimg32)
        ::FreeLibrary(s_msimg32);
    s_msimg32 = nullptr;
    s_lastPopupMenu = nullptr;
    CNewMenuIconInfo::DeleteAll();
}

std::vector<CMenuTheme*>& CNewMenuHook::Themes()
{
    static std::vector<CMenuTheme*> themes;
    return themes;
}

BOOL CNewMenuHook::AddTheme(CMenuTheme* theme)
{
    auto& themes = Themes();
    if (std::find(themes.begin(), themes.end(), theme) != themes.end())
        return FALSE;
    themes.push_back(theme);
    return TRUE;
}

CNewMenuHook::CMenuHookData* CNewMenuHook::FindHookData(HWND hwnd)
{
    auto& hookData = HookDataMap();
    auto it = hookData.find(hwnd);
    return it == hookData.end() ? nullptr : it->second.get();
}

LRESULT CALLBACK CNewMenuHook::CallWndProcHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        auto* msg = reinterpret_cast<CWPSTRUCT*>(lParam);
        // Wine sends no size message and opens the popup (WM_INITMENUPOPUP)
        // only after WM_CREATE; there the window is taken when it is first
        // placed for showing, the point where Windows sends the size message.
        const bool sized =
            msg->message == kMenuSizeMessage || (s_isWine && msg->message == WM_WINDOWPOSCHANGING);
        const bool taken = (msg->message == WM_CREATE || sized) && SubclassMenuWindow(msg->hwnd, sized);
        if (!taken && (MenuHookOptions & 1) && msg->message == WM_CREATE && HasClass(msg->hwnd, L"#32770"))
            new CNewMenuTempHandler(msg->hwnd);
    }
    return ::CallNextHookEx(s_hook, code, wParam, lParam);
}

BOOL CNewMenuHook::SubclassMenuWindow(HWND hwnd, BOOL createdOnSize)
{
    if (!HasClass(hwnd, L"#32768"))
        return FALSE;
    BOOL subclassed = FALSE;
    if (!FindHookData(hwnd)) {
        if (!s_lastPopupMenu)
            s_lastPopupMenu = reinterpret_cast<HMENU>(::SendMessageW(hwnd, kGetHMenu, 0, 0));
        if (!CNewMenu::FromHandle(s_lastPopupMenu)) {
            // A remembered menu that is no CNewMenu (or is gone) must not be
            // handed to the next menu window.
            s_lastPopupMenu = nullptr;
            return FALSE;
        }
        auto current = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
        if (current && !OldMenuProc(hwnd))
            ::SetPropW(hwnd, kOldMenuProc, reinterpret_cast<HANDLE>(reinterpret_cast<INT_PTR>(current)));
        if (current && OldMenuProc(hwnd) == current) {
            ::GlobalAddAtomW(kOldMenuProc);
            auto data = std::make_unique<CMenuHookData>();
            data->style = ::GetWindowLongPtrW(hwnd, GWL_STYLE);
            data->exStyle = ::GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
            data->flags = createdOnSize ? static_cast<UINT>(CMenuHookData::CreatedOnSize) : 0u;
            data->menu = s_lastPopupMenu;
            s_lastPopupMenu = nullptr;
            HookDataMap()[hwnd] = std::move(data);
            ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC,
                                reinterpret_cast<LONG_PTR>(&CNewMenuHook::MenuWindowProc));
            if (s_currentTheme)
                s_currentTheme->OnInitWnd(hwnd);
            subclassed = TRUE;
        }
    }
    CMenuHookData* data = FindHookData(hwnd);
    if (s_lastPopupMenu && data) {
        data->menu = s_lastPopupMenu;
        data->libraryMenu = TRUE;
        s_lastPopupMenu = nullptr;
        if (s_currentTheme)
            s_currentTheme->OnInitWnd(hwnd);
    }
    return subclassed;
}

void CNewMenuHook::UnsubclassMenuWindow(HWND hwnd)
{
    if (WNDPROC old = OldMenuProc(hwnd)) {
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
        ::RemovePropW(hwnd, kOldMenuProc);
        if (ATOM atom = ::GlobalFindAtomW(kOldMenuProc))
            ::GlobalDeleteAtom(atom);
    }
    auto& hookData = HookDataMap();
    auto it = hookData.find(hwnd);
    if (it == hookData.end())
        return;
    if (s_currentTheme)
        s_currentTheme->OnUnInitWnd(hwnd);
    hookData.erase(it);
}

void CNewMenuHook::SaveScreenUnderMenu(HWND hwnd, CMenuHookData* data)
{
    if (data->savedScreen)
        return;
    RECT window;
    ::GetWindowRect(hwnd, &window);
    const int width = window.right - window.left + 10, height = window.bottom - window.top + 10;
    HDC screen = ::GetDC(nullptr);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    HDC memory = ::CreateCompatibleDC(screen);
    if (bitmap && memory) {
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        ::BitBlt(memory, 0, 0, width, height, screen, data->position.x, data->position.y, SRCCOPY);
        ::SelectObject(memory, old);
        data->savedScreen = bitmap;
        bitmap = nullptr;
    }
    if (memory)
        ::DeleteDC(memory);
    if (bitmap)
        ::DeleteObject(bitmap);
    ::ReleaseDC(nullptr, screen);
}

LRESULT CALLBACK CNewMenuHook::MenuWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC old = OldMenuProc(hwnd);
    CMenuHookData* data = FindHookData(hwnd);
    CMenuTheme* theme = s_currentTheme;
    if (!data || !theme)
        return CallOld(old, hwnd, message, wParam, lParam);
    const bool ownBorder = theme->DoDrawBorder() != FALSE;
    switch (message) {
    case WM_ERASEBKGND:
        if (!data->libraryMenu)
            break;
        if (ownBorder && !(data->flags & CMenuHookData::Printing) && !data->borderPainted) {
            data->borderPainted = TRUE;
            ::SendMessageW(hwnd, WM_NCPAINT, 1, 0);
        }
        if (theme->OnEraseBkgnd(hwnd, reinterpret_cast<HDC>(wParam)))
            return 1;
        break;
    case WM_SHOWWINDOW:
        if (!wParam)
            UnsubclassMenuWindow(hwnd);
        break;
    case WM_WINDOWPOSCHANGING:
    case WM_WINDOWPOSCHANGED: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        if (message == WM_WINDOWPOSCHANGING)
            theme->OnWindowPosChanging(hwnd, pos);
        if (pos->flags & SWP_NOMOVE)
            break;
        if (data->position.x == 0 && data->position.y == 0)
            data->position = POINT{pos->x, pos->y};
        if (data->position.x != pos->x || data->position.y != pos->y) {
            if (pos->flags & SWP_NOSIZE) {
                data->position = POINT{pos->x, pos->y};
                if (data->savedScreen)
                    ::DeleteObject(data->savedScreen);
                data->savedScreen = nullptr;
            } else {
                UnsubclassMenuWindow(hwnd);
            }
        }
        break;
    }
    case WM_NCDESTROY:
        UnsubclassMenuWindow(hwnd);
        break;
    case WM_NCCALCSIZE:
        if (data->libraryMenu && theme->OnNcCalcSize(hwnd, reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)))
            return 0;
        break;
    case WM_NCPAINT: {
        if (!data->libraryMenu)
            break;
        HRGN region = reinterpret_cast<HRGN>(wParam);
        if (!data->borderPainted && region != data->updateRegion) {
            if (data->updateRegion)
                ::DeleteObject(data->updateRegion);
            data->updateRegion = nullptr;
            if (wParam != 1) {
                data->updateRegion = ::CreateRectRgn(0, 0, 0, 0);
                ::CombineRgn(data->updateRegion, region, nullptr, RGN_COPY);
            }
        }
        bool painted = false;
        if (data->borderPainted && ownBorder) {
            if (HDC dc = ::GetWindowDC(hwnd)) {
                RECT frame;
                if (theme->OnDrawBorder(hwnd, dc, FALSE) && theme->OnCalcFrameRect(hwnd, &frame)) {
                    ::InflateRect(&frame, -1, -1);
                    HRGN frameRegion = ::CreateRectRgnIndirect(&frame);
                    CallOld(old, hwnd, WM_NCPAINT, reinterpret_cast<WPARAM>(frameRegion), lParam);
                    ::DeleteObject(frameRegion);
                    theme->OnDrawBorder(hwnd, dc, TRUE);
                    painted = true;
                }
                ::ReleaseDC(hwnd, dc);
            }
        }
        if (painted || (data->flags & CMenuHookData::Printing))
            return 0;
        if (ownBorder)
            SaveScreenUnderMenu(hwnd, data);
        break;
    }
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE)
            data->flags |= CMenuHookData::EscapePressed;
        break;
    case WM_TIMER:
        if (wParam == kEscapeTimer && GetOsClass() >= 6) {
            LONG_PTR exStyle = ::GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
            if (!(exStyle & WS_EX_LAYERED)) {
                ::SetWindowLongPtrW(hwnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
                ::SetLayeredWindowAttributes(hwnd, 0, 255, LWA_ALPHA);
                data->flags &= ~CMenuHookData::EscapePressed;
                ::KillTimer(hwnd, kEscapeTimer);
            }
        }
        break;
    case WM_PRINT:
        if (data->libraryMenu && ownBorder)
            return PrintMenuWindow(hwnd, data, old, reinterpret_cast<HDC>(wParam), lParam);
        break;
    default:
        break;
    }
    return CallOld(old, hwnd, message, wParam, lParam);
}

} // namespace SkinControl::NewMenu
