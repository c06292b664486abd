// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/DeviceListTableModel.h"

#include <QTableView>

namespace zk::app {

// The device list on screen: check boxes, the columns of the column map with their widths, grid
// lines unless the installation turns them off, the hover colour on the row under the mouse, and
// sorting by a click on a header. Window thread only.
class DeviceListView final : public QTableView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeviceListView)

public:
    DeviceListView(discovery::DeviceListModel& list, QWidget* parent = nullptr);

    DeviceListTableModel& TableModel() { return m_model; }

signals:
    // A row was double-clicked (live view opens from it).
    void rowDoubleClicked(int row);
    // The context menu was asked for over a row (-1: no row).
    void contextMenuRequestedAt(int row, const QPoint& globalPosition);

protected:
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    discovery::DeviceListModel& m_list;
    DeviceListTableModel m_model;
};

} // namespace zk::app
