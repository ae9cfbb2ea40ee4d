#include "qtuserinterface.h"

#include "cacheapi.h"
#include "frmprogrammverlauf.h"
#include "programarguments.h"
#include "waitnotice.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

namespace {

QMessageBox::Icon qtIcon(UserInterfacePort::Icon icon)
{
    switch (icon) {
    case UserInterfacePort::Icon::Information:
        return QMessageBox::Information;
    case UserInterfacePort::Icon::Exclamation:
        return QMessageBox::Warning;
    case UserInterfacePort::Icon::Critical:
        return QMessageBox::Critical;
    case UserInterfacePort::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// The program's texts break lines with CR LF; Qt's labels want a line feed.
QString shown(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

QtUserInterface::QtUserInterface() = default;
QtUserInterface::~QtUserInterface() = default;

void QtUserInterface::message(const QString &text, Icon icon, const QString &title)
{
    QMessageBox box(qtIcon(icon), title, shown(text), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

bool QtUserInterface::question(const QString &text, const QString &title, Preset preset)
{
    return QMessageBox::question(QApplication::activeWindow(), title, shown(text),
                                 QMessageBox::Yes | QMessageBox::No,
                                 preset == Preset::No ? QMessageBox::No : QMessageBox::Yes) == QMessageBox::Yes;
}

QString QtUserInterface::input(const QString &prompt, const QString &title)
{
    bool accepted = false;
    const QString answer =
        QInputDialog::getText(QApplication::activeWindow(), title, prompt, QLineEdit::Normal, QString(), &accepted);
    return accepted ? answer : QString();
}

void QtUserInterface::setWaitCursor(bool waiting)
{
    if (waiting == waitCursorShown_)
        return;
    waitCursorShown_ = waiting;
    if (waiting)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void QtUserInterface::showWaitNotice(const QString &text, const QString &title)
{
    if (!waitNotice_)
        waitNotice_ = std::make_unique<WaitNotice>();
    waitNotice_->showText(shown(text), title);
}

void QtUserInterface::hideWaitNotice()
{
    if (waitNotice_)
        waitNotice_->hide();
}

void QtUserInterface::processEvents()
{
    QCoreApplication::processEvents();
}

QString QtUserInterface::commandLine()
{
    return parseProgramArguments(QCoreApplication::arguments().mid(1)).words.join(QLatin1Char(' '));
}

void QtUserInterface::endProgram()
{
    // Unloading the main window asks for the end once more; the first call finishes it.
    if (ending_)
        return;
    ending_ = true;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it)
        (*it)->close();
    frmProgrammverlauf::unload();
    releaseConnection();
    SettingsStore::flush();
    std::fflush(nullptr);
    // At once: the end may be asked for deep inside waits and modal windows.
    std::_Exit(EXIT_SUCCESS);
}
