#include "rowmodel.h"

RowModel::RowModel(QObject *parent) : QAbstractTableModel(parent) {}

void RowModel::setColumns(const QStringList &headers, QChar separator)
{
    beginResetModel();
    m_headers = headers.isEmpty() ? QStringList{QString()} : headers;
    m_separator = separator;
    m_rows.clear();
    endResetModel();
}

bool RowModel::insertRowText(int row, const QString &text)
{
    if (row < 0 || row > rowCount())
        return false;
    beginInsertRows(QModelIndex(), row, row);
    m_rows.insert(m_rows.begin() + row, Row{splitIntoCells(text), QString()});
    endInsertRows();
    return true;
}

bool RowModel::removeRowAt(int row)
{
    if (!isRow(row))
        return false;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
    return true;
}

void RowModel::removeAll()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

QString RowModel::rowText(int row) const
{
    return isRow(row) ? m_rows[row].cells.join(m_separator) : QString();
}

QString RowModel::keyText(int row) const
{
    return isRow(row) ? m_rows[row].key : QString();
}

bool RowModel::setKeyText(int row, const QString &key)
{
    if (!isRow(row))
        return false;
    m_rows[row].key = key;
    return true;
}

QString RowModel::cellText(int row, int column) const
{
    return isCell(row, column) ? m_rows[row].cells[column] : QString();
}

bool RowModel::setCellText(int row, int column, const QString &text)
{
    if (!isCell(row, column))
        return false;
    m_rows[row].cells[column] = text;
    const QModelIndex changed = index(row, column);
    emit dataChanged(changed, changed);
    return true;
}

int RowModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int RowModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant RowModel::data(const QModelIndex &index, int role) const
{
    if (!isCell(index.row(), index.column()))
        return {};
    const Row &row = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: // long texts are cut off in narrow columns
        return row.cells[index.column()];
    case SearchTextRole:
        return row.cells.join(QLatin1Char(' '));
    default:
        return {};
    }
}

QVariant RowModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= m_headers.size())
        return {};
    return m_headers[section];
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

// Missing columns stay empty; separators beyond the last column belong to its text, so the
// row text reads back unchanged.
QStringList RowModel::splitIntoCells(const QString &text) const
{
    QStringList cells;
    cells.reserve(m_headers.size());
    qsizetype start = 0;
    while (cells.size() < m_headers.size() - 1) {
        const qsizetype end = text.indexOf(m_separator, start);
        if (end < 0)
            break;
        cells.append(text.mid(start, end - start));
        start = end + 1;
    }
    cells.append(text.mid(start));
    while (cells.size() < m_headers.size())
        cells.append(QString());
    return cells;
}
