// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/NetworkAdapters.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace zk::platform {

AdapterMap EnumerateAdapters() {
    AdapterMap adapters;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return adapters;
    }
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) {
            continue;
        }
        if ((entry->ifa_flags & IFF_UP) == 0 || (entry->ifa_flags & IFF_LOOPBACK) != 0) {
            continue;
        }
        const std::uint32_t address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr;
        if (address == htonl(INADDR_ANY) || address == htonl(INADDR_BROADCAST)) {
            continue;
        }
        adapters[address] = entry->ifa_name != nullptr ? entry->ifa_name : "";
    }
    freeifaddrs(list);
    return adapters;
}

std::string DottedAddress(std::uint32_t address) {
    in_addr value{};
    value.s_addr = address;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &value, text, sizeof(text));
    return text;
}

std::optional<std::uint32_t> ParseDottedAddress(std::string_view text) {
    const std::string copy(text);
    in_addr value{};
    if (inet_pton(AF_INET, copy.c_str(), &value) != 1) {
        return std::nullopt;
    }
    return value.s_addr;
}

} // namespace zk::platform
