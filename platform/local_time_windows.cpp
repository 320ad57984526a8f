// The Windows side: the C library's "%z" gives the zone's name, so the
// offset is worked out from the local and the universal time of the moment.
#include "platform/local_time.h"

#include <cstdio>
#include <ctime>

namespace qinghe::platform {
namespace {

std::string utc_offset(std::time_t now, const std::tm& local) {
    std::tm universal{};
    gmtime_s(&universal, &now);
    universal.tm_isdst = local.tm_isdst;
    const long minutes = long(
        std::difftime(std::mktime(const_cast<std::tm*>(&local)), std::mktime(&universal)) / 60);
    const long magnitude = minutes < 0 ? -minutes : minutes;
    char text[8];
    std::snprintf(text, sizeof text, "%c%02ld%02ld", minutes < 0 ? '-' : '+', magnitude / 60,
                  magnitude % 60);
    return text;
}

}  // namespace

std::string local_time_now(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_s(&parts, &now);
    std::string pattern = format;
    for (size_t at = pattern.find("%z"); at != std::string::npos; at = pattern.find("%z", at))
        pattern.replace(at, 2, utc_offset(now, parts));
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, pattern.c_str(), &parts));
}

}  // namespace qinghe::platform
