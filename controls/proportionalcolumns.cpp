#include "proportionalcolumns.h"

#include <QEvent>
#include <QHeaderView>
#include <QTreeView>
#include <algorithm>
#include <numeric>

ProportionalColumns::ProportionalColumns(QTreeView *view) : QObject(view), m_view(view)
{
    QHeaderView *header = view->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    // A model reset or a new model brings new sections with default widths.
    connect(header, &QHeaderView::sectionCountChanged, this, &ProportionalColumns::apply);
    view->viewport()->installEventFilter(this);
}

void ProportionalColumns::setRelativeWidths(const QVector<int> &relativeWidths)
{
    m_relativeWidths.clear();
    for (int width : relativeWidths)
        m_relativeWidths.append(std::max(width, 1));
    apply();
}

bool ProportionalColumns::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view->viewport() && event->type() == QEvent::Resize)
        apply();
    return QObject::eventFilter(watched, event);
}

void ProportionalColumns::apply()
{
    QHeaderView *header = m_view->header();
    const int columns = std::min(int(m_relativeWidths.size()), header->count());
    if (columns == 0)
        return;
    const qint64 total =
        std::accumulate(m_relativeWidths.cbegin(), m_relativeWidths.cbegin() + columns, qint64(0));
    const int available = m_view->viewport()->width();
    int used = 0;
    for (int column = 0; column < columns - 1; ++column) {
        const int width = int(available * qint64(m_relativeWidths[column]) / total);
        header->resizeSection(column, width);
        used += width;
    }
    // The last column takes the rounding rest so the columns end flush with the view.
    header->resizeSection(columns - 1, std::max(available - used, 0));
}
