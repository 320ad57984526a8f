#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "analysis/core_calls.h"
#include "analysis/page_download.h"
#include "analysis/prefetched_pages.h"
#include "runtime/memory.h"
#include "support/fund_pages.h"
#include "support/loopback_server.h"
#include "support/thread_count.h"

namespace qinghe::app {
namespace {

using testing::LoopbackServer;
using testing::thread_count;
using testing_support::generated_codes;
using testing_support::generated_page;

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

ArrayBlock* lines_of(const std::vector<std::string>& texts) {
    ArrayBlock* lines = make_array(int32_t(texts.size()), int32_t(sizeof(void*)));
    for (size_t i = 0; i < texts.size(); ++i)
        lines->set_pointer_at(int64_t(i), make_text(texts[i]));
    return lines;
}

void release(ArrayBlock* lines) {
    for (int32_t i = 0; i < lines->sizes()[0]; ++i) mem_free(lines->pointer_at(i));
    mem_free(lines);
}

std::string read(const std::string& url) {
    OwnedBytes page(read_prefetched_page(url.c_str()));
    return std::string(byte_set_view(page.get()));
}

TEST(PrefetchedPages, ReaderTakesTheAcceptedCodesInOrderAndFetchesAnythingElseItself) {
    LoopbackServer server({{"/111111.html", "one"},
                           {"/222222.html", "two"},
                           {"/333333.html", "three"},
                           {"/other.html", "other"},
                           {"/444444.html", "error page"}});
    server.answer_with_status("/444444.html", "500 Internal Server Error");
    std::mutex mutex;
    std::vector<std::string> requested;
    server.on_request([&](const std::string& path) {
        std::lock_guard lock(mutex);
        requested.push_back(path);
    });
    const std::string base = server.base_url();
    EXPECT_EQ(read(base + "other.html"), "other") << "without a prefetch the reader downloads";
    ArrayBlock* lines = lines_of({"111111", "", "22222", "222222", "444444", "333333"});
    {
        PrefetchedPages pages(base.c_str(), lines, 4);
        EXPECT_EQ(read(base + "111111.html"), "one");
        EXPECT_EQ(read(base + "other.html"), "other") << "a URL not due is fetched on its own";
        EXPECT_EQ(read(base + "222222.html"), "two");
        EXPECT_EQ(read(base + "444444.html"), "") << "an error status is no page";
        EXPECT_EQ(read(base + "333333.html"), "three");
    }
    release(lines);
    std::lock_guard lock(mutex);
    EXPECT_EQ(std::count(requested.begin(), requested.end(), "/111111.html"), 1);
    EXPECT_EQ(std::count(requested.begin(), requested.end(), "/22222.html"), 0);
    EXPECT_EQ(requested.size(), 6u);
}

std::string converted_by_itself(const std::string& page) {
    OwnedBytes bytes(make_byte_set(page));
    OwnedBytes converted(convert_page_charset(bytes.get()));
    return std::string(byte_set_view(converted.get()));
}

// What the collector does with each page: read it, then convert it.
std::string read_and_convert(const std::string& url) {
    OwnedBytes page(read_prefetched_page(url.c_str()));
    OwnedBytes converted(convert_prefetched_page(page.get()));
    return std::string(byte_set_view(converted.get()));
}

// With several downloads at once the pages are converted ahead on worker
// threads; the collector must get exactly what converting each page itself
// gives, whatever the number of downloads, and no worker outlives the run.
TEST(PrefetchedPages, ConvertedAheadIsWhatTheCollectorWouldConvert) {
    const std::vector<std::string> codes = {"701001", "702001", "703001", "704001", "705001"};
    LoopbackServer::Pages pages;
    for (const std::string& code : codes) pages["/" + code + ".html"] = generated_page(code);
    pages["/000000.html"] = "";  // an empty body converts to nothing
    std::string large;           // too big to be converted ahead
    while (large.size() <= size_t(ConversionAhead::kLargestPageAhead))
        large += pages["/701001.html"];
    pages["/555555.html"] = large;
    std::vector<std::string> texts = codes;
    texts.insert(texts.begin() + 2, "000000");
    texts.push_back("555555");
    texts.push_back("999999");  // not served: no page
    ArrayBlock* lines = lines_of(texts);
    const int threads_before = thread_count();
    for (int parallel : {1, 2, 4, 8}) {
        {
            // The server's own threads end with it.
            LoopbackServer server(pages);
            const std::string base = server.base_url();
            PrefetchedPages prefetched(base.c_str(), lines, parallel);
            for (const std::string& code : texts) {
                auto found = pages.find("/" + code + ".html");
                std::string expected =
                    found == pages.end() ? "" : converted_by_itself(found->second);
                EXPECT_EQ(read_and_convert(base + code + ".html"), expected)
                    << code << " with " << parallel << " downloads";
            }
            const std::string other = generated_page("701002");
            OwnedBytes page(make_byte_set(other));
            OwnedBytes converted(convert_prefetched_page(page.get()));
            EXPECT_EQ(byte_set_view(converted.get()), converted_by_itself(other))
                << "a page not handed out is converted on its own";
        }
        EXPECT_EQ(thread_count(), threads_before) << parallel << " downloads";
    }
    release(lines);
}

TEST(PrefetchedPages, EndingARunUntakenCancelsTheConversionWorkers) {
    LoopbackServer::Pages pages;
    std::vector<std::string> texts;
    for (const std::string& code : generated_codes()) {
        pages["/" + code + ".html"] = generated_page(code);
        texts.push_back(code);
    }
    ArrayBlock* lines = lines_of(texts);
    const int threads_before = thread_count();
    {
        // The server's own threads end with it.
        LoopbackServer server(pages);
        for (size_t taken : {0u, 1u, 3u}) {
            PrefetchedPages prefetched(server.base_url().c_str(), lines, 8);
            for (size_t i = 0; i < taken; ++i) read(server.base_url() + texts[i] + ".html");
        }
    }
    EXPECT_EQ(thread_count(), threads_before);
    release(lines);
}

}  // namespace
}  // namespace qinghe::app
