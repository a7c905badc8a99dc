// Pieces of the OLE data tests: OLE on the test thread, a folder of real files (one of them deeper
// than MAX_PATH) and the CF_HDROP block that Explorer would offer for them.
#pragma once

#include "framework/CString.h"
#include "framework/tests/GTestPrinters.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

namespace OleTest
{

// Drags and drops need OLE on the test's thread.
class OleEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};
inline ::testing::Environment* const g_oleEnvironment =
    ::testing::AddGlobalTestEnvironment(new OleEnvironment);

// Made under the temporary folder and removed with everything in it.
class FileFolder
{
public:
    FileFolder()
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        static int counter = 0;
        root_ = std::wstring(temp) + L"qvole" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                std::to_wstring(++counter);
        CreateDirectoryW(Long(root_).c_str(), nullptr);
    }
    ~FileFolder() { Remove(root_); }

    // A file with `text` in it at `relative` (folders made on the way); its
    // full path.
    CString File(const std::wstring& relative, const char* text = "data")
    {
        std::wstring path = root_;
        size_t start = 0, slash;
        while ((slash = relative.find(L'\\', start)) != std::wstring::npos) {
            path += L"\\" + relative.substr(start, slash - start);
            CreateDirectoryW(Long(path).c_str(), nullptr);
            start = slash + 1;
        }
        path += L"\\" + relative.substr(start);
        HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
        CloseHandle(file);
        return CString(path);
    }
    CString Folder(const std::wstring& name)
    {
        std::wstring path = root_ + L"\\" + name;
        CreateDirectoryW(Long(path).c_str(), nullptr);
        return CString(path);
    }
    static bool Exists(const CString& path)
    {
        return GetFileAttributesW(Long(path.str()).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

private:
    static std::wstring Long(const std::wstring& path) { return L"\\\\?\\" + path; }
    static void Remove(const std::wstring& folder)
    {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(Long(folder + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring full = folder + L"\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    Remove(full);
                else
                    DeleteFileW(Long(full).c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(Long(folder).c_str());
    }
    std::wstring root_;
};

// DROPFILES followed by the wide paths, each with its terminator, and an
// empty one at the end.
inline HGLOBAL MakeDropFiles(const std::vector<CString>& paths)
{
    size_t chars = 1;
    for (const CString& path : paths)
        chars += path.GetLength() + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* text = reinterpret_cast<wchar_t*>(drop + 1);
    for (const CString& path : paths) {
        memcpy(text, path.GetString(), (path.GetLength() + 1) * sizeof(wchar_t));
        text += path.GetLength() + 1;
    }
    GlobalUnlock(block);
    return block;
}

inline HGLOBAL MakeGlobalText(const char* text)
{
    const size_t size = strlen(text) + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    memcpy(GlobalLock(block), text, size);
    GlobalUnlock(block);
    return block;
}

inline std::string GlobalText(HGLOBAL block)
{
    const char* text = static_cast<const char*>(GlobalLock(block));
    std::string result = text ? text : "";
    GlobalUnlock(block);
    return result;
}

} // namespace OleTest
