// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/ReplyShaper.h"

#include "base/FixedText.h"
#include "discovery/SearchMessage.h"

namespace zk::devsim {
namespace {

// Removes the part from the first occurrence of begin up to and including end and the line feed
// after it. Attribute values are escaped, so neither "/>" nor a closing tag can occur inside one.
void RemoveElement(std::string& text, std::string_view begin, std::string_view end) {
    const auto first = text.find(begin);
    if (first == std::string::npos) {
        return;
    }
    auto last = text.find(end, first);
    if (last == std::string::npos) {
        return;
    }
    last += end.size();
    if (last < text.size() && text[last] == '\n') {
        ++last;
    }
    text.erase(first, last - first);
}

// Removes the first attribute of that name with its leading space and value.
void RemoveAttribute(std::string& text, std::string_view name) {
    const std::string begin = ' ' + std::string(name) + "=\"";
    const auto first = text.find(begin);
    const auto closing = first == std::string::npos ? first : text.find('"', first + begin.size());
    if (closing != std::string::npos) {
        text.erase(first, closing + 1 - first);
    }
}

std::string RandomBytes(std::mt19937_64& random) {
    std::uniform_int_distribution<std::size_t> length(64, 1400);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(length(random), '\0');
    for (char& c : bytes) {
        c = static_cast<char>(byte(random));
    }
    return bytes;
}

} // namespace

std::string ShapeReply(const discovery::DeviceRecord& record, std::string_view rootName, BadKindSet bad,
                       std::mt19937_64& random) {
    if (bad.Has(BadKind::RandomBytes)) {
        return RandomBytes(random);
    }
    discovery::DeviceRecord described = record;
    if (bad.Has(BadKind::IpcOnly)) {
        base::CopyBounded(described.DeviceType, kIpcOnlyDeviceType);
    }
    const std::string root(bad.Has(BadKind::OtherRoot) ? kForeignRoot : rootName);
    std::string reply = discovery::BuildSearchReply(described, root);

    if (bad.Has(BadKind::RootAttributes)) {
        const std::string openTag = '<' + root + '>';
        if (const auto at = reply.find(openTag); at != std::string::npos) {
            reply.replace(at, openTag.size(), '<' + root + " version=\"1.0\" xmlns=\"urn:zk:device\">");
        }
    }
    if (bad.Has(BadKind::NoMsgFlag)) {
        RemoveAttribute(reply, "Msg_flag");
    }
    if (bad.Has(BadKind::NoLanConfig)) {
        RemoveElement(reply, "<LANConfig", "/>");
    }
    if (bad.Has(BadKind::NoStreamConfig)) {
        RemoveElement(reply, "<MediaStreamConfig>", "</MediaStreamConfig>");
    }
    if (bad.Has(BadKind::Oversize)) {
        // A vendor element the tool does not know, long enough to push the reply past the limit.
        const std::string prefix = "<VENDOR_EXTRA Data=\"";
        const std::string suffix = "\" />\n";
        const auto at = reply.find("</MESSAGE_BODY>");
        const std::size_t fixed = reply.size() + prefix.size() + suffix.size();
        if (at != std::string::npos && fixed < kOversizeReplyBytes) {
            reply.insert(at, prefix + std::string(kOversizeReplyBytes - fixed, 'x') + suffix);
        }
    }
    return reply;
}

} // namespace zk::devsim
