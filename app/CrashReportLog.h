// Keeps the crash report for the error-log upload: the crash-report library
// calls OnCrashReportInfo with the path of the report it has written, which
// is copied to ErrorLog.txt in the data folder.
#pragma once

// `reportPath` is narrow text in the ANSI code page; `context` is unused.
void OnCrashReportInfo(void* context, const char* reportPath);

// Copies the report to "<appDataFolder>\Quorventile\ErrorLog.txt",
// replacing an older one; true on success.
bool CopyCrashReport(const char* reportPath, const wchar_t* appDataFolder);
