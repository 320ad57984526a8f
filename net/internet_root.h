// The process-wide root of the HTTP reader: libcurl's global state and the
// share handle (DNS cache, TLS sessions, open connections) that every read
// uses, so that reads of one server reuse its kept-alive connections. It is
// set up once, on first use, under a lock, and released at program end by
// the internet library's notify entry. A read in flight keeps its reference, so
// releasing never pulls the root from under a running transfer.
#pragma once

#include <curl/curl.h>

#include <array>
#include <initializer_list>
#include <memory>
#include <mutex>

namespace qinghe::net {

class InternetRoot {
public:
    // The root, opened now if it is not open; null if libcurl cannot start.
    static std::shared_ptr<InternetRoot> acquire();
    // Drops the process's reference; the last read in flight closes it.
    static void release();
    static bool is_open();

    ~InternetRoot();
    InternetRoot(const InternetRoot&) = delete;
    InternetRoot& operator=(const InternetRoot&) = delete;

    CURLSH* share() const { return share_; }
    // For a download engine, which keeps its connections and resolved names
    // in its multi handle: TLS sessions only. libcurl does not support one
    // connection cache, nor one DNS cache with its threaded resolver, in use
    // by concurrent threads.
    CURLSH* thread_share() const { return thread_share_; }

private:
    InternetRoot() = default;
    bool open();
    CURLSH* new_share(std::initializer_list<curl_lock_data> shared);
    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* root);
    static void unlock(CURL*, curl_lock_data data, void* root);

    bool global_initialised_ = false;
    CURLSH* share_ = nullptr;
    CURLSH* thread_share_ = nullptr;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> locks_;
};

}  // namespace qinghe::net
