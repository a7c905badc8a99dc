#include "app/CrashReportLog.h"

#include "framework/CString.h"
#include "framework/TextConvert.h"

#include <windows.h>
#include <shlobj.h>

bool CopyCrashReport(const char* reportPath, const wchar_t* appDataFolder)
{
    if (!reportPath || !*reportPath)
        return false;
    // Wide calls: a profile folder outside the ANSI code page must still
    // get its log.
    CString target;
    target.Format(L"%s\\Quorventile\\ErrorLog.txt", appDataFolder);
    CString source = MultiByteToWide(CP_ACP, reportPath);
    DeleteFileW(target);
    return CopyFileW(source, target, FALSE) != 0;
}

void OnCrashReportInfo(void* /*context*/, const char* reportPath)
{
    wchar_t appData[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)))
        CopyCrashReport(reportPath, appData);
}
