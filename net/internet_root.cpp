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

// A share handle of the given data, locked through the root.
CURLSH* InternetRoot::new_share(std::initializer_list<curl_lock_data> shared) {
    CURLSH* share = curl_share_init();
    if (!share) return nullptr;
    curl_share_setopt(share, CURLSHOPT_USERDATA, this);
    curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &InternetRoot::lock);
    curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &InternetRoot::unlock);
    for (curl_lock_data data : shared) curl_share_setopt(share, CURLSHOPT_SHARE, data);
    return share;
}

bool InternetRoot::open() {
    global_initialised_ = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!global_initialised_) return false;
    share_ = new_share({CURL_LOCK_DATA_DNS, CURL_LOCK_DATA_SSL_SESSION, CURL_LOCK_DATA_CONNECT});
    thread_share_ = new_share({CURL_LOCK_DATA_SSL_SESSION});
    return share_ && thread_share_;
}

InternetRoot::~InternetRoot() {
    if (share_) curl_share_cleanup(share_);
    if (thread_share_) curl_share_cleanup(thread_share_);
    if (global_initialised_) curl_global_cleanup();
}

void InternetRoot::lock(CURL*, curl_lock_data data, curl_lock_access, void* root) {
    static_cast<InternetRoot*>(root)->locks_[size_t(data)].lock();
}

void InternetRoot::unlock(CURL*, curl_lock_data data, void* root) {
    static_cast<InternetRoot*>(root)->locks_[size_t(data)].unlock();
}

}  // namespace qinghe::net
