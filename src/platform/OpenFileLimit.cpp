// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OpenFileLimit.h"

#include <sys/resource.h>

namespace zk::platform {

long RaiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return -1;
    }
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) {
            limit = raised;
        }
    }
    return limit.rlim_cur == RLIM_INFINITY ? static_cast<long>(1) << 30 : static_cast<long>(limit.rlim_cur);
}

} // namespace zk::platform
