// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/ListSort.h"

#include <algorithm>

namespace zk::discovery {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool IsHexDigit(QChar c) {
    return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

int Sign(int value) {
    return (value > 0) - (value < 0);
}

template <typename T>
int Compare(T a, T b) {
    return (b < a) - (a < b);
}

// Reads a run of decimal digits at pos, at least minDigits and at most maxDigits of them.
bool ReadNumber(const QString& text, qsizetype& pos, int minDigits, int maxDigits, int& value) {
    value = 0;
    int digits = 0;
    while (pos < text.size() && digits < maxDigits && IsDigit(text[pos])) {
        value = value * 10 + (text[pos].unicode() - u'0');
        ++pos;
        ++digits;
    }
    return digits >= minDigits;
}

bool ReadChar(const QString& text, qsizetype& pos, QChar c) {
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

bool ParseDecimal(const QString& text, double& value) {
    QString number = text;
    if (number.endsWith(u'%')) {
        number.chop(1);
    }
    qsizetype pos = 0;
    if (pos < number.size() && (number[pos] == u'+' || number[pos] == u'-')) {
        ++pos;
    }
    int digits = 0;
    bool point = false;
    for (; pos < number.size(); ++pos) {
        if (IsDigit(number[pos])) {
            ++digits;
        } else if (number[pos] == u'.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (digits == 0) {
        return false;
    }
    bool ok = false;
    value = number.toDouble(&ok);
    return ok;
}

// Days from 1899-12-30 (the day a bare time of day falls on) to a civil date.
std::int64_t DaysFromEpoch(int year, int month, int day) {
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    constexpr std::int64_t kDaysTo1970From1899 = 25569;
    return static_cast<std::int64_t>(era) * 146097 + dayOfEra - 719468 + kDaysTo1970From1899;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

bool ParseTimeOfDay(const QString& text, qsizetype& pos, std::int64_t& seconds) {
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!ReadNumber(text, pos, 1, 2, hour) || !ReadChar(text, pos, u':') || !ReadNumber(text, pos, 2, 2, minute)) {
        return false;
    }
    if (ReadChar(text, pos, u':') && !ReadNumber(text, pos, 2, 2, second)) {
        return false;
    }
    if (hour > 23 || minute > 59 || second > 59) {
        return false;
    }
    seconds = hour * 3600 + minute * 60 + second;
    return true;
}

// "YYYY-MM-DD" or "YYYY/MM/DD", optionally followed by a time of day, or a time of day alone
// ("H:MM" or "H:MM:SS").
bool ParseDateTime(const QString& text, std::int64_t& seconds) {
    qsizetype pos = 0;
    std::int64_t timeOfDay = 0;
    if (ParseTimeOfDay(text, pos, timeOfDay) && pos == text.size()) {
        seconds = timeOfDay;
        return true;
    }
    pos = 0;
    int year = 0;
    int month = 0;
    int day = 0;
    if (!ReadNumber(text, pos, 4, 4, year) || pos >= text.size()) {
        return false;
    }
    const QChar separator = text[pos];
    if (separator != u'-' && separator != u'/') {
        return false;
    }
    ++pos;
    if (!ReadNumber(text, pos, 1, 2, month) || !ReadChar(text, pos, separator) || !ReadNumber(text, pos, 1, 2, day)) {
        return false;
    }
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) {
        return false;
    }
    timeOfDay = 0;
    if (pos < text.size()) {
        if (!ReadChar(text, pos, u' ')) {
            return false;
        }
        while (ReadChar(text, pos, u' ')) {
        }
        if (!ParseTimeOfDay(text, pos, timeOfDay) || pos != text.size()) {
            return false;
        }
    }
    seconds = DaysFromEpoch(year, month, day) * kSecondsPerDay + timeOfDay;
    return true;
}

bool ParseIpv4(const QString& text, std::uint32_t& value) {
    qsizetype pos = 0;
    value = 0;
    for (int part = 0; part < 4; ++part) {
        int octet = 0;
        if ((part > 0 && !ReadChar(text, pos, u'.')) || !ReadNumber(text, pos, 1, 3, octet) || octet > 255) {
            return false;
        }
        value = (value << 8) | static_cast<std::uint32_t>(octet);
    }
    return pos == text.size();
}

} // namespace

CellSortKey MakeCellSortKey(const QString& text) {
    CellSortKey key;
    key.text = text;
    if (text.isEmpty()) {
        return key;
    }
    key.hex = std::all_of(text.begin(), text.end(), IsHexDigit);
    if (key.hex) {
        qsizetype zeros = 0;
        while (zeros < text.size() && text[zeros] == u'0') {
            ++zeros;
        }
        key.hexDigits = text.mid(zeros).toUpper();
    }
    key.decimal = ParseDecimal(text, key.decimalValue);
    key.dateTime = ParseDateTime(text, key.dateTimeSeconds);
    key.ipv4 = ParseIpv4(text, key.ipv4Value);
    return key;
}

int CompareCellSortKeys(const CellSortKey& a, const CellSortKey& b) {
    if (a.hex && b.hex) {
        // Compared as numbers of any length: more significant digits make a larger number.
        if (a.hexDigits.size() != b.hexDigits.size()) {
            return Compare(a.hexDigits.size(), b.hexDigits.size());
        }
        return Sign(a.hexDigits.compare(b.hexDigits));
    }
    if (a.decimal && b.decimal) {
        return Compare(a.decimalValue, b.decimalValue);
    }
    if (a.dateTime && b.dateTime) {
        return Compare(a.dateTimeSeconds, b.dateTimeSeconds);
    }
    if (a.ipv4 && b.ipv4) {
        return Compare(a.ipv4Value, b.ipv4Value);
    }
    return Sign(a.text.compare(b.text));
}

int CompareCellTexts(const QString& a, const QString& b) {
    return CompareCellSortKeys(MakeCellSortKey(a), MakeCellSortKey(b));
}

std::vector<int> SortedPositions(const std::vector<CellSortKey>& keys, bool ascending) {
    const auto count = static_cast<int>(keys.size());
    std::vector<int> order(keys.size());
    for (int i = 0; i < count; ++i) {
        order[static_cast<std::size_t>(i)] = i;
    }
    // True when the position at b must come before the one at a.
    auto before = [&keys, ascending](int b, int a) {
        const int result = CompareCellSortKeys(keys[static_cast<std::size_t>(b)], keys[static_cast<std::size_t>(a)]);
        return ascending ? result < 0 : result > 0;
    };
    // Bottom-up merge sort: every comparison is between two positions inside the runs being
    // merged, so an inconsistent answer can only give a different order, never leave the range.
    std::vector<int> buffer(order.size());
    for (int width = 1; width < count; width *= 2) {
        for (int left = 0; left < count; left += 2 * width) {
            const int middle = std::min(left + width, count);
            const int right = std::min(left + 2 * width, count);
            int i = left;
            int j = middle;
            int out = left;
            while (i < middle && j < right) {
                const auto& a = order[static_cast<std::size_t>(i)];
                const auto& b = order[static_cast<std::size_t>(j)];
                buffer[static_cast<std::size_t>(out++)] =
                    before(b, a) ? order[static_cast<std::size_t>(j++)] : order[static_cast<std::size_t>(i++)];
            }
            while (i < middle) {
                buffer[static_cast<std::size_t>(out++)] = order[static_cast<std::size_t>(i++)];
            }
            while (j < right) {
                buffer[static_cast<std::size_t>(out++)] = order[static_cast<std::size_t>(j++)];
            }
        }
        order.swap(buffer);
    }
    return order;
}

} // namespace zk::discovery
