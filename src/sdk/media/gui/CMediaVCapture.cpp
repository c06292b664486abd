// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/media/gui/CMediaVCapture.h"

#include "base/LanguageTable.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

namespace zk::sdk::media {
namespace {

using base::GetText;
using P = VideoCaptureParams;

QFormLayout* Group(QGridLayout& grid, int row, int column, const char* titleKey, QWidget* parent) {
    auto* box = new QGroupBox(GetText(titleKey), parent);
    grid.addWidget(box, row, column);
    return new QFormLayout(box);
}

} // namespace

CMediaVCapture::CMediaVCapture(const VideoCaptureParams& initial, base::Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_params(initial), m_fields(*this), m_tvSystem(new QComboBox(this)) {
    setWindowTitle(GetText("ID_BATCH_SET_VIDEOCAPTURE"));
    m_tvSystem->setObjectName(QStringLiteral("TVSystem"));
    m_tvSystem->addItem(GetText("MENU_TVSYSTEM_PAL"), 1);
    m_tvSystem->addItem(GetText("MENU_TVSYSTEM_NTSC"), 0);
    m_tvSystem->setCurrentIndex(initial.TVSystem == 0 ? 1 : 0);

    auto* grid = new QGridLayout;
    QFormLayout* image = Group(*grid, 0, 0, ZK_TEXT_KEY("MEDIA_GROUP_IMAGE"), this);
    m_fields.AddNumber(*image, "Brightness", ZK_TEXT_KEY("MEDIA_BRIGHTNESS"), &P::Brightness);
    m_fields.AddNumber(*image, "Contrast", ZK_TEXT_KEY("MEDIA_CONTRAST"), &P::Contrast);
    m_fields.AddNumber(*image, "Saturation", ZK_TEXT_KEY("MEDIA_SATURATION"), &P::Saturation);
    m_fields.AddNumber(*image, "Sharpness", ZK_TEXT_KEY("MEDIA_SHARPNESS"), &P::Sharpness);
    m_fields.AddNumber(*image, "BackLight", ZK_TEXT_KEY("MEDIA_BACKLIGHT"), &P::BackLight);
    image->addRow(GetText("MEDIA_TVSYSTEM"), m_tvSystem);
    m_fields.AddFlag(*image, "forct_antiflicker", ZK_TEXT_KEY("MEDIA_ANTIFLICKER"), &P::forct_antiflicker);
    m_fields.AddNumber(*image, "cropxpix", ZK_TEXT_KEY("MEDIA_CROP_X"), &P::cropxpix);
    m_fields.AddNumber(*image, "cropypix", ZK_TEXT_KEY("MEDIA_CROP_Y"), &P::cropypix);
    m_fields.AddFlag(*image, "HFlip", ZK_TEXT_KEY("MEDIA_HFLIP"), &P::HFlip);
    m_fields.AddFlag(*image, "VFlip", ZK_TEXT_KEY("MEDIA_VFLIP"), &P::VFlip);
    m_fields.AddNumber(*image, "rotate", ZK_TEXT_KEY("MEDIA_ROTATE"), &P::rotate);

    QFormLayout* exposure = Group(*grid, 1, 0, ZK_TEXT_KEY("MEDIA_GROUP_EXPOSURE"), this);
    m_fields.AddFlag(*exposure, "bManualGain", ZK_TEXT_KEY("MEDIA_MANUAL_GAIN"), &P::bManualGain);
    m_fields.AddNumber(*exposure, "gainValue", ZK_TEXT_KEY("MEDIA_GAIN_VALUE"), &P::gainValue);
    m_fields.AddNumber(*exposure, "shutter_mode", ZK_TEXT_KEY("MEDIA_SHUTTER_MODE"), &P::shutter_mode);
    m_fields.AddNumber(*exposure, "shutter_mode_night", ZK_TEXT_KEY("MEDIA_SHUTTER_MODE_NIGHT"),
                       &P::shutter_mode_night);
    m_fields.AddNumber(*exposure, "shutter_speed_day", ZK_TEXT_KEY("MEDIA_SHUTTER_SPEED_DAY"), &P::shutter_speed_day);
    m_fields.AddNumber(*exposure, "shutter_speed_night", ZK_TEXT_KEY("MEDIA_SHUTTER_SPEED_NIGHT"),
                       &P::shutter_speed_night);
    m_fields.AddNumber(*exposure, "face_exposure_sensitivity", ZK_TEXT_KEY("MEDIA_FACE_EXPOSURE"),
                       &P::face_exposure_sensitivity);

    QFormLayout* night = Group(*grid, 0, 1, ZK_TEXT_KEY("MEDIA_GROUP_DAYNIGHT"), this);
    m_fields.AddNumber(*night, "IrcutMode", ZK_TEXT_KEY("MEDIA_IRCUT_MODE"), &P::IrcutMode);
    m_fields.AddNumber(*night, "IrcutSensitivity", ZK_TEXT_KEY("MEDIA_IRCUT_SENSITIVITY"), &P::IrcutSensitivity);
    m_fields.AddNumber(*night, "IrcutOpenLedDelay", ZK_TEXT_KEY("MEDIA_LED_DELAY"), &P::IrcutOpenLedDelay);
    m_fields.AddTime(*night, "IrcutNightStartTime", ZK_TEXT_KEY("MEDIA_NIGHT_START"), &P::IrcutNightStartTime);
    m_fields.AddTime(*night, "IrcutNightEndTime", ZK_TEXT_KEY("MEDIA_NIGHT_END"), &P::IrcutNightEndTime);
    m_fields.AddFlag(*night, "IrcutKeepColor", ZK_TEXT_KEY("MEDIA_KEEP_COLOR"), &P::IrcutKeepColor);
    m_fields.AddNumber(*night, "led_mode", ZK_TEXT_KEY("MEDIA_LED_MODE"), &P::led_mode);
    m_fields.AddNumber(*night, "led_brightness_mode", ZK_TEXT_KEY("MEDIA_LED_BRIGHTNESS_MODE"),
                       &P::led_brightness_mode);
    m_fields.AddNumber(*night, "led_brightness_value", ZK_TEXT_KEY("MEDIA_LED_BRIGHTNESS"), &P::led_brightness_value);
    m_fields.AddNumber(*night, "light_off_sensitivity", ZK_TEXT_KEY("MEDIA_LIGHT_OFF_SENSITIVITY"),
                       &P::light_off_sensitivity);

    QFormLayout* wdr = Group(*grid, 1, 1, ZK_TEXT_KEY("MEDIA_GROUP_WDR"), this);
    m_fields.AddNumber(*wdr, "WDRMode", ZK_TEXT_KEY("MEDIA_WDR_MODE"), &P::WDRMode);
    m_fields.AddNumber(*wdr, "WDRValue", ZK_TEXT_KEY("MEDIA_WDR_VALUE"), &P::WDRValue);
    m_fields.AddTime(*wdr, "WDRStartTime", ZK_TEXT_KEY("MEDIA_WDR_START"), &P::WDRStartTime);
    m_fields.AddTime(*wdr, "WDREndTime", ZK_TEXT_KEY("MEDIA_WDR_END"), &P::WDREndTime);
    m_fields.AddFlag(*wdr, "DfrogFlag", ZK_TEXT_KEY("MEDIA_DEFOG"), &P::DfrogFlag);
    m_fields.AddNumber(*wdr, "DfrogValue", ZK_TEXT_KEY("MEDIA_DEFOG_VALUE"), &P::DfrogValue);

    QFormLayout* isp = Group(*grid, 0, 2, ZK_TEXT_KEY("MEDIA_GROUP_ISP"), this);
    m_fields.AddNumber(*isp, "WB_RGB", ZK_TEXT_KEY("MEDIA_WHITE_BALANCE"), &P::WB_RGB);
    m_fields.AddNumber(*isp, "isp_mode_color", ZK_TEXT_KEY("MEDIA_ISP_MODE_COLOR"), &P::isp_mode_color);
    m_fields.AddNumber(*isp, "isp_mode_night", ZK_TEXT_KEY("MEDIA_ISP_MODE_NIGHT"), &P::isp_mode_night);
    m_fields.AddNumber(*isp, "ispadvmode", ZK_TEXT_KEY("MEDIA_ISP_ADVANCED"), &P::ispadvmode);
    m_fields.AddNumber(*isp, "videoEncodeMode", ZK_TEXT_KEY("MEDIA_ENCODE_MODE"), &P::videoEncodeMode);
    grid->setRowStretch(2, 1);
    m_fields.Show(initial);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(OkCancelButtons(*this));
}

void CMediaVCapture::accept() {
    VideoCaptureParams params = m_params;
    m_fields.Store(params);
    params.TVSystem = m_tvSystem->currentData().toInt();
    if (const Refusal refusal = CheckVideoCapture(params)) {
        ShowRefusal(m_prompt, GetText("IDS_STR_ZH_CN_ERROR"), refusal);
        return;
    }
    m_params = params;
    QDialog::accept();
}

} // namespace zk::sdk::media
