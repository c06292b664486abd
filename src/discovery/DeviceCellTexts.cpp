// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/DeviceCellTexts.h"

#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "base/TitleCodec.h"
#include "platform/TextCodec.h"

#include <cstddef>
#include <cstdio>

namespace zk::discovery {
namespace {

using base::FieldText;

constexpr std::int32_t kSecondsPerDay = 86400;
constexpr std::int32_t kSecondsPerHour = 3600;
constexpr std::int32_t kSecondsPerMinute = 60;
constexpr std::int32_t kCustomCloudType = 10;

// Names of the P2P service types 1 to 9; type 10 depends on the installation.
constexpr const char* kP2pTypeNames[] = {"Danale", "ANKO",    "GOOLINK",  "YUECAM", "QQ",
                                         "TUTK",   "EYEPLUS", "RV41Plus", "TUYA"};

template <std::size_t N>
QString Narrow(const char (&field)[N]) {
    return platform::AnsiToWide(FieldText(field));
}

} // namespace

QString UpperAscii(QString text) {
    for (QChar& c : text) {
        if (c >= u'a' && c <= u'z') {
            c = QChar(c.unicode() - u'a' + u'A');
        }
    }
    return text;
}

QString ModelText(std::string_view deviceType) {
    QString model = platform::AnsiToWide(deviceType);
    // Every occurrence is replaced, not only a leading one.
    model.remove(QStringLiteral("NVS-IPCAM-"));
    model.replace(QStringLiteral("NVS-NVR-"), QStringLiteral("NVR-"));
    const qsizetype cut = model.indexOf(QStringLiteral("_V"));
    if (cut >= 0) {
        model.truncate(cut);
    }
    return model;
}

std::optional<FieldSpan> CellSourceField(ListColumn column) {
#define ZK_FIELD(name)                                                                                                 \
    FieldSpan {                                                                                                        \
        offsetof(DeviceRecord, name), sizeof(DeviceRecord::name)                                                       \
    }
    switch (column) {
    case ListColumn::Ip:
        return ZK_FIELD(IpAddress);
    case ListColumn::HttpPort:
        return ZK_FIELD(WebPort);
    case ListColumn::Model:
        return ZK_FIELD(DeviceType);
    case ListColumn::Title:
        return ZK_FIELD(Osd);
    case ListColumn::AfVersion:
        return ZK_FIELD(AfVersion);
    case ListColumn::OnvifAllNet:
        return ZK_FIELD(AllNet);
    case ListColumn::Sn:
        return ZK_FIELD(SerialNumber);
    case ListColumn::Netmask:
        return ZK_FIELD(Netmask);
    case ListColumn::Mac:
        return ZK_FIELD(MacAddress);
    case ListColumn::P2pType:
        return ZK_FIELD(P2pType);
    case ListColumn::P2pId:
        return ZK_FIELD(P2pId);
    case ListColumn::RunTime:
        return ZK_FIELD(RunTime);
    case ListColumn::NetCard:
        return ZK_FIELD(LocalIp);
    case ListColumn::CloudStatus:
        return ZK_FIELD(P2pStatus);
    case ListColumn::Uuid:
        return ZK_FIELD(Uuid);
    case ListColumn::OemSn:
        return ZK_FIELD(OemSn);
    case ListColumn::ExtNumber:
    case ListColumn::MainNumber:
    case ListColumn::ExtName:
    case ListColumn::AddressBoxIp:
    case ListColumn::Notes:
    case ListColumn::ManageCenter:
    case ListColumn::Preview:
    case ListColumn::Version:
    case ListColumn::State:
        break;
    }
#undef ZK_FIELD
    return std::nullopt;
}

DeviceCellTexts::DeviceCellTexts(const base::LanguageTable& texts, CellTextSettings settings)
    : m_onvifOn(texts.GetText("ENABLE")), m_onvifOff(texts.GetText("STRING_CLOSE")),
      m_online(texts.GetText("IDS_STR_ONLINE")),
      m_offline(texts.GetText("IDS_STR_OFFLINE")), m_timeUnits{texts.GetText("DAY"), texts.GetText("HOUR"),
                                                               texts.GetText("MIN"), texts.GetText("SEC")} {
    if (!settings.cloudTypeName.empty()) {
        m_cloudType10 = QString::fromStdString(settings.cloudTypeName);
    } else {
        m_cloudType10 = settings.chineseUi ? QStringLiteral("RV41Pro") : QStringLiteral("ViewNest");
    }
}

QString DeviceCellTexts::RunTimeText(std::int32_t seconds) const {
    QString text;
    if (seconds <= 0) {
        return text;
    }
    const std::int32_t rest = seconds % kSecondsPerDay;
    const std::int32_t parts[] = {seconds / kSecondsPerDay, rest / kSecondsPerHour,
                                  rest % kSecondsPerHour / kSecondsPerMinute, seconds % kSecondsPerMinute};
    // Built in one buffer: this text changes at every refresh of every device.
    qsizetype length = 0;
    for (const auto& unit : m_timeUnits) {
        length += unit.size() + 13;
    }
    text.reserve(length);
    for (std::size_t i = 0; i < std::size(parts); ++i) {
        if (parts[i] > 0) {
            char digits[12];
            const int count = std::snprintf(digits, sizeof(digits), "%d ", parts[i]);
            text.append(QLatin1StringView(digits, count));
            text.append(m_timeUnits[i]);
            text.append(u' ');
        }
    }
    return text;
}

QString DeviceCellTexts::P2pTypeName(std::int32_t type) const {
    if (type >= 1 && type <= static_cast<std::int32_t>(std::size(kP2pTypeNames))) {
        return QString::fromLatin1(kP2pTypeNames[type - 1]);
    }
    return type == kCustomCloudType ? m_cloudType10 : QString();
}

std::optional<QString> DeviceCellTexts::Text(const DeviceRow& row, ListColumn column) const {
    const DeviceRecord& record = row.Record;
    switch (column) {
    case ListColumn::Ip:
        return Narrow(record.IpAddress);
    case ListColumn::HttpPort:
        return QString::number(record.WebPort);
    case ListColumn::Model:
        return ModelText(FieldText(record.DeviceType));
    case ListColumn::Title:
        // UTF-8 of any sequence length: accented Latin titles and emoji read as typed.
        return base::DecodeTitleHex(FieldText(record.Osd));
    case ListColumn::AfVersion:
        return UpperAscii(Narrow(record.AfVersion));
    case ListColumn::OnvifAllNet:
        return record.AllNet >= 1 ? m_onvifOn : m_onvifOff;
    case ListColumn::Sn:
        return UpperAscii(Narrow(record.SerialNumber));
    case ListColumn::Netmask:
        return Narrow(record.Netmask);
    case ListColumn::Mac:
        return Narrow(record.MacAddress);
    case ListColumn::P2pType:
        return P2pTypeName(record.P2pType);
    case ListColumn::P2pId:
        return Narrow(record.P2pId);
    case ListColumn::RunTime:
        return RunTimeText(record.RunTime);
    case ListColumn::NetCard:
        return Narrow(record.LocalIp);
    case ListColumn::CloudStatus:
        // Any negative state is unknown: the cell keeps the last state the device reported.
        if (record.P2pStatus >= 1) {
            return m_online;
        }
        if (record.P2pStatus == 0) {
            return m_offline;
        }
        return std::nullopt;
    case ListColumn::Uuid:
        return Narrow(record.Uuid);
    case ListColumn::OemSn:
        return Narrow(record.OemSn);
    case ListColumn::ExtNumber:
    case ListColumn::MainNumber:
    case ListColumn::ExtName:
    case ListColumn::AddressBoxIp:
    case ListColumn::Notes:
    case ListColumn::ManageCenter:
    case ListColumn::Preview:
    case ListColumn::Version:
    case ListColumn::State:
        break;
    }
    return std::nullopt;
}

} // namespace zk::discovery
