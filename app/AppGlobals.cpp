// The program's global objects and its entry point.  The objects below are
// constructed in this order before InitInstance and destroyed in reverse at
// exit.  The paths, client id, hotkey record, database and skin store are
// plain records defined with their code; what must happen in order lives in
// the constructor and destructor of CAppServices.
#include "app/AppServices.h"
#include "app/QuorventileApp.h"

CQuorventileApp theApp;
namespace
{
CAppServices appServices;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    return AfxWinMain(instance, showCommand);
}
