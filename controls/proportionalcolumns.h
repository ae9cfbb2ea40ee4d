#pragma once

#include <QObject>
#include <QVector>

class QTreeView;

// Keeps the columns of a view at fixed proportions of its visible width, so the columns
// fill the view without a horizontal scroll bar whatever size it is given.
class ProportionalColumns : public QObject
{
    Q_OBJECT

public:
    explicit ProportionalColumns(QTreeView *view);

    // Sets the relative widths, one per column; a width below 1 counts as 1.
    void setRelativeWidths(const QVector<int> &relativeWidths);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void apply();

    QTreeView *view_;
    QWidget *viewport_;
    QVector<int> relativeWidths_;
};
