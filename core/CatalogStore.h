// Groups (qv_catalog) and links (qv_link) of AppData.db.  Every operation
// returns 1 on success and 0 on failure and throws nothing.  Loaders append
// new records to the caller's array and never free one, also not when they
// fail part way.  Changes to the groups rewrite CatalogsCache.bin.
#pragma once

#include "core/QuickLinkRecords.h"

#include <vector>

// Inserts a group whose name no group has yet (names compare exactly) and
// sets its cid.
int AddCatalog(CatalogInfo& catalog);
int DeleteCatalog(const CatalogInfo& catalog);
int RenameCatalog(const wchar_t* newName, const CatalogInfo& catalog);
// Groups in ascending preid, with cid, name and preid.
int LoadCatalogs(std::vector<CatalogInfo*>& catalogs);

// Inserts the link and sets its id.
int AddLink(QuickLinkInfo& link);
// Deletes the link and re-points its successor to the link's own preid.
int DeleteLink(const QuickLinkInfo& link);
int MoveLinkToCatalog(const QuickLinkInfo& link);
int RenameLink(const QuickLinkInfo& link);
int SetLinkPreId(const QuickLinkInfo& link);
// Links of one group in ascending preid, with their shell icon and names.
int LoadLinks(int cid, std::vector<QuickLinkInfo*>& links);
// LoadLinks without the shell's part, for callers that ask the shell
// elsewhere (the shell's answer costs milliseconds per link).
int LoadLinkRows(int cid, std::vector<QuickLinkInfo*>& links);
// What LoadLinks asks the shell for one record: its icon, display name and
// type name; a shell place's display name replaces its name.  Needs COM on
// the calling thread.  False when a shell place has no location here.
bool FillLinkShellInfo(QuickLinkInfo& link);
