#include "net/http_read.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "net/http_settings.h"
#include "net/internet_root.h"
#include "net/url_parts.h"
#include "runtime/memory.h"

namespace qinghe {
namespace net {
namespace {

constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
// Any type is accepted; nothing may come from a cache on the way.
constexpr const char* kRequestHeaders[] = {"Accept: */*", "Pragma: no-cache",
                                           "Cache-Control: no-cache"};

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct HeaderListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using HeaderList = std::unique_ptr<curl_slist, HeaderListDeleter>;

// The bytes of one read, up to the body cap. Room for one chunk is made when
// the first bytes arrive, so a body of the announced length needs no regrowth.
struct ReceiveBuffer {
    CURL* easy = nullptr;
    size_t max_bytes = 0;
    std::string bytes;
    bool sized = false;

    size_t append(const char* data, size_t size) {
        if (!sized) {
            sized = true;
            curl_off_t announced = -1;
            curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
            bytes.reserve(std::min(chunk_size_for(announced), max_bytes));
        }
        size_t taken = std::min(size, max_bytes - bytes.size());
        bytes.append(data, taken);
        return taken;  // fewer than offered ends the transfer at the cap
    }

    static size_t on_body(char* data, size_t, size_t size, void* buffer) {
        try {
            return static_cast<ReceiveBuffer*>(buffer)->append(data, size);
        } catch (...) {
            return 0;
        }
    }
};

// Ends a transfer when no body byte has arrived for the stall time-out,
// counted from the moment the request goes out (the connect time-out covers
// the time before) or from the last byte.
struct StallWatch {
    using Clock = std::chrono::steady_clock;
    Clock::duration limit;
    bool request_sent = false;
    Clock::time_point last_progress = Clock::now();
    curl_off_t received = 0;

    static int on_request(void* watch, char*, char*, int, int) {
        auto& self = *static_cast<StallWatch*>(watch);
        self.request_sent = true;
        self.last_progress = Clock::now();
        return CURL_PREREQFUNC_OK;
    }

    static int on_progress(void* watch, curl_off_t, curl_off_t received, curl_off_t,
                           curl_off_t) {
        auto& self = *static_cast<StallWatch*>(watch);
        Clock::time_point now = Clock::now();
        if (received != self.received) {
            self.received = received;
            self.last_progress = now;
        }
        return self.request_sent && now - self.last_progress > self.limit ? 1 : 0;
    }
};

HeaderList request_headers() {
    curl_slist* list = nullptr;
    for (const char* header : kRequestHeaders) {
        curl_slist* longer = curl_slist_append(list, header);
        if (!longer) break;
        list = longer;
    }
    return HeaderList(list);
}

void set_limits(CURL* easy, const HttpSettings& settings, StallWatch& stall_watch) {
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &StallWatch::on_progress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &stall_watch);
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &StallWatch::on_request);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, &stall_watch);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(settings.connect_timeout.count()));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT, long(settings.transfer_timeout.count()));
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, settings.max_redirects);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, long(limit::kMaxChunkSize));
}

void set_trust(CURL* easy, const HttpSettings& settings) {
    if (settings.trusted_certificates_pem.empty()) return;
    curl_blob blob{const_cast<char*>(settings.trusted_certificates_pem.data()),
                   settings.trusted_certificates_pem.size(), CURL_BLOB_COPY};
    curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &blob);
}

}  // namespace

std::string fetch_body(std::string_view url) {
    std::optional<UrlParts> parts = split_url(url);
    if (!parts) return {};
    std::shared_ptr<InternetRoot> root = InternetRoot::acquire();
    if (!root) return {};
    EasyHandle easy(curl_easy_init());
    HeaderList headers = request_headers();
    if (!easy || !headers) return {};

    HttpSettings settings = http_settings();
    ReceiveBuffer buffer{easy.get(), settings.max_body_bytes, {}, false};
    CURL* e = easy.get();
    curl_easy_setopt(e, CURLOPT_SHARE, root->share());
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_URL, parts->request_url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(e, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &ReceiveBuffer::on_body);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &buffer);
    StallWatch stall_watch{settings.stall_timeout};
    set_limits(e, settings, stall_watch);
    set_trust(e, settings);
    // Any outcome keeps what arrived: a broken, stalled or capped transfer
    // gives the bytes so far, a failed one gives none.
    curl_easy_perform(e);
    return std::move(buffer.bytes);
}

}  // namespace net

void http_read(TaggedArg* result, int32_t count, TaggedArg* args) {
    bool has_url = count >= 1 && args[0].type == TypeTag::kText && args[0].text();
    std::string body = has_url ? net::fetch_body(args[0].text()) : std::string();
    *result = TaggedArg::of_byte_set(make_byte_set(body));
}

}  // namespace qinghe
