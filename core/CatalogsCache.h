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
// store transaction it is rewritten when the transaction ends (1).  It lists
// the groups the list shows: not a group named like an earlier one but for
// case, nor one of the groups set below.
int WriteCatalogsCache();
// The groups the list leaves out (by cid), replacing those set before: a
// group left out at load stays out until the next load, also once the group
// that hid it has another name.
void SetCatalogsLeftOut(const std::vector<int>& cids);
