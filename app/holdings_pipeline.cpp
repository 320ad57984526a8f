#include "app/holdings_pipeline.h"

#include "app/app_texts.h"
#include "app/core_calls.h"

namespace qinghe::app {

char* progress_text(const char* code) {
    OwnedText code_text(to_text(TaggedArg::of_text(code ? code : "")));
    return join_texts(
        {app_text(AppText::progress_prefix), code_text.get(), app_text(AppText::progress_suffix)});
}

bool is_accepted_code(const char* line) { return text_length(line) == 6; }

void collect_holdings(HoldingsCollector& collector, const ArrayBlock* lines,
                      const CodeProgress& progress) {
    int32_t count = lines ? lines->sizes()[0] : 0;
    for (int32_t i = 0; i < count; ++i) {
        auto line = static_cast<const char*>(lines->pointer_at(i));
        if (!is_accepted_code(line)) continue;
        OwnedText text(progress_text(line));
        if (progress.starting) progress.starting(line, text.get());
        bool fetched = collector.fetch_fund(line);
        if (fetched) collector.parse_rows();
        if (progress.finished) progress.finished(line, fetched);
    }
}

}  // namespace qinghe::app
