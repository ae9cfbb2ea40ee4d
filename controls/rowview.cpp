#include "rowview.h"

#include <QHeaderView>
#include <QMouseEvent>

RowView::RowView(QWidget *parent) : QTreeView(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true); // keeps long lists cheap to lay out
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setSectionsMovable(false);
}

// A single-selection view would select the next row in place of a removed current one. A
// caller that removes the row it worked on must not find its neighbour chosen instead, so
// no row stays selected.
void RowView::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end)
{
    const int current = currentIndex().row();
    if (current >= start && current <= end)
        selectionModel()->clear();
    QTreeView::rowsAboutToBeRemoved(parent, start, end);
}

void RowView::keyPressEvent(QKeyEvent *event)
{
    const int before = currentIndex().row();
    QTreeView::keyPressEvent(event);
    const int after = currentIndex().row();
    if (after >= 0 && after != before)
        emit rowChangedByKey(after);
}

void RowView::mousePressEvent(QMouseEvent *event)
{
    // Selection first, so a handler sees the row under the mouse as selected.
    QTreeView::mousePressEvent(event);
    emit mouseButtonPressed(event->button(), event->modifiers(), event->position().toPoint());
}
