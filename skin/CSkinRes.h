// The process-wide cache of skin images (by file name under the skin folder)
// and named fonts. Callers borrow what they get; everything stays valid until
// FreeAll at exit.
#pragma once

#include "core/Lock.h"
#include "framework/CString.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <map>

namespace SkinControl
{

struct SkinImage {
    Gdiplus::Bitmap* bitmap = nullptr;
    HBITMAP hbitmap = nullptr;
};

class CSkinRes
{
public:
    CSkinRes() = default;
    ~CSkinRes();
    CSkinRes(const CSkinRes&) = delete;
    CSkinRes& operator=(const CSkinRes&) = delete;

    // The store the class-wide operations act on.
    static CSkinRes& Global();

    static void SetSkinFolder(const wchar_t* folder);
    static CString GetSkinFolder();

    // 1 when the image was added; 0 without a skin folder, for a file that
    // fails to load, and for one already cached.
    static int LoadImage(const wchar_t* name);
    // radiobutton.bmp, whose black background becomes transparent.
    static int LoadRadioButtonImage();
    static Gdiplus::Bitmap* GetImage(const wchar_t* name);
    static HBITMAP GetBitmap(const wchar_t* name);

    // Adds a font under `name` from the first installed of `families`; a name
    // already added keeps its first font.
    static Gdiplus::Font* AddFont(const wchar_t* name, const wchar_t* const families[3], float size);
    static HFONT GetFont(const wchar_t* name);

    void FreeAll();

private:
    // `key` is {red, green, blue} of the colour to make transparent, or null.
    int LoadImageFile(const CString& path, const BYTE* key);
    static CString ImagePath(const wchar_t* name);
    static CString ImageKey(const CString& path);
    SkinImage* FindImage(const wchar_t* name);

    CLock m_lock;
    CString m_folder;
    std::map<CString, SkinImage*> m_images;
    std::map<CString, Gdiplus::Font*> m_fonts;
    std::map<CString, HFONT> m_hfonts;
};

// A font of `size` points from the first of `families` that exists, else
// from the first installed family with the default character set.
Gdiplus::Font* CreateFontWithFallback(const wchar_t* const families[3], float size);

} // namespace SkinControl
