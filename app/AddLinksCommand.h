// The command URL "app://add_links_to_catalog" that the shell extension sends
// (WM_COPYDATA or "-addlinkstocatalog"): a group name and paths, hex-coded.
// It comes from another process, so it is read defensively.
#pragma once

#include "framework/CString.h"

#include <vector>

struct AddLinksCommand {
    CString catalogName;
    std::vector<CString> paths;
};

// Reads "catalog_name", "links_count" and "link_0"... up to the first one
// missing, so the text's own length bounds the paths; a path that doesn't
// decode is skipped.  False when there is nothing to add: no group name (or one that
// doesn't decode) or no path.
bool ParseAddLinksCommand(const CString& url, AddLinksCommand& command);
