#include "app/qtuserinterface.h"

#include "app/programarguments.h"
#include "cacheapi/cacheapi.h"
#include "history/frmprogrammverlauf.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
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

// A progress dialog without a cancel button whose bar only runs, to show that the program has
// not hung. It takes neither the focus nor any input.
std::unique_ptr<QProgressDialog> createWaitNotice()
{
    auto notice = std::make_unique<QProgressDialog>(nullptr, Qt::Dialog | Qt::CustomizeWindowHint |
                                                                 Qt::WindowTitleHint);
    notice->setAttribute(Qt::WA_ShowWithoutActivating);
    notice->setCancelButton(nullptr);
    notice->setRange(0, 0);
    auto *text = new QLabel;
    text->setWordWrap(true);
    text->setTextFormat(Qt::PlainText);
    text->setMinimumWidth(text->fontMetrics().averageCharWidth() * 50);
    notice->setLabel(text);
    return notice;
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
        waitNotice_ = createWaitNotice();
    waitNotice_->setWindowTitle(title);
    waitNotice_->setLabelText(shown(text));
    waitNotice_->show();
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
    SettingsStore::flush(SettingsFile::Login);
    std::fflush(nullptr);
    // At once: the end may be asked for deep inside waits and modal windows.
    std::_Exit(EXIT_SUCCESS);
}
