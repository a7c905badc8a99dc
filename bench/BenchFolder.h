// A folder of the benchmark's own under the temporary one, removed with
// everything in it.
#pragma once
#include "framework/CString.h"
#include "framework/tests/TestSupport.h"

namespace Bench
{
struct TempFolder : TestSupport::TempFolder {
    explicit TempFolder(const wchar_t* name) : TestSupport::TempFolder(name), path(Path().c_str()) {}
    CString File(const wchar_t* name) const { return path + L"\\" + name; }

    const CString path;
};
} // namespace Bench
