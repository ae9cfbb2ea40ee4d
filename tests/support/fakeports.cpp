#include "tests/support/fakeports.h"

#include "cacheapi/access.h"
#include "cacheapi/connectionrecord.h"
#include "cacheapi/timing.h"
#include "settings/settingsstore.h"

#include <QCoreApplication>
#include <QSettings>

void FakeUserInterface::message(const QString &text, Icon icon, const QString &title)
{
    messages.append({text, icon, title, waitNoticeShown});
    if (boxesRunEvents)
        QCoreApplication::processEvents();
}

bool FakeUserInterface::question(const QString &text, const QString &title, Preset preset)
{
    questionsAsked << title + QLatin1Char('|') + text;
    questionPresets << preset;
    if (whileAsking)
        whileAsking();
    if (boxesRunEvents)
        QCoreApplication::processEvents();
    return questionAnswers.isEmpty() ? false : questionAnswers.takeFirst();
}

QString FakeUserInterface::input(const QString &prompt, const QString &title)
{
    inputPrompts << title + QLatin1Char('|') + prompt;
    return inputAnswers.isEmpty() ? QString() : inputAnswers.takeFirst();
}

void FakeUserInterface::setWaitCursor(bool waiting)
{
    ++waitCursorChanges;
    waitCursor = waiting;
}

void FakeUserInterface::showWaitNotice(const QString &text, const QString &title)
{
    waitNotices << title + QLatin1Char('|') + text;
    waitNoticeShown = true;
}

void FakeUserInterface::processEvents()
{
    QCoreApplication::processEvents();
}

void FakeUserInterface::endProgram()
{
    ++endProgramCalls;
    if (endThrows)
        throw ProgramEnded();
}

FakeServerList::FakeServerList()
{
    lockTimer.setSingleShot(false);
    QObject::connect(&lockTimer, &QTimer::timeout, [] { Trennen(); });
}

void FakeServerList::showModal()
{
    ++modalShows;
    if (whileShownModally)
        whileShownModally();
}

void FakeLoginDialog::showModal()
{
    ++modalShows;
    visible = true;
    if (whileShownModally)
        whileShownModally();
    visible = false;
}

void FakeLoginDialog::hide()
{
    ++hides;
    visible = false;
}

void FakeLoginDialog::BuAusst_Click()
{
    Verbindung.BenutzerText.clear();
    ProgrammBeenden();
}

void RecordingHistory::insertLine(const QString &Programmteil, const QString &Text,
                                  const QString &Parameter)
{
    lines.prepend(Programmteil + QLatin1Char(';') + Text + QLatin1Char(';') + Parameter);
}

FakeWindows::FakeWindows()
{
    resetConnectionRecord();
    QSettings(QStringLiteral("VB and VBA Program Settings"), QStringLiteral("Cache Login")).clear();
    Timing::setScale(0.001);
    ports() = Ports{&ui, &serverList, &loginDialog, &history};
}

FakeWindows::~FakeWindows()
{
    ports() = Ports{};
    resetConnectionRecord();
}
