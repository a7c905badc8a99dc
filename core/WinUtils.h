// Small Win32 helpers shared by the dialogs, the tree list, the update check
// and the shell extension.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>

// The bytes of the resource of type "XML" with this name in the module
// (null: the executable), followed by one zero byte; length receives the
// resource size.  Null with length 0 when the resource is missing or empty.
std::unique_ptr<char[]> LoadXmlResource(const wchar_t* name, DWORD* length, HMODULE module = nullptr);

// Opens the folder that holds the path in the shell with the item selected;
// false when the folder or the item can't be found or shown.
bool OpenFolderAndSelectFile(const wchar_t* path);

// SHGetFileInfoW, one call at a time in the process.  Under Wine, icons
// taken by several threads at once have come out black from the call itself
// (valid handles whose pixels are all black), and such calls have hung.
DWORD_PTR ShellFileInfo(const wchar_t* path, DWORD attributes, SHFILEINFOW& info, UINT flags);

bool IsVistaOrLater();

// True when the process token is elevated.  A failing token query reads as
// not elevated: callers run on the UI thread, where an exception would end
// the program.
bool IsProcessElevated();

// Lets WM_COPYDATA from lower-integrity processes (the shell extension in
// Explorer) reach the window; nonzero on success, 0 where the filter
// functions don't exist.
BOOL AllowCopyDataMessage(HWND window);
