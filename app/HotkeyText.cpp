#include "app/HotkeyText.h"

const wchar_t* const NoHotkeyText = L"无";
const wchar_t* const DefaultHotkeyText = L"CTRL + 1";

namespace
{

struct NamedKey {
    WORD code;
    const wchar_t* name;
};

const NamedKey PunctuationKeys[] = {
    {VK_OEM_1, L";"},      {VK_OEM_PLUS, L"="}, {VK_OEM_COMMA, L","}, {VK_OEM_MINUS, L"-"},
    {VK_OEM_PERIOD, L"."}, {VK_OEM_2, L"/"},    {VK_OEM_3, L"~"},     {VK_OEM_4, L"["},
    {VK_OEM_5, L"\\"},     {VK_OEM_6, L"]"},    {VK_OEM_7, L"\""},
};

bool IsDigitOrCapital(unsigned c)
{
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z');
}

} // namespace

int HotkeyKeyName(WORD& code, CString& text)
{
    if (!text.IsEmpty()) {
        // A digit or letter name is that one character alone: "F1" must not
        // read as the key F.
        if (text.GetLength() == 1 && IsDigitOrCapital(text[0])) {
            code = static_cast<WORD>(text[0]);
            return 1;
        }
        for (const NamedKey& key : PunctuationKeys) {
            if (text.CompareNoCase(key.name) == 0) {
                code = key.code;
                return 1;
            }
        }
        return 0;
    }
    if (IsDigitOrCapital(code)) {
        text = CString(static_cast<wchar_t>(code));
        return 1;
    }
    for (const NamedKey& key : PunctuationKeys) {
        if (key.code == code) {
            text = key.name;
            return 1;
        }
    }
    return 0;
}

int IsValidHotkeyText(const wchar_t* text)
{
    CString rest(text);
    rest.MakeUpper();
    bool ctrl = rest.Find(L"CTRL") >= 0;
    bool alt = rest.Find(L"ALT") >= 0;
    rest.Replace(L"+", L"");
    rest.Replace(L"CTRL", L"");
    rest.Replace(L"ALT", L"");
    rest.Trim();
    return !rest.IsEmpty() && (ctrl || alt);
}

bool ParseHotkeyText(const wchar_t* text, HotkeyParts& parts)
{
    CString upper(text);
    upper.MakeUpper();
    if (upper.IsEmpty())
        upper = DefaultHotkeyText;
    if (!IsValidHotkeyText(upper))
        return false;
    int plus = upper.ReverseFind(L'+');
    if (plus < 0)
        return false;
    CString name = upper.Mid(plus + 1);
    name.Trim();
    WORD code = 0;
    if (!HotkeyKeyName(code, name))
        return false;
    parts.text = upper;
    parts.keyCode = code;
    parts.ctrl = upper.Find(L"CTRL") >= 0;
    parts.alt = upper.Find(L"ALT") >= 0;
    return true;
}
