// One running main program per session: a named mutex that any process,
// elevated or not, may open.
#pragma once

#include "framework/CString.h"

#include <windows.h>

extern const wchar_t* const SingleInstanceMutexName;
extern const wchar_t* const MainWindowClassName;
extern const wchar_t* const MainWindowTitle; // "Velmora"

class CSingleInstanceMutex
{
public:
    enum class Result { Created, AlreadyRunning, Failed };

    explicit CSingleInstanceMutex(const wchar_t* name = SingleInstanceMutexName) : name_(name) {}
    ~CSingleInstanceMutex() { Close(); }
    CSingleInstanceMutex(const CSingleInstanceMutex&) = delete;
    CSingleInstanceMutex& operator=(const CSingleInstanceMutex&) = delete;

    // Creates the mutex with a NULL DACL.  AlreadyRunning when another
    // process holds it, also when it appeared between two starts' checks.
    Result Create();
    void Close();
    bool IsHeld() const { return handle_ != nullptr; }

    // True when some process holds the mutex.
    static bool Exists(const wchar_t* name = SingleInstanceMutexName);

    // Waits while the mutex exists, up to `rounds` checks 10 ms apart; true
    // when it is gone.
    static bool WaitUntilGone(int rounds = 60, const wchar_t* name = SingleInstanceMutexName);

private:
    const wchar_t* name_;
    HANDLE handle_ = nullptr;
};

// Brings the running instance's main window to the front, restored when
// minimised; false when no such window is found.
bool ActivateRunningInstance();

// Hands a second start's command URL to the running instance, as the shell
// extension sends it (WM_COPYDATA 2025): the extension starts the program
// when it finds none running, and two starts may race.  Waits up to waitMs
// for the running instance's window; false when none appears or it refuses.
bool HandCommandToRunningInstance(const CString& commandUrl, DWORD waitMs);
