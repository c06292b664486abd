// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "discovery/DeviceRow.h"
#include "discovery/ListColumnMap.h"

#include <QString>

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zk::base {
class LanguageTable;
}

namespace zk::discovery {

// What the cell texts depend on besides the row.
struct CellTextSettings {
    std::string cloudTypeName; // IDS_CUST_CLOUD_TYPE (UTF-8): the name of P2P type 10 when not empty
    bool chineseUi = false;    // the name of P2P type 10 otherwise: "RV41Pro" in Chinese, else "ViewNest"
};

// The text the device list shows in each column of a row, from the row's record. The language texts
// it needs are looked up once, when it is made. Used on the window thread.
class DeviceCellTexts final {
public:
    DeviceCellTexts(const base::LanguageTable& texts, CellTextSettings settings);

    // The text the list writes into the column; nothing for the columns that others write (preview,
    // version, state, the intercom columns) and for the cloud status while the device's is unknown
    // (the cell then keeps what it shows).
    std::optional<QString> Text(const DeviceRow& row, ListColumn column) const;

    // "%d %s " for each of days, hours, minutes and seconds above 0; empty for 0 or less.
    QString RunTimeText(std::int32_t seconds) const;
    // The name of a P2P service type; empty for a type without one.
    QString P2pTypeName(std::int32_t type) const;

private:
    QString m_onvifOn;
    QString m_onvifOff;
    QString m_online;
    QString m_offline;
    std::array<QString, 4> m_timeUnits; // day, hour, minute, second
    QString m_cloudType10;
};

// Where in a record the field lies that a column's text is made from: byte offset and size.
struct FieldSpan {
    std::size_t offset = 0;
    std::size_t size = 0;
};

// The field a column's text comes from; nothing for the columns the list does not write. Lets a
// merge skip texts whose field did not change.
std::optional<FieldSpan> CellSourceField(ListColumn column);

// The model shown for a device type: "NVS-IPCAM-" removed, "NVS-NVR-" replaced by "NVR-", cut
// before the first "_V".
QString ModelText(std::string_view deviceType);

// The text with its ASCII letters in upper case; other characters stay as they are.
QString UpperAscii(QString text);

} // namespace zk::discovery
