// Value string classes: CString (UTF-16, the program's text) and CStringA
// (narrow text at the edges: UTF-8 for SQLite and HTTP, code pages).
#pragma once

#include "framework/StringFormat.h"

#include <string>

template <typename Ch> class CStringT
{
public:
    using XCHAR = Ch;
    using PCXSTR = const Ch*;
    using StdString = std::basic_string<Ch>;

    CStringT() = default;
    CStringT(const Ch* text) : s_(text ? text : EmptyText()) {}
    CStringT(const Ch* text, int length) : s_(text ? StdString(text, length > 0 ? length : 0) : StdString())
    {
    }
    CStringT(Ch c, int repeat = 1) : s_(repeat > 0 ? repeat : 0, c) {}
    CStringT(const StdString& s) : s_(s) {}
    CStringT(StdString&& s) : s_(std::move(s)) {}

    int GetLength() const { return static_cast<int>(s_.size()); }
    bool IsEmpty() const { return s_.empty(); }
    void Empty() { s_.clear(); }
    const Ch* GetString() const { return s_.c_str(); }
    operator const Ch*() const { return s_.c_str(); }
    const StdString& str() const { return s_; }
    StdString& str() { return s_; }

    Ch GetAt(int i) const { return s_.at(i); }
    Ch operator[](int i) const { return s_.at(i); }
    void SetAt(int i, Ch c) { s_.at(i) = c; }

    CStringT& operator=(const Ch* text)
    {
        s_ = text ? text : EmptyText();
        return *this;
    }
    CStringT& operator=(Ch c)
    {
        s_.assign(1, c);
        return *this;
    }
    CStringT& operator+=(const CStringT& other)
    {
        s_ += other.s_;
        return *this;
    }
    CStringT& operator+=(const Ch* text)
    {
        if (text)
            s_ += text;
        return *this;
    }
    CStringT& operator+=(Ch c)
    {
        s_ += c;
        return *this;
    }

    friend CStringT operator+(const CStringT& a, const CStringT& b) { return CStringT(a.s_ + b.s_); }
    friend CStringT operator+(const CStringT& a, const Ch* b) { return CStringT(a) += b; }
    friend CStringT operator+(const Ch* a, const CStringT& b) { return CStringT(a) += b; }
    friend CStringT operator+(const CStringT& a, Ch b) { return CStringT(a) += b; }
    friend CStringT operator+(Ch a, const CStringT& b) { return CStringT(a) += b; }

    friend bool operator==(const CStringT& a, const CStringT& b) { return a.s_ == b.s_; }
    friend bool operator==(const CStringT& a, const Ch* b) { return a.Compare(b) == 0; }
    friend bool operator==(const Ch* a, const CStringT& b) { return b.Compare(a) == 0; }
    friend bool operator!=(const CStringT& a, const CStringT& b) { return !(a == b); }
    friend bool operator!=(const CStringT& a, const Ch* b) { return !(a == b); }
    friend bool operator!=(const Ch* a, const CStringT& b) { return !(a == b); }
    friend bool operator<(const CStringT& a, const CStringT& b) { return a.s_ < b.s_; }

    // Ordinal comparison; the no-case form folds letters of every script.
    int Compare(const Ch* text) const { return s_.compare(text ? text : EmptyText()); }
    int CompareNoCase(const Ch* text) const;

    int Find(Ch c, int start = 0) const { return Pos(start < 0 ? StdString::npos : s_.find(c, start)); }
    int Find(const Ch* text, int start = 0) const
    {
        if (!text || start < 0 || start > GetLength())
            return -1;
        return Pos(s_.find(text, start));
    }
    int ReverseFind(Ch c) const { return Pos(s_.rfind(c)); }
    int FindOneOf(const Ch* set) const { return set ? Pos(s_.find_first_of(set)) : -1; }

    CStringT Mid(int first) const { return Mid(first, GetLength()); }
    CStringT Mid(int first, int count) const
    {
        if (first < 0)
            first = 0;
        if (count < 0 || first >= GetLength())
            return CStringT();
        return CStringT(s_.substr(first, count));
    }
    CStringT Left(int count) const { return Mid(0, count); }
    CStringT Right(int count) const
    {
        if (count <= 0)
            return CStringT();
        return count >= GetLength() ? *this : CStringT(s_.substr(s_.size() - count));
    }
    CStringT Tokenize(const Ch* delimiters, int& start) const;

    CStringT& Trim() { return TrimRight().TrimLeft(); }
    CStringT& Trim(const Ch* set) { return TrimRight(set).TrimLeft(set); }
    CStringT& TrimLeft(const Ch* set = nullptr)
    {
        size_t i = s_.find_first_not_of(set ? set : Blanks());
        s_.erase(0, i == StdString::npos ? s_.size() : i);
        return *this;
    }
    CStringT& TrimRight(const Ch* set = nullptr)
    {
        size_t i = s_.find_last_not_of(set ? set : Blanks());
        s_.erase(i == StdString::npos ? 0 : i + 1);
        return *this;
    }
    CStringT& MakeLower();
    CStringT& MakeUpper();

    // Replaces every occurrence, left to right; returns how many.
    int Replace(const Ch* from, const Ch* to);
    int Replace(Ch from, Ch to);
    int Remove(Ch c);
    int Insert(int index, const Ch* text);
    int Delete(int index, int count = 1);

    // Direct access for APIs that write text: the buffer holds at least
    // `minLength` characters plus a terminator; ReleaseBuffer(-1) cuts the
    // string at its first zero.
    Ch* GetBuffer(int minLength = 0)
    {
        if (minLength > GetLength())
            s_.resize(minLength);
        return &s_[0];
    }
    Ch* GetBufferSetLength(int length)
    {
        s_.resize(length > 0 ? length : 0);
        return &s_[0];
    }
    void ReleaseBuffer(int newLength = -1)
    {
        if (newLength < 0) {
            size_t end = s_.find(Ch(0));
            if (end != StdString::npos)
                s_.resize(end);
        } else if (static_cast<size_t>(newLength) <= s_.size()) {
            s_.resize(newLength);
        }
    }

    template <typename... Args> void Format(const Ch* format, const Args&... args)
    {
        s_.clear();
        AppendFormat(format, args...);
    }
    template <typename... Args> void AppendFormat(const Ch* format, const Args&... args)
    {
        const FormatArg list[] = {FormatArg(ToArg(args))..., FormatArg(0)};
        FormatTextTo(s_, format, list, static_cast<int>(sizeof...(Args)));
    }

private:
    static const Ch* EmptyText()
    {
        static const Ch empty[1] = {0};
        return empty;
    }
    static const Ch* Blanks()
    {
        static const Ch blanks[] = {' ', '\t', '\r', '\n', '\v', '\f', 0};
        return blanks;
    }
    static int Pos(size_t p) { return p == StdString::npos ? -1 : static_cast<int>(p); }

    template <typename T> static const T& ToArg(const T& v) { return v; }
    template <typename C> static const C* ToArg(const CStringT<C>& v) { return v.GetString(); }

    StdString s_;
};

using CString = CStringT<wchar_t>;
using CStringW = CStringT<wchar_t>;
using CStringA = CStringT<char>;

extern template class CStringT<wchar_t>;
extern template class CStringT<char>;
