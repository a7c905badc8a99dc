// The hotkey text form shared by the hotkey edit, the settings row
// HotkeyMainWindow and the hotkey registration: "CTRL", "ALT" and a key name
// joined with " + ", as in "CTRL + 1"; "无" means no hotkey.
#pragma once

#include "framework/CString.h"

#include <windows.h>

extern const wchar_t* const NoHotkeyText;      // "无"
extern const wchar_t* const DefaultHotkeyText; // "CTRL + 1"

// With a non-empty text, sets code to the key the name stands for; with an
// empty text, sets text to the name of code.  Names are the digits, the
// capital letters and eleven punctuation keys.  Returns 0 when there is no
// such key or name.
int HotkeyKeyName(WORD& code, CString& text);

// Non-zero when the text holds "CTRL" or "ALT" and something else besides
// the modifiers and the '+' signs.
int IsValidHotkeyText(const wchar_t* text);

struct HotkeyParts {
    CString text; // upper case
    WORD keyCode = 0;
    int ctrl = 0;
    int alt = 0;
};

// Splits a hotkey text into its modifiers and key.  An empty text is the
// default hotkey.  Fails (false) for an invalid text or an unknown key name.
bool ParseHotkeyText(const wchar_t* text, HotkeyParts& parts);
