// The answer of the fund site's mobile JSON endpoint for holdings:
//   {"Datas":{"fundStocks":[{"GPDM":"300390","GPJC":"…","JZBL":"9.97",
//     "PCTNVCHGTYPE":"增持","PCTNVCHG":"1.05","NEWTEXCH":"0",…}],…},
//    "ErrCode":0,"Success":true,"Expansion":"2026-03-31"}
// read with the JSON library. The answer is untrusted: too large or too
// deep a document, a JSON error, a failure answer or fields of the wrong
// kind give no rows (a row whose name is not text is skipped; numbers are
// taken where text holds one, and the other way round). A \u escape of a
// surrogate without its other half stands for U+FFFD, so one badly
// escaped name costs no other row.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/sources/target_etf.h"

namespace qinghe::app {

// Texts here are UTF-8, as the site sends them.
struct MobileRow {
    std::string name;
    float ratio = 0;
    std::string link;    // https://quote.eastmoney.com/unify/r/{market}.{code}, or empty
    std::string change;  // PCTNVCHGTYPE as given; empty when absent
    std::optional<float> change_points;  // PCTNVCHG; none for "--" or empty
};

struct MobileAnswer {
    std::vector<MobileRow> rows;  // at most ten, in the answer's order
    std::string report_date;      // Expansion, YYYY-MM-DD
    std::string error;            // why there are no rows: "JSON error", "failure (ErrCode 61) …"
    size_t dropped = 0;           // named rows left out: JZBL is no percentage from 0 to 100
    std::optional<TargetEtf> target;  // a feeder's ETF, also when it lists no stocks of its own
};

// Answers above this size are refused: a real one holds ten rows in a few
// kilobytes, and a document's tree takes several times its size.
inline constexpr size_t kLargestMobileAnswer = size_t(4) << 20;
// Deeper nesting is refused before the library sees it.
inline constexpr size_t kDeepestMobileAnswer = 64;

MobileAnswer read_mobile_answer(std::string_view body);

}  // namespace qinghe::app
