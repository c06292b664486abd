// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/batch/BatchRunner.h"

#include "base/DebugLog.h"
#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "base/Prompt.h"
#include "discovery/DeviceListModel.h"
#include "sdk/DeviceSdk.h"
#include "sdk/SessionManager.h"

#include <QTimer>

#include <algorithm>
#include <chrono>

namespace zk::sdk::batch {
namespace {

using discovery::DeviceRow;
using discovery::ListColumn;

constexpr const char* kErrorCaption = "ERROR";
constexpr const char* kSetOk = ZK_TEXT_KEY("SET_OK");
constexpr const char* kSetFailed = ZK_TEXT_KEY("SET_FAILED");

struct CodeRange {
    int first;
    int last;
};
constexpr CodeRange kAcknowledgementCodes[] = {{220, 249}, {320, 349}, {420, 449}, {520, 549},
                                               {670, 679}, {681, 682}, {820, 849}};

std::string KeyOf(const DeviceRow& row) {
    return std::string(base::FieldText(row.Key));
}

RowResult FailureOf(int deviceResult) {
    return deviceResult == kResultNoAnswer ? RowResult::NoAnswer : RowResult::Failed;
}

} // namespace

bool IsAcknowledgementCode(int code) {
    return std::any_of(std::begin(kAcknowledgementCodes), std::end(kAcknowledgementCodes),
                       [code](const CodeRange& range) { return code >= range.first && code <= range.last; });
}

BatchRunner::BatchRunner(discovery::DeviceListModel& list, SessionManager& sessions, DeviceSdk& sdk,
                         const base::LanguageTable& texts, base::Prompt& prompt, QObject* parent)
    : QObject(parent), m_list(list), m_sessions(sessions), m_sdk(sdk), m_texts(texts), m_prompt(prompt) {
    connect(&m_sessions, &SessionManager::answerReceived, this, &BatchRunner::OnAnswer);
    // Rows deleted with the list take their batch state with them; their sessions are gone too.
    connect(&m_list, &discovery::DeviceListModel::rowsCleared, this, [this] {
        m_states.clear();
        m_awaiting.clear();
        m_lastSettings.clear();
    });
}

BatchRunner::~BatchRunner() = default;

QString BatchRunner::Text(const char* key) const {
    return m_texts.GetText(key);
}

int BatchRunner::CountTicked(const char* emptyKey) {
    const int ticked = m_list.TickedCount();
    if (ticked == 0) {
        ShowError(emptyKey);
    }
    return ticked;
}

bool BatchRunner::Confirm(const char* textKey) {
    return ConfirmText(Text(textKey));
}

bool BatchRunner::ConfirmText(const QString& text) {
    return m_prompt.AskYesNo(Text(ZK_TEXT_KEY("TEXT21")), text, base::PromptIcon::Question);
}

void BatchRunner::ShowError(const char* textKey) {
    m_prompt.ShowMessage(QLatin1StringView(kErrorCaption), Text(textKey), base::PromptIcon::Error);
}

void BatchRunner::ShowErrorText(const QString& text) {
    m_prompt.ShowMessage(QLatin1StringView(kErrorCaption), text, base::PromptIcon::Error);
}

void BatchRunner::ShowInformation(const QString& text) {
    m_prompt.ShowMessage(m_texts.GetTitle(), text, base::PromptIcon::Information);
}

void BatchRunner::SetRowStatus(int row, const QString& text) {
    m_list.SetCellText(row, ListColumn::State, text);
}

void BatchRunner::SetRowStatusKey(int row, const char* textKey) {
    if (textKey != nullptr) {
        SetRowStatus(row, Text(textKey));
    }
}

void BatchRunner::SetRowStatusByHandle(int handle, ListColumn column, const QString& text) {
    const int row = m_sessions.FindRowByHandle(handle);
    if (row >= 0) {
        m_list.SetCellText(row, column, text);
    }
}

std::vector<std::string> BatchRunner::TickedKeys() const {
    std::vector<std::string> keys;
    for (const int row : m_list.TickedRows()) {
        if (const DeviceRow* device = m_list.RowAt(row)) {
            keys.push_back(KeyOf(*device));
        }
    }
    return keys;
}

int BatchRunner::Run(std::vector<std::string> keys, RowWorker worker, std::function<void()> finished) {
    Job job;
    job.id = m_nextBatch++;
    job.keys = std::move(keys);
    job.worker = std::move(worker);
    job.finished = std::move(finished);
    const int id = job.id;
    m_jobs.push_back(std::move(job));
    // A batch started while none runs begins at once, so that small batches end inside the command.
    if (m_jobs.size() == 1 && !m_inSlice) {
        RunSlice();
    }
    return id;
}

void BatchRunner::ScheduleSlice() {
    if (!m_sliceScheduled) {
        m_sliceScheduled = true;
        QTimer::singleShot(0, this, [this] {
            m_sliceScheduled = false;
            RunSlice();
        });
    }
}

void BatchRunner::RunSlice() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRowSliceMs);
    m_inSlice = true;
    while (!m_jobs.empty()) {
        Job& job = m_jobs.front();
        while (job.next < job.keys.size()) {
            const std::string& key = job.keys[job.next++];
            RowState& state = m_states[key];
            state = RowState{};
            state.batch = job.id;
            const int row = m_list.FindRow(key);
            if (row < 0) {
                state.result = RowResult::Skipped;
            } else {
                m_currentBatch = job.id;
                job.worker(row);
                m_currentBatch = 0;
            }
            if (std::chrono::steady_clock::now() >= end) {
                break;
            }
        }
        if (job.next < job.keys.size()) {
            break;
        }
        Job done = std::move(m_jobs.front());
        m_jobs.pop_front();
        if (done.finished) {
            done.finished();
        }
        emit batchFinished(done.id);
        if (std::chrono::steady_clock::now() >= end) {
            break;
        }
    }
    m_inSlice = false;
    if (!m_jobs.empty()) {
        ScheduleSlice();
    }
}

int BatchRunner::SdkRowWorker(int row, const SdkRequest& request) {
    return SdkRowWorker(row, std::vector<SdkRequest>{request});
}

int BatchRunner::SdkRowWorker(int row, const std::vector<SdkRequest>& requests) {
    DeviceRow* device = m_list.RowAt(row);
    if (device == nullptr) {
        return -1;
    }
    const std::string key = KeyOf(*device);
    RowState& state = m_states[key];
    if (device->Online == 0) {
        state.result = RowResult::Offline;
        return 0;
    }
    if (device->LoginHandle <= 0) {
        SetRowStatusKey(row, requests.empty() ? nullptr : requests.front().texts.noLogin);
        state.result = RowResult::NoLogin;
        return 0;
    }
    const int handle = device->LoginHandle;
    for (const SdkRequest& request : requests) {
        if (!request.send || request.send(m_sdk, handle) != 0) {
            SetRowStatusKey(row, request.texts.failure);
            state.result = RowResult::Refused;
            state.failed = true;
            continue;
        }
        SetRowStatusKey(row, request.texts.sent);
        if ((device = m_list.RowAt(row)) != nullptr && request.onSent) {
            request.onSent(*device);
        }
        if (request.answerCode != 0) {
            Await(row, request.answerCode, 0, request.answerOk, request.answerFailed);
        } else if (!state.failed) {
            // A request no answer follows: sent, unless an earlier one of the row still awaits its answer.
            state.result = StillAwaits(key, state.batch) ? RowResult::Waiting : RowResult::Sent;
        }
    }
    return 0;
}

void BatchRunner::Await(int row, int code, int batch, const char* okKey, const char* failedKey) {
    const DeviceRow* device = m_list.RowAt(row);
    if (device == nullptr) {
        return;
    }
    const std::string key = KeyOf(*device);
    RowState& state = m_states[key];
    if (batch == 0) {
        batch = m_currentBatch != 0 ? m_currentBatch : state.batch;
    }
    m_awaiting[key].push_back(Awaited{code, batch, device->LoginHandle, okKey, failedKey});
    if (batch == state.batch && !state.failed) {
        state.result = RowResult::Waiting;
    }
}

std::size_t BatchRunner::AwaitedAnswers() const {
    std::size_t count = 0;
    for (const auto& [key, entries] : m_awaiting) {
        const DeviceRow* device = m_list.RowAt(m_list.FindRow(key));
        if (device == nullptr) {
            continue;
        }
        count += static_cast<std::size_t>(std::count_if(entries.begin(), entries.end(), [device](const Awaited& entry) {
            return entry.handle == device->LoginHandle;
        }));
    }
    return count;
}

void BatchRunner::AbandonAwaited() {
    for (const auto& [key, entries] : m_awaiting) {
        const auto found = m_states.find(key);
        if (found == m_states.end()) {
            continue;
        }
        RowState& state = found->second;
        const bool ownBatch = std::any_of(entries.begin(), entries.end(),
                                          [&state](const Awaited& entry) { return entry.batch == state.batch; });
        if (ownBatch && (state.result == RowResult::Waiting || state.result == RowResult::None)) {
            state.result = RowResult::NoAnswer;
        }
    }
    m_awaiting.clear();
}

void BatchRunner::SetRowResult(int row, RowResult result) {
    if (const DeviceRow* device = m_list.RowAt(row)) {
        RowState& state = m_states[KeyOf(*device)];
        if (state.batch == 0) {
            state.batch = m_currentBatch;
        }
        state.result = result;
        state.failed = state.failed || result == RowResult::Failed || result == RowResult::Refused;
    }
}

const RowState* BatchRunner::State(std::string_view key) const {
    const auto found = m_states.find(std::string(key));
    return found != m_states.end() ? &found->second : nullptr;
}

void BatchRunner::SetReadModifyWrite(int readCode, ReadModifyWrite rule) {
    m_readCodes[readCode].rule = std::move(rule);
}

void BatchRunner::AddSlotRule(int readCode, SlotRule rule) {
    m_readCodes[readCode].rules.push_back(std::move(rule));
}

std::optional<BatchRunner::Awaited> BatchRunner::TakeAwaited(const std::string& key, int code, int handle) {
    const auto found = m_awaiting.find(key);
    if (found == m_awaiting.end()) {
        return std::nullopt;
    }
    auto& entries = found->second;
    // Answers of one session come in the order of its requests: the oldest request of the code is
    // the one answered.
    const auto entry = std::find_if(entries.begin(), entries.end(), [code, handle](const Awaited& awaited) {
        return awaited.code == code && awaited.handle == handle;
    });
    if (entry == entries.end()) {
        return std::nullopt;
    }
    const Awaited taken = *entry;
    entries.erase(entry);
    if (entries.empty()) {
        m_awaiting.erase(found);
    }
    return taken;
}

bool BatchRunner::StillAwaits(const std::string& key, int batch) const {
    const auto found = m_awaiting.find(key);
    return found != m_awaiting.end() && std::any_of(found->second.begin(), found->second.end(),
                                                    [batch](const Awaited& entry) { return entry.batch == batch; });
}

void BatchRunner::Settle(RowState& state, const std::string& key, bool ok, int deviceResult) {
    state.deviceResult = deviceResult;
    if (!ok) {
        state.failed = true;
        state.result = FailureOf(deviceResult);
    } else if (!state.failed) {
        state.result = StillAwaits(key, state.batch) ? RowResult::Waiting : RowResult::Ok;
    }
}

void BatchRunner::OnAnswer(int row, int handle, int code, int result, const QByteArray& payload) {
    DeviceRow* device = m_list.RowAt(row);
    if (device == nullptr || device->LoginHandle != handle) {
        return;
    }
    const std::string key = KeyOf(*device);
    const std::optional<Awaited> awaited = TakeAwaited(key, code, handle);
    RowState& state = m_states[key];

    if (const auto read = m_readCodes.find(code); read != m_readCodes.end()) {
        HandleRead(row, *device, read->second, result, payload, awaited);
        return;
    }

    const char* okKey = nullptr;
    const char* failedKey = nullptr;
    if (IsAcknowledgementCode(code)) {
        okKey = kSetOk;
        failedKey = kSetFailed;
    } else if (awaited) {
        okKey = awaited->okKey;
        failedKey = awaited->failedKey;
    } else {
        return; // an answer no batch asked for (the connect sequence's queries)
    }
    const bool ok = result == kResultOk;
    if (awaited && awaited->batch != state.batch) {
        // A newer batch reached the row since: its outcome owns the status column.
        return;
    }
    if (awaited) {
        const bool hideSuccess = ok && state.failed;
        Settle(state, key, ok, result);
        if (!hideSuccess) {
            SetRowStatusKey(row, ok ? okKey : failedKey);
        }
        return;
    }
    // An acknowledgement nobody awaited: the later text stays, as the device said it.
    SetRowStatusKey(row, ok ? okKey : failedKey);
}

void BatchRunner::HandleRead(int row, DeviceRow& device, ReadCode& read, int result, const QByteArray& payload,
                             const std::optional<Awaited>& awaited) {
    std::vector<const SlotRule*> pending;
    for (const SlotRule& slot : read.rules) {
        if (slot.pending && slot.pending(device)) {
            pending.push_back(&slot);
        }
    }
    const std::string key = KeyOf(device);
    RowState& state = m_states[key];
    if (!pending.empty() && !awaited) {
        // The slots were set for a read over an earlier session (a relogin or a reconnect since):
        // what that request asked is not applied to what this session answers.
        for (const SlotRule* slot : pending) {
            slot->clear(device);
            SetRowStatusKey(row, slot->failedText);
        }
        base::Log("BatchRunner: answer %d of row %d on a new session; its pending slots were dropped\n",
                  read.rule.setCode, row);
        return;
    }
    if (pending.empty()) {
        // A read whose commands were served by an earlier answer of the same code.
        if (awaited && awaited->batch == state.batch) {
            Settle(state, key, result == kResultOk, result);
        }
        return;
    }
    // The pending slots hold the newest requests for the row: what this answer does to them is the
    // outcome of the row's latest batch, whichever read it answers.
    std::optional<std::any> settings;
    if (result == kResultOk && read.rule.parse) {
        settings = read.rule.parse(std::string_view(payload.constData(), static_cast<std::size_t>(payload.size())));
    }
    if (!settings) {
        // Nothing is built from settings that never arrived: every waiting command fails.
        for (const SlotRule* slot : pending) {
            slot->clear(device);
            SetRowStatusKey(row, slot->failedText);
        }
        base::Log("BatchRunner: read for set %d of row %d failed (result %d)\n", read.rule.setCode, row, result);
        Settle(state, key, false, result == kResultOk ? kResultBadRequest : result);
        return;
    }

    // What the device holds now, kept for commands that later put one field back.
    KeptSettings& kept = m_lastSettings[key][awaited->code];
    kept = KeptSettings{device.LoginHandle, *settings};
    std::vector<const SlotRule*> changed;
    for (const SlotRule* slot : pending) {
        const SlotChange change = slot->apply(device, *settings);
        slot->clear(device);
        if (change == SlotChange::Changed) {
            changed.push_back(slot);
        } else {
            SetRowStatusKey(row, slot->notChangedText);
        }
    }
    if (changed.empty()) {
        if (!state.failed) {
            state.result = StillAwaits(key, state.batch) ? RowResult::Waiting : RowResult::NotChanged;
        }
        return;
    }
    auto send = [&](int setCode, bool deviceConfig, const std::string& text) {
        const int length = static_cast<int>(text.size());
        return deviceConfig ? m_sdk.SetDevcieConfig(device.LoginHandle, setCode, text.c_str(), length)
                            : m_sdk.SetDVRConfig(device.LoginHandle, setCode, 0, text.c_str(), length);
    };
    const int sent =
        send(read.rule.setCode, read.rule.deviceConfig, read.rule.build ? read.rule.build(*settings) : std::string());
    for (const SlotRule* slot : changed) {
        if (sent != 0 || !read.rule.answerDecides) {
            SetRowStatusKey(row, sent == 0 ? slot->okText : slot->failedText);
        }
    }
    for (const SlotRule* slot : changed) {
        if (slot->afterSet) {
            slot->afterSet(row, device, sent);
        }
    }
    bool refused = sent != 0;
    if (!refused) {
        kept.settings = *settings;
        if (read.rule.answerDecides) {
            Await(row, read.rule.setCode, state.batch, changed.front()->okText, changed.front()->failedText);
        } else {
            Await(row, read.rule.setCode, state.batch);
        }
    }
    // Every further element goes out even when an earlier one was refused: each is its own setting.
    for (const ReadModifyWrite::FollowingSet& next : read.rule.following) {
        const int nextSent = send(next.setCode, next.deviceConfig, next.build ? next.build(*settings) : std::string());
        for (const SlotRule* slot : changed) {
            // A refusal stays in the status column: a later success does not write over it.
            SetRowStatusKey(row, nextSent != 0 ? slot->failedText : (refused || state.failed ? nullptr : slot->okText));
        }
        if (nextSent == 0) {
            Await(row, next.setCode, state.batch);
        } else {
            refused = true;
        }
    }
    if (refused) {
        state.failed = true;
        state.result = RowResult::Refused;
    }
}

const std::any* BatchRunner::LastSettings(std::string_view key, int readCode) const {
    const auto row = m_lastSettings.find(std::string(key));
    if (row == m_lastSettings.end()) {
        return nullptr;
    }
    const auto kept = row->second.find(readCode);
    if (kept == row->second.end()) {
        return nullptr;
    }
    const discovery::DeviceRow* device = m_list.RowAt(m_list.FindRow(key));
    // Settings read over an ended session may no longer be the device's.
    return device != nullptr && device->LoginHandle == kept->second.handle ? &kept->second.settings : nullptr;
}

} // namespace zk::sdk::batch
