// A program for the end-to-end tests to start through a quick link: it
// writes its command line and working folder, one per line in UTF-16, to the
// file named by its first argument (whole: written beside it, then renamed).
#include <windows.h>
#include <shellapi.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2)
        return 1;
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    std::wstring text = std::wstring(GetCommandLineW()) + L"\n" + folder + L"\n";
    const std::wstring target = argv[1], part = target + L".part";
    LocalFree(argv);
    HANDLE file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 2;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    return MoveFileExW(part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 3;
}
