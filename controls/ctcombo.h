#pragma once

#include <QVector>
#include <QWidget>

class QAbstractItemView;
class QCompleter;
class QLineEdit;
class QModelIndex;
class QToolButton;
class ProportionalColumns;
class QTreeView;
class RowModel;

// A combo of an edit part and a drop-down list of entries with several columns. An entry is
// handed over as one text whose column texts are joined by the combo's separator; each entry
// also keeps a key text. Typing in the edit part narrows the drop-down to the entries that
// contain the typed text in any column, without regard to case; an entry is chosen only by
// picking it from the drop-down. Entries count from 0; an index out of range reads as empty
// text and is refused when writing (the change answers false).
class CtCombo : public QWidget
{
    Q_OBJECT

public:
    explicit CtCombo(QWidget *parent = nullptr);

    // Sets the relative column widths and the separator that splits entry texts; removes all
    // entries.
    void setColumns(const QVector<int> &relativeWidths, QChar separator);

    // Index of the chosen entry, -1 when none is chosen.
    int selectedIndex() const;
    // Number of entries.
    int entryCount() const;
    // Adds an entry at the end.
    void addEntry(const QString &text);
    // Removes all entries; no entry is chosen and the edit part is emptied.
    void removeAllEntries();

    // The key text kept with the entry.
    QString keyText(int index) const;
    // Replaces the key text kept with the entry.
    bool setKeyText(int index, const QString &key);

    // The text shown in the edit part.
    QString editText() const;
    // Shows a text in the edit part; the choice of an entry is dropped.
    void setEditText(const QString &text);

    // The edit part, for typing into the combo in tests.
    QLineEdit *lineEdit() const;
    // The drop-down list, for picking an entry in tests.
    QAbstractItemView *dropDownView() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class RowBatch;

    void narrowTo(const QString &typed);
    void showDropDown(const QString &filter);
    void choose(const QModelIndex &completionIndex);

    RowModel *entries_;
    QLineEdit *edit_;
    QToolButton *dropButton_;
    QTreeView *dropDown_;
    ProportionalColumns *dropDownColumns_;
    QCompleter *completer_;
    int chosen_ = -1;
};
