// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/SessionRecords.h"

#include "sdk/AlarmRecord.h"
#include "sdk/DeviceSdk.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cstring>

namespace zk::sdk {
namespace {

std::string_view PayloadView(const char* payload, int payloadBytes) {
    if (payload == nullptr || payloadBytes <= 0) {
        return {};
    }
    return {payload, static_cast<std::size_t>(payloadBytes)};
}

// The text a payload holds: up to its first zero byte, cut to fit the record's area with its zero.
QByteArray TextCopy(std::string_view payload) {
    const std::size_t end = std::min(payload.find('\0'), kPayloadAreaBytes - 1);
    const std::string_view text = payload.substr(0, end);
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::size_t BinaryPayloadBytes(int eventType) {
    switch (eventType) {
    case kEventAlarm:
        return kAlarmRecordBytes;
    case kEventBinary25:
        return kEvent25PayloadBytes;
    case kEventBinary30:
        return kEvent30PayloadBytes;
    default:
        return 0;
    }
}

} // namespace

StatusRecord MakeStatusRecord(int handle, int eventType, const char* payload, int payloadBytes) {
    StatusRecord record;
    record.handle = handle;
    record.eventType = eventType;
    const std::string_view bytes = PayloadView(payload, payloadBytes);
    if (const std::size_t fixed = BinaryPayloadBytes(eventType); fixed > 0) {
        // A short payload stays short, so the handler can tell that it is no whole record.
        const std::size_t size = std::min(fixed, bytes.size());
        record.payload = QByteArray(bytes.data(), static_cast<qsizetype>(size));
    } else {
        record.payload = TextCopy(bytes);
    }
    return record;
}

AuxRecord MakeAuxRecord(int handle, std::uint32_t word, const char* payload, int payloadBytes) {
    AuxRecord record;
    record.handle = handle;
    record.result = AuxResult(word);
    record.code = AuxCode(word);
    const std::string_view bytes = PayloadView(payload, payloadBytes);
    switch (record.code) {
    case kQueryFileSystemVersion:
    case kQueryOwnSerialNumber:
    case kQuerySecondVersion:
        record.payload = ReduceInfoAnswer(record.code, bytes);
        break;
    default:
        record.payload = TextCopy(bytes);
        break;
    }
    return record;
}

QByteArray ReduceInfoAnswer(int code, std::string_view payload) {
    const char* attribute = nullptr;
    if (code == kQueryFileSystemVersion || code == kQuerySecondVersion) {
        attribute = "FileSystemVersion";
    } else if (code == kQueryOwnSerialNumber) {
        attribute = "SerialNumber";
    } else {
        return {};
    }
    tinyxml2::XMLDocument document;
    if (document.Parse(payload.data(), payload.size()) != tinyxml2::XML_SUCCESS) {
        return {};
    }
    const tinyxml2::XMLElement* root = document.RootElement();
    if (root == nullptr || std::strcmp(root->Name(), "RESPONSE_PARAM") != 0) {
        return {};
    }
    const char* value = root->Attribute(attribute);
    if (value == nullptr) {
        return {};
    }
    return QByteArray(value, static_cast<qsizetype>(std::min(std::strlen(value), kInfoAnswerMaxBytes)));
}

} // namespace zk::sdk
