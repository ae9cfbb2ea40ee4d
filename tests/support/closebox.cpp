#include "tests/support/closebox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTest>
#include <QWidget>
#include <QWindow>

void pressCloseBox(QWidget &window)
{
    // As the frame sends it: a spontaneous close event, which a widget that
    // accepts it then hides (or deletes).
    QCloseEvent closeBox;
    QSpontaneKeyEvent::setSpontaneous(&closeBox);
    qApp->notify(&window, &closeBox);
    if (!closeBox.isAccepted())
        return;
    window.hide();
    if (window.testAttribute(Qt::WA_DeleteOnClose))
        window.deleteLater();
}

CloseBoxPresser::CloseBoxPresser(QList<const char *> windowClasses) : windowClasses_(std::move(windowClasses))
{
    turn_.setInterval(0);
    connect(&turn_, &QTimer::timeout, this, &CloseBoxPresser::pressWhereShown);
    turn_.start();
}

void CloseBoxPresser::pressWhereShown()
{
    for (const char *windowClass : windowClasses_) {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->inherits(windowClass) && window->isVisible()) {
                ++presses;
                pressCloseBox(*window);
            }
        }
    }
}
