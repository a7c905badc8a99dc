#include "app/AutoRun.h"

#include <windows.h>

const wchar_t* const AutoRunKeyPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t* const AutoRunValueName = L"Quorventile";

namespace
{

HKEY OpenRunKey(REGSAM access)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, AutoRunKeyPath, 0, access, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

void DeleteRunValue()
{
    HKEY key = OpenRunKey(KEY_SET_VALUE);
    if (!key)
        return;
    RegDeleteValueW(key, AutoRunValueName);
    RegCloseKey(key);
}

} // namespace

CString ReadAutoRunPath()
{
    HKEY key = OpenRunKey(KEY_QUERY_VALUE);
    if (!key)
        return CString();
    // One spare character: the stored data need not end in a terminator.
    wchar_t path[261] = {};
    DWORD type = 0;
    DWORD size = 260 * sizeof(wchar_t);
    LONG result =
        RegQueryValueExW(key, AutoRunValueName, nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return CString();
    path[size / sizeof(wchar_t)] = L'\0';
    return CString(path);
}

int IsAutoRunRegistered()
{
    CString path = ReadAutoRunPath();
    return !path.IsEmpty() && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

void SetAutoRunRegistered(int registered)
{
    if (!registered) {
        DeleteRunValue();
        return;
    }
    wchar_t path[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH)
        return;
    HKEY key = OpenRunKey(KEY_SET_VALUE);
    if (!key)
        return;
    RegSetValueExW(key, AutoRunValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                   (length + 1) * sizeof(wchar_t));
    RegCloseKey(key);
}

void ReconcileAutoRun(int autoRunSetting)
{
    bool registered = IsAutoRunRegistered() != 0;
    if (registered && autoRunSetting == 0)
        DeleteRunValue();
    else if (!registered && autoRunSetting != 0)
        SetAutoRunRegistered(1);
}
