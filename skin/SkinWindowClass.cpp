#include "skin/SkinWindowClass.h"

#include "framework/CWinApp.h"

namespace SkinControl
{

bool RegisterSkinWindowClass(const wchar_t* name, HBRUSH background, WNDPROC procedure)
{
    HINSTANCE instance = AfxGetInstanceHandle();
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    if (::GetClassInfoExW(instance, name, &wc))
        return true;
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return ::RegisterClassExW(&wc) != 0;
}

BOOL HitTestCaptionBand(CWnd* window, POINT screenPoint, int captionHeight, LRESULT* hit)
{
    CPoint point(screenPoint);
    window->ScreenToClient(&point);
    CRect client;
    window->GetClientRect(&client);
    const CRect caption(client.left, client.top, client.right, client.top + captionHeight);
    if (!caption.PtInRect(point))
        return FALSE;
    *hit = HTCAPTION;
    return TRUE;
}

} // namespace SkinControl
