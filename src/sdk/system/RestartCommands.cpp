// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/system/RestartCommands.h"

#include "base/CLoadDisplayCfg.h"
#include "base/DebugLog.h"
#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "discovery/DeviceListModel.h"
#include "discovery/DeviceTable.h"
#include "discovery/SearchController.h"
#include "discovery/SearchEngine.h"
#include "sdk/DeviceSdk.h"
#include "sdk/batch/BatchRunner.h"
#include "sdk/batch/ConfigRequests.h"
#include "sdk/system/SystemRequests.h"

#include <QTimer>

namespace zk::sdk::system {
namespace {

using base::FieldText;
using batch::RowResult;
using batch::SdkRequest;
using discovery::DeviceRow;

std::string SerialOf(const DeviceRow& row) {
    return std::string(FieldText(row.Record.SerialNumber));
}

} // namespace

// A reset between its rounds.
struct RestartCommands::ResetJob {
    std::vector<std::string> keys;
    bool keepNetwork = false;
    int rounds = kResetRounds;
    discovery::Credentials credentials;
    int round = 0;     // rounds begun
    int roundSent = 0; // rows sent in the running round
    bool everSent = false;
};

RestartCommands::RestartCommands(discovery::DeviceListModel& list, discovery::DeviceTable& table,
                                 discovery::SearchController& search, batch::BatchRunner& runner, DeviceSdk& sdk,
                                 const base::CLoadDisplayCfg& display, RestartHooks hooks, QObject* parent)
    : QObject(parent), m_list(list), m_table(table), m_search(search), m_runner(runner), m_sdk(sdk), m_display(display),
      m_hooks(std::move(hooks)) {}

RestartCommands::~RestartCommands() = default;

bool RestartCommands::SendSearchCommand(const DeviceRow& row, int code, bool retainNetwork, int flag, int copies,
                                        const discovery::Credentials& credentials) {
    const std::string serial = SerialOf(row);
    discovery::DeviceRecord record{};
    // A device that left the table (a new search) is not asked.
    if (serial.empty() || m_table.CopyOut(serial, &record, sizeof(record)) != discovery::kTableOk) {
        return false;
    }
    const int result =
        m_search.QueueRequest(code, discovery::BuildCommandBody(serial, retainNetwork, credentials), flag, copies);
    if (result != discovery::kRequestTaken) {
        base::Log("RestartCommands: request %d for %s not sent (%d)\n", code, serial.c_str(), result);
        return false;
    }
    return true;
}

void RestartCommands::SettleSearchSide(int row, bool sent) {
    const DeviceRow* device = m_list.RowAt(row);
    if (device == nullptr) {
        return;
    }
    const batch::RowState* state = m_runner.State(FieldText(device->Key));
    const bool sessionSent =
        state != nullptr && (state->result == RowResult::Sent || state->result == RowResult::Waiting);
    if (sent) {
        if (state == nullptr || !state->failed) {
            if (state == nullptr || state->result != RowResult::Waiting) {
                m_runner.SetRowResult(row, RowResult::Sent);
            }
        }
    } else if (!sessionSent) {
        m_runner.SetRowResult(row, RowResult::Failed);
    }
}

void RestartCommands::Finish() {
    --m_active;
    emit commandFinished();
}

void RestartCommands::Reset(const std::vector<std::string>& keys, bool keepNetwork) {
    ++m_active;
    const auto credentials = m_hooks.credentials ? m_hooks.credentials() : std::nullopt;
    if (!credentials || !m_runner.Confirm(ZK_TEXT_KEY("MSGTIP11"))) {
        Finish();
        return;
    }
    auto job = std::make_shared<ResetJob>();
    job->keys = keys;
    job->keepNetwork = keepNetwork;
    job->credentials = *credentials;
    RunResetRound(std::move(job));
}

void RestartCommands::ResetSelected(int row) {
    const DeviceRow* device = m_list.RowAt(row);
    if (device == nullptr) {
        return;
    }
    ++m_active;
    const auto credentials = m_hooks.credentials ? m_hooks.credentials() : std::nullopt;
    if (!credentials || !m_runner.Confirm(ZK_TEXT_KEY("IDS_STR_ZH_CN_MSG_TIPS122"))) {
        Finish();
        return;
    }
    auto job = std::make_shared<ResetJob>();
    job->keys = {std::string(FieldText(device->Key))};
    job->rounds = 1;
    job->credentials = *credentials;
    RunResetRound(std::move(job));
}

void RestartCommands::RunResetRound(std::shared_ptr<ResetJob> job) {
    ++job->round;
    job->roundSent = 0;
    const bool sessionRestore = !job->keepNetwork && m_display.GetDisplay(base::kDisplayOperatePassword) == 0;
    auto worker = [this, job, sessionRestore](int row) {
        const DeviceRow* device = m_list.RowAt(row);
        if (device == nullptr) {
            return -1;
        }
        const std::string serial = SerialOf(*device);
        // The session's restore carries no keep-network flag, so only a whole reset uses it, and
        // only once per device: later rounds repeat just the datagrams.
        if (sessionRestore && job->round == 1 && device->Online != 0 && device->LoginHandle > 0 &&
            FieldText(device->InfoText1019) == serial) {
            m_sdk.RestoreConfig(device->LoginHandle);
        }
        const bool sent = SendSearchCommand(*device, discovery::kCodeRestore, job->keepNetwork, 0,
                                            discovery::kCopiesRestore, job->credentials);
        m_runner.SetRowResult(row, sent ? RowResult::Sent : RowResult::Failed);
        if (sent) {
            ++job->roundSent;
            job->everSent = true;
        }
        return 0;
    };
    m_runner.Run(job->keys, worker, [this, job] {
        if (job->roundSent > 0 && job->round < job->rounds) {
            // The next round after the spacing, without holding the window up meanwhile.
            QTimer::singleShot(kResetRoundSpacingMs, this, [this, job] { RunResetRound(job); });
            return;
        }
        if (!job->everSent) {
            m_runner.ShowError(ZK_TEXT_KEY("MSGTIP14"));
        }
        Finish();
    });
}

void RestartCommands::ResetOverLogin(const std::vector<std::string>& keys) {
    ++m_active;
    if (keys.empty()) {
        m_runner.ShowError(ZK_TEXT_KEY("MSGTIP13"));
        Finish();
        return;
    }
    if (!m_runner.Confirm(ZK_TEXT_KEY("MSGTIP11"))) {
        Finish();
        return;
    }
    SdkRequest restore = batch::SystemControlRequest(kControlRestoreSettings, std::string());
    restore.texts.failure = ZK_TEXT_KEY("MSGTIP44");
    restore.answerOk = nullptr;
    restore.answerFailed = ZK_TEXT_KEY("MSGTIP44");
    SdkRequest reboot;
    reboot.texts.failure = ZK_TEXT_KEY("MSGTIP35");
    reboot.send = [](DeviceSdk& sdk, int handle) { return sdk.RebootDVR(handle); };
    const std::vector<SdkRequest> requests{restore, reboot};
    m_runner.Run(
        keys, [this, requests](int row) { return m_runner.SdkRowWorker(row, requests); }, [this] { Finish(); });
}

bool RestartCommands::RebootRow(int row, const discovery::Credentials& credentials) {
    if (m_display.GetDisplay(base::kDisplayOperatePassword) == 0) {
        SdkRequest reboot;
        reboot.texts.noLogin = ZK_TEXT_KEY("MSGTIP23");
        reboot.texts.failure = ZK_TEXT_KEY("MSGTIP35");
        reboot.texts.sent = ZK_TEXT_KEY("RESTARTING");
        reboot.send = [](DeviceSdk& sdk, int handle) { return sdk.RebootDVR(handle); };
        if (m_runner.SdkRowWorker(row, reboot) < 0) {
            return false;
        }
    }
    const DeviceRow* device = m_list.RowAt(row);
    if (device == nullptr) {
        return false;
    }
    const bool sent =
        SendSearchCommand(*device, discovery::kCodeReboot, false, 0, discovery::kCopiesReboot, credentials);
    SettleSearchSide(row, sent);
    return sent;
}

void RestartCommands::RunReboot(const std::vector<std::string>& keys, const discovery::Credentials& credentials) {
    auto sent = std::make_shared<int>(0);
    m_runner.Run(
        keys,
        [this, credentials, sent](int row) {
            *sent += RebootRow(row, credentials) ? 1 : 0;
            return 0;
        },
        [this, sent] {
            if (*sent == 0) {
                m_runner.ShowError(ZK_TEXT_KEY("MSGTIP16"));
            }
            Finish();
        });
}

void RestartCommands::Reboot(const std::vector<std::string>& keys) {
    ++m_active;
    const auto credentials = m_hooks.credentials ? m_hooks.credentials() : std::nullopt;
    if (!credentials || !m_runner.Confirm(ZK_TEXT_KEY("MSGTIP38"))) {
        Finish();
        return;
    }
    RunReboot(keys, *credentials);
}

void RestartCommands::RebootSelected(int row) {
    const DeviceRow* device = m_list.RowAt(row);
    if (device == nullptr) {
        return;
    }
    ++m_active;
    const auto credentials = m_hooks.credentials ? m_hooks.credentials() : std::nullopt;
    if (!credentials) {
        Finish();
        return;
    }
    RunReboot({std::string(FieldText(device->Key))}, *credentials);
}

void RestartCommands::FactoryMode(const std::vector<std::string>& keys, bool on) {
    ++m_active;
    const auto credentials = m_hooks.credentials ? m_hooks.credentials() : std::nullopt;
    const QString question = m_runner.Text(ZK_TEXT_KEY("MSG_MODE_FACTORY_COMFIRM")) + u' ' +
                             m_runner.Text(on ? ZK_TEXT_KEY("ENABLE") : ZK_TEXT_KEY("STRING_CLOSE")) + u'?';
    if (!credentials || !m_runner.ConfirmText(question)) {
        Finish();
        return;
    }
    const SdkRequest control = batch::SystemControlRequest(kControlFactoryMode, FactoryModeRequest(on));
    const discovery::Credentials user = *credentials;
    auto sent = std::make_shared<int>(0);
    m_runner.Run(
        keys,
        [this, control, user, on, sent](int row) {
            if (m_runner.SdkRowWorker(row, control) < 0) {
                return -1;
            }
            const DeviceRow* device = m_list.RowAt(row);
            const bool ok = device != nullptr &&
                            SendSearchCommand(*device, discovery::kCodeFactoryMode, false,
                                              on ? discovery::kFlagFactoryModeOn : discovery::kFlagFactoryModeOff,
                                              discovery::kCopiesFactoryMode, user);
            SettleSearchSide(row, ok);
            *sent += ok ? 1 : 0;
            return 0;
        },
        [this, sent] {
            if (*sent == 0) {
                m_runner.ShowError(ZK_TEXT_KEY("MSGTIP13"));
            }
            Finish();
        });
}

} // namespace zk::sdk::system
