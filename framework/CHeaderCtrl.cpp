#include "framework/CHeaderCtrl.h"

BOOL CHeaderCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    INITCOMMONCONTROLSEX init = {sizeof(init), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&init);
    return CreateEx(0, WC_HEADERW, nullptr, style, rect, parent, id);
}
