// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/system/ConfigSwitches.h"

#include "base/LanguageTable.h"
#include "sdk/batch/BatchRunner.h"
#include "sdk/batch/ConfigRequests.h"
#include "sdk/config/ConfigReads.h"
#include "sdk/config/SdkStructures.h"

#include <any>

namespace zk::sdk::system {
namespace {

using batch::SlotChange;
using batch::SlotRule;
using discovery::DeviceRow;
using discovery::PendingBlock;
using discovery::PendingSlot;

// A slot rule setting one integer field of a structure to the slot's value.
template <class Config>
SlotRule FieldRule(PendingSlot PendingBlock::*slot, int Config::*field, const char* ok, const char* failed,
                   const char* notChanged) {
    SlotRule rule;
    rule.pending = [slot](const DeviceRow& row) { return (row.Pending.*slot).Pending == 1; };
    rule.apply = [slot, field](DeviceRow& row, std::any& settings) {
        Config& config = std::any_cast<Config&>(settings);
        const int value = (row.Pending.*slot).Value;
        if (config.*field == value) {
            return SlotChange::NotChanged;
        }
        config.*field = value;
        return SlotChange::Changed;
    };
    rule.clear = [slot](DeviceRow& row) { row.Pending.*slot = PendingSlot{0, 0}; };
    rule.okText = ok;
    rule.failedText = failed;
    rule.notChangedText = notChanged;
    return rule;
}

struct StreamSlot {
    PendingSlot PendingBlock::*slot;
    int config::MediaStreamConfig::*field;
};

StreamSlot SlotOf(StreamProtocol protocol) {
    switch (protocol) {
    case StreamProtocol::Hik:
        return {&PendingBlock::StreamHik, &config::MediaStreamConfig::enable_hik};
    case StreamProtocol::Onvif:
        return {&PendingBlock::StreamOnvif, &config::MediaStreamConfig::enable_onvif};
    case StreamProtocol::Dh:
        return {&PendingBlock::StreamDh, &config::MediaStreamConfig::enable_dh};
    case StreamProtocol::Tst:
        break;
    }
    return {&PendingBlock::StreamTst, &config::MediaStreamConfig::enable_tst};
}

} // namespace

ConfigSwitches::ConfigSwitches(batch::BatchRunner& runner, QObject* parent) : QObject(parent), m_runner(runner) {
    config::RegisterConfigReads(m_runner);
    m_runner.AddSlotRule(config::kReadVideoCapture,
                         FieldRule(&PendingBlock::TvSystem, &config::VideoCaptureConfig::TVSystem,
                                   ZK_TEXT_KEY("MSG_SET_TVSYSTEM_OK"), ZK_TEXT_KEY("MSG_SET_TVSYSTEM_FAILED"),
                                   ZK_TEXT_KEY("MSG_SET_TVSYSTEM_NOTCHANGE")));
    m_runner.AddSlotRule(config::kReadLan,
                         FieldRule(&PendingBlock::OnvifAllNet, &config::LanConfig::AllNet,
                                   ZK_TEXT_KEY("MSG_SET_ONVIFALLNET_OK"), ZK_TEXT_KEY("MSG_SET_ONVIFALLNET_FAILED"),
                                   ZK_TEXT_KEY("MSG_SET_ONVIFALLNET_NOTCHANGE")));
    for (const StreamProtocol protocol :
         {StreamProtocol::Hik, StreamProtocol::Onvif, StreamProtocol::Dh, StreamProtocol::Tst}) {
        const StreamSlot stream = SlotOf(protocol);
        m_runner.AddSlotRule(config::kReadMediaStream, FieldRule(stream.slot, stream.field, ZK_TEXT_KEY("SET_OK"),
                                                                 ZK_TEXT_KEY("SET_FAILED"), ZK_TEXT_KEY("SET_OK")));
    }
}

ConfigSwitches::~ConfigSwitches() = default;

void ConfigSwitches::TvSystem(const std::vector<std::string>& keys, bool pal) {
    Run(keys, ZK_TEXT_KEY("MSG_BATCH_SET_TVSYSTEM"), config::kReadVideoCapture, ZK_TEXT_KEY("MSG_SET_TVSYSTEM_FAILED"),
        &PendingBlock::TvSystem, pal ? 1 : 0);
}

void ConfigSwitches::OnvifAllNet(const std::vector<std::string>& keys, bool on) {
    Run(keys, ZK_TEXT_KEY("MSG_BATCH_SET_ONVIFALLNET"), config::kReadLan, ZK_TEXT_KEY("MSG_SET_ONVIFALLNET_FAILED"),
        &PendingBlock::OnvifAllNet, on ? 1 : 0);
}

void ConfigSwitches::Stream(const std::vector<std::string>& keys, StreamProtocol protocol, bool on) {
    Run(keys, nullptr, config::kReadMediaStream, ZK_TEXT_KEY("SET_FAILED"), SlotOf(protocol).slot, on ? 1 : 0);
}

void ConfigSwitches::Run(const std::vector<std::string>& keys, const char* confirmKey, int readCode,
                         const char* failureKey, PendingSlot PendingBlock::*slot, int value) {
    ++m_active;
    if (keys.empty()) {
        m_runner.ShowError(ZK_TEXT_KEY("MSGTIP13"));
        Finish();
        return;
    }
    if (confirmKey != nullptr && !m_runner.Confirm(confirmKey)) {
        Finish();
        return;
    }
    const batch::SdkRequest read = batch::ReadRequest(readCode, failureKey, [slot, value](DeviceRow& row) {
        row.Pending.*slot = {1, value};
    });
    m_runner.Run(
        keys, [this, read](int row) { return m_runner.SdkRowWorker(row, read); }, [this] { Finish(); });
}

void ConfigSwitches::Finish() {
    --m_active;
    emit commandFinished();
}

} // namespace zk::sdk::system
