#include "framework/MessageBox.h"

#include <string>

namespace
{
std::wstring& AppName()
{
    static std::wstring name = L"Velmora";
    return name;
}
} // namespace

void AfxSetAppName(const wchar_t* name)
{
    AppName() = name ? name : L"";
}

int AfxMessageBox(const wchar_t* text, UINT type)
{
    HWND owner = GetActiveWindow();
    return MessageBoxW(owner, text, AppName().c_str(), type | MB_SETFOREGROUND);
}
