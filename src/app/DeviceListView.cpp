// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DeviceListView.h"

#include <QContextMenuEvent>
#include <QHeaderView>

namespace zk::app {

DeviceListView::DeviceListView(discovery::DeviceListModel& list, QWidget* parent)
    : QTableView(parent), m_list(list), m_model(list, this) {
    setModel(&m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMouseTracking(true);
    setShowGrid(list.Columns().GridLines());
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    for (int position = 0; position < list.Columns().Count(); ++position) {
        setColumnWidth(position, list.Columns().WidthPxAt(position));
    }
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { m_model.sort(section, Qt::AscendingOrder); });
    connect(this, &QTableView::entered, this, [this](const QModelIndex& index) { m_list.HotTrack(index.row()); });
    connect(this, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) {
            emit rowDoubleClicked(index.row());
        }
    });
}

void DeviceListView::leaveEvent(QEvent* event) {
    m_list.HotTrack(-1);
    QTableView::leaveEvent(event);
}

void DeviceListView::contextMenuEvent(QContextMenuEvent* event) {
    const QModelIndex index = indexAt(event->pos());
    emit contextMenuRequestedAt(index.isValid() ? index.row() : -1, event->globalPos());
}

} // namespace zk::app
