#include "shellext/MainAppHandOver.h"

#include "core/CommandUrl.h"

#include <string>

const wchar_t* const kMainAppMutexName = L"__{08703010-8C30-4a34-80FC-BE0223759A7B}__Quorventile";
const wchar_t* const kMainAppWindowClass = L"{08703010-8C30-4a34-80FC-BE0223759A7B}_Quorventile";
const wchar_t* const kMainAppWindowTitle = L"Velmora";

namespace
{

// CreateProcessW's limit, the terminator included.
const size_t kMaxCommandLine = 32767;

CString HexOf(const CString& text)
{
    CString hex;
    HexEncodeString(hex, reinterpret_cast<const unsigned char*>(text.GetString()),
                    text.GetLength() * static_cast<int>(sizeof(wchar_t)));
    return hex;
}

} // namespace

CString BuildAddLinksCommand(const CString& catalogName, const std::vector<CString>& paths)
{
    CCommandUrl url(InitUrlString(L"app://add_links_to_catalog"));
    url.Set(L"catalog_name", HexOf(catalogName));
    url.SetInt(L"links_count", static_cast<int>(paths.size()));
    for (size_t i = 0; i < paths.size(); ++i) {
        CString key;
        key.Format(L"link_%d", static_cast<int>(i));
        url.Set(key, HexOf(paths[i]));
    }
    return url.Text();
}

bool IsMainAppRunning()
{
    HANDLE mutex = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kMainAppMutexName);
    if (!mutex)
        return false;
    CloseHandle(mutex);
    return true;
}

HWND FindMainAppWindow()
{
    return FindWindowW(kMainAppWindowClass, kMainAppWindowTitle);
}

HRESULT SendCommandToMainApp(HWND window, const CString& command)
{
    COPYDATASTRUCT data = {};
    data.dwData = kCopyDataAppCommand;
    data.cbData = static_cast<DWORD>((command.GetLength() + 1) * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(command.GetString());
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(window, WM_COPYDATA, reinterpret_cast<WPARAM>(window), reinterpret_cast<LPARAM>(&data),
                            SMTO_ABORTIFHUNG, kCopyDataTimeoutMs, &result))
        return S_OK;
    DWORD error = GetLastError();
    return HRESULT_FROM_WIN32(error ? error : ERROR_TIMEOUT);
}

BOOL LaunchMainApp(const CString& moduleFolder, const CString& arguments, BOOL wait)
{
    // Quoted: under "C:\Program Files" an unquoted path would start
    // "C:\Program.exe" when there is one.
    std::wstring commandLine = L"\"" + moduleFolder.str() + L"\\Quorventile.exe\" " + arguments.str();
    if (commandLine.size() + 1 > kMaxCommandLine) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return FALSE;
    if (wait)
        WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return TRUE;
}
