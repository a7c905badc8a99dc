#include "app/CommandLine.h"

#include <cwchar>

AppCommandLine ParseAppCommandLine(int argc, const wchar_t* const* argv)
{
    AppCommandLine parsed;
    for (int i = 1; i < argc; ++i) {
        if (_wcsicmp(argv[i], L"-addlinkstocatalog") == 0)
            parsed.pendingCommand = i + 1 < argc ? argv[i + 1] : L"";
        else if (_wcsicmp(argv[i], L"-runas") == 0)
            parsed.waitForPrevious = true;
    }
    return parsed;
}
