// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/DeviceListModel.h"

#include "base/CLoadDisplayCfg.h"
#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "discovery/ListSort.h"
#include "platform/TextCodec.h"

#include <algorithm>

namespace zk::discovery {

using base::CopyBounded;
using base::FieldText;

struct DeviceListModel::Item {
    Item() { colours.fill(kWindowColour); }

    DeviceRow row{};
    std::array<QString, kListColumnCount> cells;
    std::array<CellColour, kListColumnCount> colours;
    bool ticked = false;
    bool versionFromSession = false; // the record's Version is a copy of InfoText1012
    int position = 0;
};

// What one merge did, reported once the rows are in place.
struct DeviceListModel::MergeResult {
    enum class Event { Added, AddressChanged, Refreshed, Seen };

    std::uint32_t nowMs = 0;
    int firstAdded = -1;
    std::vector<int> changedRows;
    std::vector<std::pair<Event, Item*>> events;
};

DeviceListSettings DeviceListSettings::From(const base::CLoadDisplayCfg& display, const base::LanguageTable& texts) {
    DeviceListSettings settings;
    settings.layout.style = display.GetDisplay(base::kDisplayStyle);
    settings.layout.listShowLess = display.GetDisplay(base::kDisplayListShowLess);
    settings.cellTexts.cloudTypeName = display.GetDataString(base::kDataCustCloudType);
    settings.cellTexts.chineseUi = texts.IsChineseUi();
    return settings;
}

DeviceListModel::DeviceListModel(DeviceTable& table, const base::LanguageTable& texts,
                                 const DeviceListSettings& settings, TickSource tick, QObject* parent)
    : QObject(parent), m_table(table), m_tick(tick ? std::move(tick) : TickSource(&SteadyTickMs)),
      m_columns(settings.layout, texts), m_cellTexts(texts, settings.cellTexts),
      m_searchingText(texts.GetText("CStorePlayBack_tip_searching")), m_totalText(texts.GetText("STR_TOTAL")),
      m_selectedText(texts.GetText("STR_SELECTED")) {
    for (int position = 0; position < m_columns.Count(); ++position) {
        m_shownColumns.push_back(m_columns.ColumnAt(position));
    }
    m_statusLine = BuildStatusLine();
}

DeviceListModel::~DeviceListModel() = default;

DeviceListModel::Item* DeviceListModel::ItemAt(int row) const {
    if (row < 0 || row >= RowCount()) {
        return nullptr;
    }
    return m_items[static_cast<std::size_t>(row)].get();
}

DeviceRow* DeviceListModel::RowAt(int row) {
    Item* item = ItemAt(row);
    return item != nullptr ? &item->row : nullptr;
}

const DeviceRow* DeviceListModel::RowAt(int row) const {
    const Item* item = ItemAt(row);
    return item != nullptr ? &item->row : nullptr;
}

int DeviceListModel::FindRow(std::string_view key) const {
    const auto found = m_byKey.find(key);
    return found != m_byKey.end() ? found->second->position : -1;
}

bool DeviceListModel::IsTicked(int row) const {
    const Item* item = ItemAt(row);
    return item != nullptr && item->ticked;
}

void DeviceListModel::SetTicked(int row, bool on) {
    Item* item = ItemAt(row);
    if (item == nullptr || item->ticked == on) {
        return;
    }
    item->ticked = on;
    m_tickedCount += on ? 1 : -1;
    emit rowsChanged(row, row);
    RefreshStatusLine();
}

void DeviceListModel::SetAllTicked(bool on) {
    std::vector<int> changed;
    for (const auto& item : m_items) {
        if (item->ticked != on) {
            item->ticked = on;
            changed.push_back(item->position);
        }
    }
    m_tickedCount = on ? RowCount() : 0;
    ReportRows(std::move(changed));
    RefreshStatusLine();
}

std::vector<int> DeviceListModel::TickedRows() const {
    std::vector<int> rows;
    for (const auto& item : m_items) {
        if (item->ticked) {
            rows.push_back(item->position);
        }
    }
    return rows;
}

QString DeviceListModel::CellText(int row, ListColumn column) const {
    const Item* item = ItemAt(row);
    return item != nullptr ? item->cells[static_cast<std::size_t>(column)] : QString();
}

void DeviceListModel::SetCellText(int row, ListColumn column, const QString& text) {
    Item* item = ItemAt(row);
    if (item == nullptr || !m_columns.Shows(column)) {
        return;
    }
    QString& cell = item->cells[static_cast<std::size_t>(column)];
    if (cell != text) {
        cell = text;
        emit rowsChanged(row, row);
    }
}

void DeviceListModel::SetVersionInfo(int row, std::string_view fileSystemVersion) {
    Item* item = ItemAt(row);
    if (item == nullptr) {
        return;
    }
    CopyBounded(item->row.InfoText1012, fileSystemVersion);
    if (item->versionFromSession) {
        CopyBounded(item->row.Record.Version, FieldText(item->row.InfoText1012));
    }
    SetCellText(row, ListColumn::Version, platform::AnsiToWide(FieldText(item->row.InfoText1012)));
}

CellColour DeviceListModel::CellColourAt(int row, ListColumn column) const {
    const Item* item = ItemAt(row);
    return item != nullptr ? item->colours[static_cast<std::size_t>(column)] : kWindowColour;
}

void DeviceListModel::SetCellColour(int row, ListColumn column, CellColour colour) {
    Item* item = ItemAt(row);
    if (item == nullptr || !m_columns.Shows(column)) {
        return;
    }
    CellColour& cell = item->colours[static_cast<std::size_t>(column)];
    if (cell != colour) {
        cell = colour;
        emit rowsChanged(row, row);
    }
}

void DeviceListModel::SetRowColour(int row, CellColour colour) {
    Item* item = ItemAt(row);
    if (item == nullptr) {
        return;
    }
    bool changed = false;
    for (const ListColumn column : m_shownColumns) {
        CellColour& cell = item->colours[static_cast<std::size_t>(column)];
        changed = changed || cell != colour;
        cell = colour;
    }
    if (changed) {
        emit rowsChanged(row, row);
    }
}

void DeviceListModel::HotTrack(int row) {
    const Item* hot = ItemAt(row);
    std::vector<int> changed;
    for (const auto& item : m_items) {
        const CellColour wanted = item.get() == hot ? kHotRowColour : kWindowColour;
        bool differs = false;
        for (const ListColumn column : m_shownColumns) {
            CellColour& cell = item->colours[static_cast<std::size_t>(column)];
            differs = differs || cell != wanted;
            cell = wanted;
        }
        if (differs) {
            changed.push_back(item->position);
        }
    }
    ReportRows(std::move(changed));
}

void DeviceListModel::SortByColumn(ListColumn column) {
    if (!m_columns.Shows(column)) {
        return;
    }
    const int id = static_cast<int>(column);
    m_sortAscending = m_sortColumn == id ? !m_sortAscending : true;
    m_sortColumn = id;
    std::vector<CellSortKey> keys;
    keys.reserve(m_items.size());
    for (const auto& item : m_items) {
        keys.push_back(MakeCellSortKey(item->cells[static_cast<std::size_t>(id)]));
    }
    std::vector<std::unique_ptr<Item>> sorted;
    sorted.reserve(m_items.size());
    for (const int position : SortedPositions(keys, m_sortAscending)) {
        sorted.push_back(std::move(m_items[static_cast<std::size_t>(position)]));
        sorted.back()->position = static_cast<int>(sorted.size()) - 1;
    }
    m_items = std::move(sorted);
    emit rowsReordered();
}

void DeviceListModel::Merge() {
    const std::vector<DeviceTable::Entry> entries = m_table.ChangedSince(m_mergedChangeCount);
    MergeResult result;
    result.nowMs = m_tick();
    for (const auto& entry : entries) {
        m_mergedChangeCount = std::max(m_mergedChangeCount, entry.changeCount);
        const auto found = m_byKey.find(FieldText(entry.record.SerialNumber));
        MergeEntry(entry.record, found != m_byKey.end() ? found->second : nullptr, false, result);
    }
    Publish(result);
}

void DeviceListModel::MergeEveryEntry() {
    MergeResult result;
    result.nowMs = m_tick();
    // Rows are only created and written here; nothing outside the list runs under the table lock.
    m_table.ForEach([this, &result](const DeviceTable::Entry& entry) {
        m_mergedChangeCount = std::max(m_mergedChangeCount, entry.changeCount);
        MergeEntry(entry.record, FindItemByScan(FieldText(entry.record.SerialNumber)), true, result);
    });
    Publish(result);
}

DeviceListModel::Item* DeviceListModel::FindItemByScan(std::string_view key) const {
    for (const auto& item : m_items) {
        if (FieldText(item->row.Key) == key) {
            return item.get();
        }
    }
    return nullptr;
}

void DeviceListModel::MergeEntry(const DeviceRecord& record, Item* item, bool reportUnchanged, MergeResult& result) {
    using Event = MergeResult::Event;
    if (item != nullptr) {
        const bool moved = FieldText(record.IpAddress) != FieldText(item->row.Record.IpAddress);
        DeviceRecord& copy = item->row.Record;
        copy = record;
        // Replies without a version keep showing the one the device's session reported.
        item->versionFromSession = FieldText(copy.Version).empty();
        if (item->versionFromSession) {
            CopyBounded(copy.Version, FieldText(item->row.InfoText1012));
        }
        if (WriteCells(*item) || reportUnchanged) {
            result.changedRows.push_back(item->position);
        }
        if (moved) {
            result.events.emplace_back(Event::AddressChanged, item);
        }
        result.events.emplace_back(Event::Refreshed, item);
    } else {
        auto created = std::make_unique<Item>();
        CopyBounded(created->row.Key, FieldText(record.SerialNumber));
        created->row.Record = record;
        created->versionFromSession = FieldText(record.Version).empty();
        created->position = RowCount();
        WriteCells(*created);
        item = created.get();
        m_byKey.emplace(std::string(FieldText(item->row.Key)), item);
        m_items.push_back(std::move(created));
        if (result.firstAdded < 0) {
            result.firstAdded = item->position;
        }
        result.events.emplace_back(Event::Added, item);
    }
    if (static_cast<std::uint32_t>(result.nowMs - record.LastSeenTick) < kRecentlySeenMs) {
        result.events.emplace_back(Event::Seen, item);
    }
}

bool DeviceListModel::WriteCells(Item& item) {
    bool changed = false;
    for (const ListColumn column : m_shownColumns) {
        std::optional<QString> text = m_cellTexts.Text(item.row, column);
        QString& cell = item.cells[static_cast<std::size_t>(column)];
        if (text && *text != cell) {
            cell = std::move(*text);
            changed = true;
        }
    }
    return changed;
}

void DeviceListModel::Publish(MergeResult& result) {
    using Event = MergeResult::Event;
    const std::uint64_t generation = m_generation;
    if (result.firstAdded >= 0) {
        emit rowsAppended(result.firstAdded, RowCount() - 1);
    }
    ReportRows(std::move(result.changedRows));
    for (const auto& [event, item] : result.events) {
        // A receiver that deleted the rows ends the reports: the items are gone.
        if (m_generation != generation) {
            return;
        }
        switch (event) {
        case Event::Added:
            emit rowAdded(item->position);
            break;
        case Event::AddressChanged:
            emit rowAddressChanged(item->position);
            break;
        case Event::Refreshed:
            emit entryRefreshed(item->position);
            break;
        case Event::Seen:
            emit entrySeen(item->position);
            break;
        }
    }
    RefreshStatusLine();
}

void DeviceListModel::ReportRows(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1) {
            ++j;
        }
        emit rowsChanged(rows[i], rows[j]);
        i = j + 1;
    }
}

void DeviceListModel::ClearRows() {
    m_items.clear();
    m_byKey.clear();
    m_tickedCount = 0;
    // Entries still in the table come back as new rows at the next merge.
    m_mergedChangeCount = 0;
    ++m_generation;
    emit rowsCleared();
    RefreshStatusLine();
}

void DeviceListModel::Clear() {
    m_table.Clear();
    ClearRows();
}

void DeviceListModel::SetSearching(bool searching) {
    m_searching = searching;
    RefreshStatusLine();
}

QString DeviceListModel::BuildStatusLine() const {
    QString text = m_searching ? m_searchingText : QString();
    text += m_totalText + u':' + QString::number(RowCount()) + u' ' + m_selectedText + u':' +
            QString::number(m_tickedCount) + u' ';
    return text;
}

void DeviceListModel::RefreshStatusLine() {
    QString text = BuildStatusLine();
    if (text != m_statusLine) {
        m_statusLine = std::move(text);
        emit statusLineChanged(m_statusLine);
    }
}

} // namespace zk::discovery
