#include "online/MultipartPoster.h"

#include "framework/CInternetSession.h"
#include "framework/TextConvert.h"
#include "online/HttpDownloadBase.h"

const char* const CMultipartPoster::Boundary = "---------------------------7da34824280404";

namespace
{
const unsigned kWritePiece = 512;
const DWORD kConnectTimeoutMs = 10000;

bool SameAsciiNoCase(const CString& a, const CString& b)
{
    if (a.GetLength() != b.GetLength())
        return false;
    for (int i = 0; i < a.GetLength(); ++i) {
        wchar_t x = a[i] >= L'A' && a[i] <= L'Z' ? a[i] + 32 : a[i];
        wchar_t y = b[i] >= L'A' && b[i] <= L'Z' ? b[i] + 32 : b[i];
        if (x != y)
            return false;
    }
    return true;
}

bool ReadWholeFile(const wchar_t* path, std::vector<char>& data)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    DWORD read = 0;
    bool ok =
        GetFileSizeEx(file, &size) && size.QuadPart <= static_cast<LONGLONG>(CMultipartPoster::MaxFileLength);
    if (ok) {
        data.resize(static_cast<size_t>(size.QuadPart));
        ok = data.empty() || (ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &read, nullptr) &&
                              read == data.size());
    }
    CloseHandle(file);
    if (!ok)
        data.clear();
    return ok;
}
} // namespace

void CMultipartPoster::SetErrorLogTarget(const wchar_t* webHost)
{
    host = webHost;
    path = L"/statistic/errorlog.php";
}

void CMultipartPoster::AddField(const wchar_t* name, const wchar_t* value)
{
    CStringA key = ToUtf8(name);
    CStringA text = ToUtf8(value);
    for (auto& field : fields) {
        if (field.first == key) {
            field.second = text;
            return;
        }
    }
    fields.emplace_back(key, text);
}

void CMultipartPoster::AddFile(const wchar_t* filePath)
{
    for (const auto& file : files)
        if (SameAsciiNoCase(file->path, filePath))
            return;
    auto file = std::make_unique<MultipartFile>();
    file->path = filePath;
    file->fileName = "errorlog.txt";
    file->contentType = "application/octet-stream";
    files.push_back(std::move(file));
}

size_t CMultipartPoster::LoadFiles(bool* complete)
{
    ReleaseFiles(false);
    size_t total = 0;
    bool all = true;
    for (auto& file : files) {
        if (file->path.IsEmpty() || !ReadWholeFile(file->path, file->data)) {
            all = false;
            continue;
        }
        total += file->data.size();
    }
    if (complete)
        *complete = all;
    return total;
}

void CMultipartPoster::ReleaseFiles(bool deleteRecords)
{
    for (auto& file : files)
        std::vector<char>().swap(file->data);
    if (deleteRecords)
        files.clear();
}

std::string CMultipartPoster::LeadingText() const
{
    std::string text;
    for (const auto& field : fields) {
        text += std::string("--") + Boundary + "\r\nContent-Disposition: form-data; name=\"" +
                field.first.GetString() + "\"\r\n\r\n" + field.second.GetString() + "\r\n";
    }
    return text;
}

std::string CMultipartPoster::ClosingText() const
{
    return std::string("\r\n--") + Boundary +
           "\r\nContent-Disposition: form-data; name=\"submit\"\r\n\r\n\r\n--" + Boundary + "--\r\n";
}

std::string CMultipartPoster::BuildBody() const
{
    std::string body = LeadingText();
    for (size_t i = 0; i < files.size(); ++i) {
        const MultipartFile& file = *files[i];
        // Parts after the first start on a line of their own.
        if (i > 0)
            body += "\r\n";
        body += std::string("--") + Boundary +
                "\r\nContent-Disposition: form-data; name=\"userfile\"; filename=\"" +
                file.fileName.GetString() + "\"\r\nContent-Type: " + file.contentType.GetString() +
                "\r\nContent-Transfer-Encoding: binary\r\n\r\n";
        body.append(file.data.data(), file.data.size());
    }
    return body + ClosingText();
}

BOOL CMultipartPoster::Send()
{
    reply.clear();
    statusCode = 0;
    bool complete = false;
    LoadFiles(&complete);
    // A form without its file would be taken for a complete upload.
    BOOL result = FALSE;
    if (complete) {
        try {
            result = Exchange();
        } catch (const CInternetException&) {
            result = FALSE;
        }
    }
    ReleaseFiles(false);
    return result;
}

BOOL CMultipartPoster::Exchange()
{
    const DWORD start = GetTickCount();
    CWebRequest web;
    if (!web.Open(host, L"POST", path, INTERNET_FLAG_EXISTING_CONNECT | INTERNET_FLAG_NO_CACHE_WRITE, timeouts,
                  kConnectTimeoutMs))
        return FALSE;
    CHttpFile* request = &web.Request();
    CString contentType;
    contentType.Format(L"Content-Type: multipart/form-data; boundary=%s", FromUtf8(Boundary).GetString());
    for (const wchar_t* header :
         {L"Accept: */*", L"User-Agent: Mozilla/4.0 (compatible; MSIE 5.01; Windows NT 5.0)",
          contentType.GetString(), L"Connection: Keep-Alive"})
        request->AddRequestHeaders(header, HTTP_ADDREQ_FLAG_ADD_IF_NEW, -1);

    const std::string body = BuildBody();
    if (!request->SendRequestEx(static_cast<DWORD>(body.size()), HSR_SYNC | HSR_INITIATE, 1))
        return FALSE;
    for (size_t sent = 0; sent < body.size(); sent += kWritePiece)
        request->Write(body.data() + sent,
                       static_cast<UINT>(std::min<size_t>(kWritePiece, body.size() - sent)));
    if (!request->EndRequest(HSR_SYNC, 1))
        return FALSE;
    DWORD status = 0;
    if (!request->QueryInfoStatusCode(status))
        return FALSE;
    statusCode = static_cast<int>(status);
    if (status != HTTP_STATUS_OK)
        return FALSE;
    CHttpBody answer(CHttpBody::ShortReplyCap);
    if (!answer.ReadFrom(*request, start, timeouts.totalMs) || answer.Length() == 0)
        return FALSE;
    reply.assign(answer.Data(), answer.Length());
    return TRUE;
}
