// The program's folders and files, filled once at start-up.
#pragma once

#include "framework/CString.h"

struct AppPathsRecord {
    CString programFolder; // the executable's folder, no trailing backslash
    CString dataFolder;    // "<application data>\Quorventile"
    CString skinFolder;
    CString databasePath;
    CString updateFolder;
};

extern AppPathsRecord AppPaths;
