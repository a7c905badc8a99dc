#include "core/ModuleVersion.h"
#include "core/WinUtils.h"

#include <gtest/gtest.h>

#include <cstring>
#include <objbase.h>
#include <string>

namespace
{

std::wstring TempFile(const wchar_t* name, const char* content)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + name;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, content, static_cast<DWORD>(std::strlen(content)), &written, nullptr);
    CloseHandle(file);
    return path;
}

std::wstring OwnPath()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

} // namespace

TEST(LoadXmlResource, CopiesTheBytesAndAddsAZero)
{
    const char expected[] = "<frame title=\"\xe8\xae\xbe\xe7\xbd\xae\"><button id=\"1\"/></frame>\n";
    DWORD length = 99;
    std::unique_ptr<char[]> bytes = LoadXmlResource(MAKEINTRESOURCEW(132), &length);
    ASSERT_TRUE(bytes);
    ASSERT_EQ(length, sizeof(expected) - 1);
    EXPECT_EQ(std::memcmp(bytes.get(), expected, length), 0);
    EXPECT_EQ(bytes[length], 0);
}

TEST(LoadXmlResource, MissingEmptyOrUnnamedGiveNothing)
{
    DWORD length = 99;
    EXPECT_FALSE(LoadXmlResource(MAKEINTRESOURCEW(133), &length));
    EXPECT_EQ(length, 0u);
    length = 99;
    EXPECT_FALSE(LoadXmlResource(L"EMPTYLAYOUT", &length));
    EXPECT_EQ(length, 0u);
    length = 99;
    EXPECT_FALSE(LoadXmlResource(nullptr, &length));
    EXPECT_EQ(length, 0u);
    length = 99;
    EXPECT_FALSE(LoadXmlResource(MAKEINTRESOURCEW(1), &length)); // a resource of another type
}

TEST(ModuleVersion, ReadsTheRunningExecutable)
{
    CModuleVersion own;
    ASSERT_TRUE(own.valid);
    CString text = L"unchanged";
    ASSERT_TRUE(own.Format(text));
    EXPECT_EQ(text.str(), L"1.2.3.4");

    CModuleVersion file;
    ASSERT_TRUE(file.ReadFileVersion(OwnPath().c_str()));
    EXPECT_TRUE(file.IsSameVersion(own));
    file.revision = 5;
    EXPECT_FALSE(file.IsSameVersion(own));
    file.revision = 4;
    file.major = 2;
    EXPECT_FALSE(file.IsSameVersion(own));
}

TEST(ModuleVersion, AFileWithoutVersionBlock)
{
    std::wstring path = TempFile(L"qv_noversion.txt", "plain text");
    CModuleVersion version;
    EXPECT_FALSE(version.ReadFileVersion(path.c_str()));
    EXPECT_EQ(version.major, 1); // parts stay as they were
    EXPECT_EQ(version.revision, 4);
    CString text = L"unchanged";
    EXPECT_FALSE(version.Format(text));
    EXPECT_EQ(text.str(), L"unchanged");
    EXPECT_FALSE(version.ReadFileVersion(L"C:\\no\\such\\file.exe"));
    EXPECT_FALSE(version.ReadFileVersion(nullptr));
    DeleteFileW(path.c_str());
}

TEST(WindowsVersion, WineIsLaterThanVistaAndRunsTheTestsElevated)
{
    EXPECT_TRUE(IsVistaOrLater());
    EXPECT_TRUE(IsProcessElevated()); // Wine's token is the administrator's, elevated
}

TEST(AllowCopyDataMessage, WorksForAWindow)
{
    HWND window = CreateWindowExW(0, L"Message", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    EXPECT_TRUE(AllowCopyDataMessage(window));
    DestroyWindow(window);
}

// The shell must not be asked to show anything for paths that don't
// resolve, and COM must be left as the caller had it.
TEST(OpenFolderAndSelectFile, UnresolvablePathsOpenNothingAndBalanceCom)
{
    EXPECT_FALSE(OpenFolderAndSelectFile(L"C:\\no\\such\\folder\\file.txt"));
    EXPECT_FALSE(OpenFolderAndSelectFile(L"no-folder-at-all.txt"));
    EXPECT_FALSE(OpenFolderAndSelectFile(L""));
    EXPECT_FALSE(OpenFolderAndSelectFile(nullptr));
    // Not left initialised: a multithreaded start would fail after a leaked
    // apartment-threaded one.
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(hr, S_OK);
    // Already multithreaded: the helper must not uninitialise what it
    // didn't start.
    EXPECT_FALSE(OpenFolderAndSelectFile(L"C:\\no\\such\\folder\\file.txt"));
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    CoUninitialize();
    CoUninitialize();
}
