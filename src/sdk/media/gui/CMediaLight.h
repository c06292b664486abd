// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/CSaveParam.h"
#include "sdk/media/gui/BlockFields.h"

#include <QDialog>

#include <string_view>

namespace zk::base {
class Prompt;
}

namespace zk::sdk::media {

// The light batch's window (item 33388): the light block of the settings file (IR-cut mode,
// illuminator delay, brightness mode and values, night start and end, illuminator mode, advanced
// image mode, light-off sensitivity). OK refuses what CheckLights refuses, with its message under
// "ERROR", and stays open. Window thread only; the prompt must outlive the window.
class CMediaLight final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMediaLight)

public:
    CMediaLight(const base::MediaLightParam& initial, base::Prompt& prompt, QWidget* parent = nullptr);

    // The block as OK stored it; the initial one until then.
    const base::MediaLightParam& Light() const { return m_light; }

    // The widget of a field by the block's member name ("led_brightness_value", "startTime", ...):
    // a QLineEdit for a number, a QTimeEdit for a time; nullptr for another name.
    QWidget* Field(std::string_view name) const { return m_fields.Field(name); }

public slots:
    void accept() override;

private:
    base::Prompt& m_prompt;
    base::MediaLightParam m_light;
    BlockFields<base::MediaLightParam> m_fields;
};

} // namespace zk::sdk::media
