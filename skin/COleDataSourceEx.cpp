#include "skin/COleDataSourceEx.h"

namespace SkinControl
{

HRESULT COleDataSourceEx::XDataObj::SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release)
{
    const HRESULT hr = XDataObject::SetData(format, medium, release);
    if (hr != DV_E_FORMATETC)
        return hr;
    if (release) {
        m_owner->CacheData(format->cfFormat, medium, format);
        return S_OK;
    }
    // The caller keeps its medium; the cache keeps a copy.
    STGMEDIUM copy;
    const HRESULT copied = DuplicateStgMedium(format->cfFormat, *medium, &copy);
    if (FAILED(copied))
        return copied;
    m_owner->CacheData(format->cfFormat, &copy, format);
    return S_OK;
}

} // namespace SkinControl
