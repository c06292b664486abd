// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// How the device list orders its rows by a column's texts. Pure functions, safe from any thread.
namespace zk::discovery {

// A cell text with the readings the comparison may use, worked out once per cell.
struct CellSortKey {
    QString text;
    bool hex = false;     // entirely hexadecimal digits
    QString hexDigits;    // upper case, without leading zeros
    bool decimal = false; // a decimal number, a trailing "%" allowed
    double decimalValue = 0;
    bool dateTime = false; // a date, a date and time, or a time of day
    std::int64_t dateTimeSeconds = 0;
    bool ipv4 = false; // a dotted IPv4 address
    std::uint32_t ipv4Value = 0;
};

CellSortKey MakeCellSortKey(const QString& text);

// Compares two cells by the first reading that both have: hexadecimal, decimal, date and time,
// IPv4, else their exact text. Empty cells take part only in the text comparison. Negative when a
// sorts before b, 0 when they are equal, positive after.
int CompareCellSortKeys(const CellSortKey& a, const CellSortKey& b);
int CompareCellTexts(const QString& a, const QString& b);

// The positions 0 .. keys.size()-1 in the order of their keys, ascending or descending. Cells that
// compare equal keep their order. The pairwise rule above is not transitive across readings (a
// number, a hexadecimal word and a fraction can each sort before the next), so this sort never
// relies on it being so: it always ends and returns every position once.
std::vector<int> SortedPositions(const std::vector<CellSortKey>& keys, bool ascending);

} // namespace zk::discovery
