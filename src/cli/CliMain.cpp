// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliMain.h"

#include "base/BuildInfo.h"
#include "cli/Commands.h"

#include <vector>

namespace zk::cli {
namespace {

// One subcommand: its name, a one-line synopsis of its options, a summary, and its entry point,
// which receives the arguments after the command's name.
struct CliCommand {
    const char* name;
    const char* synopsis;
    const char* summary;
    CommandEntry run;
};

// One line per command, in the order --help lists them.
const std::vector<CliCommand>& Commands() {
    static const std::vector<CliCommand> commands = {
        // {"name", "[options]", "what it does", &RunName},
        {"search", "[--adapter ADDR] [--seconds N] [--json [--raw]] [--xlsx FILE]",
         "broadcast a search and list the devices that answer (only on a network where that is welcome)",
         &RunSearchCommand},
        {"login", "[--search-seconds S] [--seconds N] [--user U --password P] [--json]",
         "search, log in to every device found and show who is online with its file-system version (only on a "
         "network where broadcasts are welcome)",
         &RunLogin},
        {"net-info", "[--adapter ADDR] [--json]",
         "print this computer's address, netmask, gateway and DNS servers as the address commands use them",
         &RunNetInfo},
        {"ip-set",
         "--select DEVICE [--ip A] [--netmask M] [--gateway G] [--dns1 D] [--dns2 D] [--dhcp] [--verify-seconds N] "
         "[--json]",
         "give one device new IPv4 settings over the search protocol", &RunIpSet},
        {"ip-range",
         "(--all|--select LIST) [--from A] [--netmask M] [--gateway G] [--dns1 D] [--dns2 D] [--check] "
         "[--verify-seconds N] [--json]",
         "give the devices consecutive IPv4 addresses over the search protocol", &RunIpRange},
        {"ip-dhcp", "(--all|--select LIST) [--verify-seconds N] [--json]",
         "switch the devices to DHCP over the search protocol", &RunIpDhcp},
        {"ip-free", "(--all|--select LIST) [--yes] [--verify-seconds N] [--json]",
         "give the devices free addresses of this computer's network, probed with ICMP echo", &RunIpFree},
        {"ip-check", "--from A --count N [--json]", "probe addresses with ICMP echo and say whether one is in use",
         &RunIpCheck},
        {"batch-set",
         "(--all|--select LIST) --code C (--xml TEXT|--xml-file F) [--device-config] [--user U --password P] "
         "[--answer-seconds N] [--json]",
         "log in to the devices and send each one configuration document of a code; print each outcome", &RunBatchSet},
        {"batch-control", "(--all|--select LIST) --code C [--request TEXT] [--user U --password P] [--json]",
         "log in to the devices and send each one system control request; print each outcome", &RunBatchControl},
        {"reset", "(--all|--select LIST) [--keep-network|--over-login] [--yes] [--json]",
         "restore the devices' factory settings (search protocol, or over their sessions)", &RunReset},
        {"reboot", "(--all|--select LIST) [--yes] [--json]", "reboot the devices", &RunReboot},
        {"loop-reboot", "--select DEVICE --seconds N", "reboot one device every second for N seconds", &RunLoopReboot},
        {"factory-mode", "on|off (--all|--select LIST) [--yes] [--json]", "switch the devices' factory mode",
         &RunFactoryMode},
        {"set-password", "(--all|--select LIST) [--new-password P] [--json]",
         "give the devices' admin account a new password", &RunSetPassword},
        {"set-language", "NAME (--all|--select LIST) [--kc] [--json]", "set the devices' language", &RunSetLanguage},
        {"sync-time", "(--all|--select LIST) [--json]", "set the devices' clocks from this computer's", &RunSyncTime},
        {"maintenance", "(--all|--select LIST) --enable|--disable [--day mon..sun|every] [--time HH:MM:SS] [--json]",
         "set the devices' scheduled maintenance reboot", &RunMaintenance},
        {"p2p", "on|off (--all|--select LIST) [--json]", "switch the devices' P2P services", &RunP2p},
        {"io-output", "0|1 (--all|--select LIST) [--json]", "set the devices' alarm output", &RunIoOutput},
        {"thermal-preset", "scan|save (--all|--select LIST) [--json]",
         "make thermal cameras scan or save their sensor's defect points", &RunThermalPreset},
        {"test", "mcu|speed|audio (--all|--select LIST) [--json]", "run a factory test on the devices", &RunTest},
        {"tv-system", "pal|ntsc (--all|--select LIST) [--yes] [--json]",
         "set the devices' TV system, changing nothing else", &RunTvSystem},
        {"onvif-allnet", "on|off (--all|--select LIST) [--yes] [--json]",
         "switch ONVIF on every network, changing nothing else", &RunOnvifAllNet},
        {"stream-protocol", "hik|onvif|dh|tst on|off (--all|--select LIST) [--json]",
         "switch one stream protocol, changing nothing else", &RunStreamProtocol},
        {"night-demo", "(--all|--select LIST) [--json]", "show night mode for five seconds, then put day mode back",
         &RunNightDemo},
        {"get-config", "--code N (--all|--select LIST) [--json]", "print each device's answer to a configuration read",
         &RunGetConfig},
        {"set-title",
         "(--all|--select LIST) [--title T] [--add-model] [--add-ip] [--add-serial] [--enable 0|1] [--style 1-7] "
         "[--font-size N] [--week 0|1] [--time-position N] [--time-format F] [--title-position N] "
         "[--transparency N] [--json]",
         "set the devices' video title and on-screen display", &RunSetTitle},
        {"set-platform",
         "(--all|--select LIST) [--enable|--disable] --server S [--port N] [--platform-user U] "
         "[--platform-password P] [--play-tone] [--increase-user] [--json]",
         "point the devices at a platform server", &RunSetPlatform},
        {"set-time",
         "(--all|--select LIST) [--mode NTP|MANUAL|P2P] [--zone NAME] [--ntp-server S] [--ntp-port N] "
         "[--ntp-interval N] [--dst on|off] [--dst-auto] [--dst-offset MIN] [--dst-start RULE] [--dst-end RULE] "
         "[--json]",
         "set the devices' time mode, time zone, NTP server and summer time", &RunSetTime},
        {"video-type", "H264|H265|H265+ (--all|--select LIST) [--yes] [--json]",
         "set both video streams' coding type, keeping their resolutions", &RunVideoType},
        {"video-encode", "--stream 1|2 (--all|--select LIST) [--set NAME=VALUE]... [--yes] [--json]",
         "set one video stream's encoding (resolution, format, bit rate, frame rate, QP, ...)", &RunVideoEncode},
        {"video-capture", "(--all|--select LIST) [--set NAME=VALUE]... [--json]",
         "set the devices' image settings (brightness, contrast, wide dynamic range, ...)", &RunVideoCapture},
        {"audio-encode", "G711|AAC (--all|--select LIST) [--enable 0|1] [--yes] [--json]",
         "set the devices' audio encoder", &RunAudioEncode},
        {"audio-capture",
         "(--all|--select LIST) [--volume N] [--volume-play N] [--amplify 0|1] [--ra-answer 0|1] [--json]",
         "set the devices' microphone and speaker volumes", &RunAudioCapture},
        {"lights", "(--all|--select LIST) [--set NAME=VALUE]... [--json]",
         "set the devices' illuminator and IR-cut settings, changing nothing else", &RunLights},
        {"image-tuning", "(--all|--select LIST) [--mctf N] [--gain NAME] [--shutter-max N] [--json]",
         "tune the devices' motion compensation, gain and longest shutter by hand", &RunImageTuning},
        {"motion-detect",
         "(--all|--select LIST) --enable|--disable [--sensitivity N] [--threshold N] [--grid CxR] [--json]",
         "set the devices' motion detection", &RunMotionDetect},
        {"smart-detect",
         "(--all|--select LIST) [--enable-schedule S] [--sound-schedule S] [--push-schedule S] "
         "[--twinkle-schedule S] [--bluered-schedule S] [--person] [--vehicle] [--motion] [--sound] "
         "[--reset-region] [--json]",
         "set the devices' person, vehicle, motion and sound detection", &RunSmartDetect},
        {"fw-info", "FILE [--json]", "check a firmware image's header and print its fields", &RunFwInfo},
        {"fw-make",
         "[--kernel FILE [--kernel-text T]] [--rootfs FILE [--rootfs-text T]] [--uboot FILE] [--tgz FILE] [--oem FILE] "
         "[--magic M] -o OUT",
         "build a firmware image from its parts", &RunFwMake},
        {"qr", "TEXT [--png FILE] [--scale N] [--verbose] [--invert]",
         "encode a text in a QR code symbol: a PNG image, or drawn in the terminal", &RunQr},
        {"mp3-info", "FILE [--frames] [--json]", "describe an MP3 file: tags, VBR header, frame count, frames",
         &RunMp3Info},
    };
    return commands;
}

void PrintUsage(std::ostream& out) {
    out << "Usage: zkdevcli [--help] [--version] <command> [options]\n"
           "\n"
           "Finds, addresses, upgrades and maintains network cameras (IPC) and video recorders (NVR)\n"
           "on the local network.\n"
           "\n"
           "Options:\n"
           "  --help      show this text and exit\n"
           "  --version   print the tool's version and exit\n";
    const auto& commands = Commands();
    if (!commands.empty()) {
        out << "\nCommands:\n";
        for (const auto& command : commands) {
            out << "  " << command.name << ' ' << command.synopsis << "\n      " << command.summary << '\n';
        }
        out << "\nRun \"zkdevcli <command> --help\" for a command's options.\n";
    }
    out << "\nExit status: 0 success, 1 the operation failed, 2 bad usage.\n";
}

} // namespace

int RunCli(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    if (arguments.isEmpty()) {
        err << "zkdevcli: no command given\n\n";
        PrintUsage(err);
        return kExitUsage;
    }
    const QString& first = arguments.front();
    if (first == u"--help" || first == u"-h") {
        PrintUsage(out);
        return kExitOk;
    }
    if (first == u"--version") {
        out << base::kVersionString << '\n';
        return kExitOk;
    }
    for (const auto& command : Commands()) {
        if (first == QLatin1StringView(command.name)) {
            return command.run(arguments.mid(1), out, err);
        }
    }
    err << "zkdevcli: unknown " << (first.startsWith(u'-') ? "option" : "command") << " \"" << first.toStdString()
        << "\"\n"
        << "Run \"zkdevcli --help\" for the list of commands.\n";
    return kExitUsage;
}

} // namespace zk::cli
