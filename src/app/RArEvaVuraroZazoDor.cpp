// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RArEvaVuraroZazoDor.h"

#include "base/BuildInfo.h"
#include "base/DebugLog.h"
#include "base/LanguageTable.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace zk::app {
RArEvaVuraroZazoDor::RArEvaVuraroZazoDor(QWidget* parent) : QDialog(parent) {
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* exitButton = new QPushButton(QStringLiteral("退出"), this);
    buttons->addWidget(exitButton);
    layout->addLayout(buttons);
    RegisterControl(kIdExit, exitButton);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::accept);
    Initialise();
}

RArEvaVuraroZazoDor::~RArEvaVuraroZazoDor() {
    base::LogShutDown();
}

void RArEvaVuraroZazoDor::Initialise() {
    base::LogStartUp();
    const QString title = base::GetLanguageTable().GetTitle();
    setWindowTitle(m_display.GetDisplay(base::kDisplayStyle) == 2
                       ? title
                       : QStringLiteral("%1 %2").arg(title, QLatin1StringView(base::kVersionString)));
    resize(1280, 800);
    m_display.ApplyDisplay([this](int id, bool visible) {
        if (QWidget* control = Control(id)) {
            control->setVisible(visible);
        }
    });
}

QWidget* RArEvaVuraroZazoDor::Control(int id) const {
    return m_controls.value(id, nullptr);
}

void RArEvaVuraroZazoDor::RegisterControl(int id, QWidget* control) {
    control->setProperty("zkControlId", id);
    m_controls.insert(id, control);
}

} // namespace zk::app
