// The global hotkey that shows or hides the main window.
#pragma once

#include "framework/CString.h"

#include <windows.h>

extern const wchar_t* const MainHotkeyAtomName; // its global atom is the hotkey id

// The hotkey registered last; text "无" and key 0 when none is.
struct MainHotkeyRecord {
    CString text = L"无";
    WORD keyCode = 0;
    int ctrl = 0;
    int alt = 0;
};

extern MainHotkeyRecord MainHotkey;

// Registers the hotkey text (upper-cased; empty is the default "CTRL + 1")
// for `window`.  Returns non-zero on success.  An invalid text changes
// nothing; when the system refuses the new combination, the previous hotkey
// is registered again and stays in the record.
int RegisterMainHotkey(HWND window, const wchar_t* text);

// Releases the hotkey of `window` and empties the record.
void UnregisterMainHotkey(HWND window);

// True when a WM_HOTKEY with these modifiers (MOD_*) and key is the
// recorded hotkey; extra modifiers don't matter.
bool MatchesMainHotkey(UINT modifiers, UINT keyCode);

// The hotkey's action: a minimised window is restored, a background window
// comes to the front, a foreground window is minimised.
void ToggleMainWindow(HWND window);
