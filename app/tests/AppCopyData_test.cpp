#include "app/AppCopyData.h"

#include <gtest/gtest.h>

namespace
{
TEST(AppCopyData, ReadsOurTextUpToItsEndAndRefusesOrLeavesTheRest)
{
    const wchar_t command[] = L"qv://add?group=默认";
    const wchar_t letters[] = L"abcdef"; // the buffer goes on past the counts below
    const wchar_t early[] = L"ab\0cd";
    const struct {
        const char* what;
        ULONG_PTR kind;
        const void* data;
        DWORD bytes;
        CopyDataKind result;
        const wchar_t* read; // what the text holds afterwards
    } cases[] = {
        {"up to the terminator", 2025, command, sizeof(command), CopyDataKind::Accepted, command},
        {"up to the byte count", 2025, letters, 3 * sizeof(wchar_t), CopyDataKind::Accepted, L"abc"},
        {"without an odd last byte", 2025, letters, 2 * sizeof(wchar_t) + 1, CopyDataKind::Accepted, L"ab"},
        {"up to an early terminator", 2025, early, sizeof(early), CopyDataKind::Accepted, L"ab"},
        {"no buffer", 2025, nullptr, 40, CopyDataKind::Refused, L"before"},
        {"no bytes", 2025, letters, 0, CopyDataKind::Refused, L"before"},
        {"one byte", 2025, letters, 1, CopyDataKind::Refused, L"before"},
        {"another kind", 2024, letters, sizeof(letters), CopyDataKind::NotOurs, L"before"},
    };
    for (const auto& c : cases) {
        COPYDATASTRUCT copy = {c.kind, c.bytes, const_cast<void*>(c.data)};
        CString read = L"before";
        EXPECT_EQ(c.result, ReadAppCommandCopyData(&copy, read)) << c.what;
        EXPECT_EQ(CString(c.read), read) << c.what;
    }
    CString read;
    EXPECT_EQ(CopyDataKind::NotOurs, ReadAppCommandCopyData(nullptr, read));
}
} // namespace
