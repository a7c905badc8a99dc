// The data source of a drag and the data-object wrapper of the drop side, as
// a drop target sees them: file lists of real files, copies for every reader,
// data that outlives its creator's reference, and refusals.
#include "framework/COleDataObject.h"
#include "framework/COleDataSource.h"
#include "framework/tests/OleTestData.h"

using namespace OleTest;

namespace
{

const CLIPFORMAT kTextFormat = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"QvOleTestText"));

TEST(OleDataSource, FileListOfRealFilesRoundTripsWholeAfterTheSourceIsReleased)
{
    FileFolder folder;
    std::wstring deep;
    for (int i = 0; i < 6; ++i)
        deep += L"a fairly long folder name number " + std::to_wstring(i) + L"\\";
    const std::vector<CString> paths = {
        folder.File(L"readme.txt"), folder.File(L"记事本.txt"), folder.Folder(L"文件夹"),
        folder.File(deep + L"a file whose whole path is longer than MAX_PATH characters.txt")};
    ASSERT_GT(paths.back().GetLength(), MAX_PATH);
    for (const CString& path : paths)
        ASSERT_TRUE(FileFolder::Exists(path)) << path;

    auto* source = new COleDataSource;
    source->CacheGlobalData(CF_HDROP, MakeDropFiles(paths));
    COleDataObject dropped(source->GetDataObject());
    // The drag is over for its creator; the drop side still holds the data.
    source->ExternalRelease();

    EXPECT_TRUE(dropped.IsDataAvailable(CF_HDROP));
    for (int read = 0; read < 2; ++read) {
        std::vector<CString> files;
        ASSERT_TRUE(dropped.GetFileNames(&files));
        EXPECT_EQ(paths, files) << "read " << read;
    }
    dropped.BeginEnumFormats();
    FORMATETC format;
    std::vector<CLIPFORMAT> offered;
    while (dropped.GetNextFormat(&format))
        offered.push_back(format.cfFormat);
    EXPECT_EQ(std::vector<CLIPFORMAT>{CF_HDROP}, offered);
}

TEST(OleDataSource, EveryReaderGetsACopyOfItsOwn)
{
    auto* source = new COleDataSource;
    source->CacheGlobalData(kTextFormat, MakeGlobalText("cached"));
    IDataObject* data = source->GetDataObject();

    FORMATETC request = {kTextFormat, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM first = {}, second = {};
    ASSERT_EQ(S_OK, data->GetData(&request, &first));
    ASSERT_EQ(S_OK, data->GetData(&request, &second));
    EXPECT_NE(first.hGlobal, second.hGlobal);
    EXPECT_EQ(nullptr, first.pUnkForRelease) << "the reader releases it alone";
    memcpy(GlobalLock(first.hGlobal), "change", 6);
    GlobalUnlock(first.hGlobal);
    ReleaseStgMedium(&first);
    EXPECT_EQ("cached", GlobalText(second.hGlobal));
    ReleaseStgMedium(&second);

    COleDataObject reader(data);
    for (int read = 0; read < 2; ++read) {
        HGLOBAL own = reader.GetGlobalData(kTextFormat);
        EXPECT_EQ("cached", GlobalText(own));
        EXPECT_EQ(nullptr, GlobalFree(own));
    }
    source->ExternalRelease();
}

TEST(OleDataSource, RefusesWhatItDoesNotOffer)
{
    auto* source = new COleDataSource;
    source->CacheGlobalData(kTextFormat, MakeGlobalText("cached"));
    IDataObject* data = source->GetDataObject();
    const FORMATETC refused[] = {
        {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL},
        {kTextFormat, nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM},
        {kTextFormat, nullptr, DVASPECT_ICON, -1, TYMED_HGLOBAL},
    };
    for (FORMATETC format : refused) {
        STGMEDIUM medium = {};
        EXPECT_EQ(DV_E_FORMATETC, data->QueryGetData(&format));
        EXPECT_EQ(DV_E_FORMATETC, data->GetData(&format, &medium));
        EXPECT_EQ(static_cast<DWORD>(TYMED_NULL), medium.tymed);
    }
    FORMATETC format = {kTextFormat, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = MakeGlobalText("new");
    EXPECT_EQ(DV_E_FORMATETC, data->SetData(&format, &medium, FALSE)) << "a data source takes no data";
    ReleaseStgMedium(&medium);

    COleDataObject reader(data);
    std::vector<CString> files;
    EXPECT_FALSE(reader.IsDataAvailable(CF_HDROP));
    EXPECT_FALSE(reader.GetFileNames(&files));
    EXPECT_EQ(nullptr, reader.GetGlobalData(CF_UNICODETEXT));
    source->ExternalRelease();
}

} // namespace
