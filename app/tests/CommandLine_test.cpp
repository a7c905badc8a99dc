#include "app/CommandLine.h"
#include "framework/tests/GTestPrinters.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

AppCommandLine Parse(std::vector<const wchar_t*> args)
{
    args.insert(args.begin(), L"C:\\Program Files\\Quorventile\\Quorventile.exe");
    return ParseAppCommandLine(static_cast<int>(args.size()), args.data());
}

} // namespace

TEST(AppCommandLine, NoArguments)
{
    AppCommandLine parsed = Parse({});
    EXPECT_EQ(parsed.pendingCommand, L"");
    EXPECT_FALSE(parsed.waitForPrevious);
}

TEST(AppCommandLine, AddLinksTakesTheNextArgumentInAnyCase)
{
    const wchar_t* url = L"app://add_links_to_catalog?catalog_name=9A5B&links_count=1&link_0=4300";
    for (const wchar_t* option : {L"-addlinkstocatalog", L"-AddLinksToCatalog", L"-ADDLINKSTOCATALOG"}) {
        AppCommandLine parsed = Parse({option, url});
        EXPECT_EQ(parsed.pendingCommand, url);
        EXPECT_FALSE(parsed.waitForPrevious);
    }
}

TEST(AppCommandLine, AddLinksAsTheLastArgumentLeavesAnEmptyText)
{
    EXPECT_EQ(Parse({L"-addlinkstocatalog"}).pendingCommand, L"");
}

TEST(AppCommandLine, RunAsInAnyCase)
{
    EXPECT_TRUE(Parse({L"-runas"}).waitForPrevious);
    EXPECT_TRUE(Parse({L"-RunAs"}).waitForPrevious);
    EXPECT_FALSE(Parse({L"runas"}).waitForPrevious);
    EXPECT_FALSE(Parse({L"-runas2"}).waitForPrevious);
}

TEST(AppCommandLine, BothOptionsAndUnknownArgumentsTogether)
{
    AppCommandLine parsed = Parse({L"/x", L"-runas", L"--verbose", L"-addlinkstocatalog", L"app://x"});
    EXPECT_TRUE(parsed.waitForPrevious);
    EXPECT_EQ(parsed.pendingCommand, L"app://x");
}

TEST(AppCommandLine, ProgramNameIsNotAnOption)
{
    const wchar_t* args[] = {L"-runas"};
    EXPECT_FALSE(ParseAppCommandLine(1, args).waitForPrevious);
}
