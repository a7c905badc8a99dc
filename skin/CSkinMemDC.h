// A back buffer for one paint of a window: buffered paint when the theme
// library offers it, else a compatible bitmap. Destruction copies the buffer
// to the target.
#pragma once

#include "framework/CDC.h"
#include "framework/CGdiObject.h"
#include "framework/CRect.h"
#include "framework/CWnd.h"

#include <uxtheme.h>

#include <optional>

namespace SkinControl
{

class CSkinMemDC
{
public:
    CSkinMemDC(CDC* target, CWnd* window);
    virtual ~CSkinMemDC();
    CSkinMemDC(const CSkinMemDC&) = delete;
    CSkinMemDC& operator=(const CSkinMemDC&) = delete;

    bool IsValid() const { return m_valid; }
    // Where painters draw: the buffer when there is one, else the target.
    CDC* GetDC();

private:
    CDC* m_target;
    bool m_valid = false;
    HPAINTBUFFER m_paintBuffer = nullptr;
    // The paint buffer's DC belongs to the buffer.
    std::optional<CBorrowedDC> m_bufferDC;
    CDC m_memDC;
    CBitmap m_bitmap;
    HGDIOBJ m_oldBitmap = nullptr;
    CRect m_clientRect;
};

} // namespace SkinControl
