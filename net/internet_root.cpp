#include "net/internet_root.h"

namespace qinghe::net {
namespace {

std::mutex g_root_mutex;
std::shared_ptr<InternetRoot> g_root;

}  // namespace

std::shared_ptr<InternetRoot> InternetRoot::acquire() {
    std::lock_guard guard(g_root_mutex);
    if (!g_root) {
        std::shared_ptr<InternetRoot> root(new InternetRoot);
        if (!root->open()) return nullptr;
        g_root = std::move(root);
    }
    return g_root;
}

void InternetRoot::release() {
    std::shared_ptr<InternetRoot> last;
    {
        std::lock_guard guard(g_root_mutex);
        last.swap(g_root);
    }
    // `last` closes the root here unless a read still holds it.
}

bool InternetRoot::is_open() {
    std::lock_guard guard(g_root_mutex);
    return g_root != nullptr;
}

bool InternetRoot::open() {
    global_initialised_ = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!global_initialised_) return false;
    share_ = curl_share_init();
    if (!share_) return false;
    curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
    curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &InternetRoot::lock);
    curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &InternetRoot::unlock);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
    return true;
}

InternetRoot::~InternetRoot() {
    if (share_) curl_share_cleanup(share_);
    if (global_initialised_) curl_global_cleanup();
}

void InternetRoot::lock(CURL*, curl_lock_data data, curl_lock_access, void* root) {
    static_cast<InternetRoot*>(root)->locks_[size_t(data)].lock();
}

void InternetRoot::unlock(CURL*, curl_lock_data data, void* root) {
    static_cast<InternetRoot*>(root)->locks_[size_t(data)].unlock();
}

}  // namespace qinghe::net
