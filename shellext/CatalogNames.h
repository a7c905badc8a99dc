// The group names the shell extension shows, read from the cache file the
// main program writes (CatalogsCache.bin: "app://get_category?
// category_count=N&category_0=name&category_1=name...", UTF-16LE, names in
// plain text).  The file comes from another process and may be truncated,
// huge or hostile: it is read only up to a size cap, and the count is
// bounded.
#pragma once

#include "framework/CString.h"

#include <vector>

const unsigned kMaxCatalogsCacheBytes = 1u << 20;
const int kMaxCatalogNames = 4096;

// The text of the file up to its first zero code unit (an odd last byte is
// not part of it).  False, with the text empty, when the file is missing,
// locked by its writer, larger than the cap or can't be read whole.
bool ReadCatalogsCacheText(const wchar_t* path, CString& text);

// The names the text lists, category_count of them (at most
// kMaxCatalogNames; a count below 1 gives none).  Name i runs from
// "&category_i=" up to "&category_<i+1>=", so a name holding "&", "=" or
// another key's text comes out whole; a missing name is empty.
std::vector<CString> ParseCatalogNames(const CString& text);
