#include "app/crashreport/CrashReport.h"
#include "framework/tests/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
using TestSupport::TempFolder;

std::string ReadNarrow(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    char buffer[8192];
    DWORD read = 0;
    ReadFile(file, buffer, sizeof(buffer), &read, nullptr);
    CloseHandle(file);
    return std::string(buffer, read);
}

std::string ReadWide(const wchar_t* path, DWORD bytes)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    std::string buffer(bytes, '\0');
    DWORD read = 0;
    ReadFile(file, &buffer[0], bytes, &read, nullptr);
    CloseHandle(file);
    buffer.resize(read);
    return buffer;
}

// An access violation as the filter would see it.
struct FakeCrash {
    EXCEPTION_RECORD record = {};
    CONTEXT context = {};
    EXCEPTION_POINTERS pointers = {&record, &context};
    FakeCrash()
    {
        RtlCaptureContext(&context);
        record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
        record.ExceptionAddress = reinterpret_cast<char*>(GetModuleHandleW(nullptr)) + 0x1000;
        record.NumberParameters = 2;
        record.ExceptionInformation[0] = 1;
        record.ExceptionInformation[1] = 0x10;
    }
};

std::string g_reportedPath;
int g_endCalls = 0;
void RecordInfo(void*, const char* path)
{
    g_reportedPath = path;
}
void RecordEnd()
{
    ++g_endCalls;
}

TEST(CrashReport, WritesADumpAndASummaryOfTheException)
{
    TempFolder folder(L"qvcrash");
    FakeCrash crash;
    CrashReport::WrittenReport report;
    ASSERT_TRUE(CrashReport::WriteReport(&crash.pointers, folder.Path().c_str(), report));
    std::string summary = ReadNarrow(report.narrowSummaryPath);
    EXPECT_NE(std::string::npos, summary.find("Exception: 0xC0000005")) << summary;
    EXPECT_NE(std::string::npos, summary.find("Access: write at")) << summary;
    EXPECT_EQ("MDMP", ReadWide(report.dumpPath, 4));
}

// Besides the write above: a read, and a jump to an address that can't run.
TEST(CrashReport, TheSummaryTellsReadAndExecuteFromWrite)
{
    TempFolder folder(L"qvcrash");
    const struct {
        ULONG_PTR kind;
        const char* text;
    } cases[] = {{0, "Access: read at"}, {8, "Access: execute at"}};
    for (const auto& c : cases) {
        FakeCrash crash;
        crash.record.ExceptionInformation[0] = c.kind;
        CrashReport::WrittenReport report;
        ASSERT_TRUE(CrashReport::WriteReport(&crash.pointers, folder.Path().c_str(), report));
        std::string summary = ReadNarrow(report.narrowSummaryPath);
        EXPECT_NE(std::string::npos, summary.find(c.text)) << summary;
    }
}

TEST(CrashReport, ANarrowPathReachesTheReportOutsideTheAnsiCodePage)
{
    // Greek and CJK together fit no single ANSI code page.
    TempFolder folder(L"qv\u03a9\u4e2d\u0416crash");
    FakeCrash crash;
    CrashReport::WrittenReport report;
    ASSERT_TRUE(CrashReport::WriteReport(&crash.pointers, folder.Path().c_str(), report));
    ASSERT_NE('\0', report.narrowSummaryPath[0]);
    EXPECT_NE(std::string::npos, ReadNarrow(report.narrowSummaryPath).find("Exception:"))
        << report.narrowSummaryPath;
}

TEST(CrashReport, TellsTheProgramWhereTheReportIsThenEnds)
{
    TempFolder folder(L"qvcrashcb");
    SetExceptionInfoCallback(RecordInfo);
    SetExceptionEndCallback(RecordEnd);
    FakeCrash crash;
    g_reportedPath.clear();
    g_endCalls = 0;
    EXPECT_TRUE(CrashReport::ReportException(&crash.pointers, folder.Path().c_str()));
    EXPECT_EQ(1, g_endCalls);
    ASSERT_FALSE(g_reportedPath.empty());
    EXPECT_NE(std::string::npos, ReadNarrow(g_reportedPath.c_str()).find("Exception:"));
    SetExceptionInfoCallback(nullptr);
    SetExceptionEndCallback(nullptr);
}

TEST(CrashReport, AFolderThatCannotBeWrittenReportsNothing)
{
    SetExceptionInfoCallback(RecordInfo);
    FakeCrash crash;
    g_reportedPath.clear();
    EXPECT_FALSE(CrashReport::ReportException(&crash.pointers, L"Q:\\no\\such\\folder"));
    EXPECT_TRUE(g_reportedPath.empty());
    SetExceptionInfoCallback(nullptr);
}
} // namespace
