#include "framework/CEdit.h"

BOOL CEdit::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CreateEx(0, L"EDIT", L"", style, rect, parent, id);
}
