// The message feed: what a msg.xml body yields, when the cache is stale,
// what a body does to the store and the bar, and which feeds may replace
// the cache.  The program's exchange with the web host is tested end to end
// (tests/e2e).
#include "notelet/NoteletDownload.h"

#include "core/tests/TempDataFolder.h"
#include "notelet/MsgDatabase.h"
#include "online/tests/LocalHttpServer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace
{

std::string Titles(const BottomMsgFeed& feed)
{
    std::string titles;
    for (const auto& message : feed.messages) {
        titles += ToUtf8(message->title).GetString();
        titles +=
            "|" + std::string(ToUtf8(message->url).GetString()) + "|" + std::to_string(message->dur) + ";";
    }
    return titles;
}

BottomMsgFeed Parse(const std::string& body)
{
    return ParseBottomMsgFeed(body.data(), static_cast<int>(body.size()));
}

} // namespace

TEST(BottomMsgFeed, ReadsRootBottommsgAndEachMsg)
{
    const struct {
        const char* name;
        std::string body;
        bool valid;
        int dur;
        const char* titles;
    } cases[] = {
        {"two messages",
         "<?xml version=\"1.0\" encoding=\"utf-8\"?><root dur=\"3600\"><other/><bottommsg>"
         "<msg title=\"新版本 &amp; 更多\" url=\"http://a/1?x=1&amp;y=2\" dur=\"5\"/><note/>"
         "<msg title=\"second\" url=\"https://a/2\"/></bottommsg></root>",
         true, 3600, "新版本 & 更多|http://a/1?x=1&y=2|5;second|https://a/2|0;"},
        {"byte-order mark",
         "\xEF\xBB\xBF<root><bottommsg><msg title=\"t\" url=\"u\" dur=\"1\"/></bottommsg></root>", true, 0,
         "t|u|1;"},
        {"first bottommsg only",
         "<root><bottommsg><msg title=\"a\"/></bottommsg><bottommsg><msg title=\"b\"/></bottommsg></root>",
         true, 0, "a||0;"},
        {"ends at the first NUL", std::string("<root dur=\"7\"/>\0<garbage", 24), true, 7, ""},
        {"negative interval", "<root dur=\"-1\"><bottommsg/></root>", true, -1, ""},
        {"negative duration", "<root><bottommsg><msg title=\"n\" dur=\"-5\"/></bottommsg></root>", true, 0,
         "n||0;"},
        {"no bottommsg", "<root dur=\"60\"><msg title=\"x\"/></root>", true, 60, ""},
        {"no root", "<feed><bottommsg><msg title=\"x\"/></bottommsg></feed>", false, 0, ""},
        {"not XML", "<html><body>502 Bad Gateway", false, 0, ""},
        {"empty", "", false, 0, ""},
    };
    for (const auto& c : cases) {
        BottomMsgFeed feed = Parse(c.body);
        EXPECT_EQ(c.valid, feed.valid) << c.name;
        EXPECT_EQ(c.dur, feed.dur) << c.name;
        EXPECT_EQ(c.titles, Titles(feed)) << c.name;
    }
    // At most 100 messages are kept.
    std::string many = "<root><bottommsg>";
    for (int i = 0; i < 150; ++i)
        many += "<msg title=\"" + std::to_string(i) + "\"/>";
    BottomMsgFeed feed = Parse(many + "</bottommsg></root>");
    ASSERT_EQ(100u, feed.messages.size());
    EXPECT_EQ(CString(L"99"), feed.messages.back()->title);
}

TEST(BottomMsgFeed, RefreshIntervalAndStaleness)
{
    EXPECT_EQ(86400, FeedRefreshInterval(L""));
    EXPECT_EQ(600, FeedRefreshInterval(L"600"));
    EXPECT_EQ(4294967295LL, FeedRefreshInterval(L"4294967295"));

    const struct {
        long long age; // now - CreateTime
        bool stale;
    } cases[] = {{0, false}, {599, false}, {600, true}, {100000, true}, {-1, true}, {-100000, true}};
    const long long now = 1700000000;
    for (const auto& c : cases)
        EXPECT_EQ(c.stale, IsFeedCacheStale(now, now - c.age, 600)) << c.age;
}

TEST(NoteletDownload, WhatABodyDoesToTheStoreTheIntervalAndTheBar)
{
    TempDataFolder dir;
    ASSERT_EQ(1, OpenMsgDatabase(dir.folder + L"\\Notelet.db"));
    auto deliver = [](const std::string& body, int fromCache) {
        CNoteletDownload().OnData(body.data(), static_cast<int>(body.size()), fromCache);
    };
    auto cached = [] {
        int length = 0;
        long long createTime = 0;
        std::unique_ptr<char[]> copy = LoadBottomMsgFile(&length, &createTime);
        return copy ? std::string(copy.get(), length) : "<none>";
    };
    // The stored copy is shown but not stored again.
    deliver("<root dur=\"1800\"><bottommsg><msg title=\"旧\"/></bottommsg></root>", 1);
    EXPECT_EQ("<none>", cached());
    EXPECT_EQ(CString(L"1800"), GetInfoDuration());
    EXPECT_EQ(CString(L"旧"), BottomMsgBar().GetShownText());
    // Stored as sent, but changing neither the interval nor the bar.
    for (const std::string body : {"<root dur=\"0\"><bottommsg/></root>", "<root dur=\"-5\"><bottommsg/></root>"}) {
        deliver(body, 0);
        EXPECT_EQ(body, cached());
        EXPECT_EQ(CString(L"1800"), GetInfoDuration()) << body;
        EXPECT_EQ(CString(L"旧"), BottomMsgBar().GetShownText()) << body;
    }
    // Not a whole feed: the cache stays as it was.
    for (const std::string body : {"502 Bad Gateway", "<root dur=\"60\"><bottommsg><msg title=\"x\"/>"}) {
        deliver(body, 0);
        EXPECT_EQ("<root dur=\"-5\"><bottommsg/></root>", cached()) << body;
        EXPECT_EQ(CString(L"1800"), GetInfoDuration()) << body;
    }
    const std::string fresh =
        "<root><bottommsg><msg title=\"甲\" url=\"http://a/\" dur=\"3\"/></bottommsg></root>";
    deliver(fresh, 0);
    EXPECT_EQ(fresh, cached());
    EXPECT_EQ(CString(L"甲"), BottomMsgBar().GetShownText());
    CloseMsgDatabase();
    BottomMsgBar().ClearMessages();
}

TEST(NoteletDownload, AWorkerLeftFromAStoppedRunNeitherStoresNorShowsInTheNextRun)
{
    TempDataFolder dir;
    ASSERT_EQ(1, OpenMsgDatabase(dir.folder + L"\\Notelet.db"));
    BottomMsgBar().ClearMessages();
    const CString shownBefore = BottomMsgBar().GetShownText();
    const std::string body = "<root dur=\"60\"><bottommsg><msg title=\"旧\"/></bottommsg></root>";
    CNoteletDownload leftOver; // still blocked on the network when its run stops
    CNoteletDownload::AbortDownloads();
    CNoteletDownload::AllowDownloads(); // the module is started again
    leftOver.OnData(body.data(), static_cast<int>(body.size()), 0);
    int length = 0;
    long long createTime = 0;
    EXPECT_EQ(nullptr, LoadBottomMsgFile(&length, &createTime));
    EXPECT_EQ(CString(L""), GetInfoDuration());
    EXPECT_EQ(shownBefore, BottomMsgBar().GetShownText());
    // A download of the new run does both.
    CNoteletDownload().OnData(body.data(), static_cast<int>(body.size()), 0);
    EXPECT_NE(nullptr, LoadBottomMsgFile(&length, &createTime));
    EXPECT_EQ(CString(L"旧"), BottomMsgBar().GetShownText());
    CloseMsgDatabase();
    BottomMsgBar().ClearMessages();
}

TEST(NoteletDownload, OnlyAWholeFeedWithinItsLimitReplacesTheCache)
{
    TempDataFolder dir;
    ASSERT_EQ(1, OpenMsgDatabase(dir.folder + L"\\Notelet.db"));
    CLocalHttpServer server;
    ASSERT_TRUE(server.Start());
    auto feedOf = [](const char* title, size_t padding) {
        return "<root><bottommsg><msg title=\"" + std::string(title) + "\"/>" + std::string(padding, ' ') +
               "</bottommsg></root>";
    };
    const std::string old = feedOf("旧", 0);
    const std::string fresh = feedOf("新", 1000);
    auto answerOf = [](const std::string& body) {
        CLocalHttpServer::Answer answer;
        answer.body = body;
        return answer;
    };
    char chunkSize[16];
    sprintf(chunkSize, "%x\r\n", static_cast<unsigned>(fresh.size()));
    const std::string cutAt = fresh.substr(0, fresh.size() / 2);
    const struct {
        const char* name;
        std::string cache;
        unsigned interval; // 0: the cache is always stale
        CLocalHttpServer::Answer answer;
        bool taken;
    } cases[] = {
        {"fresh feed", old, 0, answerOf(fresh), true},
        {"over the limit", old, 0, answerOf(feedOf("太大", MaxFeedBytes)), false},
        // Wine's WinINet reads this as a whole body.
        {"chunked, cut inside a chunk", old, 0, CLocalHttpServer::Answer::Chunked(chunkSize + cutAt, cutAt),
         false},
        // A cache too large to be a feed counts as none, however young.
        {"cache over the limit", feedOf("大", MaxFeedBytes), 86400, answerOf(fresh), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SaveBottomMsgFile(c.cache.data(), static_cast<int>(c.cache.size()));
        SetInfoDuration(c.interval);
        BottomMsgBar().ClearMessages();
        server.SetAnswer("/update/msg.xml", c.answer);
        server.ClearRequests();
        CNoteletDownload(server.Host()).Run();
        EXPECT_EQ(1u, server.Requests().size());
        int length = 0;
        long long createTime = 0;
        std::unique_ptr<char[]> cached = LoadBottomMsgFile(&length, &createTime);
        ASSERT_TRUE(cached);
        EXPECT_TRUE((c.taken ? fresh : c.cache) == std::string(cached.get(), length)) << "cached " << length;
        EXPECT_EQ(CString(c.taken ? L"新" : L"旧"), BottomMsgBar().GetShownText());
    }
    CloseMsgDatabase();
    BottomMsgBar().ClearMessages();
}
