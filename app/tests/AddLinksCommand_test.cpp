// Reading "app://add_links_to_catalog" from another process.
#include "app/AddLinksCommand.h"
#include "core/CommandUrl.h"
#include "framework/tests/GTestPrinters.h"

#include <gtest/gtest.h>

namespace
{
CString Hex(const wchar_t* text)
{
    CString hex;
    HexCodeString(hex, text, 1);
    return hex;
}

TEST(AddLinksCommand, ReadsWhatIsThereAndRefusesWhatIsBroken)
{
    const CString name = Hex(L"我的 Docs"), a = Hex(L"C:\\a.txt"), b = Hex(L"D:\\b c\\d.exe");
    const CString start = L"app://add_links_to_catalog?catalog_name=" + name;
    const struct {
        CString url;
        std::vector<CString> paths; // empty: refused
    } cases[] = {
        {start + L"&links_count=2&link_0=" + a + L"&link_1=" + b, {L"C:\\a.txt", L"D:\\b c\\d.exe"}},
        {L"other://word?catalog_name=" + name + L"&links_count=1&link_0=" + a, {L"C:\\a.txt"}},
        // Fewer paths than counted: up to the first missing one.
        {start + L"&links_count=3&link_0=" + a + L"&link_2=" + b, {L"C:\\a.txt"}},
        // Values that are not whole code units, not hex, empty or hold a
        // zero code unit are left out.
        {start + L"&links_count=5&link_0=" + a + L"0&link_1=XYZW&link_2=" + b + L"&link_3=41000000&link_4=" + a,
         {L"D:\\b c\\d.exe", L"C:\\a.txt"}},
        {start + L"&links_count=0&link_0=" + a, {}},
        {start + L"&link_0=" + a, {}},
        {start + L"&links_count=-3&link_0=" + a, {}},
        {L"app://add_links_to_catalog?catalog_name=&links_count=1&link_0=" + a, {}},
        {L"app://add_links_to_catalog?catalog_name=4G00&links_count=1&link_0=" + a, {}},
        {L"app://add_links_to_catalog?links_count=1&link_0=" + a, {}},
        {L"garbage", {}},
        {L"", {}},
    };
    for (const auto& test : cases) {
        AddLinksCommand command;
        EXPECT_EQ(!test.paths.empty(), ParseAddLinksCommand(test.url, command)) << test.url.GetString();
        EXPECT_EQ(test.paths, command.paths) << test.url.GetString();
        if (!test.paths.empty()) {
            EXPECT_EQ(CString(L"我的 Docs"), command.catalogName);
        }
    }
}
} // namespace
