#include "controls/proportionalcolumns.h"

#include <QEvent>
#include <QHeaderView>
#include <algorithm>
#include <numeric>

ProportionalColumns::ProportionalColumns(QHeaderView *header, QWidget *viewport)
    : QObject(header), header_(header), viewport_(viewport)
{
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
    if (watched == viewport_ && event->type() == QEvent::Resize)
        apply();
    return QObject::eventFilter(watched, event);
}

void ProportionalColumns::apply()
{
    const int columns = std::min(int(relativeWidths_.size()), header_->count());
    if (columns == 0 || !viewport_)
        return;
    const qint64 total =
        std::accumulate(relativeWidths_.cbegin(), relativeWidths_.cbegin() + columns, qint64(0));
    const int available = viewport_->width();
    int used = 0;
    for (int column = 0; column < columns - 1; ++column) {
        const int width = int(available * qint64(relativeWidths_[column]) / total);
        header_->resizeSection(column, width);
        used += width;
    }
    // The last column takes the rounding rest so the columns end flush with the view.
    header_->resizeSection(columns - 1, std::max(available - used, 0));
}
