#include "app/CrashReportLog.h"
#include "core/tests/TempDataFolder.h"
#include "framework/TextConvert.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

void WriteBytes(const CString& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string ReadText(const CString& path)
{
    std::vector<unsigned char> bytes = TempDataFolder::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

class CrashReportLogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        appData = temp.folder + L"\\张三的配置";
        ASSERT_TRUE(CreateDirectoryW(appData, nullptr));
        ASSERT_TRUE(CreateDirectoryW(appData + L"\\Quorventile", nullptr));
        target = appData + L"\\Quorventile\\ErrorLog.txt";
        report = temp.folder + L"\\crash report.txt";
        WriteBytes(report, "exception 0xC0000005 at 0040123A\r\n");
    }
    TempDataFolder temp;
    CString appData;
    CString target;
    CString report;
};

} // namespace

TEST_F(CrashReportLogTest, CopiedIntoAChineseProfileFolder)
{
    EXPECT_TRUE(CopyCrashReport(WideToMultiByte(CP_ACP, report), appData));
    EXPECT_EQ(ReadText(target), "exception 0xC0000005 at 0040123A\r\n");
}

TEST_F(CrashReportLogTest, NewReportReplacesTheOldLog)
{
    WriteBytes(target, "an older crash with a longer text than the new one\r\n");
    EXPECT_TRUE(CopyCrashReport(WideToMultiByte(CP_ACP, report), appData));
    EXPECT_EQ(ReadText(target), "exception 0xC0000005 at 0040123A\r\n");
}

TEST_F(CrashReportLogTest, MissingReportFailsQuietly)
{
    CString missing = temp.folder + L"\\no report.txt";
    EXPECT_FALSE(CopyCrashReport(WideToMultiByte(CP_ACP, missing), appData));
    EXPECT_FALSE(CopyCrashReport(nullptr, appData));
    EXPECT_FALSE(CopyCrashReport("", appData));
}
