#include "platform/local_time.h"

#include <ctime>

namespace qinghe::platform {

std::string local_time_now(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, format, &parts));
}

}  // namespace qinghe::platform
