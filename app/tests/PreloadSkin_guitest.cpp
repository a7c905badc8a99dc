#include "app/QuorventileApp.h"
#include "skin/CSkinRes.h"
#include "skin/tests/GuiTestHelpers.h"

using SkinControl::CSkinRes;

namespace
{
std::wstring GeneratedSkinFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.rfind(L'\\')) + L"\\..\\Skin";
}

// The generated skin copied without one file.
void CopySkinWithout(const std::wstring& target, const wchar_t* missing)
{
    const std::wstring source = GeneratedSkinFolder();
    CreateDirectoryW((target + L"\\scrollv").c_str(), nullptr);
    for (const wchar_t* pattern : {L"\\*", L"\\scrollv\\*"}) {
        std::wstring sub = pattern[1] == L's' ? L"\\scrollv\\" : L"\\";
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((source + pattern).c_str(), &found);
        ASSERT_NE(INVALID_HANDLE_VALUE, search);
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            std::wstring relative = (sub + found.cFileName).substr(1);
            if (_wcsicmp(relative.c_str(), missing) != 0)
                CopyFileW((source + sub + found.cFileName).c_str(), (target + sub + found.cFileName).c_str(),
                          FALSE);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
}

TEST(PreloadSkin, StopsAtTheFirstMissingImageAndAddsNoFonts)
{
    SkinTest::TempFolder folder;
    CopySkinWithout(folder.Path(), L"scrollv\\buttons.png");
    CSkinRes::SetSkinFolder(folder.Path().c_str());
    ListBackColor = 0;
    EXPECT_EQ(0, PreloadSkin());
    EXPECT_EQ(0xFCF5F4u, ListBackColor);
    EXPECT_NE(nullptr, CSkinRes::GetImage(L"scrollv\\background.png")); // before it
    EXPECT_EQ(nullptr, CSkinRes::GetImage(L"scrollv\\thumb.png"));      // after it
    EXPECT_EQ(nullptr, CSkinRes::GetImage(L"loading.gif"));
    EXPECT_EQ(nullptr, CSkinRes::GetFont(L"Font9"));
    EXPECT_EQ(nullptr, CSkinRes::GetFont(L"Font10"));
    EXPECT_EQ(nullptr, CSkinRes::GetFont(L"Font11"));
    CSkinRes::Global().FreeAll();
}

TEST(PreloadSkin, LoadsEveryImageAndTheThreeFonts)
{
    CSkinRes::SetSkinFolder(GeneratedSkinFolder().c_str());
    EXPECT_EQ(1, PreloadSkin());
    EXPECT_NE(nullptr, CSkinRes::GetImage(L"radiobutton.bmp"));
    EXPECT_NE(nullptr, CSkinRes::GetImage(L"loading.gif"));
    EXPECT_NE(nullptr, CSkinRes::GetFont(L"Font9"));
    EXPECT_NE(nullptr, CSkinRes::GetFont(L"Font11"));
    CSkinRes::Global().FreeAll();
}
} // namespace
