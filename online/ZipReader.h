// Reads zip archives (stored and deflated entries, one disk) and extracts
// entries to files.  Archives come from the network: an entry never writes
// outside its target, and a damaged entry is a failure, never a file.
#pragma once

#include "online/ZipArchive.h"

struct ZipItem {
    int index;         // for index -1: the number of entries
    wchar_t name[260]; // '/' as stored
    DWORD attributes;  // Windows file attributes
    FILETIME accessTime, creationTime, modificationTime;
    int compressedSize, uncompressedSize;
};

// Null on failure; ZipReaderLastResult tells why: ZipBadLocalHeader also
// for an archive whose entries' local headers and data do not each lie in a
// range of their own before the central directory.  Directory entries are
// later created below the current directory of this moment.
ZipHandle* ZipReaderOpen(const wchar_t* path);
// Fills `out` for the entry, or for index -1 gives the number of entries.
int ZipReaderGetItem(int index, ZipItem* out, ZipHandle* handle);
// Writes the entry to targetPath; on any failure no target is left behind.
// An entry that would produce more than maxLength bytes fails
// (ZipReadWriteFailed) before anything is written.
int ZipReaderExtract(ZipHandle* handle, const wchar_t* targetPath, int index,
                     uint32_t maxLength = 0xFFFFFFFF);
int ZipReaderClose(ZipHandle* handle);
