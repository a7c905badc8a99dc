#include "skin/CWndBase.h"

#include "framework/CWinApp.h"

namespace SkinControl
{

const wchar_t CWndBase::kClassName[] = L"__WND_BASE_CHILD__";

BOOL CWndBase::Create(CWnd* parent, DWORD style, UINT id, RECT rect)
{
    HINSTANCE instance = AfxGetInstanceHandle();
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    if (!::GetClassInfoExW(instance, kClassName, &wc)) {
        wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = instance;
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        if (!::RegisterClassExW(&wc))
            return FALSE;
    }
    return CreateEx(0, kClassName, L"", style, rect, parent, id);
}

} // namespace SkinControl
