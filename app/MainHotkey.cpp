#include "app/MainHotkey.h"

#include "app/HotkeyText.h"

const wchar_t* const MainHotkeyAtomName = L"{8067448C-ED14-4374-9CD8-D566DC767CC3}";

MainHotkeyRecord MainHotkey;

namespace
{

// Holds a reference to the id's atom while the hotkey stays registered.
bool RegisterParts(HWND window, const HotkeyParts& parts)
{
    ATOM id = GlobalAddAtomW(MainHotkeyAtomName);
    UINT modifiers = (parts.ctrl ? MOD_CONTROL : 0) | (parts.alt ? MOD_ALT : 0);
    if (!RegisterHotKey(window, id, modifiers, parts.keyCode)) {
        GlobalDeleteAtom(id);
        return false;
    }
    MainHotkey.text = parts.text;
    MainHotkey.keyCode = parts.keyCode;
    MainHotkey.ctrl = parts.ctrl;
    MainHotkey.alt = parts.alt;
    return true;
}

} // namespace

int RegisterMainHotkey(HWND window, const wchar_t* text)
{
    HotkeyParts wanted;
    if (!ParseHotkeyText(text, wanted))
        return 0;

    HotkeyParts previous;
    previous.text = MainHotkey.text;
    previous.keyCode = MainHotkey.keyCode;
    previous.ctrl = MainHotkey.ctrl;
    previous.alt = MainHotkey.alt;

    // One id serves the window, so the old combination goes first.
    UnregisterMainHotkey(window);
    if (RegisterParts(window, wanted))
        return 1;
    // Taken by another program: keep the one the user had.
    if (previous.keyCode != 0)
        RegisterParts(window, previous);
    return 0;
}

void UnregisterMainHotkey(HWND window)
{
    ATOM id = GlobalFindAtomW(MainHotkeyAtomName);
    if (id) {
        UnregisterHotKey(window, id);
        // The registration held one reference to the atom.
        if (MainHotkey.keyCode != 0)
            GlobalDeleteAtom(id);
    }
    MainHotkey = MainHotkeyRecord();
}

bool MatchesMainHotkey(UINT modifiers, UINT keyCode)
{
    if (MainHotkey.keyCode == 0 || keyCode != MainHotkey.keyCode)
        return false;
    if (MainHotkey.ctrl && !(modifiers & MOD_CONTROL))
        return false;
    if (MainHotkey.alt && !(modifiers & MOD_ALT))
        return false;
    return true;
}

void ToggleMainWindow(HWND window)
{
    if (IsIconic(window)) {
        ShowWindow(window, SW_SHOW);
        SendMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
    } else if (GetForegroundWindow() != window) {
        SetForegroundWindow(window);
    } else {
        SendMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    }
}
