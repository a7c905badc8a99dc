#include "app/AppCopyData.h"

CopyDataKind ReadAppCommandCopyData(const COPYDATASTRUCT* data, CString& text)
{
    if (!data || data->dwData != COPYDATA_APP_COMMAND)
        return CopyDataKind::NotOurs;
    size_t units = data->cbData / sizeof(wchar_t);
    if (!data->lpData || units == 0)
        return CopyDataKind::Refused;
    const auto* chars = static_cast<const wchar_t*>(data->lpData);
    size_t length = 0;
    while (length < units && chars[length])
        ++length;
    text = CString(chars, static_cast<int>(length));
    return CopyDataKind::Accepted;
}
