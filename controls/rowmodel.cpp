#include "controls/rowmodel.h"

#include <QSize>

RowModel::RowModel(QObject *parent) : QAbstractTableModel(parent) {}

void RowModel::setColumns(const QStringList &headers, QChar separator)
{
    beginBatch();
    headers_ = headers.isEmpty() ? QStringList{QString()} : headers;
    separator_ = separator;
    removeAll();
    endBatch();
}

void RowModel::setRowFormatter(RowFormatter formatter)
{
    beginBatch();
    formatter_ = std::move(formatter);
    removeAll();
    endBatch();
}

bool RowModel::insertRowText(int row, const QString &text, const QString &key)
{
    if (row < 0 || row > rowCount())
        return false;
    if (notifying())
        beginInsertRows(QModelIndex(), row, row);
    rows_.insert(rows_.begin() + row, Row{texts_.keep(text), texts_.keep(key), nullptr});
    if (notifying())
        endInsertRows();
    return true;
}

bool RowModel::removeRowAt(int row)
{
    if (!isRow(row))
        return false;
    if (notifying())
        beginRemoveRows(QModelIndex(), row, row);
    rows_.erase(rows_.begin() + row);
    if (notifying())
        endRemoveRows();
    return true;
}

void RowModel::removeAll()
{
    beginBatch();
    rows_.clear();
    texts_.clear();
    endBatch();
}

void RowModel::beginBatch()
{
    if (batchDepth_++ == 0)
        beginResetModel();
}

void RowModel::endBatch()
{
    if (--batchDepth_ == 0)
        endResetModel();
}

QString RowModel::rowText(int row) const
{
    return isRow(row) ? cells(row).text : QString();
}

QStringView RowModel::insertedText(int row) const
{
    return isRow(row) ? rows_[row].inserted : QStringView();
}

QString RowModel::keyText(int row) const
{
    return isRow(row) ? rows_[row].key.toString() : QString();
}

bool RowModel::setKeyText(int row, const QString &key)
{
    if (!isRow(row))
        return false;
    rows_[row].key = texts_.keep(key);
    return true;
}

QString RowModel::cellText(int row, int column) const
{
    if (!isCell(row, column))
        return QString();
    const Cells &formatted = cells(row);
    const qsizetype start = formatted.cellStart(column);
    return formatted.text.mid(start, formatted.ends[column] - start);
}

bool RowModel::setCellText(int row, int column, const QString &text)
{
    if (!isCell(row, column))
        return false;
    // The cell keeps its bounds even when the new text holds the separator.
    Cells &formatted = cells(row);
    const qsizetype start = formatted.cellStart(column);
    const int growth = int(text.size() - (formatted.ends[column] - start));
    formatted.text.replace(start, formatted.ends[column] - start, text);
    for (int following = column; following < formatted.ends.size(); ++following)
        formatted.ends[following] += growth;
    if (notifying()) {
        const QModelIndex changed = index(row, column);
        emit dataChanged(changed, changed);
    }
    return true;
}

int RowModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int RowModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(headers_.size());
}

QVariant RowModel::data(const QModelIndex &index, int role) const
{
    if (!isCell(index.row(), index.column()))
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: // long texts are cut off in narrow columns
        return cellText(index.row(), index.column());
    case SearchTextRole: {
        // Every separator between two cells becomes a blank.
        const Cells &row = cells(index.row());
        QString search = row.text;
        for (qsizetype cell = 0; cell + 1 < row.ends.size(); ++cell)
            search[row.ends[cell]] = QLatin1Char(' ');
        return search;
    }
    default:
        return {};
    }
}

QVariant RowModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // The views hide their row headers; a row fitted to its text is as high as its cells,
    // not as the label of a hidden header.
    if (orientation == Qt::Vertical && role == Qt::SizeHintRole)
        return QSize(0, 0);
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= headers_.size())
        return {};
    return headers_[section];
}

Qt::ItemFlags RowModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

bool RowModel::isRow(int row) const
{
    return row >= 0 && row < rowCount();
}

bool RowModel::isCell(int row, int column) const
{
    return isRow(row) && column >= 0 && column < columnCount();
}

// Missing columns stay empty, each after a separator of its own; separators beyond the last
// column belong to its text, so the row text reads back unchanged.
RowModel::Cells &RowModel::cells(int row) const
{
    Row &stored = rows_[row];
    if (!stored.cells) {
        const QString inserted = stored.inserted.toString();
        stored.cells =
            std::make_unique<Cells>(cellsFromText(formatter_ ? formatter_(inserted) : inserted));
    }
    return *stored.cells;
}

RowModel::Cells RowModel::cellsFromText(const QString &text) const
{
    Cells row{text, {}};
    const qsizetype columns = headers_.size();
    qsizetype start = 0;
    while (row.ends.size() < columns - 1) {
        const qsizetype end = text.indexOf(separator_, start);
        if (end < 0)
            break;
        row.ends.append(int(end));
        start = end + 1;
    }
    row.ends.append(int(text.size()));
    while (row.ends.size() < columns) {
        row.text.append(separator_);
        row.ends.append(int(row.text.size()));
    }
    return row;
}
