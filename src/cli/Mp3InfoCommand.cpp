// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/MpaFileInfo.h"
#include "cli/CliMain.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include <QJsonArray>
#include <QJsonObject>

namespace zk::cli {
namespace {

const QString kCommand = QStringLiteral("mp3-info");

// The reader's texts span lines; on a terminal line they read better joined.
QString OneLine(QString text) {
    return text.replace(u'\n', u' ');
}

QJsonObject FrameObject(const audio::MpaFrameInfo& frame) {
    return QJsonObject{
        {QStringLiteral("offset"), frame.offset},
        {QStringLiteral("size"), frame.size},
        {QStringLiteral("mpegVersion"), frame.mpegVersion},
        {QStringLiteral("layer"), frame.layer},
        {QStringLiteral("bitRate"), frame.bitRate},
        {QStringLiteral("sampleRate"), frame.sampleRate},
        {QStringLiteral("samplesPerFrame"), frame.samplesPerFrame},
        {QStringLiteral("channelMode"), frame.channelMode},
    };
}

QJsonDocument ToJson(const audio::MpaFileInfo& info, bool withFrames) {
    QJsonArray tags;
    for (const auto& tag : info.tags) {
        tags.append(QJsonObject{{QStringLiteral("name"), tag.name},
                                {QStringLiteral("version"), tag.version},
                                {QStringLiteral("offset"), tag.offset},
                                {QStringLiteral("size"), tag.size}});
    }
    QJsonValue vbr(QJsonValue::Null);
    if (info.vbr) {
        vbr = QJsonObject{{QStringLiteral("name"), info.vbr->name},
                          {QStringLiteral("offset"), info.vbr->offset},
                          {QStringLiteral("frames"), info.vbr->frames},
                          {QStringLiteral("bytes"), info.vbr->bytes},
                          {QStringLiteral("tocEntries"), info.vbr->tocEntries}};
    }
    const audio::MpaSummary& s = info.summary;
    QJsonObject summary = FrameObject(s.firstFrame);
    summary.remove(QStringLiteral("offset"));
    summary.remove(QStringLiteral("size"));
    summary.insert(QStringLiteral("begin"), s.begin);
    summary.insert(QStringLiteral("end"), s.end);
    summary.insert(QStringLiteral("firstFrameOffset"), s.firstFrame.offset);
    summary.insert(QStringLiteral("lastFrameOffset"), s.lastFrameOffset);
    summary.insert(QStringLiteral("fromVbrHeader"), s.fromVbrHeader);
    summary.insert(QStringLiteral("frameCount"), s.frameCount);
    summary.insert(QStringLiteral("bytes"), s.bytes);
    summary.insert(QStringLiteral("durationSeconds"), s.durationSeconds);
    summary.insert(QStringLiteral("averageBitRate"), s.averageBitRate);
    QJsonObject root{{QStringLiteral("file"), info.fileName},
                     {QStringLiteral("fileSize"), info.fileSize},
                     {QStringLiteral("tags"), tags},
                     {QStringLiteral("vbr"), vbr},
                     {QStringLiteral("tagErrors"), QJsonArray::fromStringList(info.tagErrors)}};
    if (withFrames) {
        summary.insert(QStringLiteral("framesRead"), s.framesRead);
        summary.insert(QStringLiteral("trailingBytes"), s.trailingBytes);
        summary.insert(QStringLiteral("stopReason"), s.stopReason);
        QJsonArray frames;
        for (const auto& frame : info.frames) {
            frames.append(FrameObject(frame));
        }
        root.insert(QStringLiteral("frames"), frames);
    }
    root.insert(QStringLiteral("summary"), summary);
    return QJsonDocument(root);
}

void WriteFrameLine(std::ostream& out, const audio::MpaFrameInfo& frame) {
    out << frame.offset << '\t' << frame.size << "\tMPEG " << frame.mpegVersion << "\tLayer " << frame.layer << '\t'
        << frame.bitRate << '\t' << frame.sampleRate << '\t' << frame.samplesPerFrame << '\t' << frame.channelMode
        << '\n';
}

void WriteText(std::ostream& out, const audio::MpaFileInfo& info, bool withFrames) {
    const audio::MpaSummary& s = info.summary;
    out << "file: " << info.fileName << " (" << info.fileSize << " bytes)\n";
    for (const auto& tag : info.tags) {
        out << "tag: " << tag.name << ' ' << tag.version << " at " << tag.offset << ", " << tag.size << " bytes\n";
    }
    if (info.vbr) {
        out << "vbr header: " << info.vbr->name << " at " << info.vbr->offset << ", " << info.vbr->frames << " frames, "
            << info.vbr->bytes << " bytes, " << info.vbr->tocEntries << " table entries\n";
    } else {
        out << "vbr header: none\n";
    }
    out << "stream: MPEG " << s.firstFrame.mpegVersion << " Layer " << s.firstFrame.layer << ", "
        << s.firstFrame.bitRate << " bit/s, " << s.firstFrame.sampleRate << " Hz, " << s.firstFrame.channelMode << '\n';
    out << "audio bytes: " << s.begin << " to " << s.end << '\n';
    out << "first frame: " << s.firstFrame.offset << '\n';
    out << "last frame: " << s.lastFrameOffset << '\n';
    out << "frame count: " << s.frameCount << (s.fromVbrHeader ? " (from the VBR header)" : " (estimated)") << '\n';
    out << "duration: " << QString::number(s.durationSeconds, 'f', 3) << " s\n";
    out << "average bit rate: " << s.averageBitRate << " bit/s\n";
    if (!withFrames) {
        return;
    }
    out << "frames read: " << s.framesRead << '\n';
    if (!s.stopReason.isEmpty()) {
        out << "reading stopped: " << OneLine(s.stopReason) << '\n';
    }
    out << "offset\tsize\tversion\tlayer\tbit rate\tsample rate\tsamples\tchannel mode\n";
    for (const auto& frame : info.frames) {
        WriteFrameLine(out, frame);
    }
}

} // namespace

int RunMp3Info(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Describes an MP3 file: the tags at its start and end, the VBR header, the frame count and "
                       "duration, and with --frames every frame."));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The MP3 file."));
    const QCommandLineOption framesOption(QStringLiteral("frames"), QStringLiteral("List every frame."));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("Write one JSON object."));
    parser.addOption(framesOption);
    parser.addOption(jsonOption);
    if (const auto status = ParseArguments(parser, kCommand, arguments, out, err)) {
        return *status;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1) {
        return UsageError(kCommand, QStringLiteral("give exactly one FILE"), err);
    }
    const bool withFrames = parser.isSet(framesOption);

    audio::MpaFileInfo info;
    if (audio::ReadMpaFileInfo(files.front(), withFrames, info) != 0) {
        return Failure(kCommand, OneLine(info.errorText), err);
    }
    for (const auto& text : info.tagErrors) {
        err << "zkdevcli " << kCommand << ": warning: " << OneLine(text) << '\n';
    }
    if (parser.isSet(jsonOption)) {
        WriteJson(out, ToJson(info, withFrames));
    } else {
        WriteText(out, info, withFrames);
    }
    return kExitOk;
}

} // namespace zk::cli
