// A predefined registry root (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER) of this
// process redirected to a new, empty key of its own, so that a test reads
// and writes no value that other tests in the shared prefix use at the same
// time.  The key goes when the object does.
#pragma once

#include <windows.h>

#include <string>

namespace AppTest
{

class PrivateRegistryRoot
{
public:
    explicit PrivateRegistryRoot(HKEY root) : root_(root)
    {
        static LONG counter = 0;
        path_ = std::wstring(kParent) + L"\\" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                std::to_wstring(InterlockedIncrement(&counter));
        if (RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                            nullptr) != ERROR_SUCCESS)
            key_ = nullptr;
        overridden_ = key_ && RegOverridePredefKey(root_, key_) == ERROR_SUCCESS;
    }
    ~PrivateRegistryRoot()
    {
        if (overridden_)
            RegOverridePredefKey(root_, nullptr);
        if (key_)
            RegCloseKey(key_);
        RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, kParent); // only once it is empty
    }
    PrivateRegistryRoot(const PrivateRegistryRoot&) = delete;
    PrivateRegistryRoot& operator=(const PrivateRegistryRoot&) = delete;

    bool IsActive() const { return overridden_; }

private:
    static constexpr const wchar_t* kParent = L"Software\\QuorventileTests";
    HKEY root_;
    HKEY key_ = nullptr;
    bool overridden_ = false;
    std::wstring path_;
};

} // namespace AppTest
