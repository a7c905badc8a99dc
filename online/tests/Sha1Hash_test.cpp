#include "online/Sha1Hash.h"

#include "framework/TextConvert.h"
#include "framework/tests/GTestPrinters.h"
#include "online/tests/OnlineTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace OnlineTest;

namespace
{
CString Digest(const std::wstring& path, BOOL* result = nullptr)
{
    CSha1Hash hash;
    BOOL read = hash.HashFile(path.c_str());
    if (result)
        *result = read;
    hash.Final();
    CString text;
    hash.GetHashString(&text);
    return text;
}

// Both compression functions, where the processor has SHA instructions.
class Sha1Hash : public ::testing::TestWithParam<bool>
{
protected:
    void SetUp() override { CSha1Hash::AllowShaInstructions(GetParam()); }
    void TearDown() override { CSha1Hash::AllowShaInstructions(true); }
};
} // namespace

TEST_P(Sha1Hash, FilesHashAsSha1sumSaysInUpperCase)
{
    std::istringstream list(ReadFileBytes(Fixture(L"sha1sums.txt")));
    std::string digest, name;
    int files = 0;
    while (list >> digest >> name) {
        std::transform(digest.begin(), digest.end(), digest.begin(), ::toupper);
        BOOL read = FALSE;
        EXPECT_EQ(Digest(Fixture(FromUtf8(name.c_str()).GetString()), &read), FromUtf8(digest.c_str()))
            << name;
        EXPECT_TRUE(read) << name;
        ++files;
    }
    EXPECT_EQ(files, 8);
}

TEST_P(Sha1Hash, DataInPiecesHashesAsAWhole)
{
    const std::string data = PseudoRandomBytes(1000, 7) + "abc";
    CSha1Hash whole;
    whole.Update(reinterpret_cast<const unsigned char*>(data.data()), static_cast<unsigned>(data.size()));
    whole.Final();
    CSha1Hash pieces;
    for (size_t at = 0, step = 1; at < data.size(); at += step, step = step * 3 % 71 + 1)
        pieces.Update(reinterpret_cast<const unsigned char*>(data.data() + at),
                      static_cast<unsigned>(std::min(step, data.size() - at)));
    pieces.Final();
    EXPECT_TRUE(std::equal(whole.Digest(), whole.Digest() + 20, pieces.Digest()));

    CSha1Hash abc;
    abc.Update(reinterpret_cast<const unsigned char*>("abc"), 3);
    abc.Final();
    CString text;
    abc.GetHashString(&text);
    EXPECT_EQ(text, L"A9993E364706816ABA3E25717850C26C9CD0D89D");
}

INSTANTIATE_TEST_SUITE_P(Compression, Sha1Hash, ::testing::Values(true, false));

TEST(Sha1HashFile, MissingFileOrNullGivesTheEmptyDigest)
{
    BOOL read = TRUE;
    EXPECT_EQ(Digest(Fixture(L"no such file"), &read), L"DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
    EXPECT_FALSE(read);
    CSha1Hash hash;
    EXPECT_FALSE(hash.HashFile(nullptr));
    hash.Final();
    EXPECT_FALSE(hash.GetHashString(nullptr));
}

TEST(Sha1HashFile, FilesOf4GiBAndMoreHashWhole)
{
    // 4 GiB and one byte of zeros, as a sparse file; its digest is
    // sha1sum's of `head -c 4294967297 /dev/zero`.
    TempFolder folder;
    std::wstring path = folder.File(L"large.bin");
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD returned = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = 4294967297LL;
    ASSERT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
    EXPECT_EQ(Digest(path), L"E7D747B75F76E0E41E83B75BCE4642816136304F");
}
