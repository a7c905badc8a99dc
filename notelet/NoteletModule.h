// The message module's three exports and the state it keeps between
// NoteletInit and NoteletUnInit, all on the main program's UI thread.
#pragma once

#include <windows.h>

extern "C" {
// Starts the module on the main frame; returns 1, also when started already.
int __cdecl NoteletInit(HWND frame);
// Stops the module; nothing when it is not started.
void __cdecl NoteletUnInit();
// Every message of the main frame, after the frame handled it.
int __cdecl NoteletFrameWndMsg(UINT message, WPARAM wParam, LPARAM lParam);
}
