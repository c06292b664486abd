// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/DeviceListModel.h"

#include "base/CLoadDisplayCfg.h"
#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "discovery/ListSort.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

namespace zk::discovery {

using base::CopyBounded;
using base::FieldText;

namespace {

constexpr std::uint32_t kAllColumns = (1u << kListColumnCount) - 1;

constexpr std::uint32_t ColumnBit(ListColumn column) {
    return 1u << static_cast<int>(column);
}

// The record's fields up to the reply text are compared and copied in blocks of this many bytes.
constexpr std::size_t kBlockBytes = 64;
constexpr std::size_t kFixedEnd = offsetof(DeviceRecord, RawReply);
static_assert((kFixedEnd + kBlockBytes - 1) / kBlockBytes <= 64, "one bit per block");

// The blocks a field lies in.
std::uint64_t BlocksOf(const FieldSpan& field) {
    std::uint64_t blocks = 0;
    for (std::size_t block = field.offset / kBlockBytes; block <= (field.offset + field.size - 1) / kBlockBytes;
         ++block) {
        blocks |= std::uint64_t{1} << block;
    }
    return blocks;
}

// The blocks of the fixed fields in which two records differ.
std::uint64_t ChangedBlocks(const DeviceRecord& a, const DeviceRecord& b) {
    const auto* left = reinterpret_cast<const char*>(&a);
    const auto* right = reinterpret_cast<const char*>(&b);
    std::uint64_t changed = 0;
    for (std::size_t offset = 0, block = 0; offset < kFixedEnd; offset += kBlockBytes, ++block) {
        if (std::memcmp(left + offset, right + offset, std::min(kBlockBytes, kFixedEnd - offset)) != 0) {
            changed |= std::uint64_t{1} << block;
        }
    }
    return changed;
}

bool FieldDiffers(const DeviceRecord& a, const DeviceRecord& b, const FieldSpan& field) {
    return std::memcmp(reinterpret_cast<const char*>(&a) + field.offset,
                       reinterpret_cast<const char*>(&b) + field.offset, field.size) != 0;
}

// Copies a table record over a row's record, given the blocks of the fixed fields that differ.
// Unchanged blocks are not written, and of the 5 KB reply field only its text is copied, with the
// row's older and longer text cleared behind it (rows keep the field zero beyond the text). A
// refresh mostly changes a few fields, and the rest of the record is not streamed through the
// cache again at every tick.
void CopyRecord(DeviceRecord& to, const DeviceRecord& from, std::uint64_t changedBlocks) {
    auto* target = reinterpret_cast<char*>(&to);
    const auto* source = reinterpret_cast<const char*>(&from);
    for (std::size_t offset = 0, block = 0; offset < kFixedEnd; offset += kBlockBytes, ++block) {
        if ((changedBlocks & (std::uint64_t{1} << block)) != 0) {
            std::memcpy(target + offset, source + offset, std::min(kBlockBytes, kFixedEnd - offset));
        }
    }
    const std::size_t length = FieldText(from.RawReply).size();
    const std::size_t oldLength = FieldText(to.RawReply).size();
    std::memcpy(to.RawReply, from.RawReply, length);
    const std::size_t clear = std::min(std::max(length, oldLength) + 1, sizeof(to.RawReply)) - length;
    std::memset(to.RawReply + length, 0, clear);
    constexpr std::size_t kTail = offsetof(DeviceRecord, LastSeenTick);
    std::memcpy(target + kTail, source + kTail, sizeof(DeviceRecord) - kTail);
}

} // namespace

struct DeviceListModel::Item {
    Item() { colours.fill(kWindowColour); }

    DeviceRow row{};
    std::array<QString, kListColumnCount> cells;
    std::array<CellColour, kListColumnCount> colours;
    bool ticked = false;
    bool versionFromSession = false; // the record's Version is a copy of InfoText1012
    int position = 0;
};

void DeviceListModel::ItemDeleter::operator()(Item* item) const {
    item->~Item();
}

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
        const ListColumn column = m_columns.ColumnAt(position);
        m_shownColumns.push_back(column);
        if (const auto field = CellSourceField(column)) {
            m_sourceFields[static_cast<std::size_t>(column)] = *field;
            m_sourceBlocks[static_cast<std::size_t>(column)] = BlocksOf(*field);
        }
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
    const std::vector<int> order = SortedPositions(keys, m_sortAscending);
    emit rowsAboutToBeReordered();
    std::vector<std::unique_ptr<Item, ItemDeleter>> sorted;
    sorted.reserve(m_items.size());
    for (const int position : order) {
        sorted.push_back(std::move(m_items[static_cast<std::size_t>(position)]));
        sorted.back()->position = static_cast<int>(sorted.size()) - 1;
    }
    m_items = std::move(sorted);
    emit rowsReordered(QList<int>(order.begin(), order.end()));
}

void DeviceListModel::Merge() {
    MergeResult result;
    result.nowMs = m_tick();
    // Rows are only created and written here; nothing outside the list runs under the table lock.
    m_table.VisitChangedSince(m_mergedChangeCount, [this, &result](const DeviceTable::Entry& entry) {
        m_mergedChangeCount = std::max(m_mergedChangeCount, entry.changeCount);
        const auto found = m_byKey.find(FieldText(entry.record.SerialNumber));
        MergeEntry(entry.record, found != m_byKey.end() ? found->second : nullptr, false, result);
    });
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

void DeviceListModel::MergeEntry(const DeviceRecord& record, Item* item, bool full, MergeResult& result) {
    using Event = MergeResult::Event;
    if (item != nullptr) {
        DeviceRecord& copy = item->row.Record;
        const std::uint64_t changedBlocks = ChangedBlocks(copy, record);
        const bool moved = FieldText(record.IpAddress) != FieldText(copy.IpAddress);
        std::uint32_t columns = kAllColumns;
        if (!full) {
            columns = 0;
            for (const ListColumn column : m_shownColumns) {
                const auto index = static_cast<std::size_t>(column);
                if ((m_sourceBlocks[index] & changedBlocks) != 0 && FieldDiffers(copy, record, m_sourceFields[index])) {
                    columns |= ColumnBit(column);
                }
            }
        }
        CopyRecord(copy, record, changedBlocks);
        // Replies without a version keep showing the one the device's session reported.
        item->versionFromSession = FieldText(copy.Version).empty();
        if (item->versionFromSession) {
            CopyBounded(copy.Version, FieldText(item->row.InfoText1012));
        }
        if (WriteCells(*item, columns) || full) {
            result.changedRows.push_back(item->position);
        }
        if (moved) {
            result.events.emplace_back(Event::AddressChanged, item);
        }
        result.events.emplace_back(Event::Refreshed, item);
    } else {
        // Rows live in huge-page chunks: a refresh of a large fleet touches thousands of them.
        std::unique_ptr<Item, ItemDeleter> created(new (m_arena.Allocate(sizeof(Item), alignof(Item))) Item());
        CopyBounded(created->row.Key, FieldText(record.SerialNumber));
        CopyRecord(created->row.Record, record, ChangedBlocks(created->row.Record, record));
        created->versionFromSession = FieldText(record.Version).empty();
        created->position = RowCount();
        WriteCells(*created, kAllColumns);
        item = created.get();
        m_byKey.emplace(std::string(FieldText(item->row.Key)), item);
        m_items.push_back(std::move(created));
        if (result.firstAdded < 0) {
            result.firstAdded = item->position;
        }
        result.events.emplace_back(Event::Added, item);
    }
    if (static_cast<std::uint32_t>(result.nowMs - item->row.Record.LastSeenTick) < kRecentlySeenMs) {
        result.events.emplace_back(Event::Seen, item);
    }
}

bool DeviceListModel::WriteCells(Item& item, std::uint32_t columns) {
    bool changed = false;
    for (const ListColumn column : m_shownColumns) {
        if ((columns & ColumnBit(column)) == 0) {
            continue;
        }
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
    m_arena.Reset();
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
