// Our crash-report layer: an unhandled-exception filter that writes a
// minidump and a text summary of the crash, then tells the program where the
// summary is.
#pragma once
#include <windows.h>

// `reportPath` is the text summary's path as narrow (ANSI) text; it always
// names the file, also when the folder's long name is outside the ANSI code
// page.
typedef void (*CrashReportInfoCallback)(void* context, const char* reportPath);
typedef void (*CrashReportEndCallback)();

void SetExceptionInfoCallback(CrashReportInfoCallback callback);
void SetExceptionEndCallback(CrashReportEndCallback callback);
// Installs the filter; reports go to "<temp>\QuorventileCrash".
BOOL InitCrashReport();

namespace CrashReport
{
struct WrittenReport {
    wchar_t summaryPath[MAX_PATH] = {};
    wchar_t dumpPath[MAX_PATH] = {};
    char narrowSummaryPath[MAX_PATH] = {}; // empty when no narrow form names the file
};

// Writes "<folder>\crash-<pid>-<tick>.dmp" and ".txt" for the exception;
// false when the summary could not be written.  The dump is best effort.
bool WriteReport(EXCEPTION_POINTERS* exception, const wchar_t* folder, WrittenReport& report);

// A narrow form of the path that opens the same file: the path itself when
// it fits the ANSI code page, else its short (8.3) form.  False when neither
// does.
bool NarrowPathFor(const wchar_t* path, char* narrow, int size);

// What the filter does: write the report, then call the info and end
// callbacks.  Exposed so that it can run without crashing the process.
bool ReportException(EXCEPTION_POINTERS* exception, const wchar_t* folder);
} // namespace CrashReport
