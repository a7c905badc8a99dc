// The skin's drag data source as the shell's drag-image helper uses it: data
// set on it in formats of the helper's own is kept (taken over or copied) and
// given back; everything else behaves as the framework's data source.
#include "framework/COleDataObject.h"
#include "framework/tests/OleTestData.h"
#include "skin/COleDataSourceEx.h"

using namespace OleTest;
using SkinControl::COleDataSourceEx;

namespace
{

const CLIPFORMAT kImageFormat = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"DragImageBits"));

std::string Get(IDataObject* data, CLIPFORMAT clipFormat)
{
    COleDataObject reader(data);
    HGLOBAL copy = reader.GetGlobalData(clipFormat);
    std::string text = copy ? GlobalText(copy) : "(none)";
    GlobalFree(copy);
    return text;
}

HRESULT Set(IDataObject* data, CLIPFORMAT clipFormat, HGLOBAL block, BOOL release)
{
    FORMATETC format = {clipFormat, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    return data->SetData(&format, &medium, release);
}

TEST(OleDataSourceEx, KeepsWhatIsSetOnItAndGivesItBack)
{
    auto* source = new COleDataSourceEx;
    const CLIPFORMAT privateFormat = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"QvOleTestText"));
    source->CacheGlobalData(privateFormat, MakeGlobalText("links"));
    IDataObject* data = source->GetDataObject();

    // Handed over: the data source releases the block.
    EXPECT_EQ(S_OK, Set(data, kImageFormat, MakeGlobalText("image"), TRUE));
    EXPECT_EQ("image", Get(data, kImageFormat));
    // Lent: the caller frees its block at once, the data source keeps a copy.
    HGLOBAL lent = MakeGlobalText("second image");
    EXPECT_EQ(S_OK, Set(data, kImageFormat, lent, FALSE));
    GlobalFree(lent);
    EXPECT_EQ("second image", Get(data, kImageFormat)) << "the newer data replaces the older";
    EXPECT_EQ("links", Get(data, privateFormat));

    COleDataObject reader(data);
    reader.BeginEnumFormats();
    FORMATETC format;
    std::vector<CLIPFORMAT> offered;
    while (reader.GetNextFormat(&format))
        offered.push_back(format.cfFormat);
    EXPECT_EQ((std::vector<CLIPFORMAT>{privateFormat, kImageFormat}), offered);

    FORMATETC query = {kImageFormat, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    EXPECT_EQ(E_INVALIDARG, data->SetData(&query, nullptr, TRUE)) << "the framework's refusal stands";
    source->ExternalRelease();
}

TEST(OleDataSourceEx, AnswersForItselfWithItsOwnDataObject)
{
    auto* source = new COleDataSourceEx;
    IDataObject* data = source->GetDataObject();
    IUnknown* unknown = nullptr;
    IDataObject* queried = nullptr;
    ASSERT_EQ(S_OK, data->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    ASSERT_EQ(S_OK, unknown->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&queried)));
    EXPECT_EQ(data, queried);
    EXPECT_EQ(static_cast<IUnknown*>(data), unknown);
    queried->Release();
    unknown->Release();
    // Set through the interface the drag hands out: kept, as above.
    EXPECT_EQ(S_OK, Set(queried, kImageFormat, MakeGlobalText("image"), TRUE));
    EXPECT_EQ("image", Get(data, kImageFormat));
    source->ExternalRelease();
}

} // namespace
