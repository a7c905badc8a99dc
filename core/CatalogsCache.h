// CatalogsCache.bin: the group names in display order as one command URL
// ("app://get_category?category_count=N&category_0=...") in UTF-16LE with one
// zero code unit after it, so that the shell extension can list the groups
// without opening the database.
#pragma once

#include "framework/CString.h"

#include <vector>

// The cache text for these names (plain text, not hex-coded).
CString BuildCatalogsCacheText(const std::vector<CString>& names);
// Rewrites the file from qv_catalog; 1 when written, 0 otherwise.  Inside a
// store transaction it is rewritten when the transaction ends (1).
int WriteCatalogsCache();
