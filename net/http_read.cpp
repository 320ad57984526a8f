#include "net/http_read.h"

#include "net/internet_root.h"
#include "runtime/memory.h"

namespace qinghe {
namespace net {

FetchResult fetch(std::string_view url) {
    std::shared_ptr<InternetRoot> root = InternetRoot::acquire();
    if (!root) return {};
    const HttpSettings settings = http_settings();
    std::unique_ptr<Transfer> transfer = Transfer::create(url, root->share(), settings);
    if (!transfer) return {};
    // Any outcome keeps what arrived: a broken, stalled or capped transfer
    // gives the bytes so far (not whole), a failed one gives none.
    CURLcode code = curl_easy_perform(transfer->easy());
    if (transfer->failed_on_reused_connection(code)) {
        transfer = Transfer::create(url, root->share(), settings, true);
        if (!transfer) return {};
        code = curl_easy_perform(transfer->easy());
    }
    return transfer->finish(code);
}

}  // namespace net

// The command returns the body of any status, an error page included; the
// application's page download looks at the status itself.
void http_read(TaggedArg* result, int32_t count, TaggedArg* args) {
    bool has_url = count >= 1 && args[0].type == TypeTag::kText && args[0].text();
    std::string body = has_url ? net::fetch(args[0].text()).body : std::string();
    *result = TaggedArg::of_byte_set(make_byte_set(body));
}

}  // namespace qinghe
