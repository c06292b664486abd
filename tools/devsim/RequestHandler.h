// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "devsim/DeviceProfile.h"
#include "devsim/Ipv4.h"
#include "devsim/SimDevice.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace zk::devsim {

inline constexpr std::uint16_t kSearchPort = 3001;

// A reply a device sends after a delay, from its own address and the search port.
struct ScheduledReply {
    std::size_t deviceIndex = 0;
    Endpoint source;
    Endpoint destination;
    std::string payload;
    std::chrono::milliseconds delay{0};
};

// A device's address moved: the old one leaves its interface and the new one is added.
struct AddressChange {
    std::string interfaceName;
    std::uint32_t oldAddress = 0;
    int oldPrefixLength = 0;
    std::uint32_t newAddress = 0;
    int newPrefixLength = 0;
};

// The network settings a device holds after it accepted a set-network request; texts as the device
// keeps them (code page 936, cut to the record's field sizes).
struct AppliedNetwork {
    int dhcp = 0;
    std::string ipAddress;
    std::string netmask;
    std::string gateway;
    std::string dns1;
    std::string dns2;
};

// What the record file says about one received message.
struct RequestSummary {
    std::optional<int> code; // nothing when the message is not a search-protocol message
    std::optional<int> flag;
    std::string serial; // the serial number (or UUID) the body names; empty for a search
    std::string device; // original serial number of the device that acted; empty when none did
    bool accepted = false;
    std::string reason;                    // why a request was ignored
    int answered = 0;                      // devices that answer a search
    std::optional<AppliedNetwork> applied; // an accepted set-network: what the first acting device holds now
};

struct HandleResult {
    RequestSummary summary;
    std::vector<ScheduledReply> replies;
    std::vector<AddressChange> addressChanges;
};

struct HandlerSettings {
    int jitterMs = 100;
    int rebootSeconds = 5;
    std::uint64_t seed = 0;
};

// The fleet's behaviour as a function: one received datagram, where it arrived and who sent it, at a
// given time, gives the replies to send and the address changes to make. It owns every device's
// state. Not thread-safe: one thread handles every datagram.
class RequestHandler final {
public:
    RequestHandler(std::vector<DeviceProfile> fleet, HandlerSettings settings, SimClock::time_point startedAt);

    // arrival gives the addresses (with netmasks) of the interface the datagram came in on: only
    // devices inside one of those subnets answer a search. It is called only for a search, since
    // reading an interface's addresses again after a thousand address changes is a walk over all of
    // them, and a burst of set-network requests needs none.
    using ArrivalSubnets = std::function<const std::vector<Subnet>&()>;
    HandleResult Handle(std::string_view datagram, const ArrivalSubnets& arrival, const Endpoint& sender,
                        SimClock::time_point now);
    HandleResult Handle(std::string_view datagram, const std::vector<Subnet>& arrival, const Endpoint& sender,
                        SimClock::time_point now);

    std::size_t DeviceCount() const { return m_devices.size(); }
    const SimDevice& Device(std::size_t index) const { return m_devices.at(index); }
    // The session side changes devices too; it runs on the thread that handles datagrams.
    SimDevice& MutableDevice(std::size_t index) { return m_devices.at(index); }

private:
    struct CommandRequest;

    void Search(const std::vector<Subnet>& arrival, const Endpoint& sender, SimClock::time_point now,
                HandleResult& result);
    void Command(const CommandRequest& request, SimClock::time_point now, HandleResult& result);
    // Applies one command to one device; returns why it was ignored, or an empty text.
    std::string Act(SimDevice& device, const CommandRequest& request, SimClock::time_point now, HandleResult& result);
    void NoteAddressChange(const SimDevice& device, std::uint32_t oldAddress, std::uint32_t oldNetmask,
                           HandleResult& result) const;
    std::chrono::milliseconds ReplyDelay(const SimDevice& device);

    std::vector<SimDevice> m_devices;
    HandlerSettings m_settings;
    std::mt19937_64 m_random;
};

} // namespace zk::devsim
