// Figures of the core services: pinyin conversion, XML parsing and the
// thread pool's latency from posting to running an item.
#include "bench/BenchClock.h"
#include "core/Pinyin.h"
#include "core/ThreadPool.h"
#include "core/XmlDoc.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

namespace
{

using Bench::Now;
using Bench::Report;

void BenchPinyin()
{
    InitPinyinTable();
    const wchar_t* names[] = {L"中文文档",   L"桌面快捷方式",  L"Visual Studio 2022",
                              L"记事本.exe", L"我的 文件!",    L"网络浏览器 (64位)",
                              L"计算器",     L"C:\\Temp\\报告"};
    double characters = 0;
    double start = Now(), elapsed = 0;
    size_t sink = 0;
    while (elapsed < 1.0) {
        for (int round = 0; round < 1000; round++) {
            for (const wchar_t* name : names) {
                sink += ConvertToPinyin(name).GetLength();
                characters += static_cast<double>(wcslen(name));
            }
        }
        elapsed = Now() - start;
    }
    printf("# pinyin: %zu output characters\n", sink);
    Report("pinyin_convert", characters / elapsed / 1e6, "Mchar/s");
}

void BenchXml()
{
    std::wstring text = L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<root dur=\"3600\"><bottommsg>\r\n";
    for (int i = 0; text.size() < 512 * 1024; i++) {
        text += L"  <msg title=\"消息 " + std::to_wstring(i) +
                L" &amp; 更新\" url=\"http://example.com/a?b=" + std::to_wstring(i) +
                L"&amp;c=1\" dur=\"5\"><!-- note --></msg>\r\n";
    }
    text += L"</bottommsg></root>\r\n";
    const double megabytes = static_cast<double>(text.size() * sizeof(wchar_t)) / (1024 * 1024);

    double total = 0;
    double start = Now(), elapsed = 0;
    int messages = 0;
    while (elapsed < 1.0) {
        CXmlDoc doc;
        doc.SetDoc(text.c_str());
        doc.FindElement(L"root");
        doc.EnterElement();
        doc.FindElement(L"bottommsg");
        doc.EnterElement();
        messages = 0;
        while (doc.FindElement(L"msg")) {
            messages += !doc.GetCurrentAttribute(L"title").IsEmpty();
        }
        total += megabytes;
        elapsed = Now() - start;
    }
    printf("# xml: %.2f MB UTF-16 document, %d messages, parsed and walked\n", megabytes, messages);
    Report("xml_parse", total / elapsed, "MB/s");
}

class TimedItem : public SkinControl::CThreadPool::CWorkItem
{
public:
    TimedItem(double posted, std::vector<double>& latencies, std::atomic<int>& done, size_t index)
        : posted(posted), latencies(latencies), done(done), index(index)
    {
    }
    void Run() override
    {
        latencies[index] = (Now() - posted) * 1000.0;
        done++;
    }

private:
    double posted;
    std::vector<double>& latencies;
    std::atomic<int>& done;
    size_t index;
};

void BenchPoolLatency()
{
    const int count = 300;
    std::vector<double> latencies(count);
    std::atomic<int> done{0};
    SkinControl::CThreadPool pool;
    pool.Start();
    Sleep(50);
    for (int i = 0; i < count; i++) {
        pool.PostWorkItem(new TimedItem(Now(), latencies, done, i));
        Sleep(3); // one at a time, as the program posts them
    }
    for (int wait = 0; done < count && wait < 5000; wait++)
        Sleep(1);
    pool.Shutdown();
    std::sort(latencies.begin(), latencies.end());
    Report("pool_latency_p50", latencies[count / 2], "ms");
    Report("pool_latency_p99", latencies[count * 99 / 100], "ms");
}

} // namespace

int main()
{
    BenchPinyin();
    BenchXml();
    BenchPoolLatency();
    return 0;
}
