// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/FixedText.h"
#include "discovery/DeviceListModel.h"
#include "sdk/SessionManager.h"
#include "sdk/batch/BatchRunner.h"
#include "support/FakeSdk.h"
#include "support/ScriptedPrompt.h"

#include "../discovery/ListLanguage.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace zk::test {

// Three listed devices (SN0..SN2 at 192.168.1.10..12), each logged in over the fake SDK, with the
// batch runner the window would have: the ground the read-modify-write command tests stand on.
// The language shows each of the given keys as the key itself.
class LoggedInRows {
protected:
    explicit LoggedInRows(std::map<std::string, std::string> texts) : m_language(false, std::move(texts)) {
        EXPECT_EQ(m_sessions.Start(), 0);
        for (int i = 0; i < 3; ++i) {
            discovery::DeviceRecord record = discovery::EmptyDeviceRecord();
            base::CopyBounded(record.SerialNumber, "SN" + std::to_string(i));
            base::CopyBounded(record.IpAddress, "192.168.1." + std::to_string(10 + i));
            record.PtzPort = 34567;
            m_table.AddOrUpdate(record, "192.168.1.253");
        }
        m_list.Merge();
        for (int row = 0; row < 3; ++row) {
            m_sdk.PushStatus(Handle(row), sdk::kEventLoggedIn);
        }
        Deliver();
        m_sdk.ClearCalls();
    }

    // Every key as its own text.
    static std::map<std::string, std::string> KeysAsTexts(std::initializer_list<const char*> keys) {
        std::map<std::string, std::string> texts;
        for (const char* key : keys) {
            texts[key] = key;
        }
        return texts;
    }

    void Deliver() {
        do {
            QCoreApplication::sendPostedEvents();
        } while (m_sessions.PendingRecords() > 0 || m_runner.Running());
    }
    void Answer(int row, int code, int result, const std::string& payload = {}) {
        m_sdk.PushAnswer(Handle(row), code, result, payload);
        Deliver();
    }
    int Handle(int row) { return m_list.RowAt(row)->LoginHandle; }
    QString Status(int row) const { return m_list.CellText(row, discovery::ListColumn::State); }
    std::vector<std::string> Keys() const {
        std::vector<std::string> keys;
        for (int row = 0; row < m_list.RowCount(); ++row) {
            keys.emplace_back(base::FieldText(m_list.RowAt(row)->Key));
        }
        return keys;
    }

    FakeSdk m_sdk;
    discovery::DeviceTable m_table;
    ListLanguage m_language;
    discovery::DeviceListModel m_list{m_table, m_language.Table(), discovery::DeviceListSettings{}};
    sdk::SessionManager m_sessions{m_sdk, m_list, m_language.Table()};
    ScriptedPrompt m_prompt;
    sdk::batch::BatchRunner m_runner{m_list, m_sessions, m_sdk, m_language.Table(), m_prompt};
};

} // namespace zk::test
