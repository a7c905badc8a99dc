// The DLL's global objects (built in this order: the COM module, the
// application object, the shared state), its entry point and its five
// exports.
#include "shellext/ProxyStub.h"
#include "shellext/QuorventileShellExtApp.h"
#include "shellext/QuorventileShellExtension.h"
#include "shellext/ShellExtResource.h"
#include "shellext/ShellExtSharedData.h"
#include "shellext/com/ComObject.h"

#include <cwchar>

namespace
{
const ComClassEntry kClasses[] = {
    {&CLSID_QuorventileShellExtension, IDR_QUORVENTILESHELLEXTENSION,
     &CComClassFactory<CQuorventileShellExtension>::Get},
};
} // namespace

CComDllModule QuorventileShellExtModule(LIBID_QuorventileShellExtLib, IDR_QUORVENTILESHELLEXT, kClasses,
                                        sizeof(kClasses) / sizeof(kClasses[0]));
CQuorventileShellExtApp theApp;
CShellExtSharedData ShellExtSharedData;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        theApp.m_hInstance = instance;
        DisableThreadLibraryCalls(instance);
        return theApp.InitInstance();
    }
    if (reason == DLL_PROCESS_DETACH)
        theApp.ExitInstance();
    return TRUE;
}

STDAPI DllCanUnloadNow()
{
    HRESULT hr = PrxDllCanUnloadNow();
    if (hr != S_OK)
        return hr;
    if (!QuorventileShellExtModule.CanUnload())
        return S_FALSE;
    // No object is left to ask for type information, and COM may unload
    // the DLL now: not under the loader lock, where releasing OLE objects is
    // not safe.
    QuorventileShellExtModule.ReleaseTypeLibrary();
    return S_OK;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object)
{
    if (PrxDllGetClassObject(clsid, iid, object) == S_OK)
        return S_OK;
    return QuorventileShellExtModule.GetClassObject(clsid, iid, object);
}

STDAPI DllRegisterServer()
{
    HRESULT hr = QuorventileShellExtModule.RegisterServer();
    if (SUCCEEDED(hr))
        hr = PrxDllRegisterServer();
    return hr;
}

STDAPI DllUnregisterServer()
{
    HRESULT hr = QuorventileShellExtModule.UnregisterServer();
    if (SUCCEEDED(hr))
        hr = PrxDllRegisterServer();
    if (SUCCEEDED(hr))
        hr = PrxDllUnregisterServer();
    return hr;
}

// "user" (any case) registers for the current user only.
STDAPI DllInstall(BOOL install, LPCWSTR commandLine)
{
    const bool perUser = commandLine && _wcsnicmp(commandLine, L"user", 5) == 0;
    QuorventileShellExtModule.SetPerUserRegistration(perUser);
    HRESULT hr;
    if (install) {
        hr = DllRegisterServer();
        if (FAILED(hr))
            DllUnregisterServer();
    } else {
        hr = DllUnregisterServer();
    }
    QuorventileShellExtModule.SetPerUserRegistration(false);
    return hr;
}
