// libFuzzer target: the quote services' answers (both forms of the list
// endpoint, the text endpoint) and the asset-allocation answer.
#include <string_view>

#include "analysis/sources/asset_mix_answer.h"
#include "analysis/sources/quote_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qinghe::app;
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    read_quote_list_answer(body, QuoteNumbers::decimal);
    read_quote_list_answer(body, QuoteNumbers::scaled);
    read_text_quote_answer(body);
    read_asset_mix_answer(body);
    return 0;
}
