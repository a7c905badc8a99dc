#include "app/crashreport/CrashReport.h"

#include <dbghelp.h>
#include <stdio.h>

namespace
{
CrashReportInfoCallback g_infoCallback = nullptr;
CrashReportEndCallback g_endCallback = nullptr;

using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                          PMINIDUMP_EXCEPTION_INFORMATION, PMINIDUMP_USER_STREAM_INFORMATION,
                                          PMINIDUMP_CALLBACK_INFORMATION);

bool WriteDump(EXCEPTION_POINTERS* exception, const wchar_t* path)
{
    // Loaded only now: dbghelp is not needed unless something crashed.
    HMODULE dbghelp = LoadLibraryW(L"dbghelp.dll");
    if (!dbghelp)
        return false;
    auto write = reinterpret_cast<MiniDumpWriteDumpFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(dbghelp, "MiniDumpWriteDump")));
    bool written = false;
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (write && file != INVALID_HANDLE_VALUE) {
        MINIDUMP_EXCEPTION_INFORMATION info = {GetCurrentThreadId(), exception, FALSE};
        written = write(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal,
                        exception ? &info : nullptr, nullptr, nullptr) != 0;
    }
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    FreeLibrary(dbghelp);
    return written;
}

// ExceptionInformation[0] of an access violation: 0 a read, 1 a write, 8 an
// instruction fetch (data execution prevention).
const wchar_t* AccessKindName(ULONG_PTR kind)
{
    switch (kind) {
    case 0:
        return L"read";
    case 1:
        return L"write";
    case 8:
        return L"execute";
    }
    return L"unknown access";
}

bool WriteSummary(EXCEPTION_POINTERS* exception, const wchar_t* path, const wchar_t* dumpPath, bool dumped)
{
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const EXCEPTION_RECORD* record = exception ? exception->ExceptionRecord : nullptr;
    void* address = record ? record->ExceptionAddress : nullptr;
    wchar_t module[MAX_PATH] = L"?";
    HMODULE owner = nullptr;
    if (address && GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                          GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                      static_cast<LPCWSTR>(address), &owner))
        GetModuleFileNameW(owner, module, MAX_PATH);
    wchar_t program[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    SYSTEMTIME now;
    GetLocalTime(&now);

    wchar_t text[4096];
    int length =
        _snwprintf(text, 4095,
                   L"Program: %ls\r\nTime: %04u-%02u-%02u %02u:%02u:%02u\r\nProcess: %lu  Thread: %lu\r\n"
                   L"Exception: 0x%08lX at %p\r\nModule: %ls + 0x%IX\r\nFlags: 0x%08lX\r\nDump: %ls%ls\r\n",
                   program, now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                   GetCurrentProcessId(), GetCurrentThreadId(), record ? record->ExceptionCode : 0UL, address,
                   module, static_cast<size_t>(static_cast<char*>(address) - reinterpret_cast<char*>(owner)),
                   record ? record->ExceptionFlags : 0UL, dumpPath, dumped ? L"" : L" (not written)");
    if (record && record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record->NumberParameters >= 2 &&
        length > 0 && length < 4000)
        length += _snwprintf(text + length, 4095 - length, L"Access: %ls at %p\r\n",
                             AccessKindName(record->ExceptionInformation[0]),
                             reinterpret_cast<void*>(record->ExceptionInformation[1]));
    if (length < 0)
        length = static_cast<int>(wcslen(text));
    // UTF-8 so that any path in the text survives.
    char utf8[8192];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, utf8, sizeof(utf8), nullptr, nullptr);
    DWORD written = 0;
    BOOL ok = WriteFile(file, utf8, static_cast<DWORD>(bytes), &written, nullptr);
    CloseHandle(file);
    return ok && written == static_cast<DWORD>(bytes);
}

bool DefaultReportFolder(wchar_t* folder)
{
    wchar_t temp[MAX_PATH];
    DWORD length = GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH - 20)
        return false;
    _snwprintf(folder, MAX_PATH, L"%lsQuorventileCrash", temp);
    folder[MAX_PATH - 1] = 0;
    CreateDirectoryW(folder, nullptr);
    return true;
}

LONG WINAPI UnhandledExceptionFilterProc(EXCEPTION_POINTERS* exception)
{
    static LONG entered = 0;
    // A crash inside the report (or in a second thread meanwhile) ends here.
    if (InterlockedExchange(&entered, 1))
        return EXCEPTION_EXECUTE_HANDLER;
    wchar_t folder[MAX_PATH];
    if (DefaultReportFolder(folder))
        CrashReport::ReportException(exception, folder);
    return EXCEPTION_EXECUTE_HANDLER;
}
} // namespace

void SetExceptionInfoCallback(CrashReportInfoCallback callback)
{
    g_infoCallback = callback;
}

void SetExceptionEndCallback(CrashReportEndCallback callback)
{
    g_endCallback = callback;
}

BOOL InitCrashReport()
{
    SetUnhandledExceptionFilter(UnhandledExceptionFilterProc);
    return TRUE;
}

namespace CrashReport
{

bool NarrowPathFor(const wchar_t* path, char* narrow, int size)
{
    auto convert = [&](const wchar_t* wide) {
        BOOL lossy = FALSE;
        int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, narrow, size, nullptr, &lossy);
        return n > 0 && !lossy;
    };
    if (convert(path))
        return true;
    wchar_t shortPath[MAX_PATH];
    DWORD length = GetShortPathNameW(path, shortPath, MAX_PATH);
    if (length > 0 && length < MAX_PATH && convert(shortPath))
        return true;
    narrow[0] = 0;
    return false;
}

bool WriteReport(EXCEPTION_POINTERS* exception, const wchar_t* folder, WrittenReport& report)
{
    wchar_t base[MAX_PATH];
    int n = _snwprintf(base, MAX_PATH, L"%ls\\crash-%lu-%lu", folder, GetCurrentProcessId(), GetTickCount());
    if (n < 0 || n > MAX_PATH - 5)
        return false;
    _snwprintf(report.dumpPath, MAX_PATH, L"%ls.dmp", base);
    _snwprintf(report.summaryPath, MAX_PATH, L"%ls.txt", base);
    bool dumped = WriteDump(exception, report.dumpPath);
    if (!WriteSummary(exception, report.summaryPath, report.dumpPath, dumped))
        return false;
    NarrowPathFor(report.summaryPath, report.narrowSummaryPath, MAX_PATH);
    return true;
}

bool ReportException(EXCEPTION_POINTERS* exception, const wchar_t* folder)
{
    WrittenReport report;
    bool written = WriteReport(exception, folder, report);
    if (written && report.narrowSummaryPath[0] && g_infoCallback)
        g_infoCallback(nullptr, report.narrowSummaryPath);
    if (g_endCallback)
        g_endCallback();
    return written;
}

} // namespace CrashReport
