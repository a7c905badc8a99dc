#include "shellext/com/ComModule.h"

#include "shellext/com/Registrar.h"
#include "framework/TextConvert.h"

#include <oleauto.h>

#include <string>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace
{
CComDllModule* g_module = nullptr;

// Below zero a count could never let the DLL go: a decrement without an
// increment before it does nothing.  Returns the count left.
LONG DecrementAboveZero(volatile LONG& count)
{
    for (LONG now = count; now > 0; now = count)
        if (InterlockedCompareExchange(&count, now - 1, now) == now)
            return now - 1;
    return 0;
}
} // namespace

CComDllModule::CComDllModule(const GUID& libid, UINT moduleScriptId, const ComClassEntry* classes,
                             size_t classCount)
    : libid_(libid), moduleScriptId_(moduleScriptId), classes_(classes), classCount_(classCount)
{
    if (!g_module)
        g_module = this;
}

CComDllModule::~CComDllModule()
{
    // The type library is not released here, under the loader lock (and at
    // process exit OLE may be gone): DllCanUnloadNow releases it before COM
    // unloads the DLL.
    if (g_module == this)
        g_module = nullptr;
}

void CComDllModule::SetPerUserRegistration(bool perUser)
{
    perUser_ = perUser;
    userClasses_.reset(perUser ? new CUserClassesRootOverride(true) : nullptr);
}

CComDllModule& CComDllModule::Current()
{
    return *g_module;
}

LONG CComDllModule::Lock()
{
    return InterlockedIncrement(&lockCount_);
}

LONG CComDllModule::Unlock()
{
    return InterlockedDecrement(&lockCount_);
}

void CComDllModule::LockServer(bool lock)
{
    if (lock)
        InterlockedIncrement(&serverLocks_);
    else
        DecrementAboveZero(serverLocks_);
}

LONG CComDllModule::AddFactoryRef()
{
    return InterlockedIncrement(&factoryRefs_);
}

LONG CComDllModule::ReleaseFactoryRef()
{
    return DecrementAboveZero(factoryRefs_);
}

void CComDllModule::ReleaseTypeLibrary()
{
    CScopedLock hold(typeLibLock_);
    if (typeLib_) {
        typeLib_->Release();
        typeLib_ = nullptr;
    }
}

HINSTANCE CComDllModule::Instance() const
{
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

CString CComDllModule::ModulePath() const
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(Instance(), &path[0], static_cast<DWORD>(path.size()));
        if (n == 0)
            return CString();
        if (n < path.size())
            return CString(path.c_str(), static_cast<int>(n));
        path.resize(path.size() * 2);
    }
}

HRESULT CComDllModule::GetClassObject(REFCLSID clsid, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    for (size_t i = 0; i < classCount_; ++i)
        if (IsEqualCLSID(clsid, *classes_[i].clsid))
            return classes_[i].classObject()->QueryInterface(iid, object);
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CComDllModule::UpdateRegistryFromResource(UINT scriptId, bool doRegister)
{
    HRSRC found = FindResourceW(Instance(), MAKEINTRESOURCEW(scriptId), L"REGISTRY");
    HGLOBAL loaded = found ? LoadResource(Instance(), found) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!bytes)
        return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
    CString script = FromUtf8(bytes, static_cast<int>(SizeofResource(Instance(), found)));

    CString path = ModulePath();
    if (path.IsEmpty())
        return HRESULT_FROM_WIN32(GetLastError());
    CRegistrar registrar;
    registrar.SetPerUser(perUser_);
    registrar.AddReplacement(L"MODULE", path);
    return doRegister ? registrar.Register(script) : registrar.Unregister(script);
}

HRESULT CComDllModule::RegisterTypeLibrary(bool doRegister)
{
    CString path = ModulePath();
    ITypeLib* library = nullptr;
    HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, &library);
    if (FAILED(hr))
        return hr;
    if (doRegister) {
        int slash = path.ReverseFind(L'\\');
        CString helpFolder = slash > 0 ? path.Left(slash) : CString();
        hr = RegisterTypeLib(library, const_cast<wchar_t*>(path.GetString()),
                             helpFolder.IsEmpty() ? nullptr : const_cast<wchar_t*>(helpFolder.GetString()));
    } else {
        TLIBATTR* attributes = nullptr;
        hr = library->GetLibAttr(&attributes);
        if (SUCCEEDED(hr)) {
            hr = UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                                   attributes->lcid, attributes->syskind);
            library->ReleaseTLibAttr(attributes);
            // Already gone counts as done.
            if (hr == TYPE_E_REGISTRYACCESS)
                hr = S_OK;
        }
    }
    library->Release();
    return hr;
}

HRESULT CComDllModule::RegisterServer()
{
    if (userClasses_ && userClasses_->Failed())
        return E_ACCESSDENIED;
    HRESULT hr = UpdateRegistryFromResource(moduleScriptId_, true);
    for (size_t i = 0; SUCCEEDED(hr) && i < classCount_; ++i)
        hr = UpdateRegistryFromResource(classes_[i].scriptId, true);
    if (SUCCEEDED(hr))
        hr = RegisterTypeLibrary(true);
    return hr;
}

HRESULT CComDllModule::UnregisterServer()
{
    if (userClasses_ && userClasses_->Failed())
        return E_ACCESSDENIED;
    HRESULT hr = RegisterTypeLibrary(false);
    for (size_t i = classCount_; SUCCEEDED(hr) && i > 0; --i)
        hr = UpdateRegistryFromResource(classes_[i - 1].scriptId, false);
    if (SUCCEEDED(hr))
        hr = UpdateRegistryFromResource(moduleScriptId_, false);
    return hr;
}

HRESULT CComDllModule::GetTypeInfo(REFGUID guid, ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    CScopedLock hold(typeLibLock_);
    HRESULT hr = S_OK;
    if (!typeLib_)
        hr = LoadTypeLibEx(ModulePath(), REGKIND_NONE, &typeLib_);
    if (SUCCEEDED(hr))
        hr = typeLib_->GetTypeInfoOfGuid(guid, info);
    return hr;
}

CUserClassesRootOverride::CUserClassesRootOverride(bool active)
{
    if (!active)
        return;
    failed_ = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &userClasses_, nullptr) != ERROR_SUCCESS ||
              RegOverridePredefKey(HKEY_CLASSES_ROOT, userClasses_) != ERROR_SUCCESS;
}

CUserClassesRootOverride::~CUserClassesRootOverride()
{
    if (!userClasses_)
        return;
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    RegCloseKey(userClasses_);
}
