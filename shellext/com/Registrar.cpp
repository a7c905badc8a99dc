#include "shellext/com/Registrar.h"

#include <cwctype>

namespace
{

const HRESULT kBadScript = HRESULT_FROM_WIN32(ERROR_BAD_FORMAT);

struct Token {
    enum Type { End, Word, Quoted, Open, Close, Equals } type = End;
    CString text;
};

class CTokenizer
{
public:
    explicit CTokenizer(const wchar_t* text) : p_(text) {}

    Token Next()
    {
        while (*p_ && iswspace(*p_))
            ++p_;
        Token t;
        if (!*p_)
            return t;
        // A brace stands alone; "{" that starts a word is a bare GUID name.
        if (*p_ == L'}' || (*p_ == L'{' && (!p_[1] || iswspace(p_[1])))) {
            t.type = *p_++ == L'{' ? Token::Open : Token::Close;
            return t;
        }
        if (*p_ == L'=') {
            ++p_;
            t.type = Token::Equals;
            return t;
        }
        if (*p_ == L'\'') {
            ++p_;
            for (;;) {
                if (!*p_)
                    return Token(); // unterminated: the caller sees End
                if (*p_ == L'\'') {
                    if (p_[1] != L'\'')
                        break;
                    ++p_;
                }
                t.text += *p_++;
            }
            ++p_;
            t.type = Token::Quoted;
            return t;
        }
        const wchar_t* start = p_;
        while (*p_ && !iswspace(*p_) && *p_ != L'=')
            ++p_;
        t.type = Token::Word;
        t.text = CString(start, static_cast<int>(p_ - start));
        return t;
    }

    Token Peek()
    {
        const wchar_t* saved = p_;
        Token t = Next();
        p_ = saved;
        return t;
    }

private:
    const wchar_t* p_;
};

bool IsWord(const Token& t, const wchar_t* word)
{
    return t.type == Token::Word && t.text.CompareNoCase(word) == 0;
}

class CParser
{
public:
    CParser(const wchar_t* script, const std::vector<std::pair<CString, CString>>& replacements)
        : tokens_(script), replacements_(replacements)
    {
    }

    // Entries up to the closing brace (or the end of the script for roots).
    bool Entries(std::vector<CRegistrar::Entry>& out, bool roots)
    {
        for (;;) {
            Token t = tokens_.Next();
            if (t.type == Token::End)
                return roots;
            if (t.type == Token::Close)
                return !roots;
            CRegistrar::Entry e;
            if (roots) {
                if (t.type != Token::Word || tokens_.Next().type != Token::Open)
                    return false;
                e.removal = CRegistrar::Entry::NoRemove;
                e.name = t.text;
                if (!Entries(e.children, false))
                    return false;
                out.push_back(std::move(e));
                continue;
            }
            if (IsWord(t, L"NoRemove") || IsWord(t, L"ForceRemove")) {
                e.removal = IsWord(t, L"NoRemove") ? CRegistrar::Entry::NoRemove : CRegistrar::Entry::ForceRemove;
                t = tokens_.Next();
            }
            if (IsWord(t, L"val")) {
                e.kind = CRegistrar::Entry::Value;
                t = tokens_.Next();
            }
            if (t.type != Token::Word && t.type != Token::Quoted)
                return false;
            if (!Replace(t.text, e.name) || (e.name.IsEmpty() && e.kind == CRegistrar::Entry::Key))
                return false;
            if (tokens_.Peek().type == Token::Equals) {
                tokens_.Next();
                Token data = tokens_.Next();
                if (!IsWord(data, L"s"))
                    return false;
                data = tokens_.Next();
                if (data.type != Token::Quoted || !Replace(data.text, e.data))
                    return false;
                e.hasData = true;
            }
            if (e.kind == CRegistrar::Entry::Value && !e.hasData)
                return false;
            if (e.kind == CRegistrar::Entry::Key && tokens_.Peek().type == Token::Open) {
                tokens_.Next();
                if (!Entries(e.children, false))
                    return false;
            }
            out.push_back(std::move(e));
        }
    }

private:
    // %NAME% by its value, %% by %; false for an unknown or open name.
    bool Replace(const CString& text, CString& out) const
    {
        out.Empty();
        for (int i = 0; i < text.GetLength(); ++i) {
            if (text[i] != L'%') {
                out += text[i];
                continue;
            }
            int close = text.Find(L'%', i + 1);
            if (close < 0)
                return false;
            CString name = text.Mid(i + 1, close - i - 1);
            if (name.IsEmpty()) {
                out += L'%';
            } else {
                const CString* value = nullptr;
                for (const auto& r : replacements_)
                    if (r.first.CompareNoCase(name) == 0)
                        value = &r.second;
                if (!value)
                    return false;
                out += *value;
            }
            i = close;
        }
        return true;
    }

    CTokenizer tokens_;
    const std::vector<std::pair<CString, CString>>& replacements_;
};

HRESULT FromStatus(LONG status)
{
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

bool Missing(LONG status)
{
    return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND;
}

HRESULT SetString(HKEY key, const wchar_t* name, const CString& data)
{
    const DWORD bytes = static_cast<DWORD>((data.GetLength() + 1) * sizeof(wchar_t));
    return FromStatus(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.GetString()), bytes));
}

HRESULT RegisterEntries(HKEY parent, const std::vector<CRegistrar::Entry>& entries)
{
    for (const CRegistrar::Entry& e : entries) {
        HRESULT hr = S_OK;
        if (e.kind == CRegistrar::Entry::Value) {
            hr = SetString(parent, e.name, e.data);
        } else {
            if (e.removal == CRegistrar::Entry::ForceRemove) {
                LONG status = RegDeleteTreeW(parent, e.name);
                if (status != ERROR_SUCCESS && !Missing(status))
                    return FromStatus(status);
            }
            HKEY key = nullptr;
            hr = FromStatus(
                RegCreateKeyExW(parent, e.name, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr));
            if (SUCCEEDED(hr) && e.hasData)
                hr = SetString(key, nullptr, e.data);
            if (SUCCEEDED(hr))
                hr = RegisterEntries(key, e.children);
            if (key)
                RegCloseKey(key);
        }
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

// Nothing but (at most) a default value is left in the key.
bool OnlyDefaultLeft(HKEY key)
{
    DWORD subkeys = 0, values = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    if (subkeys != 0)
        return false;
    if (values == 0)
        return true;
    return values == 1 && RegQueryValueExW(key, L"", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

HRESULT UnregisterEntries(HKEY parent, const std::vector<CRegistrar::Entry>& entries)
{
    HRESULT first = S_OK;
    auto note = [&first](LONG status) {
        if (status != ERROR_SUCCESS && !Missing(status) && SUCCEEDED(first))
            first = HRESULT_FROM_WIN32(status);
    };
    for (const CRegistrar::Entry& e : entries) {
        if (e.kind == CRegistrar::Entry::Value) {
            note(RegDeleteValueW(parent, e.name));
            continue;
        }
        if (e.removal == CRegistrar::Entry::ForceRemove) {
            note(RegDeleteTreeW(parent, e.name));
            continue;
        }
        HKEY key = nullptr;
        LONG status = RegOpenKeyExW(parent, e.name, 0, KEY_READ | KEY_WRITE, &key);
        if (status != ERROR_SUCCESS) {
            note(status);
            continue;
        }
        HRESULT hr = UnregisterEntries(key, e.children);
        if (FAILED(hr) && SUCCEEDED(first))
            first = hr;
        bool remove = e.removal == CRegistrar::Entry::Plain && OnlyDefaultLeft(key);
        RegCloseKey(key);
        if (remove)
            note(RegDeleteKeyW(parent, e.name));
    }
    return first;
}

} // namespace

void CRegistrar::AddReplacement(const wchar_t* name, const wchar_t* value)
{
    replacements_.emplace_back(name, value);
}

HRESULT CRegistrar::Register(const wchar_t* script)
{
    return Run(script, true);
}

HRESULT CRegistrar::Unregister(const wchar_t* script)
{
    return Run(script, false);
}

HRESULT CRegistrar::Parse(const wchar_t* script, std::vector<Entry>& roots) const
{
    if (!script)
        return E_INVALIDARG;
    CParser parser(script, replacements_);
    return parser.Entries(roots, true) ? S_OK : kBadScript;
}

bool CRegistrar::OpenRoot(const CString& name, bool create, HKEY* key) const
{
    HKEY base = nullptr;
    const wchar_t* subkey = nullptr;
    if (name.CompareNoCase(L"HKCR") == 0 || name.CompareNoCase(L"HKEY_CLASSES_ROOT") == 0) {
        base = perUser_ ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT;
        subkey = perUser_ ? L"Software\\Classes" : nullptr;
    } else if (name.CompareNoCase(L"HKLM") == 0 || name.CompareNoCase(L"HKEY_LOCAL_MACHINE") == 0) {
        base = perUser_ ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    } else if (name.CompareNoCase(L"HKCU") == 0 || name.CompareNoCase(L"HKEY_CURRENT_USER") == 0) {
        base = HKEY_CURRENT_USER;
    } else {
        return false;
    }
    if (create && subkey)
        return RegCreateKeyExW(base, subkey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, key, nullptr) ==
               ERROR_SUCCESS;
    return RegOpenKeyExW(base, subkey, 0, KEY_READ | KEY_WRITE, key) == ERROR_SUCCESS;
}

HRESULT CRegistrar::Run(const wchar_t* script, bool doRegister)
{
    std::vector<Entry> roots;
    HRESULT hr = Parse(script, roots);
    if (FAILED(hr))
        return hr;
    for (const Entry& root : roots) {
        HKEY key = nullptr;
        if (!OpenRoot(root.name, doRegister, &key)) {
            if (doRegister)
                return kBadScript;
            continue; // nothing of ours can be below a missing root
        }
        HRESULT step = doRegister ? RegisterEntries(key, root.children) : UnregisterEntries(key, root.children);
        RegCloseKey(key);
        if (FAILED(step) && SUCCEEDED(hr))
            hr = step;
        if (FAILED(hr) && doRegister)
            return hr;
    }
    return hr;
}
