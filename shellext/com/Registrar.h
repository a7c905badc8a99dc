// Writes and removes registry entries described by a registration script:
//
//   HKCR { NoRemove CLSID { ForceRemove {guid} = s 'text' {
//       InprocServer32 = s '%MODULE%' { val ThreadingModel = s 'Apartment' } } } }
//
// Root keys HKCR, HKLM and HKCU; a key may be marked NoRemove (kept when
// unregistering) or ForceRemove (replaced whole when registering, removed
// whole when unregistering); "val name = s 'text'" is a named value, and
// "= s 'text'" after a key its default value.  Names are bare words or
// quoted with '' ('' inside stands for one quote).  %NAME% is replaced by
// the value given for NAME, %% by %.  Unregistering removes the script's
// values, its ForceRemove keys, and its other keys once nothing else is
// left in them.  A script is parsed whole before the registry is touched.
#pragma once

#include "framework/CString.h"

#include <windows.h>

#include <utility>
#include <vector>

class CRegistrar
{
public:
    void AddReplacement(const wchar_t* name, const wchar_t* value);
    // Per user, HKCR means HKCU\Software\Classes and HKLM means HKCU.
    void SetPerUser(bool perUser) { perUser_ = perUser; }

    HRESULT Register(const wchar_t* script);
    HRESULT Unregister(const wchar_t* script);

    struct Entry {
        enum Kind { Key, Value } kind = Key;
        enum Removal { Plain, NoRemove, ForceRemove } removal = Plain;
        CString name;
        bool hasData = false;
        CString data;
        std::vector<Entry> children;
    };

private:
    HRESULT Parse(const wchar_t* script, std::vector<Entry>& roots) const;
    bool OpenRoot(const CString& name, bool create, HKEY* key) const;
    HRESULT Run(const wchar_t* script, bool doRegister);

    std::vector<std::pair<CString, CString>> replacements_;
    bool perUser_ = false;
};
