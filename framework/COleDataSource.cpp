#include "framework/COleDataSource.h"

#include "framework/OleMedium.h"

#include <ole2.h>
#include <shlobj.h>

#include <cstring>

namespace
{

// A target device of its own for a cached format.
DVTARGETDEVICE* CopyTargetDevice(const DVTARGETDEVICE* device)
{
    if (!device)
        return nullptr;
    auto* copy = static_cast<DVTARGETDEVICE*>(::CoTaskMemAlloc(device->tdSize));
    if (copy)
        memcpy(copy, device, device->tdSize);
    return copy;
}

// The drag ends when the buttons are up and is cancelled by Escape.
class DropSource : public IDropSource
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropSource)) {
            *object = static_cast<IDropSource*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the stack of DoDragDrop, which holds it only while it runs.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override
    {
        if (escapePressed)
            return DRAGDROP_S_CANCEL;
        if (!(keyState & (MK_LBUTTON | MK_RBUTTON)))
            return DRAGDROP_S_DROP;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

} // namespace

COleDataSource::COleDataSource() = default;

COleDataSource::~COleDataSource()
{
    for (CacheEntry& entry : m_cache) {
        ::CoTaskMemFree(entry.format.ptd);
        ::ReleaseStgMedium(&entry.medium);
    }
}

ULONG COleDataSource::ExternalAddRef()
{
    return static_cast<ULONG>(::InterlockedIncrement(&m_refCount));
}

ULONG COleDataSource::ExternalRelease()
{
    const LONG count = ::InterlockedDecrement(&m_refCount);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

HRESULT COleDataSource::ExternalQueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
        *object = DataObjectInterface();
        ExternalAddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

void COleDataSource::CacheData(CLIPFORMAT clipFormat, STGMEDIUM* medium, const FORMATETC* format)
{
    FORMATETC stored = {clipFormat, nullptr, DVASPECT_CONTENT, -1, medium->tymed};
    if (format) {
        stored = *format;
        stored.cfFormat = clipFormat;
        stored.ptd = CopyTargetDevice(format->ptd);
        stored.tymed = medium->tymed;
    }
    for (auto it = m_cache.begin(); it != m_cache.end(); ++it) {
        if (it->format.cfFormat == clipFormat && it->format.dwAspect == stored.dwAspect &&
            it->format.lindex == stored.lindex) {
            ::CoTaskMemFree(it->format.ptd);
            ::ReleaseStgMedium(&it->medium);
            m_cache.erase(it);
            break;
        }
    }
    m_cache.push_back({stored, *medium});
}

void COleDataSource::CacheGlobalData(CLIPFORMAT clipFormat, HGLOBAL global, const FORMATETC* format)
{
    STGMEDIUM medium = {};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = global;
    CacheData(clipFormat, &medium, format);
}

const COleDataSource::CacheEntry* COleDataSource::FindEntry(const FORMATETC& wanted) const
{
    for (const CacheEntry& entry : m_cache) {
        if (entry.format.cfFormat == wanted.cfFormat && (entry.format.tymed & wanted.tymed) &&
            entry.format.dwAspect == wanted.dwAspect &&
            (wanted.lindex == -1 || entry.format.lindex == wanted.lindex))
            return &entry;
    }
    return nullptr;
}

DROPEFFECT COleDataSource::DoDragDrop(DWORD allowedEffects)
{
    DropSource source;
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT hr = ::DoDragDrop(DataObjectInterface(), &source, allowedEffects, &effect);
    return hr == DRAGDROP_S_DROP ? effect : DROPEFFECT_NONE;
}

// XDataObject

HRESULT COleDataSource::XDataObject::QueryInterface(REFIID iid, void** object)
{
    return m_owner->ExternalQueryInterface(iid, object);
}

ULONG COleDataSource::XDataObject::AddRef()
{
    return m_owner->ExternalAddRef();
}

ULONG COleDataSource::XDataObject::Release()
{
    return m_owner->ExternalRelease();
}

HRESULT COleDataSource::XDataObject::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    if (!format || !medium)
        return E_INVALIDARG;
    const CacheEntry* entry = m_owner->FindEntry(*format);
    if (!entry)
        return DV_E_FORMATETC;
    // The caller releases what it gets; the cache keeps its own.
    return DuplicateStgMedium(entry->format.cfFormat, entry->medium, medium);
}

HRESULT COleDataSource::XDataObject::GetDataHere(FORMATETC* format, STGMEDIUM* medium)
{
    if (!format || !medium)
        return E_INVALIDARG;
    const CacheEntry* entry = m_owner->FindEntry(*format);
    if (!entry)
        return DV_E_FORMATETC;
    if (entry->medium.tymed != TYMED_HGLOBAL || medium->tymed != TYMED_HGLOBAL)
        return DV_E_TYMED;
    const SIZE_T size = ::GlobalSize(entry->medium.hGlobal);
    if (::GlobalSize(medium->hGlobal) < size)
        return STG_E_MEDIUMFULL;
    void* to = ::GlobalLock(medium->hGlobal);
    const void* from = ::GlobalLock(entry->medium.hGlobal);
    if (to && from)
        memcpy(to, from, size);
    ::GlobalUnlock(entry->medium.hGlobal);
    ::GlobalUnlock(medium->hGlobal);
    return to && from ? S_OK : E_OUTOFMEMORY;
}

HRESULT COleDataSource::XDataObject::QueryGetData(FORMATETC* format)
{
    if (!format)
        return E_INVALIDARG;
    return m_owner->FindEntry(*format) ? S_OK : DV_E_FORMATETC;
}

HRESULT COleDataSource::XDataObject::GetCanonicalFormatEtc(FORMATETC* format, FORMATETC* canonical)
{
    if (!format || !canonical)
        return E_INVALIDARG;
    *canonical = *format;
    canonical->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

HRESULT COleDataSource::XDataObject::SetData(FORMATETC* format, STGMEDIUM* medium, BOOL)
{
    if (!format || !medium)
        return E_INVALIDARG;
    return DV_E_FORMATETC;
}

HRESULT COleDataSource::XDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats)
{
    if (!formats)
        return E_INVALIDARG;
    *formats = nullptr;
    if (direction != DATADIR_GET)
        return E_NOTIMPL;
    std::vector<FORMATETC> offered;
    for (const CacheEntry& entry : m_owner->m_cache)
        offered.push_back(entry.format);
    return ::SHCreateStdEnumFmtEtc(static_cast<UINT>(offered.size()), offered.data(), formats);
}

HRESULT COleDataSource::XDataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT COleDataSource::XDataObject::DUnadvise(DWORD)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT COleDataSource::XDataObject::EnumDAdvise(IEnumSTATDATA**)
{
    return OLE_E_ADVISENOTSUPPORTED;
}
