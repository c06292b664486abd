// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/NetnsHarness.h"

#include <ifaddrs.h>

#include <cstdlib>
#include <string>

namespace zk::test {

bool InsideHarnessNamespace() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return false;
    }
    bool harness = true;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        const std::string name = entry->ifa_name != nullptr ? entry->ifa_name : "";
        harness = harness && (name == "lo" || name.rfind("zkt", 0) == 0);
    }
    freeifaddrs(list);
    return harness && std::getenv("ZK_NS_TOOL") != nullptr;
}

} // namespace zk::test
