// A multipart form POST with files, for the error-log upload.
#pragma once

#include "framework/CString.h"
#include "online/HttpBody.h"

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

class CMultipartPoster
{
public:
    struct MultipartFile {
        CString path;
        CStringA fileName; // the name sent in the part header
        CStringA contentType;
        std::vector<char> data; // the file's bytes while a send runs
    };

    static const char* const Boundary; // "---------------------------7da34824280404"
    // Files larger than this are not sent (and fail the send).
    static const size_t MaxFileLength = 16 << 20;

    // Sets host and path to the error-log upload of webHost.
    void SetErrorLogTarget(const wchar_t* webHost);
    // Adds the field, or replaces the value of one of that name (UTF-8).
    void AddField(const wchar_t* name, const wchar_t* value);
    // Adds the file once (paths compared without regard to ASCII case).
    void AddFile(const wchar_t* path);
    // Reads every listed file that exists; returns the bytes read.
    // `complete` tells whether every listed file could be read.
    size_t LoadFiles(bool* complete = nullptr);
    void ReleaseFiles(bool deleteRecords);
    // The whole request body for the loaded files.
    std::string BuildBody() const;

    // Sends the form; TRUE when the answer was 200 with a body of at most
    // CHttpBody::ShortReplyCap bytes, which is then in reply (all of it: zero
    // bytes included).
    BOOL Send();

    CString host;
    CString path;
    std::vector<std::unique_ptr<MultipartFile>> files;
    std::vector<std::pair<CStringA, CStringA>> fields;
    std::string reply;
    int statusCode = 0;
    // Connecting waits at most 10 s, whatever these say.
    HttpTimeouts timeouts;

private:
    BOOL Exchange();
    std::string LeadingText() const;
    std::string ClosingText() const;
};
