// A downloaded file opened for use only once its SHA-1 matched, and held
// open so that no other process can write, replace or delete it until it is
// closed: what was checked is what gets run, copied or loaded.  The Update
// folder is writable by the user, so every use goes through here.
#pragma once

#include "framework/CString.h"

#include <windows.h>

class CVerifiedFile
{
public:
    CVerifiedFile() = default;
    ~CVerifiedFile() { Close(); }
    CVerifiedFile(const CVerifiedFile&) = delete;
    CVerifiedFile& operator=(const CVerifiedFile&) = delete;

    // True when the file exists and its digest is expectedSha1 exactly (40
    // upper-case digits); it then stays locked until Close.
    bool Open(const wchar_t* path, const CString& expectedSha1);
    void Close();
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Handle() const { return handle_; }

    // Copies the checked bytes, read through the held handle, to target;
    // false (and no target) when that fails.
    bool CopyTo(const wchar_t* target) const;

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// True when the file exists and has the digest: the check of the moment,
// with nothing held.
bool FileHasSha1(const wchar_t* path, const CString& expectedSha1);
