// The main program's command line.  Options are compared without regard to
// letter case:
//   -addlinkstocatalog <command URL>  add links once the list has loaded
//   -runas                            restarted elevated: let the previous
//                                     instance end first
#pragma once

#include "framework/CString.h"

struct AppCommandLine {
    CString pendingCommand;       // the text after -addlinkstocatalog
    bool waitForPrevious = false; // -runas
};

// Reads arguments 1 to argc - 1; anything unknown is ignored.
AppCommandLine ParseAppCommandLine(int argc, const wchar_t* const* argv);
