// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include <ostream>

// Entry points of zkdevcli's commands, each in its own source file. Each receives the arguments
// after the command's name and returns the exit status (0 success, 1 failed, 2 bad usage).
namespace zk::cli {

using CommandEntry = int (*)(const QStringList& arguments, std::ostream& out, std::ostream& err);

// Firmware images: read and check a header, build an image from parts.
int RunFwInfo(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunFwMake(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunSearchCommand(const QStringList& arguments, std::ostream& out, std::ostream& err);
// login [--search-seconds S] [--seconds N] [--user U --password P] [--json]: search, log in, print outcomes.
int RunLogin(const QStringList& arguments, std::ostream& out, std::ostream& err);

// batch-set (--all|--select LIST) --code C (--xml TEXT|--xml-file F) [--device-config]: one configuration
// document per device over its session. batch-control ... --code C [--request TEXT]: one system control.
int RunBatchSet(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunBatchControl(const QStringList& arguments, std::ostream& out, std::ostream& err);

// The system commands on the selected devices (docs/cli.md): factory reset, reboot, a reboot loop,
// factory mode, the admin password, the device language, the clock, scheduled maintenance, P2P,
// the alarm output, the thermal presets and the factory tests.
int RunReset(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunReboot(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunLoopReboot(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunFactoryMode(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunSetPassword(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunSetLanguage(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunSyncTime(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunMaintenance(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunP2p(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunIoOutput(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunThermalPreset(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunTest(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunTvSystem(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunOnvifAllNet(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunStreamProtocol(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunNightDemo(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunGetConfig(const QStringList& arguments, std::ostream& out, std::ostream& err);

// The parameter batches on the selected devices (docs/cli.md): the video title and on-screen
// display, the platform server, and the time settings.
int RunSetTitle(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunSetPlatform(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunSetTime(const QStringList& arguments, std::ostream& out, std::ostream& err);

// The media and detection batches on the selected devices (docs/cli.md): the coding type, a
// stream's encoding, the image settings, the audio encoder and volumes, the lights, manual image
// tuning, motion detection and smart detection.
int RunVideoType(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunVideoEncode(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunVideoCapture(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunAudioEncode(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunAudioCapture(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunLights(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunImageTuning(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunMotionDetect(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunSmartDetect(const QStringList& arguments, std::ostream& out, std::ostream& err);

// The computer's network parameters and the address commands over the search protocol.
int RunNetInfo(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunIpSet(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunIpRange(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunIpDhcp(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunIpFree(const QStringList& arguments, std::ostream& out, std::ostream& err);
int RunIpCheck(const QStringList& arguments, std::ostream& out, std::ostream& err);

// qr TEXT [--png FILE] [--scale N] [--verbose] [--invert]: a text's QR symbol as PNG or in the terminal.
int RunQr(const QStringList& arguments, std::ostream& out, std::ostream& err);
// mp3-info FILE [--frames] [--json]: tags, VBR header, summary and frames of an MP3 file.
int RunMp3Info(const QStringList& arguments, std::ostream& out, std::ostream& err);

} // namespace zk::cli
