#include "skin/GdiPlusCanvas.h"

#include "skin/SkinDrawSupport.h"

namespace SkinControl
{

GdiPlusCanvas::GdiPlusCanvas(HDC target, int left, int top, int right, int bottom)
    : m_target(target), m_left(left), m_top(top), m_right(right), m_bottom(bottom)
{
    if (right <= left || bottom <= top) {
        m_status = Gdiplus::InvalidParameter;
        return;
    }
    m_bitmap = new Gdiplus::Bitmap(right - left, bottom - top, PixelFormat32bppARGB);
    m_status = m_bitmap->GetLastStatus();
    if (m_status != Gdiplus::Ok)
        return;
    m_graphics = Gdiplus::Graphics::FromImage(m_bitmap);
    RECT clip;
    if (m_graphics && ::GetClipBox(target, &clip) != ERROR) {
        // The clip box is in target coordinates; the canvas starts at the
        // destination's corner.
        ::OffsetRect(&clip, -left, -top);
        m_status = m_graphics->SetClip(RectToRectF(clip));
    }
}

GdiPlusCanvas::~GdiPlusCanvas()
{
    delete m_graphics;
    if (m_bitmap && m_status == Gdiplus::Ok) {
        Gdiplus::Graphics screen(m_target);
        screen.DrawImage(m_bitmap, m_left, m_top);
    }
    delete m_bitmap;
}

} // namespace SkinControl
