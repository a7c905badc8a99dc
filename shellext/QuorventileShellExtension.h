// The context-menu handler Explorer creates for selected files and folders:
// "添加到Velmora" with one submenu item per group; choosing one hands the
// selected paths to the main program.
#pragma once

#include "framework/CGdiObject.h"
#include "framework/CString.h"
#include "shellext/QuorventileShellExt_h.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

class CQuorventileShellExtension : public IQuorventileShellExtension, public IShellExtInit, public IContextMenu3
{
public:
    CQuorventileShellExtension();
    ~CQuorventileShellExtension();
    CQuorventileShellExtension(const CQuorventileShellExtension&) = delete;
    CQuorventileShellExtension& operator=(const CQuorventileShellExtension&) = delete;

    HRESULT InternalQueryInterface(REFIID iid, void** object);

    // IDispatch (the dual interface has no methods of its own)
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argumentError) override;

    // IShellExtInit
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY progId) override;

    // IContextMenu3
    STDMETHODIMP QueryContextMenu(HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast, UINT flags) override;
    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override;
    STDMETHODIMP GetCommandString(UINT_PTR idCmd, UINT type, UINT* reserved, LPSTR name, UINT cchMax) override;
    STDMETHODIMP HandleMenuMsg(UINT message, WPARAM wParam, LPARAM lParam) override;
    STDMETHODIMP HandleMenuMsg2(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    HRESULT ReadSelectedPaths(IDataObject* data);

    CBitmap menuBitmap_; // 16x16 32-bit ARGB picture of the menu icon
    HICON menuIcon_ = nullptr;
    std::vector<CString> selectedPaths_;
};
