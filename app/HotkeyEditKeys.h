// What the hotkey edit box does with a key message: the user presses a key
// combination and the box shows it in the hotkey text form.  The edit window
// applies the answer; the rules live here so that they run without one.
#pragma once

#include "framework/CString.h"

#include <windows.h>

struct HotkeyEditChange {
    bool consumed = false; // the key message ends here
    bool setText = false;  // show `text` with the caret at its end ...
    bool always = false;   // ... even when the box already shows it
    CString text;
};

// The answer to WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN or WM_SYSKEYUP with the
// virtual key `key` while the box shows `current`; other messages are left
// alone (not consumed).
HotkeyEditChange HotkeyEditKey(UINT message, WPARAM key, const CString& current);
