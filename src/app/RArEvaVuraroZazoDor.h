// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/CLoadDisplayCfg.h"

#include <QDialog>
#include <QHash>

namespace zk::app {

// Control ids of the main window; the display table shows and hides controls by these numbers.
inline constexpr int kIdExit = 1;

// The main window. Its initialisation starts the debug log and its destruction shuts it down, so
// every line of a session lies between the two. Lives on the window thread.
class RArEvaVuraroZazoDor final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RArEvaVuraroZazoDor)

public:
    explicit RArEvaVuraroZazoDor(QWidget* parent = nullptr);
    ~RArEvaVuraroZazoDor() override;

    // The control registered under an id, or nullptr.
    QWidget* Control(int id) const;

private:
    void Initialise();
    void RegisterControl(int id, QWidget* control);

    base::CLoadDisplayCfg m_display;
    QHash<int, QWidget*> m_controls;
};

} // namespace zk::app
