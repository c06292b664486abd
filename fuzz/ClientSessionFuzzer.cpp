// SPDX-License-Identifier: GPL-3.0-or-later
// A device, or anything pretending to be one, sends the client whatever it likes. The first byte
// chooses the moment: before the login, or in a logged-in session with requests waiting. The
// client must end at most once and report only events it may report.
#include "devsim/SessionLink.h"
#include "sdk/AlarmRecord.h"
#include "sdk/ClientSession.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zk::sdk;
    if (size == 0) {
        return 0;
    }
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    ClientOutput out;
    if ((data[0] & 1) == 0) {
        ClientSession session("admin", "507913", {});
        const SdkClock::time_point now = SdkClock::now();
        session.Start(now);
        session.Receive(input, now, out);
        session.Tick(now + std::chrono::seconds(30), out);
    } else {
        // One logged-in link for every input: its key is derived once.
        static zk::test::SessionLink link;
        if (!link.Client().LoggedIn()) {
            link.Connect();
        }
        link.Request({Operation::SystemControl, 1012, 0, "RESPONSE_PARAM"});
        link.Client().Receive(input, link.Now(), out);
        link.notices.clear();
    }
    int ends = 0;
    for (const ClientNotice& notice : out.notices) {
        if (notice.kind != ClientNotice::Kind::Status) {
            continue;
        }
        switch (notice.eventType) {
        case kEventConnectionLost:
        case kEventCannotConnect:
        case kEventKeepAliveTimeout:
        case kEventWrongPassword:
        case kEventLoggedOutByDevice:
            ++ends;
            break;
        case kEventAlarm:
            if (notice.payload.size() != sizeof(AlarmRecord)) {
                std::abort();
            }
            break;
        default:
            break;
        }
    }
    if (ends > 1 || (ends == 1) != out.ended) {
        std::abort();
    }
    return 0;
}
