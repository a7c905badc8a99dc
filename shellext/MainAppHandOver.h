// Hands the paths chosen in Explorer to the main program: as WM_COPYDATA to
// its window when it runs, else as the argument of a newly started one.
#pragma once

#include "framework/CString.h"

#include <windows.h>

#include <vector>

extern const wchar_t* const kMainAppMutexName;
extern const wchar_t* const kMainAppWindowClass;
extern const wchar_t* const kMainAppWindowTitle;
const ULONG_PTR kCopyDataAppCommand = 2025;
const UINT kCopyDataTimeoutMs = 500;

// "app://add_links_to_catalog?catalog_name=<hex>&links_count=N&link_0=<hex>..."
// with the name and the paths hex-coded (their UTF-16LE bytes as "%02X").
CString BuildAddLinksCommand(const CString& catalogName, const std::vector<CString>& paths);

// The main program's single-instance mutex exists.
bool IsMainAppRunning();
HWND FindMainAppWindow();

// Sends the command to the window: WM_COPYDATA with dwData 2025 and the
// text with its terminator, abort-if-hung, at most kCopyDataTimeoutMs.  A
// failure or time-out is returned as a failure.
HRESULT SendCommandToMainApp(HWND window, const CString& command);

// Starts "<folder>\Quorventile.exe" with the arguments, the path quoted;
// waits for its end when asked.  False (with the last error set) when the
// command line is too long for CreateProcessW or the start fails.
BOOL LaunchMainApp(const CString& moduleFolder, const CString& arguments, BOOL wait);
