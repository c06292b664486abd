// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <functional>
#include <string>
#include <utility>
#include <vector>

class QHBoxLayout;
class QMenu;
class QPushButton;

namespace zk::netcfg {
class IpAssignment;
}
namespace zk::sdk::batch {
class BatchRunner;
}
namespace zk::sdk::media {
class MediaCommands;
}
namespace zk::sdk::system {
class ConfigSwitches;
class LoopReboot;
class NightDemo;
class ParameterCommands;
class RestartCommands;
class SettingCommands;
} // namespace zk::sdk::system

namespace zk::app {

// The three rows of batch buttons under the device list. Each button (or an item of its pop-up menu,
// whose QAction data is the command id) runs one command of the objects the window owns on the ticked
// rows; the window registers the buttons under their control ids so the display table shows or
// hides them. Window thread only; the commands must outlive the area.
class BatchButtonArea final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BatchButtonArea)

public:
    struct Commands {
        sdk::batch::BatchRunner& runner;
        netcfg::IpAssignment& ip;
        sdk::system::RestartCommands& restart;
        sdk::system::LoopReboot& loopReboot;
        sdk::system::SettingCommands& settings;
        sdk::system::ParameterCommands& parameters;
        sdk::system::ConfigSwitches& switches;
        sdk::system::NightDemo& nightDemo;
        sdk::media::MediaCommands& media;
        std::function<int()> selectedRow; // the list's first selected row, or -1
    };

    explicit BatchButtonArea(Commands commands, QWidget* parent = nullptr);
    ~BatchButtonArea() override;

    // The buttons with their control ids, in layout order.
    const std::vector<std::pair<int, QPushButton*>>& Buttons() const { return m_buttons; }
    // The button of a control id, or nullptr.
    QPushButton* Button(int id) const;

    // Adds the device language sub-menus ("Normal" and "KC", 13 languages each) to a menu: button
    // 15's pop-up and the list's context menu with STYLE 1 share them.
    void AddLanguageMenus(QMenu& menu);

private:
    QPushButton* AddButton(QHBoxLayout& row, int id, const char* captionKey);
    // The pop-up menu a button opens under itself.
    QMenu* AddPopup(QPushButton* button);
    void AddItem(QMenu& menu, int command, const QString& text, std::function<void()> act);
    void BuildFirstRow(QHBoxLayout& row);
    void BuildSecondRow(QHBoxLayout& row);
    // The media and detection batches.
    void BuildMediaRow(QHBoxLayout& row);
    // The three coding types (32907-32909): button 1034's sub-menu and button 32988's pop-up.
    void AddCodingTypes(QMenu& menu);
    void OnLoopRunningChanged(bool running);
    std::vector<std::string> Ticked() const;

    Commands m_commands;
    std::vector<std::pair<int, QPushButton*>> m_buttons;
    QPushButton* m_loopButton = nullptr;
};

} // namespace zk::app
