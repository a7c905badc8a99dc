// An off-screen DC over one rectangle of a target DC: callers draw in the
// target's coordinates, and destruction copies the rectangle to the target
// (unless m_noCopy is set) and frees the bitmap and the DC.
#pragma once

#include "framework/CDC.h"

namespace SkinControl::NewMenu
{

class CNewMemDC : public CDC
{
public:
    CNewMemDC(const RECT& rect, HDC target);
    ~CNewMemDC() override;

    // False when the DC or its bitmap could not be made; then draw on the
    // target instead.
    bool IsValid() const { return m_oldBitmap != nullptr; }

    RECT m_rect;
    BOOL m_noCopy = FALSE;

private:
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
    HDC m_target;
};

} // namespace SkinControl::NewMenu
