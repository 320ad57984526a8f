#include <gtest/gtest.h>

#include <curl/curl.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "analysis/holdings_collector.h"
#include "analysis/sources/url_encoding.h"
#include "platform/text_encoding.h"

namespace qinghe::app {
namespace {

namespace fs = std::filesystem;

TEST(PercentEncoded, KeepsUnreservedBytesAndEscapesEveryOther) {
    struct Row {
        std::string text, encoded;
    };
    const Row rows[] = {
        {"160127", "160127"},
        {"aZ09-._~", "aZ09-._~"},
        {"#frag1", "%23frag1"},
        {"../../", "..%2F..%2F"},
        {"a/b", "a%2Fb"},
        {"?x", "%3Fx"},
        {"%41", "%2541"},
        {"a b\\c:@&=+$,;", "a%20b%5Cc%3A%40%26%3D%2B%24%2C%3B"},
        {std::string("\0\x7F\x80\xFF", 4), "%00%7F%80%FF"},
        {"", ""},
    };
    for (const Row& row : rows) EXPECT_EQ(percent_encoded(row.text), row.encoded) << row.text;
}

std::vector<std::string>& requested_urls() {
    static std::vector<std::string> urls;
    return urls;
}

ByteSet* record_request(const char* url) {
    requested_urls().push_back(url);
    return nullptr;
}

std::string url_part(CURLU* url, CURLUPart part) {
    char* value = nullptr;
    if (curl_url_get(url, part, &value, 0) != CURLUE_OK) return "(none)";
    std::string s(value);
    curl_free(value);
    return s;
}

// Whatever a code holds, the collector asks for exactly one page directly
// under the base URL: no other segment, no query, no fragment.
TEST(FundPageUrl, ACodeNeverChangesTheUrlsShape) {
    // fetch_fund writes its dump file into the current directory.
    const fs::path previous = fs::current_path();
    const fs::path directory =
        fs::temp_directory_path() / ("qinghe-url-" + std::to_string(::getpid()));
    fs::create_directories(directory);
    fs::current_path(directory);
    const std::string gbk_code = platform::gbk_from_utf8("基金码");
    struct Row {
        std::string code, segment;
    };
    const Row rows[] = {
        {"160127", "160127"},
        {"#frag1", "%23frag1"},
        {"../../", "..%2F..%2F"},
        {"a/b", "a%2Fb"},
        {"?x", "%3Fx"},
        {"%41", "%2541"},
        {gbk_code, "%BB%F9%BD%F0%C2%EB"},
    };
    HoldingsCollector collector("http://fund.test/funds/", record_request);
    for (const Row& row : rows) {
        requested_urls().clear();
        EXPECT_FALSE(collector.fetch_fund(row.code.c_str()));
        ASSERT_EQ(requested_urls().size(), 1u);
        const std::string& requested = requested_urls()[0];
        EXPECT_EQ(requested, "http://fund.test/funds/" + row.segment + ".html");
        CURLU* url = curl_url();
        ASSERT_EQ(curl_url_set(url, CURLUPART_URL, requested.c_str(), 0), CURLUE_OK) << requested;
        EXPECT_EQ(url_part(url, CURLUPART_HOST), "fund.test");
        EXPECT_EQ(url_part(url, CURLUPART_PATH), "/funds/" + row.segment + ".html");
        EXPECT_EQ(url_part(url, CURLUPART_QUERY), "(none)");
        EXPECT_EQ(url_part(url, CURLUPART_FRAGMENT), "(none)");
        curl_url_cleanup(url);
    }
    fs::current_path(previous);
    fs::remove_all(directory);
}

}  // namespace
}  // namespace qinghe::app
