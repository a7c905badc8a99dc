// Blits skin bitmaps onto the target's DC, which it borrows: stretched
// copies, per-pixel alpha blends and the tree list's translucent selection
// marquee.
#pragma once

#include "framework/CDC.h"
#include "framework/CGdiObject.h"
#include "framework/CRect.h"

namespace SkinControl
{

class CGDIDrawHelper : public CBorrowedDC
{
public:
    explicit CGDIDrawHelper(CDC* target);
    ~CGDIDrawHelper() override;

    // A null bitmap reuses the one selected by the previous call.
    BOOL StretchBitmap(HBITMAP bitmap, const RECT& dest, int srcX, int srcY, int srcWidth, int srcHeight);
    BOOL AlphaBlendBitmap(HBITMAP bitmap, const RECT& dest, const RECT& src);
    BOOL AlphaBlendBitmapAt(HBITMAP bitmap, const RECT& dest, int srcLeft, int srcTop, int srcWidth,
                            int srcHeight);
    void DrawMarquee(const RECT& rect);

    // The memory DC the bitmaps are blitted from.
    HDC GetSourceDC() const { return m_source.m_hDC; }

private:
    void SelectSource(HBITMAP bitmap);

    CDC m_source;
    CBitmap m_marquee;
    CRect m_marqueeRect;
    BLENDFUNCTION m_blend = {};
    HGDIOBJ m_sourceOriginal = nullptr;
};

} // namespace SkinControl
