// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "discovery/DeviceCellTexts.h"
#include "discovery/DeviceRow.h"
#include "discovery/DeviceTable.h"
#include "discovery/ListColumnMap.h"
#include "platform/HugePageArena.h"

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zk::base {
class CLoadDisplayCfg;
class LanguageTable;
} // namespace zk::base

namespace zk::discovery {

// A cell's background as 0xRRGGBB, or kWindowColour for the system's window colour.
using CellColour = std::uint32_t;
inline constexpr CellColour kWindowColour = 0xFF000000u;
// The row under the mouse: RGB(0, 191, 255).
inline constexpr CellColour kHotRowColour = 0x0000BFFFu;
// A merged device that answered less than this long ago is offered to the boot-loader server.
inline constexpr std::uint32_t kRecentlySeenMs = 2000;

// What shapes the list: the feature values of display.xml and the language.
struct DeviceListSettings {
    ListLayout layout;
    CellTextSettings cellTexts;

    static DeviceListSettings From(const base::CLoadDisplayCfg& display, const base::LanguageTable& texts);
};

// The device list without its drawing: one row per device of the device table, in display order,
// each with its DeviceRow, a tick, a text and a background colour per cell. Every refresh tick
// merges the table's changes into it. A view (a table model adapter in the window) reads it and
// follows its signals; the device sessions, the print mode and the boot-loader server follow the
// row signals. Lives on the window thread; rows are addressed by their display position.
class DeviceListModel final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeviceListModel)

public:
    // The millisecond tick that LastSeenTick is compared with; tests pass their own.
    using TickSource = DeviceTable::TickSource;

    DeviceListModel(DeviceTable& table, const base::LanguageTable& texts, const DeviceListSettings& settings,
                    TickSource tick = {}, QObject* parent = nullptr);
    ~DeviceListModel() override;

    const ListColumnMap& Columns() const { return m_columns; }
    const DeviceCellTexts& CellTexts() const { return m_cellTexts; }

    int RowCount() const { return static_cast<int>(m_items.size()); }
    // The row at a display position, or nullptr. Its Key belongs to the list and must not change.
    DeviceRow* RowAt(int row);
    const DeviceRow* RowAt(int row) const;
    // Display position of the row with this key (a serial number), or -1.
    int FindRow(std::string_view key) const;

    bool IsTicked(int row) const;
    void SetTicked(int row, bool on);
    // The select-all check box: every row takes its state.
    void SetAllTicked(bool on);
    int TickedCount() const { return m_tickedCount; }
    // Display positions of the ticked rows, in display order.
    std::vector<int> TickedRows() const;

    // A cell's text; empty for a column the list does not show or a row out of range.
    QString CellText(int row, ListColumn column) const;
    // Writes a cell (the status, version and preview columns are written this way by others).
    // Writes to a column the list does not show, or to a row out of range, are skipped. A text
    // written into a column the merge fills stays until the device's field for it changes.
    void SetCellText(int row, ListColumn column, const QString& text);

    // The file-system version a device's session reported (code page 936): kept as the row's info
    // text 1012 (at most 127 bytes), shown in the version column, and taken as the record's version
    // while the device's replies carry none. Use this rather than writing InfoText1012 directly.
    void SetVersionInfo(int row, std::string_view fileSystemVersion);

    CellColour CellColourAt(int row, ListColumn column) const;
    void SetCellColour(int row, ListColumn column, CellColour colour);
    void SetRowColour(int row, CellColour colour);
    // Hot-tracking: the row under the mouse (-1 for none) takes kHotRowColour, every other row the
    // window colour; only rows whose colour changes are reported.
    void HotTrack(int row);

    // A click on a column header: ascending on the first click of a column, reversed on every
    // further click of the same column. Rows keep their data, ticks and colours.
    void SortByColumn(ListColumn column);
    // The column of the last sort (-1 before any) and its direction.
    int SortColumn() const { return m_sortColumn; }
    bool SortAscending() const { return m_sortAscending; }

    // "<searching>STR_TOTAL:<rows> STR_SELECTED:<ticked> ", the text under the list's header.
    QString StatusLine() const { return m_statusLine; }
    bool Searching() const { return m_searching; }

public slots:
    // One refresh tick: merges the table entries whose change count moved since the last merge.
    // Rows are found by key through an index, only cells whose field changed are rewritten, and
    // only rows whose cells changed are reported. A view adapter tells its view about appended
    // rows on rowsAppended, keeping its own row count until then.
    void Merge();
    // The same merge over every table entry, finding each row by a scan in display order and
    // reporting every existing row as changed. Gives the same rows and cells as Merge(); kept as
    // its yardstick.
    void MergeEveryEntry();
    // Deletes every row (the search emptied the table).
    void ClearRows();
    // Empties the device table and deletes every row.
    void Clear();
    void SetSearching(bool searching);
    void RefreshStatusLine();

signals:
    // For a view: rows appended at the end, rows whose cells, tick or colours changed (inclusive
    // ranges of display positions), a new order after a sort, and every row gone. A sort announces
    // itself before the rows move, then gives each new position's old one (oldPositions[new] = old),
    // so that a view's selection and current row stay with their devices.
    void rowsAppended(int first, int last);
    void rowsChanged(int first, int last);
    void rowsAboutToBeReordered();
    void rowsReordered(const QList<int>& oldPositions);
    void rowsCleared();
    void statusLineChanged(const QString& text);

    // Emitted after each merge, once the rows are in place, in the order the entries were merged.
    // A device seen for the first time got a row (sessions log in to it).
    void rowAdded(int row);
    // An existing row's device answered from another address; the row already holds the new record
    // (its session is renewed).
    void rowAddressChanged(int row);
    // An existing row took a new copy of its device's record (print mode acts on it).
    void entryRefreshed(int row);
    // A merged device answered less than kRecentlySeenMs ago (offered to the boot-loader server).
    void entrySeen(int row);

private:
    struct Item;
    struct MergeResult;
    // Ends an item's life; its memory belongs to the arena.
    struct ItemDeleter {
        void operator()(Item* item) const;
    };

    Item* ItemAt(int row) const;
    Item* FindItemByScan(std::string_view key) const;
    // Merges one table entry into its row (nullptr: a new row). The full merge rewrites every cell
    // and reports the row; the indexed one writes the cells whose fields changed.
    void MergeEntry(const DeviceRecord& record, Item* item, bool full, MergeResult& result);
    // Writes the texts of the shown columns in the mask (bit n for logical column n).
    bool WriteCells(Item& item, std::uint32_t columns);
    void Publish(MergeResult& result);
    void ReportRows(std::vector<int> rows);
    QString BuildStatusLine() const;

    DeviceTable& m_table;
    TickSource m_tick;
    ListColumnMap m_columns;
    DeviceCellTexts m_cellTexts;
    QString m_searchingText;
    QString m_totalText;
    QString m_selectedText;
    std::vector<ListColumn> m_shownColumns; // in display order
    // Per logical column, the blocks of a record that hold the field its text comes from.
    std::array<std::uint64_t, kListColumnCount> m_sourceBlocks{};
    std::array<FieldSpan, kListColumnCount> m_sourceFields{};

    platform::HugePageArena m_arena;                         // the rows' memory; before the rows, which end first
    std::vector<std::unique_ptr<Item, ItemDeleter>> m_items; // display order
    struct KeyHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view key) const { return std::hash<std::string_view>()(key); }
    };
    std::unordered_map<std::string, Item*, KeyHash, std::equal_to<>> m_byKey;
    std::uint64_t m_mergedChangeCount = 0;
    std::uint64_t m_generation = 0; // moves when the rows are deleted
    int m_tickedCount = 0;
    int m_sortColumn = -1;
    bool m_sortAscending = true;
    bool m_searching = false;
    QString m_statusLine;
};

} // namespace zk::discovery
