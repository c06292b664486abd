// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zk::sdk::config {

// One XML element as a value: its name, its attributes in the order they came, its child elements
// and its text. A device's answer is read into one, the few attributes a command changes are set,
// and it is printed back, so that everything the tool does not know reaches the device again as
// the device sent it. Copyable; any thread.
struct XmlNode {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes; // decoded values
    std::vector<XmlNode> children;
    std::string text; // character data directly inside the element (decoded)

    // The attribute's value; nothing when the element has no such attribute.
    std::optional<std::string_view> Attribute(std::string_view attribute) const;
    // The attribute read as a decimal integer; fallback when it is missing or no number.
    long long IntAttribute(std::string_view attribute, long long fallback = 0) const;
    // Replaces the value, or appends the attribute when the element has none of that name.
    void SetAttribute(std::string_view attribute, std::string value);
    // Writes a number only when it differs from what the attribute says, so an untouched value
    // keeps the device's spelling ("01" stays "01").
    void SetIntAttribute(std::string_view attribute, long long value);

    // The first child of that name; nullptr when none.
    const XmlNode* Child(std::string_view childName) const;
    XmlNode* Child(std::string_view childName);
};

// Reads the text's one root element (a declaration before it is allowed). Bytes after a NUL are
// ignored: devices pad answers. Nothing when the text is no well-formed element.
std::optional<XmlNode> ParseXmlNode(std::string_view xml);

// The element as compact XML text; attribute values and text are escaped (&, <, >, ", and control
// characters as character references), whatever they hold.
std::string PrintXmlNode(const XmlNode& node);

} // namespace zk::sdk::config
