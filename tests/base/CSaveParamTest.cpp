// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/CSaveParam.h"

#include "base/FixedText.h"
#include "platform/TextCodec.h"
#include "support/FuzzDriver.h"
#include "support/TempFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <tinyxml2.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace zk::base {
namespace {

using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string SettingsPath(const TempFolder& folder) {
    return folder / "zk_cfg.xml";
}

// Loads a document written into the settings file of a fresh folder.
struct LoadedFile {
    explicit LoadedFile(const std::string& document) : written(WriteFile(SettingsPath(folder), document)) {}
    TempFolder folder;
    bool written;
    CSaveParam settings{Q(folder.Path())};
};

// The settings file as written by hand: every value at its default, paths in `folder`.
std::string DefaultDocument(const std::string& folder) {
    std::string document = R"(<?xml version="1.0" encoding="gb2312"?>
<root>
    <UpgradePath name="@"/>
    <UpgradeFileName name="@"/>
    <UploadCfgFileName name="@"/>
    <Mp3FilePath name="@"/>
    <AppFilePath name="@"/>
    <FullSwitchStream value="1"/>
    <OpenAudio value="0"/>
    <VideoWindow row="0" col="0" left="0" top="0" width="0" height="0"/>
    <PlayMode mode="0"/>
    <DecodeMode mode="1"/>
    <ScaleMode mode="0"/>
    <QR show="1"/>
    <DefaultUser username="admin" password="507913"/>
    <DefaultFromIP ip="0.0.0.0"/>
    <Overlay Enable="1" Transparency="0" time24or12="0" Week="1" Fontsize="0" Style="3">
        <TimeOverlay PosX="1" PosY="1" Format="yyyy-mm-dd hh:mm:ss" PosType="0"/>
        <TitleOverlay PosX="0" PosY="0" PosType="0" TitleUtf8="43616d657261"/>
    </Overlay>
    <MediaLight ircut_mode="0" ircut_openled_delay="12" led_brightness_mode="0" led_brightness_value="100" led_brightness_alarm="0" startTime="18:00:00" endTime="08:00:00" led_mode="0" ispadvmode="0" light_off_sensitivity="50"/>
    <TimeConfig TimeMode="MANUAL" TimeZone="1200">
        <NTPConfig ServerIP="pool.ntp.org" ServerPort="123" RefreshInterval="60"/>
    </TimeConfig>
    <AFStudyConfig interval_sec="2" nPtzSpeed="5" nPtzZoomInterval="500" nPtzZoomStayTime="5000" nPtzZoomExecTimes="20">
        <Present enable="1" presetNum="253" functionType="0"/>
        <Present enable="1" presetNum="252" functionType="1"/>
    </AFStudyConfig>
    <PtzMultipleConfig interval_sec="2">
        <Present enable="1" presetNum="226" functionType="1"/>
        <Present enable="1" presetNum="226" functionType="1"/>
        <Present enable="1" presetNum="30" functionType="1"/>
    </PtzMultipleConfig>
</root>
)";
    for (auto at = document.find('@'); at != std::string::npos; at = document.find('@', at)) {
        document.replace(at, 1, folder);
    }
    return document;
}

// Changes every value away from its default, with Chinese text where text is wide.
void ChangeEverything(CSaveParam& settings) {
    settings.SetUpgradePath(QStringLiteral("/srv/固件/升级"));
    settings.SetUpgradeFileName(QStringLiteral("/srv/固件/IPC_V5.bin"));
    settings.SetUploadCfgFileName(QStringLiteral("/home/装机/config_IPC.dev.xml"));
    settings.SetMp3FilePath(QStringLiteral("/home/装机/音乐"));
    settings.SetAppFilePath(QStringLiteral("/home/装机/app & <tools>"));
    settings.SetFullSwitchStream(0);
    settings.SetOpenAudio(1);
    settings.SetVideoGrid(3, 4);
    settings.SetPlayMode(2);
    settings.SetScaleMode(1);
    settings.SetDecodeMode(0);
    settings.SetVideoWindowRect({-20, 40, 1900, 1060});
    settings.SetDefaultUserName(QStringLiteral("管理员"));
    settings.SetDefaultPassword(QStringLiteral("p\"w'd<&>"));
    settings.SetDefaultFromIP(QStringLiteral("192.168.1.100"));
    settings.SetQrShow(0);

    OverlayParam overlay{0, 128, {10, 20, "dd/mm/yyyy hh:mm:ss", 0}, {30, 40, "", 0}, -2, 0, 32, 1};
    SetOverlayTitle(overlay.TitleOverlay, QStringLiteral("前门摄像机 1"));
    EXPECT_EQ(settings.SaveOverlay(overlay), 0);
    EXPECT_EQ(settings.SaveMediaLight({3, 255, 1, 0, 7, {19, 30, 5}, {6, 0, 59}, -1, 2, 99}), 0);
    settings.SetTimeConfig({"NTP", -300, {"ntp.example.org", 65535, 3600}});
    PresetConfigParam study{{}, 9, 1, 250, 1000, 3};
    for (std::size_t i = 0; i < kPresetEntryCount; ++i) {
        study.presets[i] = {static_cast<std::int32_t>(i % 2), static_cast<std::int32_t>(i + 1), 2};
    }
    settings.SetAFStudyConfig(study);
    settings.SetPtzMultipleConfig(
        {{PresetEntry{1, 7, 0}, PresetEntry{1, 8, 1}, PresetEntry{0, 9, 1}, PresetEntry{1, 10, 0}}, 15, 0, 0, 0, 0});
}

std::size_t EntryCount(const std::string& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

int PresentCount(const std::string& document, const char* block) {
    tinyxml2::XMLDocument xml;
    EXPECT_EQ(xml.Parse(document.c_str()), tinyxml2::XML_SUCCESS);
    const tinyxml2::XMLElement* element = xml.RootElement()->FirstChildElement(block);
    int count = 0;
    for (auto* p = element->FirstChildElement("Present"); p != nullptr; p = p->NextSiblingElement("Present")) {
        ++count;
    }
    return count;
}

TEST(CSaveParamTest, FirstStartHasTheDefaultsCreatesNoFileAndSavesTheHandWrittenDocument) {
    TempFolder folder;
    CSaveParam settings(Q(folder.Path()));
    EXPECT_EQ(settings.Load(), -1);
    EXPECT_EQ(EntryCount(folder.Path()), 0u) << "the file appears only with the first save";
    // What the window shows at start-up: check boxes 1006 on, 1005 off, 1007 on, the 1 x 1 grid.
    EXPECT_EQ(settings.FullSwitchStream(), 1);
    EXPECT_EQ(settings.OpenAudio(), 0);
    EXPECT_EQ(settings.QrShow(), 1);
    EXPECT_EQ(settings.VideoRow(), 0);
    EXPECT_EQ(settings.DefaultUserName(), QStringLiteral("admin"));
    EXPECT_EQ(OverlayTitle(settings.Overlay().TitleOverlay), QStringLiteral("Camera"));
    EXPECT_EQ(settings.ToXml(), DefaultDocument(folder.Path()));

    ASSERT_EQ(settings.Save(), 0);
    EXPECT_EQ(ReadFile(SettingsPath(folder)), DefaultDocument(folder.Path()));
    struct stat info {};
    ASSERT_EQ(stat(SettingsPath(folder).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the file holds the default device password";
    EXPECT_EQ(EntryCount(folder.Path()), 1u);
}

TEST(CSaveParamTest, TheUsersDocumentsFolderHoldsTheFileByDefault) {
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    const CSaveParam settings;
    EXPECT_EQ(settings.ConfigFilePath(), Q(std::string(home) + "/Documents/zk_cfg.xml"));
    EXPECT_EQ(settings.UpgradePath(), Q(std::string(home) + "/Documents"));
}

TEST(CSaveParamTest, EveryValueSurvivesASaveAndTheFileRoundTripsByteForByte) {
    TempFolder folder;
    CSaveParam first(Q(folder.Path()));
    ChangeEverything(first);
    ASSERT_EQ(first.Save(), 0);
    const std::string saved = ReadFile(SettingsPath(folder));
    EXPECT_NE(saved.find(platform::WideToAnsi(QStringLiteral("管理员"))), std::string::npos)
        << "wide text is stored in code page 936";

    CSaveParam second(Q(folder.Path()));
    EXPECT_EQ(second.ToXml(), saved);
    EXPECT_EQ(second.PtzMultipleConfig(), first.PtzMultipleConfig());
    EXPECT_EQ(OverlayTitle(second.Overlay().TitleOverlay), QStringLiteral("前门摄像机 1"));
    EXPECT_EQ(second.DefaultUserNameAnsi(), platform::WideToAnsi(QStringLiteral("管理员")));
    EXPECT_EQ(second.DefaultPasswordAnsi(), "p\"w'd<&>");
    ASSERT_EQ(second.Save(), 0);
    EXPECT_EQ(ReadFile(SettingsPath(folder)), saved);
}

TEST(CSaveParamTest, AnotherElementOrderAndUnknownElementsLoadTheSameValues) {
    TempFolder source;
    CSaveParam original(Q(source.Path()));
    ChangeEverything(original);

    tinyxml2::XMLDocument xml;
    ASSERT_EQ(xml.Parse(original.ToXml().c_str()), tinyxml2::XML_SUCCESS);
    tinyxml2::XMLElement* root = xml.RootElement();
    root->SetName("settings");
    // Reverse the children and put strangers between them.
    std::vector<tinyxml2::XMLElement*> children;
    for (auto* child = root->FirstChildElement(); child != nullptr; child = child->NextSiblingElement()) {
        children.push_back(child);
    }
    for (auto* child : children) {
        root->InsertFirstChild(child);
        root->InsertAfterChild(child, xml.NewElement("Unknown"))->ToElement()->SetAttribute("value", "7");
    }
    ASSERT_STREQ(root->FirstChildElement()->Name(), "PtzMultipleConfig");
    root->FirstChildElement("Overlay")->InsertFirstChild(xml.NewElement("Decoration"));
    root->FirstChildElement("AFStudyConfig")->InsertFirstChild(xml.NewElement("Comment"));
    root->InsertEndChild(xml.NewElement("qr"))->ToElement()->SetAttribute("show", "1");
    tinyxml2::XMLPrinter printer;
    xml.Print(&printer);

    LoadedFile reordered(printer.CStr());
    ASSERT_TRUE(reordered.written);
    EXPECT_EQ(reordered.settings.QrShow(), 0) << "names are case-sensitive";
    EXPECT_EQ(reordered.settings.ToXml(), original.ToXml());
}

TEST(CSaveParamTest, AFileThatIsNotXmlKeepsEveryDefault) {
    for (const std::string& document :
         {std::string(), std::string("not xml at all"), std::string("<root><QR show=\"0\"></root>"),
          std::string("\xEF\xBB\xBF"), std::string(1000, '\0')}) {
        LoadedFile loaded(document);
        EXPECT_EQ(loaded.settings.QrShow(), 1);
        EXPECT_EQ(loaded.settings.Load(), -1);
    }
    TempFolder folder;
    std::filesystem::create_directory(folder / "zk_cfg.xml");
    CSaveParam settings(Q(folder.Path()));
    EXPECT_EQ(settings.Load(), -1) << "a folder in the file's place is no file";
}

TEST(CSaveParamTest, VideoWindowWidthAndHeightAreAddedToLeftAndTopWithoutOverflow) {
    LoadedFile loaded("<root><VideoWindow row=\"2\" col=\"2\" left=\"10\" top=\"-5\" width=\"300\" height=\"200\"/>"
                      "<VideoWindow width=\"50\"/></root>");
    EXPECT_EQ(loaded.settings.VideoRow(), 2);
    EXPECT_EQ(loaded.settings.VideoWindowRect(), (VideoRect{10, -5, 60, 195}))
        << "a lone width is added to the left already read";

    EXPECT_EQ(loaded.settings.LoadXml("<r><VideoWindow left=\"2147483647\" top=\"-99999999999999999999\" "
                                      "width=\"1000\" height=\"-1000\"/></r>"),
              0);
    EXPECT_EQ(loaded.settings.VideoWindowRect(), (VideoRect{INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN}));
    EXPECT_NE(loaded.settings.ToXml().find("width=\"0\" height=\"0\""), std::string::npos);
}

TEST(CSaveParamTest, SwitchesReadNonNumbersAsZeroAndQrShowOnlyPositiveAsOn) {
    auto qrShow = [](const char* value) {
        LoadedFile loaded(std::string("<root><QR show=\"") + value + "\"/></root>");
        return loaded.settings.QrShow();
    };
    EXPECT_EQ(qrShow("5"), 1);
    EXPECT_EQ(qrShow("-1"), 0);
    EXPECT_EQ(qrShow("0"), 0);
    EXPECT_EQ(qrShow("on"), 0);
    EXPECT_EQ(qrShow(" 12abc"), 1) << "digits are read up to the first other character";

    LoadedFile loaded("<root><FullSwitchStream value=\"yes\"/><DecodeMode/><OpenAudio value=\"+1\"/>"
                      "<PlayMode mode=\"99999999999\"/><QR/></root>");
    EXPECT_EQ(loaded.settings.FullSwitchStream(), 0);
    EXPECT_EQ(loaded.settings.DecodeMode(), 1) << "a missing attribute leaves the value alone";
    EXPECT_EQ(loaded.settings.OpenAudio(), 1);
    EXPECT_EQ(loaded.settings.PlayMode(), INT32_MAX);
    EXPECT_EQ(loaded.settings.QrShow(), 1);
}

TEST(CSaveParamTest, BlockAttributesChangeOnlyWhenTheyHoldANumber) {
    LoadedFile loaded("<root><Overlay Enable=\"off\" Transparency=\"70000\" Style=\"70000\" Week=\"\">"
                      "<TimeOverlay PosX=\"x\" PosY=\"9\"/></Overlay>"
                      "<MediaLight ircut_openled_delay=\"300\" led_brightness_value=\"-1\" led_mode=\"abc\"/>"
                      "</root>");
    const OverlayParam& overlay = loaded.settings.Overlay();
    EXPECT_EQ(overlay.Enable, 1);
    EXPECT_EQ(overlay.Transparency, 70000);
    EXPECT_EQ(overlay.Style, static_cast<std::int16_t>(70000)) << "16-bit fields keep the low bits";
    EXPECT_EQ(overlay.Week, 1);
    EXPECT_EQ(overlay.TimeOverlay.PosX, 1);
    EXPECT_EQ(overlay.TimeOverlay.PosY, 9);
    EXPECT_EQ(loaded.settings.MediaLight().ircut_openled_delay, 44);
    EXPECT_EQ(loaded.settings.MediaLight().led_brightness_value, 255);
    EXPECT_EQ(loaded.settings.MediaLight().led_mode, 0);
}

TEST(CSaveParamTest, LightTimesAreReadAsTwoDigitPartsUpToTheFirstMismatch) {
    LoadedFile loaded("<root><MediaLight startTime=\"7:5:3\" endTime=\"21:45\"/></root>");
    EXPECT_EQ(loaded.settings.MediaLight().startTime, (ClockTime{7, 5, 3}));
    EXPECT_EQ(loaded.settings.MediaLight().endTime, (ClockTime{21, 45, 0})) << "the default second stays";
    EXPECT_NE(loaded.settings.ToXml().find("startTime=\"07:05:03\" endTime=\"21:45:00\""), std::string::npos);

    LoadedFile odd("<root><MediaLight startTime=\"123:00:00\" endTime=\"xx\"/></root>");
    EXPECT_EQ(odd.settings.MediaLight().startTime, (ClockTime{12, 0, 0})) << "three digits do not fit a part";
    EXPECT_EQ(odd.settings.MediaLight().endTime, (ClockTime{8, 0, 0}));
}

TEST(CSaveParamTest, LongStringsAreCutToTheirFields) {
    const std::string long300(300, 'a');
    LoadedFile loaded("<root><Overlay><TimeOverlay Format=\"" + long300 + "\"/><TitleOverlay TitleUtf8=\"" + long300 +
                      "\"/></Overlay><TimeConfig TimeMode=\"" + long300 + "\"><NTPConfig ServerIP=\"" + long300 +
                      "\"/></TimeConfig><UpgradePath name=\"" + std::string(100000, 'p') + "\"/></root>");
    const CSaveParam& settings = loaded.settings;
    EXPECT_EQ(std::string(settings.Overlay().TimeOverlay.Format), std::string(31, 'a'));
    EXPECT_EQ(std::string(settings.Overlay().TitleOverlay.TitleUtf8), std::string(199, 'a'));
    EXPECT_EQ(std::string(settings.TimeConfig().TimeMode), std::string(31, 'a'));
    EXPECT_EQ(std::string(settings.TimeConfig().NTPConfig.ServerIP), std::string(63, 'a'));
    EXPECT_EQ(settings.UpgradePath().size(), 100000) << "paths have no fixed field";
}

TEST(CSaveParamTest, PositionTypesAreWrittenButNotReadBack) {
    TempFolder folder;
    CSaveParam settings(Q(folder.Path()));
    OverlayParam overlay;
    overlay.TimeOverlay.PosType = 2;
    overlay.TitleOverlay.PosType = 3;
    ASSERT_EQ(settings.SaveOverlay(overlay), 0);
    EXPECT_EQ(settings.Overlay().TimeOverlay.PosType, 2) << "the writer stores the block first";
    const std::string saved = ReadFile(SettingsPath(folder));
    EXPECT_NE(saved.find("Format=\"yyyy-mm-dd hh:mm:ss\" PosType=\"2\""), std::string::npos);
    EXPECT_NE(saved.find("PosX=\"0\" PosY=\"0\" PosType=\"3\""), std::string::npos);

    ASSERT_EQ(settings.Load(), 0);
    EXPECT_EQ(settings.Overlay().TimeOverlay.PosType, 0);
    EXPECT_EQ(settings.Overlay().TitleOverlay.PosType, 0);
}

TEST(CSaveParamTest, OnlyTheFirstChildOfTimeConfigIsExamined) {
    LoadedFile second("<root><TimeConfig TimeMode=\"NTP\"><Other/><NTPConfig ServerIP=\"a.example\"/></TimeConfig>"
                      "</root>");
    EXPECT_STREQ(second.settings.TimeConfig().TimeMode, "NTP");
    EXPECT_STREQ(second.settings.TimeConfig().NTPConfig.ServerIP, "pool.ntp.org");

    LoadedFile first("<root><TimeConfig TimeZone=\"480\"><NTPConfig ServerIP=\"b.example\" ServerPort=\"70000\" "
                     "RefreshInterval=\"5\"/></TimeConfig></root>");
    EXPECT_EQ(first.settings.TimeConfig().TimeZone, 480);
    EXPECT_STREQ(first.settings.TimeConfig().NTPConfig.ServerIP, "b.example");
    EXPECT_EQ(first.settings.TimeConfig().NTPConfig.ServerPort, 70000 & 0xFFFF);
    EXPECT_EQ(first.settings.TimeConfig().NTPConfig.RefreshInterval, 5);
}

TEST(CSaveParamTest, RepeatedElementsOverwriteEarlierOnesAndLoadResetsOnlyTheBlocks) {
    LoadedFile loaded("<root><DefaultUser username=\"one\" password=\"1\"/><Overlay Enable=\"0\"/>"
                      "<DefaultUser username=\"two\"/><Overlay Week=\"0\"/></root>");
    EXPECT_EQ(loaded.settings.DefaultUserName(), QStringLiteral("two"));
    EXPECT_EQ(loaded.settings.DefaultPassword(), QStringLiteral("1"));
    EXPECT_EQ(loaded.settings.Overlay().Enable, 0);
    EXPECT_EQ(loaded.settings.Overlay().Week, 0);

    EXPECT_EQ(loaded.settings.LoadXml("<root/>"), 0);
    EXPECT_EQ(loaded.settings.Overlay(), OverlayParam{}) << "blocks start from their defaults on every load";
    EXPECT_EQ(loaded.settings.DefaultUserName(), QStringLiteral("two")) << "other values are not reset";
}

TEST(CSaveParamTest, PresentChildrenFillEntriesFromTheFirstAndTheRestKeepTheirDefaults) {
    LoadedFile loaded("<root><AFStudyConfig nPtzSpeed=\"8\"><Present enable=\"0\" presetNum=\"17\"/>"
                      "</AFStudyConfig></root>");
    const PresetConfigParam& study = loaded.settings.AFStudyConfig();
    EXPECT_EQ(study.presets[0], (PresetEntry{0, 17, 0})) << "a missing attribute keeps the default";
    EXPECT_EQ(study.presets[1], (PresetEntry{1, 252, 1})) << "an entry the file does not reach keeps its default";
    EXPECT_EQ(study.nPtzSpeed, 8);
    EXPECT_EQ(study.nPtzZoomInterval, 500);
    EXPECT_EQ(PresentCount(loaded.settings.ToXml(), "AFStudyConfig"), 2) << "the next save writes two entries";
    EXPECT_EQ(loaded.settings.PtzMultipleConfig(), DefaultPtzMultipleConfig()) << "a missing block keeps its defaults";

    LoadedFile empty("<root><PtzMultipleConfig interval_sec=\"3\"/></root>");
    EXPECT_EQ(empty.settings.PtzMultipleConfig().presets, DefaultPtzMultipleConfig().presets);
}

TEST(CSaveParamTest, PresetListsEndAtPresetNumZeroOrAfterTenEntries) {
    TempFolder folder;
    CSaveParam settings(Q(folder.Path()));
    PresetConfigParam multiple = DefaultPtzMultipleConfig();
    multiple.presets[2].presetNum = 0;
    multiple.presets[3] = {1, 40, 1};
    settings.SetPtzMultipleConfig(multiple);
    EXPECT_EQ(PresentCount(settings.ToXml(), "PtzMultipleConfig"), 2);

    PresetConfigParam study;
    for (auto& entry : study.presets) {
        entry = {1, 99, 0};
    }
    settings.SetAFStudyConfig(study);
    EXPECT_EQ(PresentCount(settings.ToXml(), "AFStudyConfig"), 10);

    std::string twelve = "<root><PtzMultipleConfig interval_sec=\"4\" nPtzSpeed=\"9\">";
    for (int i = 1; i <= 12; ++i) {
        twelve += "<Present enable=\"1\" presetNum=\"" + std::to_string(i) + "\" functionType=\"1\"/><Skip/>";
    }
    LoadedFile loaded(twelve + "</PtzMultipleConfig></root>");
    const PresetConfigParam& read = loaded.settings.PtzMultipleConfig();
    EXPECT_EQ(read.presets[9].presetNum, 10) << "other children do not take an entry";
    EXPECT_EQ(read.interval_sec, 4);
    EXPECT_EQ(read.nPtzSpeed, 0) << "the multi-preset block reads only its interval";
    const std::string saved = loaded.settings.ToXml();
    EXPECT_NE(saved.find("<PtzMultipleConfig interval_sec=\"4\">"), std::string::npos);
}

TEST(CSaveParamTest, ChineseTitlesSurviveAsTheSameUtf8HexAndLongOnesAreCutBetweenCharacters) {
    TempFolder folder;
    CSaveParam settings(Q(folder.Path()));
    OverlayParam overlay;
    SetOverlayTitleFromAnsi(overlay.TitleOverlay, platform::WideToAnsi(QStringLiteral("前门摄像机")));
    EXPECT_STREQ(overlay.TitleOverlay.TitleUtf8, "e5898de997a8e69184e5838fe69cba");
    ASSERT_EQ(settings.SaveOverlay(overlay), 0);
    CSaveParam reloaded(Q(folder.Path()));
    EXPECT_STREQ(reloaded.Overlay().TitleOverlay.TitleUtf8, "e5898de997a8e69184e5838fe69cba");
    EXPECT_EQ(OverlayTitle(reloaded.Overlay().TitleOverlay), QStringLiteral("前门摄像机"));

    // 40 three-byte characters are 120 bytes; 33 whole ones (99 bytes) fit.
    SetOverlayTitle(overlay.TitleOverlay, QString(40, QChar(u'门')));
    EXPECT_EQ(OverlayTitle(overlay.TitleOverlay), QString(33, QChar(u'门')));
    SetOverlayTitle(overlay.TitleOverlay, QStringLiteral("A") + QString(40, QChar(u'门')));
    EXPECT_EQ(OverlayTitle(overlay.TitleOverlay), QStringLiteral("A") + QString(32, QChar(u'门')))
        << "the character that no longer fits whole is left out";
}

TEST(CSaveParamTest, AFailedSaveLeavesThePreviousFileIntact) {
    TempFolder folder;
    {
        CSaveParam settings(Q(folder.Path()));
        settings.SetDefaultUserName(QStringLiteral("installer"));
        ASSERT_EQ(settings.Save(), 0);
    }
    const std::string before = ReadFile(SettingsPath(folder));
    CSaveParam failing(Q(folder.Path()), [](int fd, std::string_view bytes) {
        // The disk fills up after the first hundred bytes.
        EXPECT_EQ(::write(fd, bytes.data(), 100), 100);
        return ENOSPC;
    });
    EXPECT_EQ(failing.DefaultUserName(), QStringLiteral("installer"));
    failing.SetDefaultUserName(QStringLiteral("lost"));
    EXPECT_EQ(failing.Save(), -1);
    EXPECT_EQ(failing.DefaultUserName(), QStringLiteral("lost")) << "the value stays in force in memory";
    EXPECT_EQ(ReadFile(SettingsPath(folder)), before);
    EXPECT_EQ(EntryCount(folder.Path()), 1u) << "no temporary file is left behind";
}

TEST(CSaveParamTest, SavingCreatesAMissingDocumentsFolderAndFailsWhereAFileBlocksIt) {
    TempFolder folder;
    CSaveParam fresh(Q(folder / "home/Documents"));
    EXPECT_EQ(fresh.Save(), 0);
    EXPECT_EQ(ReadFile(folder / "home/Documents/zk_cfg.xml"), DefaultDocument(folder / "home/Documents"));

    ASSERT_TRUE(WriteFile(folder / "blocked", "a file where a folder should be"));
    CSaveParam blocked(Q(folder / "blocked/Documents"));
    EXPECT_EQ(blocked.Save(), -1);
    EXPECT_EQ(ReadFile(folder / "blocked"), "a file where a folder should be");
}

TEST(CSaveParamTest, AnyBytesLoadWithoutHarmAndSaveAsAReadableDocument) {
    TempFolder folder;
    CSaveParam source(Q(folder.Path()));
    const std::string defaults = source.ToXml();
    ChangeEverything(source);
    const std::vector<std::string> seeds = {
        defaults, source.ToXml(),
        "<root><VideoWindow left=\"1\" width=\"2\"/><QR show=\"5\"/><TimeConfig><NTPConfig ServerPort=\"1\"/>"
        "</TimeConfig><AFStudyConfig><Present presetNum=\"3\"/></AFStudyConfig></root>"};

    CSaveParam settings(Q(folder.Path()));
    CSaveParam reread(Q(folder.Path()));
    std::size_t inputs = 0;
    test::RunMutations(seeds, 100000, 20250106, [&](std::string_view input) {
        settings.LoadXml(input);
        ASSERT_TRUE(settings.QrShow() == 0 || settings.QrShow() == 1);
        // Every tenth state is saved and must read back as a settings document.
        ASSERT_TRUE(++inputs % 10 != 0 || reread.LoadXml(settings.ToXml()) == 0) << settings.ToXml();
    });
    EXPECT_GE(inputs, 100000u);
}

} // namespace
} // namespace zk::base
