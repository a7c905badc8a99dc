#include "online/HttpDownloadBase.h"

const wchar_t* const HttpAgentName = L"Tob Post Internet Session";

namespace
{
// Added as they are, tabs and blank runs included: the web host's logs
// have always seen them like this.
const wchar_t* const kRequestHeaders[] = {
    L"Accept:\t\t\t*/*",
    L"Cache-Control:\tno-cache",
    L"User-Agent:\t\tMozilla/4.0   (compatible;   MSIE   5.01;   Windows   NT   5.0)",
    L"Content-Type:\t\tapplication/x-www-form-urlencoded",
    L"Connection:\t\tclose",
};

bool IsGzipEncoded(const CHttpFile& request)
{
    CString encoding;
    if (!request.QueryInfo(HTTP_QUERY_CONTENT_ENCODING, encoding))
        return false;
    return encoding.MakeLower().Find(L"gzip") >= 0;
}
} // namespace

bool SplitWebHost(const CString& host, CString& server, INTERNET_PORT& port)
{
    port = INTERNET_DEFAULT_HTTP_PORT;
    server = host;
    int colon = host.ReverseFind(L':');
    if (colon >= 0 && host.Find(L']', colon) < 0) {
        CString digits = host.Mid(colon + 1);
        server = host.Left(colon);
        if (digits.IsEmpty() || digits.GetLength() > 5 ||
            digits.str().find_first_not_of(L"0123456789") != std::wstring::npos)
            return false;
        unsigned long number = wcstoul(digits, nullptr, 10);
        if (number == 0 || number > 65535)
            return false;
        port = static_cast<INTERNET_PORT>(number);
    }
    return !server.IsEmpty();
}

// The request Abort closes, for the time it exists.
class CHttpDownloadBase::CActiveRequest
{
public:
    CActiveRequest(CHttpDownloadBase& owner, CHttpFile* request) : owner(owner)
    {
        CScopedLock lock(owner.abortLock);
        owner.activeRequest = request;
    }
    ~CActiveRequest()
    {
        CScopedLock lock(owner.abortLock);
        owner.activeRequest = nullptr;
    }
    CActiveRequest(const CActiveRequest&) = delete;
    CActiveRequest& operator=(const CActiveRequest&) = delete;

private:
    CHttpDownloadBase& owner;
};

void CHttpDownloadBase::Abort()
{
    CScopedLock lock(abortLock);
    aborted = true;
    if (activeRequest)
        activeRequest->Close();
}

bool CHttpDownloadBase::IsAborted()
{
    CScopedLock lock(abortLock);
    return aborted;
}

void CHttpDownloadBase::OnData(const char*, int, int) {}
void CHttpDownloadBase::OnRequestCreated(CHttpFile*) {}
void CHttpDownloadBase::OnFailed() {}

BOOL CHttpDownloadBase::Download()
{
    statusCode = 0;
    bodyLength = 0;
    bool delivered = false;
    try {
        delivered = Exchange();
    } catch (const CInternetException&) {
        delivered = false;
    }
    if (!delivered)
        OnFailed();
    return delivered ? TRUE : FALSE;
}

bool CWebRequest::Open(const CString& host, const wchar_t* verb, const wchar_t* path, DWORD flags,
                       const HttpTimeouts& timeouts, DWORD connectTimeoutMs)
{
    CString server;
    INTERNET_PORT port;
    if (!SplitWebHost(host, server, port))
        return false;
    const DWORD connectTimeout = connectTimeoutMs ? connectTimeoutMs : timeouts.waitMs;
    session_ = std::make_unique<CInternetSession>(HttpAgentName, 1, INTERNET_OPEN_TYPE_DIRECT);
    session_->SetOption(INTERNET_OPTION_CONNECT_TIMEOUT, connectTimeout);
    connection_ = session_->GetHttpConnection(server, port);
    if (!connection_)
        return false;
    request_ = connection_->OpenRequest(verb, path, nullptr, 1, flags | INTERNET_FLAG_NO_AUTO_REDIRECT);
    if (!request_)
        return false;
    // Wine's requests take no time-out from their session.
    request_->SetOption(INTERNET_OPTION_CONNECT_TIMEOUT, connectTimeout);
    request_->SetOption(INTERNET_OPTION_SEND_TIMEOUT, timeouts.waitMs);
    request_->SetOption(INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.waitMs);
    return true;
}

bool CHttpDownloadBase::Exchange()
{
    const DWORD start = GetTickCount();
    CWebRequest web;
    if (!web.Open(host, usePost ? L"POST" : L"GET", path, INTERNET_FLAG_EXISTING_CONNECT, timeouts))
        return false;
    CHttpFile* request = &web.Request();
    CActiveRequest active(*this, request);
    if (IsAborted())
        return false;
    for (const wchar_t* header : kRequestHeaders)
        request->AddRequestHeaders(header, HTTP_ADDREQ_FLAG_ADD_IF_NEW, -1);
    OnRequestCreated(request);
    if (!request->SendRequest())
        return false;

    DWORD status = 0;
    if (!request->QueryInfoStatusCode(status))
        return false;
    statusCode = static_cast<int>(status);
    // A compressed body is never decoded: drop it unread.
    if (status != HTTP_STATUS_OK || IsGzipEncoded(*request))
        return false;

    CHttpBody body(maxBodyLength);
    bool complete = body.ReadFrom(*request, start, timeouts.totalMs);
    bodyLength = static_cast<int>(body.Length());
    if (!complete || IsAborted())
        return false;
    OnData(body.Data(), bodyLength, 0);
    return true;
}
