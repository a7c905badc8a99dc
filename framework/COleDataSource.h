// A data object that offers data cached in it, for a drag that starts here.
//
// The data source is reference counted: it is made with new holding one
// reference, its creator's, and deletes itself when the last reference goes.
// A drag may end with other holders (a drop target, the shell's drag-image
// helper) still keeping its IDataObject, so the creator gives up its
// reference with ExternalRelease and never deletes the object.
#pragma once

#include "framework/OleMedium.h"

#include <windows.h>
#include <objidl.h>
#include <oleidl.h>

#include <vector>

class COleDataSource
{
public:
    COleDataSource();
    COleDataSource(const COleDataSource&) = delete;
    COleDataSource& operator=(const COleDataSource&) = delete;

    // The counting of every interface the data source hands out.
    ULONG ExternalAddRef();
    ULONG ExternalRelease();
    // Answers IUnknown and IDataObject with GetDataObject().
    HRESULT ExternalQueryInterface(REFIID iid, void** object);
    // The data object offered to others; no reference is added.
    IDataObject* GetDataObject() { return DataObjectInterface(); }

    // Offers `medium` in `format` (by default: the clipboard format, content
    // aspect, all of it, the medium's own type). The data source owns the
    // medium from now on and releases it when it goes; an entry of the same
    // format, aspect and index is replaced.
    void CacheData(CLIPFORMAT clipFormat, STGMEDIUM* medium, const FORMATETC* format = nullptr);
    void CacheGlobalData(CLIPFORMAT clipFormat, HGLOBAL global, const FORMATETC* format = nullptr);

    // Runs a drag of this data with the left or right button; the effect of
    // the drop, DROPEFFECT_NONE when it was cancelled.
    DROPEFFECT DoDragDrop(DWORD allowedEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);

protected:
    // Only the reference count deletes a data source.
    virtual ~COleDataSource();

    // The interface that answers IID_IDataObject; a derived data source may
    // answer with one of its own derived from XDataObject.
    virtual IDataObject* DataObjectInterface() { return &m_xDataObject; }

    // The data source's IDataObject: data comes from the cache, always as a
    // copy the caller owns; no format can be set and no advise sinks are kept.
    class XDataObject : public IDataObject
    {
    public:
        explicit XDataObject(COleDataSource* owner) : m_owner(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;
        HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
        HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
        HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
        HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* format, FORMATETC* canonical) override;
        HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
        HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override;
        HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink,
                                          DWORD* connection) override;
        HRESULT STDMETHODCALLTYPE DUnadvise(DWORD connection) override;
        HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** advises) override;

    private:
        COleDataSource* m_owner;
    };
    XDataObject m_xDataObject{this};

private:
    struct CacheEntry {
        FORMATETC format;
        STGMEDIUM medium;
    };
    const CacheEntry* FindEntry(const FORMATETC& wanted) const;

    LONG m_refCount = 1;
    std::vector<CacheEntry> m_cache;
};
