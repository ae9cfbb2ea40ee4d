#pragma once

#include "controls/textstore.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QVarLengthArray>
#include <deque>
#include <functional>
#include <memory>

// The rows of a list or combo control. A row arrives as one text whose column texts are
// joined by the control's separator; besides its visible cells each row keeps a key text.
// Rows live in a deque so that inserting at the top stays cheap however long the list is;
// their texts are kept in a text store, and a row is split into its cells (and formatted,
// when the control has a formatter) only when it is first read: painted, or asked for a cell.
// Row and column indexes count from 0; an index out of range reads as empty text and is
// refused by every change (the change answers false).
class RowModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // All visible cells of a row joined by a blank: what the user types to find an entry.
    static constexpr int SearchTextRole = Qt::UserRole + 1;

    explicit RowModel(QObject *parent = nullptr);

    // Turns the text a row was inserted with into its cells joined by the separator.
    using RowFormatter = std::function<QString(const QString &insertedText)>;

    // Sets the column headers and the separator of row texts; removes all rows.
    void setColumns(const QStringList &headers, QChar separator);
    // Rows inserted from now on keep their text as inserted and are formatted by the
    // formatter when they are first read (painted, or asked for a cell): a list of a hundred
    // thousand rows then costs the formatting of the few that are shown. Removes all rows.
    void setRowFormatter(RowFormatter formatter);

    // Inserts a row made from one text, with its key text, before the given row; the row
    // count appends.
    bool insertRowText(int row, const QString &text, const QString &key = QString());
    // Removes one row.
    bool removeRowAt(int row);
    // Removes all rows.
    void removeAll();

    // Between these the rows change without telling the views of each change; when the
    // outermost batch ends the views start afresh with all rows, as after a reset. Filling a
    // list of many thousand rows one by one would otherwise cost the views more than the rows.
    void beginBatch();
    void endBatch();

    // The row's cells joined again by the separator.
    QString rowText(int row) const;
    // The text the row was inserted with, before any formatting; valid until rows are removed.
    QStringView insertedText(int row) const;
    // The key text kept beside the row's cells.
    QString keyText(int row) const;
    // Replaces the key text of a row.
    bool setKeyText(int row, const QString &key);
    // The text of one cell.
    QString cellText(int row, int column) const;
    // Replaces the text of one cell.
    bool setCellText(int row, int column, const QString &text);

    // Model interface for the views.
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    // The cells are kept as the row text with the places where they end.
    struct Cells
    {
        QString text;                 // the cells joined by the separator
        QVarLengthArray<int, 4> ends; // per cell, where it ends in text

        qsizetype cellStart(int column) const { return column == 0 ? 0 : ends[column - 1] + 1; }
    };
    struct Row
    {
        QStringView inserted; // in texts_
        QStringView key;      // in texts_
        std::unique_ptr<Cells> cells; // made when the row is first read
    };

    bool isRow(int row) const;
    bool isCell(int row, int column) const;
    Cells cellsFromText(const QString &text) const;
    // The row's cells, made now if they were not yet.
    Cells &cells(int row) const;
    bool notifying() const { return batchDepth_ == 0; }

    QStringList headers_{QString()};
    QChar separator_{';'};
    RowFormatter formatter_;
    // Mutable: reading a row makes its cells the first time.
    mutable std::deque<Row> rows_;
    // The texts of the rows; texts of removed rows stay until all rows are removed.
    TextStore texts_;
    int batchDepth_ = 0;
};
