// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "discovery/DeviceRow.h"

#include <QObject>

#include <string>
#include <vector>

namespace zk::sdk::batch {
class BatchRunner;
}

namespace zk::sdk::system {

// The stream protocols a device can offer besides its own (context items 33005-33008, 33020-33023).
enum class StreamProtocol { Hik, Onvif, Dh, Tst };

// The settings changed by reading them first: the TV system (video capture, 504 then 524), ONVIF on
// every network (LAN settings, 305 then 325) and the stream protocol switches (600 then 620). Each
// row gets the read with its pending slot set; the answer changes only the requested field of what
// the device sent, and is sent back only when the field differs ("...NOTCHANGE" texts otherwise).
// A refused or unreadable answer writes the command's failure text and sends nothing. Several
// commands waiting on one read change one copy of the settings, sent back once.
//
// Lives on the window thread; the runner must outlive it. Registers its read rules on the runner
// once, at construction.
class ConfigSwitches final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConfigSwitches)

public:
    explicit ConfigSwitches(batch::BatchRunner& runner, QObject* parent = nullptr);
    ~ConfigSwitches() override;

    // 32970 PAL, 32971 NTSC: "MSG_BATCH_SET_TVSYSTEM" asked first; "MSGTIP13" without rows.
    void TvSystem(const std::vector<std::string>& keys, bool pal);
    // 32977 on, 32978 off: "MSG_BATCH_SET_ONVIFALLNET" asked first.
    void OnvifAllNet(const std::vector<std::string>& keys, bool on);
    // The protocol switches, without a question; the 620 answer writes "SET_OK" or "SET_FAILED".
    void Stream(const std::vector<std::string>& keys, StreamProtocol protocol, bool on);

    // A command is between its start and the end of its row loop.
    bool Busy() const { return m_active > 0; }

signals:
    // A command ended (also when it was refused or cancelled before sending anything).
    void commandFinished();

private:
    void Run(const std::vector<std::string>& keys, const char* confirmKey, int readCode, const char* failureKey,
             discovery::PendingSlot discovery::PendingBlock::*slot, int value);
    void Finish();

    batch::BatchRunner& m_runner;
    int m_active = 0;
};

} // namespace zk::sdk::system
