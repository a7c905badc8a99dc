// Figures of the online services, driven by bench_online.sh:
//   online_bench sha1 <file>            prints the seconds our SHA-1 of the file takes, and the digest
//   online_bench deflate <text> <exe>   our level-8 encoder against zlib's level 8 on a text, an
//                                       executable, random bytes and zeros: size and speed ratios per
//                                       class and over all, each stream checked by inflating it back
//   online_bench download               a 50 MB body from the local server: MB/s and peak memory
#include "bench/BenchClock.h"
#include "framework/TextConvert.h"
#include "online/DeflateEncoder.h"
#include "online/HttpDownloadBase.h"
#include "online/Sha1Hash.h"
#include "online/tests/LocalHttpServer.h"
#include "online/tests/OnlineTestFiles.h"

#include <windows.h>
#include <psapi.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
using Bench::Now;
using Bench::Report;

int BenchSha1(const wchar_t* path)
{
    double best = 1e9;
    CString digest;
    for (int round = 0; round < 3; ++round) {
        double start = Now();
        if (!CSha1Hash::FileDigest(path, digest))
            return 1;
        best = std::min(best, Now() - start);
    }
    printf("%.6f %ls\n", best, digest.GetString());
    return 0;
}

struct MemorySource : CDeflateSource {
    explicit MemorySource(const std::string& data) : data(data) {}
    unsigned Read(unsigned char* buffer, unsigned size) override
    {
        unsigned piece = static_cast<unsigned>(std::min<size_t>(size, data.size() - at));
        memcpy(buffer, data.data() + at, piece);
        at += piece;
        return piece;
    }
    const std::string& data;
    size_t at = 0;
};

// Counts what the encoder writes, and keeps it when asked.
struct CountingSink : CDeflateSink {
    bool Write(const unsigned char* data, unsigned size) override
    {
        bytes += size;
        if (kept)
            kept->append(reinterpret_cast<const char*>(data), size);
        return true;
    }
    size_t bytes = 0;
    std::string* kept = nullptr;
};

size_t OurDeflate(const std::string& data, std::string* stream)
{
    MemorySource source(data);
    CountingSink sink;
    sink.kept = stream;
    CDeflateEncoder encoder(8);
    return encoder.Encode(source, sink) == CDeflateEncoder::Ok ? sink.bytes : 0;
}

size_t ZlibDeflate(const std::string& data)
{
    z_stream stream = {};
    deflateInit2(&stream, 8, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::vector<unsigned char> out(16384);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    size_t total = 0;
    int status;
    do {
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        status = deflate(&stream, Z_FINISH);
        total += out.size() - stream.avail_out;
    } while (status == Z_OK);
    deflateEnd(&stream);
    return status == Z_STREAM_END ? total : 0;
}

// Our stream inflated by zlib: the input again, whole and nothing more.
bool InflatesBack(const std::string& compressed, const std::string& input)
{
    z_stream stream = {};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    std::vector<unsigned char> out(1 << 16);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    stream.avail_in = static_cast<uInt>(compressed.size());
    size_t at = 0;
    int status = Z_OK;
    bool same = true;
    while (status == Z_OK && same) {
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        status = inflate(&stream, Z_NO_FLUSH);
        size_t produced = out.size() - stream.avail_out;
        same = at + produced <= input.size() && memcmp(out.data(), input.data() + at, produced) == 0;
        at += produced;
    }
    inflateEnd(&stream);
    return same && status == Z_STREAM_END && stream.avail_in == 0 && at == input.size();
}

// The four input classes: a text, an executable, random bytes and zeros.
// Per class and over all of them, our size and speed against zlib's; every
// stream of ours must inflate back to its input.
int BenchDeflate(const wchar_t* textPath, const wchar_t* executablePath)
{
    std::string random(8 << 20, '\0');
    unsigned seed = 14;
    for (char& c : random) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 23);
    }
    const std::pair<const char*, std::string> inputs[] = {
        {"text", OnlineTest::ReadFileBytes(textPath)},
        {"executable", OnlineTest::ReadFileBytes(executablePath)},
        {"random", random},
        {"zeros", std::string(16 << 20, '\0')},
    };

    double ourTime = 0, zlibTime = 0;
    size_t ourSize = 0, zlibSize = 0;
    for (const auto& input : inputs) {
        if (input.second.empty())
            return 1;
        double ourBest = 1e9, zlibBest = 1e9;
        size_t ours = 0, theirs = 0;
        std::string stream;
        // Alternating rounds, best of each, so both see the same machine.
        for (int round = 0; round < 3; ++round) {
            double start = Now();
            ours = OurDeflate(input.second, round == 0 ? &stream : nullptr);
            ourBest = std::min(ourBest, Now() - start);
            start = Now();
            theirs = ZlibDeflate(input.second);
            zlibBest = std::min(zlibBest, Now() - start);
        }
        if (!ours || !theirs)
            return 1;
        if (!InflatesBack(stream, input.second)) {
            printf("# deflate8 %s: our stream does not inflate back to the input\n", input.first);
            return 1;
        }
        printf("# deflate8 %s: %zu bytes -> ours %zu in %.3f s, zlib %zu in %.3f s\n", input.first,
               input.second.size(), ours, ourBest, theirs, zlibBest);
        const std::string name = input.first;
        Report(("deflate8_size_ratio_vs_zlib_" + name).c_str(),
               static_cast<double>(ours) / static_cast<double>(theirs), "x");
        Report(("deflate8_speed_ratio_vs_zlib_" + name).c_str(), zlibBest / ourBest, "x");
        ourTime += ourBest;
        zlibTime += zlibBest;
        ourSize += ours;
        zlibSize += theirs;
    }
    Report("deflate8_size_ratio_vs_zlib", static_cast<double>(ourSize) / static_cast<double>(zlibSize), "x");
    Report("deflate8_speed_ratio_vs_zlib", zlibTime / ourTime, "x");
    return 0;
}

PROCESS_MEMORY_COUNTERS MemoryCounters()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters;
}

class CountingDownload : public CHttpDownloadBase
{
public:
    size_t received = 0;
    bool intact = false;
    // Committed and resident memory while the whole body is held.
    PROCESS_MEMORY_COUNTERS atData = {};

protected:
    void OnData(const char* data, int length, int) override
    {
        atData = MemoryCounters();
        received = static_cast<size_t>(length);
        intact = true;
        for (int i = 0; i < length; i += 4093)
            intact = intact && data[i] == CLocalHttpServer::GeneratedByte(static_cast<size_t>(i));
    }
};

int BenchDownload()
{
    const size_t length = 50 * 1000 * 1000;
    CLocalHttpServer server;
    if (!server.Start())
        return 1;
    CLocalHttpServer::Answer answer;
    answer.generatedLength = length;
    server.SetAnswer("/big.bin", answer);
    double best = 1e9;
    const PROCESS_MEMORY_COUNTERS before = MemoryCounters();
    double committed = 0, resident = 0;
    for (int round = 0; round < 3; ++round) {
        CountingDownload download;
        download.host = server.Host();
        download.path = L"/big.bin";
        download.usePost = 0;
        double start = Now();
        if (!download.Download() || download.received != length || !download.intact)
            return 1;
        best = std::min(best, Now() - start);
        committed = std::max(committed, static_cast<double>(download.atData.PagefileUsage) -
                                            static_cast<double>(before.PagefileUsage));
        resident = std::max(resident, static_cast<double>(download.atData.WorkingSetSize) -
                                          static_cast<double>(before.WorkingSetSize));
    }
    Report("download_50mb", static_cast<double>(length) / 1e6 / best, "MB/s");
    // Above what the process held before: the body and WinINet's buffers.
    Report("download_50mb_peak_memory", std::max(committed, resident) / 1e6, "MB");
    printf("# download: committed %.1f MB, resident %.1f MB at the body's delivery\n", committed / 1e6,
           resident / 1e6);
    return 0;
}
} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 3 && wcscmp(argv[1], L"sha1") == 0)
        return BenchSha1(argv[2]);
    if (argc >= 4 && wcscmp(argv[1], L"deflate") == 0)
        return BenchDeflate(argv[2], argv[3]);
    if (argc >= 2 && wcscmp(argv[1], L"download") == 0)
        return BenchDownload();
    fprintf(stderr, "usage: online_bench sha1 <file> | deflate <text> <executable> | download\n");
    return 2;
}
