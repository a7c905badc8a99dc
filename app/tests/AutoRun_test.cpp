#include "app/AutoRun.h"
#include "framework/tests/GTestPrinters.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

// Wine's registry has no ACLs, so the 64-bit test writes HKLM directly.
namespace
{

HKEY OpenRunKey()
{
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, AutoRunKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    return key;
}

void WriteRaw(DWORD type, const void* data, DWORD size)
{
    HKEY key = OpenRunKey();
    ASSERT_NE(key, nullptr);
    RegSetValueExW(key, AutoRunValueName, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

bool ReadRaw(DWORD& type, std::vector<BYTE>& data)
{
    HKEY key = OpenRunKey();
    if (!key)
        return false;
    DWORD size = 0;
    LONG result = RegQueryValueExW(key, AutoRunValueName, nullptr, &type, nullptr, &size);
    if (result == ERROR_SUCCESS) {
        data.resize(size);
        result = RegQueryValueExW(key, AutoRunValueName, nullptr, &type, data.data(), &size);
    }
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

CString ThisExecutable()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::vector<BYTE> BytesWithTerminator(const CString& text)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(text.GetString());
    return std::vector<BYTE>(p, p + (text.GetLength() + 1) * sizeof(wchar_t));
}

class AutoRunTest : public ::testing::Test
{
protected:
    void SetUp() override { SetAutoRunRegistered(0); }
    // A Run value left behind would start this test at the next boot of the prefix.
    void TearDown() override { SetAutoRunRegistered(0); }
};

} // namespace

TEST_F(AutoRunTest, WrittenAsTheUnquotedPathWithItsTerminator)
{
    SetAutoRunRegistered(1);
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(ReadRaw(type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, BytesWithTerminator(ThisExecutable()));
    EXPECT_EQ(IsAutoRunRegistered(), 1);
    EXPECT_EQ(ReadAutoRunPath(), ThisExecutable());
}

TEST_F(AutoRunTest, RemovedValueIsGone)
{
    SetAutoRunRegistered(1);
    SetAutoRunRegistered(0);
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_FALSE(ReadRaw(type, data));
    EXPECT_EQ(IsAutoRunRegistered(), 0);
    SetAutoRunRegistered(0); // deleting a missing value is harmless
    EXPECT_EQ(IsAutoRunRegistered(), 0);
}

TEST_F(AutoRunTest, ValueNamingAMissingFileDoesNotCount)
{
    CString missing = L"C:\\no such folder\\Quorventile.exe";
    std::vector<BYTE> data = BytesWithTerminator(missing);
    WriteRaw(REG_SZ, data.data(), static_cast<DWORD>(data.size()));
    EXPECT_EQ(ReadAutoRunPath(), missing);
    EXPECT_EQ(IsAutoRunRegistered(), 0);
}

TEST_F(AutoRunTest, UnterminatedValueIsReadToItsEnd)
{
    CString path = ThisExecutable();
    WriteRaw(REG_SZ, path.GetString(), path.GetLength() * sizeof(wchar_t));
    EXPECT_EQ(ReadAutoRunPath(), path);
    EXPECT_EQ(IsAutoRunRegistered(), 1);
}

TEST_F(AutoRunTest, FullBufferWithoutTerminatorStaysInBounds)
{
    std::vector<wchar_t> text(260, L'x');
    WriteRaw(REG_SZ, text.data(), 520);
    EXPECT_EQ(ReadAutoRunPath(), CString(std::wstring(260, L'x')));
    EXPECT_EQ(IsAutoRunRegistered(), 0);
}

TEST_F(AutoRunTest, ValueOfAnotherTypeIsNotAPath)
{
    CString path = ThisExecutable();
    std::vector<BYTE> data = BytesWithTerminator(path);
    WriteRaw(REG_BINARY, data.data(), static_cast<DWORD>(data.size()));
    EXPECT_EQ(ReadAutoRunPath(), L"");
    EXPECT_EQ(IsAutoRunRegistered(), 0);
    WriteRaw(REG_MULTI_SZ, data.data(), static_cast<DWORD>(data.size()));
    EXPECT_EQ(IsAutoRunRegistered(), 0);
}

TEST_F(AutoRunTest, TooLongValueIsNotRegistered)
{
    std::vector<wchar_t> text(400, L'y');
    text.push_back(L'\0');
    WriteRaw(REG_SZ, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)));
    EXPECT_EQ(ReadAutoRunPath(), L"");
    EXPECT_EQ(IsAutoRunRegistered(), 0);
}

TEST_F(AutoRunTest, ReconcileFollowsTheSetting)
{
    ReconcileAutoRun(1);
    EXPECT_EQ(IsAutoRunRegistered(), 1);
    ReconcileAutoRun(1);
    EXPECT_EQ(ReadAutoRunPath(), ThisExecutable());
    ReconcileAutoRun(0);
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_FALSE(ReadRaw(type, data));
}

TEST_F(AutoRunTest, ReconcileRewritesAValueWhoseFileIsGone)
{
    std::vector<BYTE> data = BytesWithTerminator(L"C:\\gone\\Quorventile.exe");
    WriteRaw(REG_SZ, data.data(), static_cast<DWORD>(data.size()));
    ReconcileAutoRun(1);
    EXPECT_EQ(ReadAutoRunPath(), ThisExecutable());
}

TEST_F(AutoRunTest, ReconcileOffLeavesAStaleValueAlone)
{
    // Only a value that counts as present is removed when the setting is off.
    std::vector<BYTE> data = BytesWithTerminator(L"C:\\gone\\Quorventile.exe");
    WriteRaw(REG_SZ, data.data(), static_cast<DWORD>(data.size()));
    ReconcileAutoRun(0);
    EXPECT_EQ(ReadAutoRunPath(), L"C:\\gone\\Quorventile.exe");
}
