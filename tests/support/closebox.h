#pragma once

// The user pressing a window's close box, at any moment: also while code of
// that window waits in a nested event loop.

#include <QList>
#include <QObject>
#include <QTimer>

class QWidget;

// What a window's frame does when its close box is pressed: a spontaneous
// close event; a window that accepts it is hidden, or deleted when it asks so.
void pressCloseBox(QWidget &window);

// Presses the close box of every shown top-level window of the given classes,
// at each turn of whatever event loop runs: the main one, a wait, a modal window.
class CloseBoxPresser : public QObject
{
public:
    explicit CloseBoxPresser(QList<const char *> windowClasses);
    int presses = 0;

private:
    void pressWhereShown();

    QList<const char *> windowClasses_;
    QTimer turn_;
};
