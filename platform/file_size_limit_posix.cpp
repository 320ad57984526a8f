#include "platform/file_size_limit.h"

#include <csignal>

namespace qinghe::platform {

void fail_writes_beyond_file_size_limit() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace qinghe::platform
