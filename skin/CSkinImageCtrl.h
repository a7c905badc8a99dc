// A static picture: one skin bitmap with per-pixel alpha, stretched over the
// control, on top of the parent's background.
#pragma once

#include "skin/CWndBase.h"

namespace SkinControl
{

class CSkinImageCtrl : public CWndBase
{
public:
    // Borrowed from the skin store; null shows only the parent's background.
    void SetBitmap(HBITMAP bitmap) { m_bitmap = bitmap; }
    HBITMAP GetBitmap() const { return m_bitmap; }

protected:
    BOOL OnEraseBkgnd(CDC* dc) override;

private:
    HBITMAP m_bitmap = nullptr;
};

} // namespace SkinControl
