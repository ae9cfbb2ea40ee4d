#include "servers/serverlistwindow.h"

#include "servers/fmserver.h"

#include <QEventLoop>
#include <QLineEdit>

ServerListWindow::ServerListWindow() = default;

ServerListWindow::~ServerListWindow() = default;

FMServer &ServerListWindow::window()
{
    if (!window_) {
        // Known before it loads: loading may connect, and a failing connect
        // shows this very window.
        window_ = std::make_unique<FMServer>();
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
    FMServer &list = window();
    list.setWindowModality(Qt::ApplicationModal);
    list.show();
    list.raise();
    list.activateWindow();
    // Not QDialog::exec: a caller further up may wait for this very showing
    // already (a failing connect inside the list's own handlers), and each
    // caller waits until the window is put away.
    QEventLoop shown;
    QObject::connect(&list, &FMServer::hidden, &shown, &QEventLoop::quit);
    shown.exec(QEventLoop::DialogExec);
}

void ServerListWindow::stopLock()
{
    if (window_)
        window_->Lock.stop();
}

void ServerListWindow::hide()
{
    if (window_)
        window_->hide();
}
