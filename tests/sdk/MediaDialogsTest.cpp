// SPDX-License-Identifier: GPL-3.0-or-later
// The parameter windows of the media and detection batches: what each shows, what OK stores, and
// the refusals that keep a window open.
#include "base/LanguageTable.h"
#include "sdk/media/gui/CBatchSetPDDlg.h"
#include "sdk/media/gui/CImageParamDialog.h"
#include "sdk/media/gui/CMdAlarmDialog.h"
#include "sdk/media/gui/CMediaACapture.h"
#include "sdk/media/gui/CMediaAEncode.h"
#include "sdk/media/gui/CMediaCode.h"
#include "sdk/media/gui/CMediaLight.h"
#include "sdk/media/gui/CMediaVCapture.h"
#include "support/ScriptedPrompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimeEdit>

#include <functional>

namespace zk::sdk::media {
namespace {

QLineEdit* Edit(QWidget* field) {
    auto* edit = qobject_cast<QLineEdit*>(field);
    if (edit == nullptr) {
        qFatal("the field is no line edit");
    }
    return edit;
}

// A capture block whose every value differs from the defaults and from its neighbours, so a field
// shown or stored under another attribute cannot go unnoticed.
VideoCaptureParams DistinctCapture() {
    VideoCaptureParams p;
    p.Brightness = 11;
    p.Contrast = 12;
    p.Saturation = 13;
    p.Sharpness = 14;
    p.BackLight = 15;
    p.TVSystem = 0;
    p.forct_antiflicker = 1;
    p.cropxpix = 16;
    p.cropypix = 17;
    p.HFlip = 1;
    p.VFlip = 0;
    p.rotate = 2;
    p.bManualGain = 1;
    p.gainValue = 18;
    p.shutter_mode = 3;
    p.shutter_mode_night = 4;
    p.shutter_speed_day = 500;
    p.shutter_speed_night = 60;
    p.IrcutMode = 5;
    p.IrcutSensitivity = 19;
    p.IrcutOpenLedDelay = 6;
    p.led_brightness_mode = 7;
    p.led_brightness_value = 20;
    p.IrcutNightStartTime = {19, 30, 0};
    p.IrcutNightEndTime = {6, 15, 5};
    p.IrcutKeepColor = 1;
    p.WDRMode = 8;
    p.WDRValue = 21;
    p.DfrogFlag = 1;
    p.DfrogValue = 22;
    p.WDRStartTime = {1, 2, 3};
    p.WDREndTime = {22, 0, 0};
    p.WB_RGB = 9;
    p.isp_mode_color = 10;
    p.isp_mode_night = 23;
    p.led_mode = 24;
    p.ispadvmode = 25;
    p.videoEncodeMode = 26;
    p.face_exposure_sensitivity = 27;
    p.light_off_sensitivity = 28;
    return p;
}

} // namespace

class MediaDialogsTest final : public QObject {
    Q_OBJECT

private:
    // The last message is the refusal of a language key under the caption, and the window is open.
    static void VerifyRefused(const QDialog& window, const test::ScriptedPrompt& prompt, const QString& caption,
                              const QString& text) {
        QVERIFY(window.isVisible());
        QVERIFY(!text.isEmpty());
        QVERIFY(prompt.Questions().back().kind == test::ScriptedPrompt::Kind::Message);
        QCOMPARE(prompt.Questions().back().caption, caption);
        QCOMPARE(prompt.Questions().back().text, text);
    }

private slots:
    // Catches: a capture attribute missing from the window, shown in one field and stored from
    // another, a time losing its seconds, NTSC stored as PAL; a refused value leaving the window or
    // shown with another message, caption or an empty text (a key without a translation).
    void theCaptureWindowKeepsEveryValueAndRefusesEachRangeWithItsMessage() {
        test::ScriptedPrompt prompt;
        const VideoCaptureParams initial = DistinctCapture();
        CMediaVCapture window(initial, prompt);
        window.show();
        for (const char* name : {"Brightness",
                                 "Contrast",
                                 "Saturation",
                                 "Sharpness",
                                 "BackLight",
                                 "forct_antiflicker",
                                 "cropxpix",
                                 "cropypix",
                                 "HFlip",
                                 "VFlip",
                                 "rotate",
                                 "bManualGain",
                                 "gainValue",
                                 "shutter_mode",
                                 "shutter_mode_night",
                                 "shutter_speed_day",
                                 "shutter_speed_night",
                                 "IrcutMode",
                                 "IrcutSensitivity",
                                 "IrcutOpenLedDelay",
                                 "led_brightness_mode",
                                 "led_brightness_value",
                                 "IrcutNightStartTime",
                                 "IrcutNightEndTime",
                                 "IrcutKeepColor",
                                 "WDRMode",
                                 "WDRValue",
                                 "DfrogFlag",
                                 "DfrogValue",
                                 "WDRStartTime",
                                 "WDREndTime",
                                 "WB_RGB",
                                 "isp_mode_color",
                                 "isp_mode_night",
                                 "led_mode",
                                 "ispadvmode",
                                 "videoEncodeMode",
                                 "face_exposure_sensitivity",
                                 "light_off_sensitivity"}) {
            QVERIFY2(window.Field(name) != nullptr, name);
        }
        QCOMPARE(Edit(window.Field("Brightness"))->text(), QStringLiteral("11"));
        QCOMPARE(qobject_cast<QTimeEdit*>(window.Field("IrcutNightEndTime"))->text(), QStringLiteral("06:15:05"));
        QVERIFY(qobject_cast<QCheckBox*>(window.Field("HFlip"))->isChecked());
        QCOMPARE(window.TvSystemBox()->currentData().toInt(), 0);

        struct Bad {
            const char* field;
            const char* value;
            const char* key;
        };
        const Bad refused[] = {
            {"Brightness", "101", "IDS_STR_ZH_CN_MSG_TIPS47"},
            {"Contrast", "-1", "IDS_STR_ZH_CN_MSG_TIPS50"},
            {"Saturation", "101", "IDS_STR_ZH_CN_MSG_TIPS53"},
            {"Sharpness", "101", "IDS_STR_ZH_CN_MSG_TIPS54"},
            {"WDRValue", "101", "IDS_STR_ZH_CN_MSG_TIPS55"},
            {"DfrogValue", "101", "IDS_STR_ZH_CN_MSG_TIPS56"},
            {"BackLight", "101", "IDS_STR_HLC_VALUE_INVALID"},
            {"cropxpix", "201", "IDC_MEDIA_VIDEOCAPTURE_CROP_INVALID"},
            {"cropypix", "-1", "IDC_MEDIA_VIDEOCAPTURE_CROP_INVALID"},
            {"shutter_speed_day", "0", "IDS_STR_SHUTTER_SPEED_ERROR"},
            {"shutter_speed_night", "8001", "IDS_STR_SHUTTER_SPEED_ERROR"},
        };
        for (const Bad& bad : refused) {
            QLineEdit* edit = Edit(window.Field(bad.field));
            const QString good = edit->text();
            edit->setText(QString::fromLatin1(bad.value));
            window.accept();
            VerifyRefused(window, prompt, base::GetText("IDS_STR_ZH_CN_ERROR"), base::GetText(bad.key));
            if (QTest::currentTestFailed()) {
                qWarning("refusal of %s", bad.field);
                return;
            }
            edit->setText(good);
        }
        QCOMPARE(prompt.Questions().size(), std::size(refused));
        QVERIFY(window.Params() == initial);

        window.accept();
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QVERIFY(window.Params() == initial);

        CMediaVCapture edited(initial, prompt);
        edited.TvSystemBox()->setCurrentIndex(edited.TvSystemBox()->findData(1));
        qobject_cast<QTimeEdit*>(edited.Field("WDRStartTime"))->setTime(QTime(4, 5, 6));
        qobject_cast<QCheckBox*>(edited.Field("VFlip"))->setChecked(true);
        Edit(edited.Field("Brightness"))->setText(QStringLiteral("100"));
        edited.accept();
        VideoCaptureParams expected = initial;
        expected.TVSystem = 1;
        expected.WDRStartTime = {4, 5, 6};
        expected.VFlip = 1;
        expected.Brightness = 100;
        QVERIFY(edited.Params() == expected);
    }

    // Catches: the untouched stream sent along (it would overwrite the device's own settings), the
    // edits of one stream lost when the other is shown, streams out of order, a QP, bit rate or
    // frame rate refusal not keeping the window open, and a question asked by the window (the
    // command asks once it has closed).
    void theEncodingWindowSendsOnlyTheStreamsEdited() {
        test::ScriptedPrompt prompt;
        CMediaCode window(VideoEncodeChoice{}, prompt);
        window.show();
        QCOMPARE(window.StreamBox()->currentData().toInt(), 1);
        QCOMPARE(Edit(window.Field("BitRate"))->text(), QStringLiteral("2048000"));
        QCOMPARE(qobject_cast<QComboBox*>(window.Field("Resolution"))->currentData().toString(),
                 QStringLiteral("INVALID"));

        const std::pair<std::function<void()>, const char*> refused[] = {
            {[&] {
                 Edit(window.Field("qp_min"))->setText(QStringLiteral("40"));
                 Edit(window.Field("qp_max"))->setText(QStringLiteral("30"));
             },
             "IDS_QP_LIMIT"},
            {[&] {
                 Edit(window.Field("qp_min"))->setText(QStringLiteral("10"));
                 Edit(window.Field("qp_max"))->setText(QStringLiteral("52"));
             },
             "IDS_QP_LIMIT"},
            {[&] {
                 Edit(window.Field("qp_max"))->setText(QStringLiteral("51"));
                 Edit(window.Field("BitRate"))->setText(QStringLiteral("31999"));
             },
             "IDS_STR_ZH_CN_MSG_TIPS25"},
            {[&] {
                 Edit(window.Field("BitRate"))->setText(QStringLiteral("2048000"));
                 Edit(window.Field("FrameRate"))->setText(QStringLiteral("31"));
             },
             "IDS_STR_ZH_CN_MSG_TIPS26"},
        };
        for (const auto& [change, key] : refused) {
            change();
            window.accept();
            VerifyRefused(window, prompt, QStringLiteral("ERROR"), base::GetText(key));
        }
        // Back to the values the window opened with: stream 1 counts as untouched again.
        Edit(window.Field("FrameRate"))->setText(QStringLiteral("25"));
        window.StreamBox()->setCurrentIndex(1);
        QCOMPARE(Edit(window.Field("BitRate"))->text(), QStringLiteral("512000"));
        auto* format = qobject_cast<QComboBox*>(window.Field("EncodeFormat"));
        format->setCurrentIndex(format->findData(QStringLiteral("H265")));
        window.accept();
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(prompt.Questions().size(), std::size(refused));
        EncodeStream second = DefaultEncodeStream(2);
        second.EncodeFormat = "H265";
        QCOMPARE(window.Choice().streams.size(), std::size_t{1});
        QVERIFY(window.Choice().streams[0] == second);

        // The last batch's stream 2 opens first; the edits of both streams go out, in stream order.
        EncodeStream last = DefaultEncodeStream(2);
        last.BitRate = 1000000;
        CMediaCode both(VideoEncodeChoice{{last}}, prompt);
        both.show();
        QCOMPARE(both.StreamBox()->currentData().toInt(), 2);
        QCOMPARE(Edit(both.Field("BitRate"))->text(), QStringLiteral("1000000"));
        Edit(both.Field("FrameRate"))->setText(QStringLiteral("10"));
        both.StreamBox()->setCurrentIndex(0);
        Edit(both.Field("BitRate"))->setText(QStringLiteral("4096000"));
        qobject_cast<QCheckBox*>(both.Field("DisablePrivateData"))->setChecked(true);
        auto* profile = qobject_cast<QComboBox*>(both.Field("EncodeProfile"));
        profile->setCurrentIndex(profile->findData(0));
        QVERIFY(both.Choice().streams.size() == 1 && both.Choice().streams[0] == last);
        both.accept();
        QCOMPARE(both.result(), int(QDialog::Accepted));
        EncodeStream first = DefaultEncodeStream(1);
        first.BitRate = 4096000;
        first.advance.DisablePrivateData = 1;
        first.advance.EncodeProfile = 0;
        last.FrameRate = 10;
        QCOMPARE(both.Choice().streams.size(), std::size_t{2});
        QVERIFY(both.Choice().streams[0] == first);
        QVERIFY(both.Choice().streams[1] == last);
        QVERIFY(prompt.Problems().isEmpty());
    }

    // Catches: the image window's messages translated or changed ("MCTF ERROR", "shutter error" are
    // shown as they stand), -1 refused for either edit, the gain list or its default wrong.
    void theImageWindowShowsItsOwnMessagesAndTakesMinusOne() {
        test::ScriptedPrompt prompt;
        CImageParamDialog window(ImageTuningParams{}, prompt);
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral(u"图像参数"));
        QCOMPARE(window.GainBox()->count(), kGainChoiceCount);
        QCOMPARE(window.GainBox()->currentText(), QStringLiteral("ISO_3200"));
        QCOMPARE(window.MctfEdit()->text(), QStringLiteral("-1"));

        const std::pair<std::function<void()>, const char*> refused[] = {
            {[&] { window.MctfEdit()->setText(QStringLiteral("12")); }, "MCTF ERROR"},
            {[&] { window.MctfEdit()->setText(QStringLiteral("-2")); }, "MCTF ERROR"},
            {[&] {
                 window.MctfEdit()->setText(QStringLiteral("11"));
                 window.ShutterEdit()->setText(QStringLiteral("0"));
             },
             "shutter error"},
            {[&] { window.ShutterEdit()->setText(QStringLiteral("8001")); }, "shutter error"},
        };
        for (const auto& [change, text] : refused) {
            change();
            window.accept();
            VerifyRefused(window, prompt, QStringLiteral("ERROR"), QString::fromLatin1(text));
        }
        window.MctfEdit()->setText(QStringLiteral("-1"));
        window.ShutterEdit()->setText(QStringLiteral("-1"));
        window.GainBox()->setCurrentText(QStringLiteral("DO NOT SET"));
        window.accept();
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QVERIFY(window.Params() == (ImageTuningParams{-1, -1, -1}));

        CImageParamDialog again(ImageTuningParams{4, 48, 8000}, prompt);
        QCOMPARE(again.GainBox()->currentText(), QStringLiteral("ISO_25600"));
        again.accept();
        QVERIFY(again.Params() == (ImageTuningParams{4, 48, 8000}));
    }

    // Catches: the motion window's messages translated or swapped, its grid list or default wrong,
    // a grid read as rows x columns, and the enable box inverted.
    void theMotionWindowTakesItsGridAndShowsItsOwnMessages() {
        test::ScriptedPrompt prompt;
        CMdAlarmDialog window(MotionDetectParams{}, prompt);
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral(u"移动侦测批量设置"));
        QStringList grids;
        for (int i = 0; i < window.GridBox()->count(); ++i) {
            grids << window.GridBox()->itemText(i);
        }
        QStringList offered;
        for (const std::string& grid : MotionGrids()) {
            offered << QString::fromStdString(grid);
        }
        QCOMPARE(grids, offered);
        QCOMPARE(window.GridBox()->currentText(), QStringLiteral("4X3"));
        QCOMPARE(window.EnableBox()->currentText(), base::GetText("ENABLE"));
        QCOMPARE(window.SensitivityEdit()->text(), QStringLiteral("80"));

        window.SensitivityEdit()->setText(QStringLiteral("101"));
        window.accept();
        VerifyRefused(window, prompt, QStringLiteral("ERROR"), QStringLiteral(u"灵敏度设置错误。"));
        window.SensitivityEdit()->setText(QStringLiteral("50"));
        window.ThresholdEdit()->setText(QStringLiteral("-1"));
        window.accept();
        VerifyRefused(window, prompt, QStringLiteral("ERROR"), QStringLiteral(u"阈值设置错误。"));

        window.ThresholdEdit()->setText(QStringLiteral("30"));
        window.GridBox()->setCurrentText(QStringLiteral("22X18"));
        window.EnableBox()->setCurrentIndex(0);
        QCOMPARE(window.EnableBox()->currentText(), base::GetText("DISABLE"));
        window.accept();
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QVERIFY(window.Params() == (MotionDetectParams{0, 50, 30, 22, 18}));

        CMdAlarmDialog again(MotionDetectParams{1, 80, 20, 16, 16}, prompt);
        QCOMPARE(again.GridBox()->currentText(), QStringLiteral("16X16"));
    }

    // Catches: a schedule box or check box stored into another value of the block (the window's
    // order is not the block's), the schedule entries out of order or untranslated, and the
    // defaults (detection off, alarm sound all day) not shown.
    void theSmartDetectionWindowGivesTheBlockInItsOrder() {
        test::ScriptedPrompt prompt;
        CBatchSetPDDlg window(SmartDetectParams{}, prompt);
        window.show();
        QCOMPARE(window.windowTitle(), base::GetText("ALARM_CODE_AI_DETECT_SETTING"));
        QComboBox* enable = window.ScheduleBox(CBatchSetPDDlg::kEnable);
        QCOMPARE(enable->count(), kScheduleCount);
        for (int i = 0; i < kScheduleCount; ++i) {
            const QString text = base::GetText(ScheduleKeys()[static_cast<std::size_t>(i)]);
            QVERIFY(!text.isEmpty());
            QCOMPARE(enable->itemText(i), text);
        }
        QCOMPARE(enable->currentIndex(), 0);
        QCOMPARE(window.ScheduleBox(CBatchSetPDDlg::kSound)->currentIndex(), 1);
        QCOMPARE(window.ObjectBox(CBatchSetPDDlg::kVehicle)->text(), base::GetText("IDS_VEHICLESHAPE_CAR"));
        QCOMPARE(window.ObjectBox(CBatchSetPDDlg::kResetRegion)->text(), base::GetText("STR_RESET_REGION"));

        enable->setCurrentIndex(1);
        window.ScheduleBox(CBatchSetPDDlg::kSound)->setCurrentIndex(0);
        window.ScheduleBox(CBatchSetPDDlg::kTwinkle)->setCurrentIndex(2);
        window.ScheduleBox(CBatchSetPDDlg::kBlueRed)->setCurrentIndex(3);
        window.ScheduleBox(CBatchSetPDDlg::kPush)->setCurrentIndex(3);
        window.ObjectBox(CBatchSetPDDlg::kPerson)->setChecked(true);
        window.ObjectBox(CBatchSetPDDlg::kSoundDetect)->setChecked(true);
        window.ObjectBox(CBatchSetPDDlg::kResetRegion)->setChecked(true);
        window.accept();
        QCOMPARE(window.result(), int(QDialog::Accepted));
        const SmartDetectParams first{1, 0, 3, 2, 3, 1, 0, 0, 1, 1};
        QVERIFY(window.Params() == first);

        // Opened on that block, with push and vehicle and motion changed.
        CBatchSetPDDlg again(first, prompt);
        QCOMPARE(again.ScheduleBox(CBatchSetPDDlg::kTwinkle)->currentIndex(), 2);
        QVERIFY(again.ObjectBox(CBatchSetPDDlg::kSoundDetect)->isChecked());
        again.ScheduleBox(CBatchSetPDDlg::kPush)->setCurrentIndex(0);
        again.ObjectBox(CBatchSetPDDlg::kVehicle)->setChecked(true);
        again.ObjectBox(CBatchSetPDDlg::kMotion)->setChecked(true);
        again.ObjectBox(CBatchSetPDDlg::kPerson)->setChecked(false);
        again.accept();
        QVERIFY(again.Params() == (SmartDetectParams{1, 0, 0, 2, 3, 0, 1, 1, 1, 1}));
        QVERIFY(prompt.Questions().empty());
    }

    // Catches: a brightness beyond what the light block keeps (300) wrapped into a valid one instead
    // of refused, the light times losing seconds, a volume refusal not keeping the audio window
    // open, and the audio encoder's choice or switch lost.
    void theLightAndAudioWindowsRefuseWhatTheirChecksRefuse() {
        test::ScriptedPrompt prompt;
        base::MediaLightParam light;
        light.endTime = {7, 45, 30};
        CMediaLight lights(light, prompt);
        lights.show();
        QCOMPARE(qobject_cast<QTimeEdit*>(lights.Field("endTime"))->text(), QStringLiteral("07:45:30"));
        for (const char* value : {"101", "300"}) {
            Edit(lights.Field("led_brightness_value"))->setText(QString::fromLatin1(value));
            lights.accept();
            VerifyRefused(lights, prompt, QStringLiteral("ERROR"), base::GetText("IDS_LIGHT_VALUE_RANGE"));
        }
        Edit(lights.Field("led_brightness_value"))->setText(QStringLiteral("90"));
        Edit(lights.Field("ircut_mode"))->setText(QStringLiteral("2"));
        qobject_cast<QTimeEdit*>(lights.Field("startTime"))->setTime(QTime(20, 1, 2));
        lights.accept();
        QCOMPARE(lights.result(), int(QDialog::Accepted));
        base::MediaLightParam expected = light;
        expected.led_brightness_value = 90;
        expected.ircut_mode = 2;
        expected.startTime = {20, 1, 2};
        QVERIFY(lights.Light() == expected);

        CMediaACapture capture(AudioCaptureParams{}, prompt);
        capture.show();
        Edit(capture.Field("VolumePlay"))->setText(QStringLiteral("101"));
        capture.accept();
        VerifyRefused(capture, prompt, QStringLiteral("ERROR"), base::GetText("IDS_AUDIO_VOLUME_RANGE"));
        Edit(capture.Field("VolumePlay"))->setText(QStringLiteral("0"));
        qobject_cast<QCheckBox*>(capture.Field("ra_answer"))->setChecked(true);
        capture.accept();
        QVERIFY(capture.Params() == (AudioCaptureParams{80, 0, 0, 1}));

        CMediaAEncode encode(AudioEncodeParams{});
        encode.show();
        QCOMPARE(encode.EncoderBox()->currentText(), QStringLiteral("G711"));
        QVERIFY(encode.RatesLabel()->text().startsWith(QStringLiteral("8000 Hz")));
        encode.EncoderBox()->setCurrentText(QStringLiteral("AAC"));
        QVERIFY(encode.RatesLabel()->text().startsWith(QStringLiteral("16000 Hz")));
        encode.EnableBox()->setChecked(false);
        encode.accept();
        QCOMPARE(encode.result(), int(QDialog::Accepted));
        QVERIFY(encode.Params() == (AudioEncodeParams{0, AudioEncoder::Aac}));
        QVERIFY(prompt.Problems().isEmpty());
    }
};

} // namespace zk::sdk::media

QTEST_MAIN(zk::sdk::media::MediaDialogsTest)
#include "MediaDialogsTest.moc"
