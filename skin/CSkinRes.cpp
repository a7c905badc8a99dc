#include "skin/CSkinRes.h"

#include "skin/SkinDrawSupport.h"

#include <memory>

namespace SkinControl
{

namespace
{

// LOGFONTW of a GDI+ font as the screen would render it.
Gdiplus::Status ScreenLogFont(Gdiplus::Font* font, LOGFONTW* logFont)
{
    HDC screen = ::GetDC(nullptr);
    Gdiplus::Status status;
    {
        Gdiplus::Graphics graphics(screen);
        status = font->GetLogFontW(&graphics, logFont);
    }
    ::ReleaseDC(nullptr, screen);
    return status;
}

} // namespace

CSkinRes::~CSkinRes()
{
    FreeAll();
}

CSkinRes& CSkinRes::Global()
{
    static CSkinRes store;
    return store;
}

void CSkinRes::SetSkinFolder(const wchar_t* folder)
{
    CSkinRes& store = Global();
    CScopedLock lock(store.m_lock);
    store.m_folder = folder;
}

CString CSkinRes::GetSkinFolder()
{
    CSkinRes& store = Global();
    CScopedLock lock(store.m_lock);
    return store.m_folder;
}

CString CSkinRes::ImagePath(const wchar_t* name)
{
    // The name is trimmed before it is joined, so blanks around it neither
    // reach the file system nor split the cache key.
    CString trimmed(name);
    trimmed.Trim();
    CString path;
    path.Format(L"%s\\%s", Global().m_folder, trimmed);
    return path;
}

CString CSkinRes::ImageKey(const CString& path)
{
    CString key(path);
    key.Trim();
    key.MakeLower();
    return key;
}

int CSkinRes::LoadImage(const wchar_t* name)
{
    CSkinRes& store = Global();
    CScopedLock lock(store.m_lock);
    if (store.m_folder.IsEmpty() || !name)
        return 0;
    return store.LoadImageFile(ImagePath(name), nullptr);
}

int CSkinRes::LoadRadioButtonImage()
{
    static const BYTE black[3] = {0, 0, 0};
    CSkinRes& store = Global();
    CScopedLock lock(store.m_lock);
    if (store.m_folder.IsEmpty())
        return 0;
    return store.LoadImageFile(ImagePath(L"radiobutton.bmp"), black);
}

int CSkinRes::LoadImageFile(const CString& path, const BYTE* key)
{
    CScopedLock lock(m_lock);
    const CString imageKey = ImageKey(path);
    if (m_images.count(imageKey))
        return 0;
    Gdiplus::Bitmap* bitmap = LoadImageFromFile(path);
    if (!bitmap)
        return 0;
    if (bitmap->GetLastStatus() != Gdiplus::Ok) {
        delete bitmap;
        return 0;
    }
    auto* image = new SkinImage;
    image->bitmap = bitmap;
    if (key)
        image->hbitmap = BitmapToHBITMAPKeyed(bitmap, 0xFF000000u | (key[0] << 16) | (key[1] << 8) | key[2]);
    else
        image->hbitmap = BitmapToHBITMAP(bitmap);
    m_images[imageKey] = image;
    return 1;
}

SkinImage* CSkinRes::FindImage(const wchar_t* name)
{
    if (m_folder.IsEmpty() || !name)
        return nullptr;
    auto it = m_images.find(ImageKey(ImagePath(name)));
    return it == m_images.end() ? nullptr : it->second;
}

Gdiplus::Bitmap* CSkinRes::GetImage(const wchar_t* name)
{
    CSkinRes& store = Global();
    CScopedLock lock(store.m_lock);
    SkinImage* image = store.FindImage(name);
    return image ? image->bitmap : nullptr;
}

HBITMAP CSkinRes::GetBitmap(const wchar_t* name)
{
    CSkinRes& store = Global();
    CScopedLock lock(store.m_lock);
    SkinImage* image = store.FindImage(name);
    return image ? image->hbitmap : nullptr;
}

Gdiplus::Font* CSkinRes::AddFont(const wchar_t* name, const wchar_t* const families[3], float size)
{
    CSkinRes& store = Global();
    CScopedLock lock(store.m_lock);
    auto found = store.m_fonts.find(name);
    if (found != store.m_fonts.end())
        return found->second;
    Gdiplus::Font* font = CreateFontWithFallback(families, size);
    if (!font)
        return nullptr;
    store.m_fonts[name] = font;
    LOGFONTW logFont = {};
    if (ScreenLogFont(font, &logFont) == Gdiplus::Ok) {
        if (HFONT hfont = ::CreateFontIndirectW(&logFont))
            store.m_hfonts[name] = hfont;
    }
    return font;
}

HFONT CSkinRes::GetFont(const wchar_t* name)
{
    CSkinRes& store = Global();
    CScopedLock lock(store.m_lock);
    auto it = store.m_hfonts.find(name);
    return it == store.m_hfonts.end() ? nullptr : it->second;
}

void CSkinRes::FreeAll()
{
    CScopedLock lock(m_lock);
    // After GDI+ has shut down its objects can no longer be deleted; the
    // process is ending then and they are left to it.
    const bool gdiplusRunning = IsGdiplusRunning();
    for (auto& entry : m_images) {
        if (gdiplusRunning)
            delete entry.second->bitmap;
        if (entry.second->hbitmap)
            ::DeleteObject(entry.second->hbitmap);
        delete entry.second;
    }
    if (gdiplusRunning) {
        for (auto& entry : m_fonts)
            delete entry.second;
    }
    for (auto& entry : m_hfonts)
        ::DeleteObject(entry.second);
    m_images.clear();
    m_fonts.clear();
    m_hfonts.clear();
}

Gdiplus::Font* CreateFontWithFallback(const wchar_t* const families[3], float size)
{
    for (int i = 0; i < 3; ++i) {
        if (!families || !families[i])
            continue;
        Gdiplus::FontFamily family(families[i]);
        if (family.GetLastStatus() != Gdiplus::Ok)
            continue;
        Gdiplus::Font font(&family, size, Gdiplus::FontStyleRegular, Gdiplus::UnitPoint);
        if (font.GetLastStatus() != Gdiplus::Ok)
            continue;
        Gdiplus::Font* clone = font.Clone();
        if (clone && clone->GetLastStatus() == Gdiplus::Ok)
            return clone;
        delete clone;
    }

    Gdiplus::InstalledFontCollection installed;
    const INT count = installed.GetFamilyCount();
    if (count <= 0)
        return nullptr;
    std::unique_ptr<Gdiplus::FontFamily[]> list(new Gdiplus::FontFamily[count]);
    INT found = 0;
    if (installed.GetFamilies(count, list.get(), &found) != Gdiplus::Ok)
        return nullptr;
    for (INT i = 0; i < found; ++i) {
        Gdiplus::Font font(&list[i], size, Gdiplus::FontStyleRegular, Gdiplus::UnitPoint);
        LOGFONTW logFont = {};
        if (font.GetLastStatus() != Gdiplus::Ok || ScreenLogFont(&font, &logFont) != Gdiplus::Ok ||
            logFont.lfCharSet != DEFAULT_CHARSET)
            continue;
        Gdiplus::Font* clone = font.Clone();
        if (clone && clone->GetLastStatus() == Gdiplus::Ok)
            return clone;
        delete clone;
    }
    return nullptr;
}

} // namespace SkinControl
