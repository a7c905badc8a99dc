// A downloaded file is used only as it was checked: opened against its
// digest and held so that nothing can change it until it is closed.
#include "online/VerifiedFile.h"

#include "framework/tests/GTestPrinters.h"
#include "online/tests/OnlineTestFiles.h"
#include "online/tests/UpdateTestSite.h"

#include <gtest/gtest.h>

using namespace OnlineTest;

namespace
{
// More than one piece of the copy.
const std::string kBytes = PseudoRandomBytes(150000, 21);

CString DigestOf(const std::string& bytes)
{
    return FromUtf8(UpdateTestSite::Sha1Of(bytes).c_str());
}
} // namespace

TEST(VerifiedFile, OpensOnlyAFileWithExactlyTheDigest)
{
    TempFolder folder;
    const std::wstring path = folder.File(L"QuorventileSetup.exe");
    ASSERT_TRUE(WriteFileBytes(path, kBytes));
    CString lower = DigestOf(kBytes);
    lower.MakeLower();
    const std::wstring missing = folder.File(L"missing.exe");
    struct {
        const wchar_t* path;
        CString sha1;
        bool opens;
    } cases[] = {
        {path.c_str(), DigestOf(kBytes), true},     {path.c_str(), lower, false},
        {path.c_str(), DigestOf("other"), false},   {path.c_str(), CString(), false},
        {missing.c_str(), DigestOf(kBytes), false}, {nullptr, DigestOf(kBytes), false},
    };
    for (const auto& c : cases) {
        CVerifiedFile file;
        EXPECT_EQ(file.Open(c.path, c.sha1), c.opens) << c.sha1;
        EXPECT_EQ(file.IsOpen(), c.opens) << c.sha1;
        EXPECT_EQ(FileHasSha1(c.path, c.sha1), c.opens) << c.sha1;
    }
}

TEST(VerifiedFile, NothingChangesTheFileWhileItIsHeld)
{
    TempFolder folder;
    const std::wstring path = folder.File(L"NoteletNew.dll");
    ASSERT_TRUE(WriteFileBytes(path, kBytes));
    {
        CVerifiedFile file;
        ASSERT_TRUE(file.Open(path.c_str(), DigestOf(kBytes)));
        HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
        if (writer != INVALID_HANDLE_VALUE)
            CloseHandle(writer);
        EXPECT_FALSE(DeleteFileW(path.c_str()));
        EXPECT_FALSE(MoveFileW(path.c_str(), folder.File(L"moved.dll").c_str()));
        // Readers (the loader, the started setup) may share it.
        HANDLE reader = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(reader, INVALID_HANDLE_VALUE);
        if (reader != INVALID_HANDLE_VALUE)
            CloseHandle(reader);
    }
    EXPECT_TRUE(WriteFileBytes(path, "changed once closed"));
}

TEST(VerifiedFile, CopiesTheCheckedBytes)
{
    TempFolder folder;
    const std::wstring path = folder.File(L"NoteletNew.dll");
    ASSERT_TRUE(WriteFileBytes(path, kBytes));
    const std::wstring target = folder.File(L"Notelet.dll");
    ASSERT_TRUE(WriteFileBytes(target, "the old module"));

    CVerifiedFile file;
    EXPECT_FALSE(file.CopyTo(target.c_str())); // nothing checked yet
    ASSERT_TRUE(file.Open(path.c_str(), DigestOf(kBytes)));
    EXPECT_TRUE(file.CopyTo(target.c_str()));
    EXPECT_EQ(ReadFileBytes(target), kBytes);
    // Again, from the start of the held file.
    EXPECT_TRUE(file.CopyTo(target.c_str()));
    EXPECT_EQ(ReadFileBytes(target), kBytes);
    EXPECT_FALSE(file.CopyTo(folder.File(L"no\\such\\folder.dll").c_str()));
    EXPECT_FALSE(file.CopyTo(nullptr));
}
