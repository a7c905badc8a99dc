// What every test program may share: waiting for a condition without ever
// hanging, and a temporary folder of the test's own.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace TestSupport
{

// Polls until the condition holds or the time runs out.
template <typename Condition> bool WaitFor(Condition condition, DWORD timeoutMs = 15000, DWORD pollMs = 10)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(pollMs);
    }
    return true;
}

// Deletes a file or a folder with everything in it.
inline void DeleteTree(const std::wstring& path)
{
    std::wstring from = path;
    from.push_back(L'\0'); // a double-zero list for the shell
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
}

// A new folder under the temporary directory, named by the prefix, the
// process and a counter; removed with everything in it.
class TempFolder
{
public:
    explicit TempFolder(const wchar_t* prefix = L"qvtest")
    {
        static LONG counter = 0;
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        path_ = std::wstring(base) + prefix + std::to_wstring(GetCurrentProcessId()) + L"_" +
                std::to_wstring(InterlockedIncrement(&counter));
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~TempFolder() { DeleteTree(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

} // namespace TestSupport
