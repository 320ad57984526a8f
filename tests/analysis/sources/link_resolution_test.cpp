#include <gtest/gtest.h>

#include "analysis/sources/link_resolution.h"

namespace qinghe::app {
namespace {

struct LinkCase {
    const char* link;
    const char* page;
    const char* expected;
};

TEST(ResolveLink, AgainstThePageUrl) {
    const LinkCase cases[] = {
        {"//quote.example.com/unify/r/0.000568", "http://fund.example.com/160127.html",
         "http://quote.example.com/unify/r/0.000568"},
        {"//quote.example.com/a", "https://fund.example.com/x/160127.html",
         "https://quote.example.com/a"},
        {"http://quote.example.com/a", "https://fund.example.com/160127.html",
         "http://quote.example.com/a"},
        {"/stock/1.html", "http://127.0.0.1:8080/funds/160127.html",
         "http://127.0.0.1:8080/stock/1.html"},
        {"stock/1.html", "http://127.0.0.1:8080/funds/160127.html?x=1",
         "http://127.0.0.1:8080/funds/stock/1.html"},
        {"stock/1.html", "http://host", "http://host/stock/1.html"},
        {"", "http://host/a.html", ""},
        {"javascript:alert(1)", "http://host/a.html", "javascript:alert(1)"},
        {"//x/y", "not a url", "//x/y"},
    };
    for (const LinkCase& c : cases)
        EXPECT_EQ(resolve_link(c.link, c.page), c.expected) << c.link << " on " << c.page;
}

TEST(IsWebAddress, OnlyHttpAndHttps) {
    EXPECT_TRUE(is_web_address("http://a/b"));
    EXPECT_TRUE(is_web_address("HTTPS://a/b"));
    EXPECT_FALSE(is_web_address("file:///etc/passwd"));
    EXPECT_FALSE(is_web_address("javascript:alert(1)"));
    EXPECT_FALSE(is_web_address("-x"));
    EXPECT_FALSE(is_web_address("//host/x"));
}

}  // namespace
}  // namespace qinghe::app
