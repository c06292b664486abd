// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Prompt.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What the MP3 frame reader finds in a file, for callers outside the audio subsystem: no
// exception leaves here, failures are a result code and the reader's error text. Offsets and
// sizes are bytes from the start of the file, rates bit/s and Hz, durations seconds.
namespace zk::audio {

// The caption of the reader's error message box.
inline constexpr const char* kMpaErrorCaption = "MPAFile Error";

struct MpaTagInfo {
    QString name;    // "ID3", "APE", "Lyrics3"
    QString version; // "1.1", "2.3.0", "2.0", ...
    qint64 offset = 0;
    qint64 size = 0;
};

struct MpaVbrInfo {
    QString name; // "Xing", "Info", "VBRI"
    qint64 offset = 0;
    qint64 frames = 0; // audio frames after the header's own frame; 0 when not given
    qint64 bytes = 0;  // 0 when not given
    int tocEntries = 0;
};

struct MpaFrameInfo {
    qint64 offset = 0;
    int size = 0;
    QString mpegVersion; // "1", "2", "2.5"
    int layer = 0;       // 1, 2, 3
    int bitRate = 0;
    int sampleRate = 0;
    int samplesPerFrame = 0;
    QString channelMode; // "Stereo", "Joint Stereo", "Dual Channel", "Single Channel"
};

struct MpaSummary {
    // The usable bytes between the tags.
    qint64 begin = 0;
    qint64 end = 0;
    MpaFrameInfo firstFrame;
    // From the VBR header when there is one, else estimated from the first frames' bit rate.
    bool fromVbrHeader = false;
    qint64 frameCount = 0;
    qint64 bytes = 0;
    double durationSeconds = 0;
    int averageBitRate = 0;
    // Offset of the last frame found searching back from the end; -1 when none.
    qint64 lastFrameOffset = -1;
    // Only when the frames were read: how many, the bytes left after the last one, and why the
    // reading stopped before the end (empty when it reached the end).
    qint64 framesRead = -1;
    qint64 trailingBytes = 0;
    QString stopReason;
};

struct MpaFileInfo {
    QString fileName;
    qint64 fileSize = 0;
    std::vector<MpaTagInfo> tags;
    std::optional<MpaVbrInfo> vbr;
    MpaSummary summary;
    std::vector<MpaFrameInfo> frames;
    // Texts of errors met while looking for tags; the file was read all the same.
    QStringList tagErrors;
    // On failure: the index into the reader's message table and the full error text.
    int errorIndex = -1;
    QString errorText;
};

// Opens an MP3 file and describes its tags, VBR header and summary; with withFrames also every
// frame in order (stepping ends at the first frame that cannot be found, as playback does).
// Returns 0, or -1 when the file cannot be opened as MP3 (errorIndex and errorText tell why).
// With a prompt, the failure and each tag error are shown as "MPAFile Error" message boxes, which
// makes it a window-thread call; without one any thread may call it.
int ReadMpaFileInfo(const QString& path, bool withFrames, MpaFileInfo& info, base::Prompt* prompt = nullptr);

// Shows one of the reader's error texts as the "MPAFile Error" message box. Window thread only.
void ShowMpaFileError(base::Prompt& prompt, const QString& errorText);

} // namespace zk::audio
