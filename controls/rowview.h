#pragma once

#include <QTreeView>

// The view inside a list control. Besides what QTreeView reports it tells when the user moves
// to another row with the keyboard and when a mouse button goes down anywhere on the rows.
class RowView : public QTreeView
{
    Q_OBJECT

public:
    explicit RowView(QWidget *parent = nullptr);

signals:
    // The user moved the current row with a key.
    void rowChangedByKey(int row);
    // A mouse button went down; position in viewport coordinates.
    void mouseButtonPressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                            QPoint position);

protected:
    void rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
};
