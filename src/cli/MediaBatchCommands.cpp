// SPDX-License-Identifier: GPL-3.0-or-later
// zkdevcli video-type, video-encode, video-capture, audio-encode, audio-capture, lights,
// image-tuning, motion-detect and smart-detect: the window's media and detection batches on the
// selected devices through the shared batch front end. The options fill the block the batch's
// window would edit, starting from the window's values; every value goes through the window's own
// check before the search, and a refused one prints the window's message and exits 2.
#include "base/CSaveParam.h"
#include "cli/BatchCli.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "sdk/media/MediaCommands.h"
#include "sdk/media/MediaParams.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zk::cli {
namespace {

using sdk::media::MediaCommands;
using sdk::media::MediaHooks;
using Keys = std::vector<std::string>;

// The window's message for values it refuses.
void Refuse(OptionChecks& checks, sdk::media::Refusal refusal) {
    checks.Refuse(refusal.text, refusal.literal);
}

// Each --set NAME=VALUE in the order given, through the block's own setter.
template <class Block>
void ApplySets(OptionChecks& checks, const QStringList& sets, Block& block) {
    for (const QString& set : sets) {
        const qsizetype equals = set.indexOf(u'=');
        if (equals <= 0) {
            checks.Usage(QStringLiteral("--set takes NAME=VALUE, not \"%1\"").arg(set));
            return;
        }
        const std::string problem =
            sdk::media::SetNamedValue(block, set.left(equals).toStdString(), set.mid(equals + 1).toStdString());
        if (!problem.empty()) {
            checks.Usage(QStringLiteral("--set %1: %2").arg(set, QString::fromStdString(problem)));
            return;
        }
    }
}

// The window's editor, answered with the block the options made (checked before the search).
template <class Block>
std::function<bool(Block&)> Hand(const Block& block) {
    return [&block](Block& edited) {
        edited = block;
        return true;
    };
}

// One media batch: check fills the block from the options and checks it; then the core command
// with the window's editors answered by hooks, its rows and answers, and each device's outcome.
int RunMedia(BatchCli& cli, const QStringList& arguments, const std::function<void(OptionChecks&)>& check,
             MediaHooks hooks, const std::function<void(MediaCommands&, const Keys&)>& start) {
    if (const auto exit = cli.PrepareChecked(arguments, check)) {
        return *exit;
    }
    MediaCommands commands(cli.Runner(), cli.Settings(), std::move(hooks));
    start(commands, cli.Keys());
    return cli.Finish([&commands] { return commands.Busy(); });
}

const char* const kSetHelp = "Sets one attribute by its name (repeatable); the others keep the window's values.";

} // namespace

int RunVideoType(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(MakeBatchSpec("video-type",
                               "Sets both video streams' coding type on the selected devices, keeping their "
                               "resolutions. Asks first.",
                               {QStringLiteral("H264|H265|H265+")}, true),
                 out, err);
    sdk::media::CodingType type = sdk::media::CodingType::H264;
    const auto check = [&](OptionChecks& checks) {
        const auto parsed = sdk::media::ParseCodingType(cli.Positional().value(0).toStdString());
        if (!parsed) {
            checks.Usage(QStringLiteral("give one of: H264, H265, H265+"));
        }
        type = parsed.value_or(type);
    };
    return RunMedia(cli, arguments, check, {},
                    [&type](MediaCommands& commands, const Keys& keys) { commands.SetCodingType(keys, type); });
}

int RunVideoEncode(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(MakeBatchSpec("video-encode",
                               "Sets one video stream's encoding on the selected devices: the window's values for "
                               "the stream, changed by --set (Resolution, EncodeFormat, BitRateControl, BitRate, "
                               "FrameRate, qp_min, ...). Asks first.",
                               {}, true),
                 out, err);
    const QCommandLineOption stream = Option("stream", "The stream: 1 main, 2 sub.", "N");
    const QCommandLineOption set = Option("set", kSetHelp, "NAME=VALUE");
    cli.Parser().addOptions({stream, set});
    sdk::media::VideoEncodeChoice choice;
    const auto check = [&](OptionChecks& checks) {
        if (!cli.Parser().isSet(stream)) {
            checks.Usage(QStringLiteral("give --stream 1 or 2"));
        }
        sdk::media::EncodeStream edited =
            sdk::media::DefaultEncodeStream(checks.Number(stream, 1, sdk::media::kEncodeStreamCount, 1));
        ApplySets(checks, cli.Parser().values(set), edited);
        choice.streams = {edited};
        Refuse(checks, sdk::media::CheckVideoEncode(choice));
    };
    MediaHooks hooks;
    hooks.editVideoEncode = Hand(choice);
    return RunMedia(cli, arguments, check, hooks,
                    [](MediaCommands& commands, const Keys& keys) { commands.SetVideoEncode(keys); });
}

int RunVideoCapture(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(MakeBatchSpec("video-capture",
                               "Sets the selected devices' image settings (the capture element): the window's values, "
                               "changed by --set (Brightness, Contrast, Saturation, Sharpness, WDRMode, ...)."),
                 out, err);
    const QCommandLineOption set = Option("set", kSetHelp, "NAME=VALUE");
    cli.Parser().addOption(set);
    sdk::media::VideoCaptureParams params;
    const auto check = [&](OptionChecks& checks) {
        ApplySets(checks, cli.Parser().values(set), params);
        Refuse(checks, sdk::media::CheckVideoCapture(params));
    };
    MediaHooks hooks;
    hooks.editVideoCapture = Hand(params);
    return RunMedia(cli, arguments, check, hooks,
                    [](MediaCommands& commands, const Keys& keys) { commands.SetVideoCapture(keys); });
}

int RunAudioEncode(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(MakeBatchSpec("audio-encode",
                               "Sets the selected devices' audio encoder (G711: 8000 Hz, AAC: 16000 Hz). Asks first.",
                               {QStringLiteral("G711|AAC")}, true),
                 out, err);
    const QCommandLineOption enable = Option("enable", "Audio on (1, the default) or off (0).", "0|1");
    cli.Parser().addOption(enable);
    sdk::media::AudioEncodeParams params;
    const auto check = [&](OptionChecks& checks) {
        const auto encoder = sdk::media::ParseAudioEncoder(cli.Positional().value(0).toStdString());
        if (!encoder) {
            checks.Usage(QStringLiteral("give one of: G711, AAC"));
        }
        params.encoder = encoder.value_or(params.encoder);
        params.Enable = checks.Number(enable, 0, 1, params.Enable);
    };
    MediaHooks hooks;
    hooks.editAudioEncode = Hand(params);
    return RunMedia(cli, arguments, check, hooks,
                    [](MediaCommands& commands, const Keys& keys) { commands.SetAudioEncode(keys); });
}

int RunAudioCapture(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(MakeBatchSpec("audio-capture", "Sets the selected devices' microphone and speaker volumes."), out,
                 err);
    const QCommandLineOption volume = Option("volume", "Input volume, 0 to 100 (default 80).", "N");
    const QCommandLineOption volumePlay = Option("volume-play", "Output volume, 0 to 100 (default 80).", "N");
    const QCommandLineOption amplify = Option("amplify", "Amplification on (1) or off (0, the default).", "N");
    const QCommandLineOption raAnswer = Option("ra-answer", "Remote answering on (1) or off (0, the default).", "N");
    cli.Parser().addOptions({volume, volumePlay, amplify, raAnswer});
    sdk::media::AudioCaptureParams params;
    const auto check = [&](OptionChecks& checks) {
        params.Volume = checks.AnyNumber(volume, params.Volume);
        params.VolumePlay = checks.AnyNumber(volumePlay, params.VolumePlay);
        params.amplify = checks.AnyNumber(amplify, params.amplify);
        params.ra_answer = checks.AnyNumber(raAnswer, params.ra_answer);
        Refuse(checks, sdk::media::CheckAudioCapture(params));
    };
    MediaHooks hooks;
    hooks.editAudioCapture = Hand(params);
    return RunMedia(cli, arguments, check, hooks,
                    [](MediaCommands& commands, const Keys& keys) { commands.SetAudioCapture(keys); });
}

int RunLights(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(MakeBatchSpec("lights",
                               "Sets the selected devices' illuminator and IR-cut settings: reads each device's image "
                               "settings and sends them back with only the light values changed. Starts from the "
                               "light values stored in the settings file, changed by --set (ircut_mode, "
                               "led_brightness_value, ...), and stores the new ones."),
                 out, err);
    const QCommandLineOption set = Option("set", kSetHelp, "NAME=VALUE");
    cli.Parser().addOption(set);
    base::MediaLightParam light;
    const auto check = [&](OptionChecks& checks) {
        light = base::CSaveParam().MediaLight();
        ApplySets(checks, cli.Parser().values(set), light);
        Refuse(checks, sdk::media::CheckLights(light));
    };
    MediaHooks hooks;
    hooks.editLights = Hand(light);
    return RunMedia(cli, arguments, check, hooks,
                    [](MediaCommands& commands, const Keys& keys) { commands.SetLights(keys); });
}

int RunImageTuning(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(MakeBatchSpec("image-tuning", "Tunes the selected devices' image by hand: motion compensation, gain "
                                               "and the longest electronic shutter."),
                 out, err);
    const QCommandLineOption mctf = Option("mctf", "Motion compensation, 0 to 11; -1 (the default) leaves it.", "N");
    const QCommandLineOption gain =
        Option("gain", "Gain: DO_NOT_SET, ISO_100, ISO_150, ... ISO_409600 (default ISO_3200).", "NAME");
    const QCommandLineOption shutterMax =
        Option("shutter-max", "Longest electronic shutter, 1 to 8000; -1 (the default) leaves it.", "N");
    cli.Parser().addOptions({mctf, gain, shutterMax});
    sdk::media::ImageTuningParams params;
    const auto check = [&](OptionChecks& checks) {
        params.mctf = checks.AnyNumber(mctf, params.mctf);
        params.shuttermax = checks.AnyNumber(shutterMax, params.shuttermax);
        if (cli.Parser().isSet(gain)) {
            const auto value = sdk::media::ParseGain(cli.Parser().value(gain).toStdString());
            if (!value) {
                QStringList names;
                for (const sdk::media::GainChoice& choice : sdk::media::GainChoices()) {
                    names << QString::fromLatin1(choice.name).replace(u' ', u'_');
                }
                checks.Usage(QStringLiteral("--gain takes one of: %1").arg(names.join(QStringLiteral(", "))));
            }
            params.gain = value.value_or(params.gain);
        }
        Refuse(checks, sdk::media::CheckImageTuning(params));
    };
    MediaHooks hooks;
    hooks.editImageTuning = Hand(params);
    return RunMedia(cli, arguments, check, hooks,
                    [](MediaCommands& commands, const Keys& keys) { commands.SetImageTuning(keys); });
}

int RunMotionDetect(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(MakeBatchSpec("motion-detect",
                               "Sets the selected devices' motion detection: on or off, sensitivity, threshold and "
                               "the region grid (every block on), all day with the alarm output."),
                 out, err);
    const QCommandLineOption enable = Option("enable", "Motion detection on.");
    const QCommandLineOption disable = Option("disable", "Motion detection off.");
    const QCommandLineOption sensitivity = Option("sensitivity", "Sensitivity, 0 to 100 (default 80).", "N");
    const QCommandLineOption threshold = Option("threshold", "Alarm threshold, 0 to 100 (default 20).", "N");
    const QCommandLineOption grid = Option(
        "grid", "Region grid, columns x rows: 1X1, 2X2, 3X2, 3X3, 4X3 (the default), 4X4, 8X8, 16X16, 22X18.", "CxR");
    cli.Parser().addOptions({enable, disable, sensitivity, threshold, grid});
    sdk::media::MotionDetectParams params;
    const auto check = [&](OptionChecks& checks) {
        if (cli.Parser().isSet(enable) == cli.Parser().isSet(disable)) {
            checks.Usage(QStringLiteral("give either --enable or --disable"));
        }
        params.enable = cli.Parser().isSet(enable) ? 1 : 0;
        params.sensitivity = checks.AnyNumber(sensitivity, params.sensitivity);
        params.threshold = checks.AnyNumber(threshold, params.threshold);
        if (cli.Parser().isSet(grid)) {
            const auto size = sdk::media::ParseGrid(cli.Parser().value(grid).toStdString());
            if (!size) {
                checks.Usage(QStringLiteral("--grid takes columns x rows, as 4X3"));
            }
            params.columns = size ? size->first : params.columns;
            params.rows = size ? size->second : params.rows;
        }
        Refuse(checks, sdk::media::CheckMotionDetect(params));
    };
    MediaHooks hooks;
    hooks.editMotionDetect = Hand(params);
    return RunMedia(cli, arguments, check, hooks,
                    [](MediaCommands& commands, const Keys& keys) { commands.SetMotionDetect(keys); });
}

int RunSmartDetect(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(MakeBatchSpec("smart-detect",
                               "Sets the selected devices' smart detection: reads each device's alarm settings and "
                               "sends back its person/vehicle, motion and sound detection with the schedules and "
                               "objects chosen."),
                 out, err);
    const char* const scheduleValues = "disable|allday|daytime|night";
    const QCommandLineOption enableSchedule =
        Option("enable-schedule", "When detection is on (default disable).", scheduleValues);
    const QCommandLineOption soundSchedule =
        Option("sound-schedule", "When the alarm sound plays (default allday).", scheduleValues);
    const QCommandLineOption pushSchedule =
        Option("push-schedule", "When the app is notified (default disable).", scheduleValues);
    const QCommandLineOption twinkleSchedule =
        Option("twinkle-schedule", "When the light flashes (default disable).", scheduleValues);
    const QCommandLineOption blueRedSchedule =
        Option("bluered-schedule", "When the red and blue lights flash (default disable).", scheduleValues);
    const QCommandLineOption person = Option("person", "Detect people.");
    const QCommandLineOption vehicle = Option("vehicle", "Detect vehicles.");
    const QCommandLineOption motion = Option("motion", "Motion detection on when scheduled.");
    const QCommandLineOption sound = Option("sound", "Sound detection on when scheduled.");
    const QCommandLineOption resetRegion =
        Option("reset-region", "The person/vehicle detection region becomes the whole picture.");
    cli.Parser().addOptions({enableSchedule, soundSchedule, pushSchedule, twinkleSchedule, blueRedSchedule, person,
                             vehicle, motion, sound, resetRegion});
    sdk::media::SmartDetectParams params;
    const auto check = [&](OptionChecks& checks) {
        for (const auto& [option, value] :
             {std::pair{&enableSchedule, &params.enableSchedule}, std::pair{&soundSchedule, &params.soundSchedule},
              std::pair{&pushSchedule, &params.pushSchedule}, std::pair{&twinkleSchedule, &params.twinkleSchedule},
              std::pair{&blueRedSchedule, &params.blueRedSchedule}}) {
            if (!cli.Parser().isSet(*option)) {
                continue;
            }
            const auto schedule = sdk::media::ParseSchedule(cli.Parser().value(*option).toStdString());
            if (!schedule) {
                checks.Usage(
                    QStringLiteral("--%1 takes disable, allday, daytime or night").arg(option->names().front()));
            }
            *value = schedule.value_or(*value);
        }
        for (const auto& [option, value] : {std::pair{&person, &params.person}, std::pair{&vehicle, &params.vehicle},
                                            std::pair{&motion, &params.motion}, std::pair{&sound, &params.sound},
                                            std::pair{&resetRegion, &params.resetRegion}}) {
            *value = cli.Parser().isSet(*option) ? 1 : 0;
        }
        Refuse(checks, sdk::media::CheckSmartDetect(params));
    };
    MediaHooks hooks;
    hooks.editSmartDetect = Hand(params);
    return RunMedia(cli, arguments, check, hooks,
                    [](MediaCommands& commands, const Keys& keys) { commands.SetSmartDetect(keys); });
}

} // namespace zk::cli
