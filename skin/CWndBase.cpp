#include "skin/CWndBase.h"
#include "skin/SkinWindowClass.h"

#include "framework/CWinApp.h"

namespace SkinControl
{

const wchar_t CWndBase::kClassName[] = L"__WND_BASE_CHILD__";

BOOL CWndBase::Create(CWnd* parent, DWORD style, UINT id, RECT rect)
{
    if (!RegisterSkinWindowClass(kClassName, nullptr))
        return FALSE;
    return CreateEx(0, kClassName, L"", style, rect, parent, id);
}

} // namespace SkinControl
