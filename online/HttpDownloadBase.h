// One HTTP request to the web host whose whole answer body goes to the
// subclass in one call.  The base of the update check, the usage ping and
// the message module's feed download; Download blocks its (pool) thread.
#pragma once

#include "core/Lock.h"
#include "framework/CInternetSession.h"
#include "framework/CString.h"
#include "online/HttpBody.h"

#include <memory>

extern const wchar_t* const HttpAgentName; // "Tob Post Internet Session"

// Splits "name" or "name:port" (the port kept from an update URL, or a test
// server's) into the server name and port; no port means 80.  False for an
// empty name or a port that is not a number from 1 to 65535.
bool SplitWebHost(const CString& host, CString& server, INTERNET_PORT& port);

// One request to the web host, with the session and connection it needs;
// all three close together, the request first.
class CWebRequest
{
public:
    // False when the host can't be split or any of the three can't be
    // opened.  Redirects are never followed: a redirect is an answer like
    // any other that is not 200, not a reason to ask somewhere else.  Every
    // wait ends after timeouts.waitMs, connecting after connectTimeoutMs
    // when that is given.
    bool Open(const CString& host, const wchar_t* verb, const wchar_t* path, DWORD flags,
              const HttpTimeouts& timeouts, DWORD connectTimeoutMs = 0);
    CHttpFile& Request() { return *request_; }

private:
    std::unique_ptr<CInternetSession> session_;
    std::unique_ptr<CHttpConnection> connection_;
    std::unique_ptr<CHttpFile> request_;
};

class CHttpDownloadBase
{
public:
    CHttpDownloadBase() = default;
    virtual ~CHttpDownloadBase() = default;

    // One complete exchange with host and path as they stand.  TRUE exactly
    // when OnData was called; otherwise OnFailed was.
    BOOL Download();
    // Ends the exchange in progress, or the next one, from any thread: the
    // request is closed, which ends a blocked call where WinINet allows it
    // (Wine's does not), and no body is delivered after this.
    void Abort();

    CString host;       // server name, optionally with ":port"
    CString path;       // object path with its query, starting with '/'
    int statusCode = 0; // of the last Download; 0 when none was read
    int bodyLength = 0; // bytes of the last body read
    int usePost = 1;    // 0: GET
    // A larger body fails the exchange.
    size_t maxBodyLength = CHttpBody::DefaultCap;
    HttpTimeouts timeouts;

protected:
    // The complete body, once; data is freed when this returns.
    virtual void OnData(const char* data, int length, int fromCache);
    // The open request, its standard headers added, before it is sent.
    virtual void OnRequestCreated(CHttpFile* request);
    virtual void OnFailed();

private:
    class CActiveRequest;
    bool Exchange();
    bool IsAborted();

    CLock abortLock;
    bool aborted = false;               // guarded by abortLock
    CHttpFile* activeRequest = nullptr; // guarded by abortLock
};
