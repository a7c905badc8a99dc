#include "skin/CSkinImageCtrl.h"

#include "skin/CGDIDrawHelper.h"
#include "skin/CSkinMemDC.h"
#include "skin/SkinDrawSupport.h"

namespace SkinControl
{

BOOL CSkinImageCtrl::OnEraseBkgnd(CDC* dc)
{
    CSkinMemDC buffer(dc, this);
    CDC* paint = buffer.GetDC();
    DrawParentBackground(this, paint, GetSkinDrawSupport());
    CRect client;
    GetClientRect(&client);
    BITMAP info = {};
    if (m_bitmap && ::GetObjectW(m_bitmap, sizeof(info), &info)) {
        CGDIDrawHelper helper(paint);
        helper.AlphaBlendBitmap(m_bitmap, client, CRect(0, 0, info.bmWidth, info.bmHeight));
    }
    return TRUE;
}

} // namespace SkinControl
