#include "controls/ctlist.h"

#include "controls/proportionalcolumns.h"
#include "controls/rowmodel.h"
#include "controls/rowview.h"

#include <QLabel>
#include <QVBoxLayout>

CtList::CtList(QWidget *parent)
    : QWidget(parent), title_(new QLabel(this)), rows_(new RowModel(this)),
      view_(new RowView(this)),
      columns_(new ProportionalColumns(view_->horizontalHeader(), view_->viewport()))
{
    view_->setModel(rows_);
    title_->hide();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(title_);
    layout->addWidget(view_);
    setFocusProxy(view_);

    connect(view_, &QAbstractItemView::clicked, this,
            [this](const QModelIndex &index) { emit rowClicked(index.row()); });
    connect(view_, &QAbstractItemView::activated, this,
            [this](const QModelIndex &index) { emit rowActivated(index.row()); });
    connect(view_, &RowView::rowChangedByKey, this, &CtList::rowActivated);
    connect(view_, &RowView::mouseButtonPressed, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position) {
                emit mouseButtonPressed(button, modifiers,
                                        view_->viewport()->mapTo(this, position));
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
    rows_->setColumns(headers, separator);
    columns_->setRelativeWidths(widths);
}

void CtList::setRowFormatter(std::function<QString(const QString &)> formatter)
{
    rows_->setRowFormatter(std::move(formatter));
}

void CtList::setTitle(const QString &title)
{
    title_->setText(title);
    title_->setVisible(!title.isEmpty());
}

void CtList::setRowsFitText(bool fit)
{
    view_->setRowsFitText(fit);
}

int CtList::selectedRow() const
{
    const QModelIndexList selected = view_->selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

bool CtList::isRowSelected(int row) const
{
    return row >= 0 && row < rowCount() && view_->selectionModel()->isRowSelected(row);
}

int CtList::rowCount() const
{
    return rows_->rowCount();
}

void CtList::addRow(const QString &text)
{
    rows_->insertRowText(rows_->rowCount(), text);
}

bool CtList::insertRow(int index, const QString &text, const QString &key)
{
    return rows_->insertRowText(index, text, key);
}

bool CtList::removeRow(int row)
{
    return rows_->removeRowAt(row);
}

void CtList::removeAllRows()
{
    rows_->removeAll();
}

QString CtList::rowText(int row) const
{
    return rows_->rowText(row);
}

QStringView CtList::insertedText(int row) const
{
    return rows_->insertedText(row);
}

QString CtList::keyText(int row) const
{
    return rows_->keyText(row);
}

bool CtList::setKeyText(int row, const QString &key)
{
    return rows_->setKeyText(row, key);
}

QString CtList::cellText(int row, int column) const
{
    return rows_->cellText(row, column - 1);
}

bool CtList::setCellText(int row, int column, const QString &text)
{
    return rows_->setCellText(row, column - 1, text);
}

QAbstractItemView *CtList::itemView() const
{
    return view_;
}
