#include "skin/CGDIDrawHelper.h"

namespace SkinControl
{

CGDIDrawHelper::CGDIDrawHelper(CDC* target) : CBorrowedDC(target->m_hDC)
{
    m_source.CreateCompatibleDC(target);
    m_sourceOriginal = ::GetCurrentObject(m_source.m_hDC, OBJ_BITMAP);
}

CGDIDrawHelper::~CGDIDrawHelper()
{
    // The scratch bitmap can only be deleted once it is no longer selected.
    if (m_sourceOriginal)
        m_source.SelectObject(m_sourceOriginal);
    m_marquee.DeleteObject();
    m_source.DeleteDC();
}

void CGDIDrawHelper::SelectSource(HBITMAP bitmap)
{
    if (bitmap)
        m_source.SelectObject(bitmap);
}

BOOL CGDIDrawHelper::StretchBitmap(HBITMAP bitmap, const RECT& dest, int srcX, int srcY, int srcWidth,
                                   int srcHeight)
{
    SelectSource(bitmap);
    return StretchBlt(dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, &m_source, srcX,
                      srcY, srcWidth, srcHeight, SRCCOPY);
}

BOOL CGDIDrawHelper::AlphaBlendBitmap(HBITMAP bitmap, const RECT& dest, const RECT& src)
{
    SelectSource(bitmap);
    m_blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    return AlphaBlend(dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, &m_source,
                      src.left, src.top, src.right - src.left, src.bottom - src.top, m_blend);
}

BOOL CGDIDrawHelper::AlphaBlendBitmapAt(HBITMAP bitmap, const RECT& dest, int srcLeft, int srcTop,
                                        int srcWidth, int srcHeight)
{
    return AlphaBlendBitmap(bitmap, dest, CRect(srcLeft, srcTop, srcLeft + srcWidth, srcTop + srcHeight));
}

void CGDIDrawHelper::DrawMarquee(const RECT& rect)
{
    const CRect area(rect);
    if (area != m_marqueeRect) {
        m_marqueeRect = area;
        m_source.SelectObject(m_sourceOriginal);
        m_marquee.DeleteObject();
        m_marquee.CreateCompatibleBitmap(this, area.Width(), area.Height());
        m_source.SelectObject(&m_marquee);
    }
    m_source.FillSolidRect(0, 0, area.Width(), area.Height(), RGB(10, 36, 106));
    m_blend = {AC_SRC_OVER, 0, 80, 0};
    AlphaBlend(area.left, area.top, area.Width(), area.Height(), &m_source, 0, 0, area.Width(), area.Height(),
               m_blend);
}

} // namespace SkinControl
