// An ARGB off-screen canvas for one paint: painters draw into Graphics() in
// canvas coordinates; destruction draws the canvas onto the target at its
// destination's top-left corner.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

namespace SkinControl
{

class GdiPlusCanvas
{
public:
    GdiPlusCanvas(HDC target, int left, int top, int right, int bottom);
    ~GdiPlusCanvas();
    GdiPlusCanvas(const GdiPlusCanvas&) = delete;
    GdiPlusCanvas& operator=(const GdiPlusCanvas&) = delete;

    // Null when the canvas could not be made (an empty destination).
    Gdiplus::Graphics* Graphics() const { return m_graphics; }
    Gdiplus::Status LastStatus() const { return m_status; }

private:
    Gdiplus::Graphics* m_graphics = nullptr;
    Gdiplus::Status m_status = Gdiplus::Ok;
    HDC m_target;
    Gdiplus::Bitmap* m_bitmap = nullptr;
    int m_left, m_top, m_right, m_bottom;
};

} // namespace SkinControl
