// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "discovery/DeviceListModel.h"

#include <QAbstractTableModel>

namespace zk::app {

// Shows the device list model in a Qt view: its shown columns in display order, a check box in the
// first column, each cell's text and background, and the headers. It follows the model's signals;
// ticking a check box and clicking a header go back to the model. Window thread only.
class DeviceListTableModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeviceListTableModel)

public:
    explicit DeviceListTableModel(discovery::DeviceListModel& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // The list sorts itself: ascending on the first click of a column, reversed on further clicks.
    void sort(int column, Qt::SortOrder order) override;

private:
    // After a sort of the list: moves the persistent indexes (selection, current row) with their rows.
    void FollowReorder(const QList<int>& oldPositions);

    discovery::DeviceListModel& m_list;
};

} // namespace zk::app
