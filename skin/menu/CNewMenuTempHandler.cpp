#include "skin/menu/CNewMenuTempHandler.h"

#include "skin/menu/CNewMenuHook.h"

namespace SkinControl::NewMenu
{

namespace
{
const wchar_t kProperty[] = L"CNewMenuTempHandler";
}

CNewMenuTempHandler::CNewMenuTempHandler(HWND dialog) : m_dialog(dialog)
{
    ::SetPropW(dialog, kProperty, reinterpret_cast<HANDLE>(this));
    m_previousProc = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
        dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CNewMenuTempHandler::TempWindowProc)));
}

CNewMenuTempHandler::~CNewMenuTempHandler()
{
    if (m_previousProc)
        ::SetWindowLongPtrW(m_dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previousProc));
    ::RemovePropW(m_dialog, kProperty);
    // The system menu belongs to the dialog, which destroys it itself; only
    // the item records go with this object.
    m_menu.Detach();
}

CNewMenuTempHandler* CNewMenuTempHandler::FromWindow(HWND dialog)
{
    return static_cast<CNewMenuTempHandler*>(::GetPropW(dialog, kProperty));
}

LRESULT CALLBACK CNewMenuTempHandler::TempWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CNewMenuTempHandler* handler = FromWindow(hwnd);
    if (!handler)
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    return handler->HandleMessage(message, wParam, lParam);
}

LRESULT CNewMenuTempHandler::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam)
{
    return m_previousProc ? ::CallWindowProcW(m_previousProc, m_dialog, message, wParam, lParam)
                          : ::DefWindowProcW(m_dialog, message, wParam, lParam);
}

LRESULT CNewMenuTempHandler::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY: {
        LRESULT result = CallPrevious(message, wParam, lParam);
        delete this;
        return result;
    }
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (m_menu.m_hMenu && item && item->CtlType == ODT_MENU) {
            if (CNewMenu* menu = CNewMenu::FromHandle(reinterpret_cast<HMENU>(item->hwndItem))) {
                menu->DrawItem(item);
                return TRUE;
            }
        }
        break;
    }
    case WM_MEASUREITEM: {
        MSG msg = {m_dialog, message, wParam, lParam, 0, {}};
        if (CNewMenu::RouteMeasureItem(msg))
            return TRUE;
        break;
    }
    case WM_INITDIALOG:
        if (CNewMenuHook::MenuHookOptions & 2) {
            LRESULT result = CallPrevious(message, wParam, lParam);
            HMENU system = ::GetSystemMenu(m_dialog, FALSE);
            if (::IsMenu(system) && !CNewMenu::FromHandle(system) && m_menu.Attach(system))
                m_menu.SyncItemData();
            return result;
        }
        break;
    case WM_INITMENUPOPUP: {
        LRESULT result = CallPrevious(message, wParam, lParam);
        CNewMenu::OnPopupOpening(reinterpret_cast<HMENU>(wParam), m_dialog);
        return result;
    }
    case WM_MENUCHAR:
        if (CNewMenu* menu = CNewMenu::FromHandle(reinterpret_cast<HMENU>(lParam)))
            return CNewMenu::FindMnemonic(static_cast<wchar_t>(LOWORD(wParam)), menu);
        break;
    default:
        break;
    }
    return CallPrevious(message, wParam, lParam);
}

} // namespace SkinControl::NewMenu
