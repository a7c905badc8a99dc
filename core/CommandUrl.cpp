#include "core/CommandUrl.h"

#include <cwchar>

namespace
{

wchar_t AsciiLower(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// Index of `key` in `text` at or after `from`, ASCII letters compared
// without case; -1 when absent.
int FindNoCase(const CString& text, const wchar_t* key, int from)
{
    const int n = text.GetLength();
    const int k = static_cast<int>(wcslen(key));
    if (k == 0)
        return from <= n ? from : -1;
    const wchar_t* s = text.GetString();
    const wchar_t first = AsciiLower(key[0]);
    for (int i = from; i + k <= n; ++i) {
        if (AsciiLower(s[i]) != first)
            continue;
        int j = 1;
        while (j < k && AsciiLower(s[i + j]) == AsciiLower(key[j]))
            ++j;
        if (j == k)
            return i;
    }
    return -1;
}

int HexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    return -1;
}

} // namespace

CString GetUrlParam(const CString& url, const wchar_t* key, int* keyPos, int* endPos)
{
    if (keyPos)
        *keyPos = -1;
    if (endPos)
        *endPos = -1;
    if (url.IsEmpty() || !key)
        return CString();
    int question = url.Find(L'?');
    if (question <= 0)
        return CString();
    int at = FindNoCase(url, key, question);
    if (at <= 0)
        return CString();
    if (keyPos)
        *keyPos = at;
    int equals = url.Find(L'=', at);
    if (equals <= 0)
        return CString();
    int start = equals + 1;
    int amp = start < url.GetLength() ? url.Find(L'&', start) : -1;
    if (amp < 0)
        return url.Mid(start);
    if (endPos)
        *endPos = amp;
    return url.Mid(start, amp - start);
}

CString& SetUrlParam(CString& url, const wchar_t* key, const wchar_t* value)
{
    CString pair;
    pair.Format(L"%s=%s", key, value);
    int keyPos = -1, endPos = -1;
    GetUrlParam(url, key, &keyPos, &endPos);
    if (keyPos == -1) {
        CString joined;
        if (url.IsEmpty() || url.Find(L'?') < 0)
            joined.Format(L"%s?%s", url, pair);
        else
            joined.Format(L"%s&%s", url, pair);
        url = joined;
        return url;
    }
    // Replace this one segment; equal text elsewhere in the URL (another
    // parameter with the same value) stays as it is.
    int end = endPos == -1 ? url.GetLength() : endPos;
    url = url.Left(keyPos) + pair + url.Mid(end);
    return url;
}

CString& SetUrlParamInt(CString& url, const wchar_t* key, int value)
{
    CString text;
    text.Format(L"%d", value);
    return SetUrlParam(url, key, text);
}

int GetUrlParamInt(const CString& url, const wchar_t* key)
{
    return _wtoi(GetUrlParam(url, key));
}

CString InitUrlString(const wchar_t* text)
{
    return CString(text);
}

CString& SetCategoryCountParam(CString& url, int count)
{
    return SetUrlParamInt(url, L"category_count", count);
}

bool HexDecodeText(const CString& hex, CString& text)
{
    const int n = hex.GetLength();
    if (n == 0 || n % 4 != 0)
        return false;
    std::wstring decoded;
    decoded.reserve(n / 4);
    for (int i = 0; i < n; i += 4) {
        int digits[4];
        for (int j = 0; j < 4; ++j) {
            if ((digits[j] = HexDigit(hex[i + j])) < 0)
                return false;
        }
        // Low byte first.
        auto unit = static_cast<wchar_t>((digits[2] << 12) | (digits[3] << 8) | (digits[0] << 4) | digits[1]);
        if (unit == 0)
            return false;
        decoded.push_back(unit);
    }
    text = CString(std::move(decoded));
    return true;
}

void HexEncodeString(CString& out, const unsigned char* bytes, int count)
{
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text;
    text.reserve(count > 0 ? count * 2 : 0);
    for (int i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    out = CString(std::move(text));
}

std::vector<unsigned char> HexDecodeString(const wchar_t* text)
{
    size_t length = text ? wcslen(text) : 0;
    std::vector<unsigned char> bytes(length / 2);
    for (size_t i = 0; i < bytes.size(); ++i) {
        int high = HexDigit(text[2 * i]), low = HexDigit(text[2 * i + 1]);
        bytes[i] = (high < 0 || low < 0) ? 0 : static_cast<unsigned char>(high * 16 + low);
    }
    return bytes;
}

void HexCodeString(CString& out, const wchar_t* text, int encode)
{
    if (encode) {
        const CString source(text);
        HexEncodeString(out, reinterpret_cast<const unsigned char*>(source.GetString()),
                        source.GetLength() * 2);
        return;
    }
    std::vector<unsigned char> bytes = HexDecodeString(text);
    std::wstring decoded;
    decoded.reserve(bytes.size() / 2 + 1);
    for (size_t i = 0; i < bytes.size(); i += 2) {
        wchar_t unit = static_cast<wchar_t>(bytes[i] | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0));
        if (unit == 0)
            break;
        decoded += unit;
    }
    out = CString(std::move(decoded));
}

// ---------------------------------------------------------------------------

CCommandUrl::CCommandUrl(const CString& url)
{
    int question = url.Find(L'?');
    if (question < 0) {
        command_ = url;
        return;
    }
    command_ = url.Left(question);
    hasQuery_ = true;
    const std::wstring& s = url.str();
    size_t pos = question + 1;
    while (pos <= s.size()) {
        size_t amp = s.find(L'&', pos);
        if (amp == std::wstring::npos)
            amp = s.size();
        if (amp == pos) { // "&&" or a trailing "&" or "?" hold no parameter
            pos = amp + 1;
            continue;
        }
        size_t equals = s.find(L'=', pos);
        Param p;
        if (equals != std::wstring::npos && equals < amp) {
            p.key = CString(s.substr(pos, equals - pos));
            p.value = CString(s.substr(equals + 1, amp - equals - 1));
        } else {
            p.key = CString(s.substr(pos, amp - pos));
        }
        index_.emplace(LowerKey(p.key, p.key.GetLength()), params_.size());
        params_.push_back(std::move(p));
        pos = amp + 1;
    }
}

std::wstring CCommandUrl::LowerKey(const wchar_t* key, size_t length)
{
    std::wstring lower(key, length);
    for (wchar_t& c : lower)
        c = AsciiLower(c);
    return lower;
}

CString CCommandUrl::Get(const wchar_t* key) const
{
    auto it = index_.find(LowerKey(key, wcslen(key)));
    return it == index_.end() ? CString() : params_[it->second].value;
}

int CCommandUrl::GetInt(const wchar_t* key) const
{
    return _wtoi(Get(key));
}

void CCommandUrl::Set(const wchar_t* key, const wchar_t* value)
{
    std::wstring lower = LowerKey(key, wcslen(key));
    auto it = index_.find(lower);
    if (it != index_.end()) {
        params_[it->second].value = value;
        return;
    }
    index_.emplace(std::move(lower), params_.size());
    params_.push_back(Param{CString(key), CString(value)});
    hasQuery_ = true;
}

void CCommandUrl::SetInt(const wchar_t* key, int value)
{
    CString text;
    text.Format(L"%d", value);
    Set(key, text);
}

CString CCommandUrl::Text() const
{
    std::wstring text = command_.str();
    size_t size = text.size() + 1;
    for (const Param& p : params_)
        size += p.key.GetLength() + p.value.GetLength() + 2;
    text.reserve(size);
    for (size_t i = 0; i < params_.size(); ++i) {
        text += i == 0 ? L'?' : L'&';
        text += params_[i].key.str();
        text += L'=';
        text += params_[i].value.str();
    }
    if (params_.empty() && hasQuery_)
        text += L'?';
    return CString(std::move(text));
}
