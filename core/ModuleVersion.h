// The file version of an executable or DLL, from its version resource.
#pragma once

#include <windows.h>

#include "framework/CString.h"

class CModuleVersion
{
public:
    // The running executable's version; valid when it has a version block.
    CModuleVersion();

    // Reads the file's version; false (parts untouched, not valid) when the
    // file has no version block or can't be read.
    bool ReadFileVersion(const wchar_t* path);
    // "major.minor.build.revision" when valid; otherwise false, text untouched.
    bool Format(CString& text) const;
    bool IsSameVersion(const CModuleVersion& other) const;

    WORD major = 0;
    WORD minor = 0;
    WORD build = 0;
    WORD revision = 0;
    bool valid = false;
};
