#include "skin/menu/CNewMemDC.h"

namespace SkinControl::NewMenu
{

CNewMemDC::CNewMemDC(const RECT& rect, HDC target) : m_rect(rect), m_target(target)
{
    if (!Attach(::CreateCompatibleDC(target)))
        return;
    m_bitmap = ::CreateCompatibleBitmap(target, rect.right - rect.left, rect.bottom - rect.top);
    if (!m_bitmap)
        return;
    m_oldBitmap = ::SelectObject(m_hDC, m_bitmap);
    ::SetWindowOrgEx(m_hDC, rect.left, rect.top, nullptr);
}

CNewMemDC::~CNewMemDC()
{
    if (m_oldBitmap) {
        if (!m_noCopy)
            ::BitBlt(m_target, m_rect.left, m_rect.top, m_rect.right - m_rect.left,
                     m_rect.bottom - m_rect.top, m_hDC, m_rect.left, m_rect.top, SRCCOPY);
        ::SelectObject(m_hDC, m_oldBitmap);
    }
    if (m_bitmap)
        ::DeleteObject(m_bitmap);
    DeleteDC();
}

} // namespace SkinControl::NewMenu
