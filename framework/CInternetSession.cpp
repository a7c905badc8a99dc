#include "framework/CInternetSession.h"

void CInternetHandle::Close()
{
    if (HINTERNET handle = handle_.exchange(nullptr))
        InternetCloseHandle(handle);
}

BOOL CInternetHandle::SetOption(DWORD option, DWORD value)
{
    return InternetSetOptionW(handle_, option, &value, sizeof(value));
}

BOOL CHttpFile::AddRequestHeaders(const wchar_t* headers, DWORD flags, int length)
{
    return HttpAddRequestHeadersW(handle_, headers, static_cast<DWORD>(length), flags);
}

BOOL CHttpFile::SendRequest(const wchar_t* headers, DWORD headersLength, const void* body, DWORD bodyLength)
{
    return HttpSendRequestW(handle_, headers, headersLength, const_cast<void*>(body), bodyLength);
}

BOOL CHttpFile::SendRequestEx(DWORD totalLength, DWORD flags, DWORD_PTR context)
{
    INTERNET_BUFFERSW buffers = {};
    buffers.dwStructSize = sizeof(buffers);
    buffers.dwBufferTotal = totalLength;
    return HttpSendRequestExW(handle_, &buffers, nullptr, flags, context);
}

BOOL CHttpFile::EndRequest(DWORD flags, DWORD_PTR context)
{
    return HttpEndRequestW(handle_, nullptr, flags, context);
}

BOOL CHttpFile::QueryInfoStatusCode(DWORD& status) const
{
    DWORD size = sizeof(status);
    return HttpQueryInfoW(handle_, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
}

BOOL CHttpFile::QueryInfo(DWORD level, CString& value) const
{
    DWORD size = 0;
    HttpQueryInfoW(handle_, level, nullptr, &size, nullptr);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
        return FALSE;
    // size is in bytes and counts the terminator.
    wchar_t* buffer = value.GetBuffer(static_cast<int>(size / sizeof(wchar_t)));
    if (!HttpQueryInfoW(handle_, level, buffer, &size, nullptr)) {
        value.ReleaseBuffer(0);
        return FALSE;
    }
    value.ReleaseBuffer(static_cast<int>(size / sizeof(wchar_t)));
    return TRUE;
}

DWORD CHttpFile::QueryDataAvailable()
{
    DWORD available = 0;
    if (!InternetQueryDataAvailable(handle_, &available, 0, 0))
        throw CInternetException(GetLastError());
    return available;
}

UINT CHttpFile::Read(void* buffer, UINT count)
{
    DWORD read = 0;
    if (!InternetReadFile(handle_, buffer, count, &read))
        throw CInternetException(GetLastError());
    return read;
}

void CHttpFile::Write(const void* data, UINT count)
{
    const char* bytes = static_cast<const char*>(data);
    while (count > 0) {
        DWORD written = 0;
        if (!InternetWriteFile(handle_, bytes, count, &written) || written == 0)
            throw CInternetException(GetLastError());
        bytes += written;
        count -= written;
    }
}

std::unique_ptr<CHttpFile> CHttpConnection::OpenRequest(const wchar_t* verb, const wchar_t* objectName,
                                                        const wchar_t* referer, DWORD_PTR context,
                                                        DWORD flags)
{
    HINTERNET request =
        HttpOpenRequestW(handle_, verb, objectName, nullptr, referer, nullptr, flags, context);
    if (!request)
        return nullptr;
    return std::make_unique<CHttpFile>(request);
}

CInternetSession::CInternetSession(const wchar_t* agent, DWORD_PTR context, DWORD accessType, DWORD flags)
    : context_(context)
{
    handle_ = InternetOpenW(agent, accessType, nullptr, nullptr, flags);
}

std::unique_ptr<CHttpConnection> CInternetSession::GetHttpConnection(const wchar_t* server,
                                                                     INTERNET_PORT port,
                                                                     const wchar_t* userName,
                                                                     const wchar_t* password)
{
    if (!handle_)
        return nullptr;
    HINTERNET connection =
        InternetConnectW(handle_, server, port, userName, password, INTERNET_SERVICE_HTTP, 0, context_);
    if (!connection)
        return nullptr;
    return std::make_unique<CHttpConnection>(connection);
}
