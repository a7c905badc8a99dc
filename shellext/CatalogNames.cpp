#include "shellext/CatalogNames.h"

#include "core/CommandUrl.h"
#include "framework/CFile.h"

#include <algorithm>
#include <unordered_map>

namespace
{

const wchar_t kKeyPrefix[] = L"&category_";
const int kKeyPrefixLength = 10;

struct KeyAt {
    int keyStart;   // index of the "&"
    int valueStart; // index after the "="
};

// Every "&category_<n>=" of the text (prefix case ignored, n written as
// "%d" writes it), by n, in text order.
std::unordered_map<int, std::vector<KeyAt>> FindNumberedKeys(const CString& text)
{
    std::unordered_map<int, std::vector<KeyAt>> keys;
    const wchar_t* s = text.GetString();
    const int length = text.GetLength();
    for (int i = 0; i + kKeyPrefixLength < length; ++i) {
        if (s[i] != L'&' || _wcsnicmp(s + i, kKeyPrefix, kKeyPrefixLength) != 0)
            continue;
        int d = i + kKeyPrefixLength;
        int n = 0, digits = 0;
        while (d < length && s[d] >= L'0' && s[d] <= L'9' && digits < 9) {
            n = n * 10 + (s[d] - L'0');
            ++d;
            ++digits;
        }
        bool leadingZero = digits > 1 && s[i + kKeyPrefixLength] == L'0';
        if (digits == 0 || leadingZero || d >= length || s[d] != L'=')
            continue;
        keys[n].push_back(KeyAt{i, d + 1});
    }
    return keys;
}

// The first key n at or after `from`, or null.
const KeyAt* FirstAtOrAfter(const std::unordered_map<int, std::vector<KeyAt>>& keys, int n, int from)
{
    auto it = keys.find(n);
    if (it == keys.end())
        return nullptr;
    auto at = std::lower_bound(it->second.begin(), it->second.end(), from,
                               [](const KeyAt& k, int position) { return k.keyStart < position; });
    return at == it->second.end() ? nullptr : &*at;
}

} // namespace

bool ReadCatalogsCacheText(const wchar_t* path, CString& text)
{
    text.Empty();
    CFile file;
    if (!file.Open(path, CFile::typeBinary | CFile::shareExclusive | CFile::modeRead))
        return false;
    const ULONGLONG length = file.GetLength();
    if (length > kMaxCatalogsCacheBytes)
        return false;
    // Room for an odd last byte; it stays outside the text.
    std::vector<wchar_t> units(static_cast<size_t>(length + 1) / 2, L'\0');
    if (length && file.Read(units.data(), static_cast<UINT>(length)) != length)
        return false;
    const size_t whole = static_cast<size_t>(length / 2);
    text = CString(units.data(), static_cast<int>(std::find(units.begin(), units.begin() + whole, L'\0') - units.begin()));
    return true;
}

std::vector<CString> ParseCatalogNames(const CString& text)
{
    std::vector<CString> names;
    const int count = std::min(CCommandUrl(text).GetInt(L"category_count"), kMaxCatalogNames);
    if (count < 1)
        return names;
    const auto keys = FindNumberedKeys(text);
    int from = 0;
    for (int i = 0; i < count; ++i) {
        const KeyAt* key = FirstAtOrAfter(keys, i, from);
        if (!key) {
            names.emplace_back();
            continue;
        }
        const KeyAt* next = i + 1 < count ? FirstAtOrAfter(keys, i + 1, key->valueStart) : nullptr;
        const int end = next ? next->keyStart : text.GetLength();
        names.push_back(text.Mid(key->valueStart, end - key->valueStart));
        from = end;
    }
    return names;
}
