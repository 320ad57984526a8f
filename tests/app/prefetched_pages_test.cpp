#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/core_calls.h"
#include "app/prefetched_pages.h"
#include "runtime/memory.h"
#include "support/loopback_server.h"

namespace qinghe::app {
namespace {

using testing::LoopbackServer;

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

}  // namespace
}  // namespace qinghe::app
