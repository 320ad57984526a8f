// bench_download_engine AT_ONCE URL...: the run's download engine alone,
// with nothing read: the URLs asked in order through one engine of 4
// connections to a host, at most AT_ONCE answers awaited at a time (as curl
// -Z --parallel-max AT_ONCE asks), each body dropped when it came. The
// heap kept as the programs keep it. Prints the requests answered with a
// whole body and the bytes, for a script to time it beside curl.
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <future>

#include "net/download_engine.h"
#include "platform/heap_policy.h"

int main(int argc, char** argv) {
    using namespace qinghe;
    const int at_once = argc > 2 ? std::atoi(argv[1]) : 0;
    if (at_once < 1) {
        std::fprintf(stderr, "usage: bench_download_engine AT_ONCE URL...\n");
        return 2;
    }
    platform::keep_freed_memory_for_reuse();
    net::DownloadEngine engine(4);
    std::deque<std::future<net::FetchResult>> awaited;
    size_t whole = 0, bytes = 0;
    const auto take_one = [&] {
        const net::FetchResult result = awaited.front().get();
        awaited.pop_front();
        whole += result.whole;
        bytes += result.body.size();
    };
    for (int i = 2; i < argc; ++i) {
        if (awaited.size() == size_t(at_once)) take_one();
        awaited.push_back(engine.fetch_later({argv[i], {}}));
    }
    while (!awaited.empty()) take_one();
    std::printf("%zu whole answers, %zu bytes\n", whole, bytes);
    return 0;
}
