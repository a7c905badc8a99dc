// The body of an HTTP answer, gathered in memory up to a cap.  The cap's
// address space is reserved once and committed as the body grows, so growing
// never copies what was read and a large body costs no more than its size.
#pragma once

#include "framework/CInternetSession.h"

#include <cstddef>

// How long one exchange may take.  Every wait for the network (connecting,
// sending, each piece of the answer) ends after waitMs, and the whole body,
// one trickling in byte by byte included, must be in within totalMs of the
// start.  Header lines that trickle in are bounded by waitMs per piece only:
// WinINet reads them inside the send, which Wine does not end when the
// request is closed.
struct HttpTimeouts {
    DWORD waitMs = 30000;
    DWORD totalMs = 600000;
};

class CHttpBody
{
public:
    static const size_t DefaultCap = 64 << 20;
    // For a reply that is only a status word ("ok").
    static const size_t ShortReplyCap = 1 << 10;
    static const unsigned ReadSize = 16384;

    explicit CHttpBody(size_t cap = DefaultCap) : cap_(cap) {}
    ~CHttpBody();
    CHttpBody(const CHttpBody&) = delete;
    CHttpBody& operator=(const CHttpBody&) = delete;

    // Reads the whole answer in pieces of at most ReadSize bytes.  False
    // when it is larger than the cap, memory runs out, it is not all there
    // within totalMs of startTick (a GetTickCount value), or it ended before
    // the end its headers announce (its Content-Length, or for a chunked
    // body the last chunk, where WinINet tells); a broken transfer throws
    // CInternetException.
    bool ReadFrom(CHttpFile& request, DWORD startTick, DWORD totalMs);

    const char* Data() const { return base_; }
    size_t Length() const { return length_; }

private:
    bool Reserve(size_t needed);
    // endError: the last error that the read which found the end left.
    bool ReadAll(CHttpFile& request, DWORD startTick, DWORD totalMs, DWORD& endError);

    size_t cap_;
    char* base_ = nullptr;
    size_t committed_ = 0;
    size_t length_ = 0;
};
