#include "app/HotkeyEditKeys.h"

#include "app/HotkeyText.h"

namespace
{

HotkeyEditChange Show(const CString& text)
{
    HotkeyEditChange change;
    change.consumed = true;
    change.setText = true;
    change.text = text;
    return change;
}

HotkeyEditChange Consume()
{
    HotkeyEditChange change;
    change.consumed = true;
    return change;
}

// A key other than a modifier: the key name joins the modifiers already
// shown, or the given single modifier when none are.
HotkeyEditChange AddKey(WPARAM key, const CString& current, const wchar_t* modifierFormat)
{
    WORD code = static_cast<WORD>(key);
    CString name;
    if (!HotkeyKeyName(code, name))
        return Show(NoHotkeyText);
    CString text;
    if (current.IsEmpty() || current == NoHotkeyText) {
        text.Format(modifierFormat, name);
    } else {
        int plus = current.ReverseFind(L'+');
        if (plus < 0)
            return Show(NoHotkeyText);
        text.Format(L"%s %s", current.Left(plus + 1), name);
    }
    return Show(text);
}

// Releasing the modifier leaves a complete hotkey or none.
HotkeyEditChange ReleaseModifier(const CString& current)
{
    return IsValidHotkeyText(current) ? Consume() : Show(NoHotkeyText);
}

} // namespace

HotkeyEditChange HotkeyEditKey(UINT message, WPARAM key, const CString& current)
{
    switch (message) {
    case WM_KEYDOWN:
        if (key == VK_BACK) {
            HotkeyEditChange change = Show(NoHotkeyText);
            change.always = true;
            return change;
        }
        if (key == VK_CONTROL)
            return Show(L"CTRL + ");
        if (key == VK_MENU) // Alt pressed while Ctrl is down
            return Show(L"CTRL + ALT + ");
        return AddKey(key, current, L"CTRL + %s");
    case WM_KEYUP:
        if (key == VK_CONTROL)
            return ReleaseModifier(current);
        break;
    case WM_SYSKEYDOWN:
        if (key == VK_MENU)
            return Show(L"ALT + ");
        return AddKey(key, current, L"ALT + %s");
    case WM_SYSKEYUP:
        if (key == VK_MENU)
            return ReleaseModifier(current);
        break;
    }
    return HotkeyEditChange();
}
