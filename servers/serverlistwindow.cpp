#include "serverlistwindow.h"

#include "fmserver.h"

#include <QLineEdit>

ServerListWindow::~ServerListWindow()
{
    delete window_;
}

FMServer &ServerListWindow::window()
{
    if (!window_) {
        // Known before it loads: loading may connect, and a failing connect
        // shows this very window.
        window_ = new FMServer();
        window_->Form_Load();
    }
    return *window_;
}

QLineEdit *ServerListWindow::edit(Field which)
{
    FMServer &list = window();
    switch (which) {
    case Field::BFIRMA:
        return list.BFIRMA;
    case Field::BFIL:
        return list.BFIL;
    case Field::BSERVERIP:
        return list.BSERVERIP;
    case Field::BPORT:
        return list.BPORT;
    case Field::BNAMESPACE:
        return list.BNAMESPACE;
    case Field::BWJ:
        break;
    }
    return list.BWJ;
}

QString ServerListWindow::field(Field which)
{
    return edit(which)->text();
}

void ServerListWindow::setField(Field which, const QString &text)
{
    edit(which)->setText(text);
}

int ServerListWindow::CurrentId()
{
    return window().CurrentId;
}

QTimer &ServerListWindow::Lock()
{
    return window().Lock;
}

void ServerListWindow::showModal()
{
    window().exec();
}

void ServerListWindow::hide()
{
    if (window_)
        window_->hide();
}
