// The skin resource store as windows use it: images by file name under the
// skin folder, the colour-keyed radio-button bitmap, named fonts with their
// face fallback, and the release at exit.
#include "GuiTestHelpers.h"

#include "skin/CSkinRes.h"

using namespace SkinControl;
using namespace SkinTest;

namespace
{

const wchar_t* const kFaces[3] = {L"微软雅黑", L"宋体", L"Tahoma"};

class SkinStore : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CSkinRes::Global().FreeAll();
        CSkinRes::SetSkinFolder(L"");
        ASSERT_TRUE(CreateDirectoryW(folder.File(L"scrollv").c_str(), nullptr));
        ASSERT_TRUE(WriteSolidImage(folder.File(L"MainFrame.png"), 8, 6, 0xFF204060));
        ASSERT_TRUE(WriteSolidImage(folder.File(L"scrollv\\thumb.png"), 4, 16, 0x80FFFFFF));
    }
    void TearDown() override
    {
        CSkinRes::Global().FreeAll();
        CSkinRes::SetSkinFolder(L"");
    }
    void UseFolder() { CSkinRes::SetSkinFolder(folder.Path().c_str()); }

    TempFolder folder;
};

TEST_F(SkinStore, NothingIsFoundOrLoadedBeforeTheFolderIsSet)
{
    EXPECT_EQ(0, CSkinRes::LoadImage(L"MainFrame.png"));
    EXPECT_EQ(nullptr, CSkinRes::GetImage(L"MainFrame.png"));
    EXPECT_EQ(nullptr, CSkinRes::GetBitmap(L"MainFrame.png"));
}

TEST_F(SkinStore, NamesDifferingInCaseOrSurroundingBlanksFindTheSameImage)
{
    UseFolder();
    ASSERT_EQ(1, CSkinRes::LoadImage(L"MainFrame.png"));
    Gdiplus::Bitmap* image = CSkinRes::GetImage(L"MainFrame.png");
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(8u, image->GetWidth());
    EXPECT_EQ(image, CSkinRes::GetImage(L"mainframe.PNG"));
    EXPECT_EQ(image, CSkinRes::GetImage(L"  MainFrame.png\t"));
    EXPECT_NE(nullptr, CSkinRes::GetBitmap(L" MAINFRAME.PNG "));
    EXPECT_EQ(nullptr, CSkinRes::GetImage(L"Main Frame.png"));
}

TEST_F(SkinStore, BlanksAroundANameDoNotStopItLoading)
{
    UseFolder();
    EXPECT_EQ(1, CSkinRes::LoadImage(L" MainFrame.png "));
    EXPECT_NE(nullptr, CSkinRes::GetImage(L"MainFrame.png"));
}

TEST_F(SkinStore, ASecondLoadKeepsTheCachedImage)
{
    UseFolder();
    ASSERT_EQ(1, CSkinRes::LoadImage(L"MainFrame.png"));
    Gdiplus::Bitmap* first = CSkinRes::GetImage(L"MainFrame.png");
    ASSERT_TRUE(WriteSolidImage(folder.File(L"MainFrame.png"), 3, 3, 0xFF000000));
    EXPECT_EQ(0, CSkinRes::LoadImage(L"mainframe.png"));
    EXPECT_EQ(first, CSkinRes::GetImage(L"MainFrame.png"));
    EXPECT_EQ(8u, first->GetWidth());
}

TEST_F(SkinStore, SubFoldersAndMissingFiles)
{
    UseFolder();
    EXPECT_EQ(1, CSkinRes::LoadImage(L"scrollv\\thumb.png"));
    EXPECT_NE(nullptr, CSkinRes::GetBitmap(L"SCROLLV\\Thumb.png"));
    EXPECT_EQ(0, CSkinRes::LoadImage(L"missing.png"));
    EXPECT_EQ(nullptr, CSkinRes::GetImage(L"missing.png"));
}

TEST_F(SkinStore, ImageBitmapsCarryPremultipliedAlpha)
{
    UseFolder();
    ASSERT_EQ(1, CSkinRes::LoadImage(L"scrollv\\thumb.png"));
    DIBSECTION info = {};
    ASSERT_EQ(static_cast<int>(sizeof(info)),
              GetObjectW(CSkinRes::GetBitmap(L"scrollv\\thumb.png"), sizeof(info), &info));
    EXPECT_EQ(32, info.dsBm.bmBitsPixel);
    const DWORD pixel = static_cast<const DWORD*>(info.dsBm.bmBits)[0];
    EXPECT_EQ(0x80u, pixel >> 24);
    EXPECT_NEAR(0x80, static_cast<int>(pixel & 0xFF), 1);
}

TEST_F(SkinStore, RadioButtonBitmapHasATransparentBlackBackground)
{
    ASSERT_TRUE(WriteImage(
        folder.File(L"radiobutton.bmp"), 4, 2, [](int x, int) { return x < 2 ? 0xFF000000 : 0xFFC0C0C0; },
        L"image/bmp"));
    UseFolder();
    ASSERT_EQ(1, CSkinRes::LoadRadioButtonImage());
    HBITMAP bitmap = CSkinRes::GetBitmap(L"radiobutton.bmp");
    ASSERT_NE(nullptr, bitmap);
    DIBSECTION info = {};
    GetObjectW(bitmap, sizeof(info), &info);
    const DWORD* bits = static_cast<const DWORD*>(info.dsBm.bmBits);
    EXPECT_EQ(0x00000000u, bits[0]);
    EXPECT_EQ(0xFFC0C0C0u, bits[3]);
}

TEST_F(SkinStore, FontsAreFoundByTheirExactName)
{
    ASSERT_NE(nullptr, CSkinRes::AddFont(L"Font9", kFaces, 9));
    ASSERT_NE(nullptr, CSkinRes::AddFont(L"Font10", kFaces, 10));
    ASSERT_NE(nullptr, CSkinRes::AddFont(L"Font11", kFaces, 11));
    EXPECT_NE(nullptr, CSkinRes::GetFont(L"Font9"));
    EXPECT_NE(CSkinRes::GetFont(L"Font9"), CSkinRes::GetFont(L"Font11"));
    EXPECT_EQ(nullptr, CSkinRes::GetFont(L"font9"));
    EXPECT_EQ(nullptr, CSkinRes::GetFont(L"Font9 "));

    LOGFONTW logFont = {};
    GetObjectW(CSkinRes::GetFont(L"Font11"), sizeof(logFont), &logFont);
    HDC screen = GetDC(nullptr);
    const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_NEAR(11.0 * pixelsPerInch / 72.0, std::abs(logFont.lfHeight), 1.0) << "11 points";
}

TEST_F(SkinStore, AddingANameTwiceKeepsTheFirstFont)
{
    Gdiplus::Font* first = CSkinRes::AddFont(L"Caption", kFaces, 9);
    ASSERT_NE(nullptr, first);
    HFONT firstHandle = CSkinRes::GetFont(L"Caption");
    EXPECT_EQ(first, CSkinRes::AddFont(L"Caption", kFaces, 20));
    EXPECT_FLOAT_EQ(9, first->GetSize());
    EXPECT_EQ(firstHandle, CSkinRes::GetFont(L"Caption"));
}

// The family name of the first installed family whose screen LOGFONT has the
// default character set, or empty when none has.
std::wstring FirstDefaultCharsetFamily()
{
    Gdiplus::InstalledFontCollection installed;
    std::vector<Gdiplus::FontFamily> families(installed.GetFamilyCount());
    INT found = 0;
    installed.GetFamilies(static_cast<INT>(families.size()), families.data(), &found);
    HDC screen = GetDC(nullptr);
    std::wstring result;
    {
        Gdiplus::Graphics graphics(screen);
        for (INT i = 0; i < found && result.empty(); ++i) {
            Gdiplus::Font font(&families[i], 10, Gdiplus::FontStyleRegular, Gdiplus::UnitPoint);
            LOGFONTW logFont = {};
            if (font.GetLogFontW(&graphics, &logFont) == Gdiplus::Ok &&
                logFont.lfCharSet == DEFAULT_CHARSET) {
                wchar_t name[LF_FACESIZE] = {};
                families[i].GetFamilyName(name);
                result = name;
            }
        }
    }
    ReleaseDC(nullptr, screen);
    return result;
}

TEST_F(SkinStore, FacesFallBackToTheFirstInstalledDefaultCharsetFamily)
{
    const wchar_t* const missing[3] = {L"No Such Face A", L"No Such Face B", L"No Such Face C"};
    Gdiplus::Font* font = CreateFontWithFallback(missing, 10);
    const std::wstring expected = FirstDefaultCharsetFamily();
    // Wine's GDI+ reports every family with ANSI_CHARSET, so there the
    // fallback finds nothing and the name stays without a font.
    if (expected.empty()) {
        EXPECT_EQ(nullptr, font);
        EXPECT_EQ(nullptr, CSkinRes::AddFont(L"Nothing", missing, 10));
        EXPECT_EQ(nullptr, CSkinRes::GetFont(L"Nothing"));
        return;
    }
    ASSERT_NE(nullptr, font);
    Gdiplus::FontFamily family;
    font->GetFamily(&family);
    wchar_t name[LF_FACESIZE] = {};
    family.GetFamilyName(name);
    EXPECT_EQ(expected, name);
    delete font;
}

TEST_F(SkinStore, FreeAllEmptiesEveryLookup)
{
    CSkinRes::Global().FreeAll();
    UseFolder();
    ASSERT_EQ(1, CSkinRes::LoadImage(L"MainFrame.png"));
    ASSERT_NE(nullptr, CSkinRes::AddFont(L"Font9", kFaces, 9));
    CSkinRes::Global().FreeAll();
    EXPECT_EQ(nullptr, CSkinRes::GetImage(L"MainFrame.png"));
    EXPECT_EQ(nullptr, CSkinRes::GetBitmap(L"MainFrame.png"));
    EXPECT_EQ(nullptr, CSkinRes::GetFont(L"Font9"));
    EXPECT_EQ(folder.Path(), std::wstring(CSkinRes::GetSkinFolder())) << "the folder is kept";
    EXPECT_EQ(1, CSkinRes::LoadImage(L"MainFrame.png")) << "and images load again";
}

TEST_F(SkinStore, FreeingAfterGdiplusShutDownLeavesGdiplusAlone)
{
    UseFolder();
    ASSERT_EQ(1, CSkinRes::LoadImage(L"MainFrame.png"));
    ASSERT_NE(nullptr, CSkinRes::AddFont(L"Font9", kFaces, 9));
    SkinDrawSupport& support = GetSkinDrawSupport();
    ShutdownSkinDrawSupport(support);
    EXPECT_FALSE(IsGdiplusRunning());
    CSkinRes::Global().FreeAll();
    EXPECT_EQ(nullptr, CSkinRes::GetImage(L"MainFrame.png"));
    EXPECT_EQ(nullptr, CSkinRes::GetFont(L"Font9"));
    ASSERT_TRUE(InitSkinDrawSupport(support));
    EXPECT_TRUE(IsGdiplusRunning());
}

} // namespace
