// Shared pieces of the skin's GUI tests: GDI+ and the drawing support for the
// whole program, a temporary folder with test images of known pixels,
// message pumping, and reading pixels back from windows and DCs.
#pragma once

#include "framework/CDC.h"
#include "framework/CWnd.h"
#include "framework/CWinApp.h"
#include "skin/CSkinMemDC.h"
#include "skin/SkinDrawSupport.h"
#include "framework/tests/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace SkinTest
{

class SkinEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        ASSERT_TRUE(SkinControl::InitSkinDrawSupport(SkinControl::GetSkinDrawSupport()));
    }
    void TearDown() override { SkinControl::ShutdownSkinDrawSupport(SkinControl::GetSkinDrawSupport()); }
};

inline ::testing::Environment* const g_skinEnvironment =
    ::testing::AddGlobalTestEnvironment(new SkinEnvironment);

// Swaps the process-wide support record for the life of the object, so a
// test can take away the theme or buffered-paint functions.
class SupportOverride
{
public:
    SupportOverride() : saved_(SkinControl::GetSkinDrawSupport()) {}
    ~SupportOverride() { SkinControl::GetSkinDrawSupport() = saved_; }
    SkinControl::SkinDrawSupport& Record() { return SkinControl::GetSkinDrawSupport(); }

private:
    SkinControl::SkinDrawSupport saved_;
};

struct TempFolder : TestSupport::TempFolder {
    TempFolder() : TestSupport::TempFolder(L"qvskin") {}
};

inline bool EncoderClsid(const wchar_t* mimeType, CLSID* clsid)
{
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    if (!size)
        return false;
    std::vector<BYTE> buffer(size);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, encoders);
    for (UINT i = 0; i < count; ++i) {
        if (wcscmp(encoders[i].MimeType, mimeType) == 0) {
            *clsid = encoders[i].Clsid;
            return true;
        }
    }
    return false;
}

// Writes a `width` x `height` image whose pixel (x, y) is pixel(x, y) as ARGB;
// `mimeType` picks the format ("image/png", "image/bmp", "image/gif").
inline bool WriteImage(const std::wstring& path, int width, int height,
                       const std::function<Gdiplus::ARGB(int, int)>& pixel,
                       const wchar_t* mimeType = L"image/png")
{
    Gdiplus::Bitmap bitmap(width, height, PixelFormat32bppARGB);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.SetPixel(x, y, Gdiplus::Color(pixel(x, y)));
    CLSID clsid;
    return EncoderClsid(mimeType, &clsid) && bitmap.Save(path.c_str(), &clsid, nullptr) == Gdiplus::Ok;
}

inline bool WriteSolidImage(const std::wstring& path, int width, int height, Gdiplus::ARGB color,
                            const wchar_t* mimeType = L"image/png")
{
    return WriteImage(
        path, width, height, [color](int, int) { return color; }, mimeType);
}

// Handles the waiting messages, for at most `ms` milliseconds.
inline void PumpMessages(DWORD ms = 50)
{
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return;
            if (!AfxWalkPreTranslateTree(&msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        Sleep(1);
    } while (GetTickCount() - start < ms);
}

// 32-bit pixels read back from a DC; Pixel gives a COLORREF (alpha dropped).
class Pixels
{
public:
    Pixels(HDC source, int x, int y, int width, int height) : width_(width), height_(height)
    {
        BITMAPINFO bmi = {};
        bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi.bmiHeader.biWidth = width;
        bmi.bmiHeader.biHeight = -height;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP dib = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HDC memory = CreateCompatibleDC(source);
        HGDIOBJ old = SelectObject(memory, dib);
        BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
        GdiFlush();
        const DWORD* p = static_cast<const DWORD*>(bits);
        data_.assign(p, p + width * height);
        SelectObject(memory, old);
        DeleteDC(memory);
        DeleteObject(dib);
    }
    COLORREF Pixel(int x, int y) const
    {
        DWORD v = data_.at(y * width_ + x);
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    int width_, height_;
    std::vector<DWORD> data_;
};

// The client area of a window as it is on screen, children included.
inline Pixels CaptureClient(HWND hwnd)
{
    RECT client;
    GetClientRect(hwnd, &client);
    HDC dc = GetDC(hwnd);
    Pixels pixels(dc, 0, 0, client.right, client.bottom);
    ReleaseDC(hwnd, dc);
    return pixels;
}

inline std::string ColorText(COLORREF c)
{
    char text[32];
    snprintf(text, sizeof(text), "RGB(%u,%u,%u)", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

inline bool Near(COLORREF a, COLORREF b, int tolerance = 3)
{
    return abs(GetRValue(a) - GetRValue(b)) <= tolerance && abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

#define EXPECT_COLOR(expected, actual)                                                                       \
    EXPECT_TRUE(::SkinTest::Near((expected), (actual)))                                                      \
        << "expected " << ::SkinTest::ColorText(expected) << ", got " << ::SkinTest::ColorText(actual)

// A 32-bit memory DC of a given size, filled with one colour.
class MemoryCanvas
{
public:
    MemoryCanvas(int width, int height, COLORREF fill = RGB(255, 255, 255)) : width_(width), height_(height)
    {
        BITMAPINFO bmi = {};
        bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi.bmiHeader.biWidth = width;
        bmi.bmiHeader.biHeight = -height;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
        dc.Attach(CreateCompatibleDC(nullptr));
        old_ = dc.SelectObject(bitmap_);
        dc.FillSolidRect(0, 0, width, height, fill);
    }
    ~MemoryCanvas()
    {
        dc.SelectObject(old_);
        dc.DeleteDC();
        DeleteObject(bitmap_);
    }
    // Device pixels, whatever the DC's origins.
    COLORREF Pixel(int x, int y)
    {
        GdiFlush();
        BITMAP info;
        GetObjectW(bitmap_, sizeof(info), &info);
        DWORD v = static_cast<const DWORD*>(info.bmBits)[y * width_ + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }

    CDC dc;

private:
    int width_, height_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

// Saves what the X screen shows under a window (frame and children) as PNG.
// A window of another process is taken from the screen itself.
inline bool SaveWindowShot(HWND hwnd, const std::wstring& path, bool fromScreen = false)
{
    RECT rect;
    GetWindowRect(hwnd, &rect);
    HWND source = fromScreen ? nullptr : hwnd;
    HDC dc = fromScreen ? GetDC(nullptr) : GetWindowDC(hwnd);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, dc, fromScreen ? rect.left : 0, fromScreen ? rect.top : 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(source, dc);
    bool saved = false;
    {
        Gdiplus::Bitmap image(bitmap, nullptr);
        CLSID clsid;
        saved =
            EncoderClsid(L"image/png", &clsid) && image.Save(path.c_str(), &clsid, nullptr) == Gdiplus::Ok;
    }
    DeleteObject(bitmap);
    return saved;
}

// Where test artefacts go: the build folder, beside the test program.
inline std::wstring ArtefactPath(const wchar_t* name)
{
    wchar_t module[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring folder(module);
    folder = folder.substr(0, folder.rfind(L'\\'));
    return folder + L"\\" + name;
}

// A 10-pixel red and blue checkerboard in parent coordinates: the colour
// tells exactly which part of the parent a pixel shows.
inline COLORREF CheckerColor(int x, int y)
{
    return ((x / 10 + y / 10) % 2) ? RGB(0, 0, 255) : RGB(255, 0, 0);
}

// A top-level popup that paints the checkerboard in WM_ERASEBKGND through a
// back buffer, honouring the DC's origin as every skin parent must.
class CheckerParent : public CWnd
{
public:
    int erases = 0;

    BOOL Create(const RECT& rect)
    {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        if (!GetClassInfoExW(AfxGetInstanceHandle(), L"QvCheckerParent", &wc)) {
            wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
            wc.lpfnWndProc = ::DefWindowProcW;
            wc.hInstance = AfxGetInstanceHandle();
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            wc.lpszClassName = L"QvCheckerParent";
            RegisterClassExW(&wc);
        }
        // Shown without activation, so Wine keeps it unmanaged.
        if (!CreateEx(0, L"QvCheckerParent", L"", WS_POPUP | WS_CLIPCHILDREN, rect, nullptr, 0))
            return FALSE;
        ShowWindow(SW_SHOWNOACTIVATE);
        UpdateWindow();
        return TRUE;
    }

protected:
    BOOL OnEraseBkgnd(CDC* dc) override
    {
        ++erases;
        SkinControl::CSkinMemDC buffer(dc, this);
        CDC* paint = buffer.GetDC();
        CRect client;
        GetClientRect(&client);
        for (int y = 0; y < client.bottom; y += 10)
            for (int x = 0; x < client.right; x += 10)
                paint->FillSolidRect(x, y, 10, 10, CheckerColor(x, y));
        return TRUE;
    }
};

} // namespace SkinTest
