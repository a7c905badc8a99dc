#include "skin/treelist/CTreeListHeaderCtrl.h"

namespace SkinControl
{

void CTreeListHeaderCtrl::OnPaint()
{
    ::ValidateRect(m_hWnd, nullptr);
}

void CTreeListHeaderCtrl::OnMouseLeave()
{
    Invalidate(TRUE);
}

} // namespace SkinControl
