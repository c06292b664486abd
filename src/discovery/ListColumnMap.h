// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <array>
#include <vector>

namespace zk::base {
class LanguageTable;
}

namespace zk::discovery {

// Logical ids of the device list's columns. Which of them the list shows, and where, is decided
// once by the column map.
enum class ListColumn : int {
    Ip = 0,
    HttpPort = 1,
    Model = 2,
    ExtNumber = 3, // 3 to 8: intercom columns, defined but never shown
    MainNumber = 4,
    ExtName = 5,
    AddressBoxIp = 6,
    Notes = 7,
    ManageCenter = 8,
    Title = 9,
    Preview = 10,
    Version = 11,
    AfVersion = 12,
    State = 13,
    OnvifAllNet = 14,
    Sn = 15,
    Netmask = 16,
    Mac = 17,
    P2pType = 18,
    P2pId = 19,
    RunTime = 20,
    NetCard = 21,
    CloudStatus = 22,
    Uuid = 23,
    OemSn = 24,
};

inline constexpr int kListColumnCount = 25;

// The feature values of display.xml that shape the list.
struct ListLayout {
    int style = 0;        // STYLE: 1 adds the preview column, 2 turns grid lines off
    int listShowLess = 0; // LIST_SHOW_lESS: 1 leaves out the model, P2P, adapter and OEM columns
};

// The device list's columns: logical id to display position, with the header text (looked up once
// in the language table) and the width in pixels. Built once; read on the window thread.
class ListColumnMap final {
public:
    ListColumnMap(const ListLayout& layout, const base::LanguageTable& texts);

    // Number of shown columns.
    int Count() const { return static_cast<int>(m_columns.size()); }
    // Display position of a logical column, or -1 when the list does not show it.
    int PositionOf(ListColumn column) const { return m_positions[static_cast<int>(column)]; }
    bool Shows(ListColumn column) const { return PositionOf(column) >= 0; }
    // The logical column at a display position (0 <= position < Count()).
    ListColumn ColumnAt(int position) const { return m_columns[static_cast<std::size_t>(position)].column; }
    QString HeaderAt(int position) const { return m_columns[static_cast<std::size_t>(position)].header; }
    int WidthPxAt(int position) const { return m_columns[static_cast<std::size_t>(position)].widthPx; }
    bool GridLines() const { return m_gridLines; }

private:
    struct Shown {
        ListColumn column;
        QString header;
        int widthPx;
    };

    std::vector<Shown> m_columns;
    std::array<int, kListColumnCount> m_positions{};
    bool m_gridLines = true;
};

} // namespace zk::discovery
