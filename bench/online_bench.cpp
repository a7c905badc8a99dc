// Figures of the online services, driven by bench_online.sh:
//   online_bench sha1 <file>            prints the seconds our SHA-1 of the file takes, and the digest
//   online_bench deflate <file>...      our level-8 encoder against zlib's level 8 on the files, random
//                                       bytes and zeros: size and speed ratios
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

struct CountingSink : CDeflateSink {
    bool Write(const unsigned char*, unsigned size) override
    {
        bytes += size;
        return true;
    }
    size_t bytes = 0;
};

size_t OurDeflate(const std::string& data)
{
    MemorySource source(data);
    CountingSink sink;
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

int BenchDeflate(int count, wchar_t** paths)
{
    std::vector<std::pair<std::string, std::string>> inputs;
    for (int i = 0; i < count; ++i) {
        std::wstring path = paths[i];
        inputs.emplace_back(ToUtf8(path.substr(path.find_last_of(L"\\/") + 1).c_str()).str(),
                            OnlineTest::ReadFileBytes(paths[i]));
    }
    std::string random(8 << 20, '\0');
    unsigned seed = 14;
    for (char& c : random) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 23);
    }
    inputs.emplace_back("random", random);
    inputs.emplace_back("zeros", std::string(16 << 20, '\0'));

    double ourTime = 0, zlibTime = 0;
    size_t ourSize = 0, zlibSize = 0;
    for (const auto& input : inputs) {
        double ourBest = 1e9, zlibBest = 1e9;
        size_t ours = 0, theirs = 0;
        // Alternating rounds, best of each, so both see the same machine.
        for (int round = 0; round < 3; ++round) {
            double start = Now();
            ours = OurDeflate(input.second);
            ourBest = std::min(ourBest, Now() - start);
            start = Now();
            theirs = ZlibDeflate(input.second);
            zlibBest = std::min(zlibBest, Now() - start);
        }
        if (!ours || !theirs)
            return 1;
        printf("# deflate8 %s: %zu bytes -> ours %zu in %.3f s, zlib %zu in %.3f s\n", input.first.c_str(),
               input.second.size(), ours, ourBest, theirs, zlibBest);
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
    if (argc >= 2 && wcscmp(argv[1], L"deflate") == 0)
        return BenchDeflate(argc - 2, argv + 2);
    if (argc >= 2 && wcscmp(argv[1], L"download") == 0)
        return BenchDownload();
    fprintf(stderr, "usage: online_bench sha1 <file> | deflate <file>... | download\n");
    return 2;
}
