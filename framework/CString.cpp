#include "framework/CString.h"

#include <windows.h>

#include <algorithm>

namespace
{

void ChangeCase(std::wstring& s, bool lower)
{
    if (s.empty())
        return;
    if (lower)
        CharLowerBuffW(&s[0], static_cast<DWORD>(s.size()));
    else
        CharUpperBuffW(&s[0], static_cast<DWORD>(s.size()));
}

void ChangeCase(std::string& s, bool lower)
{
    for (char& c : s) {
        if (lower && c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        else if (!lower && c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
}

int CompareNoCaseImpl(const std::wstring& a, const wchar_t* b)
{
    int r = CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b, -1, TRUE);
    return r - CSTR_EQUAL;
}

int CompareNoCaseImpl(const std::string& a, const char* b)
{
    std::string x = a, y = b;
    ChangeCase(x, true);
    ChangeCase(y, true);
    return x.compare(y);
}

} // namespace

template <typename Ch> int CStringT<Ch>::CompareNoCase(const Ch* text) const
{
    int r = CompareNoCaseImpl(s_, text ? text : EmptyText());
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

template <typename Ch> CStringT<Ch>& CStringT<Ch>::MakeLower()
{
    ChangeCase(s_, true);
    return *this;
}

template <typename Ch> CStringT<Ch>& CStringT<Ch>::MakeUpper()
{
    ChangeCase(s_, false);
    return *this;
}

template <typename Ch> CStringT<Ch> CStringT<Ch>::Tokenize(const Ch* delimiters, int& start) const
{
    if (start < 0 || start >= GetLength()) {
        start = -1;
        return CStringT();
    }
    size_t from = s_.find_first_not_of(delimiters, start);
    if (from == StdString::npos) {
        start = -1;
        return CStringT();
    }
    size_t to = s_.find_first_of(delimiters, from);
    if (to == StdString::npos)
        to = s_.size();
    start = static_cast<int>(to) + 1;
    return CStringT(s_.substr(from, to - from));
}

template <typename Ch> int CStringT<Ch>::Replace(const Ch* from, const Ch* to)
{
    if (!from || !*from)
        return 0;
    StdString f(from), t(to ? to : EmptyText());
    int count = 0;
    StdString result;
    size_t pos = 0, hit;
    while ((hit = s_.find(f, pos)) != StdString::npos) {
        result.append(s_, pos, hit - pos);
        result += t;
        pos = hit + f.size();
        ++count;
    }
    if (count) {
        result.append(s_, pos, StdString::npos);
        s_.swap(result);
    }
    return count;
}

template <typename Ch> int CStringT<Ch>::Replace(Ch from, Ch to)
{
    int count = 0;
    for (Ch& c : s_) {
        if (c == from) {
            c = to;
            ++count;
        }
    }
    return count;
}

template <typename Ch> int CStringT<Ch>::Remove(Ch c)
{
    size_t before = s_.size();
    s_.erase(std::remove(s_.begin(), s_.end(), c), s_.end());
    return static_cast<int>(before - s_.size());
}

template <typename Ch> int CStringT<Ch>::Insert(int index, const Ch* text)
{
    index = std::max(0, std::min(index, GetLength()));
    if (text)
        s_.insert(index, text);
    return GetLength();
}

template <typename Ch> int CStringT<Ch>::Delete(int index, int count)
{
    if (index >= 0 && index < GetLength() && count > 0)
        s_.erase(index, count);
    return GetLength();
}

template class CStringT<wchar_t>;
template class CStringT<char>;
