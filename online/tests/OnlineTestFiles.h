// Files for the online tests: the fixtures made at build time (beside the
// test programs, in "fixtures"), a fresh temporary folder, and whole-file
// reads and writes.
#pragma once

#include "framework/CString.h"
#include "framework/tests/TestSupport.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace OnlineTest
{

inline std::wstring ExeFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.rfind(L'\\'));
}

inline std::wstring Fixture(const std::wstring& name)
{
    return ExeFolder() + L"\\fixtures\\" + name;
}

// Where archives and requests are left for the Linux tools to check.
inline std::wstring Artefact(const std::wstring& name)
{
    std::wstring folder = ExeFolder() + L"\\artefacts";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\" + name;
}

inline std::string ReadFileBytes(const std::wstring& path)
{
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    LARGE_INTEGER size;
    GetFileSizeEx(file, &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty())
        ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}

inline bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok =
        bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

inline bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct TempFolder : TestSupport::TempFolder {
    TempFolder() : TestSupport::TempFolder(L"qvonline") {}
};

// Deterministic bytes of many kinds.
inline std::string PseudoRandomBytes(size_t length, unsigned seed)
{
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(seed >> 23);
    }
    return bytes;
}

} // namespace OnlineTest
