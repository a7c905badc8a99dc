#include "core/ModuleVersion.h"

#include <vector>

CModuleVersion::CModuleVersion()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        ReadFileVersion(path);
}

bool CModuleVersion::ReadFileVersion(const wchar_t* path)
{
    valid = false;
    DWORD handle = 0;
    DWORD size = path ? GetFileVersionInfoSizeW(path, &handle) : 0;
    if (size == 0)
        return false;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(path, 0, size, block.data()))
        return false;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoLength = 0;
    if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &infoLength) || !info ||
        infoLength < sizeof(VS_FIXEDFILEINFO))
        return false;
    major = HIWORD(info->dwFileVersionMS);
    minor = LOWORD(info->dwFileVersionMS);
    build = HIWORD(info->dwFileVersionLS);
    revision = LOWORD(info->dwFileVersionLS);
    valid = true;
    return true;
}

bool CModuleVersion::Format(CString& text) const
{
    if (!valid)
        return false;
    text.Format(L"%i.%i.%i.%i", major, minor, build, revision);
    return true;
}

bool CModuleVersion::IsSameVersion(const CModuleVersion& other) const
{
    return major == other.major && minor == other.minor && build == other.build && revision == other.revision;
}
