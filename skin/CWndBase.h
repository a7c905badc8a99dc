// The plain child window the custom-painted skin windows derive from. Its
// class has no background brush and receives double clicks.
#pragma once

#include "framework/CWnd.h"

namespace SkinControl
{

class CWndBase : public CWnd
{
public:
    static const wchar_t kClassName[];

    BOOL Create(CWnd* parent, DWORD style, UINT id, RECT rect);
};

} // namespace SkinControl
