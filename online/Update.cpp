#include "online/Update.h"

#include "core/AppDatabase.h"
#include "core/AppPaths.h"
#include "core/ModuleVersion.h"
#include "core/XmlDoc.h"
#include "framework/TextConvert.h"
#include "online/VerifiedFile.h"
#include "online/ZipReader.h"

#include <cstring>
#include <ctime>

namespace
{
const unsigned kDefaultInterval = 172800; // two days
// Far above any real message module; a larger entry is not extracted.
const uint32_t kMaxModuleBytes = 64 << 20;

CString UpdateFile(const wchar_t* name)
{
    CString path;
    path.Format(L"%s\\%s", AppPaths.updateFolder.GetString(), name);
    return path;
}

// Compares with an advertised "a.b.c.d", each part taken as its low 16
// bits and missing parts as 0.  A file without a version block counts as
// another version.
bool IsCurrent(const CModuleVersion& installed, const CString& advertised)
{
    int parts[4] = {};
    swscanf(advertised, L"%d.%d.%d.%d", &parts[0], &parts[1], &parts[2], &parts[3]);
    return installed.valid && installed.major == static_cast<WORD>(parts[0]) &&
           installed.minor == static_cast<WORD>(parts[1]) && installed.build == static_cast<WORD>(parts[2]) &&
           installed.revision == static_cast<WORD>(parts[3]);
}

// An earlier file may carry the read-only, hidden or system attribute (an
// extracted entry takes the archive's attributes), which would make the
// next write of it fail for good.
void ClearAttributes(const CString& path)
{
    SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
}

bool WriteWholeFile(const CString& path, const char* data, int length)
{
    ClearAttributes(path);
    DeleteFileW(path);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = length == 0 || (WriteFile(file, data, static_cast<DWORD>(length), &written, nullptr) &&
                              written == static_cast<DWORD>(length));
    CloseHandle(file);
    return ok;
}

bool IsNoteletEntry(const wchar_t* name)
{
    const wchar_t* expected = L"notelet.dll";
    for (; *name && *expected; ++name, ++expected) {
        wchar_t c = *name >= L'A' && *name <= L'Z' ? *name + 32 : *name;
        if (c != *expected)
            return false;
    }
    return *name == 0 && *expected == 0;
}
} // namespace

CString GetSetupFilePath()
{
    return UpdateFile(L"QuorventileSetup.exe");
}

CString GetNewNoteletDllPath()
{
    return UpdateFile(L"NoteletNew.dll");
}

CString GetNoteletDllPath()
{
    return UpdateFile(L"Notelet.dll");
}

bool SplitUpdateUrl(const CString& url, CString& host, CString& path)
{
    CString lower = url;
    lower.MakeLower();
    int scheme = lower.Find(L"http://");
    if (scheme < 0)
        return false;
    int hostStart = scheme + 7;
    int slash = lower.Find(L'/', hostStart);
    if (slash < 0)
        return false;
    host = url.Mid(hostStart, slash - hostStart);
    path = url.Mid(slash);
    return true;
}

CUpdate::CUpdateInfoDownload::CUpdateInfoDownload(HWND notifyWindow, const CString& loadedNoteletPath,
                                                  const wchar_t* webHost)
    : notifyWindow(notifyWindow), loadedNoteletPath(loadedNoteletPath), webHost(webHost)
{
}

void CUpdate::CUpdateInfoDownload::Run()
{
    usePost = 0;
    long long last = _wcstoi64(GetConfigString(L"LastGetUpdateInfoTime", L"0"), nullptr, 10);
    long long interval = static_cast<unsigned>(GetConfigInt(L"UpdateGetInfoDuration", kDefaultInterval));
    long long elapsed = Now() - last;
    // A clock set back waits until it passes the last reading again.
    if (elapsed >= 0 && elapsed > interval) {
        host = webHost;
        path = L"/update/update.xml";
        mode = 0;
        maxBodyLength = MaxUpdateInfoBytes;
        Download();
    }
    // At exit the pool asks its items to stop; each step is one download.
    if (IsStopRequested())
        return;
    CheckAppUpdate();
    if (IsStopRequested())
        return;
    CheckNoteletUpdate();
}

long long CUpdate::CUpdateInfoDownload::Now() const
{
    return static_cast<long long>(time(nullptr));
}

void CUpdate::CUpdateInfoDownload::FetchUrl(const CString& url)
{
    // An address that can't be split fetches nothing: the request of
    // update.xml must not be repeated into the target file.
    CString urlHost, urlPath;
    if (!SplitUpdateUrl(url, urlHost, urlPath) || urlHost.IsEmpty() || urlPath.IsEmpty())
        return;
    host = urlHost;
    path = urlPath;
    maxBodyLength = CHttpBody::DefaultCap;
    Download();
}

// The rows that keep what update.xml's element advertises for one file.
struct CUpdate::CUpdateInfoDownload::AdvertRows {
    const wchar_t* element;
    const wchar_t* version;
    const wchar_t* url;
    const wchar_t* sha1;
};

const CUpdate::CUpdateInfoDownload::AdvertRows CUpdate::CUpdateInfoDownload::kAdverts[2] = {
    {L"app", L"UpdateNetVersion", L"UpdateNetVersionURL", L"UpdateNetFileSha1"},
    {L"notelet", L"UpdateNoteletNetVersion", L"UpdateNoteletNetVersionURL", L"UpdateNoteletNetFileSha1"},
};

void CUpdate::CUpdateInfoDownload::CheckAppUpdate()
{
    CModuleVersion running;
    EnsureVerifiedFile(kAdverts[0], &running, GetSetupFilePath(), 1, WM_UPDATE_READY);
}

void CUpdate::CUpdateInfoDownload::CheckNoteletUpdate()
{
    // Without a loaded module there is no version to compare.
    CModuleVersion loaded;
    if (!loadedNoteletPath.IsEmpty())
        loaded.ReadFileVersion(loadedNoteletPath);
    EnsureVerifiedFile(kAdverts[1], loadedNoteletPath.IsEmpty() ? nullptr : &loaded, GetNewNoteletDllPath(),
                       2, WM_NOTELET_UPDATED);
}

void CUpdate::CUpdateInfoDownload::EnsureVerifiedFile(const AdvertRows& rows, const CModuleVersion* installed,
                                                      const CString& target, int fetchMode, UINT message)
{
    CString version = GetConfigString(rows.version, L"");
    CString url = GetConfigString(rows.url, L"");
    CString sha1 = GetConfigString(rows.sha1, L"");
    if (version.IsEmpty() || url.IsEmpty() || sha1.IsEmpty())
        return;
    if (installed && IsCurrent(*installed, version))
        return;
    if (!FileHasSha1(target, sha1)) {
        mode = fetchMode;
        FetchUrl(url);
    }
    if (FileHasSha1(target, sha1))
        PostMessageW(notifyWindow, message, 0, 0);
}

void CUpdate::CUpdateInfoDownload::OnData(const char* data, int length, int)
{
    // Whatever goes wrong with one body leaves the rows and files as far as
    // they were written.
    try {
        if (mode == 0)
            ReadUpdateInfo(data, length);
        else if (mode == 1)
            SaveSetup(data, length);
        else if (mode == 2)
            SaveNotelet(data, length);
    } catch (...) {
    }
}

void CUpdate::CUpdateInfoDownload::ReadUpdateInfo(const char* data, int length)
{
    const char* zero = static_cast<const char*>(memchr(data, 0, length));
    CXmlDoc doc;
    if (!doc.SetDoc(FromUtf8(data, zero ? static_cast<int>(zero - data) : length)) ||
        !doc.FindElement(L"root"))
        return;
    long interval = wcstol(doc.GetCurrentAttribute(L"dur"), nullptr, 10);
    if (interval > 0)
        SetConfigUInt(L"UpdateGetInfoDuration", static_cast<unsigned>(interval));
    doc.EnterElement();
    // "notelet" is looked for behind "app" when that was found.
    for (const AdvertRows& rows : kAdverts) {
        if (!doc.FindElement(rows.element))
            continue;
        SetConfigString(rows.version, doc.GetCurrentAttribute(L"ver"));
        SetConfigString(rows.url, doc.GetCurrentAttribute(L"url"));
        SetConfigString(rows.sha1, doc.GetCurrentAttribute(L"sha1"));
    }
    SetConfigUInt(L"LastGetUpdateInfoTime", static_cast<unsigned>(Now()));
}

void CUpdate::CUpdateInfoDownload::SaveSetup(const char* data, int length)
{
    WriteWholeFile(GetSetupFilePath(), data, length);
}

void CUpdate::CUpdateInfoDownload::SaveNotelet(const char* data, int length)
{
    const CString target = GetNewNoteletDllPath();
    const CString archivePath = target + L".zip";
    if (!WriteWholeFile(archivePath, data, length))
        return;
    ZipHandle* archive = ZipReaderOpen(archivePath);
    if (!archive)
        return;
    // Of several entries of that name the last would stay in place: it is
    // the only one extracted.
    ZipItem item;
    int last = -1;
    if (ZipReaderGetItem(-1, &item, archive) == ZipOk) {
        const int count = item.index;
        for (int i = 0; i < count; ++i) {
            if (ZipReaderGetItem(i, &item, archive) == ZipOk && IsNoteletEntry(item.name) &&
                !(item.attributes & FILE_ATTRIBUTE_DIRECTORY))
                last = i;
        }
    }
    if (last >= 0) {
        ClearAttributes(target);
        ZipReaderExtract(archive, target, last, kMaxModuleBytes);
    }
    ZipReaderClose(archive);
}

void StartUpdateCheck(HWND mainFrame, const CString& loadedNoteletPath)
{
    SkinControl::PostWorkItem(new CUpdate::CUpdateInfoDownload(mainFrame, loadedNoteletPath));
}
