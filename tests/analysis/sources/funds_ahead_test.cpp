#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "analysis/sources/funds_ahead.h"
#include "analysis/sources/holdings_source.h"
#include "support/fund_pages.h"
#include "support/loopback_server.h"
#include "support/thread_count.h"

namespace qinghe::app {
namespace {

using testing::LoopbackServer;
using testing::thread_count;
using testing::thread_count_settled;
using namespace testing_support;

TEST(ParallelDownloads, DefaultsAndClampsEveryText) {
    const std::pair<const char*, int> rows[] = {
        {nullptr, 4},
        {"", 4},
        {"abc", 4},
        {"3x", 4},
        {" 2", 4},
        {"0", 1},
        {"-3", 1},
        {"1", 1},
        {"5", 5},
        {"8", 8},
        {"99", 8},
        {"99999999999999999999", 8},
        {"-99999999999999999999", 1},
    };
    for (auto [text, parallel] : rows)
        EXPECT_EQ(parallel_downloads(text), parallel) << (text ? text : "null");
}

HoldingsSources all_sources(const std::string& base) {
    return make_sources({default_source_order(), base, base, base});
}

// Each fund asks its sources in order and stops at the first with rows: a
// page with its box is the only request of its fund, whatever the number
// of downloads, and no worker outlives the run.
TEST(FundsAhead, LaterSourcesAreAskedOnlyWhenEarlierOnesGaveNoRows) {
    const std::vector<std::string> codes = {fund_code::demo, fund_code::archive_only,
                                            fund_code::mobile_only, fund_code::no_holdings,
                                            "999999"};
    const std::map<std::string, std::string> site = generated_site(codes);
    const struct {
        const char* code;
        std::vector<std::string> requested;
        std::vector<SourceKind> asked;
        size_t rows;
    } expected[] = {
        {fund_code::demo, {page_target(fund_code::demo)}, {SourceKind::page}, 10},
        {fund_code::archive_only,
         {page_target(fund_code::archive_only), archive_target(fund_code::archive_only)},
         {SourceKind::page, SourceKind::archive},
         10},
        {fund_code::mobile_only,
         {page_target(fund_code::mobile_only), archive_target(fund_code::mobile_only),
          mobile_target(fund_code::mobile_only)},
         {SourceKind::page, SourceKind::archive, SourceKind::mobile},
         5},
        {fund_code::no_holdings,
         {},
         {SourceKind::page, SourceKind::archive, SourceKind::mobile},
         0},
        {"999999", {}, {SourceKind::page, SourceKind::archive, SourceKind::mobile}, 0},
    };
    const int threads_before = thread_count();
    for (int parallel : {1, 4, 8}) {
        {
            LoopbackServer server(site);
            std::mutex mutex;
            std::vector<std::string> requested;
            server.on_request([&](const std::string& path) {
                std::lock_guard lock(mutex);
                requested.push_back(path);
            });
            FundsAhead funds(codes, all_sources(server.base_url()), parallel);
            for (size_t i = 0; i < codes.size(); ++i) {
                const FundAnswer answer = funds.take(i);
                SCOPED_TRACE(std::string(codes[i]) + " with " + std::to_string(parallel));
                std::vector<SourceKind> asked;
                for (const SourceAnswer& a : answer.asked) asked.push_back(a.kind);
                EXPECT_EQ(asked, expected[i].asked);
                EXPECT_EQ(answer.answered() ? answer.answered()->rows.size() : 0u,
                          expected[i].rows);
            }
            std::lock_guard lock(mutex);
            for (const auto& e : expected)
                for (const std::string& target : e.requested)
                    EXPECT_EQ(std::count(requested.begin(), requested.end(), target), 1) << target;
            EXPECT_EQ(requested.size(), 1u + 2u + 3u + 3u + 3u) << parallel;
        }
        EXPECT_EQ(thread_count_settled(threads_before), threads_before) << parallel << " downloads";
    }
}

// With N downloads, at most N funds ask their first source at once, and a
// fund whose later source is slow holds up neither: while the archive
// answers nobody, the pages of N more funds are still asked.
TEST(FundsAhead, AFundFallingThroughLeavesTheFirstSourceToOthers) {
    constexpr int kParallel = 2;
    std::mutex mutex;
    std::condition_variable changed;
    int pages_asked = 0, pages_at_once = 0, most_pages_at_once = 0;
    bool archive_answers = false;
    const Fetch fetch = [&](const net::Request& request) {
        std::unique_lock lock(mutex);
        if (request.url.ends_with(".html")) {
            ++pages_asked;
            most_pages_at_once = std::max(most_pages_at_once, ++pages_at_once);
            changed.notify_all();
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            lock.lock();
            --pages_at_once;
        } else if (request.url.find("FundArchivesDatas") != std::string::npos) {
            changed.wait(lock, [&] { return archive_answers; });
        }
        return net::FetchResult{404, "not found", 0, true, 9};
    };
    const std::vector<std::string> codes = {"100001", "100002", "100003",
                                            "100004", "100005", "100006"};
    FundsAhead funds(codes, all_sources("http://site.test/"), kParallel, fetch);
    {
        std::unique_lock lock(mutex);
        EXPECT_TRUE(changed.wait_for(lock, std::chrono::seconds(5),
                                     [&] { return pages_asked == 2 * kParallel; }))
            << pages_asked << " pages asked while the archive answers nobody";
        archive_answers = true;
        changed.notify_all();
    }
    for (size_t i = 0; i < codes.size(); ++i) EXPECT_EQ(funds.take(i).asked.size(), 3u) << i;
    EXPECT_EQ(pages_asked, int(codes.size()));
    EXPECT_LE(most_pages_at_once, kParallel);
}

// With one download at once nothing is read ahead: a fund is asked only
// once the run comes to it (after the window has shown its caption).
TEST(FundsAhead, WithOneDownloadAFundIsAskedWhenTheRunComesToIt) {
    std::atomic<int> asked{0};
    const Fetch fetch = [&](const net::Request&) {
        ++asked;
        return net::FetchResult{404, "not found", 0, true, 9};
    };
    FundsAhead funds({"100001", "100002"}, all_sources("http://site.test/"), 1, fetch);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(asked, 0) << "asked before the run came to the first fund";
    funds.take(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(asked, 3) << "the first fund's three sources, and nothing of the second";
}

// The site over kept-alive connections, each answer after a moment, so that
// requests overlap, counting the connections open at once; a target it does
// not hold, or holds empty, is "404 Not Found".
class KeptAliveSite {
public:
    explicit KeptAliveSite(std::map<std::string, std::string> site, std::string refused = {})
        : site_(std::move(site)),
          refused_(std::move(refused)),
          server_([this](testing::Connection& c) { serve(c); }) {}
    std::string base_url() const { return server_.base_url(); }
    int connections() const { return server_.connections(); }
    int most_open() const { return most_open_; }
    int refusals() const { return refusals_; }

private:
    void serve(testing::Connection& c) {
        const int now = ++open_;
        for (int most = most_open_; now > most && !most_open_.compare_exchange_weak(most, now);) {
        }
        do {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            const auto found = site_.find(c.target());
            std::string answer = found != site_.end() && !found->second.empty()
                                     ? testing::keep_alive_response(found->second)
                                     : "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone";
            if (c.target() == refused_) {
                ++refusals_;
                answer =
                    "HTTP/1.1 429 Too Many Requests\r\nRetry-After: 10\r\nContent-Length: "
                    "0\r\n\r\n";
            }
            if (!c.send(answer)) break;
        } while (c.next_request());
        --open_;
    }

    const std::map<std::string, std::string> site_;
    const std::string refused_;
    std::atomic<int> open_{0}, most_open_{0}, refusals_{0};
    LoopbackServer server_;
};

// Every source of every fund goes through one engine: never more than N
// connections to the site, each kept alive across funds and sources.
TEST(FundsAhead, AtMostNConnectionsCarryEverySourceOfTheRun) {
    std::vector<std::string> codes;
    for (int round = 0; round < 3; ++round)
        codes.insert(codes.end(), {fund_code::demo, fund_code::archive_only, fund_code::mobile_only,
                                   fund_code::no_holdings});
    for (int parallel : {1, 4, 8}) {
        KeptAliveSite site(generated_site(codes));
        {
            FundsAhead funds(codes, all_sources(site.base_url()), parallel);
            for (size_t i = 0; i < codes.size(); ++i) funds.take(i);
        }
        EXPECT_LE(site.most_open(), parallel);
        EXPECT_LE(site.connections(), parallel) << "a connection was not kept alive";
    }
}

// A fund whose page is refused waits for its second try; the other funds'
// downloads go on meanwhile, and ending the run ends the wait.
TEST(FundsAhead, ARefusalsWaitHoldsUpNoOtherFund) {
    const std::vector<std::string> codes = {fund_code::demo, fund_code::foreign};
    KeptAliveSite site(generated_site(codes), page_target(fund_code::demo));
    FundsAhead funds(codes, all_sources(site.base_url()), 2);
    // The other fund's answer is taken once the refusal came (it may come first).
    for (int i = 0; i < 500 && site.refusals() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const FundAnswer other = funds.take(1);
    EXPECT_NE(other.answered(), nullptr);
    EXPECT_EQ(site.refusals(), 1) << "the other fund waited for the refused one's second try";
}

TEST(FundsAhead, EndingARunUntakenCancelsTheWorkers) {
    const std::vector<std::string> codes = generated_codes();
    const int threads_before = thread_count();
    {
        // The server's own threads end with it.
        LoopbackServer server(generated_site(codes));
        for (size_t taken : {0u, 1u, 3u}) {
            FundsAhead funds(codes, all_sources(server.base_url()), 8);
            for (size_t i = 0; i < taken; ++i) funds.take(i);
        }
    }
    EXPECT_EQ(thread_count_settled(threads_before), threads_before);
}

}  // namespace
}  // namespace qinghe::app
