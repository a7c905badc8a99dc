#include "online/VerifiedFile.h"

#include "online/Sha1Hash.h"

#include <vector>

bool CVerifiedFile::Open(const wchar_t* path, const CString& expectedSha1)
{
    Close();
    if (!path || expectedSha1.IsEmpty())
        return false;
    // Readers may share it (the loader, when the file is run or loaded);
    // writers, renames and deletes may not.
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CSha1Hash hash;
    BOOL read = hash.HashOpenFile(file);
    hash.Final();
    CString digest;
    hash.GetHashString(&digest);
    if (!read || digest != expectedSha1) {
        CloseHandle(file);
        return false;
    }
    handle_ = file;
    return true;
}

void CVerifiedFile::Close()
{
    if (handle_ != INVALID_HANDLE_VALUE) {
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
}

bool CVerifiedFile::CopyTo(const wchar_t* target) const
{
    LARGE_INTEGER start = {};
    if (!IsOpen() || !target || !SetFilePointerEx(handle_, start, nullptr, FILE_BEGIN))
        return false;
    HANDLE out = CreateFileW(target, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    std::vector<char> buffer(1 << 16);
    bool ok = true;
    for (;;) {
        DWORD read = 0, written = 0;
        if (!ReadFile(handle_, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
            ok = false;
            break;
        }
        if (read == 0)
            break;
        if (!WriteFile(out, buffer.data(), read, &written, nullptr) || written != read) {
            ok = false;
            break;
        }
    }
    if (!ok) {
        FILE_DISPOSITION_INFO dispose = {TRUE};
        SetFileInformationByHandle(out, FileDispositionInfo, &dispose, sizeof(dispose));
    }
    CloseHandle(out);
    return ok;
}

bool FileHasSha1(const wchar_t* path, const CString& expectedSha1)
{
    CVerifiedFile file;
    return file.Open(path, expectedSha1);
}
