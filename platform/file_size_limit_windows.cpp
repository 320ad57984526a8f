#include "platform/file_size_limit.h"

namespace qinghe::platform {

void fail_writes_beyond_file_size_limit() {}

}  // namespace qinghe::platform
