// The skin's low-level drawing layer: GDI+ start-up, the optional
// layered-window and theme functions bound at run time, painting a child's
// parent background, and GDI+ conversion helpers.
#pragma once

#include "framework/CDC.h"
#include "framework/CWnd.h"

#include <windows.h>
#include <objidl.h>
#include <uxtheme.h>
#include <gdiplus.h>

namespace SkinControl
{

struct SkinDrawSupport {
    using SetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    using UpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF,
                                                BLENDFUNCTION*, DWORD);
    using DrawThemeParentBackgroundFn = HRESULT(WINAPI*)(HWND, HDC, RECT*);
    using BeginBufferedPaintFn = HPAINTBUFFER(WINAPI*)(HDC, const RECT*, BP_BUFFERFORMAT, BP_PAINTPARAMS*,
                                                       HDC*);
    using BufferedPaintSetAlphaFn = HRESULT(WINAPI*)(HPAINTBUFFER, const RECT*, BYTE);
    using EndBufferedPaintFn = HRESULT(WINAPI*)(HPAINTBUFFER, BOOL);

    ULONG_PTR gdiplusToken = 0;
    HMODULE user32 = nullptr;
    SetLayeredWindowAttributesFn SetLayeredWindowAttributes = nullptr;
    UpdateLayeredWindowFn UpdateLayeredWindow = nullptr;
    HMODULE uxTheme = nullptr;
    DrawThemeParentBackgroundFn DrawThemeParentBackground = nullptr;
    BeginBufferedPaintFn BeginBufferedPaint = nullptr;
    BufferedPaintSetAlphaFn BufferedPaintSetAlpha = nullptr;
    EndBufferedPaintFn EndBufferedPaint = nullptr;
};

// The process-wide record that every painter reads.
SkinDrawSupport& GetSkinDrawSupport();

// Starts GDI+ and binds the optional functions; FALSE when GDI+ failed.
BOOL InitSkinDrawSupport(SkinDrawSupport& support);
// Frees the loaded libraries and shuts GDI+ down, after every skin resource
// and GDI+ object is gone.
void ShutdownSkinDrawSupport(SkinDrawSupport& support);
// Whether a GDI+ session of this module is running: GDI+ objects must not be
// deleted once it is not.
bool IsGdiplusRunning();
// For a module that draws with the GDI+ session of the program that loaded
// it: counts that session as running here between the two calls, so that
// the module's own GDI+ objects are deleted while it lasts.
void EnterHostGdiplusSession();
void LeaveHostGdiplusSession();

// Paints the part of the parent under `window` into `dc`, at the DC's
// current origin. Returns 0 for a window without a parent.
int DrawParentBackground(CWnd* window, CDC* dc, const SkinDrawSupport& support);

HBITMAP BitmapToHBITMAP(Gdiplus::Bitmap* bitmap);
HBITMAP BitmapToHBITMAPKeyed(Gdiplus::Bitmap* bitmap, Gdiplus::ARGB key);
// A bottom-up 32-bit copy whose `key`-coloured pixels have alpha 0. The
// source is deleted in every case.
HBITMAP ConvertToDibSection(HBITMAP source, COLORREF key);
Gdiplus::RectF RectToRectF(const RECT& rect);
// Reads the whole file into memory first, so the file is not kept open.
Gdiplus::Bitmap* LoadImageFromFile(const wchar_t* path);

} // namespace SkinControl
