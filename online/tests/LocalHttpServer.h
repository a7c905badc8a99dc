// A small HTTP server on 127.0.0.1 for tests and benchmarks.  It answers
// each request from a table of canned answers (by request target, else by
// path without the query, else 404), records every raw request, and closes
// the connection after each answer.  Every answer says
// "Cache-Control: no-store" so that WinINet never serves from its cache.
#pragma once

#include "framework/CString.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CLocalHttpServer
{
public:
    struct Answer {
        int status = 200;
        std::string extraHeaders; // "Name: value\r\n" lines
        std::string body;
        // When non-zero, a body of this many bytes of a repeating pattern
        // is sent instead of `body` (without holding it in memory).
        size_t generatedLength = 0;
        // Announce this many bytes more than are sent, then hang up.
        size_t missingBytes = 0;
        // Close the connection without answering.
        bool hangUp = false;
        // Keep the connection open without ever answering (until Stop),
        // and go on serving other requests meanwhile.
        bool stall = false;
        // When set, the answer waits for this event (or for Stop).
        void* hold = nullptr;
        // Waits this long (or until Stop) before answering.
        unsigned delayMs = 0;
        // Sends the body one byte at a time, this long apart.
        unsigned byteDelayMs = 0;
        // When set, sent as the whole answer, byte for byte, instead.
        std::string raw;

        // 200 with the body, once the event is set.
        static Answer HeldUntil(void* event, const std::string& body)
        {
            Answer answer;
            answer.body = body;
            answer.hold = event;
            return answer;
        }
        // 200 with a chunked body, sent as the chunks given ("5\r\nhello\r\n"
        // ..., the last chunk too when wanted); body is what they hold.
        static Answer Chunked(const std::string& chunks, const std::string& body)
        {
            Answer answer;
            answer.raw = "HTTP/1.1 200 OK\r\nCache-Control: no-store\r\nConnection: close\r\n"
                         "Transfer-Encoding: chunked\r\n\r\n" +
                         chunks;
            answer.body = body;
            return answer;
        }
    };

    // A recorded request, split for the checks.
    struct Request {
        std::string raw;
        std::string method, target;
        std::vector<std::string> headerLines; // without their CRLF
        std::string body;
        // The value of the first header with this name (any case), or empty.
        std::string Header(const std::string& name) const;
        // The header lines begin with exactly these, byte for byte and in
        // this order, and none of their names comes again further down.
        bool HeadersStartWith(const std::vector<std::string>& lines) const;
    };

    CLocalHttpServer();
    ~CLocalHttpServer();

    // Listens on 127.0.0.1 at the port, a free one when 0; false when it
    // can't.
    bool Start(unsigned short port = 0);
    void Stop();

    unsigned short Port() const { return port_; }
    // "127.0.0.1:<port>"
    CString Host() const;

    void SetAnswer(const std::string& target, const Answer& answer);
    std::vector<Request> Requests() const;
    void ClearRequests();

    // The byte at `offset` of a generated body.
    static char GeneratedByte(size_t offset) { return static_cast<char>('a' + offset % 26); }

private:
    void Serve();
    // False when the connection is to stay open, stalled.
    bool HandleConnection(uintptr_t client);
    Answer FindAnswer(const std::string& target) const;

    uintptr_t listener_ = ~uintptr_t(0); // a SOCKET; winsock2.h stays out of this header
    void* stopped_ = nullptr;            // an event set by Stop, ends a held answer
    unsigned short port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::map<std::string, Answer> answers_;
    std::vector<Request> requests_;
    std::vector<uintptr_t> stalled_; // sockets, closed by Stop
};
