// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/CSaveParam.h"
#include "sdk/system/PlatformRequests.h"
#include "sdk/system/TimeRequests.h"
#include "sdk/system/TitleRequests.h"

#include <QObject>

#include <functional>
#include <string>
#include <vector>

namespace zk::discovery {
class DeviceListModel;
}
namespace zk::sdk::batch {
class BatchRunner;
}

namespace zk::sdk::system {

// The dialogs the commands open; each returns false when it was cancelled.
struct ParameterHooks {
    // The title dialog over the stored overlay block and the extras of the last title batch.
    std::function<bool(base::OverlayParam& overlay, TitleExtras& extras)> editTitle;
    // The platform dialog over the last platform batch's choice.
    std::function<bool(PlatformChoice& choice)> editPlatform;
    // The time dialog over the stored time block and the last summer time.
    std::function<bool(TimeChoice& choice)> editTime;
};

// The batch commands whose parameters a dialog edits and that go to every row as one configuration
// document: the video title overlay (button 10), the platform server (button 11) and the time
// settings (button 1035's item 32911). Each checks for rows first ("MSGTIP13"), opens its dialog
// (cancelled: nothing is sent), refuses a choice the devices cannot take with its message, and
// sends one SetDVRConfig per row on the batch runner. The title and time blocks are stored in the
// settings file before the rows are sent (a failed save is logged and the batch goes out all the
// same); the platform choice and the summer time are remembered for the next dialog only.
//
// Lives on the window thread; everything it is given must outlive it.
class ParameterCommands final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ParameterCommands)

public:
    ParameterCommands(discovery::DeviceListModel& list, batch::BatchRunner& runner, base::CSaveParam& settings,
                      ParameterHooks hooks, QObject* parent = nullptr);
    ~ParameterCommands() override;

    // SetDVRConfig 525 ("MSGTIP39" when refused): the overlay with the stored title followed by
    // each row's own extras.
    void SetTitle(const std::vector<std::string>& keys);
    // SetDVRConfig 670 ("MSGTIP43"): the platform server; with increase on, the n-th key of the
    // batch (n from 0, also when its row is offline) gets IncreasedUserName(user, n).
    void SetPlatform(const std::vector<std::string>& keys);
    // SetDVRConfig 222 ("SET_TIMECONFIG_FAILED"): the time settings.
    void SetTime(const std::vector<std::string>& keys);

    bool Busy() const { return m_active > 0; }
    const TitleExtras& LastTitleExtras() const { return m_extras; }
    const PlatformChoice& LastPlatform() const { return m_platform; }
    const SummerTime& LastSummerTime() const { return m_summer; }

signals:
    // A command ended (also when it was refused or cancelled before sending anything).
    void commandFinished();

private:
    bool HaveRows(const std::vector<std::string>& keys);
    // Refuses with the problem's message; true when there was one.
    bool Refuse(const char* problem);
    void Finish();

    discovery::DeviceListModel& m_list;
    batch::BatchRunner& m_runner;
    base::CSaveParam& m_settings;
    ParameterHooks m_hooks;
    TitleExtras m_extras;
    PlatformChoice m_platform;
    SummerTime m_summer;
    int m_active = 0;
};

} // namespace zk::sdk::system
