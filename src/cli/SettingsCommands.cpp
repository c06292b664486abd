// SPDX-License-Identifier: GPL-3.0-or-later
// zkdevcli set-title, set-platform and set-time: the window's title, platform and time batches on
// the selected devices through the shared batch front end. Every value goes through the dialogs'
// own checks before the search; a refused one prints the dialog's message and exits 2.
#include "base/CSaveParam.h"
#include "base/FixedText.h"
#include "cli/BatchCli.h"
#include "cli/CliMain.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "platform/TextCodec.h"
#include "sdk/batch/BatchRunner.h"
#include "sdk/system/ParameterCommands.h"
#include "sdk/system/TimeZoneList.h"

#include <functional>
#include <memory>
#include <optional>

namespace zk::cli {
namespace {

using sdk::system::ParameterCommands;
using sdk::system::ParameterHooks;

BatchCliSpec Spec(const char* command, const char* description) {
    BatchCliSpec spec;
    spec.command = QLatin1StringView(command);
    spec.description = QLatin1StringView(description);
    spec.confirmation = false;
    return spec;
}

// Parses, checks, searches, logs in and builds the commands with the given answers to the dialogs;
// an exit status when the command must end before it runs.
std::optional<int> Prepare(BatchCli& cli, const QStringList& arguments, const std::function<void(OptionChecks&)>& check,
                           ParameterHooks hooks, std::unique_ptr<ParameterCommands>& commands) {
    if (const auto exit = cli.PrepareChecked(arguments, check)) {
        return exit;
    }
    commands = std::make_unique<ParameterCommands>(cli.List(), cli.Runner(), cli.Settings(), std::move(hooks));
    return std::nullopt;
}

} // namespace

int RunSetTitle(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(Spec("set-title", "Sets the selected devices' video title and on-screen display. Options not given "
                                   "keep the values stored in the settings file, which keeps the new ones."),
                 out, err);
    const QCommandLineOption title = Option("title", "The title (at most 99 UTF-8 bytes).", "T");
    const QCommandLineOption addModel = Option("add-model", "Add each device's model to its title.");
    const QCommandLineOption addIp = Option("add-ip", "Add each device's IP address to its title.");
    const QCommandLineOption addSerial = Option("add-serial", "Add each device's serial number to its title.");
    const QCommandLineOption enable = Option("enable", "Show the time and title: 1 or 0.", "0|1");
    const QCommandLineOption style = Option("style", "Display style, 1 to 7.", "N");
    const QCommandLineOption fontSize = Option("font-size", "Font size, 0 to 255.", "N");
    const QCommandLineOption week = Option("week", "Show the day of the week: 1 or 0.", "0|1");
    const QCommandLineOption timePosition =
        Option("time-position",
               "Where the time goes: 0 top left, 1 top right, 2 bottom left, 3 bottom right, "
               "4 unchanged, 5 centre.",
               "N");
    const QCommandLineOption timeFormat = Option("time-format", "Time format, one of the dialog's list.", "F");
    const QCommandLineOption titlePosition = Option("title-position", "Where the title goes, as --time-position.", "N");
    const QCommandLineOption transparency = Option("transparency", "Transparency, 0 to 255.", "N");
    cli.Parser().addOptions({title, addModel, addIp, addSerial, enable, style, fontSize, week, timePosition, timeFormat,
                             titlePosition, transparency});

    // Each option replaces one value of the stored block; the rest stay.
    std::function<void(base::OverlayParam&)> apply;
    const auto check = [&](OptionChecks& checks) {
        auto& parser = cli.Parser();
        if (parser.isSet(title)) {
            checks.Refuse(sdk::system::TitleProblem(parser.value(title)));
        }
        if (parser.isSet(timeFormat) && !sdk::system::KnownTimeFormat(parser.value(timeFormat).toStdString())) {
            QStringList known;
            for (const char* format : sdk::system::TimeFormats()) {
                known << QLatin1StringView(format);
            }
            checks.Usage(QStringLiteral("--time-format takes one of: %1").arg(known.join(QStringLiteral(", "))));
        }
        const auto number = [&](const QCommandLineOption& option, int minimum, int maximum) {
            return parser.isSet(option) ? std::optional<int>(checks.Number(option, minimum, maximum, minimum))
                                        : std::nullopt;
        };
        const auto enableValue = number(enable, 0, 1);
        const auto styleValue = number(style, 1, sdk::system::kOverlayStyleCount);
        const auto fontSizeValue = number(fontSize, 0, sdk::system::kMaxOverlayFontSize);
        const auto weekValue = number(week, 0, 1);
        const auto timePositionValue = number(timePosition, 0, sdk::system::kPositionChoiceCount - 1);
        const auto titlePositionValue = number(titlePosition, 0, sdk::system::kPositionChoiceCount - 1);
        const auto transparencyValue = number(transparency, 0, sdk::system::kMaxOverlayTransparency);
        const std::optional<QString> titleText =
            parser.isSet(title) ? std::optional<QString>(parser.value(title)) : std::nullopt;
        const std::optional<std::string> format =
            parser.isSet(timeFormat) ? std::optional<std::string>(parser.value(timeFormat).toStdString())
                                     : std::nullopt;
        apply = [=](base::OverlayParam& overlay) {
            overlay.Enable = enableValue.value_or(overlay.Enable);
            overlay.Style = static_cast<std::int16_t>(styleValue.value_or(overlay.Style));
            overlay.Fontsize = static_cast<std::int16_t>(fontSizeValue.value_or(overlay.Fontsize));
            overlay.Week = static_cast<std::int16_t>(weekValue.value_or(overlay.Week));
            overlay.Transparency = transparencyValue.value_or(overlay.Transparency);
            if (timePositionValue) {
                sdk::system::ApplyPositionChoice(*timePositionValue, overlay.TimeOverlay.PosX,
                                                 overlay.TimeOverlay.PosY);
            }
            if (titlePositionValue) {
                sdk::system::ApplyPositionChoice(*titlePositionValue, overlay.TitleOverlay.PosX,
                                                 overlay.TitleOverlay.PosY);
            }
            if (format) {
                base::CopyBounded(overlay.TimeOverlay.Format, *format);
            }
            if (titleText) {
                base::SetOverlayTitle(overlay.TitleOverlay, *titleText);
            }
        };
    };
    ParameterHooks hooks;
    hooks.editTitle = [&](base::OverlayParam& overlay, sdk::system::TitleExtras& extras) {
        apply(overlay);
        extras = {cli.Parser().isSet(addModel), cli.Parser().isSet(addIp), cli.Parser().isSet(addSerial)};
        return true;
    };
    std::unique_ptr<ParameterCommands> commands;
    if (const auto exit = Prepare(cli, arguments, check, hooks, commands)) {
        return *exit;
    }
    commands->SetTitle(cli.Keys());
    return cli.Finish([&] { return commands->Busy(); });
}

int RunSetPlatform(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(Spec("set-platform", "Points the selected devices at a platform server (or switches it off)."), out,
                 err);
    const QCommandLineOption enable = Option("enable", "Connect to the platform (the default).");
    const QCommandLineOption disable = Option("disable", "Do not connect to the platform.");
    const QCommandLineOption server = Option("server", "The platform server.", "S");
    const QCommandLineOption port = Option("port", "The server's port (default 10001).", "N");
    const QCommandLineOption user = Option("platform-user", "The user name on the platform.", "U");
    const QCommandLineOption password = Option("platform-password", "The password on the platform.", "P");
    const QCommandLineOption playTone = Option("play-tone", "The devices play a prompt tone.");
    const QCommandLineOption increaseUser =
        Option("increase-user", "Number the user name upward: the n-th device (from 0, in the order of the devices) "
                                "adds n to the number before the first comma.");
    cli.Parser().addOptions({enable, disable, server, port, user, password, playTone, increaseUser});

    sdk::system::PlatformChoice choice;
    const auto check = [&](OptionChecks& checks) {
        auto& parser = cli.Parser();
        if (parser.isSet(enable) && parser.isSet(disable)) {
            checks.Usage(QStringLiteral("give --enable or --disable, not both"));
        }
        choice.enable = !parser.isSet(disable);
        choice.server = parser.value(server).trimmed();
        choice.port = checks.AnyNumber(port, sdk::system::kDefaultPlatformPort);
        choice.user = parser.value(user);
        choice.password = parser.value(password);
        choice.playTone = parser.isSet(playTone);
        choice.increaseUser = parser.isSet(increaseUser);
        checks.Refuse(sdk::system::PlatformProblem(choice));
    };
    ParameterHooks hooks;
    hooks.editPlatform = [&choice](sdk::system::PlatformChoice& edited) {
        edited = choice;
        return true;
    };
    std::unique_ptr<ParameterCommands> commands;
    if (const auto exit = Prepare(cli, arguments, check, hooks, commands)) {
        return *exit;
    }
    commands->SetPlatform(cli.Keys());
    return cli.Finish([&] { return commands->Busy(); });
}

int RunSetTime(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(Spec("set-time", "Sets how the selected devices keep their clocks: mode, time zone, NTP server and "
                                  "summer time. Mode, zone and NTP values not given keep the values stored in the "
                                  "settings file, which keeps the new ones."),
                 out, err);
    const QCommandLineOption mode = Option("mode", "NTP, MANUAL or P2P.", "MODE");
    const QCommandLineOption zone =
        Option("zone", "Time zone: GMT+HH:MM (GMT-03:00, GMT+05:30) or a whole name of the zone list.", "NAME");
    const QCommandLineOption ntpServer = Option("ntp-server", "The NTP server's IPv4 address.", "S");
    const QCommandLineOption ntpPort = Option("ntp-port", "The NTP server's port.", "N");
    const QCommandLineOption ntpInterval = Option("ntp-interval", "Minutes between NTP updates.", "N");
    const QCommandLineOption dst = Option("dst", "Summer time on or off (default off).", "on|off");
    const QCommandLineOption dstAuto =
        Option("dst-auto", "Summer time follows the zone's own rules (from the zone list; implies --dst on).");
    const QCommandLineOption dstOffset =
        Option("dst-offset", "Summer time offset in minutes, 1 to 180 (default 60).", "MIN");
    const QCommandLineOption dstStart =
        Option("dst-start",
               "Summer time start: M<month>.<week 1-5, 5 the last>.<weekday 0 Sunday-6>/<hour> "
               "(default M3.5.0/2).",
               "RULE");
    const QCommandLineOption dstEnd = Option("dst-end", "Summer time end, as --dst-start (default M10.5.0/3).", "RULE");
    cli.Parser().addOptions({mode, zone, ntpServer, ntpPort, ntpInterval, dst, dstAuto, dstOffset, dstStart, dstEnd});

    sdk::system::TimeChoice choice;
    const auto check = [&](OptionChecks& checks) {
        auto& parser = cli.Parser();
        // The values not given are the stored ones, as the dialog opens on them.
        const base::CSaveParam stored;
        choice = sdk::system::TimeChoiceFrom(stored.TimeConfig(), sdk::system::SummerTime{});
        if (parser.isSet(mode)) {
            const QString name = parser.value(mode).toUpper();
            if (name != u"NTP" && name != u"MANUAL" && name != u"P2P") {
                checks.Usage(QStringLiteral("--mode takes NTP, MANUAL or P2P"));
            }
            choice.mode = name.toStdString();
        }
        const auto zones = sdk::system::LoadShippedTimeZoneList();
        const sdk::system::TimeZoneItem* item = nullptr;
        if (parser.isSet(zone)) {
            item = sdk::system::FindZoneByName(zones, parser.value(zone));
            const auto value = item != nullptr ? std::optional<int>(item->zone)
                                               : sdk::system::ZoneOfName(parser.value(zone).toStdString());
            if (!value) {
                checks.Usage(QStringLiteral("--zone takes GMT+HH:MM or GMT-HH:MM (GMT-12:00 to GMT+14:00)"));
            }
            choice.zone = value.value_or(choice.zone);
        } else {
            item = sdk::system::FindZone(zones, choice.zone);
        }
        if (parser.isSet(ntpServer)) {
            choice.ntpServer = platform::WideToAnsi(parser.value(ntpServer).trimmed());
        }
        choice.ntpPort = checks.AnyNumber(ntpPort, choice.ntpPort);
        choice.ntpIntervalMinutes = checks.AnyNumber(ntpInterval, choice.ntpIntervalMinutes);

        sdk::system::SummerTime& summer = choice.summer;
        const QString dstValue = parser.value(dst).toLower();
        if (parser.isSet(dst) && dstValue != u"on" && dstValue != u"off") {
            checks.Usage(QStringLiteral("--dst takes on or off"));
        }
        summer.automatic = parser.isSet(dstAuto);
        summer.enable = parser.isSet(dst) ? dstValue == u"on" : summer.automatic;
        if (summer.automatic && !summer.enable) {
            checks.Usage(QStringLiteral("--dst-auto needs summer time on"));
        }
        summer.offsetMinutes = checks.Number(dstOffset, sdk::system::kSummerOffsetMinMinutes,
                                             sdk::system::kSummerOffsetMaxMinutes, summer.offsetMinutes);
        for (const auto& [option, rule] : {std::pair{&dstStart, &summer.start}, std::pair{&dstEnd, &summer.end}}) {
            if (!parser.isSet(*option)) {
                continue;
            }
            if (summer.automatic) {
                checks.Usage(
                    QStringLiteral("--dst-auto takes the zone's own rules: leave out --dst-start and --dst-end"));
            }
            const auto parsed = sdk::system::ParseSummerTimeRule(parser.value(*option).toStdString());
            if (!parsed) {
                checks.Usage(QStringLiteral("--%1 takes M<month 1-12>.<week 1-5>.<weekday 0-6>/<hour 0-23>, "
                                            "for example M3.5.0/2")
                                 .arg(option->names().front()));
            }
            *rule = parsed.value_or(*rule);
        }
        // As in the dialog: automatic summer time shows the zone's rules when its entry has them.
        if (summer.automatic && item != nullptr && item->start && item->end) {
            summer.start = *item->start;
            summer.end = *item->end;
        }
        checks.Refuse(sdk::system::TimeProblem(choice));
    };
    ParameterHooks hooks;
    hooks.editTime = [&choice](sdk::system::TimeChoice& edited) {
        edited = choice;
        return true;
    };
    std::unique_ptr<ParameterCommands> commands;
    if (const auto exit = Prepare(cli, arguments, check, hooks, commands)) {
        return *exit;
    }
    commands->SetTime(cli.Keys());
    return cli.Finish([&] { return commands->Busy(); });
}

} // namespace zk::cli
