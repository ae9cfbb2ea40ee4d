#pragma once

#include <QTableView>

// The view inside a list control: rows under column headers, chosen, focused and moved through
// as whole rows. A table view rather than a tree view, because a tree view lays out every row
// again after each change of the list, which a list of a hundred thousand rows feels. Besides
// what the view reports it tells when the user moves to another row with the keyboard and when
// a mouse button goes down anywhere on the rows.
class RowView : public QTableView
{
    Q_OBJECT

public:
    explicit RowView(QWidget *parent = nullptr);

    // Rows as high as their texts, for short lists whose texts can have several lines.
    // Otherwise every row is one line high, which keeps long lists cheap.
    void setRowsFitText(bool fit);

    void reset() override;

signals:
    // The user moved to a row, or chose the current one, with a key.
    void rowChangedByKey(int row);
    // A mouse button went down; position in viewport coordinates.
    void mouseButtonPressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                            QPoint position);

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void fitLineHeight();
    void updateRow(int row);
};
