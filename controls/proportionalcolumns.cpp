#include "proportionalcolumns.h"

#include <QEvent>
#include <QHeaderView>
#include <QTreeView>
#include <algorithm>
#include <numeric>

ProportionalColumns::ProportionalColumns(QTreeView *view)
    : QObject(view), view_(view), viewport_(view->viewport())
{
    QHeaderView *header = view->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    // A model reset or a new model brings new sections with default widths.
    connect(header, &QHeaderView::sectionCountChanged, this, &ProportionalColumns::apply);
    viewport_->installEventFilter(this);
}

void ProportionalColumns::setRelativeWidths(const QVector<int> &relativeWidths)
{
    relativeWidths_.clear();
    for (int width : relativeWidths)
        relativeWidths_.append(std::max(width, 1));
    apply();
}

bool ProportionalColumns::eventFilter(QObject *watched, QEvent *event)
{
    // Compared with the pointer kept: while the view is being destroyed it can
    // no longer be asked for its viewport.
    if (watched == viewport_ && event->type() == QEvent::Resize)
        apply();
    return QObject::eventFilter(watched, event);
}

void ProportionalColumns::apply()
{
    QHeaderView *header = view_->header();
    const int columns = std::min(int(relativeWidths_.size()), header->count());
    if (columns == 0)
        return;
    const qint64 total =
        std::accumulate(relativeWidths_.cbegin(), relativeWidths_.cbegin() + columns, qint64(0));
    const int available = view_->viewport()->width();
    int used = 0;
    for (int column = 0; column < columns - 1; ++column) {
        const int width = int(available * qint64(relativeWidths_[column]) / total);
        header->resizeSection(column, width);
        used += width;
    }
    // The last column takes the rounding rest so the columns end flush with the view.
    header->resizeSection(columns - 1, std::max(available - used, 0));
}
