// A folder of the benchmark's own under the temporary one, removed with
// everything in it.
#pragma once
#include "framework/CString.h"

#include <windows.h>
#include <shellapi.h>

namespace Bench
{
class TempFolder
{
public:
    explicit TempFolder(const wchar_t* name)
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path.Format(L"%s%s_%u", temp, name, GetCurrentProcessId());
        CreateDirectoryW(path, nullptr);
    }
    ~TempFolder()
    {
        std::wstring from = path.str();
        from.push_back(L'\0');
        SHFILEOPSTRUCTW op = {};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_NO_UI;
        SHFileOperationW(&op);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    CString File(const wchar_t* name) const { return path + L"\\" + name; }

    CString path;
};
} // namespace Bench
