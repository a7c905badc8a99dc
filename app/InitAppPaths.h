// Fills the program's folders and files at start-up.
#pragma once

#include "core/AppPaths.h"

// Data folder "Quorventile" under the user's application-data folder, with
// AppData.db and the Update folder in it; the executable's folder and its
// Skin folder.  Creates the data and update folders when missing.  Returns
// 1, or 0 when the application-data folder can't be found (the data paths
// then stay empty).
int InitAppPaths(AppPathsRecord& paths);

// The same with the application-data folder given.
int InitAppPathsUnder(AppPathsRecord& paths, const wchar_t* appDataFolder);
