#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "quick_http_settings.h"
#include "support/loopback_server.h"
#include "support/thread_count.h"
#include "net/http_settings.h"
#include "net/internet_library.h"
#include "net/page_prefetch.h"
#include "runtime/frame.h"

namespace qinghe::net {
namespace {

using namespace std::chrono_literals;
using qinghe::testing::Connection;
using qinghe::testing::gzip;
using qinghe::testing::keep_alive_response;
using qinghe::testing::LoopbackServer;
using qinghe::testing::thread_count;

std::vector<std::string> urls_of(const LoopbackServer& server, int count) {
    std::vector<std::string> urls;
    for (int i = 0; i < count; ++i) urls.push_back(server.url("/" + std::to_string(i) + ".html"));
    return urls;
}

// Answers every request on a connection with its own path, kept alive.
void echo_path(Connection& c) {
    do {
        if (!c.send(keep_alive_response(c.target()))) return;
    } while (c.next_request());
}

// Counts the requests under way at once and the most seen.
struct Concurrency {
    std::mutex mutex;
    int now = 0, most = 0;
    void enter() {
        std::lock_guard lock(mutex);
        most = std::max(most, ++now);
    }
    void leave() {
        std::lock_guard lock(mutex);
        --now;
    }
};

class PagePrefetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        HttpSettings small = http_settings();
        small.max_body_bytes = 1 << 20;
        set_http_settings(small);
        threads_before_ = thread_count();
    }
    void TearDown() override {
        EXPECT_EQ(thread_count(), threads_before_) << "a thread outlived its prefetch";
    }

private:
    testing::QuickHttpSettings quick_;
    int threads_before_ = 0;
};

TEST(ClampParallel, KeepsOneToEight) {
    const std::pair<long long, int> rows[] = {{-3, 1}, {0, 1},  {1, 1},         {4, 4},
                                              {8, 8},  {99, 8}, {1LL << 40, 8}, {-(1LL << 40), 1}};
    for (auto [requested, clamped] : rows)
        EXPECT_EQ(clamp_parallel(requested), clamped) << requested;
}

TEST_F(PagePrefetchTest, PagesComeInOrderWithAtMostNUnderWay) {
    for (int parallel : {1, 2, 4, 8}) {
        SCOPED_TRACE(parallel);
        Concurrency seen;
        LoopbackServer server([&](Connection& c) {
            do {
                seen.enter();
                std::this_thread::sleep_for(5ms);
                seen.leave();
                if (!c.send(keep_alive_response(c.target()))) return;
            } while (c.next_request());
        });
        {
            PagePrefetch prefetch(urls_of(server, 20), parallel);
            for (size_t i = 0; i < prefetch.size(); ++i) {
                FetchResult page = prefetch.take(i);
                EXPECT_EQ(page.status, 200);
                EXPECT_EQ(page.body, "/" + std::to_string(i) + ".html");
            }
            EXPECT_EQ(prefetch.take(3).body, "") << "a page is handed out once";
            EXPECT_EQ(prefetch.take(20).body, "") << "beyond the list";
        }
        EXPECT_LE(seen.most, parallel);
        EXPECT_LE(server.connections(), parallel) << "connections are reused";
    }
}

// The server answers nothing until four requests are under way at once:
// only a prefetch that downloads ahead gets its pages.
TEST_F(PagePrefetchTest, FourPagesAreFetchedWhileTheFirstIsAwaited) {
    std::mutex mutex;
    std::condition_variable arrived;
    int waiting = 0;
    LoopbackServer server([&](Connection& c) {
        std::unique_lock lock(mutex);
        ++waiting;
        arrived.notify_all();
        bool all_four = arrived.wait_for(lock, 5s, [&] { return waiting >= 4; });
        lock.unlock();
        if (all_four) c.send(keep_alive_response(c.target()));
    });
    PagePrefetch prefetch(urls_of(server, 4), 4);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(prefetch.take(i).status, 200) << i;
}

TEST_F(PagePrefetchTest, OneAtATimeFetchesNothingAhead) {
    LoopbackServer server(echo_path);
    PagePrefetch prefetch(urls_of(server, 3), 1);
    EXPECT_EQ(prefetch.take(0).body, "/0.html");
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(server.request_heads().size(), 1u);
    EXPECT_EQ(prefetch.take(1).body, "/1.html");
    EXPECT_EQ(server.request_heads().size(), 2u);
}

// Faulty servers among good ones: each page ends with what it got or with
// nothing, the others arrive whole.
TEST_F(PagePrefetchTest, FaultsEndTheirOwnPageOnly) {
    const std::string block(65536, 'x');
    const std::string bomb = gzip(std::string(size_t(64) << 20, '\0'));
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
            if (target == "/trickle.html") {
                if (!c.send("HTTP/1.1 200 OK\r\nContent-Length: 600\r\n\r\n")) return;
                for (int i = 0; i < 600 && c.send("t"); ++i) std::this_thread::sleep_for(100ms);
                return;
            }
            std::string answer = keep_alive_response(target);
            if (target == "/bomb.html")
                answer = keep_alive_response(bomb, "Content-Encoding: gzip\r\n");
            if (target == "/missing.html")
                answer = "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone";
            if (!c.send(answer)) return;
        } while (c.next_request());
    });
    HttpSettings settings = http_settings();
    settings.low_speed_bytes_per_second = 1000;
    settings.low_speed_time = 1s;
    set_http_settings(settings);
    const char* names[] = {"endless", "a",       "bomb", "b",      "short",
                           "silent",  "missing", "c",    "trickle"};
    std::vector<std::string> urls;
    for (const char* name : names) urls.push_back(server.url("/" + std::string(name) + ".html"));
    urls.push_back("ftp://127.0.0.1/not-http.html");
    PagePrefetch prefetch(urls, 4);
    struct Expected {
        long status;
        size_t size;
    };
    const Expected expected[] = {{200, 1 << 20}, {200, 7}, {200, 1 << 20}, {200, 7}, {200, 9},
                                 {0, 0},         {404, 4}, {200, 7},       {200, 0}, {0, 0}};
    for (size_t i = 0; i < urls.size(); ++i) {
        SCOPED_TRACE(urls[i]);
        FetchResult page = prefetch.take(i);
        EXPECT_EQ(page.status, expected[i].status);
        if (urls[i].ends_with("/trickle.html")) {
            EXPECT_GT(page.body.size(), 0u);
            EXPECT_LT(page.body.size(), 600u) << "given up as too slow";
        } else {
            EXPECT_EQ(page.body.size(), expected[i].size);
        }
    }
}

TEST_F(PagePrefetchTest, ServerThatDiesMidRunLeavesTheRestEmpty) {
    auto server = std::make_unique<LoopbackServer>(echo_path);
    std::vector<std::string> urls = urls_of(*server, 6);
    PagePrefetch prefetch(urls, 2);
    EXPECT_EQ(prefetch.take(0).body, "/0.html");
    EXPECT_EQ(prefetch.take(1).body, "/1.html");
    server.reset();
    for (size_t i = 3; i < urls.size(); ++i) EXPECT_EQ(prefetch.take(i).body, "") << i;
}

// Pages whose servers never answer: the cancel, not a time-out, ends them.
TEST_F(PagePrefetchTest, CancelEndsDownloadsUnderWayAtOnce) {
    HttpSettings patient = http_settings();
    patient.stall_timeout = 60s;
    patient.transfer_timeout = 120s;
    set_http_settings(patient);
    std::atomic<int> requests{0};
    LoopbackServer silent([&](Connection& c) {
        ++requests;
        c.stay_silent();
    });
    auto start = std::chrono::steady_clock::now();
    {
        PagePrefetch prefetch(urls_of(silent, 8), 4);
        while (requests < 4) std::this_thread::sleep_for(1ms);
        std::thread cancelling([&] { PagePrefetch::cancel_all(); });
        EXPECT_EQ(prefetch.take(0).status, 0);
        EXPECT_EQ(prefetch.take(7).status, 0);
        cancelling.join();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s) << "ended by a time-out";
    EXPECT_EQ(requests, 4);
}

TEST_F(PagePrefetchTest, ProgramEndCancelsThroughTheLibrary) {
    HttpSettings patient = http_settings();
    patient.stall_timeout = 60s;
    set_http_settings(patient);
    LibraryRecord* table[] = {nullptr, &internet_library()};
    initialise_libraries(table, 2);
    LoopbackServer silent([](Connection& c) { c.stay_silent(); });
    PagePrefetch prefetch(urls_of(silent, 2), 2);
    notify_libraries_exit();
    EXPECT_EQ(prefetch.take(0).status, 0);
    EXPECT_EQ(prefetch.take(1).status, 0);
}

}  // namespace
}  // namespace qinghe::net
