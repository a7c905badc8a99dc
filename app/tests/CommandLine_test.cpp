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

TEST(AppCommandLine, OptionsInAnyCaseAmongOtherArguments)
{
    const wchar_t* url = L"app://add_links_to_catalog?catalog_name=9A5B&links_count=1&link_0=4300";
    const struct {
        std::vector<const wchar_t*> args;
        const wchar_t* pendingCommand;
        bool waitForPrevious;
    } cases[] = {
        {{}, L"", false},
        {{L"-addlinkstocatalog", url}, url, false},
        {{L"-AddLinksToCatalog", url}, url, false},
        {{L"-ADDLINKSTOCATALOG", url}, url, false},
        {{L"-addlinkstocatalog"}, L"", false}, // the last argument: an empty text
        {{L"-runas"}, L"", true},
        {{L"-RunAs"}, L"", true},
        {{L"runas"}, L"", false},
        {{L"-runas2"}, L"", false},
        {{L"/x", L"-runas", L"--verbose", L"-addlinkstocatalog", L"app://x"}, L"app://x", true},
    };
    for (const auto& c : cases) {
        AppCommandLine parsed = Parse(c.args);
        std::string args;
        for (const wchar_t* arg : c.args)
            args += ToUtf8(arg).GetString() + std::string(" ");
        EXPECT_EQ(parsed.pendingCommand, c.pendingCommand) << args;
        EXPECT_EQ(parsed.waitForPrevious, c.waitForPrevious) << args;
    }
}

TEST(AppCommandLine, ProgramNameIsNotAnOption)
{
    const wchar_t* args[] = {L"-runas"};
    EXPECT_FALSE(ParseAppCommandLine(1, args).waitForPrevious);
}
