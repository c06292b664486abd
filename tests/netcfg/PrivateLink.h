// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace zk::test {

// A veth pair in the test program's own network namespace: zkp0 with 10.77.0.1/24 and its peer zkp1
// up without an address, so that 10.77.0.1 answers ICMP and 10.77.0.2 (no one there) never does.
// It refuses (Ready() false, Problem() says why) anywhere but a namespace that holds nothing but
// loopback, so it never changes the machine's own network. Removed again on destruction.
class PrivateLink final {
public:
    static constexpr const char* kOwnAddress = "10.77.0.1";
    static constexpr const char* kSilentAddress = "10.77.0.2";

    PrivateLink();
    ~PrivateLink();
    PrivateLink(const PrivateLink&) = delete;
    PrivateLink& operator=(const PrivateLink&) = delete;

    bool Ready() const { return m_problem.empty(); }
    const std::string& Problem() const { return m_problem; }

private:
    std::string m_problem;
    bool m_made = false;
};

// Sets net.ipv4.ping_group_range of this namespace for the object's life, then restores it.
class PingGroupRange final {
public:
    explicit PingGroupRange(const std::string& range);
    ~PingGroupRange();
    PingGroupRange(const PingGroupRange&) = delete;
    PingGroupRange& operator=(const PingGroupRange&) = delete;

private:
    std::string m_old;
};

} // namespace zk::test
