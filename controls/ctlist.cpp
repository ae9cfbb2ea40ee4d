#include "ctlist.h"

#include "proportionalcolumns.h"
#include "rowmodel.h"
#include "rowview.h"

#include <QLabel>
#include <QVBoxLayout>

CtList::CtList(QWidget *parent)
    : QWidget(parent), m_title(new QLabel(this)), m_rows(new RowModel(this)),
      m_view(new RowView(this)), m_columns(new ProportionalColumns(m_view))
{
    m_view->setModel(m_rows);
    m_title->hide();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_title);
    layout->addWidget(m_view);
    setFocusProxy(m_view);

    connect(m_view, &QAbstractItemView::clicked, this,
            [this](const QModelIndex &index) { emit rowClicked(index.row()); });
    connect(m_view, &QAbstractItemView::activated, this,
            [this](const QModelIndex &index) { emit rowActivated(index.row()); });
    connect(m_view, &RowView::rowChangedByKey, this, &CtList::rowActivated);
    connect(m_view, &RowView::mouseButtonPressed, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position) {
                emit mouseButtonPressed(button, modifiers,
                                        m_view->viewport()->mapTo(this, position));
            });
}

void CtList::setColumns(const QVector<ListColumn> &columns, QChar separator)
{
    QStringList headers;
    QVector<int> widths;
    for (const ListColumn &column : columns) {
        headers.append(column.header);
        widths.append(column.relativeWidth);
    }
    m_rows->setColumns(headers, separator);
    m_columns->setRelativeWidths(widths);
}

void CtList::setTitle(const QString &title)
{
    m_title->setText(title);
    m_title->setVisible(!title.isEmpty());
}

int CtList::selectedRow() const
{
    const QModelIndexList selected = m_view->selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

bool CtList::isRowSelected(int row) const
{
    return row >= 0 && row < rowCount() && m_view->selectionModel()->isRowSelected(row);
}

int CtList::rowCount() const
{
    return m_rows->rowCount();
}

void CtList::addRow(const QString &text)
{
    m_rows->insertRowText(m_rows->rowCount(), text);
}

bool CtList::insertRow(int index, const QString &text)
{
    return m_rows->insertRowText(index, text);
}

bool CtList::removeRow(int row)
{
    return m_rows->removeRowAt(row);
}

void CtList::removeAllRows()
{
    m_rows->removeAll();
}

QString CtList::rowText(int row) const
{
    return m_rows->rowText(row);
}

QString CtList::keyText(int row) const
{
    return m_rows->keyText(row);
}

bool CtList::setKeyText(int row, const QString &key)
{
    return m_rows->setKeyText(row, key);
}

QString CtList::cellText(int row, int column) const
{
    return m_rows->cellText(row, column - 1);
}

bool CtList::setCellText(int row, int column, const QString &text)
{
    return m_rows->setCellText(row, column - 1, text);
}

QAbstractItemView *CtList::itemView() const
{
    return m_view;
}
