// Using the shell extension as Explorer and regsvr32 do, shared by its probe
// and its end-to-end test with the real program: registering the DLL, the
// shell's data object for selected files, the handler made and initialised,
// and a menu command invoked.
#pragma once

#include "shellext/QuorventileShellExt_h.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <string>
#include <vector>

namespace ShellMenuClient
{
using Microsoft::WRL::ComPtr;

// Runs a command line and returns its exit code (or the start's error).
inline DWORD Run(std::wstring commandLine)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return GetLastError();
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// "regsvr32 /s <switches> <dll>": "" registers for the machine, "/n /i:user"
// for the user, "/u" in front unregisters.
inline DWORD Regsvr32(const std::wstring& switches, const std::wstring& dll)
{
    return Run(L"regsvr32.exe /s " + switches + L" \"" + dll + L"\"");
}

// The data object the shell makes for these paths (all in one folder).
inline ComPtr<IDataObject> ShellData(const std::vector<std::wstring>& paths)
{
    std::vector<PIDLIST_ABSOLUTE> absolute;
    std::vector<PCUITEMID_CHILD> children;
    ComPtr<IShellFolder> folder;
    for (const std::wstring& p : paths) {
        PIDLIST_ABSOLUTE pidl = nullptr;
        EXPECT_EQ(SHParseDisplayName(p.c_str(), nullptr, &pidl, 0, nullptr), S_OK);
        absolute.push_back(pidl);
        PCUITEMID_CHILD child = nullptr;
        folder.Reset();
        EXPECT_EQ(
            SHBindToParent(pidl, IID_IShellFolder, reinterpret_cast<void**>(folder.GetAddressOf()), &child),
            S_OK);
        children.push_back(child);
    }
    ComPtr<IDataObject> data;
    if (folder) {
        EXPECT_EQ(folder->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()), children.data(),
                                        IID_IDataObject, nullptr,
                                        reinterpret_cast<void**>(data.GetAddressOf())),
                  S_OK);
    }
    for (PIDLIST_ABSOLUTE pidl : absolute)
        CoTaskMemFree(pidl);
    return data;
}

// The handler initialised with the data, as its context-menu interface.
inline ComPtr<IContextMenu3> Initialized(IShellExtInit* init, IDataObject* data, HRESULT expected = S_OK)
{
    ComPtr<IContextMenu3> menu;
    if (!init)
        return menu;
    EXPECT_EQ(init->Initialize(nullptr, data, nullptr), expected);
    init->QueryInterface(IID_IContextMenu3, reinterpret_cast<void**>(menu.GetAddressOf()));
    return menu;
}

// A handler made as Explorer makes it, initialised with the data.
inline ComPtr<IContextMenu3> Handler(IDataObject* data, HRESULT expected = S_OK)
{
    ComPtr<IShellExtInit> init;
    EXPECT_EQ(CoCreateInstance(CLSID_QuorventileShellExtension, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IShellExtInit, reinterpret_cast<void**>(init.GetAddressOf())),
              S_OK);
    return Initialized(init.Get(), data, expected);
}

// The command at this offset from the menu's first id, as Explorer invokes it.
inline HRESULT Invoke(IContextMenu3* handler, UINT index)
{
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof(info);
    info.lpVerb = MAKEINTRESOURCEA(index);
    info.nShow = SW_SHOWNORMAL;
    return handler->InvokeCommand(&info);
}
} // namespace ShellMenuClient
