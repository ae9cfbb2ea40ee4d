#pragma once

// The user pressing a window's close box, at any moment: also while code of
// that window waits in a nested event loop.

#include <QObject>
#include <QTimer>

class QWidget;

// Sends the close request a window's frame sends when its close box is pressed.
void pressCloseBox(QWidget &window);

// Presses the close box of every shown top-level window of a class, at each
// turn of whatever event loop runs: the main one, a wait, a modal window.
class CloseBoxPresser : public QObject
{
public:
    explicit CloseBoxPresser(const char *windowClass);
    int presses = 0;

private:
    void pressWhereShown();

    const char *windowClass_;
    QTimer turn_;
};
