// Drawing pieces shared by the item routines: the menu font, mnemonic text,
// and the Marlett glyphs for check marks and system commands.
#pragma once

#include "framework/CString.h"

#include <windows.h>

class CDC;

namespace SkinControl::NewMenu
{

// lfMenuFont of the non-client metrics.
LOGFONTW GetMenuFont();

// Draws `text` with "&" mnemonics (underlined; "&&" is one "&"), placed as
// DT_VCENTER asks for the font's escapement.
void DrawMenuText(const CString& text, HDC dc, const RECT& rect, UINT format);

// One Marlett character centred in `rect` shrunk by 2, its height the cell's.
void DrawMarlettGlyph(const RECT& rect, wchar_t glyph, BOOL bold, CDC* dc);
void DrawCheckGlyph(const RECT& rect, wchar_t glyph, UINT itemState, CDC* dc);
// The Marlett character of a system command, or 0.
wchar_t SysCommandGlyph(UINT_PTR id);
void DrawSysCommandGlyph(const RECT& rect, UINT_PTR id, UINT itemState, CDC* dc);

// A font that is deleted with its owner.
class CMenuFont
{
public:
    explicit CMenuFont(const LOGFONTW& font) : m_font(::CreateFontIndirectW(&font)) {}
    ~CMenuFont()
    {
        if (m_font)
            ::DeleteObject(m_font);
    }
    CMenuFont(const CMenuFont&) = delete;
    CMenuFont& operator=(const CMenuFont&) = delete;
    operator HFONT() const { return m_font; }

private:
    HFONT m_font;
};

} // namespace SkinControl::NewMenu
