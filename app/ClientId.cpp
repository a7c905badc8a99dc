#include "app/ClientId.h"

#include "core/AppDatabase.h"

#include <objbase.h>

CString AppClientId;

CString FormatClientId(const GUID& guid)
{
    // The trailing 10 ("0a") has been part of every id ever sent.
    CString id;
    id.Format(L"%08x%04x%04x%02x%02x%02x%02x%02x%02x%02x%02x%02x", static_cast<unsigned>(guid.Data1),
              static_cast<unsigned>(guid.Data2), static_cast<unsigned>(guid.Data3),
              static_cast<unsigned>(guid.Data4[0]), static_cast<unsigned>(guid.Data4[1]),
              static_cast<unsigned>(guid.Data4[2]), static_cast<unsigned>(guid.Data4[3]),
              static_cast<unsigned>(guid.Data4[4]), static_cast<unsigned>(guid.Data4[5]),
              static_cast<unsigned>(guid.Data4[6]), static_cast<unsigned>(guid.Data4[7]), 10u);
    return id;
}

CString LoadOrCreateClientId()
{
    CString id = GetConfigString(L"ClientID", nullptr);
    if (id.IsEmpty()) {
        GUID guid = {};
        CoCreateGuid(&guid);
        id = FormatClientId(guid);
        SetConfigString(L"ClientID", id);
    }
    AppClientId = id;
    return id;
}
