#include "shellext/ShellExtSharedData.h"

#include "shellext/CatalogNames.h"
#include "shellext/MainAppHandOver.h"

#include <shlobj.h>

void CShellExtSharedData::LoadCatalogNames()
{
    CScopedLock hold(lock);
    CString path;
    path.Format(L"%s\\CatalogsCache.bin", DataFolder());
    CString text;
    if (ReadCatalogsCacheText(path, text) && !text.IsEmpty())
        catalogNames = ParseCatalogNames(text);
    if (catalogNames.empty())
        catalogNames.push_back(L"默认");
}

const CString& CShellExtSharedData::DataFolder()
{
    CScopedLock hold(lock);
    if (!dataFolderKnown_) {
        wchar_t appData[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)))
            appData[0] = L'\0';
        dataFolder_.Format(L"%s\\Quorventile", appData);
        dataFolderKnown_ = true;
    }
    return dataFolder_;
}

HRESULT CShellExtSharedData::HandOver(size_t index, const std::vector<CString>& paths)
{
    CScopedLock hold(lock);
    if (index >= catalogNames.size())
        return E_INVALIDARG;
    CString command = BuildAddLinksCommand(catalogNames[index], paths);
    if (IsMainAppRunning()) {
        HWND window = FindMainAppWindow();
        if (!IsWindow(window))
            return E_INVALIDARG;
        return SendCommandToMainApp(window, command);
    }
    CString arguments;
    arguments.Format(L"-addlinkstocatalog %s", command);
    if (LaunchMainApp(moduleFolder, arguments, FALSE))
        return S_OK;
    DWORD error = GetLastError();
    return HRESULT_FROM_WIN32(error ? error : ERROR_GEN_FAILURE);
}
