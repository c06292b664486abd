// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "discovery/DeviceRecord.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
} // namespace tinyxml2

namespace zk::devsim {

// The answer to a request against the document: a result byte (sdk::kResult*) and a text.
struct ConfigAnswer {
    std::uint8_t result = 0;
    std::string payload;
};

// Largest document a device keeps: set requests that would grow it further are refused, so that
// a client cannot make the simulator hold unbounded text.
inline constexpr std::size_t kMaxConfigDocumentBytes = 64 * 1024;

// A simulated device's configuration document: root NIMBEXConfig with the sections RecordConfig,
// ServerConfig, SystemConfig, NetworkConfig, MediaConfig, MediaStreamConfig and AlarmConfig
// (docs/devsim.md lists what each holds). Get requests answer one element of it by command code;
// set requests merge their element into it. Not thread-safe: its device's owner uses it.
class DeviceConfig final {
public:
    // The factory document of a device, with the record's live values (account, title, network,
    // ports) filled in.
    explicit DeviceConfig(const discovery::DeviceRecord& record);
    ~DeviceConfig();
    DeviceConfig(DeviceConfig&&) noexcept;
    DeviceConfig& operator=(DeviceConfig&&) noexcept;

    // GetDVRConfig: the element a code names (503 video encoding, 504 video capture, 305 LAN, 600
    // streams, 800 alarm detection, 507 audio); kResultUnsupported for other codes.
    ConfigAnswer Get(int code) const;
    // SetDVRConfig and SetDevcieConfig: the request's root must be the element the code names; its
    // attributes replace the document's and its child elements merge in by name and position, but
    // a list element (Region) replaces its namesake whole. Encoding (523) merges each EncodeConfig
    // into the stream of its Stream number and keeps the resolution where it says "INVALID";
    // motion detection (822) must leave a BlockConfig that fits its BlockCount grid.
    // kResultBadRequest for text that is no such element, an EncodeConfig naming no stream of the
    // device or a mask that does not fit, kResultUnsupported for unknown codes, kResultFailed when
    // the document would grow too large; the document is then left as it was.
    ConfigAnswer Set(int code, std::string_view xml);

    // Back to the factory document.
    void Reset(const discovery::DeviceRecord& record);
    // Writes the values a session cannot change (MAC, addresses, ports) from the record.
    void SyncLive(const discovery::DeviceRecord& record);

    // An attribute of the element at a path such as "SystemConfig/UserConfig/Account"; empty when
    // either is missing.
    std::string Value(std::string_view path, const char* attribute) const;
    // Sets an attribute, creating the element's path when needed.
    void SetValue(std::string_view path, const char* attribute, std::string_view value);
    // The whole document as text.
    std::string Text() const;
    // Every attribute of the document as ("Section/Element@Attribute", value) in document order,
    // the root left out; the second and later elements of one name under one parent carry their
    // position ("PTZConfig/Preset[1]@Number").
    std::vector<std::pair<std::string, std::string>> Values() const;

    // PTZ presets, kept as PTZConfig/Preset elements (Number, Stored="1"); the last one recalled
    // is PTZConfig's Current. The caller checks the numbers.
    void StorePreset(int preset);
    bool IsPresetStored(int preset) const;
    void RecallPreset(int preset);

    // The element a set code names, as "Section/Element" ("" for unknown codes).
    static std::string_view SetPath(int code);

private:
    tinyxml2::XMLElement* Find(std::string_view path) const;
    tinyxml2::XMLElement* FindOrMake(std::string_view path);

    std::unique_ptr<tinyxml2::XMLDocument> m_document;
};

} // namespace zk::devsim
