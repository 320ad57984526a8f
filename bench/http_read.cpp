// Times http_read of a generated fund page from a loopback server, with and
// without Content-Length, and prints milliseconds per read and MB/s.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "net/http_read.h"
#include "support/loopback_server.h"

namespace {

using namespace qinghe;
using qinghe::testing::Connection;
using qinghe::testing::http_response;
using qinghe::testing::LoopbackServer;

constexpr int kReads = 200;

std::string fund_page() {
    std::ifstream in(QINGHE_GENERATED_PAGES_DIR "/701001.html", std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void time_reads(const char* name, const LoopbackServer& server, size_t page_size) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kReads; ++i) {
        if (net::fetch(server.url("/page")).body.size() != page_size) {
            std::printf("%s: wrong body\n", name);
            return;
        }
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-24s %7.3f ms/read  %8.1f MB/s\n", name, seconds * 1000 / kReads,
                double(page_size) * kReads / seconds / 1e6);
}

}  // namespace

int main() {
    const std::string page = fund_page();
    if (page.empty()) return 1;
    std::printf("http_read of a %zu-byte page over loopback, %d reads\n", page.size(), kReads);
    LoopbackServer announced([&](Connection& c) { c.send(http_response("200 OK", page)); });
    LoopbackServer unannounced(
        [&](Connection& c) { c.send(http_response("200 OK", page, false)); });
    net::fetch(announced.url("/page"));  // opens the root outside the timing
    time_reads("with Content-Length", announced, page.size());
    time_reads("without Content-Length", unannounced, page.size());
    return 0;
}
