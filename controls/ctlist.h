#pragma once

#include "controls/listcolumn.h"

#include <QVector>
#include <QWidget>
#include <functional>

class QAbstractItemView;
class QLabel;
class ProportionalColumns;
class RowModel;
class RowView;

// A list of rows with several columns under column headers and an optional title. A row is
// handed over as one text whose column texts are joined by the list's separator; each row
// also keeps a key text. Rows count from 0, columns from 1. An index out of range reads as
// empty text (or false, or no row) and leaves the list unchanged when writing or removing;
// such a change answers false.
class CtList : public QWidget
{
    Q_OBJECT

public:
    explicit CtList(QWidget *parent = nullptr);

    // Sets up the columns and the separator that splits row texts; removes all rows.
    void setColumns(const QVector<ListColumn> &columns, QChar separator);
    // Rows added from now on are formatted into their column texts only when they are first
    // shown or read: a long list costs only the rows on screen. Removes all rows.
    void setRowFormatter(std::function<QString(const QString &insertedText)> formatter);
    // Shows a title above the column headers; an empty title shows none.
    void setTitle(const QString &title);
    // Rows as high as their texts, for short lists whose texts can have several lines.
    // Otherwise every row is one line high, which keeps long lists cheap.
    void setRowsFitText(bool fit);

    // Index of the selected row, -1 when no row is selected.
    int selectedRow() const;
    // Whether the row is selected.
    bool isRowSelected(int row) const;
    // Number of rows.
    int rowCount() const;

    // Adds a row at the end.
    void addRow(const QString &text);
    // Inserts a row, with its key text, before the row at index; 0 puts it on top, the row
    // count at the end.
    bool insertRow(int index, const QString &text, const QString &key = QString());
    // Removes one row.
    bool removeRow(int row);
    // Removes all rows.
    void removeAllRows();

    // The row's column texts joined by the separator.
    QString rowText(int row) const;
    // The text the row was added with, before the row formatter made its columns; valid
    // until rows are removed.
    QStringView insertedText(int row) const;
    // The key text kept with the row.
    QString keyText(int row) const;
    // Replaces the key text kept with the row.
    bool setKeyText(int row, const QString &key);
    // The text of one cell; columns count from 1.
    QString cellText(int row, int column) const;
    // Replaces the text of one cell; columns count from 1.
    bool setCellText(int row, int column, const QString &text);

    // The view that shows the rows, for driving the list with mouse and keys in tests.
    QAbstractItemView *itemView() const;

signals:
    // The user clicked a row.
    void rowClicked(int row);
    // The user moved to a row with the keyboard, or activated it (Enter, double click).
    void rowActivated(int row);
    // A mouse button went down on the rows; position in this widget's coordinates.
    void mouseButtonPressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                            QPoint position);

private:
    friend class RowBatch;

    QLabel *title_;
    RowModel *rows_;
    RowView *view_;
    ProportionalColumns *columns_;
};
