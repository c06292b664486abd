// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace zk::devsim {

// The ways a simulated device can answer badly, each one a shape the tool must survive. Searches:
// rejected roots and headers, types and bodies it drops, datagrams too large or not text, and
// answers that come late. Sessions: refused connections, a device that goes silent, one that drops
// the connection, one that answers with bytes that are no frame, ones that refuse every request,
// every configuration change, or every control and direct request, and one whose reads succeed with
// a document of another element.
enum class BadKind {
    OtherRoot,             // a root element no tool accepts
    RootAttributes,        // the usual root, with attributes on its opening tag
    NoMsgFlag,             // a header without Msg_flag
    IpcOnly,               // a device type without NVS, DVS, DEC or NVR
    NoLanConfig,           // no LANConfig element
    NoStreamConfig,        // no MediaStreamConfig element
    Oversize,              // a well-formed reply of more than 5120 bytes
    RandomBytes,           // random bytes instead of a reply
    Late,                  // the usual reply, sent after the late delay
    SessionRefuse,         // connections to the command port are reset at once
    SessionStall,          // logged-in sessions get no answers and no keep-alive acknowledgements
    SessionDrop,           // the connection closes when the first request after the login arrives
    SessionGarbage,        // requests are answered with random bytes instead of a frame
    SessionRefuseRequests, // logins succeed; every request is answered "refused" and changes nothing
    SessionRefuseSets,     // logins succeed; every SetDVRConfig and SetDevcieConfig is refused
    SessionRefuseControls, // logins succeed; controls but the connect queries, and direct requests, are refused
    SessionWrongElement,   // logins succeed; every GetDVRConfig answers result 0 with an element of another name
};

// Every kind, in the order the help text lists them.
const std::vector<BadKind>& AllBadKinds();

// The option and fleet-file name of a kind ("no-lanconfig").
std::string_view BadKindName(BadKind kind);

std::optional<BadKind> BadKindFromName(std::string_view name);

// A set of kinds; one bit per kind.
class BadKindSet final {
public:
    bool Has(BadKind kind) const { return (m_bits & Bit(kind)) != 0; }
    void Add(BadKind kind) { m_bits |= Bit(kind); }
    bool Empty() const { return m_bits == 0; }

private:
    static unsigned Bit(BadKind kind) { return 1u << static_cast<unsigned>(kind); }
    unsigned m_bits = 0;
};

} // namespace zk::devsim
