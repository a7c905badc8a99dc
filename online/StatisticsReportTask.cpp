#include "online/StatisticsReportTask.h"

#include "core/AppDatabase.h"
#include "core/AppPaths.h"
#include "core/ModuleVersion.h"
#include "framework/TextConvert.h"
#include "online/MultipartPoster.h"
#include "online/ZipWriter.h"

#include <algorithm>
#include <ctime>

namespace
{
const char kModuleMarker[] = "in module";

// Steps through multi-byte text of the ANSI code page one character at a
// time, so that a search never matches a trail byte.
size_t NextCharacter(const std::string& text, size_t at)
{
    return IsDBCSLeadByte(static_cast<BYTE>(text[at])) && at + 2 <= text.size() ? at + 2 : at + 1;
}

CString OsVersionText()
{
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    BOOL known = GetVersionExW(&info);
#pragma GCC diagnostic pop
    CString text = L"未知";
    if (known)
        text.Format(L"%d.%d.%d %s", info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber,
                    info.szCSDVersion);
    return text;
}

// What the log holds, up to MaxErrorLogRead bytes.
std::string ReadLogStart(const CString& path)
{
    std::string log;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return log;
    struct CloseFile {
        HANDLE h;
        ~CloseFile() { CloseHandle(h); }
    } closeFile{file};
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart <= 0)
        return log;
    log.resize(static_cast<size_t>(std::min<LONGLONG>(size.QuadPart, MaxErrorLogRead)));
    DWORD read = 0;
    if (!ReadFile(file, &log[0], static_cast<DWORD>(log.size()), &read, nullptr))
        read = 0;
    log.resize(read);
    return log;
}

// A temporary file that is gone again when this is.
class CTemporaryFile
{
public:
    CTemporaryFile()
    {
        wchar_t folder[MAX_PATH];
        wchar_t name[MAX_PATH];
        DWORD length = GetTempPathW(MAX_PATH - 1, folder);
        if (length > 0 && length < MAX_PATH - 1 && GetTempFileNameW(folder, L"", 0, name))
            path = name;
    }
    ~CTemporaryFile()
    {
        if (!path.IsEmpty())
            DeleteFileW(path);
    }
    CString path;
};
} // namespace

std::string ErrorInfoFromLog(const std::string& log)
{
    const size_t markerLength = sizeof(kModuleMarker) - 1;
    size_t first = std::string::npos;
    // The starts of the last two characters before the line feed.
    size_t last = std::string::npos, beforeLast = std::string::npos;
    for (size_t at = 0; at < log.size(); at = NextCharacter(log, at)) {
        if (first == std::string::npos) {
            if (log.compare(at, markerLength, kModuleMarker) == 0)
                first = at + markerLength;
            continue;
        }
        if (log[at] == '\n') {
            // The line ends at the line feed, or at a carriage return before
            // it; the character before that end is dropped.
            size_t end = last != std::string::npos && log[last] == '\r' ? beforeLast : last;
            if (end == std::string::npos || end <= first)
                return std::string();
            std::string info = log.substr(first, end - first);
            size_t slash = std::string::npos;
            for (size_t i = 0; i < info.size(); i = NextCharacter(info, i))
                if (info[i] == '\\')
                    slash = i;
            return slash == std::string::npos ? info : info.substr(slash + 1);
        }
        if (at >= first) {
            beforeLast = last;
            last = at;
        }
    }
    return std::string();
}

CString EncodeQueryValue(const wchar_t* value)
{
    CStringA utf8 = ToUtf8(value);
    CString encoded;
    for (unsigned char c : utf8.str()) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
            c == '.' || c == '_' || c == '~') {
            encoded += static_cast<wchar_t>(c);
        } else {
            CString escape;
            escape.Format(L"%%%02X", c);
            encoded += escape;
        }
    }
    return encoded;
}

CStatisticsReportTask::CStatisticsReportTask(const CString& clientId, const wchar_t* webHost)
    : clientId(clientId), webHost(webHost)
{
    maxBodyLength = CHttpBody::ShortReplyCap;
}

void CStatisticsReportTask::Run()
{
    CString version;
    CModuleVersion().Format(version);
    // Every value is percent-encoded: the Windows version has blanks.
    path.Format(L"/statistic/use.php?cid=%s&ver=%s&osver=%s", EncodeQueryValue(clientId).GetString(),
                EncodeQueryValue(version).GetString(), EncodeQueryValue(OsVersionText()).GetString());
    host = webHost;
    Download();
    if (!IsStopRequested()) // at exit the pool asks its items to stop
        UploadErrorLog(version);
}

void CStatisticsReportTask::OnData(const char* data, int length, int)
{
    // Not stamped when the reply can't even be looked at.
    try {
        CStringA answer(data, length);
        if (answer.Trim() == "ok")
            SetLastStatisticsTime(static_cast<long long>(time(nullptr)));
    } catch (...) {
    }
}

void CStatisticsReportTask::UploadErrorLog(const CString& version)
{
    CString logPath;
    logPath.Format(L"%s\\ErrorLog.txt", AppPaths.dataFolder.GetString());
    if (GetFileAttributesW(logPath) == INVALID_FILE_ATTRIBUTES)
        return;
    // A log that can't be read or searched sends an empty errinfo.
    std::string errorInfo;
    try {
        errorInfo = ErrorInfoFromLog(ReadLogStart(logPath));
    } catch (...) {
        errorInfo.clear();
    }

    CTemporaryFile archivePath;
    if (archivePath.path.IsEmpty())
        return;
    ZipHandle* archive = ZipWriterCreate(archivePath.path);
    if (!archive)
        return;
    int added = ZipWriterAddErrorLog(logPath, archive);
    ZipWriterClose(archive);
    if (added != ZipOk)
        return;

    CMultipartPoster poster;
    poster.SetErrorLogTarget(webHost);
    poster.timeouts = timeouts;
    poster.AddField(L"cid", clientId);
    poster.AddField(L"ver", version);
    poster.AddField(L"errinfo",
                    MultiByteToWide(CP_THREAD_ACP, errorInfo.data(), static_cast<int>(errorInfo.size())));
    poster.AddFile(archivePath.path);
    // Exactly "ok", every byte of it.
    if (poster.Send() && poster.statusCode == 200 && poster.reply == "ok")
        DeleteFileW(logPath);
}
