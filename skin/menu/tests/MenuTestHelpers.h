// Shared pieces of the menu tests: the menu library started for the whole
// program as the application starts it, and an owner window that routes the
// menu messages the way the application's windows do.
#pragma once

#include "framework/CWnd.h"
#include "skin/menu/CMenuTheme.h"
#include "skin/menu/CNewMenu.h"
#include "skin/menu/CNewMenuHook.h"
#include "skin/tests/GuiTestHelpers.h"

#include <gtest/gtest.h>

namespace MenuTest
{

using namespace SkinControl::NewMenu;

class MenuEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { ASSERT_TRUE(CNewMenuHook::Install()); }
    void TearDown() override { CNewMenuHook::Uninstall(); }
};

inline ::testing::Environment* const g_menuEnvironment =
    ::testing::AddGlobalTestEnvironment(new MenuEnvironment);

// Keeps the library's process-wide choices as a test found them.
class GlobalsGuard
{
public:
    GlobalsGuard()
        : wine_(CNewMenuHook::s_isWine), theme_(CNewMenuHook::s_currentTheme),
          options_(CNewMenuHook::MenuHookOptions), gradientFill_(CNewMenuHook::s_GradientFill)
    {
    }
    ~GlobalsGuard()
    {
        CNewMenuHook::s_isWine = wine_;
        CNewMenuHook::s_currentTheme = theme_;
        CNewMenuHook::MenuHookOptions = options_;
        CNewMenuHook::s_GradientFill = gradientFill_;
        CNewMenuHook::s_lastPopupMenu = nullptr;
    }

private:
    BOOL wine_;
    CMenuTheme* theme_;
    UINT options_;
    CNewMenuHook::GradientFillFn gradientFill_;
};

inline int CurrentThemeId()
{
    return CNewMenuHook::s_currentTheme ? CNewMenuHook::s_currentTheme->m_id : -1;
}

// A popup owner as the application's windows are: WM_INITMENUPOPUP opens the
// popup's state after the default processing, WM_MENUCHAR asks the menu.
class OwnerWindow : public CWnd
{
public:
    BOOL Create()
    {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        if (!GetClassInfoExW(AfxGetInstanceHandle(), L"QvMenuOwner", &wc)) {
            wc.lpfnWndProc = ::DefWindowProcW;
            wc.hInstance = AfxGetInstanceHandle();
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            wc.lpszClassName = L"QvMenuOwner";
            RegisterClassExW(&wc);
        }
        if (!CreateEx(0, L"QvMenuOwner", L"", WS_POPUP, 10, 10, 300, 200, nullptr, nullptr))
            return FALSE;
        ShowWindow(SW_SHOWNOACTIVATE);
        return TRUE;
    }
    int measured = 0;
    int drawn = 0;

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (message == WM_INITMENUPOPUP) {
            *result = Default();
            CNewMenu::OnPopupOpening(reinterpret_cast<HMENU>(wParam), m_hWnd);
            return TRUE;
        }
        if (message == WM_MENUCHAR) {
            CNewMenu* menu = CNewMenu::FromHandle(reinterpret_cast<HMENU>(lParam));
            if (menu) {
                *result = CNewMenu::FindMnemonic(static_cast<wchar_t>(LOWORD(wParam)), menu);
                return TRUE;
            }
        }
        if (message == WM_MEASUREITEM)
            ++measured;
        if (message == WM_DRAWITEM)
            ++drawn;
        return CWnd::OnWndMsg(message, wParam, lParam, result);
    }
};

// The flags and item data of a menu position.
inline MENUITEMINFOW ItemInfo(HMENU menu, int position)
{
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA | MIIM_STATE | MIIM_SUBMENU;
    GetMenuItemInfoW(menu, position, TRUE, &info);
    return info;
}

} // namespace MenuTest
