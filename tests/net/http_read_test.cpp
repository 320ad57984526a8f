#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <thread>

#include "quick_http_settings.h"
#include "support/loopback_server.h"
#include "support/loopback_tls.h"
#include "net/http_read.h"
#include "net/http_settings.h"
#include "net/internet_library.h"
#include "net/internet_root.h"
#include "net/url_parts.h"
#include "runtime/memory.h"

namespace qinghe::net {
namespace {

using namespace std::chrono_literals;
using qinghe::testing::Connection;
using qinghe::testing::gzip;
using qinghe::testing::http_response;
using qinghe::testing::keep_alive_response;
using qinghe::testing::LoopbackServer;
using qinghe::testing::TestCertificate;

// Bytes that differ from position to position, so a lost or doubled piece shows.
std::string pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = char((i * 7 + i / 251) & 0xFF);
    return bytes;
}

// A read through the library's command table, as the application makes it.
std::string read(const std::string& url) {
    TaggedArg argument = TaggedArg::of_text(url.c_str());
    TaggedArg result =
        call_library_command(Library::kInternet - 1, internet_library().commands[0], 1, &argument);
    EXPECT_EQ(result.type, TypeTag::kByteSet);
    ByteSet* bytes = result.byte_set();
    if (bytes) {
        EXPECT_GT(bytes->length, 0) << "an empty byte set is null";
    }
    std::string body(byte_set_view(bytes));
    mem_free(bytes);
    return body;
}

const TestCertificate& certificate() {
    static const TestCertificate shared;
    return shared;
}

// Short time-outs and trust in the test certificate; restored afterwards.
class HttpRead : public ::testing::Test {
protected:
    void SetUp() override {
        change_settings([](HttpSettings& s) { s.trusted_certificates_pem = certificate().pem(); });
    }

    static void change_settings(const std::function<void(HttpSettings&)>& change) {
        HttpSettings settings = http_settings();
        change(settings);
        set_http_settings(settings);
    }

private:
    testing::QuickHttpSettings quick_;
};

TEST(SplitUrl, MapsSchemePortAndPathWithoutFragment) {
    struct Row {
        const char* url;
        bool secure;
        long port;
        const char* object_path;
        const char* request_url;
    };
    const Row rows[] = {
        {"http://fund.test/000001.html", false, 80, "/000001.html",
         "http://fund.test:80/000001.html"},
        {"https://fund.test/x?y=1#top", true, 443, "/x?y=1", "https://fund.test:443/x?y=1"},
        {"https://fund.test:8443", true, 8443, "/", "https://fund.test:8443/"},
        {"HTTP://fund.test/a#b#c", false, 80, "/a", "http://fund.test:80/a"},
        {"http://u:p@fund.test:81/a", false, 81, "/a", "http://u:p@fund.test:81/a"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.url);
        std::optional<UrlParts> parts = split_url(row.url);
        ASSERT_TRUE(parts);
        EXPECT_EQ(parts->secure, row.secure);
        EXPECT_EQ(parts->port, row.port);
        EXPECT_EQ(parts->object_path, row.object_path);
        EXPECT_EQ(parts->request_url, row.request_url);
    }
    for (const char* rejected : {"", "#only-a-fragment", "fund.test/a.html", "ftp://fund.test/a",
                                 "file:///etc/hostname", "http://", "http://fund test/"}) {
        EXPECT_FALSE(split_url(rejected)) << rejected;
    }
}

TEST(InitialCapacity, FollowsAnnouncedLengthUpToTheCap) {
    struct Row {
        int64_t announced;
        size_t cap, capacity;
    };
    const Row rows[] = {
        {-1, 1000000, 10240},
        {0, 1000000, 10240},
        {1, 1000000, 1},
        {500000, 1000000, 500000},
        {int64_t(1) << 40, 1000000, 1000000},
        {-1, 100, 100},
    };
    for (const Row& r : rows)
        EXPECT_EQ(initial_capacity(r.announced, r.cap), r.capacity) << r.announced << " " << r.cap;
}

TEST_F(HttpRead, ArgumentsThatNameNoPageGiveEmpty) {
    TaggedArg null_text = TaggedArg::of_text(nullptr);
    TaggedArg number = TaggedArg::of_int(7);
    TaggedArg omitted{};
    for (TaggedArg* argument : {&null_text, &number, &omitted}) {
        TaggedArg result{};
        http_read(&result, 1, argument);
        EXPECT_EQ(result.byte_set(), nullptr);
    }
    TaggedArg result{};
    http_read(&result, 0, nullptr);
    EXPECT_EQ(result.byte_set(), nullptr);
    EXPECT_EQ(read(""), "");
    EXPECT_EQ(read("file:///etc/hostname"), "") << "only http and https are read";
}

TEST_F(HttpRead, BodiesAsReceived) {
    const std::string large = pattern(500000);
    const std::map<std::string, std::string> responses = {
        {"/length", http_response("200 OK", "hello")},
        {"/no-length", http_response("200 OK", "read to the end", false)},
        {"/missing", http_response("404 Not Found", "<html>gone</html>")},
        {"/large", http_response("200 OK", large)},
        {"/broken", "HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + pattern(600)},
        {"/empty", http_response("200 OK", "")},
        {"/not-http", "this is not a response\r\n"},
        {"/moved", http_response("302 Found\r\nLocation: /length", "moved")},
        {"/loop", http_response("302 Found\r\nLocation: /loop", "again")},
        {"/to-file", http_response("302 Found\r\nLocation: file:///etc/hostname", "")},
    };
    LoopbackServer server([&](Connection& connection) {
        auto found = responses.find(connection.target());
        if (found != responses.end()) connection.send(found->second);
    });
    const std::pair<const char*, std::string> rows[] = {
        {"/length", "hello"},
        {"/no-length", "read to the end"},
        {"/missing", "<html>gone</html>"},
        {"/large", large},
        {"/broken", pattern(600)},  // the bytes so far survive a broken transfer
        {"/empty", ""},
        {"/not-http", ""},
        {"/moved", "hello"},
        {"/loop", ""},     // endless redirects end
        {"/to-file", ""},  // a redirect never leaves http and https
    };
    for (const auto& [path, body] : rows) {
        SCOPED_TRACE(path);
        std::string got = read(server.url(path));
        EXPECT_EQ(got.size(), body.size());
        EXPECT_TRUE(got == body);
    }
}

TEST_F(HttpRead, RequestIsOneGetWithoutFragment) {
    LoopbackServer server([](Connection& c) { c.send(http_response("200 OK", "ok")); });
    ASSERT_EQ(read(server.url("/fund/000001.html?v=2#holdings")), "ok");
    std::vector<std::string> heads = server.request_heads();
    ASSERT_EQ(heads.size(), 1u);
    const std::string& head = heads[0];
    EXPECT_EQ(head.rfind("GET /fund/000001.html?v=2 HTTP/1.1\r\n", 0), 0u) << head;
    EXPECT_NE(head.find("\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"),
              std::string::npos);
    EXPECT_NE(head.find("\r\nAccept: */*\r\n"), std::string::npos);
    EXPECT_EQ(head.find("Accept:"), head.rfind("Accept:")) << "one Accept header";
    EXPECT_NE(head.find("\r\nPragma: no-cache\r\n"), std::string::npos);
    EXPECT_EQ(head.find('#'), std::string::npos);
}

TEST_F(HttpRead, SecureConnection) {
    if (!testing::loopback_tls_available())
        GTEST_SKIP() << "no TLS loopback server: this build's tests have no OpenSSL";
    LoopbackServer secure([](Connection& c) { c.send(http_response("200 OK", c.target())); },
                          certificate().server_context());
    LoopbackServer plain([&](Connection& c) {
        c.send(http_response("301 Moved\r\nLocation: " + secure.url("/moved-here"), ""));
    });
    EXPECT_EQ(read(secure.url("/secure#x")), "/secure");
    EXPECT_EQ(read(plain.url("/old")), "/moved-here") << "http to https redirect";

    change_settings([](HttpSettings& s) { s.trusted_certificates_pem.clear(); });
    EXPECT_EQ(read(secure.url("/secure")), "") << "an untrusted certificate is refused";
}

TEST_F(HttpRead, UnreachableServerGivesEmpty) {
    EXPECT_EQ(read("http://127.0.0.1:" + std::to_string(testing::unused_port()) + "/"), "");
}

TEST_F(HttpRead, SilentServerGivesWhatArrivedBeforeItStalled) {
    LoopbackServer silent([](Connection& c) { c.stay_silent(); });
    EXPECT_EQ(read(silent.url("/")), "");

    const std::string first_part = pattern(3000);
    LoopbackServer stalling([&](Connection& c) {
        c.send("HTTP/1.0 200 OK\r\nContent-Length: 9000\r\n\r\n" + first_part);
        c.stay_silent();
    });
    EXPECT_TRUE(read(stalling.url("/")) == first_part);
}

TEST_F(HttpRead, EndlessBodyIsCutAtTheCap) {
    change_settings([](HttpSettings& s) { s.max_body_bytes = 200000; });
    const std::string block = pattern(65536);
    LoopbackServer endless([&](Connection& c) {
        if (!c.send("HTTP/1.0 200 OK\r\n\r\n")) return;
        while (c.send(block)) {
        }
    });
    std::string body = read(endless.url("/"));
    ASSERT_EQ(body.size(), 200000u);
    EXPECT_TRUE(body.compare(0, block.size(), block) == 0);
}

TEST_F(HttpRead, StatusOfTheLastResponseAfterRedirects) {
    LoopbackServer server([](Connection& c) {
        const std::string target = c.target();
        if (target == "/moved") c.send(http_response("302 Found\r\nLocation: /gone", ""));
        else if (target == "/gone") c.send(http_response("404 Not Found", "holdings markup"));
        else if (target == "/failing") c.send(http_response("500 Internal Server Error", "oops"));
        else if (target == "/created") c.send(http_response("201 Created", "made"));
        else c.send(http_response("200 OK", "page"));
    });
    struct Row {
        const char* path;
        long status;
        bool ok;
        const char* body;
    };
    const Row rows[] = {
        {"/page", 200, true, "page"},
        {"/created", 201, true, "made"},
        {"/moved", 404, false, "holdings markup"},
        {"/failing", 500, false, "oops"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        FetchResult result = fetch(server.url(row.path));
        EXPECT_EQ(result.status, row.status);
        EXPECT_EQ(result.ok(), row.ok);
        EXPECT_EQ(result.body, row.body);
    }
    FetchResult refused = fetch("http://127.0.0.1:" + std::to_string(testing::unused_port()) + "/");
    EXPECT_EQ(refused.status, 0);
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(read(server.url("/moved")), "holdings markup") << "the command keeps any body";
}

TEST_F(HttpRead, CompressedBodiesArriveDecodedAndTheCapCountsDecodedBytes) {
    change_settings([](HttpSettings& s) { s.max_body_bytes = 1 << 20; });
    const std::string page = pattern(300000);
    const std::string zipped_page = gzip(page);
    const std::string bomb = gzip(std::string(size_t(64) << 20, '\0'));  // 64 MiB in ~64 KB
    LoopbackServer server([&](Connection& c) {
        const bool asks_gzip = c.head().find("Accept-Encoding: ") != std::string::npos &&
                               c.head().find("gzip") != std::string::npos;
        const std::string& body = c.target() == "/bomb" ? bomb : zipped_page;
        if (asks_gzip) c.send(keep_alive_response(body, "Content-Encoding: gzip\r\n"));
    });
    std::string got = fetch(server.url("/page")).body;
    EXPECT_TRUE(got == page) << got.size();
    FetchResult exploded = fetch(server.url("/bomb"));
    EXPECT_EQ(exploded.status, 200);
    EXPECT_EQ(exploded.body.size(), size_t(1) << 20);
    EXPECT_GE(exploded.body.capacity(), exploded.body.size());
    EXPECT_LE(exploded.body.capacity(), size_t(1) << 20) << "room never grows past the cap";
}

TEST_F(HttpRead, ConnectionsAreKeptAliveAndReused) {
    LoopbackServer server([](Connection& c) {
        do {
            if (!c.send(keep_alive_response(c.target()))) return;
        } while (c.next_request());
    });
    for (int i = 0; i < 5; ++i) {
        const std::string path = "/" + std::to_string(i) + ".html";
        EXPECT_EQ(fetch(server.url(path)).body, path);
    }
    EXPECT_EQ(server.connections(), 1);
    EXPECT_EQ(server.request_heads().size(), 5u);
}

// Stray bytes after an answer's length spoil the kept-alive connection: the
// next read on it fails before its answer and is made again on a new one.
TEST_F(HttpRead, ConnectionSpoiledByStrayBytesIsLeftForANewOne) {
    LoopbackServer server([](Connection& c) {
        do {
            if (!c.send(keep_alive_response(c.target()))) return;
            std::this_thread::sleep_for(50ms);
            if (!c.send("<p>stray bytes</p>")) return;
        } while (c.next_request());
    });
    for (int i = 0; i < 3; ++i) {
        const std::string path = "/" + std::to_string(i) + ".html";
        FetchResult got = fetch(server.url(path));
        EXPECT_TRUE(got.whole);
        EXPECT_EQ(got.body, path);
        std::this_thread::sleep_for(200ms);  // the stray bytes are there
    }
    EXPECT_EQ(server.connections(), 3) << "each read after the first on a new connection";
}

TEST_F(HttpRead, TricklingServerIsGivenUpWithWhatArrived) {
    change_settings([](HttpSettings& s) {
        s.stall_timeout = 60s;  // a byte every 100 ms never stalls
        s.transfer_timeout = 120s;
        s.low_speed_bytes_per_second = 1000;
        s.low_speed_time = 1s;
    });
    const std::string body = pattern(600);  // a minute at one byte per 100 ms
    LoopbackServer trickling([&](Connection& c) {
        if (!c.send("HTTP/1.1 200 OK\r\nContent-Length: 600\r\n\r\n")) return;
        for (char byte : body) {
            if (!c.send(std::string_view(&byte, 1))) return;
            std::this_thread::sleep_for(100ms);
        }
    });
    FetchResult got = fetch(trickling.url("/"));
    EXPECT_EQ(got.status, 200);
    EXPECT_FALSE(got.whole);
    EXPECT_LT(got.body.size(), body.size());
    EXPECT_TRUE(body.compare(0, got.body.size(), got.body) == 0);
}

TEST_F(HttpRead, ConcurrentReadsShareOneRoot) {
    LoopbackServer server([](Connection& c) { c.send(http_response("200 OK", c.target())); });
    std::vector<std::thread> readers;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&, t] {
            for (int i = 0; i < 8; ++i) {
                std::string path = "/" + std::to_string(t) + "/" + std::to_string(i);
                if (fetch(server.url(path)).body != path) ++wrong;
            }
        });
    }
    for (std::thread& reader : readers) reader.join();
    EXPECT_EQ(wrong, 0);
}

TEST_F(HttpRead, LibraryTableEntryAndRootLifetime) {
    LibraryRecord* table[] = {nullptr, &internet_library()};
    initialise_libraries(table, 2);
    const LibraryRecord* library = library_record(Library::kInternet - 1);
    ASSERT_EQ(library, &internet_library());
    EXPECT_EQ(library->format_mark, LibraryRecord::kFormatMark);
    EXPECT_EQ(library->type_count, 0);
    ASSERT_EQ(library->command_count, 1);
    EXPECT_EQ(library->commands[0], &http_read);

    LoopbackServer server([](Connection& c) { c.send(http_response("200 OK", "page")); });
    EXPECT_EQ(read(server.url("/")), "page");
    EXPECT_TRUE(InternetRoot::is_open());
    notify_libraries_exit();
    EXPECT_FALSE(InternetRoot::is_open());
    notify_libraries_exit();  // a second close is harmless
    EXPECT_EQ(read(server.url("/")), "page") << "a read after the close opens a new root";
}

}  // namespace
}  // namespace qinghe::net
