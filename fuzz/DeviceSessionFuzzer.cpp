// SPDX-License-Identifier: GPL-3.0-or-later
// Anyone on the network can connect to a device's command port and send anything. The first byte
// chooses the moment: before the login, or in a logged-in session. The device answers only with
// well-formed frames, and says so when the connection must close.
#include "devsim/DeviceSession.h"
#include "devsim/SessionLink.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zk;
    if (size == 0) {
        return 0;
    }
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    // Wrong logins never lock this device: the fuzzer makes thousands of them.
    static devsim::SessionSettings settings = [] {
        devsim::SessionSettings unlocked;
        unlocked.lockAfter = 0;
        return unlocked;
    }();
    static test::SessionLink link("507913", settings);
    devsim::DeviceOutput out;
    if ((data[0] & 1) == 0) {
        static std::mt19937_64 random(1);
        devsim::DeviceSession session(link.Device(), settings, random);
        session.Start(link.Now(), out);
        session.Receive(input, link.Now(), out);
    } else {
        if (link.DeviceSide() == nullptr || !link.DeviceSide()->LoggedIn()) {
            link.Connect();
            if (!link.DeviceSide()->LoggedIn()) {
                // A fuzzed request changed the password: back to the factory account.
                link.Device().ResetSettings();
                link.Connect();
            }
            if (!link.DeviceSide()->LoggedIn()) {
                std::abort();
            }
        }
        link.DeviceSide()->Receive(input, link.Now(), out);
        if (out.close != !link.DeviceSide()->LoggedIn()) {
            std::abort();
        }
    }
    sdk::FrameDecoder decoder;
    decoder.Append(out.bytes);
    sdk::Frame frame;
    while (decoder.Next(frame) == sdk::FrameDecoder::Status::Frame) {
    }
    if (decoder.Failed() || decoder.Buffered() != 0) {
        std::abort();
    }
    return 0;
}
