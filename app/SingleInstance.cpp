#include "app/SingleInstance.h"

#include "app/AppCopyData.h"

const wchar_t* const SingleInstanceMutexName = L"__{08703010-8C30-4a34-80FC-BE0223759A7B}__Quorventile";
const wchar_t* const MainWindowClassName = L"{08703010-8C30-4a34-80FC-BE0223759A7B}_Quorventile";
const wchar_t* const MainWindowTitle = L"Velmora";

CSingleInstanceMutex::Result CSingleInstanceMutex::Create()
{
    if (handle_)
        return Result::Created;
    // A NULL DACL lets an elevated and a normal instance see each other.
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), &descriptor, TRUE};

    HANDLE handle = CreateMutexW(&attributes, FALSE, name_);
    DWORD error = GetLastError();
    if (handle && error == ERROR_ALREADY_EXISTS) {
        CloseHandle(handle);
        return Result::AlreadyRunning;
    }
    if (!handle)
        return error == ERROR_ACCESS_DENIED ? Result::AlreadyRunning : Result::Failed;
    handle_ = handle;
    return Result::Created;
}

void CSingleInstanceMutex::Close()
{
    if (handle_) {
        CloseHandle(handle_);
        handle_ = nullptr;
    }
}

bool CSingleInstanceMutex::Exists(const wchar_t* name)
{
    HANDLE handle = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, name);
    if (!handle)
        return GetLastError() == ERROR_ACCESS_DENIED;
    CloseHandle(handle);
    return true;
}

bool CSingleInstanceMutex::WaitUntilGone(int rounds, const wchar_t* name)
{
    for (int i = 0; i < rounds; ++i) {
        if (!Exists(name))
            return true;
        Sleep(10);
    }
    return !Exists(name);
}

bool ActivateRunningInstance()
{
    HWND window = FindWindowW(MainWindowClassName, MainWindowTitle);
    if (!window)
        return false;
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    BringWindowToTop(window);
    SetForegroundWindow(window);
    return true;
}

bool HandCommandToRunningInstance(const CString& commandUrl, DWORD waitMs)
{
    // The other instance may still be making its window.
    HWND window = nullptr;
    const DWORD start = GetTickCount();
    while (!(window = FindWindowW(MainWindowClassName, MainWindowTitle)) && GetTickCount() - start < waitMs)
        Sleep(50);
    if (!window)
        return false;
    COPYDATASTRUCT data = {COPYDATA_APP_COMMAND,
                           static_cast<DWORD>((commandUrl.GetLength() + 1) * sizeof(wchar_t)),
                           const_cast<wchar_t*>(commandUrl.GetString())};
    DWORD_PTR accepted = FALSE;
    return SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                               5000, &accepted) &&
           accepted;
}
