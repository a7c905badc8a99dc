#include "app/AddLinksCommand.h"

#include "core/CommandUrl.h"

bool ParseAddLinksCommand(const CString& url, AddLinksCommand& command)
{
    command = AddLinksCommand();
    CCommandUrl parsed(url);
    if (!HexDecodeText(parsed.Get(L"catalog_name"), command.catalogName))
        return false;
    const int count = parsed.GetInt(L"links_count");
    for (int i = 0; i < count; ++i) {
        CString key;
        key.Format(L"link_%d", i);
        CString value = parsed.Get(key);
        if (value.IsEmpty())
            break;
        CString path;
        if (HexDecodeText(value, path))
            command.paths.push_back(path);
    }
    return !command.paths.empty();
}
