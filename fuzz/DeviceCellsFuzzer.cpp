// SPDX-License-Identifier: GPL-3.0-or-later
// Every field of a device record comes from a device: any bytes in them must give the list's cell
// texts without harm, and the sort's comparison of those texts must be antisymmetric.
#include "base/LanguageTable.h"
#include "discovery/DeviceCellTexts.h"
#include "discovery/ListSort.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const zk::base::LanguageTable& NoTexts() {
    static const zk::base::LanguageTable table({[](const std::string&) { return std::string("/nonexistent"); },
                                                [](const std::string&) { return std::string("/nonexistent"); }});
    return table;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zk::discovery;
    static const DeviceCellTexts texts(NoTexts(), {"", false});
    DeviceRow row{};
    std::memcpy(&row.Record, data, std::min(size, sizeof(row.Record)));
    std::vector<CellSortKey> keys;
    for (int column = 0; column < kListColumnCount; ++column) {
        const auto text = texts.Text(row, static_cast<ListColumn>(column));
        keys.push_back(MakeCellSortKey(text.value_or(QString())));
    }
    for (std::size_t i = 0; i + 1 < keys.size(); ++i) {
        if (CompareCellSortKeys(keys[i], keys[i + 1]) != -CompareCellSortKeys(keys[i + 1], keys[i])) {
            std::abort();
        }
    }
    const std::vector<int> order = SortedPositions(keys, true);
    std::vector<int> seen(keys.size(), 0);
    for (const int position : order) {
        if (position < 0 || static_cast<std::size_t>(position) >= keys.size() || seen[position]++ != 0) {
            std::abort();
        }
    }
    return 0;
}
