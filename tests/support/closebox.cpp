#include "closebox.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>

void pressCloseBox(QWidget &window)
{
    // Through the platform window, as the frame does: a spontaneous close event.
    window.windowHandle()->close();
}

CloseBoxPresser::CloseBoxPresser(const char *windowClass) : windowClass_(windowClass)
{
    turn_.setInterval(0);
    connect(&turn_, &QTimer::timeout, this, &CloseBoxPresser::pressWhereShown);
    turn_.start();
}

void CloseBoxPresser::pressWhereShown()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->inherits(windowClass_) && window->isVisible() && window->windowHandle()) {
            ++presses;
            pressCloseBox(*window);
        }
    }
}
