#include "app/InitAppPaths.h"
#include "app/tests/PrivateRegistryRoot.h"
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

// The user's application data folder, here a temporary one that the user's
// shell folders (in a registry of the test's own) name.
TEST(InitAppPaths, UsesTheUsersApplicationDataFolder)
{
    TempDataFolder temp;
    const CString appData = temp.folder + L"\\漫游";
    ASSERT_TRUE(CreateDirectoryW(appData, nullptr));
    AppPathsRecord paths;
    int result = 0;
    {
        AppTest::PrivateRegistryRoot user(HKEY_CURRENT_USER);
        ASSERT_TRUE(user.IsActive());
        HKEY folders = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExW(HKEY_CURRENT_USER,
                                  L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", 0,
                                  nullptr, 0, KEY_SET_VALUE, nullptr, &folders, nullptr));
        RegSetValueExW(folders, L"AppData", 0, REG_SZ, reinterpret_cast<const BYTE*>(appData.GetString()),
                       (appData.GetLength() + 1) * sizeof(wchar_t));
        RegCloseKey(folders);
        result = InitAppPaths(paths);
    }
    EXPECT_EQ(result, 1);
    EXPECT_EQ(paths.dataFolder, appData + L"\\Quorventile");
    EXPECT_TRUE(IsFolder(appData + L"\\Quorventile\\Update"));
}
