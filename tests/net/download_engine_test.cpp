#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "quick_http_settings.h"
#include "support/loopback_server.h"
#include "support/thread_count.h"
#include "net/download_engine.h"
#include "net/http_settings.h"
#include "net/internet_library.h"
#include "net/parallel_downloads.h"
#include "net/refusal_retry.h"
#include "runtime/frame.h"

namespace qinghe::net {
namespace {

using namespace std::chrono_literals;
using qinghe::testing::Connection;
using qinghe::testing::http_response;
using qinghe::testing::LoopbackServer;

TEST(ClampParallel, KeepsOneToEight) {
    const std::pair<long long, int> rows[] = {{-3, 1}, {0, 1},  {1, 1},         {4, 4},
                                              {8, 8},  {99, 8}, {1LL << 40, 8}, {-(1LL << 40), 1}};
    for (auto [requested, clamped] : rows)
        EXPECT_EQ(clamp_parallel(requested), clamped) << requested;
}

TEST(RefusalWait, RefusalsWaitWhatTheServerNamesUpToTenSecondsElseTwo) {
    const struct {
        long status, retry_after;
        std::optional<std::chrono::seconds> wait;
    } rows[] = {{429, 3, 3s}, {503, 10, 10s}, {429, 11, 2s}, {429, 0, 2s}, {503, 0, 2s},
                {200, 5, {}}, {404, 1, {}},   {500, 1, {}},  {0, 0, {}}};
    for (const auto& row : rows) {
        FetchResult result;
        result.status = row.status;
        result.retry_after = row.retry_after;
        EXPECT_EQ(refusal_wait(result), row.wait) << row.status << " " << row.retry_after;
    }
}

class DownloadEngineTest : public ::testing::Test {
protected:
    void SetUp() override { threads_before_ = testing::thread_count(); }
    void TearDown() override {
        EXPECT_EQ(testing::thread_count_settled(threads_before_), threads_before_)
            << "a thread outlived its engine";
    }

private:
    testing::QuickHttpSettings quick_;
    int threads_before_ = 0;
};

// A refusal is asked again once after the wait its Retry-After names; the
// request goes out with the Referer asked for and the settings' user agent.
TEST_F(DownloadEngineTest, RefusalIsAskedAgainOnceWithTheSameHeaders) {
    HttpSettings agent = http_settings();
    agent.user_agent = "QingheTest/1.0";
    set_http_settings(agent);
    std::atomic<int> requests{0};
    LoopbackServer server([&](Connection& c) {
        const bool first = requests++ == 0;
        c.send(first ? "HTTP/1.1 429 Too Many Requests\r\nRetry-After: 1\r\nContent-Length: 0\r\n"
                       "Connection: close\r\n\r\n"
                     : http_response("200 OK", "answer"));
    });
    DownloadEngine engine;
    const auto start = std::chrono::steady_clock::now();
    const FetchResult result = engine.fetch({server.url("/a"), "http://site.test/ccmx_1.html"});
    EXPECT_GE(std::chrono::steady_clock::now() - start, 900ms);
    EXPECT_EQ(result.status, 200);
    EXPECT_EQ(result.body, "answer");
    ASSERT_EQ(server.request_heads().size(), 2u);
    for (const std::string& head : server.request_heads()) {
        EXPECT_NE(head.find("\r\nReferer: http://site.test/ccmx_1.html\r\n"), std::string::npos);
        EXPECT_NE(head.find("\r\nUser-Agent: QingheTest/1.0\r\n"), std::string::npos);
    }
}

TEST_F(DownloadEngineTest, SecondRefusalIsNoAnswer) {
    std::atomic<int> requests{0};
    LoopbackServer server([&](Connection& c) {
        ++requests;
        c.send(
            "HTTP/1.1 503 Service Unavailable\r\nRetry-After: 1\r\nContent-Length: 4\r\n"
            "Connection: close\r\n\r\nbusy");
    });
    DownloadEngine engine;
    const FetchResult result = engine.fetch({server.url("/a"), {}});
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(requests, 2);
}

// Each fault ends its own request only and says whether the body is whole;
// a body cut short is not kept.
TEST_F(DownloadEngineTest, FaultsEndTheirOwnRequestOnly) {
    const std::string block(65536, 'x');
    const std::string bomb = testing::gzip(std::string(size_t(64) << 20, '\0'));
    // Every request of a kept-alive connection gets the answer its path asks for.
    LoopbackServer server([&](Connection& c) {
        do {
            const std::string target = c.target();
            if (target == "/endless.html") {
                if (!c.send("HTTP/1.1 200 OK\r\n\r\n")) return;
                while (c.send(block)) {
                }
                return;
            }
            if (target == "/short.html") {
                c.send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nonly this");
                return;
            }
            if (target == "/silent.html") return c.stay_silent();
            std::string answer = testing::keep_alive_response(target);
            if (target == "/bomb.html")
                answer = testing::keep_alive_response(bomb, "Content-Encoding: gzip\r\n");
            if (target == "/missing.html")
                answer = "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone";
            if (!c.send(answer)) return;
        } while (c.next_request());
    });
    HttpSettings small = http_settings();
    small.max_body_bytes = 1 << 20;
    set_http_settings(small);
    const struct {
        const char* name;
        long status;
        size_t size;
        bool whole;
    } expected[] = {{"endless", 200, 1 << 20, false},
                    {"a", 200, 7, true},
                    {"bomb", 200, 1 << 20, false},
                    {"short", 200, 9, false},
                    {"silent", 0, 0, false},
                    {"missing", 404, 4, true},
                    {"c", 200, 7, true}};
    DownloadEngine engine;
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        const FetchResult page =
            engine.fetch({server.url("/" + std::string(e.name) + ".html"), {}});
        EXPECT_EQ(page.status, e.status);
        EXPECT_EQ(page.whole, e.whole);
        EXPECT_EQ(page.received, e.size);
        EXPECT_EQ(page.body.size(), e.whole ? e.size : 0) << "a body cut short is dropped";
    }
    EXPECT_EQ(engine.fetch({"ftp://127.0.0.1/not-http.html", {}}).status, 0);
}

// The first answer on each connection is followed by stray bytes beyond its
// length; the next request on that connection fails before its answer and
// is sent once more on a new connection, so no answer is lost.
TEST_F(DownloadEngineTest, ConnectionSpoiledByStrayBytesIsLeftForANewOne) {
    LoopbackServer server([](Connection& c) {
        if (!c.send(testing::keep_alive_response(c.target()))) return;
        std::this_thread::sleep_for(50ms);
        if (!c.send("<p>stray bytes</p>")) return;
        while (c.next_request())
            if (!c.send(testing::keep_alive_response(c.target()))) return;
    });
    DownloadEngine engine;
    for (int i = 0; i < 6; ++i) {
        if (i == 1) std::this_thread::sleep_for(200ms);  // the stray bytes are there
        const std::string path = "/" + std::to_string(i) + ".html";
        const FetchResult page = engine.fetch({server.url(path), {}});
        EXPECT_TRUE(page.whole) << i;
        EXPECT_EQ(page.body, path);
    }
}

// Requests beyond the connections a host may have wait their turn; each
// one's time limit counts from when it is sent, so a queue longer than the
// limit loses nothing.
TEST_F(DownloadEngineTest, TimeLimitCountsFromTheRequestNotFromTheQueue) {
    LoopbackServer slow([](Connection& c) {
        do {
            std::this_thread::sleep_for(400ms);
            if (!c.send(testing::keep_alive_response(c.target()))) return;
        } while (c.next_request());
    });
    HttpSettings short_limit = http_settings();
    short_limit.transfer_timeout = 1s;
    set_http_settings(short_limit);
    DownloadEngine engine(1);
    std::vector<std::future<FetchResult>> answers;
    for (int i = 0; i < 5; ++i)
        answers.push_back(engine.fetch_later({slow.url("/" + std::to_string(i) + ".html"), {}}));
    for (int i = 0; i < 5; ++i) {
        const FetchResult page = answers[size_t(i)].get();
        EXPECT_TRUE(page.whole) << i;
        EXPECT_EQ(page.body, "/" + std::to_string(i) + ".html");
    }
    EXPECT_EQ(slow.connections(), 1);
}

// Over TLS too, the requests of a run share one kept-alive connection: one
// handshake for them all.
TEST_F(DownloadEngineTest, SecureRequestsShareOneConnection) {
    const testing::TestCertificate certificate;
    HttpSettings trusting = http_settings();
    trusting.trusted_certificates_pem = certificate.pem();
    set_http_settings(trusting);
    LoopbackServer secure(
        [](Connection& c) {
            do {
                if (!c.send(testing::keep_alive_response(c.target()))) return;
            } while (c.next_request());
        },
        certificate.server_context());
    DownloadEngine engine(1);
    for (const char* path : {"/a.html", "/b.html", "/c.html"})
        EXPECT_EQ(engine.fetch({secure.url(path), {}}).body, path);
    EXPECT_EQ(secure.connections(), 1);
}

// A server that never answers: the cancel, not a time-out, ends the
// download: one request's cancel ends that request only, the engine's every
// one; a request cancelled while it waits to be asked again ends too.
TEST_F(DownloadEngineTest, CancelEndsADownloadOrAWaitAtOnce) {
    HttpSettings patient = http_settings();
    patient.stall_timeout = 60s;
    patient.transfer_timeout = 120s;
    set_http_settings(patient);
    std::atomic<int> requests{0};
    LoopbackServer silent([&](Connection& c) {
        ++requests;
        c.stay_silent();
    });
    LoopbackServer refusing([](Connection& c) {
        c.send("HTTP/1.1 429 Too Many Requests\r\nRetry-After: 10\r\nContent-Length: 0\r\n\r\n");
    });
    const auto start = std::chrono::steady_clock::now();
    DownloadEngine waiting, refused;
    std::atomic<bool> silent_ended{false};
    std::thread silent_fetch([&] {
        EXPECT_EQ(waiting.fetch({silent.url("/x"), {}}).status, 0);
        silent_ended = true;
    });
    std::thread refused_fetch([&] {
        EXPECT_EQ(refused.fetch({refusing.url("/x"), {}}).status, 0);
    });
    std::promise<long> one;
    const DownloadEngine::Ticket ticket = waiting.submit(
        {silent.url("/one"), {}}, [&](FetchResult result) { one.set_value(result.status); });
    while (requests < 2 || refusing.request_heads().empty()) std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(50ms);
    waiting.cancel(ticket);
    EXPECT_EQ(one.get_future().get(), 0);
    EXPECT_FALSE(silent_ended) << "one request's cancel ended another";
    DownloadEngine::cancel_everywhere();
    silent_fetch.join();
    refused_fetch.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << "ended by a time-out";
    EXPECT_EQ(waiting.fetch({silent.url("/y"), {}}).status, 0) << "a cancelled engine stays so";
    EXPECT_EQ(requests, 2);
}

// A body beyond the small size grows only with a permit of the gate: with
// none free its transfer pauses, while the engine goes on with the others,
// and resumes whole once the permit is given back.
TEST_F(DownloadEngineTest, LargeBodyWaitsForAPermitWhileOthersGoOn) {
    HttpSettings patient = http_settings();
    patient.stall_timeout = 60s;
    set_http_settings(patient);
    const std::string held(kSmallBodyBytes + 1000, 'h'), large(kSmallBodyBytes + 1000, 'x'),
        small(1000, 'y');
    std::mutex mutex;
    std::condition_variable changed;
    bool first_part_sent = false, released = false;
    LoopbackServer holding([&](Connection& c) {
        const std::string head =
            "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(held.size()) + "\r\n\r\n";
        if (!c.send(head + held.substr(0, held.size() - 10))) return;
        std::unique_lock lock(mutex);
        first_part_sent = true;
        changed.notify_all();
        changed.wait(lock, [&] { return released; });
        lock.unlock();
        c.send(held.substr(held.size() - 10));
    });
    LoopbackServer others(LoopbackServer::Pages{{"/large", large}});
    LoopbackServer third(LoopbackServer::Pages{{"/small", small}});
    DownloadEngine engine(1);  // one connection to each server, one large body
    std::thread holder([&] { EXPECT_TRUE(engine.fetch({holding.url("/held"), {}}).body == held); });
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return first_part_sent; });
    }
    std::this_thread::sleep_for(200ms);  // the held body has its permit
    std::atomic<bool> ended{false};
    std::thread waiting([&] {
        EXPECT_TRUE(engine.fetch({others.url("/large"), {}}).body == large);
        ended = true;
    });
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(engine.fetch({third.url("/small"), {}}).body, small);
    EXPECT_FALSE(ended) << "grew without a permit";
    {
        std::lock_guard lock(mutex);
        released = true;
        changed.notify_all();
    }
    holder.join();
    waiting.join();
    EXPECT_TRUE(ended);
}

TEST_F(DownloadEngineTest, ProgramEndCancelsThroughTheLibrary) {
    HttpSettings patient = http_settings();
    patient.stall_timeout = 60s;
    set_http_settings(patient);
    LibraryRecord* table[] = {nullptr, &internet_library()};
    initialise_libraries(table, 2);
    LoopbackServer silent([](Connection& c) { c.stay_silent(); });
    DownloadEngine engine;
    std::thread fetching([&] { EXPECT_EQ(engine.fetch({silent.url("/x"), {}}).status, 0); });
    while (silent.request_heads().empty()) std::this_thread::sleep_for(1ms);
    notify_libraries_exit();
    fetching.join();
}

}  // namespace
}  // namespace qinghe::net
