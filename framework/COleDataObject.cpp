#include "framework/COleDataObject.h"

#include "framework/OleMedium.h"

#include <ole2.h>
#include <shellapi.h>

namespace
{

FORMATETC Request(CLIPFORMAT clipFormat, const FORMATETC* format, DWORD tymed)
{
    if (format) {
        FORMATETC request = *format;
        request.cfFormat = clipFormat;
        return request;
    }
    return {clipFormat, nullptr, DVASPECT_CONTENT, -1, tymed};
}

} // namespace

COleDataObject::COleDataObject(IDataObject* data) : m_data(data)
{
    if (m_data)
        m_data->AddRef();
}

COleDataObject::~COleDataObject()
{
    if (m_formats)
        m_formats->Release();
    if (m_data)
        m_data->Release();
}

IDataObject* COleDataObject::GetIDataObject(BOOL addRef) const
{
    if (m_data && addRef)
        m_data->AddRef();
    return m_data;
}

BOOL COleDataObject::IsDataAvailable(CLIPFORMAT clipFormat, const FORMATETC* format) const
{
    FORMATETC request = Request(clipFormat, format,
                                TYMED_HGLOBAL | TYMED_ISTREAM | TYMED_ISTORAGE | TYMED_FILE | TYMED_GDI |
                                    TYMED_MFPICT | TYMED_ENHMF);
    return m_data && m_data->QueryGetData(&request) == S_OK;
}

BOOL COleDataObject::GetData(CLIPFORMAT clipFormat, STGMEDIUM* medium, const FORMATETC* format) const
{
    FORMATETC request = Request(clipFormat, format,
                                TYMED_HGLOBAL | TYMED_ISTREAM | TYMED_ISTORAGE | TYMED_FILE | TYMED_GDI |
                                    TYMED_MFPICT | TYMED_ENHMF);
    *medium = {};
    return m_data && m_data->GetData(&request, medium) == S_OK;
}

HGLOBAL COleDataObject::GetGlobalData(CLIPFORMAT clipFormat, const FORMATETC* format) const
{
    FORMATETC request = Request(clipFormat, format, TYMED_HGLOBAL);
    request.tymed = TYMED_HGLOBAL;
    STGMEDIUM medium = {};
    if (!m_data || m_data->GetData(&request, &medium) != S_OK)
        return nullptr;
    if (medium.tymed != TYMED_HGLOBAL) {
        ::ReleaseStgMedium(&medium);
        return nullptr;
    }
    // A block the data object still owns (it named who releases it) is copied.
    if (!medium.pUnkForRelease)
        return medium.hGlobal;
    HGLOBAL copy = DuplicateGlobal(medium.hGlobal);
    ::ReleaseStgMedium(&medium);
    return copy;
}

void COleDataObject::BeginEnumFormats()
{
    if (m_formats)
        m_formats->Release();
    m_formats = nullptr;
    if (m_data)
        m_data->EnumFormatEtc(DATADIR_GET, &m_formats);
}

BOOL COleDataObject::GetNextFormat(FORMATETC* format)
{
    if (!m_formats || m_formats->Next(1, format, nullptr) != S_OK)
        return FALSE;
    // Callers look at the format only; the target device is not kept.
    ::CoTaskMemFree(format->ptd);
    format->ptd = nullptr;
    return TRUE;
}

BOOL COleDataObject::GetFileNames(std::vector<CString>* files) const
{
    STGMEDIUM medium = {};
    FORMATETC request = Request(CF_HDROP, nullptr, TYMED_HGLOBAL);
    if (!m_data || m_data->GetData(&request, &medium) != S_OK)
        return FALSE;
    if (medium.tymed != TYMED_HGLOBAL) {
        ::ReleaseStgMedium(&medium);
        return FALSE;
    }
    auto drop = static_cast<HDROP>(medium.hGlobal);
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    files->clear();
    for (UINT i = 0; i < count; ++i) {
        const UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        path.resize(::DragQueryFileW(drop, i, &path[0], length + 1));
        files->push_back(CString(std::move(path)));
    }
    ::ReleaseStgMedium(&medium);
    return TRUE;
}
