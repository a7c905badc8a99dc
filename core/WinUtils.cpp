#include "core/WinUtils.h"

#include "core/Lock.h"
#include "framework/CString.h"

#include <cstring>
#include <shlobj.h>

std::unique_ptr<char[]> LoadXmlResource(const wchar_t* name, DWORD* length, HMODULE module)
{
    if (length)
        *length = 0;
    if (!name)
        return nullptr;
    HRSRC resource = FindResourceW(module, name, L"XML");
    DWORD size = resource ? SizeofResource(module, resource) : 0;
    HGLOBAL loaded = size ? LoadResource(module, resource) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        return nullptr;
    std::unique_ptr<char[]> buffer(new char[size + 1]);
    std::memcpy(buffer.get(), bytes, size);
    buffer[size] = 0;
    if (length)
        *length = size;
    return buffer;
}

namespace
{

// GetProcAddress's result as the function type it really has.
template <typename Function> Function GetProc(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Balances CoInitialize on the calling thread, also when COM was already
// started there in another mode (then it is left alone).
class ComScope
{
public:
    ComScope() : initialized(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComScope()
    {
        if (initialized)
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialized;
};

// An ID list owned by this object and freed with CoTaskMemFree.
struct ItemIdList {
    PIDLIST_RELATIVE pidl = nullptr;
    ~ItemIdList() { CoTaskMemFree(pidl); }
};

bool ParseName(IShellFolder* desktop, const CString& name, ItemIdList& list)
{
    return SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, const_cast<wchar_t*>(name.GetString()),
                                               nullptr, &list.pidl, nullptr));
}

} // namespace

bool OpenFolderAndSelectFile(const wchar_t* path)
{
    if (!path || !*path)
        return false; // nothing to select; the shell would show the desktop
    CString file = path;
    CString folder = file.Left(file.ReverseFind(L'\\') + 1);
    ComScope com;
    IShellFolder* desktop = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop)) || !desktop)
        return false;
    bool opened = false;
    ItemIdList folderList, itemList;
    if (ParseName(desktop, folder, folderList) && ParseName(desktop, file, itemList)) {
        PCUITEMID_CHILD item = reinterpret_cast<PCUITEMID_CHILD>(itemList.pidl);
        opened = SUCCEEDED(
            SHOpenFolderAndSelectItems(reinterpret_cast<PCIDLIST_ABSOLUTE>(folderList.pidl), 1, &item, 0));
    }
    desktop->Release();
    return opened;
}

DWORD_PTR ShellFileInfo(const wchar_t* path, DWORD attributes, SHFILEINFOW& info, UINT flags)
{
    // Never destroyed: a worker abandoned at exit may still be inside a call.
    static CLock* const lock = new CLock;
    CScopedLock held(lock);
    return SHGetFileInfoW(path, attributes, &info, sizeof info, flags);
}

bool IsVistaOrLater()
{
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    return GetVersionExW(&info) && info.dwMajorVersion > 5;
}

bool IsProcessElevated()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    bool ok = GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size);
    CloseHandle(token);
    return ok && elevation.TokenIsElevated != 0;
}

BOOL AllowCopyDataMessage(HWND window)
{
    typedef BOOL(WINAPI * FilterEx)(HWND, UINT, DWORD, void*);
    typedef BOOL(WINAPI * Filter)(UINT, DWORD);
    HMODULE user32 = LoadLibraryW(L"user32.dll");
    if (!user32)
        return FALSE;
    BOOL result = FALSE;
    if (auto filterEx = GetProc<FilterEx>(user32, "ChangeWindowMessageFilterEx"))
        result = filterEx(window, WM_COPYDATA, 1 /* MSGFLT_ALLOW */, nullptr);
    else if (auto filter = GetProc<Filter>(user32, "ChangeWindowMessageFilter"))
        result = filter(WM_COPYDATA, 1 /* MSGFLT_ADD */);
    FreeLibrary(user32);
    return result;
}
