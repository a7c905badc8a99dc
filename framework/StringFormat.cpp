#include "framework/StringFormat.h"

#include "framework/TextConvert.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

long long FormatArg::AsInt() const
{
    switch (kind_) {
    case Int:
        return i_;
    case UInt:
        return static_cast<long long>(u_);
    case Real:
        return static_cast<long long>(d_);
    case Pointer:
        return static_cast<long long>(reinterpret_cast<uintptr_t>(p_));
    default:
        return 0;
    }
}

double FormatArg::AsReal() const
{
    switch (kind_) {
    case Real:
        return d_;
    case Int:
        return static_cast<double>(i_);
    case UInt:
        return static_cast<double>(u_);
    default:
        return 0;
    }
}

namespace
{

void Append(std::wstring& out, const char* text)
{
    while (*text)
        out += static_cast<wchar_t>(static_cast<unsigned char>(*text++));
}

void Append(std::string& out, const char* text)
{
    out += text;
}

// The string argument as text of the output's width.
std::basic_string<wchar_t> StringArg(const FormatArg& arg, wchar_t)
{
    if (const wchar_t* w = arg.AsWide())
        return w;
    if (const char* a = arg.AsNarrow())
        return MultiByteToWide(CP_ACP, a).str(); // as the C runtime does for "%S"
    return L"(null)";
}

std::basic_string<char> StringArg(const FormatArg& arg, char)
{
    if (const char* a = arg.AsNarrow())
        return a;
    if (const wchar_t* w = arg.AsWide())
        return WideToMultiByte(CP_ACP, w).str();
    return "(null)";
}

template <typename Ch>
void FormatImpl(std::basic_string<Ch>& out, const Ch* f, const FormatArg* args, int count)
{
    int next = 0;
    auto take = [&]() -> const FormatArg* { return next < count ? &args[next++] : nullptr; };

    while (f && *f) {
        if (*f != '%') {
            out += *f++;
            continue;
        }
        ++f;
        if (*f == '%') {
            out += *f++;
            continue;
        }
        // "%", flags, width and precision, kept as narrow text for snprintf.
        std::string printfPrefix = "%";
        bool left = false;
        while (*f == '-' || *f == '+' || *f == ' ' || *f == '#' || *f == '0') {
            left |= (*f == '-');
            printfPrefix += static_cast<char>(*f++);
        }
        int width = -1;
        if (*f == '*') {
            const FormatArg* a = take();
            width = a ? static_cast<int>(a->AsInt()) : 0;
            if (width < 0) {
                left = true;
                printfPrefix += '-';
                width = -width;
            }
            printfPrefix += std::to_string(width);
            ++f;
        } else {
            if (*f >= '0' && *f <= '9')
                width = 0;
            while (*f >= '0' && *f <= '9') {
                width = width * 10 + (*f - '0');
                printfPrefix += static_cast<char>(*f++);
            }
        }
        int precision = -1;
        if (*f == '.') {
            ++f;
            precision = 0;
            if (*f == '*') {
                const FormatArg* a = take();
                precision = a ? static_cast<int>(a->AsInt()) : 0;
                ++f;
            } else {
                while (*f >= '0' && *f <= '9')
                    precision = precision * 10 + (*f++ - '0');
            }
            if (precision >= 0)
                printfPrefix += "." + std::to_string(precision);
        }
        // Length: only the size of integers matters, the argument carries
        // its own type otherwise.
        int bits = 32;
        for (;;) {
            if (*f == 'h') {
                bits = 16;
                ++f;
                if (*f == 'h') {
                    bits = 8;
                    ++f;
                }
            } else if (*f == 'l') {
                ++f;
                if (*f == 'l') {
                    bits = 64;
                    ++f;
                }
            } else if (f[0] == 'I' && f[1] == '6' && f[2] == '4') {
                bits = 64;
                f += 3;
            } else if (f[0] == 'I' && f[1] == '3' && f[2] == '2') {
                f += 3;
            } else if (*f == 'I' || *f == 'z' || *f == 't') {
                bits = sizeof(void*) * 8;
                ++f;
            } else if (*f == 'j') {
                bits = 64;
                ++f;
            } else {
                break;
            }
        }
        Ch conv = *f;
        if (!conv)
            break;
        ++f;
        const FormatArg* arg = take();
        if (!arg)
            continue;

        char buf[512];
        switch (conv) {
        case 'd':
        case 'i': {
            long long v = arg->AsInt();
            if (bits == 32)
                v = static_cast<int32_t>(v);
            else if (bits == 16)
                v = static_cast<int16_t>(v);
            else if (bits == 8)
                v = static_cast<int8_t>(v);
            snprintf(buf, sizeof buf, (printfPrefix + "lld").c_str(), v);
            Append(out, buf);
            break;
        }
        case 'u':
        case 'x':
        case 'X':
        case 'o': {
            unsigned long long v = static_cast<unsigned long long>(arg->AsInt());
            if (bits < 64)
                v &= (1ULL << bits) - 1;
            snprintf(buf, sizeof buf, (printfPrefix + "ll" + static_cast<char>(conv)).c_str(), v);
            Append(out, buf);
            break;
        }
        case 'p': {
            snprintf(buf, sizeof buf, "%0*llX", static_cast<int>(sizeof(void*) * 2),
                     static_cast<unsigned long long>(arg->AsInt()));
            Append(out, buf);
            break;
        }
        case 'c':
        case 'C': {
            std::basic_string<Ch> c(1, static_cast<Ch>(arg->AsInt()));
            int pad = width > 1 ? width - 1 : 0;
            if (!left)
                out.append(pad, ' ');
            out += c;
            if (left)
                out.append(pad, ' ');
            break;
        }
        case 's':
        case 'S': {
            std::basic_string<Ch> s = StringArg(*arg, Ch());
            if (precision >= 0 && static_cast<size_t>(precision) < s.size())
                s.resize(precision);
            int pad = width > static_cast<int>(s.size()) ? width - static_cast<int>(s.size()) : 0;
            if (!left)
                out.append(pad, ' ');
            out += s;
            if (left)
                out.append(pad, ' ');
            break;
        }
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
            snprintf(buf, sizeof buf, (printfPrefix + static_cast<char>(conv)).c_str(), arg->AsReal());
            Append(out, buf);
            break;
        default:
            break;
        }
    }
}

} // namespace

void FormatTextTo(std::wstring& out, const wchar_t* format, const FormatArg* args, int count)
{
    FormatImpl(out, format, args, count);
}

void FormatTextTo(std::string& out, const char* format, const FormatArg* args, int count)
{
    FormatImpl(out, format, args, count);
}
