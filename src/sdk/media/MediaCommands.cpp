// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/media/MediaCommands.h"

#include "base/CSaveParam.h"
#include "base/DebugLog.h"
#include "base/LanguageTable.h"
#include "discovery/DeviceRow.h"
#include "sdk/batch/BatchRunner.h"
#include "sdk/batch/ConfigRequests.h"
#include "sdk/config/ConfigReads.h"
#include "sdk/config/SdkStructures.h"

#include <cstring>
#include <type_traits>

namespace zk::sdk::media {
namespace {

using batch::SlotChange;
using batch::SlotRule;
using discovery::DeviceRow;

static_assert(std::is_trivially_copyable_v<base::MediaLightParam>);
static_assert(sizeof(base::MediaLightParam) <= sizeof(discovery::PendingBlock::LightParams),
              "a row keeps its copy of the light block");
static_assert(sizeof(SmartDetectParams) == sizeof(discovery::PendingBlock::SmartDetectionParams),
              "a row keeps its copy of the detection block");

base::MediaLightParam RowLights(const DeviceRow& row) {
    base::MediaLightParam light;
    std::memcpy(&light, row.Pending.LightParams, sizeof(light));
    return light;
}

SmartDetectParams RowSmartDetect(const DeviceRow& row) {
    SmartDetectParams params;
    std::memcpy(&params, row.Pending.SmartDetectionParams, sizeof(params));
    return params;
}

// The light rule on the capture read: the block the row was given replaces the light fields.
SlotRule LightRule() {
    SlotRule rule;
    rule.pending = [](const DeviceRow& row) { return row.Pending.Lights.Pending == 1; };
    rule.apply = [](DeviceRow& row, std::any& settings) {
        auto& capture = std::any_cast<config::VideoCaptureConfig&>(settings);
        return ApplyLights(RowLights(row), capture) ? SlotChange::Changed : SlotChange::NotChanged;
    };
    rule.clear = [](DeviceRow& row) { row.Pending.Lights = {0, 0}; };
    return rule;
}

// The smart-detection rule on the alarm read: all three detections go back, changed as the block
// asks, whether or not a value differs (each element is a setting of its own on the device).
SlotRule SmartDetectRule() {
    SlotRule rule;
    rule.pending = [](const DeviceRow& row) { return row.Pending.SmartDetection.Pending == 1; };
    rule.apply = [](DeviceRow& row, std::any& settings) {
        ApplySmartDetection(RowSmartDetect(row), std::any_cast<config::AlarmConfig&>(settings));
        return SlotChange::Changed;
    };
    rule.clear = [](DeviceRow& row) { row.Pending.SmartDetection = {0, 0}; };
    return rule;
}

batch::SdkRequest Document(int code, std::string text, const char* failure, bool deviceConfig = false) {
    batch::SdkRequest request = batch::SetConfigRequest(code, std::move(text), deviceConfig);
    request.texts.failure = failure;
    return request;
}

} // namespace

MediaCommands::MediaCommands(batch::BatchRunner& runner, base::CSaveParam& settings, MediaHooks hooks, QObject* parent)
    : QObject(parent), m_runner(runner), m_settings(settings), m_hooks(std::move(hooks)) {
    config::RegisterConfigReads(m_runner);
    m_runner.AddSlotRule(config::kReadVideoCapture, LightRule());
    m_runner.AddSlotRule(config::kReadAlarms, SmartDetectRule());
    m_videoEncode.streams = {DefaultEncodeStream(1)};
}

MediaCommands::~MediaCommands() = default;

bool MediaCommands::HaveRows(const std::vector<std::string>& keys) {
    ++m_active;
    if (keys.empty()) {
        m_runner.ShowError(ZK_TEXT_KEY("MSGTIP13"));
        Finish();
        return false;
    }
    return true;
}

void MediaCommands::Finish() {
    --m_active;
    emit commandFinished();
}

template <class Block>
bool MediaCommands::Edit(const std::function<bool(Block&)>& hook, Block& block, Refusal (*check)(const Block&)) {
    if (!hook || !hook(block)) {
        Finish();
        return false;
    }
    // The windows refuse these values themselves; a caller that fills the block otherwise is held
    // to the same rules.
    if (const Refusal refusal = check(block)) {
        if (refusal.literal) {
            m_runner.ShowErrorText(QString::fromUtf8(refusal.text));
        } else {
            m_runner.ShowError(refusal.text);
        }
        Finish();
        return false;
    }
    return true;
}

void MediaCommands::RunEach(const std::vector<std::string>& keys, batch::SdkRequest request) {
    m_runner.Run(
        keys, [this, request = std::move(request)](int row) { return m_runner.SdkRowWorker(row, request); },
        [this] { Finish(); });
}

void MediaCommands::SetCodingType(const std::vector<std::string>& keys, CodingType type) {
    if (!HaveRows(keys)) {
        return;
    }
    if (!m_runner.Confirm(ZK_TEXT_KEY("ID_BATCH_SET_VIDEOTYPE_TIPS"))) {
        Finish();
        return;
    }
    RunEach(keys, Document(kSetVideoEncode, CodingTypeDocument(type), ZK_TEXT_KEY("MSGTIP39")));
}

void MediaCommands::SetVideoEncode(const std::vector<std::string>& keys) {
    if (!HaveRows(keys)) {
        return;
    }
    VideoEncodeChoice choice = m_videoEncode;
    if (!Edit(m_hooks.editVideoEncode, choice, &CheckVideoEncode)) {
        return;
    }
    if (!m_runner.Confirm(ZK_TEXT_KEY("MSG_VIDEO_ENCODE_SET"))) {
        Finish();
        return;
    }
    m_videoEncode = choice;
    RunEach(keys, Document(kSetVideoEncode, VideoEncodeDocument(choice), ZK_TEXT_KEY("IDS_STR_ZH_CN_SET_FAILED")));
}

void MediaCommands::SetVideoCapture(const std::vector<std::string>& keys) {
    if (!HaveRows(keys)) {
        return;
    }
    VideoCaptureParams params = m_videoCapture;
    if (!Edit(m_hooks.editVideoCapture, params, &CheckVideoCapture)) {
        return;
    }
    m_videoCapture = params;
    RunEach(keys, Document(kSetVideoCapture, VideoCaptureDocument(params), ZK_TEXT_KEY("SET_FAILED")));
}

void MediaCommands::SetAudioCapture(const std::vector<std::string>& keys) {
    if (!HaveRows(keys)) {
        return;
    }
    AudioCaptureParams params = m_audioCapture;
    if (!Edit(m_hooks.editAudioCapture, params, &CheckAudioCapture)) {
        return;
    }
    m_audioCapture = params;
    RunEach(keys, Document(kSetAudioCapture, AudioCaptureDocument(params), ZK_TEXT_KEY("IDS_STR_ZH_CN_SET_FAILED")));
}

void MediaCommands::SetAudioEncode(const std::vector<std::string>& keys) {
    if (!HaveRows(keys)) {
        return;
    }
    AudioEncodeParams params = m_audioEncode;
    if (!Edit(
            m_hooks.editAudioEncode, params, +[](const AudioEncodeParams&) { return Refusal{}; })) {
        return;
    }
    if (!m_runner.Confirm(ZK_TEXT_KEY("MSG_VIDEO_ENCODE_SET"))) {
        Finish();
        return;
    }
    m_audioEncode = params;
    RunEach(keys, Document(kSetAudioEncode, AudioEncodeDocument(params), ZK_TEXT_KEY("IDS_STR_ZH_CN_SET_FAILED")));
}

void MediaCommands::SetLights(const std::vector<std::string>& keys) {
    if (!HaveRows(keys)) {
        return;
    }
    base::MediaLightParam light = m_settings.MediaLight();
    if (!Edit(m_hooks.editLights, light, &CheckLights)) {
        return;
    }
    // The block is kept for the next window and the next start, whether or not it can be saved.
    if (m_settings.SaveMediaLight(light) != 0) {
        base::Log("MediaCommands: the light settings could not be saved\n");
    }
    const batch::SdkRequest read =
        batch::ReadRequest(config::kReadVideoCapture, ZK_TEXT_KEY("SET_FAILED"), [light](DeviceRow& row) {
            std::memcpy(row.Pending.LightParams, &light, sizeof(light));
            row.Pending.Lights = {1, 0};
        });
    RunEach(keys, read);
}

void MediaCommands::SetImageTuning(const std::vector<std::string>& keys) {
    if (!HaveRows(keys)) {
        return;
    }
    ImageTuningParams params = m_imageTuning;
    if (!Edit(m_hooks.editImageTuning, params, &CheckImageTuning)) {
        return;
    }
    m_imageTuning = params;
    batch::SdkRequest request = batch::SystemControlRequest(kImageTuningControl, ImageTuningRequest(params));
    request.texts.failure = ZK_TEXT_KEY("SET_FAILED");
    RunEach(keys, std::move(request));
}

void MediaCommands::SetMotionDetect(const std::vector<std::string>& keys) {
    if (!HaveRows(keys)) {
        return;
    }
    MotionDetectParams params = m_motionDetect;
    if (!Edit(m_hooks.editMotionDetect, params, &CheckMotionDetect)) {
        return;
    }
    m_motionDetect = params;
    RunEach(keys, Document(kSetMotionDetect, MotionDetectRequest(params), ZK_TEXT_KEY("MSGTIP45")));
}

void MediaCommands::SetSmartDetect(const std::vector<std::string>& keys) {
    if (!HaveRows(keys)) {
        return;
    }
    SmartDetectParams params = m_smartDetect;
    if (!Edit(m_hooks.editSmartDetect, params, &CheckSmartDetect)) {
        return;
    }
    m_smartDetect = params;
    const batch::SdkRequest read =
        batch::ReadRequest(config::kReadAlarms, ZK_TEXT_KEY("SET_FAILED"), [params](DeviceRow& row) {
            std::memcpy(row.Pending.SmartDetectionParams, &params, sizeof(params));
            row.Pending.SmartDetection = {1, 0};
        });
    RunEach(keys, read);
}

} // namespace zk::sdk::media
