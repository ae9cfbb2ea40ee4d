#pragma once

#include <QObject>
#include <QPointer>
#include <QVector>

class QHeaderView;

// Keeps the sections of a header at fixed proportions of the width of the view's viewport,
// so the columns fill the view without a horizontal scroll bar whatever size it is given.
class ProportionalColumns : public QObject
{
    Q_OBJECT

public:
    ProportionalColumns(QHeaderView *header, QWidget *viewport);

    // Sets the relative widths, one per column; a width below 1 counts as 1.
    void setRelativeWidths(const QVector<int> &relativeWidths);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void apply();

    QHeaderView *header_;
    QPointer<QWidget> viewport_; // may go before the header while the view is destroyed
    QVector<int> relativeWidths_;
};
