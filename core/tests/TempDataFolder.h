// A fresh data folder with an open AppData.db for one test.
#pragma once

#include "core/AppDatabase.h"
#include "core/CatalogStore.h"
#include "core/AppPaths.h"
#include "framework/CFile.h"
#include "framework/TextConvert.h"
#include "framework/tests/GTestPrinters.h"

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

class TempDataFolder
{
public:
    TempDataFolder()
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        static int counter = 0;
        folder.Format(L"%sqv_test_%u_%d", temp, GetCurrentProcessId(), ++counter);
        CreateDirectoryW(folder, nullptr);
        AppPaths.dataFolder = folder;
        dbPath = folder + L"\\AppData.db";
        cachePath = folder + L"\\CatalogsCache.bin";
        SetAppDatabasePath(dbPath);
    }
    ~TempDataFolder()
    {
        CloseAppDatabase();
        std::wstring from = folder.str();
        from.push_back(L'\0'); // double-zero list for the shell
        SHFILEOPSTRUCTW op = {};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_NO_UI;
        SHFileOperationW(&op);
    }

    static std::vector<unsigned char> ReadBytes(const wchar_t* path)
    {
        std::vector<unsigned char> bytes;
        CFile file;
        if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone))
            return bytes;
        bytes.resize(static_cast<size_t>(file.GetLength()));
        if (!bytes.empty())
            file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
        return bytes;
    }

    // The UTF-16LE bytes of `text` and one zero code unit.
    static std::vector<unsigned char> CacheBytes(const std::wstring& text)
    {
        std::vector<unsigned char> bytes;
        for (wchar_t c : text) {
            bytes.push_back(static_cast<unsigned char>(c & 0xFF));
            bytes.push_back(static_cast<unsigned char>(c >> 8));
        }
        bytes.push_back(0);
        bytes.push_back(0);
        return bytes;
    }

    CString folder;
    CString dbPath;
    CString cachePath;
};

// A test with a fresh, open AppData.db that appends groups as the tree list
// does: each new group chains on the one added before it.
class StoreTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(OpenAppDatabase(), 1); }

    CatalogInfo AppendCatalog(const wchar_t* name)
    {
        CatalogInfo c;
        c.name = name;
        c.preid = lastCid;
        EXPECT_EQ(AddCatalog(c), 1) << ToUtf8(name).GetString();
        lastCid = c.cid;
        return c;
    }

    TempDataFolder dir;
    int lastCid = 0;
};
