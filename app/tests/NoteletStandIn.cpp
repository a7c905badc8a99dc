// A stand-in for the message module, for the binding's tests: its exports
// append each call, with the folder and name of the copy that was loaded,
// to the file named by QV_NOTELET_LOG.  Built once with all three exports and once
// without the frame hook.
#include <windows.h>

#include <cstdio>
#include <string>

namespace
{
HMODULE g_self = nullptr;
HWND g_frame = nullptr;

void Log(const std::wstring& event)
{
    wchar_t logPath[MAX_PATH] = {}, self[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"QV_NOTELET_LOG", logPath, MAX_PATH))
        return;
    GetModuleFileNameW(g_self, self, MAX_PATH);
    // The folder and the file name: "update\\Notelet.dll".
    std::wstring path = self;
    std::wstring line = path.substr(path.rfind(L'\\', path.rfind(L'\\') - 1) + 1) + L" " + event + L"\n";
    HANDLE file = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, line.c_str(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
}
} // namespace

extern "C" int __cdecl NoteletInit(HWND frame)
{
    g_frame = frame;
    Log(L"init");
    return 1;
}

extern "C" void __cdecl NoteletUnInit()
{
    Log(L"uninit");
}

#ifndef STAND_IN_WITHOUT_FRAME_HOOK
// Logs the messages the tests look for; the frame's title shows whether the
// frame had handled WM_SETTEXT before the hook saw it.
extern "C" int __cdecl NoteletFrameWndMsg(UINT message, WPARAM, LPARAM)
{
    wchar_t text[128] = {};
    switch (message) {
    case WM_SETTEXT:
        GetWindowTextW(g_frame, text, 128);
        Log(std::wstring(L"settext ") + text);
        break;
    case WM_DESTROY:
    case 0x1401:
    case WM_APP + 7:
        swprintf(text, 128, L"message %04X", message);
        Log(text);
        break;
    }
    return 0;
}
#endif

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_self = instance;
        Log(L"attach");
    } else if (reason == DLL_PROCESS_DETACH) {
        Log(L"detach");
    }
    return TRUE;
}
