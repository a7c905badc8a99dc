#include "shellext/QuorventileShellExtApp.h"

#include "shellext/ProxyStub.h"
#include "shellext/ShellExtSharedData.h"
#include "shellext/com/ComModule.h"

BOOL CQuorventileShellExtApp::InitInstance()
{
    if (!PrxDllMain(m_hInstance, DLL_PROCESS_ATTACH, nullptr))
        return FALSE;
    BOOL result = CWinApp::InitInstance();
    CString path = CComDllModule::Current().ModulePath();
    int slash = path.ReverseFind(L'\\');
    ShellExtSharedData.moduleFolder = slash >= 0 ? path.Left(slash) : CString();
    return result;
}

int CQuorventileShellExtApp::ExitInstance()
{
    return CWinApp::ExitInstance();
}
