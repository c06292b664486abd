// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/ListColumnMap.h"

#include "base/LanguageTable.h"

namespace zk::discovery {
namespace {

enum class Presence { Always, UnlessShowLess, StyleOne, Never };

struct ColumnDefinition {
    ListColumn column;
    const char* header;
    bool headerIsKey; // false: the header is shown as written
    int widthPx;
    Presence presence;
};

// Every logical column in display order, with the condition that puts it in the list.
constexpr ColumnDefinition kColumns[] = {
    {ListColumn::Ip, ZK_TEXT_KEY("IP"), true, 120, Presence::Always},
    {ListColumn::HttpPort, ZK_TEXT_KEY("HTTP_PORT"), true, 60, Presence::Always},
    {ListColumn::Model, ZK_TEXT_KEY("MODEL"), true, 120, Presence::UnlessShowLess},
    {ListColumn::ExtNumber, ZK_TEXT_KEY("STRING_EXTNUMBER"), true, 120, Presence::Never},
    {ListColumn::MainNumber, ZK_TEXT_KEY("STRING_MAINNUMBER"), true, 120, Presence::Never},
    {ListColumn::ExtName, ZK_TEXT_KEY("STRING_EXTNAME"), true, 120, Presence::Never},
    {ListColumn::AddressBoxIp, ZK_TEXT_KEY("STRING_ADDRESSBOXIP"), true, 120, Presence::Never},
    {ListColumn::Notes, ZK_TEXT_KEY("STRING_NOTES"), true, 120, Presence::Never},
    {ListColumn::ManageCenter, ZK_TEXT_KEY("STRING_MANAGECENTER"), true, 120, Presence::Never},
    {ListColumn::Title, ZK_TEXT_KEY("TEXT9"), true, 100, Presence::Always},
    {ListColumn::Preview, ZK_TEXT_KEY("PREVIEW"), true, 60, Presence::StyleOne},
    {ListColumn::Version, ZK_TEXT_KEY("VERSIONNUMBER"), true, 280, Presence::Always},
    {ListColumn::AfVersion, ZK_TEXT_KEY("AFVERSIONNUMBER"), true, 50, Presence::Always},
    {ListColumn::State, ZK_TEXT_KEY("STATE"), true, 300, Presence::Always},
    {ListColumn::OnvifAllNet, ZK_TEXT_KEY("IDS_STR_ONVIF_ALLNET"), true, 80, Presence::Always},
    {ListColumn::Sn, ZK_TEXT_KEY("SN"), true, 130, Presence::Always},
    {ListColumn::Netmask, ZK_TEXT_KEY("NETMASK"), true, 120, Presence::Always},
    {ListColumn::Mac, ZK_TEXT_KEY("MAC"), true, 130, Presence::Always},
    {ListColumn::P2pType, ZK_TEXT_KEY("P2PTYPE"), true, 80, Presence::UnlessShowLess},
    {ListColumn::P2pId, ZK_TEXT_KEY("P2PID"), true, 100, Presence::UnlessShowLess},
    {ListColumn::RunTime, ZK_TEXT_KEY("RUNNINGTIME"), true, 100, Presence::Always},
    {ListColumn::NetCard, ZK_TEXT_KEY("NETCARD"), true, 60, Presence::UnlessShowLess},
    {ListColumn::CloudStatus, ZK_TEXT_KEY("IDS_STR_CLOUDGROP_TIP"), true, 100, Presence::UnlessShowLess},
    {ListColumn::Uuid, "UUID", false, 50, Presence::Always},
    {ListColumn::OemSn, "OEM SN", false, 130, Presence::UnlessShowLess},
};

static_assert(std::size(kColumns) == kListColumnCount);

bool Present(Presence presence, const ListLayout& layout) {
    switch (presence) {
    case Presence::Always:
        return true;
    case Presence::UnlessShowLess:
        return layout.listShowLess != 1;
    case Presence::StyleOne:
        return layout.style == 1;
    case Presence::Never:
        return false;
    }
    return false;
}

} // namespace

ListColumnMap::ListColumnMap(const ListLayout& layout, const base::LanguageTable& texts)
    : m_gridLines(layout.style != 2) {
    m_positions.fill(-1);
    for (const auto& definition : kColumns) {
        if (!Present(definition.presence, layout)) {
            continue;
        }
        m_positions[static_cast<int>(definition.column)] = Count();
        const QString header =
            definition.headerIsKey ? texts.GetText(definition.header) : QString::fromLatin1(definition.header);
        m_columns.push_back({definition.column, header, definition.widthPx});
    }
}

} // namespace zk::discovery
