// The body of an HTTP answer, gathered in memory up to a cap.  The cap's
// address space is reserved once and committed as the body grows, so growing
// never copies what was read and a large body costs no more than its size.
#pragma once

#include "framework/CInternetSession.h"

#include <cstddef>

class CHttpBody
{
public:
    static const size_t DefaultCap = 64 << 20;
    static const unsigned ReadSize = 16384;

    explicit CHttpBody(size_t cap = DefaultCap) : cap_(cap) {}
    ~CHttpBody();
    CHttpBody(const CHttpBody&) = delete;
    CHttpBody& operator=(const CHttpBody&) = delete;

    // Reads the whole answer in ReadSize pieces.  False when it is larger
    // than the cap or memory runs out; a broken transfer throws
    // CInternetException.
    bool ReadFrom(CHttpFile& request);

    const char* Data() const { return base_; }
    size_t Length() const { return length_; }

private:
    bool Reserve(size_t needed);

    size_t cap_;
    char* base_ = nullptr;
    size_t committed_ = 0;
    size_t length_ = 0;
};
