// Our DEFLATE encoder (RFC 1951, a raw stream): hash chains over a 32 KiB
// window with lazy matching, and per block the smallest of a stored block,
// the fixed codes and optimal length-limited dynamic codes.  The zip writer
// packs its entries with it.
#pragma once

#include <cstdint>
#include <memory>

class CDeflateSource
{
public:
    // Up to `size` bytes; 0 at the end (and after a failure, which the
    // source itself remembers).
    virtual unsigned Read(unsigned char* buffer, unsigned size) = 0;

protected:
    ~CDeflateSource() = default;
};

class CDeflateSink
{
public:
    virtual bool Write(const unsigned char* data, unsigned size) = 0;

protected:
    ~CDeflateSink() = default;
};

class CDeflateEncoder
{
public:
    enum Status { Ok, SinkFailed, InternalError };

    // Levels 1 to 8; any other level fails Encode with "bad pack level".
    explicit CDeflateEncoder(int level);
    ~CDeflateEncoder();

    // Compresses the whole source into one stream.
    Status Encode(CDeflateSource& source, CDeflateSink& sink);
    // What went wrong inside the encoder; null when nothing did.
    const char* ErrorText() const { return error_; }
    // Bytes written to the sink by the last Encode.
    uint64_t CompressedSize() const { return compressedSize_; }

    // The zip flag bits of a level: 2 (maximum) from 8 on, 4 (fast) for 1 and 2.
    static int FlagBitsOfLevel(int level);

private:
    struct State;

    int level_;
    const char* error_ = nullptr;
    uint64_t compressedSize_ = 0;
};
