// The receiving side's view of a data object (a drop's, for instance): which
// formats it offers and their data. The wrapper holds a reference of its own
// to the data object for as long as it lives.
#pragma once

#include "framework/CString.h"

#include <windows.h>
#include <objidl.h>

#include <vector>

class COleDataObject
{
public:
    COleDataObject() = default;
    // Takes a reference of its own to `data`.
    explicit COleDataObject(IDataObject* data);
    ~COleDataObject();
    COleDataObject(const COleDataObject&) = delete;
    COleDataObject& operator=(const COleDataObject&) = delete;

    // The data object, with a reference for the caller when `addRef` is set.
    IDataObject* GetIDataObject(BOOL addRef) const;

    // `format` overrides the default request (content aspect, all of it, the
    // tymed the call needs).
    BOOL IsDataAvailable(CLIPFORMAT clipFormat, const FORMATETC* format = nullptr) const;
    // A medium the caller releases with ReleaseStgMedium.
    BOOL GetData(CLIPFORMAT clipFormat, STGMEDIUM* medium, const FORMATETC* format = nullptr) const;
    // A global block of the caller's own, freed with GlobalFree; null when the
    // format is not offered as global memory.
    HGLOBAL GetGlobalData(CLIPFORMAT clipFormat, const FORMATETC* format = nullptr) const;

    // The offered formats, one by one.
    void BeginEnumFormats();
    BOOL GetNextFormat(FORMATETC* format);

    // The paths of the CF_HDROP data, in the order of the list, each read
    // whole whatever its length. FALSE when the data offers no file list.
    BOOL GetFileNames(std::vector<CString>* files) const;

private:
    IDataObject* m_data = nullptr;
    IEnumFORMATETC* m_formats = nullptr;
};
