#include "framework/CFile.h"

BOOL CFile::Open(const wchar_t* path, UINT flags)
{
    Close();
    DWORD access = 0;
    switch (flags & 3) {
    case modeRead:
        access = GENERIC_READ;
        break;
    case modeWrite:
        access = GENERIC_WRITE;
        break;
    default:
        access = GENERIC_READ | GENERIC_WRITE;
        break;
    }
    DWORD share = 0;
    switch (flags & 0x70) {
    case shareDenyWrite:
        share = FILE_SHARE_READ;
        break;
    case shareDenyRead:
        share = FILE_SHARE_WRITE;
        break;
    case shareDenyNone:
        share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        break;
    default: // exclusive, and compatibility mode as the framework maps it
        share = 0;
        break;
    }
    DWORD disposition = OPEN_EXISTING;
    if (flags & modeCreate)
        disposition = (flags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, (flags & modeNoInherit) ? FALSE : TRUE};
    handle_ = CreateFileW(path, access, share, &sa, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle_ != INVALID_HANDLE_VALUE;
}

bool CFile::Write(const void* data, UINT count)
{
    DWORD written = 0;
    return IsOpen() && WriteFile(handle_, data, count, &written, nullptr) && written == count;
}

UINT CFile::Read(void* data, UINT count)
{
    DWORD read = 0;
    if (!IsOpen() || !ReadFile(handle_, data, count, &read, nullptr))
        return 0;
    return read;
}

ULONGLONG CFile::GetLength() const
{
    LARGE_INTEGER size = {};
    if (!IsOpen() || !GetFileSizeEx(handle_, &size))
        return 0;
    return static_cast<ULONGLONG>(size.QuadPart);
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from)
{
    LARGE_INTEGER distance, position = {};
    distance.QuadPart = offset;
    if (!IsOpen() || !SetFilePointerEx(handle_, distance, &position, from))
        return static_cast<ULONGLONG>(-1);
    return static_cast<ULONGLONG>(position.QuadPart);
}

void CFile::Close()
{
    if (IsOpen()) {
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
}
