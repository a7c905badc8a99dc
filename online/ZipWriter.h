// Writes zip archives whose entries are packed by our own DEFLATE encoder
// at level 8 (or stored, for names of already compressed kinds).  On a disk
// file each local header is rewritten with the final sizes, so no data
// descriptor follows the data.
#pragma once

#include "online/ZipArchive.h"

// Creates or truncates the archive; null on failure (ZipWriterLastResult).
ZipHandle* ZipWriterCreate(const wchar_t* path);
// Adds the file sourcePath as the entry entryName ('\' becomes '/').
int ZipWriterAddFile(ZipHandle* handle, const wchar_t* entryName, const wchar_t* sourcePath);
// Adds sourcePath as "ErrorLog.txt".
int ZipWriterAddErrorLog(const wchar_t* sourcePath, ZipHandle* handle);
// Writes the central directory and the end record, closes the file and frees
// the handle (not a reader's handle).
int ZipWriterClose(ZipHandle* handle);
