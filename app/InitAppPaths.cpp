#include "app/InitAppPaths.h"

#include <windows.h>
#include <shlobj.h>

namespace
{

void CreateFolderIfMissing(const wchar_t* folder)
{
    if (GetFileAttributesW(folder) == INVALID_FILE_ATTRIBUTES)
        CreateDirectoryW(folder, nullptr);
}

void SetProgramFolders(AppPathsRecord& paths)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH - 1);
    CString program(path);
    int slash = program.ReverseFind(L'\\');
    paths.programFolder = slash >= 0 ? program.Left(slash) : program;
    paths.skinFolder.Format(L"%s\\Skin", paths.programFolder);
}

} // namespace

int InitAppPathsUnder(AppPathsRecord& paths, const wchar_t* appDataFolder)
{
    paths.dataFolder.Format(L"%s\\Quorventile", appDataFolder);
    CreateFolderIfMissing(paths.dataFolder);
    paths.databasePath.Format(L"%s\\AppData.db", paths.dataFolder);
    paths.updateFolder.Format(L"%s\\Update", paths.dataFolder);
    CreateFolderIfMissing(paths.updateFolder);
    SetProgramFolders(paths);
    return 1;
}

int InitAppPaths(AppPathsRecord& paths)
{
    wchar_t appData[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData))) {
        SetProgramFolders(paths);
        return 0;
    }
    return InitAppPathsUnder(paths, appData);
}
