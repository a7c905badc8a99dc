#include "app/InitAppPaths.h"
#include "core/tests/TempDataFolder.h"

#include <shlobj.h>

#include <gtest/gtest.h>

namespace
{

bool IsFolder(const CString& path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

CString ExecutableFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    CString folder(path);
    return folder.Left(folder.ReverseFind(L'\\'));
}

} // namespace

TEST(InitAppPaths, FoldersUnderAChineseProfileAreCreated)
{
    TempDataFolder temp;
    CString appData = temp.folder + L"\\用户 数据";
    ASSERT_TRUE(CreateDirectoryW(appData, nullptr));

    AppPathsRecord paths;
    EXPECT_EQ(InitAppPathsUnder(paths, appData), 1);
    EXPECT_EQ(paths.dataFolder, appData + L"\\Quorventile");
    EXPECT_EQ(paths.databasePath, appData + L"\\Quorventile\\AppData.db");
    EXPECT_EQ(paths.updateFolder, appData + L"\\Quorventile\\Update");
    EXPECT_TRUE(IsFolder(paths.dataFolder));
    EXPECT_TRUE(IsFolder(paths.updateFolder));
    EXPECT_EQ(paths.programFolder, ExecutableFolder());
    EXPECT_EQ(paths.skinFolder, ExecutableFolder() + L"\\Skin");
}

TEST(InitAppPaths, ExistingFoldersAndFilesAreKept)
{
    TempDataFolder temp;
    AppPathsRecord paths;
    ASSERT_EQ(InitAppPathsUnder(paths, temp.folder), 1);
    CString keep = paths.updateFolder + L"\\QuorventileSetup.exe";
    HANDLE file = CreateFileW(keep, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);

    AppPathsRecord again;
    EXPECT_EQ(InitAppPathsUnder(again, temp.folder), 1);
    EXPECT_NE(GetFileAttributesW(keep), INVALID_FILE_ATTRIBUTES);
}

TEST(InitAppPaths, UsesTheUsersApplicationDataFolder)
{
    wchar_t appData[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)));
    AppPathsRecord paths;
    EXPECT_EQ(InitAppPaths(paths), 1);
    EXPECT_EQ(paths.dataFolder, CString(appData) + L"\\Quorventile");
    EXPECT_TRUE(IsFolder(paths.dataFolder));
    EXPECT_EQ(paths.programFolder, ExecutableFolder());
}
