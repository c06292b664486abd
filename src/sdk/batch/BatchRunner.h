// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "discovery/DeviceRow.h"
#include "discovery/ListColumnMap.h"
#include "sdk/batch/RowOutcome.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <any>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zk::base {
class LanguageTable;
class Prompt;
} // namespace zk::base
namespace zk::discovery {
class DeviceListModel;
}

namespace zk::sdk {
class DeviceSdk;
class SessionManager;
} // namespace zk::sdk

namespace zk::sdk::batch {

// Rows handled in one go before the window thread may draw and handle other events again.
inline constexpr int kRowSliceMs = 5;

// Whether the answer to a set request of this code is an acknowledgement the status column shows as
// "SET_OK" or "SET_FAILED": 220-249, 320-349, 420-449, 520-549, 670-679, 681-682 and 820-849.
bool IsAcknowledgementCode(int code);

// The texts one command writes into a row's status column (language keys; null: none).
struct CommandTexts {
    const char* noLogin = "MSGTIP40";   // the row has no session
    const char* failure = "SET_FAILED"; // the device SDK refused the request
    const char* sent = nullptr;         // written as soon as the request went out
};

// One device SDK request of the row worker skeleton.
struct SdkRequest {
    CommandTexts texts;
    // Sends the request over the row's session; returns the SDK's result (0 sent).
    std::function<int(DeviceSdk& sdk, int handle)> send;
    // The code of the answer the request brings (usually its own); 0 when none is awaited.
    int answerCode = 0;
    // For an answer code outside the acknowledgement ranges: the texts its result writes (null:
    // the answer is awaited and counted, but writes nothing).
    const char* answerOk = nullptr;
    const char* answerFailed = nullptr;
    // Read-modify-write commands mark the row's pending slot once the read went out.
    std::function<void(discovery::DeviceRow& row)> onSent;
};

// How a read-modify-write command changed the settings its read brought back.
enum class SlotChange { Changed, NotChanged };

// One read-modify-write command's part in the answer to its read.
struct SlotRule {
    // Whether the row waits for this command's answer (its pending slot is set).
    std::function<bool(const discovery::DeviceRow& row)> pending;
    // Changes the requested field in the parsed settings.
    std::function<SlotChange(discovery::DeviceRow& row, std::any& settings)> apply;
    // Clears the row's pending slot.
    std::function<void(discovery::DeviceRow& row)> clear;
    const char* okText = "SET_OK";         // the set request went out (or was acknowledged, below)
    const char* failedText = "SET_FAILED"; // the read failed, or the set request was refused
    const char* notChangedText = "SET_OK"; // the device already has the value; nothing is sent
    // Optional: runs after the set request of a changed slot was handed to the SDK (its result, 0
    // sent), for commands that follow the set with a request of their own.
    std::function<void(int row, discovery::DeviceRow& device, int sendResult)> afterSet;
};

// What the answer to a read code is parsed into and how the changed settings are sent back.
struct ReadModifyWrite {
    int setCode = 0;
    bool deviceConfig = false; // sent with SetDevcieConfig instead of SetDVRConfig
    // The answer's settings; nothing when the answer cannot be read (nothing is sent then).
    std::function<std::optional<std::any>(std::string_view answer)> parse;
    // The set request's text for the changed settings.
    std::function<std::string(const std::any& settings)> build;
    // The set code lies outside the acknowledgement ranges: its answer, not the queuing, writes the
    // changed slots' okText or failedText.
    bool answerDecides = false;
    // Further set requests built from the same changed settings (one answer holding several
    // elements that go back one by one), sent in this order after the first. Each writes the
    // changed slots' texts and is awaited on its own; their codes must be acknowledgement codes.
    struct FollowingSet {
        int setCode = 0;
        bool deviceConfig = false;
        std::function<std::string(const std::any& settings)> build;
    };
    std::vector<FollowingSet> following;
};

// Where a row stands in the last batch that reached it.
struct RowState {
    int batch = 0; // that batch's id
    RowResult result = RowResult::None;
    bool failed = false;  // one of its requests failed: a later success does not hide it
    int deviceResult = 0; // the result byte of its last answer
};

// The batch row loop and the result path of answers. A batch command picks rows (normally the
// ticked ones), may confirm, and runs a row worker for each row in order; an SDK command's worker
// sends one request per row over the row's session and writes the row's outcome into its status
// column as the device answers. Rows are handled in slices of at most kRowSliceMs, so a thousand
// ticked rows never hold up the window; batches run one after another in the order they started.
//
// The runner keeps, per row, which answers it still awaits and for which batch, so that the command
// line and tests can wait for every answer (the window never waits), and so that a failure in one
// request of a batch is not hidden by a later success of the same batch, while a newer batch's
// answer replaces an older text.
//
// Lives on the window thread; every call comes from there. The list, the sessions, the SDK, the
// texts and the prompt must outlive it.
class BatchRunner final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BatchRunner)

public:
    // A command's work for one row (a display position); -1 when the row has no device row, else 0.
    using RowWorker = std::function<int(int row)>;

    BatchRunner(discovery::DeviceListModel& list, SessionManager& sessions, DeviceSdk& sdk,
                const base::LanguageTable& texts, base::Prompt& prompt, QObject* parent = nullptr);
    ~BatchRunner() override;

    // The number of ticked rows; when none is ticked, shows the text of emptyKey with the caption
    // "ERROR" and returns 0.
    int CountTicked(const char* emptyKey = "MSGTIP13");
    // Asks the text of textKey with the caption "TEXT21"; true only for Yes (closing the box is No).
    bool Confirm(const char* textKey);
    // The same question with a composed text.
    bool ConfirmText(const QString& text);
    // Shows the text of textKey with the caption "ERROR" and the error icon.
    void ShowError(const char* textKey);
    // The same with a text shown as it stands (a message that has no language key).
    void ShowErrorText(const QString& text);
    // Shows a composed text under the program's title with the information icon.
    void ShowInformation(const QString& text);

    // Writes a row's status column (nothing when the column is hidden or already shows the text).
    void SetRowStatus(int row, const QString& text);
    void SetRowStatusKey(int row, const char* textKey);
    // Writes a column of the row holding a session handle; nothing when no row holds it.
    void SetRowStatusByHandle(int handle, discovery::ListColumn column, const QString& text);

    // The text of a language key in the runner's language.
    QString Text(const char* key) const;

    // Row keys of the ticked rows, in display order.
    std::vector<std::string> TickedKeys() const;

    // Runs worker for the rows of these keys, in this order: rows that left the list are skipped.
    // Handles as many rows as fit in a slice at once, the rest from the event loop; after the last
    // row calls finished and emits batchFinished. Returns the batch's id (above 0).
    int Run(std::vector<std::string> keys, RowWorker worker, std::function<void()> finished = {});
    bool Running() const { return !m_jobs.empty(); }
    // The batch whose worker runs now; 0 outside a worker.
    int CurrentBatch() const { return m_currentBatch; }

    // The row worker of every SDK command: an offline row is skipped silently, a row without a
    // session gets the no-login text, a refused request the failure text at once; a sent request
    // may write its own text, marks a read-modify-write slot and is awaited. -1 when the row does
    // not exist, else 0.
    int SdkRowWorker(int row, const SdkRequest& request);
    // The same for a row that gets several requests in order (a document and a control, a restore
    // and a reboot): the row is checked once and every request is sent; a refused one writes its
    // failure text without stopping the rest, and a failure stays the row's outcome.
    int SdkRowWorker(int row, const std::vector<SdkRequest>& requests);

    // Records that the row awaits an answer of this code for a batch (0: the running one) over its
    // current session.
    void Await(int row, int code, int batch = 0, const char* okKey = nullptr, const char* failedKey = nullptr);
    // Answers still awaited over sessions that rows hold now.
    std::size_t AwaitedAnswers() const;
    // Gives up on every awaited answer: such rows end as no-answer.
    void AbandonAwaited();

    // A command outside the SDK skeleton (the search protocol) records its row's outcome.
    void SetRowResult(int row, RowResult result);
    // The row's state in the last batch that reached it; nullptr when none did.
    const RowState* State(std::string_view key) const;

    // The read-modify-write commands of a read code: how its answer is parsed and sent back, and
    // each command's rule. Answers to a read with a non-zero result, or that cannot be parsed,
    // clear the pending rows' slots with their failure text; several commands pending on one read
    // change one parsed copy of the settings, sent back as one set request.
    void SetReadModifyWrite(int readCode, ReadModifyWrite rule);
    void AddSlotRule(int readCode, SlotRule rule);
    // The settings the row's last answer to this read held, with the changes sent back since;
    // nullptr when none arrived over its current session. Commands that later put one field back
    // build on it, so that they do not undo another command's change.
    const std::any* LastSettings(std::string_view key, int readCode) const;

    // The result path of an answer on a row's session (the session manager's answers).
    void OnAnswer(int row, int handle, int code, int result, const QByteArray& payload);

signals:
    void batchFinished(int batchId);

private:
    struct Awaited {
        int code = 0;
        int batch = 0;
        int handle = 0;
        const char* okKey = nullptr;
        const char* failedKey = nullptr;
    };
    struct Job {
        int id = 0;
        std::vector<std::string> keys;
        std::size_t next = 0;
        RowWorker worker;
        std::function<void()> finished;
    };
    struct ReadCode {
        ReadModifyWrite rule;
        std::vector<SlotRule> rules;
    };

    void ScheduleSlice();
    void RunSlice();
    std::optional<Awaited> TakeAwaited(const std::string& key, int code, int handle);
    bool StillAwaits(const std::string& key, int batch) const;
    // The row's result after an answer of its current batch.
    void Settle(RowState& state, const std::string& key, bool ok, int deviceResult);
    void HandleRead(int row, discovery::DeviceRow& device, ReadCode& read, int result, const QByteArray& payload,
                    const std::optional<Awaited>& awaited);

    discovery::DeviceListModel& m_list;
    SessionManager& m_sessions;
    DeviceSdk& m_sdk;
    const base::LanguageTable& m_texts;
    base::Prompt& m_prompt;

    std::deque<Job> m_jobs;
    bool m_sliceScheduled = false;
    bool m_inSlice = false;
    int m_nextBatch = 1;
    int m_currentBatch = 0;
    std::unordered_map<std::string, RowState> m_states;
    std::unordered_map<std::string, std::deque<Awaited>> m_awaiting;
    std::map<int, ReadCode> m_readCodes;
    struct KeptSettings {
        int handle = 0;
        std::any settings;
    };
    std::unordered_map<std::string, std::map<int, KeptSettings>> m_lastSettings;
};

} // namespace zk::sdk::batch
