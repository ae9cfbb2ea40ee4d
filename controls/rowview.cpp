#include "controls/rowview.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

// Paints a cell as part of its row: the style joins the cells of a row into one band. The
// focus is left to the view, which frames the current row as a whole.
class RowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state &= ~QStyle::State_HasFocus;
        const int last = index.model()->columnCount(index.parent()) - 1;
        if (last == 0)
            option->viewItemPosition = QStyleOptionViewItem::OnlyOne;
        else if (index.column() == 0)
            option->viewItemPosition = QStyleOptionViewItem::Beginning;
        else if (index.column() == last)
            option->viewItemPosition = QStyleOptionViewItem::End;
        else
            option->viewItemPosition = QStyleOptionViewItem::Middle;
    }
};

} // namespace

RowView::RowView(QWidget *parent) : QTableView(parent)
{
    setItemDelegate(new RowDelegate(this));
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false); // Tab leaves the list, as from any other control
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);

    verticalHeader()->hide();
    setRowsFitText(false);
    fitLineHeight();

    QHeaderView *columns = horizontalHeader();
    columns->setSectionsMovable(false);
    columns->setHighlightSections(false);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void RowView::setRowsFitText(bool fit)
{
    verticalHeader()->setSectionResizeMode(fit ? QHeaderView::ResizeToContents
                                               : QHeaderView::Fixed);
}

// A filled list is laid out at once instead of after the next paint, which would then paint
// all rows again for the new scroll range. An emptied one waits, as a refresh fills it right
// away: laying it out would hide the scroll bar only to show it again, and a changed viewport
// width resizes the columns, which paints once more.
void RowView::reset()
{
    QTableView::reset();
    if (model() && model()->rowCount() > 0)
        executeDelayedItemsLayout();
}

// One line of text as the style makes it: the height of every row, or the least one.
void RowView::fitLineHeight()
{
    QStyleOptionViewItem line;
    initViewItemOption(&line);
    line.features |= QStyleOptionViewItem::HasDisplay;
    line.text = QStringLiteral("0");
    const int height =
        style()->sizeFromContents(QStyle::CT_ItemViewItem, &line, QSize(), this).height();
    verticalHeader()->setMinimumSectionSize(height);
    verticalHeader()->setDefaultSectionSize(height);
}

void RowView::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        fitLineHeight();
}

// The focus frame goes around the whole current row, as in a list.
void RowView::paintEvent(QPaintEvent *event)
{
    QTableView::paintEvent(event);
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !(hasFocus() || viewport()->hasFocus()))
        return;
    QStyleOptionViewItem row;
    initViewItemOption(&row);
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(row);
    focus.state |= QStyle::State_KeyboardFocusChange;
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Normal : QPalette::Disabled;
    focus.backgroundColor = palette().color(
        group, selectionModel()->isSelected(current) ? QPalette::Highlight : QPalette::Window);
    focus.rect = QRect(-horizontalHeader()->offset(), rowViewportPosition(current.row()),
                       horizontalHeader()->length(), rowHeight(current.row()));
    QPainter painter(viewport());
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter);
}

// The view repaints the current cell when focus or the current index changes; the focus
// frames the row, so the whole row is repainted.
void RowView::focusInEvent(QFocusEvent *event)
{
    QTableView::focusInEvent(event);
    updateRow(currentIndex().row());
}

void RowView::focusOutEvent(QFocusEvent *event)
{
    QTableView::focusOutEvent(event);
    updateRow(currentIndex().row());
}

void RowView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    updateRow(previous.row());
    updateRow(current.row());
}

void RowView::updateRow(int row)
{
    if (row >= 0)
        viewport()->update(0, rowViewportPosition(row), viewport()->width(), rowHeight(row));
}

// Keys move from row to row as in a list: Home and End go to the first and last row, left
// and right do not move between the cells of a row.
QModelIndex RowView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    switch (cursorAction) {
    case MoveHome:
    case MoveEnd:
        return QTableView::moveCursor(cursorAction, modifiers | Qt::ControlModifier);
    case MoveLeft:
    case MoveRight:
        return currentIndex();
    default:
        return QTableView::moveCursor(cursorAction, modifiers);
    }
}

// A single-selection view would select the next row in place of a removed current one. A
// caller that removes the row it worked on must not find its neighbour chosen instead, so
// no row stays selected.
void RowView::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end)
{
    const int current = currentIndex().row();
    if (current >= start && current <= end)
        selectionModel()->clear();
    QTableView::rowsAboutToBeRemoved(parent, start, end);
}

// Space selects the current row without moving to it: that chooses a row as much as a move.
void RowView::keyPressEvent(QKeyEvent *event)
{
    const int before = currentIndex().row();
    const bool wasSelected = selectionModel()->isRowSelected(before);
    QTableView::keyPressEvent(event);
    const int after = currentIndex().row();
    if (after >= 0 && (after != before || (!wasSelected && selectionModel()->isRowSelected(after))))
        emit rowChangedByKey(after);
}

void RowView::mousePressEvent(QMouseEvent *event)
{
    // Selection first, so a handler sees the row under the mouse as selected.
    QTableView::mousePressEvent(event);
    emit mouseButtonPressed(event->button(), event->modifiers(), event->position().toPoint());
}
