// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/system/TimeZoneList.h"

#include "base/DebugLog.h"
#include "platform/FileIo.h"
#include "platform/SpecialFolders.h"

#include <tinyxml2.h>

namespace zk::sdk::system {
namespace {

// The rules after the first two ",M" of a TZ text; both or neither.
void ReadRules(std::string_view value, TimeZoneItem& item) {
    std::optional<SummerTimeRule> rules[2];
    std::size_t from = 0;
    for (auto& rule : rules) {
        const auto at = value.find(",M", from);
        if (at == std::string_view::npos) {
            return;
        }
        const auto end = value.find(',', at + 1);
        rule = ParseSummerTimeRule(value.substr(at + 1, end == std::string_view::npos ? end : end - at - 1));
        if (!rule) {
            return;
        }
        from = at + 1;
    }
    item.start = rules[0];
    item.end = rules[1];
}

} // namespace

std::vector<TimeZoneItem> ReadTimeZoneList(std::string_view xml) {
    std::vector<TimeZoneItem> items;
    tinyxml2::XMLDocument document;
    if (document.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS || document.RootElement() == nullptr) {
        return items;
    }
    for (const auto* element = document.RootElement()->FirstChildElement("item"); element != nullptr;
         element = element->NextSiblingElement("item")) {
        const char* name = element->Attribute("name");
        const auto zone = name != nullptr ? ZoneOfName(name) : std::nullopt;
        if (!zone) {
            continue;
        }
        TimeZoneItem item;
        item.name = QString::fromUtf8(name);
        item.zone = *zone;
        if (const char* value = element->Attribute("value")) {
            ReadRules(value, item);
        }
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<TimeZoneItem> LoadTimeZoneList(const std::string& path) {
    const auto xml = platform::ReadWholeFile(path, kTimeZoneFileMaxBytes);
    if (!xml) {
        base::Log("time zones: cannot read %s\n", path.c_str());
        return {};
    }
    return ReadTimeZoneList(*xml);
}

std::vector<TimeZoneItem> LoadShippedTimeZoneList() {
    return LoadTimeZoneList(platform::FindProgramFile(kTimeZoneFileName));
}

const TimeZoneItem* FindZone(const std::vector<TimeZoneItem>& items, int zone) {
    for (const TimeZoneItem& item : items) {
        if (item.zone == zone) {
            return &item;
        }
    }
    return nullptr;
}

const TimeZoneItem* FindZoneByName(const std::vector<TimeZoneItem>& items, const QString& name) {
    for (const TimeZoneItem& item : items) {
        if (item.name == name) {
            return &item;
        }
    }
    for (const TimeZoneItem& item : items) {
        if (item.name.section(u'(', 0, 0) == name) {
            return &item;
        }
    }
    return nullptr;
}

} // namespace zk::sdk::system
