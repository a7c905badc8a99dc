// Process-wide state of the menu library and the WH_CALLWNDPROC hook that
// subclasses the system's menu windows ("#32768") of CNewMenu popups, so the
// current theme paints their border, background and shade.
//
// With MenuHookOptions bit 0 the hook also gives new dialogs a
// CNewMenuTempHandler (this program leaves the option off).
//
// Install runs on the UI thread while the program's global objects are
// constructed, and Uninstall while they are destroyed.  The containers that
// Install fills are function-local statics (Themes() and the window map),
// built on first use, so the order in which the global objects of different
// files are constructed does not matter; every other static here is a
// constant (zero) initialised pointer or number.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <vector>

namespace SkinControl::NewMenu
{

class CMenuTheme;

class CNewMenuHook
{
public:
    struct CMenuHookData {
        enum : UINT { CreatedOnSize = 1, StylesChanged = 2, EscapePressed = 4, Printing = 8 };
        CMenuHookData() = default;
        ~CMenuHookData();
        CMenuHookData(const CMenuHookData&) = delete;
        CMenuHookData& operator=(const CMenuHookData&) = delete;

        LONG_PTR style = 0;
        LONG_PTR exStyle = 0;
        POINT position = {};
        UINT flags = 0;
        BOOL borderPainted = FALSE;
        HMENU menu = nullptr;
        HBITMAP savedScreen = nullptr;
        // Copy of the last WM_NCPAINT region, owned; null for none.
        HRGN updateRegion = nullptr;
        BOOL libraryMenu = TRUE;
    };

    // FALSE when the hook could not be installed (the themes stay usable).
    static BOOL Install();
    static void Uninstall();
    static bool IsInstalled() { return s_hook != nullptr; }

    static LRESULT CALLBACK CallWndProcHook(int code, WPARAM wParam, LPARAM lParam);
    static BOOL SubclassMenuWindow(HWND hwnd, BOOL createdOnSize);
    static void UnsubclassMenuWindow(HWND hwnd);
    static LRESULT CALLBACK MenuWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static CMenuHookData* FindHookData(HWND hwnd);
    static BOOL AddTheme(CMenuTheme* theme);
    // The twelve themes in creation order while installed.
    static std::vector<CMenuTheme*>& Themes();
    // Copies the screen under the window, 10 pixels larger each way, once.
    static void SaveScreenUnderMenu(HWND hwnd, CMenuHookData* data);

    using IsThemeActiveFn = BOOL(WINAPI*)();
    using GradientFillFn = BOOL(WINAPI*)(HDC, TRIVERTEX*, ULONG, void*, ULONG, ULONG);
    using OpenThemeDataFn = HANDLE(WINAPI*)(HWND, const wchar_t*);
    using GetThemeColorFn = HRESULT(WINAPI*)(HANDLE, int, int, int, COLORREF*);
    using CloseThemeDataFn = HRESULT(WINAPI*)(HANDLE);

    static HHOOK s_hook;
    static CMenuTheme* s_currentTheme;
    static BOOL s_isWine;
    static BOOL s_highContrast;
    static HMODULE s_uxTheme;
    static HMODULE s_msimg32;
    static IsThemeActiveFn s_IsThemeActive;
    static GradientFillFn s_GradientFill;
    static OpenThemeDataFn s_OpenThemeData;
    static GetThemeColorFn s_GetThemeColor;
    static CloseThemeDataFn s_CloseThemeData;
    static HMENU s_lastPopupMenu;
    static UINT MenuHookOptions;
    // The timer a menu window may run after Escape.
    static constexpr UINT_PTR kEscapeTimer = 4660;
};

// 0 Windows 3.x, 1 NT 3, 2 95, 3 98, 4 Me, 5 NT 4, 6 2000, 7 XP and later.
int GetOsClass();
inline bool IsXpOrLater()
{
    return GetOsClass() >= 7;
}
bool IsThemeEngineActive();
bool IsFlatMenu();
bool IsDropShadow();

} // namespace SkinControl::NewMenu
