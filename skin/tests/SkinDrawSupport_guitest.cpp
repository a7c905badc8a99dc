// The drawing layer as painters see it: parent backgrounds under children
// (theme path and message path), back buffers, blits and the marquee, the
// GDI+ canvas and the bitmap conversions.
#include "GuiTestHelpers.h"

#include "skin/CGDIDrawHelper.h"
#include "skin/CSkinImageCtrl.h"
#include "skin/CSkinMemDC.h"
#include "skin/GdiPlusCanvas.h"
#include "skin/SkinDrawSupport.h"

using namespace SkinControl;
using namespace SkinTest;

namespace
{

class ParentBackground : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(parent.Create(CRect(100, 100, 300, 250)));
        ASSERT_TRUE(child.Create(&parent, WS_CHILD | WS_VISIBLE, 1, CRect(25, 15, 85, 55)));
        PumpMessages();
    }

    // Paints the parent's background under the child into a DC whose window
    // origin is (3, 4), and checks device pixels against the checkerboard.
    void ExpectParentPixelsAtOrigin(const SkinDrawSupport& support)
    {
        MemoryCanvas canvas(60, 40);
        canvas.dc.SetWindowOrg(3, 4);
        HRGN clip = CreateRectRgn(0, 0, 30, 30);
        SelectClipRgn(canvas.dc, clip);
        DeleteObject(clip);

        EXPECT_NE(0, DrawParentBackground(&child, &canvas.dc, support));

        EXPECT_EQ(CPoint(3, 4), canvas.dc.GetWindowOrg());
        EXPECT_EQ(CPoint(0, 0), canvas.dc.GetViewportOrg());
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        EXPECT_EQ(0, GetClipRgn(canvas.dc, region)) << "the clip region is removed";
        DeleteObject(region);
        // Device pixel d shows child pixel d + (3, 4), which is parent pixel
        // d + (3, 4) + (25, 15).
        for (POINT d : {POINT{0, 0}, POINT{1, 0}, POINT{2, 7}, POINT{12, 1}, POINT{29, 29}})
            EXPECT_COLOR(CheckerColor(d.x + 28, d.y + 19), canvas.Pixel(d.x, d.y)) << d.x << "," << d.y;
    }

    CheckerParent parent;
    CSkinImageCtrl child;
};

TEST_F(ParentBackground, MessagePathShiftsTheWindowOrigin)
{
    SupportOverride override;
    override.Record().DrawThemeParentBackground = nullptr;
    ExpectParentPixelsAtOrigin(override.Record());
}

TEST_F(ParentBackground, ThemePathShiftsTheViewportAndStillLandsRight)
{
    ASSERT_NE(nullptr, GetSkinDrawSupport().DrawThemeParentBackground) << "UxTheme is part of Wine";
    ExpectParentPixelsAtOrigin(GetSkinDrawSupport());
}

TEST_F(ParentBackground, ParentsPaintThroughTheFallbackBufferToo)
{
    SupportOverride override;
    override.Record().BeginBufferedPaint = nullptr;
    override.Record().EndBufferedPaint = nullptr;
    ExpectParentPixelsAtOrigin(override.Record());
}

TEST_F(ParentBackground, ATopLevelWindowHasNoParentToAsk)
{
    MemoryCanvas canvas(10, 10);
    const int erasesBefore = parent.erases;
    EXPECT_EQ(0, DrawParentBackground(&parent, &canvas.dc, GetSkinDrawSupport()));
    EXPECT_EQ(erasesBefore, parent.erases);
    EXPECT_COLOR(RGB(255, 255, 255), canvas.Pixel(5, 5));
}

TEST_F(ParentBackground, ImageControlWithoutBitmapShowsExactlyTheParent)
{
    child.RedrawWindow();
    Pixels shot = CaptureClient(parent.m_hWnd);
    for (int y = 15; y < 55; y += 3)
        for (int x = 25; x < 85; x += 3)
            EXPECT_COLOR(CheckerColor(x, y), shot.Pixel(x, y)) << x << "," << y;
}

TEST_F(ParentBackground, ImageControlStretchesItsBitmapOverTheParent)
{
    // A 2x1 bitmap: opaque green on the left, fully transparent on the right.
    BITMAPINFO bmi = {};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), 2, 1, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    static_cast<DWORD*>(bits)[0] = 0xFF00FF00;
    static_cast<DWORD*>(bits)[1] = 0x00000000;
    child.SetBitmap(bitmap);
    child.RedrawWindow();
    Pixels shot = CaptureClient(parent.m_hWnd);
    EXPECT_COLOR(RGB(0, 255, 0), shot.Pixel(30, 20));
    EXPECT_COLOR(RGB(0, 255, 0), shot.Pixel(50, 50));
    EXPECT_COLOR(CheckerColor(70, 20), shot.Pixel(70, 20));
    EXPECT_COLOR(CheckerColor(80, 50), shot.Pixel(80, 50));
    child.SetBitmap(nullptr);
    DeleteObject(bitmap);
}

class MemDC : public ParentBackground
{
};

HPAINTBUFFER WINAPI FailingBeginBufferedPaint(HDC, const RECT*, BP_BUFFERFORMAT, BP_PAINTPARAMS*, HDC*)
{
    return nullptr;
}

TEST_F(MemDC, AFailedBufferedPaintLeavesItInvalidAndPaintsNothing)
{
    SupportOverride override;
    override.Record().BeginBufferedPaint = &FailingBeginBufferedPaint;
    MemoryCanvas canvas(60, 40);
    {
        CSkinMemDC buffer(&canvas.dc, &child);
        EXPECT_FALSE(buffer.IsValid());
        EXPECT_EQ(&canvas.dc, buffer.GetDC()) << "painters draw straight into the target";
    }
    EXPECT_COLOR(RGB(255, 255, 255), canvas.Pixel(10, 10));
}

TEST_F(MemDC, AnEmptyClientAreaGetsNoBuffer)
{
    SupportOverride override;
    override.Record().BeginBufferedPaint = nullptr;
    CSkinImageCtrl empty;
    ASSERT_TRUE(empty.Create(&parent, WS_CHILD, 2, CRect(0, 0, 0, 0)));
    MemoryCanvas canvas(10, 10);
    CSkinMemDC buffer(&canvas.dc, &empty);
    EXPECT_FALSE(buffer.IsValid());
}

TEST_F(MemDC, TheFallbackCopiesOnlyTheTargetsClipBox)
{
    SupportOverride override;
    override.Record().BeginBufferedPaint = nullptr;
    MemoryCanvas canvas(60, 40);
    HRGN clip = CreateRectRgn(0, 0, 5, 5);
    SelectClipRgn(canvas.dc, clip);
    DeleteObject(clip);
    {
        CSkinMemDC buffer(&canvas.dc, &child);
        ASSERT_TRUE(buffer.IsValid());
        ASSERT_NE(&canvas.dc, buffer.GetDC());
        buffer.GetDC()->FillSolidRect(0, 0, 60, 40, RGB(0, 128, 0));
        EXPECT_COLOR(RGB(255, 255, 255), canvas.Pixel(2, 2)) << "nothing reaches the target before the end";
    }
    EXPECT_COLOR(RGB(0, 128, 0), canvas.Pixel(2, 2));
    EXPECT_COLOR(RGB(255, 255, 255), canvas.Pixel(8, 8));
}

TEST_F(MemDC, BufferedPaintCopiesTheWholeClientArea)
{
    ASSERT_NE(nullptr, GetSkinDrawSupport().BeginBufferedPaint);
    MemoryCanvas canvas(60, 40);
    {
        CSkinMemDC buffer(&canvas.dc, &child);
        ASSERT_TRUE(buffer.IsValid());
        buffer.GetDC()->FillSolidRect(0, 0, 60, 40, RGB(0, 128, 0));
    }
    EXPECT_COLOR(RGB(0, 128, 0), canvas.Pixel(2, 2));
    EXPECT_COLOR(RGB(0, 128, 0), canvas.Pixel(59, 39));
}

// A premultiplied 32-bit DIB section filled with one ARGB value.
HBITMAP SolidDib(int width, int height, DWORD argb)
{
    BITMAPINFO bmi = {};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    for (int i = 0; i < width * height; ++i)
        static_cast<DWORD*>(bits)[i] = argb;
    return bitmap;
}

TEST(DrawHelper, BlitsStretchAndBlendWithPerPixelAlpha)
{
    MemoryCanvas canvas(40, 20);
    HBITMAP opaque = SolidDib(2, 2, 0xFFFF0000);
    HBITMAP halfGreen = SolidDib(1, 1, 0x80008000); // premultiplied: green 128 at alpha 128
    {
        CGDIDrawHelper helper(&canvas.dc);
        EXPECT_TRUE(helper.StretchBitmap(opaque, CRect(0, 0, 10, 10), 0, 0, 2, 2));
        EXPECT_TRUE(helper.AlphaBlendBitmapAt(halfGreen, CRect(20, 0, 30, 10), 0, 0, 1, 1));
        // Null reuses the bitmap selected last.
        EXPECT_TRUE(helper.AlphaBlendBitmap(nullptr, CRect(30, 10, 40, 20), CRect(0, 0, 1, 1)));
    }
    EXPECT_COLOR(RGB(255, 0, 0), canvas.Pixel(9, 9));
    EXPECT_COLOR(RGB(127, 255, 127), canvas.Pixel(25, 5));
    EXPECT_COLOR(RGB(127, 255, 127), canvas.Pixel(35, 15));
    EXPECT_COLOR(RGB(255, 255, 255), canvas.Pixel(35, 5));
    EXPECT_NE(0u, GetObjectType(opaque)) << "skin bitmaps are borrowed, not freed";
    DeleteObject(opaque);
    DeleteObject(halfGreen);
}

TEST(DrawHelper, MarqueeIsTranslucentAndReusesItsScratchBitmap)
{
    MemoryCanvas canvas(100, 100);
    {
        CGDIDrawHelper helper(&canvas.dc);
        helper.DrawMarquee(CRect(10, 10, 50, 40));
        HGDIOBJ first = GetCurrentObject(helper.GetSourceDC(), OBJ_BITMAP);
        helper.DrawMarquee(CRect(10, 10, 50, 40));
        EXPECT_EQ(first, GetCurrentObject(helper.GetSourceDC(), OBJ_BITMAP)) << "same size, same bitmap";
        helper.DrawMarquee(CRect(60, 60, 70, 70));
        EXPECT_NE(first, GetCurrentObject(helper.GetSourceDC(), OBJ_BITMAP));
        EXPECT_EQ(0u, GetObjectType(first)) << "the old scratch bitmap is freed, not leaked";
    }
    // RGB(10, 36, 106) at alpha 80 over white, drawn twice at the first place.
    EXPECT_COLOR(RGB(178, 186, 208), canvas.Pixel(65, 65));
    EXPECT_COLOR(RGB(125, 139, 176), canvas.Pixel(20, 20));
    EXPECT_COLOR(RGB(255, 255, 255), canvas.Pixel(55, 55));
}

TEST(Canvas, DrawsAtItsCornerClippedToTheTargetsClipBox)
{
    MemoryCanvas canvas(100, 100);
    HRGN clip = CreateRectRgn(50, 50, 60, 60);
    SelectClipRgn(canvas.dc, clip);
    DeleteObject(clip);
    {
        GdiPlusCanvas gdiplus(canvas.dc, 50, 50, 70, 70);
        ASSERT_NE(nullptr, gdiplus.Graphics());
        Gdiplus::SolidBrush red(Gdiplus::Color(255, 255, 0, 0));
        gdiplus.Graphics()->FillRectangle(&red, 0, 0, 20, 20);
    }
    EXPECT_COLOR(RGB(255, 0, 0), canvas.Pixel(50, 50));
    EXPECT_COLOR(RGB(255, 0, 0), canvas.Pixel(59, 59));
    EXPECT_COLOR(RGB(255, 255, 255), canvas.Pixel(65, 65)) << "outside the clip box";
}

TEST(Conversions, DibSectionMakesExactlyTheKeyColourTransparent)
{
    BITMAPINFO bmi = {};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), 3, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP source = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    DWORD* p = static_cast<DWORD*>(bits); // bottom-up: row 0 is the bottom
    const DWORD values[6] = {0xFF000000, 0xFF102030, 0xFFFFFFFF, 0xFF000001, 0xFF000000, 0xFF0000FF};
    for (int i = 0; i < 6; ++i)
        p[i] = values[i];

    HBITMAP section = ConvertToDibSection(source, RGB(0, 0, 0));
    ASSERT_NE(nullptr, section);
    EXPECT_EQ(0u, GetObjectType(source)) << "the source is freed";
    DIBSECTION info = {};
    ASSERT_EQ(static_cast<int>(sizeof(info)), GetObjectW(section, sizeof(info), &info));
    EXPECT_EQ(3, info.dsBmih.biWidth);
    EXPECT_EQ(2, info.dsBmih.biHeight) << "bottom-up";
    EXPECT_EQ(32, info.dsBmih.biBitCount);
    EXPECT_EQ(3u * 2u * 4u, info.dsBmih.biSizeImage);
    const DWORD* out = static_cast<const DWORD*>(info.dsBm.bmBits);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(values[i] & 0xFFFFFF, out[i] & 0xFFFFFF) << i;
        EXPECT_EQ((values[i] & 0xFFFFFF) == 0 ? 0u : 0xFFu, out[i] >> 24) << i;
    }
    DeleteObject(section);
}

TEST(Conversions, NullSourceGivesNull)
{
    EXPECT_EQ(nullptr, ConvertToDibSection(nullptr, 0));
}

TEST(Conversions, KeyedBitmapTurnsTheArgbKeyIntoTheColour)
{
    Gdiplus::Bitmap bitmap(2, 1, PixelFormat32bppARGB);
    bitmap.SetPixel(0, 0, Gdiplus::Color(0xFF000000));
    bitmap.SetPixel(1, 0, Gdiplus::Color(0xFF336699));
    HBITMAP keyed = BitmapToHBITMAPKeyed(&bitmap, 0xFF336699);
    ASSERT_NE(nullptr, keyed);
    DIBSECTION info = {};
    GetObjectW(keyed, sizeof(info), &info);
    const DWORD* out = static_cast<const DWORD*>(info.dsBm.bmBits);
    EXPECT_EQ(0xFF000000u, out[0]);
    EXPECT_EQ(0x00336699u, out[1]);
    DeleteObject(keyed);
}

TEST(Conversions, RectToRectFKeepsCornerAndSize)
{
    Gdiplus::RectF r = RectToRectF(CRect(3, 4, 13, 24));
    EXPECT_FLOAT_EQ(3, r.X);
    EXPECT_FLOAT_EQ(4, r.Y);
    EXPECT_FLOAT_EQ(10, r.Width);
    EXPECT_FLOAT_EQ(20, r.Height);
}

TEST(ImageFile, ReadsTheFileWithoutKeepingItOpen)
{
    TempFolder folder;
    const std::wstring path = folder.File(L"pic.png");
    ASSERT_TRUE(WriteSolidImage(path, 7, 5, 0xFF123456));
    Gdiplus::Bitmap* bitmap = LoadImageFromFile(path.c_str());
    ASSERT_NE(nullptr, bitmap);
    EXPECT_TRUE(DeleteFileW(path.c_str())) << "the file is free once loaded";
    EXPECT_EQ(7u, bitmap->GetWidth());
    EXPECT_EQ(5u, bitmap->GetHeight());
    Gdiplus::Color color;
    bitmap->GetPixel(3, 3, &color);
    EXPECT_EQ(0xFF123456u, color.GetValue());
    delete bitmap;
}

TEST(ImageFile, MissingEmptyAndUndecodableFilesGiveNull)
{
    TempFolder folder;
    EXPECT_EQ(nullptr, LoadImageFromFile(folder.File(L"missing.png").c_str()));
    const std::wstring empty = folder.File(L"empty.png");
    CloseHandle(CreateFileW(empty.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    EXPECT_EQ(nullptr, LoadImageFromFile(empty.c_str()));
    const std::wstring junk = folder.File(L"junk.png");
    HANDLE file = CreateFileW(junk.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, "not an image at all", 19, &written, nullptr);
    CloseHandle(file);
    EXPECT_EQ(nullptr, LoadImageFromFile(junk.c_str()));
}

} // namespace
