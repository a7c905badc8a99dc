// The in-process COM server's module: its object and lock count, its class
// table, and its registration (registry scripts from REGISTRY resources and
// the type library TYPELIB 1), per machine or per user.
#pragma once

#include "core/Lock.h"
#include "framework/CString.h"

#include <windows.h>
#include <oaidl.h>

#include <memory>

class CUserClassesRootOverride;

struct ComClassEntry {
    const CLSID* clsid;
    UINT scriptId;                 // the class's REGISTRY script
    IClassFactory* (*classObject)(); // its factory, created on first use
};

class CComDllModule
{
public:
    CComDllModule(const GUID& libid, UINT moduleScriptId, const ComClassEntry* classes, size_t classCount);
    ~CComDllModule();
    CComDllModule(const CComDllModule&) = delete;
    CComDllModule& operator=(const CComDllModule&) = delete;

    // The module of this DLL; objects and factories count on it.
    static CComDllModule& Current();

    // Live objects: each Unlock matches a Lock of its own.
    LONG Lock();
    LONG Unlock();
    // A client's LockServer; an unlock without a lock before it counts for
    // nothing.  Kept apart from the objects, which it must never unlock.
    void LockServer(bool lock);
    // Clients' references to the class factories, likewise kept apart: a
    // release without a reference counts for nothing.  Both return the
    // references left.
    LONG AddFactoryRef();
    LONG ReleaseFactoryRef();
    // No object, factory reference or server lock is left.
    bool CanUnload() const { return lockCount_ == 0 && serverLocks_ == 0 && factoryRefs_ == 0; }

    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object);

    // The module's script, then every class's, then the type library;
    // unregistering undoes them in the reverse order.  The first failure is
    // returned.
    HRESULT RegisterServer();
    HRESULT UnregisterServer();

    // Per user, the scripts' HKCR entries go to the user's classes and
    // their HKLM entries to HKCU; until it is switched off again, this
    // process's HKCR is the user's classes, so that the type library and
    // the proxy/stub are registered for the user only.
    void SetPerUserRegistration(bool perUser);

    // Type information of an interface or class from the module's type
    // library; the library is loaded on first use and kept until
    // ReleaseTypeLibrary.
    HRESULT GetTypeInfo(REFGUID guid, ITypeInfo** info);
    void ReleaseTypeLibrary();

    HINSTANCE Instance() const;
    CString ModulePath() const;

private:
    HRESULT UpdateRegistryFromResource(UINT scriptId, bool doRegister);
    HRESULT RegisterTypeLibrary(bool doRegister);

    GUID libid_;
    UINT moduleScriptId_;
    const ComClassEntry* classes_;
    size_t classCount_;
    volatile LONG lockCount_ = 0;
    volatile LONG serverLocks_ = 0;
    volatile LONG factoryRefs_ = 0;
    bool perUser_ = false;
    std::unique_ptr<CUserClassesRootOverride> userClasses_;
    ITypeLib* typeLib_ = nullptr; // guarded by typeLibLock_
    CLock typeLibLock_;
};

// While it lives, HKEY_CLASSES_ROOT of this process is the user's
// HKCU\Software\Classes, so that system routines that write HKCR (type
// library and proxy registration) write for the user only.  Does nothing
// when constructed with false.
class CUserClassesRootOverride
{
public:
    explicit CUserClassesRootOverride(bool active);
    ~CUserClassesRootOverride();
    CUserClassesRootOverride(const CUserClassesRootOverride&) = delete;
    CUserClassesRootOverride& operator=(const CUserClassesRootOverride&) = delete;

    bool Failed() const { return failed_; }

private:
    HKEY userClasses_ = nullptr;
    bool failed_ = false;
};
