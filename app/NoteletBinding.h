// The message module Notelet, loaded at run time: where it was loaded from
// and its three entry points.  The program runs normally without it.
#pragma once

#include <windows.h>

// The module's exports: plain C functions, the caller cleans the stack.
using NoteletInitFn = int(__cdecl*)(HWND frame);
using NoteletUnInitFn = void(__cdecl*)();
using NoteletFrameWndMsgFn = int(__cdecl*)(UINT message, WPARAM wParam, LPARAM lParam);

struct NoteletBindingRecord {
    NoteletBindingRecord() = default;
    NoteletBindingRecord(const NoteletBindingRecord&) = delete;
    NoteletBindingRecord& operator=(const NoteletBindingRecord&) = delete;
    // At process exit a module still bound is only freed.
    ~NoteletBindingRecord();

    HMODULE module = nullptr;
    wchar_t path[MAX_PATH] = {};
    NoteletInitFn init = nullptr;
    NoteletUnInitFn unInit = nullptr;
    NoteletFrameWndMsgFn frameWndMsg = nullptr;
};

extern NoteletBindingRecord NoteletBinding;

// 1 when a module is bound: the one bound already, or the one at path with
// all three exports.  A module that lacks one is freed again.
int BindNoteletModule(NoteletBindingRecord& record, const wchar_t* path);
// Frees the library and clears the record.
void ResetNoteletModuleRecord(NoteletBindingRecord& record);

// Binds the module from the setting NoteletDllPath, else the program
// folder's Notelet.dll, and starts it on the frame.  The update folder's
// copy was verified before it was swapped in (CMainFrame::OnNoteletUpdated);
// a newer module advertised since then does not make it any less good.
void LoadNoteletModule(HWND frame);
// Stops the module and frees it.
void UnloadNoteletModule();
