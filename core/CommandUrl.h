// Command URLs: "command?key=value&key=value", the text in which the program,
// its cache file and the shell extension pass commands and lists.  There is
// no escaping; free text goes in hex-coded (two upper-case digits for every
// byte of its UTF-16LE form).
#pragma once

#include "framework/CString.h"

#include <unordered_map>
#include <vector>

// Value of `key` (case ignored, the value's case kept), empty when absent.
// The key is searched as text from the "?" on, the first occurrence wins.
// keyPos receives where the key was found, endPos the index of the "&" that
// ends the value; both -1 when there is none.
CString GetUrlParam(const CString& url, const wchar_t* key, int* keyPos = nullptr, int* endPos = nullptr);
// Sets key=value in place: the value of an existing key is replaced, a new
// key is appended ("?" before the first pair, "&" before later ones).
CString& SetUrlParam(CString& url, const wchar_t* key, const wchar_t* value);
CString& SetUrlParamInt(CString& url, const wchar_t* key, int value);
int GetUrlParamInt(const CString& url, const wchar_t* key);
CString InitUrlString(const wchar_t* text);
CString& SetCategoryCountParam(CString& url, int count);

void HexEncodeString(CString& out, const unsigned char* bytes, int count);
// Bytes of "%02X" pairs; a trailing odd digit is ignored, a pair that is not
// hexadecimal gives 0.
std::vector<unsigned char> HexDecodeString(const wchar_t* text);
// encode != 0: out = hex of the text's UTF-16LE bytes.  encode == 0: out =
// the decoded bytes read as UTF-16LE up to the first zero code unit (a
// missing last byte counts as zero).
void HexCodeString(CString& out, const wchar_t* text, int encode);
// Strict decoding of a text value from another process: true only for whole
// code units (four hex digits each, at least one) none of which is zero.
bool HexDecodeText(const CString& hex, CString& text);

// A command URL parsed once, for long ones (thousands of link_%d
// parameters): reading or setting a key doesn't search the whole text.
// Keys match whole parameter names, case ignored, the first one wins; for
// URLs written with SetUrlParam in increasing key order and hex-coded
// values this gives the same values as GetUrlParam.
class CCommandUrl
{
public:
    explicit CCommandUrl(const CString& url = CString());

    CString Get(const wchar_t* key) const;
    int GetInt(const wchar_t* key) const;
    void Set(const wchar_t* key, const wchar_t* value);
    void SetInt(const wchar_t* key, int value);
    CString Text() const;

private:
    struct Param {
        CString key;
        CString value;
    };
    static std::wstring LowerKey(const wchar_t* key, size_t length);

    CString command_;
    bool hasQuery_ = false;
    std::vector<Param> params_;
    std::unordered_map<std::wstring, size_t> index_;
};
