// The site's archive endpoint as a source:
//   GET {base}FundArchivesDatas.aspx?type=jjcc&code=C&topline=10&year=&month=
// with "Referer: {base}ccmx_C.html" (without it the site answers a page that
// is not apidata). Its newest quarter gives the rows, compared with the
// quarter after it in the same answer; when the newest is a year's first
// quarter the answer holds only that one, and the previous year's last
// quarter is asked for once more (year=<year - 1>&month=12).
#pragma once

#include <string>
#include <string_view>

#include "analysis/sources/holdings_source.h"

namespace qinghe::app {

class ArchiveSource : public HoldingsSource {
public:
    explicit ArchiveSource(std::string base) : base_(std::move(base)) {}
    SourceKind kind() const override { return SourceKind::archive; }
    SourceAnswer ask(const std::string& code, const Fetch& fetch) const override;

private:
    std::string base_;
};

// The request of a fund's holdings; `year` and `month` empty for the newest.
net::Request archive_request(std::string_view base, std::string_view code, std::string_view year,
                             std::string_view month);

// A body as UTF-8: as it is when it is valid UTF-8, with its few invalid
// bytes made U+FFFD when nearly all of it is, else decoded as GBK;
// `charset` names which.
std::string utf8_body(std::string_view body, std::string& charset);

}  // namespace qinghe::app
