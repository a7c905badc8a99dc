#include "notelet/NoteletDownload.h"

#include "core/XmlDoc.h"
#include "framework/TextConvert.h"
#include "notelet/MsgDatabase.h"
#include "online/WebHost.h"

#include <cstring>
#include <ctime>
#include <cwchar>

namespace
{
const long long kDefaultRefreshSeconds = 86400;
// Under Wine a blocked WinINet call does not end when its handles are
// closed, so a stalled web host would hold NoteletUnInit's wait for ever:
// no step of the exchange waits longer than this.
const DWORD kNetworkTimeoutMs = 30000;

// The download in progress, and whether the module is stopping.
CLock g_downloadLock;
CNoteletDownload* g_running = nullptr;
bool g_stopping = false;
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
    while (doc.FindElement(L"msg")) {
        auto item = std::make_unique<BottomMsgItem>();
        item->title = doc.GetCurrentAttribute(L"title");
        item->url = doc.GetCurrentAttribute(L"url");
        item->dur = _wtoi(doc.GetCurrentAttribute(L"dur"));
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

void CNoteletDownload::Run()
{
    usePost = 0;
    const long long interval = FeedRefreshInterval(GetInfoDuration());
    int length = 0;
    long long createTime = 0;
    if (std::unique_ptr<char[]> cached = LoadBottomMsgFile(&length, &createTime)) {
        const bool stale = IsFeedCacheStale(_time64(nullptr), createTime, interval);
        OnData(cached.get(), length, 1);
        if (!stale)
            return;
    }
    host = WebHost;
    path = L"/update/msg.xml";
    {
        CScopedLock lock(g_downloadLock);
        if (g_stopping)
            return;
        g_running = this;
    }
    Download();
    CScopedLock lock(g_downloadLock);
    g_running = nullptr;
}

void CNoteletDownload::OnRequestCreated(CHttpFile* request)
{
    for (DWORD option :
         {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        request->SetOption(option, kNetworkTimeoutMs);
}

void CNoteletDownload::OnData(const char* data, int length, int fromCache)
{
    if (!fromCache)
        SaveBottomMsgFile(data, length);
    BottomMsgFeed feed = ParseBottomMsgFeed(data, length);
    if (!feed.valid)
        return;
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
    g_stopping = true;
    if (g_running)
        g_running->Abort();
}

void CNoteletDownload::AllowDownloads()
{
    CScopedLock lock(g_downloadLock);
    g_stopping = false;
}
