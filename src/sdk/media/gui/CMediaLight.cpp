// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/media/gui/CMediaLight.h"

#include "base/LanguageTable.h"

#include <QDialogButtonBox>
#include <QFormLayout>

namespace zk::sdk::media {

using base::GetText;
using L = base::MediaLightParam;

CMediaLight::CMediaLight(const base::MediaLightParam& initial, base::Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_light(initial), m_fields(*this) {
    setWindowTitle(GetText("IDS_STR_LIGHT_CFG"));
    auto* form = new QFormLayout(this);
    m_fields.AddNumber(*form, "ircut_mode", ZK_TEXT_KEY("MEDIA_IRCUT_MODE"), &L::ircut_mode);
    m_fields.AddNumber(*form, "ircut_openled_delay", ZK_TEXT_KEY("MEDIA_LED_DELAY"), &L::ircut_openled_delay);
    m_fields.AddNumber(*form, "led_brightness_mode", ZK_TEXT_KEY("MEDIA_LED_BRIGHTNESS_MODE"), &L::led_brightness_mode);
    m_fields.AddNumber(*form, "led_brightness_value", ZK_TEXT_KEY("MEDIA_LED_BRIGHTNESS"), &L::led_brightness_value);
    m_fields.AddNumber(*form, "led_brightness_alarm", ZK_TEXT_KEY("MEDIA_LED_BRIGHTNESS_ALARM"),
                       &L::led_brightness_alarm);
    m_fields.AddTime(*form, "startTime", ZK_TEXT_KEY("MEDIA_NIGHT_START"), &L::startTime);
    m_fields.AddTime(*form, "endTime", ZK_TEXT_KEY("MEDIA_NIGHT_END"), &L::endTime);
    m_fields.AddNumber(*form, "led_mode", ZK_TEXT_KEY("MEDIA_LED_MODE"), &L::led_mode);
    m_fields.AddNumber(*form, "ispadvmode", ZK_TEXT_KEY("MEDIA_ISP_ADVANCED"), &L::ispadvmode);
    m_fields.AddNumber(*form, "light_off_sensitivity", ZK_TEXT_KEY("MEDIA_LIGHT_OFF_SENSITIVITY"),
                       &L::light_off_sensitivity);
    m_fields.Show(initial);
    form->addRow(OkCancelButtons(*this));
}

void CMediaLight::accept() {
    base::MediaLightParam light = m_light;
    m_fields.Store(light);
    if (const Refusal refusal = CheckLights(light)) {
        ShowRefusal(m_prompt, QStringLiteral("ERROR"), refusal);
        return;
    }
    m_light = light;
    QDialog::accept();
}

} // namespace zk::sdk::media
