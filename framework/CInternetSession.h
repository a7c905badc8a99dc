// The framework's HTTP classes over WinINet: a session opens connections,
// a connection opens requests (CHttpFile).  Each object owns its handle and
// closes it once; a request must be destroyed before its connection, and a
// connection before its session.
//
// Opening and sending report failure by their results.  A read or write that
// fails in the middle of a transfer throws CInternetException.  A read that
// ends early without failing (a connection cut inside a chunked body reads
// as its end under Wine) is for the caller to tell from the headers.
#pragma once

#include "framework/CString.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <memory>

class CInternetException
{
public:
    explicit CInternetException(DWORD error) : m_dwError(error) {}
    DWORD m_dwError;
};

// Owns one WinINet handle.  Close may come from another thread than the
// one using the handle, to end a blocked call: the handle is taken once, so
// it is closed exactly once, and later calls on the object fail.
class CInternetHandle
{
public:
    CInternetHandle() = default;
    explicit CInternetHandle(HINTERNET handle) : handle_(handle) {}
    ~CInternetHandle() { Close(); }
    CInternetHandle(const CInternetHandle&) = delete;
    CInternetHandle& operator=(const CInternetHandle&) = delete;

    void Close();
    HINTERNET Handle() const { return handle_; }
    bool IsOpen() const { return handle_ != nullptr; }
    BOOL SetOption(DWORD option, DWORD value);

protected:
    std::atomic<HINTERNET> handle_{nullptr};
};

class CHttpFile : public CInternetHandle
{
public:
    explicit CHttpFile(HINTERNET request) : CInternetHandle(request) {}

    // length -1: the headers are terminated text.
    BOOL AddRequestHeaders(const wchar_t* headers, DWORD flags = HTTP_ADDREQ_FLAG_ADD_IF_NEW,
                           int length = -1);
    // Sends the request with an optional body in one piece.
    BOOL SendRequest(const wchar_t* headers = nullptr, DWORD headersLength = 0, const void* body = nullptr,
                     DWORD bodyLength = 0);
    // Starts a request whose body of totalLength bytes follows through Write;
    // EndRequest finishes it.
    BOOL SendRequestEx(DWORD totalLength, DWORD flags = HSR_INITIATE, DWORD_PTR context = 1);
    BOOL EndRequest(DWORD flags = 0, DWORD_PTR context = 1);

    BOOL QueryInfoStatusCode(DWORD& status) const;
    // A header or other information as text; FALSE when absent.
    BOOL QueryInfo(DWORD level, CString& value) const;

    // Waits until some of the answer is there (or its end) and returns how
    // many bytes can be read without waiting; 0 at its end.
    DWORD QueryDataAvailable();
    // Up to count bytes of the answer; 0 at its end.
    UINT Read(void* buffer, UINT count);
    // Writes all count bytes of the request body.
    void Write(const void* data, UINT count);
};

class CHttpConnection : public CInternetHandle
{
public:
    explicit CHttpConnection(HINTERNET connection) : CInternetHandle(connection) {}

    // Null when WinINet refuses the request.  Default accept types and HTTP
    // version.
    std::unique_ptr<CHttpFile> OpenRequest(const wchar_t* verb, const wchar_t* objectName,
                                           const wchar_t* referer = nullptr, DWORD_PTR context = 1,
                                           DWORD flags = INTERNET_FLAG_EXISTING_CONNECT);
};

class CInternetSession : public CInternetHandle
{
public:
    // Opens the session at once; IsOpen tells whether that worked.
    explicit CInternetSession(const wchar_t* agent, DWORD_PTR context = 1,
                              DWORD accessType = INTERNET_OPEN_TYPE_PRECONFIG, DWORD flags = 0);

    // Null when there is no connection.
    std::unique_ptr<CHttpConnection> GetHttpConnection(const wchar_t* server,
                                                       INTERNET_PORT port = INTERNET_INVALID_PORT_NUMBER,
                                                       const wchar_t* userName = nullptr,
                                                       const wchar_t* password = nullptr);

private:
    DWORD_PTR context_;
};
