// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RArEvaVuraroZazoDor.h"

#include "base/BuildInfo.h"
#include "base/DebugLog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace zk::app {
namespace {

// Shown until the language resources supply the title of the chosen language.
const QString kFallbackTitle = QStringLiteral("ZK设备搜索/IP配置/升级工具-V2.3.9");

} // namespace

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
    setWindowTitle(QStringLiteral("%1 %2").arg(kFallbackTitle, QLatin1StringView(base::kVersionString)));
    resize(1280, 800);
}

QWidget* RArEvaVuraroZazoDor::Control(int id) const {
    return m_controls.value(id, nullptr);
}

void RArEvaVuraroZazoDor::RegisterControl(int id, QWidget* control) {
    control->setProperty("zkControlId", id);
    m_controls.insert(id, control);
}

} // namespace zk::app
