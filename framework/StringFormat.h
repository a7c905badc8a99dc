// printf-style formatting for our string classes.
//
// Format strings follow the Windows C runtime: "%s" is text of the string's
// own width, "%S" text of the other width, "%d"/"%u"/"%x" are 32-bit unless
// "I64" or "ll" asks for 64 bits.  Arguments are captured with their types,
// so a string object or a 64-bit value can't be misread from the stack.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

class FormatArg
{
public:
    enum Kind { Int, UInt, Real, Wide, Narrow, Pointer };

    FormatArg(bool v) : kind_(Int), i_(v) {}
    FormatArg(char v) : kind_(Int), i_(v) {}
    FormatArg(signed char v) : kind_(Int), i_(v) {}
    FormatArg(unsigned char v) : kind_(UInt), u_(v) {}
    FormatArg(wchar_t v) : kind_(UInt), u_(static_cast<uint16_t>(v)) {}
    FormatArg(short v) : kind_(Int), i_(v) {}
    FormatArg(unsigned short v) : kind_(UInt), u_(v) {}
    FormatArg(int v) : kind_(Int), i_(v) {}
    FormatArg(unsigned v) : kind_(UInt), u_(v) {}
    FormatArg(long v) : kind_(Int), i_(v) {}
    FormatArg(unsigned long v) : kind_(UInt), u_(v) {}
    FormatArg(long long v) : kind_(Int), i_(v) {}
    FormatArg(unsigned long long v) : kind_(UInt), u_(v) {}
    FormatArg(double v) : kind_(Real), d_(v) {}
    FormatArg(const wchar_t* v) : kind_(Wide), w_(v) {}
    FormatArg(const char* v) : kind_(Narrow), a_(v) {}
    FormatArg(const std::wstring& v) : kind_(Wide), w_(v.c_str()) {}
    FormatArg(const std::string& v) : kind_(Narrow), a_(v.c_str()) {}
    FormatArg(std::nullptr_t) : kind_(Pointer), p_(nullptr) {}
    template <typename T, typename = std::enable_if_t<std::is_enum_v<T>>>
    FormatArg(T v) : kind_(Int), i_(static_cast<long long>(v))
    {
    }
    template <typename T> FormatArg(T* v) : kind_(Pointer), p_(v) {}

    Kind kind() const { return kind_; }
    long long AsInt() const;
    double AsReal() const;
    const wchar_t* AsWide() const { return kind_ == Wide ? w_ : nullptr; }
    const char* AsNarrow() const { return kind_ == Narrow ? a_ : nullptr; }
    const void* AsPointer() const { return kind_ == Pointer ? p_ : nullptr; }

private:
    Kind kind_;
    union {
        long long i_;
        unsigned long long u_;
        double d_;
        const wchar_t* w_;
        const char* a_;
        const void* p_;
    };
};

// Formats into `out` (appending).  A conversion without a matching argument
// writes nothing for that conversion.
void FormatTextTo(std::wstring& out, const wchar_t* format, const FormatArg* args, int count);
void FormatTextTo(std::string& out, const char* format, const FormatArg* args, int count);
