// Real keyboard and mouse input for GUI tests: runs the X tool xdotool on
// the test's display, so that keys arrive as they do from a user. Wine
// starts host programs only through ntdll's own spawn entry.
#pragma once

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

namespace AppTest
{

// Runs "xdotool <args>" (words split at blanks) and waits for it; false when
// it could not run or failed.
inline bool XdoTool(const std::string& args)
{
    using Spawn = NTSTATUS(CDECL*)(char* const argv[], int wait);
    static const auto spawn = reinterpret_cast<Spawn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "__wine_unix_spawnvp")));
    if (!spawn)
        return false;
    std::vector<std::string> words = {"/usr/bin/xdotool"};
    std::istringstream split(args);
    for (std::string word; split >> word;)
        words.push_back(word);
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(&word[0]);
    argv.push_back(nullptr);
    return spawn(argv.data(), 1) == 0;
}

} // namespace AppTest
