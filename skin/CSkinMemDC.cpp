#include "skin/CSkinMemDC.h"

#include "skin/SkinDrawSupport.h"

namespace SkinControl
{

CSkinMemDC::CSkinMemDC(CDC* target, CWnd* window) : m_target(target)
{
    window->GetClientRect(&m_clientRect);
    const SkinDrawSupport& support = GetSkinDrawSupport();
    if (support.BeginBufferedPaint && support.EndBufferedPaint) {
        HDC bufferDC = nullptr;
        m_paintBuffer =
            support.BeginBufferedPaint(target->m_hDC, &m_clientRect, BPBF_TOPDOWNDIB, nullptr, &bufferDC);
        if (m_paintBuffer && bufferDC) {
            m_bufferDC.emplace(bufferDC);
            m_valid = true;
        }
        return;
    }
    // A compatible bitmap of no size is a 1x1 monochrome one rather than a
    // failure: an empty client area gets no buffer.
    if (m_clientRect.Width() <= 0 || m_clientRect.Height() <= 0)
        return;
    if (m_memDC.CreateCompatibleDC(target) &&
        m_bitmap.CreateCompatibleBitmap(target, m_clientRect.Width(), m_clientRect.Height())) {
        m_oldBitmap = m_memDC.SelectObject(&m_bitmap);
        m_valid = true;
    }
}

CDC* CSkinMemDC::GetDC()
{
    if (!m_valid)
        return m_target;
    return m_bufferDC ? &*m_bufferDC : &m_memDC;
}

CSkinMemDC::~CSkinMemDC()
{
    if (m_paintBuffer) {
        GetSkinDrawSupport().EndBufferedPaint(m_paintBuffer, TRUE);
        return;
    }
    if (m_valid) {
        CRect box;
        switch (m_target->GetClipBox(&box)) {
        case NULLREGION:
            box.SetRect(0, 0, 0, 0);
            break;
        case SIMPLEREGION:
            break;
        default:
            box = m_clientRect;
            break;
        }
        if (!box.IsRectEmpty())
            m_target->BitBlt(box.left, box.top, box.Width(), box.Height(), &m_memDC, box.left, box.top,
                             SRCCOPY);
        m_memDC.SelectObject(m_oldBitmap);
    }
    m_bitmap.DeleteObject();
    m_memDC.DeleteDC();
}

} // namespace SkinControl
