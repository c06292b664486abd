// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/AddressManager.h"

#include "devsim/Ipv4.h"

#include <arpa/inet.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <vector>

namespace zk::devsim {
namespace {

struct AddressRequest {
    nlmsghdr header;
    ifaddrmsg body;
    char attributes[64];
};

void AddAttribute(AddressRequest& request, unsigned short type, std::uint32_t networkOrderValue) {
    auto* attribute =
        reinterpret_cast<rtattr*>(reinterpret_cast<char*>(&request) + NLMSG_ALIGN(request.header.nlmsg_len));
    attribute->rta_type = type;
    attribute->rta_len = RTA_LENGTH(sizeof(networkOrderValue));
    std::memcpy(RTA_DATA(attribute), &networkOrderValue, sizeof(networkOrderValue));
    request.header.nlmsg_len = NLMSG_ALIGN(request.header.nlmsg_len) + RTA_ALIGN(attribute->rta_len);
}

} // namespace

AddressManager::~AddressManager() {
    RemoveAll();
}

int AddressManager::Open() {
    platform::UniqueFd fd(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
    if (!fd) {
        return errno;
    }
    // The kernel answers at once; the time-out only guards against waiting for ever.
    const timeval timeout{2, 0};
    ::setsockopt(fd.Get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    if (::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0) {
        return errno;
    }
    m_socket = std::move(fd);
    return 0;
}

int AddressManager::Request(int type, int flags, int interfaceIndex, std::uint32_t address, int prefixLength) {
    AddressRequest request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifaddrmsg));
    request.header.nlmsg_type = static_cast<unsigned short>(type);
    request.header.nlmsg_flags = static_cast<unsigned short>(NLM_F_REQUEST | NLM_F_ACK | flags);
    request.header.nlmsg_seq = ++m_sequence;
    request.body.ifa_family = AF_INET;
    request.body.ifa_prefixlen = static_cast<unsigned char>(prefixLength);
    request.body.ifa_scope = RT_SCOPE_UNIVERSE;
    request.body.ifa_index = static_cast<unsigned>(interfaceIndex);
    AddAttribute(request, IFA_LOCAL, htonl(address));
    AddAttribute(request, IFA_ADDRESS, htonl(address));
    if (prefixLength < 31) {
        AddAttribute(request, IFA_BROADCAST, htonl(address | ~NetmaskOfPrefix(prefixLength)));
    }
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(m_socket.Get(), &request, request.header.nlmsg_len, 0, reinterpret_cast<const sockaddr*>(&kernel),
                 sizeof(kernel)) < 0) {
        return errno;
    }
    alignas(nlmsghdr) char answer[8192];
    for (;;) {
        const ssize_t received = ::recv(m_socket.Get(), answer, sizeof(answer), 0);
        if (received < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        auto remaining = static_cast<unsigned>(received);
        for (auto* header = reinterpret_cast<nlmsghdr*>(answer); NLMSG_OK(header, remaining);
             header = NLMSG_NEXT(header, remaining)) {
            if (header->nlmsg_seq == m_sequence && header->nlmsg_type == NLMSG_ERROR) {
                nlmsgerr result{};
                std::memcpy(&result, NLMSG_DATA(header), sizeof(result));
                return -result.error;
            }
        }
    }
}

int AddressManager::Add(const std::string& interfaceName, std::uint32_t address, int prefixLength, std::string& error) {
    const int index = static_cast<int>(::if_nametoindex(interfaceName.c_str()));
    if (index == 0) {
        error = "there is no network interface \"" + interfaceName + "\"";
        return ENODEV;
    }
    Entry& entry = m_entries[{index, address}];
    if (entry.users > 0) {
        ++entry.users;
        return 0;
    }
    const int result = m_socket ? Request(RTM_NEWADDR, NLM_F_CREATE | NLM_F_EXCL, index, address, prefixLength) : EBADF;
    if (result != 0 && result != EEXIST) {
        m_entries.erase({index, address});
        error = "cannot add " + FormatIpv4(address) + "/" + std::to_string(prefixLength) + " to " + interfaceName +
                ": " + std::strerror(result);
        return result;
    }
    entry.prefixLength = prefixLength;
    entry.users = 1;
    entry.owned = result == 0;
    entry.order = m_nextOrder++;
    return 0;
}

int AddressManager::Remove(const std::string& interfaceName, std::uint32_t address) {
    const int index = static_cast<int>(::if_nametoindex(interfaceName.c_str()));
    const auto found = m_entries.find({index, address});
    if (found == m_entries.end()) {
        return ENOENT;
    }
    if (--found->second.users > 0) {
        return 0;
    }
    const Entry entry = found->second;
    m_entries.erase(found);
    return entry.owned ? Request(RTM_DELADDR, 0, index, address, entry.prefixLength) : 0;
}

int AddressManager::RemoveAll() {
    // Newest first: the first address of a subnet is its primary, and removing a primary while
    // secondaries remain makes the kernel promote one, which costs milliseconds each time.
    std::vector<std::pair<std::uint64_t, std::pair<int, std::uint32_t>>> owned;
    for (const auto& [key, entry] : m_entries) {
        if (entry.owned) {
            owned.emplace_back(entry.order, key);
        }
    }
    std::sort(owned.begin(), owned.end(), std::greater<>());
    int failures = 0;
    for (const auto& [order, key] : owned) {
        if (Request(RTM_DELADDR, 0, key.first, key.second, m_entries.at(key).prefixLength) != 0) {
            ++failures;
        }
    }
    m_entries.clear();
    return failures;
}

int AddressManager::PromoteSecondaries(const std::string& interfaceName) {
    if (interfaceName.empty() || interfaceName.find('/') != std::string::npos || interfaceName.find("..") == 0) {
        return EINVAL;
    }
    std::ofstream file("/proc/sys/net/ipv4/conf/" + interfaceName + "/promote_secondaries");
    file << "1\n";
    file.flush();
    return file ? 0 : EIO;
}

} // namespace zk::devsim
