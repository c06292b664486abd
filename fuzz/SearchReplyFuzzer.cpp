// SPDX-License-Identifier: GPL-3.0-or-later
// Search replies arrive from anything on the network: every datagram must be read without harm and
// leave every text field of the record terminated inside its field.
#include "base/FixedText.h"
#include "discovery/SearchMessage.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<std::string> roots = zk::discovery::AcceptedRootNames("");
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    zk::discovery::DeviceRecord record;
    if (zk::discovery::ReadSearchDatagram(input, roots, record) == zk::discovery::DatagramResult::Reply) {
        if (zk::base::FieldText(record.RawReply).size() >= sizeof(record.RawReply) ||
            zk::base::FieldText(record.SerialNumber).size() >= sizeof(record.SerialNumber)) {
            std::abort();
        }
    }
    zk::discovery::ParseIntercomBody(input);
    return 0;
}
