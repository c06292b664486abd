// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/MpaFileInfo.h"

#include "audio/CMPAFile.h"
#include "base/DebugLog.h"

#include <algorithm>

namespace zk::audio {
namespace {

MpaFrameInfo DescribeFrame(const CMPAFrameRef& frame) {
    const CMPAFrameHeader& header = frame.GetHeader();
    MpaFrameInfo info;
    info.offset = frame.GetOffset();
    info.size = frame.GetSize();
    info.mpegVersion = CMPAFrameHeader::VersionName(header.GetVersion());
    info.layer = CMPAFrameHeader::LayerNumber(header.GetLayer());
    info.bitRate = header.GetBitrate();
    info.sampleRate = header.GetSampleRate();
    info.samplesPerFrame = header.GetSamplesPerFrame();
    info.channelMode = CMPAFrameHeader::ChannelModeName(header.GetChannelMode());
    return info;
}

void Describe(const CMPAFile& file, MpaFileInfo& info) {
    info.fileSize = file.GetFileSize();
    for (const auto& tag : file.GetTags()) {
        info.tags.push_back({tag->GetName(), tag->GetVersion(), tag->GetOffset(), tag->GetSize()});
    }
    if (const CVBRHeader* vbr = file.GetVBRHeader()) {
        info.vbr = MpaVbrInfo{vbr->GetName(), vbr->GetOffset(), vbr->GetFrames(), vbr->GetBytes(),
                              static_cast<int>(vbr->GetTOC().size())};
    }
    MpaSummary& summary = info.summary;
    summary.begin = file.GetBegin();
    summary.end = file.GetEnd();
    summary.firstFrame = DescribeFrame(file.GetFirstFrame());
    summary.fromVbrHeader = file.IsSummaryFromVBRHeader();
    summary.frameCount = file.GetFrameCount();
    summary.bytes = file.GetBytes();
    summary.durationSeconds = file.GetLengthSeconds();
    summary.averageBitRate = file.GetAverageBitrate();
    try {
        summary.lastFrameOffset = file.GetLastFrame().GetOffset();
    } catch (const CMPAException&) {
        summary.lastFrameOffset = -1;
    }
}

void ReadFrames(const CMPAFile& file, MpaFileInfo& info) {
    CMPAFrameRef frame = file.GetFirstFrame();
    info.frames.push_back(DescribeFrame(frame));
    for (;;) {
        try {
            frame = file.GetNextFrame(frame);
        } catch (const CMPAException& error) {
            // A failure while stepping ends the file where the last good frame ends. "No frame
            // found" means no header fits between that frame and the end: the normal end.
            if (error.GetErrorID() != CMPAException::Error::NoFrameFound) {
                info.summary.stopReason = error.GetErrorDescription();
            }
            break;
        }
        info.frames.push_back(DescribeFrame(frame));
    }
    info.summary.framesRead = static_cast<qint64>(info.frames.size());
    info.summary.trailingBytes = std::max<qint64>(0, file.GetEnd() - frame.GetEnd());
}

} // namespace

int ReadMpaFileInfo(const QString& path, bool withFrames, MpaFileInfo& info, base::Prompt* prompt) {
    info = MpaFileInfo{};
    info.fileName = path;
    auto onTagError = [&info, prompt](const CMPAException& error) {
        info.tagErrors << error.GetErrorDescription();
        if (prompt) {
            error.ShowError(*prompt);
        }
    };
    try {
        const CMPAFile file(path, 0, 0, onTagError);
        Describe(file, info);
        if (withFrames) {
            ReadFrames(file, info);
        }
        return 0;
    } catch (const CMPAException& error) {
        info.errorIndex = error.GetErrorIndex();
        info.errorText = error.GetErrorDescription();
        base::Log("MPAFile Error: %s\n", qUtf8Printable(info.errorText));
        if (prompt) {
            error.ShowError(*prompt);
        }
        return -1;
    }
}

void ShowMpaFileError(base::Prompt& prompt, const QString& errorText) {
    prompt.ShowMessage(QLatin1StringView(kMpaErrorCaption), errorText, base::PromptIcon::Error);
}

} // namespace zk::audio
