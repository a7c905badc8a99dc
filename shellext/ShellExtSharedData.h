// The state every handler object of the process shares: the DLL's folder,
// the user's data folder and the group names, under one re-entrant lock
// that each handler method holds for its whole run.
#pragma once

#include "core/Lock.h"
#include "framework/CString.h"

#include <windows.h>

#include <vector>

class CShellExtSharedData
{
public:
    CLock lock;
    CString moduleFolder; // the DLL's folder, no trailing backslash
    std::vector<CString> catalogNames;

    // Rereads the names from the cache file in the data folder.  A missing,
    // locked or unreadable file keeps the names of the last read; with none
    // at all the list is the one group "默认".
    void LoadCatalogNames();

    // "<application data>\Quorventile", looked up on first use (not while
    // the DLL is being attached); "\Quorventile" when the lookup fails.
    const CString& DataFolder();

    // Hands the paths to the main program for the group at the index:
    // E_INVALIDARG for an index past the list or when the program runs but
    // its window can't be found; the send's or start's failure otherwise.
    HRESULT HandOver(size_t index, const std::vector<CString>& paths);

private:
    CString dataFolder_;
    bool dataFolderKnown_ = false;
};

extern CShellExtSharedData ShellExtSharedData;
