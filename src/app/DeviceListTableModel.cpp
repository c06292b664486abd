// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DeviceListTableModel.h"

#include <QColor>

#include <vector>

namespace zk::app {

DeviceListTableModel::DeviceListTableModel(discovery::DeviceListModel& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list) {
    connect(&m_list, &discovery::DeviceListModel::rowsAppended, this, [this](int first, int last) {
        // The rows are already in the list; a view only needs to learn about them.
        beginInsertRows({}, first, last);
        endInsertRows();
    });
    connect(&m_list, &discovery::DeviceListModel::rowsChanged, this,
            [this](int first, int last) { emit dataChanged(index(first, 0), index(last, columnCount() - 1)); });
    connect(&m_list, &discovery::DeviceListModel::rowsAboutToBeReordered, this,
            [this] { emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint); });
    connect(&m_list, &discovery::DeviceListModel::rowsReordered, this, &DeviceListTableModel::FollowReorder);
    connect(&m_list, &discovery::DeviceListModel::rowsCleared, this, [this] {
        beginResetModel();
        endResetModel();
    });
}

void DeviceListTableModel::FollowReorder(const QList<int>& oldPositions) {
    // The selection, the current row and every other persistent index move with their rows.
    std::vector<int> newPosition(static_cast<std::size_t>(oldPositions.size()), -1);
    for (int position = 0; position < oldPositions.size(); ++position) {
        const int old = oldPositions[position];
        if (old >= 0 && old < oldPositions.size()) {
            newPosition[static_cast<std::size_t>(old)] = position;
        }
    }
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from) {
        const int row = index.row();
        const int moved =
            row >= 0 && row < static_cast<int>(newPosition.size()) ? newPosition[static_cast<std::size_t>(row)] : -1;
        to.append(moved >= 0 ? this->index(moved, index.column()) : QModelIndex());
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int DeviceListTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_list.RowCount();
}

int DeviceListTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_list.Columns().Count();
}

QVariant DeviceListTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_list.RowCount() || index.column() >= columnCount()) {
        return {};
    }
    const discovery::ListColumn column = m_list.Columns().ColumnAt(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return m_list.CellText(index.row(), column);
    case Qt::CheckStateRole:
        if (index.column() == 0) {
            return m_list.IsTicked(index.row()) ? Qt::Checked : Qt::Unchecked;
        }
        return {};
    case Qt::BackgroundRole: {
        const discovery::CellColour colour = m_list.CellColourAt(index.row(), column);
        if (colour == discovery::kWindowColour) {
            return {};
        }
        return QColor::fromRgb(static_cast<QRgb>(colour));
    }
    default:
        return {};
    }
}

bool DeviceListTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole) {
        return false;
    }
    m_list.SetTicked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

QVariant DeviceListTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (role == Qt::DisplayRole) {
        return m_list.Columns().HeaderAt(section);
    }
    return {};
}

Qt::ItemFlags DeviceListTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == 0) {
        flags |= Qt::ItemIsUserCheckable;
    }
    return flags;
}

void DeviceListTableModel::sort(int column, Qt::SortOrder) {
    if (column >= 0 && column < columnCount()) {
        m_list.SortByColumn(m_list.Columns().ColumnAt(column));
    }
}

} // namespace zk::app
