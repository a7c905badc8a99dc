#include "notelet/NoteletDownload.h"

#include "core/XmlDoc.h"
#include "framework/TextConvert.h"
#include "notelet/MsgDatabase.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <cwchar>

namespace
{
const long long kDefaultRefreshSeconds = 86400;

// The download in progress, and the module's run: each start of the
// module is a new run, 0 while it is stopped.  The store and the bar are
// used only under this lock and only by a download of the current run, so
// that NoteletUnInit can close them under a download that is still blocked
// on the network, and a worker left over from a stopped run finds the next
// run's store and bar closed to it.
CLock g_downloadLock;
CNoteletDownload* g_running = nullptr;
unsigned g_lastRun = 1;
unsigned g_currentRun = 1;
} // namespace

BottomMsgFeed ParseBottomMsgFeed(const char* data, int length)
{
    BottomMsgFeed feed;
    int end = 0;
    while (end < length && data[end])
        ++end;
    // A byte-order mark is not part of the document.
    int start = end >= 3 && memcmp(data, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    CXmlDoc doc;
    if (!doc.SetDoc(FromUtf8(data + start, end - start)) || !doc.FindElement(L"root"))
        return feed;
    feed.valid = true;
    feed.dur = _wtoi(doc.GetCurrentAttribute(L"dur"));
    if (!doc.EnterElement() || !doc.FindElement(L"bottommsg") || !doc.EnterElement())
        return feed;
    while (feed.messages.size() < MaxFeedMessages && doc.FindElement(L"msg")) {
        auto item = std::make_unique<BottomMsgItem>();
        item->title = doc.GetCurrentAttribute(L"title");
        item->url = doc.GetCurrentAttribute(L"url");
        // A negative time would move the bar on at every tick.
        item->dur = std::max(0, _wtoi(doc.GetCurrentAttribute(L"dur")));
        feed.messages.push_back(std::move(item));
    }
    return feed;
}

long long FeedRefreshInterval(const CString& stored)
{
    return stored.IsEmpty() ? kDefaultRefreshSeconds : _wcstoi64(stored, nullptr, 10);
}

bool IsFeedCacheStale(long long now, long long createTime, long long interval)
{
    const long long age = now - createTime;
    return age < 0 || age >= interval;
}

CNoteletDownload::CNoteletDownload(const wchar_t* webHost) : webHost(webHost)
{
    maxBodyLength = MaxFeedBytes;
    CScopedLock lock(g_downloadLock);
    run = g_currentRun;
}

// Called with g_downloadLock held.
bool CNoteletDownload::InItsRun() const
{
    return run != 0 && run == g_currentRun;
}

void CNoteletDownload::Run()
{
    usePost = 0;
    long long interval = 0;
    int length = 0;
    long long createTime = 0;
    std::unique_ptr<char[]> cached;
    {
        CScopedLock lock(g_downloadLock);
        if (!InItsRun())
            return;
        interval = FeedRefreshInterval(GetInfoDuration());
        cached = LoadBottomMsgFile(&length, &createTime);
    }
    if (cached && length <= MaxFeedBytes) {
        const bool stale = IsFeedCacheStale(_time64(nullptr), createTime, interval);
        OnData(cached.get(), length, 1);
        if (!stale)
            return;
    }
    cached.reset();
    host = webHost;
    path = L"/update/msg.xml";
    {
        CScopedLock lock(g_downloadLock);
        if (!InItsRun())
            return;
        g_running = this;
    }
    Download();
    CScopedLock lock(g_downloadLock);
    if (g_running == this)
        g_running = nullptr;
}

void CNoteletDownload::OnData(const char* data, int length, int fromCache)
{
    BottomMsgFeed feed = ParseBottomMsgFeed(data, length);
    CScopedLock lock(g_downloadLock);
    if (!InItsRun())
        return;
    // The cached feed is all the bar has until the next refresh: only a
    // whole document replaces it.  A body that does not parse, or whose root
    // is not closed (a cut transfer, which Wine's WinINet reads as complete),
    // leaves the cache as it was and still stale, so the next start asks
    // again.
    if (!feed.valid)
        return;
    if (!fromCache)
        SaveBottomMsgFile(data, length);
    // Only a positive interval is kept: a negative one, written back as an
    // unsigned number, would stop the feed from ever being fetched again.
    if (feed.dur > 0)
        SetInfoDuration(static_cast<unsigned>(feed.dur));
    if (!feed.messages.empty())
        BottomMsgBar().SetMessages(std::move(feed.messages));
}

void CNoteletDownload::AbortDownloads()
{
    CScopedLock lock(g_downloadLock);
    g_currentRun = 0;
    if (g_running)
        g_running->Abort();
}

void CNoteletDownload::AllowDownloads()
{
    CScopedLock lock(g_downloadLock);
    g_currentRun = ++g_lastRun;
}
