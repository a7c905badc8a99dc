// A temporary subclass of a dialog ("#32770") that gives it owner-drawn menus:
// it routes the dialog's menu messages to CNewMenu objects and, with option
// bit 1, makes the dialog's system menu a CNewMenu. Made by the menu hook
// only when MenuHookOptions bit 0 is set; it deletes itself when the dialog
// is destroyed.
#pragma once

#include "skin/menu/CNewMenu.h"

#include <windows.h>

namespace SkinControl::NewMenu
{

class CNewMenuTempHandler
{
public:
    explicit CNewMenuTempHandler(HWND dialog);
    virtual ~CNewMenuTempHandler();
    CNewMenuTempHandler(const CNewMenuTempHandler&) = delete;
    CNewMenuTempHandler& operator=(const CNewMenuTempHandler&) = delete;

    // The handler of a dialog, or null.
    static CNewMenuTempHandler* FromWindow(HWND dialog);

    CNewMenu m_menu;

private:
    static LRESULT CALLBACK TempWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT CallPrevious(UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC m_previousProc = nullptr;
    HWND m_dialog;
};

} // namespace SkinControl::NewMenu
