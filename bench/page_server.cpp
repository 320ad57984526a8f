// bench_page_server FOLDER: serves every file of FOLDER as "/<file name>" on
// an ephemeral port of 127.0.0.1, HTTP/1.1 with keep-alive, each connection
// on its own thread, responses built once before the first request. Prints
// the port on the first line of standard output and serves until standard
// input ends, so a benchmark script can start and stop it as a child.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>

#include "tests/support/loopback_server.h"

namespace {

using Responses = std::map<std::string, std::string>;

Responses responses_of(const std::filesystem::path& folder) {
    Responses responses;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream file(entry.path(), std::ios::binary);
        std::string body((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        responses["/" + entry.path().filename().string()] = qinghe::testing::keep_alive_response(
            body, "Content-Type: text/html; charset=utf-8\r\n");
    }
    return responses;
}

const std::string kNotFound = "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found";

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || !std::filesystem::is_directory(argv[1])) {
        std::fprintf(stderr, "usage: bench_page_server FOLDER\n");
        return 2;
    }
    const Responses responses = responses_of(argv[1]);
    qinghe::testing::LoopbackServer server([&](qinghe::testing::Connection& connection) {
        while (!connection.head().empty()) {
            auto found = responses.find(connection.target());
            if (!connection.send(found != responses.end() ? found->second : kNotFound)) return;
            if (!connection.next_request()) return;
        }
    });
    std::printf("%d\n", server.port());
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    return 0;
}
