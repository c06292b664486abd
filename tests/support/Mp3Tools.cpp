// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Mp3Tools.h"

#include <QProcess>
#include <QStandardPaths>

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace zk::test {
namespace {

void PutLittleEndian(std::string& bytes, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

std::string SyncSafe(std::uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 3; i >= 0; --i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<char>(value & 0x7F);
        value >>= 7;
    }
    return bytes;
}

} // namespace

std::string MakeWav(int sampleRateHz, int channels, double seconds) {
    const auto frames = static_cast<std::uint32_t>(sampleRateHz * seconds);
    const std::uint32_t dataBytes = frames * static_cast<std::uint32_t>(channels) * 2;
    std::string wav = "RIFF";
    PutLittleEndian(wav, 36 + dataBytes, 4);
    wav += "WAVEfmt ";
    PutLittleEndian(wav, 16, 4);
    PutLittleEndian(wav, 1, 2); // PCM
    PutLittleEndian(wav, static_cast<std::uint32_t>(channels), 2);
    PutLittleEndian(wav, static_cast<std::uint32_t>(sampleRateHz), 4);
    PutLittleEndian(wav, static_cast<std::uint32_t>(sampleRateHz * channels * 2), 4);
    PutLittleEndian(wav, static_cast<std::uint32_t>(channels * 2), 2);
    PutLittleEndian(wav, 16, 2);
    wav += "data";
    PutLittleEndian(wav, dataBytes, 4);
    wav.reserve(wav.size() + dataBytes);

    std::uint32_t noise = 12345;
    double phase = 0;
    for (std::uint32_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sampleRateHz;
        phase += 2 * M_PI * (200.0 + 600.0 * t) / sampleRateHz;
        noise = noise * 1664525u + 1013904223u;
        // Every other half second is loud noise, the rest a quiet tone.
        const bool burst = static_cast<int>(t * 2) % 2 == 1;
        const double sample = burst ? (static_cast<double>(noise >> 16) / 32768.0 - 1.0) * 0.6 : std::sin(phase) * 0.2;
        for (int c = 0; c < channels; ++c) {
            const auto value = static_cast<std::int16_t>(sample * (c == 0 ? 32000 : 24000));
            PutLittleEndian(wav, static_cast<std::uint16_t>(value), 2);
        }
    }
    return wav;
}

bool HaveProgram(const QString& name) {
    return !QStandardPaths::findExecutable(name).isEmpty();
}

int RunProgram(const QString& program, const QStringList& arguments, QByteArray* output, int timeoutMs) {
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs)) {
        return -1;
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (output) {
        *output = process.readAllStandardOutput();
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool EncodeMp3(const std::string& wavPath, const std::string& mp3Path, const QStringList& lameOptions) {
    QStringList arguments{QStringLiteral("--quiet")};
    arguments << lameOptions << QString::fromStdString(wavPath) << QString::fromStdString(mp3Path);
    return RunProgram(QStringLiteral("lame"), arguments) == 0;
}

std::optional<std::vector<ProbedPacket>> ProbePackets(const std::string& path) {
    QByteArray output;
    const int status =
        RunProgram(QStringLiteral("ffprobe"),
                   {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
                    QStringLiteral("a:0"), QStringLiteral("-show_entries"), QStringLiteral("packet=pos,size"),
                    QStringLiteral("-of"), QStringLiteral("compact=p=0"), QString::fromStdString(path)},
                   &output);
    if (status != 0) {
        return std::nullopt;
    }
    // Lines read "size=417|pos=547|"; side data adds empty lines.
    std::vector<ProbedPacket> packets;
    for (const QByteArray& line : output.split('\n')) {
        ProbedPacket packet;
        int fields = 0;
        for (const QByteArray& field : line.split('|')) {
            if (field.startsWith("size=")) {
                packet.size = field.mid(5).toLongLong();
                ++fields;
            } else if (field.startsWith("pos=")) {
                packet.offset = field.mid(4).toLongLong();
                ++fields;
            }
        }
        if (fields == 2) {
            packets.push_back(packet);
        }
    }
    return packets;
}

std::string Id3V1Tag(const std::string& title, int track) {
    std::string tag = "TAG" + title.substr(0, 30);
    tag.resize(128, '\0');
    tag[126] = static_cast<char>(track);
    tag[127] = static_cast<char>(12); // genre
    return tag;
}

std::string Id3V2Tag(int bodyBytes, bool withFooter) {
    const std::string flags(1, withFooter ? '\x10' : '\0');
    const std::string size = SyncSafe(static_cast<std::uint32_t>(bodyBytes));
    std::string tag = std::string("ID3\x04\x00", 5) + flags + size;
    tag += std::string(static_cast<std::size_t>(bodyBytes), '\0');
    if (withFooter) {
        tag += std::string("3DI\x04\x00", 5) + flags + size;
    }
    return tag;
}

std::string ApeTag(const std::string& value, bool withHeader, int version) {
    std::string item;
    PutLittleEndian(item, static_cast<std::uint32_t>(value.size()), 4);
    PutLittleEndian(item, 0, 4);
    item += std::string("Title", 6) + value;
    auto block = [&](bool header) {
        std::string bytes = "APETAGEX";
        PutLittleEndian(bytes, static_cast<std::uint32_t>(version), 4);
        PutLittleEndian(bytes, static_cast<std::uint32_t>(item.size() + 32), 4);
        PutLittleEndian(bytes, 1, 4);
        PutLittleEndian(bytes, (withHeader ? 0x80000000u : 0u) | (header ? 0x20000000u : 0u), 4);
        bytes += std::string(8, '\0');
        return bytes;
    };
    return (withHeader ? block(true) : std::string()) + item + block(false);
}

std::string Lyrics3V1Tag(const std::string& lyrics) {
    return "LYRICSBEGIN" + lyrics + "LYRICSEND";
}

std::string Lyrics3V2Tag(const std::string& lyrics) {
    // One "LYR" field with its five-digit length, then the six-digit size of everything before it.
    char length[6];
    std::snprintf(length, sizeof length, "%05zu", lyrics.size() % 100000);
    const std::string content = "LYRICSBEGINLYR" + std::string(length) + lyrics;
    char size[7];
    std::snprintf(size, sizeof size, "%06zu", content.size() % 1000000);
    return content + size + "LYRICS200";
}

} // namespace zk::test
