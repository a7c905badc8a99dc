#include "framework/OleMedium.h"

#include <ole2.h>

#include <cstring>

HGLOBAL DuplicateGlobal(HGLOBAL source)
{
    const SIZE_T size = ::GlobalSize(source);
    const void* from = source ? ::GlobalLock(source) : nullptr;
    if (!from)
        return nullptr;
    HGLOBAL copy = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (void* to = copy ? ::GlobalLock(copy) : nullptr) {
        memcpy(to, from, size);
        ::GlobalUnlock(copy);
    }
    ::GlobalUnlock(source);
    return copy;
}

HRESULT DuplicateStgMedium(CLIPFORMAT format, const STGMEDIUM& source, STGMEDIUM* copy)
{
    if (!copy)
        return E_POINTER;
    *copy = {};
    copy->tymed = source.tymed;
    switch (source.tymed) {
    case TYMED_HGLOBAL:
        copy->hGlobal = DuplicateGlobal(source.hGlobal);
        return copy->hGlobal ? S_OK : E_OUTOFMEMORY;
    case TYMED_GDI:
        copy->hBitmap = static_cast<HBITMAP>(::OleDuplicateData(source.hBitmap, format, 0));
        return copy->hBitmap ? S_OK : E_OUTOFMEMORY;
    case TYMED_MFPICT:
        copy->hMetaFilePict = ::OleDuplicateData(source.hMetaFilePict, CF_METAFILEPICT, 0);
        return copy->hMetaFilePict ? S_OK : E_OUTOFMEMORY;
    case TYMED_ENHMF:
        copy->hEnhMetaFile =
            static_cast<HENHMETAFILE>(::OleDuplicateData(source.hEnhMetaFile, CF_ENHMETAFILE, 0));
        return copy->hEnhMetaFile ? S_OK : E_OUTOFMEMORY;
    case TYMED_FILE: {
        if (!source.lpszFileName)
            return E_INVALIDARG;
        const size_t bytes = (wcslen(source.lpszFileName) + 1) * sizeof(wchar_t);
        copy->lpszFileName = static_cast<LPOLESTR>(::CoTaskMemAlloc(bytes));
        if (!copy->lpszFileName)
            return E_OUTOFMEMORY;
        memcpy(copy->lpszFileName, source.lpszFileName, bytes);
        return S_OK;
    }
    case TYMED_ISTREAM:
        copy->pstm = source.pstm;
        if (copy->pstm)
            copy->pstm->AddRef();
        return S_OK;
    case TYMED_ISTORAGE:
        copy->pstg = source.pstg;
        if (copy->pstg)
            copy->pstg->AddRef();
        return S_OK;
    default:
        copy->tymed = TYMED_NULL;
        return DV_E_TYMED;
    }
}
