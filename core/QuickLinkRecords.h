// The in-memory records of a quick link and of a group.  Display order is
// kept in the store as chains: a link's preid is the id of the link before
// it in its group (0 for the first); a group's preid is the cid of the group
// that was last when it was added (0 for the first).
#pragma once

#include "framework/CString.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

namespace SkinControl
{
class CTreeListItem;
}

enum QuickLinkType {
    LinkTypeShellPlace = 1, // a shell folder given by its CSIDL
    LinkTypeDirectory = 2,
    LinkTypeFile = 3,
    LinkTypeShortcut = 4, // a shell link file
};

struct QuickLinkInfo {
    int id = 0;
    int cid = 0;
    int preid = 0;
    int linktype = 0;
    CString name;
    CString namepinyin;
    SkinControl::CTreeListItem* treeItem = nullptr; // never stored
    CString path;
    CString args;
    CString workdir;
    CString desc;
    int csidl = 0;
    SHFILEINFOW fileInfo = {};
    // Whether the target was missing when last looked at, off the window's
    // thread; never stored.
    bool targetMissing = false;
    // The name lower-cased for the search, made on first use and emptied
    // when the name changes; never stored.
    CString searchName;
};

struct CatalogInfo {
    int cid = 0;
    int preid = 0;
    CString name;
    SkinControl::CTreeListItem* treeItem = nullptr; // never stored
    std::vector<QuickLinkInfo*> links;              // not owned
};
