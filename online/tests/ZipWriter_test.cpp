// Our archives and our DEFLATE streams, read back by zlib and by our reader;
// the archives are also left for Info-ZIP's unzip -t and Python's zipfile.
#include "online/ZipWriter.h"

#include "online/DeflateEncoder.h"
#include "online/ZipReader.h"
#include "online/tests/OnlineTestFiles.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <map>

using namespace OnlineTest;

namespace
{
struct StringSource : CDeflateSource {
    explicit StringSource(const std::string& data) : data(data) {}
    unsigned Read(unsigned char* buffer, unsigned size) override
    {
        // Odd piece sizes, as a file or pipe may deliver them.
        unsigned piece = std::min<unsigned>({size, static_cast<unsigned>(data.size() - at), 40000u});
        memcpy(buffer, data.data() + at, piece);
        at += piece;
        return piece;
    }
    const std::string& data;
    size_t at = 0;
};

struct StringSink : CDeflateSink {
    bool Write(const unsigned char* bytes, unsigned size) override
    {
        if (failAfter >= 0 && out.size() + size > static_cast<size_t>(failAfter))
            return false;
        out.append(reinterpret_cast<const char*>(bytes), size);
        return true;
    }
    std::string out;
    long failAfter = -1;
};

std::string Inflate(const std::string& compressed, bool* complete)
{
    z_stream stream = {};
    inflateInit2(&stream, -MAX_WBITS);
    std::string out;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    stream.avail_in = static_cast<uInt>(compressed.size());
    int status = Z_OK;
    char buffer[65536];
    while (status == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof(buffer);
        status = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, sizeof(buffer) - stream.avail_out);
    }
    *complete = status == Z_STREAM_END && stream.avail_in == 0;
    inflateEnd(&stream);
    return out;
}

// Text with repeats near and far, random bytes, zeros, and symbols of
// Fibonacci frequencies, whose unlimited Huffman codes would be far longer
// than 15 bits.
std::vector<std::pair<const char*, std::string>> Inputs()
{
    std::string text;
    for (int i = 0; text.size() < 300000; ++i)
        text +=
            "Velmora quick link " + std::to_string(i * 7919 % 1000) + (i % 3 ? " 快捷方式\r\n" : " group\n");
    std::string skewed;
    unsigned long long a = 1, b = 1;
    for (int symbol = 0; symbol < 26; ++symbol, b = a + b, a = b - a)
        skewed.append(static_cast<size_t>(a), static_cast<char>('A' + symbol));
    std::string shuffled = PseudoRandomBytes(skewed.size(), 3);
    for (size_t i = skewed.size(); i > 1; --i)
        std::swap(skewed[i - 1], skewed[static_cast<unsigned char>(shuffled[i - 1]) * 65537u % i]);
    return {{"empty", ""},
            {"one byte", "x"},
            {"text", text},
            {"random", PseudoRandomBytes(200000, 11)},
            {"zeros", std::string(1 << 20, '\0')},
            {"skewed", skewed}};
}

uint32_t Get32(const std::string& s, size_t at)
{
    uint32_t v;
    memcpy(&v, s.data() + at, 4);
    return v;
}
uint16_t Get16(const std::string& s, size_t at)
{
    uint16_t v;
    memcpy(&v, s.data() + at, 2);
    return v;
}
} // namespace

TEST(DeflateEncoder, StreamsInflateToTheInput)
{
    for (const auto& input : Inputs()) {
        StringSource source(input.second);
        StringSink sink;
        CDeflateEncoder encoder(8);
        ASSERT_EQ(encoder.Encode(source, sink), CDeflateEncoder::Ok) << input.first;
        EXPECT_EQ(encoder.CompressedSize(), sink.out.size());
        bool complete = false;
        EXPECT_EQ(Inflate(sink.out, &complete), input.second) << input.first;
        EXPECT_TRUE(complete) << input.first;
        if (input.second.empty()) {
            EXPECT_EQ(sink.out, std::string("\x03\x00", 2)); // one empty final block
        }
    }
}

TEST(DeflateEncoder, ChoosesTheSmallestBlockKind)
{
    // The first block's type (bits 1-2 of the first byte): 0 stored, 1 fixed
    // codes, 2 dynamic codes.
    const std::map<std::string, int> expected = {{"one byte", 1}, {"text", 2}, {"random", 0}};
    for (const auto& input : Inputs()) {
        auto kind = expected.find(input.first);
        if (kind == expected.end())
            continue;
        StringSource source(input.second);
        StringSink sink;
        CDeflateEncoder encoder(8);
        ASSERT_EQ(encoder.Encode(source, sink), CDeflateEncoder::Ok);
        EXPECT_EQ((static_cast<unsigned char>(sink.out[0]) >> 1) & 3, kind->second) << input.first;
    }
}

TEST(DeflateEncoder, ReportsBadLevelsAndSinkFailures)
{
    std::string data = PseudoRandomBytes(100000, 5);
    for (int level : {0, 9}) {
        StringSource source(data);
        StringSink sink;
        CDeflateEncoder encoder(level);
        EXPECT_EQ(encoder.Encode(source, sink), CDeflateEncoder::InternalError);
        EXPECT_STREQ(encoder.ErrorText(), "bad pack level");
    }
    StringSource source(data);
    StringSink sink;
    sink.failAfter = 20000;
    CDeflateEncoder encoder(8);
    EXPECT_EQ(encoder.Encode(source, sink), CDeflateEncoder::SinkFailed);
    EXPECT_EQ(encoder.ErrorText(), nullptr);
}

TEST(ZipWriter, ArchivesReadBackWithFinalLocalHeaders)
{
    TempFolder folder;
    std::wstring archivePath = Artefact(L"writer.zip");
    struct Added {
        std::wstring name;
        std::string data;
        uint16_t method;
    };
    std::vector<Added> added;
    for (const auto& input : Inputs())
        added.push_back(
            {std::wstring(input.first, input.first + strlen(input.first)) + L".txt", input.second, 8});
    added.push_back({L"sub\\archive.ZIP", PseudoRandomBytes(5000, 9), 0});
    added.push_back({L"readonly.txt", "read only", 8});
    // A name in the ANSI code page comes back as the same UTF-16 name.
    CPINFO codePage;
    GetCPInfo(CP_ACP, &codePage);
    const char* ansi = codePage.MaxCharSize > 1 ? "\xD6\xD0\xCE\xC4.txt" : "caf\xE9.txt";
    wchar_t ansiName[32];
    MultiByteToWideChar(CP_ACP, 0, ansi, -1, ansiName, 32);
    added.push_back({ansiName, "ANSI name", 8});

    ZipHandle* writer = ZipWriterCreate(archivePath.c_str());
    ASSERT_NE(writer, nullptr);
    std::vector<DWORD> attributes;
    for (size_t i = 0; i < added.size(); ++i) {
        std::wstring source = folder.File(L"source" + std::to_wstring(i));
        ASSERT_TRUE(WriteFileBytes(source, added[i].data));
        if (added[i].name == L"readonly.txt")
            SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_READONLY);
        attributes.push_back(GetFileAttributesW(source.c_str()));
        EXPECT_EQ(ZipWriterAddFile(writer, added[i].name.c_str(), source.c_str()), ZipOk);
        SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_NORMAL);
        // For check_artefacts.py: entry name and content side by side.
        WriteFileBytes(Artefact(L"writer." + std::to_wstring(i)), added[i].data);
    }
    EXPECT_EQ(ZipWriterClose(writer), ZipOk);

    // Every local header holds the final CRC and sizes with flags 2 (0 for
    // stored entries), and the next header follows the data directly.
    const std::string bytes = ReadFileBytes(archivePath);
    size_t at = 0;
    std::vector<size_t> locals;
    for (const Added& entry : added) {
        locals.push_back(at);
        ASSERT_EQ(Get32(bytes, at), 0x04034B50u);
        EXPECT_EQ(Get16(bytes, at + 6), entry.method == 8 ? 2 : 0);
        EXPECT_EQ(Get16(bytes, at + 8), entry.method);
        EXPECT_EQ(Get32(bytes, at + 14), crc32(0, reinterpret_cast<const Bytef*>(entry.data.data()),
                                               static_cast<uInt>(entry.data.size())));
        EXPECT_EQ(Get32(bytes, at + 22), entry.data.size());
        EXPECT_EQ(Get16(bytes, at + 28), 17); // the "UT" field with three times
        at += 30 + Get16(bytes, at + 26) + 17 + Get32(bytes, at + 18);
    }
    // Each central header: made by 0x0B17, the local header's fields, a
    // "UT" field with the modification time only, the DOS attributes with
    // the Unix mode of a regular file (0600, or 0400 when read-only), and
    // the local header's offset.
    for (size_t i = 0; i < added.size(); ++i) {
        SCOPED_TRACE(i);
        const size_t local = locals[i], nameLength = Get16(bytes, local + 26);
        ASSERT_EQ(Get32(bytes, at), 0x02014B50u);
        EXPECT_EQ(Get16(bytes, at + 4), 0x0B17);
        EXPECT_EQ(bytes.substr(at + 6, 24), bytes.substr(local + 4, 24));
        EXPECT_GE((Get16(bytes, at + 14) >> 9) + 1980, 2024); // the date these sources were written
        EXPECT_EQ(Get16(bytes, at + 28), nameLength);
        EXPECT_EQ(Get16(bytes, at + 30), 9);
        EXPECT_EQ(Get32(bytes, at + 32), 0u); // comment length, disk number start
        EXPECT_EQ(Get16(bytes, at + 36), 0);  // internal attributes
        const uint32_t mode = (attributes[i] & FILE_ATTRIBUTE_READONLY) ? 0100400 : 0100600;
        EXPECT_EQ(Get32(bytes, at + 38), (mode << 16) | (attributes[i] & 0x37));
        EXPECT_EQ(Get32(bytes, at + 42), local);
        EXPECT_EQ(bytes.substr(at + 46, nameLength), bytes.substr(local + 30, nameLength));
        EXPECT_EQ(bytes.substr(at + 46 + nameLength, 9),
                  std::string("UT\x05\x00\x07", 5) + bytes.substr(local + 30 + nameLength + 5, 4));
        at += 46 + nameLength + 9;
    }
    EXPECT_EQ(Get32(bytes, at), 0x06054B50u);

    ZipHandle* reader = ZipReaderOpen(archivePath.c_str());
    ASSERT_NE(reader, nullptr);
    for (size_t i = 0; i < added.size(); ++i) {
        ZipItem item;
        ASSERT_EQ(ZipReaderGetItem(static_cast<int>(i), &item, reader), ZipOk);
        std::wstring expectedName = added[i].name;
        std::replace(expectedName.begin(), expectedName.end(), L'\\', L'/');
        EXPECT_EQ(item.name, expectedName);
        std::wstring target = folder.File(L"out" + std::to_wstring(i));
        EXPECT_EQ(ZipReaderExtract(reader, target.c_str(), static_cast<int>(i)), ZipOk);
        EXPECT_EQ(ReadFileBytes(target), added[i].data) << i;
    }
    ZipReaderClose(reader);
}

TEST(ZipWriter, TimesBeforeTheFormatsStartAreHeldToIt)
{
    TempFolder folder;
    std::wstring source = folder.File(L"old.txt");
    WriteFileBytes(source, "from 1965");
    SYSTEMTIME old = {1965, 6, 0, 1, 12, 0, 0, 0};
    FILETIME time;
    SystemTimeToFileTime(&old, &time);
    HANDLE file = CreateFileW(source.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, &time, &time, &time);
    CloseHandle(file);

    std::wstring archivePath = folder.File(L"old.zip");
    ZipHandle* writer = ZipWriterCreate(archivePath.c_str());
    ASSERT_EQ(ZipWriterAddErrorLog(source.c_str(), writer), ZipOk);
    ZipWriterClose(writer);
    const std::string bytes = ReadFileBytes(archivePath);
    // DOS: 1980-01-01 00:00, the earliest it can say, in both headers.
    EXPECT_EQ(Get16(bytes, 10), 0);
    EXPECT_EQ(Get16(bytes, 12), (1 << 5) | 1);
    const size_t central = bytes.size() - 22 - (46 + strlen("ErrorLog.txt") + 9);
    ASSERT_EQ(Get32(bytes, central), 0x02014B50u);
    EXPECT_EQ(Get32(bytes, central + 12), (((1u << 5) | 1) << 16));
    // Unix: 1 January 1970 00:00 local time, or 0 where that is before
    // 00:00 UTC (east of Greenwich).
    size_t extra = 30 + strlen("ErrorLog.txt");
    ASSERT_EQ(bytes.substr(extra, 5), std::string("UT\x0D\x00\x07", 5));
    // Modification and creation; reading the file may move its access time.
    for (size_t at : {extra + 5, extra + 13}) {
        const uint32_t seconds = Get32(bytes, at);
        ULONGLONG ticks = (seconds + 11644473600ULL) * 10000000ULL;
        FILETIME universal = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        SYSTEMTIME utc, local;
        ASSERT_TRUE(FileTimeToSystemTime(&universal, &utc));
        ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local));
        EXPECT_EQ(local.wYear * 10000 + local.wMonth * 100 + local.wDay, 19700101) << seconds;
        if (seconds != 0) {
            EXPECT_EQ(local.wHour * 3600 + local.wMinute * 60 + local.wSecond, 0) << seconds;
        }
    }
}

TEST(ZipWriter, FailuresKeepTheEntriesBeforeThem)
{
    TempFolder folder;
    std::wstring good = folder.File(L"good.txt");
    WriteFileBytes(good, "kept");
    // 4 GiB: the headers' 32-bit sizes can't hold it.
    std::wstring huge = folder.File(L"huge.bin");
    HANDLE file = CreateFileW(huge.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = 0x100000000LL;
    SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);

    struct {
        const wchar_t* name;
        std::wstring source;
        int result;
        int next; // the result of a good add after it
    } cases[] = {
        {L"", good, ZipBadArgument, ZipOk},
        {L"huge.bin", huge, ZipReadWriteFailed, ZipOk},
        {L"missing.txt", folder.File(L"missing.txt"), ZipCannotOpen, ZipEarlierFailure},
    };
    for (const auto& c : cases) {
        std::wstring archivePath = folder.File(L"failing.zip");
        ZipHandle* writer = ZipWriterCreate(archivePath.c_str());
        ASSERT_EQ(ZipWriterAddFile(writer, L"first.txt", good.c_str()), ZipOk);
        EXPECT_EQ(ZipWriterAddFile(writer, c.name, c.source.c_str()), c.result) << c.name;
        EXPECT_EQ(ZipWriterAddFile(writer, L"last.txt", good.c_str()), c.next) << c.name;
        EXPECT_EQ(ZipWriterClose(writer), ZipOk);
        ZipHandle* reader = ZipReaderOpen(archivePath.c_str());
        ASSERT_NE(reader, nullptr) << c.name;
        ZipItem item;
        ZipReaderGetItem(-1, &item, reader);
        EXPECT_EQ(item.index, c.next == ZipOk ? 2 : 1) << c.name;
        std::wstring target = folder.File(L"first.out");
        EXPECT_EQ(ZipReaderExtract(reader, target.c_str(), 0), ZipOk);
        EXPECT_EQ(ReadFileBytes(target), "kept");
        ZipReaderClose(reader);
    }
    EXPECT_EQ(ZipWriterAddFile(nullptr, L"x", good.c_str()), ZipBadArgument);
    EXPECT_EQ(ZipWriterClose(nullptr), ZipBadArgument);
    EXPECT_EQ(ZipWriterCreate(folder.File(L"no\\such\\folder.zip").c_str()), nullptr);
    EXPECT_EQ(ZipWriterLastResult(), ZipCannotOpen);
}
