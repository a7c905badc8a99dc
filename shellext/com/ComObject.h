// How COM objects of the server are made: a class T implements its
// interfaces and InternalQueryInterface (which hands out an interface with
// AddRef through it), and leaves IUnknown to these wrappers.  A live object
// keeps the module locked.
//
// CComObject<T>         stands alone, with its own reference count.
// CComAggObject<T>      aggregated: its IUnknown is the non-delegating one
//                       that the outer object holds; T's interfaces forward
//                       IUnknown to the outer object.
// CComClassFactory<T>   makes either, as the caller asks.
#pragma once

#include "shellext/com/ComModule.h"

#include <windows.h>
#include <unknwn.h>

#include <new>

// Runs a COM method body; an exception must not reach the caller (another
// process's host) and becomes a failure result.
template <typename Body> HRESULT CallGuarded(Body body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// A reference count that deletes its owner when it drops to zero.
class CComRefCount
{
public:
    ULONG Add() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    template <class Owner> ULONG Release(Owner* owner)
    {
        LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete owner;
        return static_cast<ULONG>(left);
    }

private:
    volatile LONG refs_ = 0;
};

template <class T> class CComObject final : public T
{
public:
    CComObject() { CComDllModule::Current().Lock(); }
    ~CComObject() { CComDllModule::Current().Unlock(); }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override { return this->InternalQueryInterface(iid, object); }
    STDMETHODIMP_(ULONG) AddRef() override { return refs_.Add(); }
    STDMETHODIMP_(ULONG) Release() override { return refs_.Release(this); }

private:
    CComRefCount refs_;
};

// T inside an aggregate: its IUnknown is the outer object's.
template <class T> class CComContainedObject final : public T
{
public:
    explicit CComContainedObject(IUnknown* outer) : outer_(outer) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override { return outer_->QueryInterface(iid, object); }
    STDMETHODIMP_(ULONG) AddRef() override { return outer_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return outer_->Release(); }

private:
    IUnknown* outer_; // the controlling object; borrowed, it owns us
};

template <class T> class CComAggObject final : public IUnknown
{
public:
    explicit CComAggObject(IUnknown* outer) : contained_(outer) { CComDllModule::Current().Lock(); }
    ~CComAggObject() { CComDllModule::Current().Unlock(); }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *object = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return contained_.InternalQueryInterface(iid, object);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return refs_.Add(); }
    STDMETHODIMP_(ULONG) Release() override { return refs_.Release(this); }

private:
    CComRefCount refs_;
    CComContainedObject<T> contained_;
};

// One factory per class for the life of the module; a client's reference
// to it keeps the module loaded.
template <class T> class CComClassFactory final : public IClassFactory
{
public:
    static IClassFactory* Get()
    {
        static CComClassFactory factory;
        return &factory;
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    // The module's own reference is the one more.
    STDMETHODIMP_(ULONG) AddRef() override
    {
        return static_cast<ULONG>(CComDllModule::Current().AddFactoryRef()) + 1;
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        return static_cast<ULONG>(CComDllModule::Current().ReleaseFactoryRef()) + 1;
    }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        // An aggregate hands its inner object out only as IUnknown.
        if (outer && !IsEqualIID(iid, IID_IUnknown))
            return CLASS_E_NOAGGREGATION;
        return CallGuarded([&]() -> HRESULT {
            IUnknown* unknown = nullptr;
            if (outer) {
                unknown = new CComAggObject<T>(outer);
                unknown->AddRef();
            } else {
                auto* created = new CComObject<T>;
                HRESULT hr = created->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown));
                if (FAILED(hr)) {
                    delete created;
                    return hr;
                }
            }
            HRESULT hr = unknown->QueryInterface(iid, object);
            unknown->Release();
            return hr;
        });
    }
    STDMETHODIMP LockServer(BOOL lock) override
    {
        CComDllModule::Current().LockServer(lock != FALSE);
        return S_OK;
    }

private:
    CComClassFactory() = default;
};
