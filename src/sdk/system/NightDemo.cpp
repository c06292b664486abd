// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/system/NightDemo.h"

#include "base/DebugLog.h"
#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "discovery/DeviceListModel.h"
#include "sdk/DeviceSdk.h"
#include "sdk/batch/BatchRunner.h"
#include "sdk/batch/ConfigRequests.h"
#include "sdk/config/ConfigReads.h"
#include "sdk/config/SdkStructures.h"

#include <any>
#include <cstring>
#include <memory>

namespace zk::sdk::system {
namespace {

using batch::SdkRequest;
using batch::SlotChange;
using discovery::DeviceRow;

constexpr const char* kNightModeRequest = "<REQUEST_PARAM Mode=\"NightMode\" />\n";
constexpr const char* kDayModeRequest = "<REQUEST_PARAM Mode=\"DayMode\" />\n";
constexpr const char* kIrcutFailed = ZK_TEXT_KEY("MSG_SET_IRCUT_FAILED");

enum NightState : std::int32_t { kIdle = 0, kReadSent = 1, kNightSet = 2, kNightMode = 3 };

std::int32_t OriginalIrcut(const DeviceRow& row) {
    std::int32_t value = 0;
    std::memcpy(&value, row.Pending.NightModeCapture, sizeof(value));
    return value;
}

void KeepOriginalIrcut(DeviceRow& row, std::int32_t value) {
    std::memcpy(row.Pending.NightModeCapture, &value, sizeof(value));
}

SdkRequest Control(const char* text) {
    SdkRequest request = batch::SystemControlRequest(kControlNightMode, text);
    request.texts.failure = kIrcutFailed;
    request.answerOk = nullptr;
    request.answerFailed = kIrcutFailed;
    return request;
}

} // namespace

NightDemo::NightDemo(discovery::DeviceListModel& list, batch::BatchRunner& runner, DeviceSdk& sdk, QObject* parent)
    : QObject(parent), m_list(list), m_runner(runner), m_sdk(sdk) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &NightDemo::Restore);
    config::RegisterConfigReads(m_runner);

    batch::SlotRule rule;
    rule.pending = [](const DeviceRow& row) { return row.Pending.NightMode.Pending == kReadSent; };
    rule.apply = [](DeviceRow& row, std::any& settings) {
        auto& capture = std::any_cast<config::VideoCaptureConfig&>(settings);
        KeepOriginalIrcut(row, capture.IrcutMode);
        capture.IrcutMode = kIrcutForcedNight;
        row.Pending.NightMode.Pending = kNightSet;
        // Sent even when the device is in forced night already: the demonstration shows it.
        return SlotChange::Changed;
    };
    rule.clear = [](DeviceRow& row) {
        // Only a read that brought nothing ends here; a row whose night set went out stays for Restore.
        if (row.Pending.NightMode.Pending == kReadSent) {
            row.Pending.NightMode.Pending = kIdle;
        }
    };
    rule.okText = ZK_TEXT_KEY("MSG_SET_IRCUT_OK");
    rule.failedText = kIrcutFailed;
    rule.afterSet = [this](int row, DeviceRow&, int sendResult) { ForceNight(row, sendResult); };
    m_runner.AddSlotRule(config::kReadVideoCapture, std::move(rule));
}

NightDemo::~NightDemo() = default;

void NightDemo::Start(const std::vector<std::string>& keys) {
    if (m_running) {
        return;
    }
    if (keys.empty()) {
        m_runner.ShowError(ZK_TEXT_KEY("MSGTIP13"));
        return;
    }
    m_running = true;
    emit runningChanged(true);
    m_timer.start(kNightDemoMs);
    const SdkRequest read = batch::ReadRequest(config::kReadVideoCapture, kIrcutFailed, [](DeviceRow& row) {
        row.Pending.NightMode = {kReadSent, 0};
    });
    m_runner.Run(keys, [this, read](int row) {
        // Rows the loop had not reached when the demonstration ended are left alone.
        return m_running ? m_runner.SdkRowWorker(row, read) : 0;
    });
}

void NightDemo::ForceNight(int row, int sendResult) {
    DeviceRow* device = m_list.RowAt(row);
    if (sendResult != 0 || device == nullptr) {
        return;
    }
    if (m_sdk.SystemControl(device->LoginHandle, kControlNightMode, 0, kNightModeRequest) != 0) {
        m_runner.SetRowStatusKey(row, kIrcutFailed);
        return;
    }
    device->Pending.NightMode.Pending = kNightMode;
    m_runner.Await(row, kControlNightMode, 0, nullptr, kIrcutFailed);
}

void NightDemo::Restore() {
    if (!m_running) {
        return;
    }
    m_running = false;
    m_timer.stop();
    int restored = 0;
    for (int row = 0; row < m_list.RowCount(); ++row) {
        DeviceRow* device = m_list.RowAt(row);
        if (device == nullptr) {
            continue;
        }
        const std::int32_t state = device->Pending.NightMode.Pending;
        device->Pending.NightMode = {kIdle, 0};
        if (state != kNightSet && state != kNightMode) {
            continue;
        }
        ++restored;
        std::vector<SdkRequest> requests{Control(kDayModeRequest)};
        const std::any* last = m_runner.LastSettings(base::FieldText(device->Key), config::kReadVideoCapture);
        if (last != nullptr) {
            auto capture = std::any_cast<config::VideoCaptureConfig>(*last);
            capture.IrcutMode = OriginalIrcut(*device);
            SdkRequest back =
                batch::SetConfigRequest(config::kSetVideoCapture, config::XMLGET_VideoCaptureConfig(capture));
            back.texts.failure = kIrcutFailed;
            requests.push_back(std::move(back));
        } else {
            // The session changed since the night set: what the device holds now is unknown.
            m_runner.SetRowStatusKey(row, kIrcutFailed);
            base::Log("NightDemo: row %d has no capture settings of its session to put back\n", row);
        }
        m_runner.SdkRowWorker(row, requests);
    }
    base::Log("NightDemo: day mode back on %d rows\n", restored);
    emit runningChanged(false);
}

} // namespace zk::sdk::system
