#include "app/AutoRun.h"
#include "app/tests/PrivateRegistryRoot.h"
#include "framework/tests/GTestPrinters.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// HKLM is a key of this process's own: the program's main window, made by
// GUI tests at the same time, sets the prefix's Run value as its settings say.
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
    void SetUp() override
    {
        ASSERT_TRUE(machine.IsActive());
        HKEY key = OpenRunKey();
        ASSERT_NE(key, nullptr);
        RegCloseKey(key);
    }

    AppTest::PrivateRegistryRoot machine{HKEY_LOCAL_MACHINE};
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

TEST_F(AutoRunTest, RawValuesCountOnlyAsTextNamingAFile)
{
    const std::wstring exe = ThisExecutable().str(), missing = L"C:\\no such folder\\Quorventile.exe";
    const std::wstring full(260, L'x'), tooLong(400, L'y');
    const struct {
        const char* what;
        DWORD type;
        const std::wstring& data;
        bool terminated;
        const wchar_t* path; // as read
        int registered;
    } cases[] = {
        {"a missing file", REG_SZ, missing, true, L"C:\\no such folder\\Quorventile.exe", 0},
        {"no terminator", REG_SZ, exe, false, exe.c_str(), 1},
        {"a full buffer without terminator", REG_SZ, full, false, full.c_str(), 0},
        {"binary", REG_BINARY, exe, true, L"", 0},
        {"several texts", REG_MULTI_SZ, exe, true, L"", 0},
        {"too long", REG_SZ, tooLong, true, L"", 0},
    };
    for (const auto& c : cases) {
        // Text followed by a zero counts that zero in, as on Windows: an
        // unterminated value is followed by something else.
        const std::wstring text = c.data + (c.terminated ? L'\0' : L'!');
        const DWORD size = static_cast<DWORD>((c.data.size() + c.terminated) * sizeof(wchar_t));
        WriteRaw(c.type, text.c_str(), size);
        DWORD type = 0;
        std::vector<BYTE> stored;
        ASSERT_TRUE(ReadRaw(type, stored));
        ASSERT_EQ(size, stored.size()) << c.what;
        EXPECT_EQ(ReadAutoRunPath(), c.path) << c.what;
        EXPECT_EQ(IsAutoRunRegistered(), c.registered) << c.what;
    }
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
