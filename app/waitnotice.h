#pragma once

#include <QWidget>

class QLabel;

// A small window without buttons that says what the program waits for, so that
// a wait between connection attempts is never a silent screen. It takes neither
// the focus nor any input and stays where the window system put it.
class WaitNotice : public QWidget
{
public:
    WaitNotice();

    void showText(const QString &text, const QString &title);

private:
    QLabel *text_;
};
