// Stands in for Quorventile.exe in the shell extension's tests.
//   (no switch)            records its command line in "commandline.txt"
//                          beside itself and ends: the start path.
//   --receiver <file>      holds the program's mutex and a window of its
//                          class and title, and writes each WM_COPYDATA it
//                          gets to <file> (dwData as 8 bytes, cbData as 4,
//                          then the data); ends on WM_CLOSE.
//   --hung                 holds the mutex and the window but never reads
//                          its messages.
#include <windows.h>

#include <string>

namespace
{
const wchar_t kMutex[] = L"__{08703010-8C30-4a34-80FC-BE0223759A7B}__Quorventile";
const wchar_t kClass[] = L"{08703010-8C30-4a34-80FC-BE0223759A7B}_Quorventile";
std::wstring g_record;

void WriteFileWhole(const std::wstring& path, const void* data, DWORD size)
{
    // Written aside and renamed, so that a reader never sees half a file.
    std::wstring partial = path + L".part";
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, data, size, &written, nullptr);
    CloseHandle(file);
    MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COPYDATA) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        std::string bytes(reinterpret_cast<const char*>(&data->dwData), 8);
        bytes.append(reinterpret_cast<const char*>(&data->cbData), 4);
        bytes.append(static_cast<const char*>(data->lpData), data->cbData);
        WriteFileWhole(g_record, bytes.data(), static_cast<DWORD>(bytes.size()));
        return TRUE;
    }
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateMainWindow()
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClass;
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, kClass, L"Velmora", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr, nullptr,
                           windowClass.hInstance, nullptr);
}
} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"--receiver" && argc > 2) {
        g_record = argv[2];
        HANDLE mutex = CreateMutexW(nullptr, FALSE, kMutex);
        if (!CreateMainWindow())
            return 2;
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0)
            DispatchMessageW(&msg);
        CloseHandle(mutex);
        return 0;
    }
    if (mode == L"--hung") {
        CreateMutexW(nullptr, FALSE, kMutex);
        CreateMainWindow();
        Sleep(INFINITE); // never reads a message; the test ends the process
        return 0;
    }
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder(self, n);
    folder.resize(folder.rfind(L'\\'));
    const wchar_t* commandLine = GetCommandLineW();
    WriteFileWhole(folder + L"\\commandline.txt", commandLine,
                   static_cast<DWORD>(wcslen(commandLine) * sizeof(wchar_t)));
    return 0;
}
