// A fresh data folder with an open AppData.db for one test.
#pragma once

#include "core/AppDatabase.h"
#include "core/CatalogStore.h"
#include "core/AppPaths.h"
#include "framework/CFile.h"
#include "framework/TextConvert.h"
#include "framework/tests/GTestPrinters.h"
#include "framework/tests/TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

class TempDataFolder
{
public:
    TempDataFolder() : folder(temp.Path().c_str())
    {
        AppPaths.dataFolder = folder;
        dbPath = folder + L"\\AppData.db";
        cachePath = folder + L"\\CatalogsCache.bin";
        SetAppDatabasePath(dbPath);
    }
    // The database is closed before the folder goes.
    ~TempDataFolder() { CloseAppDatabase(); }

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

    TestSupport::TempFolder temp{L"qv_test_"};
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
