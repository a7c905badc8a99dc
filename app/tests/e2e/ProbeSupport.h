// What the end-to-end probes share: starting the real program, finding its
// window, reading its database, screenshots and WM_COPYDATA.
#pragma once

#include "core/AppDatabase.h"
#include "framework/tests/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

namespace Probe
{
const wchar_t* const kClass = L"{08703010-8C30-4a34-80FC-BE0223759A7B}_Quorventile";

inline std::wstring Env(const wchar_t* name)
{
    wchar_t value[1024] = {};
    DWORD n = GetEnvironmentVariableW(name, value, 1024);
    return n > 0 && n < 1024 ? value : L"";
}

using TestSupport::WaitFor;

struct Program {
    PROCESS_INFORMATION process = {};
    bool Start(const std::wstring& arguments = L"")
    {
        std::wstring path = Env(L"QV_E2E_PROGRAM");
        std::wstring commandLine = L"\"" + path + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        return CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &process) != 0;
    }
    // Waits for the process to end; false when it is still running.
    bool WaitExit(DWORD timeoutMs, DWORD* exitCode = nullptr)
    {
        if (!process.hProcess)
            return true;
        if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0)
            return false;
        if (exitCode)
            GetExitCodeProcess(process.hProcess, exitCode);
        Close();
        return true;
    }
    void Close()
    {
        if (process.hProcess) {
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
        process = {};
    }
    // Test clean-up only: a program that did not end on WM_CLOSE.
    void Kill()
    {
        if (process.hProcess && WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, 5000);
        }
        Close();
    }
};

inline HWND MainWindow()
{
    return FindWindowW(kClass, L"Velmora");
}

inline HWND WaitForMainWindow()
{
    HWND window = nullptr;
    WaitFor([&] { return (window = MainWindow()) != nullptr && IsWindowVisible(window); });
    return window;
}

inline std::wstring DatabasePath()
{
    wchar_t appData[MAX_PATH];
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
    return std::wstring(appData) + L"\\Quorventile\\AppData.db";
}

// Settings rows straight from the file, with the database closed again.
inline CString ReadSetting(const wchar_t* name)
{
    SetAppDatabasePath(DatabasePath().c_str());
    OpenAppDatabase();
    CString value = GetConfigString(name, L"<missing>");
    CloseAppDatabase();
    return value;
}

inline void WriteSetting(const wchar_t* name, const wchar_t* value)
{
    SetAppDatabasePath(DatabasePath().c_str());
    OpenAppDatabase();
    SetConfigString(name, value);
    CloseAppDatabase();
}

inline RECT WindowRect(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

// Saves the window as a 24-bit BMP from the screen; the script turns it into
// a PNG next to the test's other artefacts.
inline bool SaveScreenshot(HWND window, const std::wstring& path)
{
    RECT rect = WindowRect(window);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    DWORD stride = (width * 3 + 3) & ~3u, imageSize = stride * height;
    BITMAPFILEHEADER header = {
        0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + imageSize), 0, 0,
        sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    bool saved = false;
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (file) {
        saved = fwrite(&header, sizeof(header), 1, file) == 1 &&
                fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, file) == 1 &&
                fwrite(bits, imageSize, 1, file) == 1;
        fclose(file);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

inline LRESULT SendCopyData(HWND window, ULONG_PTR kind, const void* data, DWORD bytes)
{
    COPYDATASTRUCT copy = {kind, bytes, const_cast<void*>(data)};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy), SMTO_ABORTIFHUNG, 5000,
                        &result);
    return static_cast<LRESULT>(result);
}

class ProgramTest : public ::testing::Test
{
protected:
    inline static Program program;
    static void TearDownTestSuite() { program.Kill(); }

    // The program running with its window shown, started when needed.
    static HWND Running()
    {
        HWND window = MainWindow();
        if (window && program.process.hProcess)
            return window;
        EXPECT_TRUE(program.Start());
        return WaitForMainWindow();
    }
    static bool CloseProgram()
    {
        HWND window = MainWindow();
        if (window)
            PostMessageW(window, WM_CLOSE, 0, 0);
        return program.WaitExit(15000);
    }
};
} // namespace Probe
