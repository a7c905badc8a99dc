// SHA-1 of data and of whole files, rendered as 40 upper-case hexadecimal
// digits.  The update check verifies its downloads with it.
#pragma once

#include "framework/CString.h"

#include <windows.h>

#include <cstdint>

class CSha1Hash
{
public:
    CSha1Hash();
    // Wipes the state.
    ~CSha1Hash();

    // Starts a new message.
    void Reset();
    void Update(const unsigned char* data, unsigned int length);
    // Adds a whole file, read in 8000-byte pieces; false when it can't be
    // opened or read to its end (what was read stays added).
    BOOL HashFile(const wchar_t* path);
    // The same for an open file, from its start.
    BOOL HashOpenFile(HANDLE file);
    // Pads, stores the digest and wipes the rest; Reset before hashing again.
    void Final();

    const unsigned char* Digest() const { return digest_; }
    // FALSE only for a null output.
    BOOL GetHashString(CString* out) const;

    // The digest of a whole file as text, and false when it can't be read.
    static bool FileDigest(const wchar_t* path, CString& digest);

    // Where the processor has SHA instructions they are used, unless this
    // turns them off (to test and measure the portable code).
    static void AllowShaInstructions(bool allowed);

private:
    void Compress(const unsigned char* blocks, size_t count);

    uint32_t state_[5];
    uint64_t bitCount_;
    unsigned char buffer_[64];
    unsigned char digest_[20];
};
