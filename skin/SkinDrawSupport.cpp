#include "skin/SkinDrawSupport.h"

#include <new>

namespace SkinControl
{

namespace
{
LONG g_gdiplusSessions = 0;

template <typename Fn> void Bind(HMODULE module, const char* name, Fn& fn)
{
    fn = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}
} // namespace

SkinDrawSupport& GetSkinDrawSupport()
{
    static SkinDrawSupport support;
    return support;
}

bool IsGdiplusRunning()
{
    return ::InterlockedCompareExchange(&g_gdiplusSessions, 0, 0) > 0;
}

void EnterHostGdiplusSession()
{
    ::InterlockedIncrement(&g_gdiplusSessions);
}

void LeaveHostGdiplusSession()
{
    ::InterlockedDecrement(&g_gdiplusSessions);
}

BOOL InitSkinDrawSupport(SkinDrawSupport& support)
{
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&support.gdiplusToken, &input, nullptr) != Gdiplus::Ok)
        return FALSE;
    ::InterlockedIncrement(&g_gdiplusSessions);

    support.user32 = ::LoadLibraryW(L"USER32.DLL");
    if (support.user32) {
        Bind(support.user32, "SetLayeredWindowAttributes", support.SetLayeredWindowAttributes);
        Bind(support.user32, "UpdateLayeredWindow", support.UpdateLayeredWindow);
    }
    support.uxTheme = ::LoadLibraryW(L"UxTheme.dll");
    if (!support.uxTheme)
        return TRUE;
    Bind(support.uxTheme, "DrawThemeParentBackground", support.DrawThemeParentBackground);
    Bind(support.uxTheme, "BeginBufferedPaint", support.BeginBufferedPaint);
    Bind(support.uxTheme, "BufferedPaintSetAlpha", support.BufferedPaintSetAlpha);
    Bind(support.uxTheme, "EndBufferedPaint", support.EndBufferedPaint);
    return TRUE;
}

void ShutdownSkinDrawSupport(SkinDrawSupport& support)
{
    if (support.user32)
        ::FreeLibrary(support.user32);
    if (support.uxTheme)
        ::FreeLibrary(support.uxTheme);
    ULONG_PTR token = support.gdiplusToken;
    support = SkinDrawSupport();
    if (token) {
        ::InterlockedDecrement(&g_gdiplusSessions);
        Gdiplus::GdiplusShutdown(token);
    }
}

int DrawParentBackground(CWnd* window, CDC* dc, const SkinDrawSupport& support)
{
    HWND hwnd = window->m_hWnd;
    HWND parent = (::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) ? ::GetParent(hwnd) : nullptr;
    if (!parent)
        return 0;

    // The theme call moves the viewport origin where ours moves the window
    // origin; the parent paints at the DC's logical coordinates either way.
    // Both origins are put back, whatever the theme code leaves behind.
    const CPoint windowOrg = dc->GetWindowOrg();
    const CPoint viewportOrg = dc->GetViewportOrg();
    int result = 0;
    bool painted = false;
    if (support.DrawThemeParentBackground &&
        support.DrawThemeParentBackground(hwnd, dc->m_hDC, nullptr) == S_OK) {
        result = 1;
        painted = true;
        ::SetViewportOrgEx(dc->m_hDC, viewportOrg.x, viewportOrg.y, nullptr);
    }
    if (!painted) {
        CPoint offset(0, 0);
        ::MapWindowPoints(hwnd, parent, &offset, 1);
        dc->OffsetWindowOrg(offset.x, offset.y);
        result =
            static_cast<int>(::SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc->m_hDC), 0));
    }
    dc->SetWindowOrg(windowOrg.x, windowOrg.y);
    dc->SelectClipRgn(nullptr);
    return result;
}

HBITMAP BitmapToHBITMAP(Gdiplus::Bitmap* bitmap)
{
    HBITMAP result = nullptr;
    if (!bitmap || bitmap->GetHBITMAP(Gdiplus::Color(0xFF000000), &result) != Gdiplus::Ok)
        return nullptr;
    return result;
}

HBITMAP BitmapToHBITMAPKeyed(Gdiplus::Bitmap* bitmap, Gdiplus::ARGB key)
{
    HBITMAP converted = BitmapToHBITMAP(bitmap);
    if (!converted)
        return nullptr;
    COLORREF color = RGB((key >> 16) & 0xFF, (key >> 8) & 0xFF, key & 0xFF);
    return ConvertToDibSection(converted, color);
}

HBITMAP ConvertToDibSection(HBITMAP source, COLORREF key)
{
    BITMAP info = {};
    HBITMAP section = nullptr;
    if (source && ::GetObjectW(source, sizeof(info), &info) && info.bmWidth > 0 && info.bmHeight > 0) {
        BITMAPINFO bmi = {};
        bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi.bmiHeader.biWidth = info.bmWidth;
        bmi.bmiHeader.biHeight = info.bmHeight;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        // Four bytes a pixel.
        bmi.bmiHeader.biSizeImage = static_cast<DWORD>(info.bmWidth) * static_cast<DWORD>(info.bmHeight) * 4;
        void* bits = nullptr;
        section = ::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HDC from = ::CreateCompatibleDC(nullptr);
        HDC to = ::CreateCompatibleDC(nullptr);
        bool copied = false;
        if (section && from && to) {
            HGDIOBJ oldFrom = ::SelectObject(from, source);
            HGDIOBJ oldTo = ::SelectObject(to, section);
            copied = ::BitBlt(to, 0, 0, info.bmWidth, info.bmHeight, from, 0, 0, SRCCOPY) != FALSE;
            if (copied) {
                // SetPixel stores the colour with alpha 0: exactly the key
                // pixels become transparent.
                for (int x = 0; x < info.bmWidth; ++x)
                    for (int y = 0; y < info.bmHeight; ++y)
                        if (::GetPixel(to, x, y) == key)
                            ::SetPixel(to, x, y, key);
            }
            ::SelectObject(to, oldTo);
            ::SelectObject(from, oldFrom);
        }
        if (from)
            ::DeleteDC(from);
        if (to)
            ::DeleteDC(to);
        if (!copied && section) {
            ::DeleteObject(section);
            section = nullptr;
        }
    }
    if (source)
        ::DeleteObject(source);
    return section;
}

Gdiplus::RectF RectToRectF(const RECT& rect)
{
    return Gdiplus::RectF(static_cast<Gdiplus::REAL>(rect.left), static_cast<Gdiplus::REAL>(rect.top),
                          static_cast<Gdiplus::REAL>(rect.right - rect.left),
                          static_cast<Gdiplus::REAL>(rect.bottom - rect.top));
}

Gdiplus::Bitmap* LoadImageFromFile(const wchar_t* path)
{
    HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    Gdiplus::Bitmap* bitmap = nullptr;
    try {
        LARGE_INTEGER size = {};
        if (::GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < 0x40000000) {
            const DWORD length = static_cast<DWORD>(size.QuadPart);
            HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, length);
            void* data = memory ? ::GlobalLock(memory) : nullptr;
            DWORD read = 0;
            bool complete = data && ::ReadFile(file, data, length, &read, nullptr) && read == length;
            if (data)
                ::GlobalUnlock(memory);
            IStream* stream = nullptr;
            if (complete && ::CreateStreamOnHGlobal(memory, TRUE, &stream) == S_OK) {
                // The stream frees the memory on its last release; the
                // bitmap keeps its own reference.
                memory = nullptr;
                bitmap = new Gdiplus::Bitmap(stream);
                stream->Release();
                if (bitmap->GetLastStatus() != Gdiplus::Ok) {
                    delete bitmap;
                    bitmap = nullptr;
                }
            }
            if (memory)
                ::GlobalFree(memory);
        }
    } catch (...) {
        bitmap = nullptr;
    }
    ::CloseHandle(file);
    return bitmap;
}

} // namespace SkinControl
