// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/DeviceRecordJson.h"

#include "base/FixedText.h"
#include "platform/TextCodec.h"

namespace zk::discovery {

QJsonObject DeviceRecordToJson(const DeviceRecord& record, bool includeRawReply) {
    QJsonObject json;
    auto text = [&json](const char* key, std::string_view value) {
        json.insert(QLatin1StringView(key), platform::AnsiToWide(value));
    };
#define ZK_JSON_TEXT(field) text(#field, base::FieldText(record.field))
#define ZK_JSON_NUMBER(field) json.insert(QLatin1StringView(#field), static_cast<qint64>(record.field))
    ZK_JSON_TEXT(SerialNumber);
    ZK_JSON_TEXT(PlatformId);
    ZK_JSON_NUMBER(P2pType);
    ZK_JSON_TEXT(P2pId);
    ZK_JSON_TEXT(DeviceType);
    ZK_JSON_NUMBER(UserValid);
    ZK_JSON_TEXT(Username);
    ZK_JSON_TEXT(Password);
    ZK_JSON_TEXT(UserGroup);
    ZK_JSON_TEXT(UserStatus);
    ZK_JSON_NUMBER(RtspEnable);
    ZK_JSON_NUMBER(StreamAuth);
    ZK_JSON_NUMBER(RtpOverRtsp);
    ZK_JSON_NUMBER(VideoPort);
    ZK_JSON_NUMBER(CommEnable);
    ZK_JSON_NUMBER(PtzPort);
    ZK_JSON_NUMBER(OnvifEnable);
    ZK_JSON_NUMBER(WebEnable);
    ZK_JSON_NUMBER(OnvifAuth);
    ZK_JSON_NUMBER(WebPort);
    ZK_JSON_TEXT(MacAddress);
    ZK_JSON_NUMBER(Dhcp);
    ZK_JSON_NUMBER(AllNet);
    ZK_JSON_TEXT(IpAddress);
    ZK_JSON_TEXT(Netmask);
    ZK_JSON_TEXT(Gateway);
    ZK_JSON_TEXT(Dns1);
    ZK_JSON_TEXT(Dns2);
    ZK_JSON_NUMBER(RunTime);
    ZK_JSON_NUMBER(P2pStatus);
    ZK_JSON_TEXT(LocalIp);
    ZK_JSON_TEXT(Osd);
    ZK_JSON_TEXT(Version);
    ZK_JSON_TEXT(AfVersion);
    ZK_JSON_TEXT(Uuid);
    ZK_JSON_TEXT(OemSn);
    if (includeRawReply) {
        ZK_JSON_TEXT(RawReply);
    }
    ZK_JSON_NUMBER(LastSeenTick);
    ZK_JSON_NUMBER(UserConfigPresent);
#undef ZK_JSON_TEXT
#undef ZK_JSON_NUMBER
    return json;
}

} // namespace zk::discovery
