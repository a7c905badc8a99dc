#include "shellext/QuorventileShellExtension.h"

#include "core/WinUtils.h"
#include "framework/TextConvert.h"
#include "shellext/ShellExtResource.h"
#include "shellext/ShellExtSharedData.h"
#include "shellext/com/ComObject.h"

#include <objidl.h>
#include <gdiplus.h>
#include <shellapi.h>

#include <algorithm>
#include <string>

namespace
{

const wchar_t kMenuText[] = L"添加到Velmora";
const wchar_t kHelpTextFormat[] = L"添加到Tessaline的“%s“分组";
const int kIconSize = 16;

// GDI+ is started on first use, never while the DLL is attached (the
// loader lock is held then, and GDI+ starts a thread).  It stays started
// until the process ends, and so does this DLL: unloading it would release
// gdiplus.dll under its running thread, inside Explorer.  (Shutting GDI+
// down before an unload would race with another thread making an object.)
bool GdiplusStarted()
{
    static const bool started = [] {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok)
            return false;
        HMODULE self = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                           reinterpret_cast<LPCWSTR>(&kMenuText), &self);
        return true;
    }();
    return started;
}

// The icon drawn into a 16x16 ARGB bitmap; null when GDI+ fails.
HBITMAP MakeMenuBitmap(HICON icon)
{
    if (!GdiplusStarted())
        return nullptr;
    HBITMAP result = nullptr;
    Gdiplus::Bitmap iconBitmap(icon);
    Gdiplus::Bitmap argb(kIconSize, kIconSize, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics graphics(&argb);
        graphics.DrawImage(&iconBitmap, 0, 0, kIconSize, kIconSize);
    }
    if (argb.GetHBITMAP(Gdiplus::Color(0xFF000000), &result) != Gdiplus::Ok)
        return nullptr;
    return result;
}

// Menus take "&" as the mark of a mnemonic; a group name shows as written.
CString MenuText(const CString& name)
{
    CString text = name;
    text.Replace(L"&", L"&&");
    return text;
}

} // namespace

CQuorventileShellExtension::CQuorventileShellExtension()
{
    menuIcon_ = static_cast<HICON>(LoadImageW(CComDllModule::Current().Instance(), MAKEINTRESOURCEW(IDI_MENU_ICON),
                                              IMAGE_ICON, kIconSize, kIconSize, 0));
    if (menuIcon_)
        menuBitmap_.Attach(MakeMenuBitmap(menuIcon_));
}

CQuorventileShellExtension::~CQuorventileShellExtension()
{
    if (menuIcon_)
        DestroyIcon(menuIcon_);
}

HRESULT CQuorventileShellExtension::InternalQueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, IID_IQuorventileShellExtension))
        *object = static_cast<IQuorventileShellExtension*>(this);
    else if (IsEqualIID(iid, IID_IShellExtInit))
        *object = static_cast<IShellExtInit*>(this);
    else if (IsEqualIID(iid, IID_IContextMenu) || IsEqualIID(iid, IID_IContextMenu2) ||
             IsEqualIID(iid, IID_IContextMenu3))
        *object = static_cast<IContextMenu3*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    static_cast<IUnknown*>(*object)->AddRef();
    return S_OK;
}

STDMETHODIMP CQuorventileShellExtension::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

STDMETHODIMP CQuorventileShellExtension::GetTypeInfo(UINT index, LCID, ITypeInfo** info)
{
    if (index != 0)
        return DISP_E_BADINDEX;
    return CComDllModule::Current().GetTypeInfo(IID_IQuorventileShellExtension, info);
}

STDMETHODIMP CQuorventileShellExtension::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    ITypeInfo* info = nullptr;
    HRESULT hr = GetTypeInfo(0, 0, &info);
    if (SUCCEEDED(hr)) {
        hr = DispGetIDsOfNames(info, names, count, ids);
        info->Release();
    }
    return hr;
}

STDMETHODIMP CQuorventileShellExtension::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                                VARIANT* result, EXCEPINFO* exception, UINT* argumentError)
{
    ITypeInfo* info = nullptr;
    HRESULT hr = GetTypeInfo(0, 0, &info);
    if (SUCCEEDED(hr)) {
        hr = DispInvoke(static_cast<IQuorventileShellExtension*>(this), info, id, flags, params, result, exception,
                        argumentError);
        info->Release();
    }
    return hr;
}

HRESULT CQuorventileShellExtension::ReadSelectedPaths(IDataObject* data)
{
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (!data || FAILED(data->GetData(&format, &medium)))
        return E_INVALIDARG;
    HDROP drop = medium.tymed == TYMED_HGLOBAL ? static_cast<HDROP>(GlobalLock(medium.hGlobal)) : nullptr;
    if (drop) {
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        std::wstring path;
        for (UINT i = 0; i < count; ++i) {
            // Asked for its length first: a path may be longer than MAX_PATH.
            const UINT length = DragQueryFileW(drop, i, nullptr, 0);
            if (length == 0)
                continue;
            path.assign(length + 1, L'\0');
            const UINT copied = DragQueryFileW(drop, i, &path[0], length + 1);
            if (copied)
                selectedPaths_.emplace_back(path.c_str(), static_cast<int>(copied));
        }
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return S_OK;
}

STDMETHODIMP CQuorventileShellExtension::Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY)
{
    return CallGuarded([&]() -> HRESULT {
        selectedPaths_.clear();
        HRESULT hr = ReadSelectedPaths(data);
        if (FAILED(hr) || selectedPaths_.empty())
            return E_INVALIDARG;
        CScopedLock hold(ShellExtSharedData.lock);
        ShellExtSharedData.LoadCatalogNames();
        return ShellExtSharedData.catalogNames.empty() ? E_INVALIDARG : S_OK;
    });
}

STDMETHODIMP CQuorventileShellExtension::QueryContextMenu(HMENU menu, UINT indexMenu, UINT idCmdFirst,
                                                          UINT idCmdLast, UINT flags)
{
    return CallGuarded([&]() -> HRESULT {
        CScopedLock hold(ShellExtSharedData.lock);
        const std::vector<CString>& names = ShellExtSharedData.catalogNames;
        if ((flags & CMF_DEFAULTONLY) || names.empty())
            return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);

        // Every id given out lies in idCmdFirst..idCmdLast; groups past the
        // range are left out.  Before Vista the parent item takes an id too.
        const bool vista = IsVistaOrLater();
        const size_t ids = idCmdLast >= idCmdFirst ? static_cast<size_t>(idCmdLast - idCmdFirst) + 1 : 0;
        const size_t shown = std::min(names.size(), vista ? ids : (ids > 0 ? ids - 1 : 0));
        if (shown == 0)
            return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);

        HMENU submenu = CreatePopupMenu();
        if (!submenu)
            return HRESULT_FROM_WIN32(GetLastError());
        for (size_t i = 0; i < shown; ++i) {
            CString text = MenuText(names[i]);
            MENUITEMINFOW item = {};
            item.cbSize = sizeof(item);
            item.fMask = MIIM_ID | MIIM_TYPE;
            item.fType = MFT_STRING;
            item.dwTypeData = const_cast<wchar_t*>(text.GetString());
            item.wID = idCmdFirst + static_cast<UINT>(i);
            InsertMenuItemW(submenu, static_cast<UINT>(i), TRUE, &item);
        }

        MENUITEMINFOW parent = {};
        parent.cbSize = sizeof(parent);
        parent.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_STRING | MIIM_BITMAP | MIIM_FTYPE;
        parent.fType = MFT_STRING;
        parent.dwTypeData = const_cast<wchar_t*>(kMenuText);
        parent.hSubMenu = submenu;
        size_t used = shown;
        if (vista) {
            parent.hbmpItem = static_cast<HBITMAP>(menuBitmap_.GetSafeHandle());
            parent.wID = idCmdFirst + static_cast<UINT>(shown) - 1;
        } else {
            parent.fMask |= MIIM_DATA;
            parent.hbmpItem = HBMMENU_CALLBACK;
            parent.dwItemData = reinterpret_cast<ULONG_PTR>(menuIcon_);
            parent.wID = idCmdFirst + static_cast<UINT>(shown);
            used = shown + 1;
        }
        if (!InsertMenuItemW(menu, indexMenu, TRUE, &parent)) {
            DWORD error = GetLastError();
            DestroyMenu(submenu);
            return HRESULT_FROM_WIN32(error ? error : ERROR_INVALID_MENU_HANDLE);
        }
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, static_cast<USHORT>(used));
    });
}

STDMETHODIMP CQuorventileShellExtension::InvokeCommand(CMINVOKECOMMANDINFO* info)
{
    return CallGuarded([&]() -> HRESULT {
        // A verb given as text is not ours; an index is the command's offset.
        if (!info || !IS_INTRESOURCE(info->lpVerb))
            return E_INVALIDARG;
        // HandOver holds the lock and refuses an index past the groups.
        return ShellExtSharedData.HandOver(LOWORD(reinterpret_cast<ULONG_PTR>(info->lpVerb)), selectedPaths_);
    });
}

STDMETHODIMP CQuorventileShellExtension::GetCommandString(UINT_PTR idCmd, UINT type, UINT*, LPSTR name, UINT cchMax)
{
    return CallGuarded([&]() -> HRESULT {
        CScopedLock hold(ShellExtSharedData.lock);
        const std::vector<CString>& names = ShellExtSharedData.catalogNames;
        // Help text only (GCS_HELPTEXTA's bit, or any GCS_UNICODE type).
        if (names.empty() || idCmd >= names.size() || (type & 5) == 0)
            return E_INVALIDARG;
        if (!name || cchMax == 0)
            return E_INVALIDARG;
        CString help;
        help.Format(kHelpTextFormat, names[idCmd]);
        if (type & GCS_UNICODE)
            lstrcpynW(reinterpret_cast<LPWSTR>(name), help, static_cast<int>(std::min<UINT>(cchMax, INT_MAX)));
        else
            lstrcpynA(name, WideToMultiByte(CP_THREAD_ACP, help), static_cast<int>(std::min<UINT>(cchMax, INT_MAX)));
        return S_OK;
    });
}

STDMETHODIMP CQuorventileShellExtension::HandleMenuMsg(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    return HandleMenuMsg2(message, wParam, lParam, &result);
}

STDMETHODIMP CQuorventileShellExtension::HandleMenuMsg2(UINT message, WPARAM, LPARAM lParam, LRESULT* result)
{
    LRESULT local = 0;
    LRESULT& answer = result ? *result : local;
    answer = 0;
    if (message == WM_MEASUREITEM && lParam) {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        measure->itemWidth += 2;
        if (measure->itemHeight < static_cast<UINT>(kIconSize))
            measure->itemHeight = kIconSize;
        answer = TRUE;
    } else if (message == WM_DRAWITEM && lParam) {
        auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        // Only the item this handler gave its icon to.
        if (draw->CtlType == ODT_MENU && menuIcon_ && draw->itemData == reinterpret_cast<ULONG_PTR>(menuIcon_)) {
            const RECT& r = draw->rcItem;
            DrawIconEx(draw->hDC, r.left - kIconSize, r.top + (r.bottom - r.top - kIconSize) / 2,
                       menuIcon_, kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
            answer = TRUE;
        }
    }
    return S_OK;
}
