// Lets GoogleTest print our strings as text in failure messages.
#pragma once

#include "framework/CString.h"
#include "framework/TextConvert.h"

#include <ostream>

inline void PrintTo(const CString& s, std::ostream* os)
{
    *os << '"' << ToUtf8(s).GetString() << '"';
}
inline void PrintTo(const CStringA& s, std::ostream* os)
{
    *os << '"' << s.GetString() << '"';
}
