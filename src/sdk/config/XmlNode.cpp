// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/config/XmlNode.h"

#include "discovery/SearchMessage.h"

#include <tinyxml2.h>

#include <charconv>
#include <cstdio>

namespace zk::sdk::config {
namespace {

// Deeper documents than this are no device answer; refusing them bounds the recursion.
constexpr int kMaxDepth = 32;

bool Read(const tinyxml2::XMLElement& element, XmlNode& node, int depth) {
    if (depth > kMaxDepth) {
        return false;
    }
    node.name = element.Name();
    for (const tinyxml2::XMLAttribute* attribute = element.FirstAttribute(); attribute != nullptr;
         attribute = attribute->Next()) {
        node.attributes.emplace_back(attribute->Name(), attribute->Value());
    }
    for (const tinyxml2::XMLNode* child = element.FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (const tinyxml2::XMLElement* childElement = child->ToElement()) {
            if (!Read(*childElement, node.children.emplace_back(), depth + 1)) {
                return false;
            }
        } else if (const tinyxml2::XMLText* text = child->ToText()) {
            // Line breaks and indents between elements are layout, not content.
            const std::string_view value = text->Value();
            if (value.find_first_not_of(" \t\r\n") != std::string_view::npos) {
                node.text += value;
            }
        }
    }
    return true;
}

// Escapes the XML special characters and the control characters a parser would fold into blanks.
std::string Escape(std::string_view value) {
    std::string escaped;
    for (const char c : discovery::EscapeXmlAttribute(value)) {
        if (static_cast<unsigned char>(c) < 0x20) {
            char reference[8];
            std::snprintf(reference, sizeof(reference), "&#%d;", c);
            escaped += reference;
        } else {
            escaped.push_back(c);
        }
    }
    return escaped;
}

void Print(const XmlNode& node, std::string& out) {
    out += '<';
    out += node.name;
    for (const auto& [name, value] : node.attributes) {
        out += ' ';
        out += name;
        out += "=\"";
        out += Escape(value);
        out += '"';
    }
    if (node.children.empty() && node.text.empty()) {
        out += " />";
        return;
    }
    out += '>';
    out += Escape(node.text);
    for (const XmlNode& child : node.children) {
        Print(child, out);
    }
    out += "</";
    out += node.name;
    out += '>';
}

} // namespace

std::optional<std::string_view> XmlNode::Attribute(std::string_view attribute) const {
    for (const auto& [name, value] : attributes) {
        if (name == attribute) {
            return value;
        }
    }
    return std::nullopt;
}

long long XmlNode::IntAttribute(std::string_view attribute, long long fallback) const {
    const auto value = Attribute(attribute);
    if (!value) {
        return fallback;
    }
    std::string_view digits = *value;
    while (!digits.empty() && (digits.front() == ' ' || digits.front() == '+')) {
        digits.remove_prefix(1);
    }
    long long number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    return error == std::errc() && end != digits.data() ? number : fallback;
}

void XmlNode::SetAttribute(std::string_view attribute, std::string value) {
    for (auto& [name, current] : attributes) {
        if (name == attribute) {
            current = std::move(value);
            return;
        }
    }
    attributes.emplace_back(std::string(attribute), std::move(value));
}

void XmlNode::SetIntAttribute(std::string_view attribute, long long value) {
    if (Attribute(attribute) && IntAttribute(attribute, value + 1) == value) {
        return;
    }
    SetAttribute(attribute, std::to_string(value));
}

const XmlNode* XmlNode::Child(std::string_view childName) const {
    for (const XmlNode& child : children) {
        if (child.name == childName) {
            return &child;
        }
    }
    return nullptr;
}

XmlNode* XmlNode::Child(std::string_view childName) {
    return const_cast<XmlNode*>(std::as_const(*this).Child(childName));
}

std::optional<XmlNode> ParseXmlNode(std::string_view xml) {
    if (const std::size_t nul = xml.find('\0'); nul != std::string_view::npos) {
        xml = xml.substr(0, nul);
    }
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    if (document.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS || document.RootElement() == nullptr) {
        return std::nullopt;
    }
    XmlNode node;
    if (!Read(*document.RootElement(), node, 0)) {
        return std::nullopt;
    }
    return node;
}

std::string PrintXmlNode(const XmlNode& node) {
    std::string out;
    Print(node, out);
    return out;
}

} // namespace zk::sdk::config
