// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

// Test MP3 files: audio written by the test, encoded by the lame program, counted independently
// by ffprobe, and tag bytes to append or prepend.
namespace zk::test {

// A WAV file's bytes: 16-bit PCM of a rising tone with bursts of noise, so that variable-rate
// encoders change their rate. The same arguments give the same bytes.
std::string MakeWav(int sampleRateHz, int channels, double seconds);

// Whether a program can be found on PATH.
bool HaveProgram(const QString& name);

// Runs a program to its end; its standard output goes to output when given. Returns the exit
// status, or -1 when it could not run or took longer than timeoutMs.
int RunProgram(const QString& program, const QStringList& arguments, QByteArray* output = nullptr,
               int timeoutMs = 120000);

// Encodes a WAV file with lame and the given options; false when lame fails.
bool EncodeMp3(const std::string& wavPath, const std::string& mp3Path, const QStringList& lameOptions);

// One audio packet (one frame) as ffprobe reports it.
struct ProbedPacket {
    qint64 offset = 0;
    qint64 size = 0;
};

// ffprobe's packets of the first audio stream; nothing when ffprobe fails. ffprobe leaves out a
// Xing/Info/VBRI header frame.
std::optional<std::vector<ProbedPacket>> ProbePackets(const std::string& path);

// Tags built byte by byte.
std::string Id3V1Tag(const std::string& title, int track);
// An ID3v2.4 tag with `bodyBytes` of padding, optionally with the footer that lets readers find
// it at the end of a file.
std::string Id3V2Tag(int bodyBytes, bool withFooter);
// An APEv2 tag with one text item; version 1 tags have no header.
std::string ApeTag(const std::string& value, bool withHeader, int version = 2000);
std::string Lyrics3V1Tag(const std::string& lyrics);
std::string Lyrics3V2Tag(const std::string& lyrics);

} // namespace zk::test
