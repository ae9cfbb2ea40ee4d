#pragma once

// Scripted stand-ins for the windows above the database module. They record
// what the module showed and answer from a script, so every message, retry and
// program end can be tested without a person at the screen.

#include "cacheapi/ports/ports.h"

#include <QHash>
#include <QStringList>
#include <QTimer>
#include <functional>

// Thrown where the program would end, so a test can see that it did.
struct ProgramEnded
{
};

struct ShownMessage
{
    QString text;
    UserInterfacePort::Icon icon;
    QString title;
    bool overWaitNotice; // the wait notice was still shown
};

class FakeUserInterface : public UserInterfacePort
{
public:
    QVector<ShownMessage> messages;
    QStringList questionsAsked;
    QList<bool> questionAnswers; // taken from the front; No when empty
    QList<Preset> questionPresets;
    std::function<void()> whileAsking; // runs inside the question, as other handlers would
    QStringList inputPrompts;
    QStringList inputAnswers; // taken from the front; cancelled when empty
    QString arguments;
    int waitCursorChanges = 0;
    bool waitCursor = false;
    QStringList waitNotices; // title|text of each showing
    bool waitNoticeShown = false;
    int endProgramCalls = 0;
    bool endThrows = true; // throw ProgramEnded, or only count (for ends inside event handlers)
    bool boxesRunEvents = false; // message and question boxes turn the event loop, as modal ones do

    void message(const QString &text, Icon icon, const QString &title) override;
    bool question(const QString &text, const QString &title, Preset preset) override;
    QString input(const QString &prompt, const QString &title) override;
    void setWaitCursor(bool waiting) override;
    void showWaitNotice(const QString &text, const QString &title) override;
    void hideWaitNotice() override { waitNoticeShown = false; }
    void processEvents() override;
    QString commandLine() override { return arguments; }
    void endProgram() override;
};

class FakeServerList : public ServerListPort
{
public:
    FakeServerList();
    QHash<Field, QString> fields;
    int currentId = 255;
    QTimer lockTimer; // its tick disconnects, as the real window's does
    int modalShows = 0;
    int hides = 0;
    std::function<void()> whileShownModally;

    QString field(Field which) override { return fields.value(which); }
    void setField(Field which, const QString &text) override { fields[which] = text; }
    int CurrentId() override { return currentId; }
    QTimer &Lock() override { return lockTimer; }
    void stopLock() override { lockTimer.stop(); }
    void showModal() override;
    void hide() override { ++hides; }
};

class FakeLoginDialog : public LoginDialogPort
{
public:
    QString password;
    QString user;
    bool keinDefaultEintrag = false;
    bool visible = false;
    int modalShows = 0;
    int hides = 0;
    int passwordSelections = 0;
    std::function<void()> whileShownModally;

    QString passwordText() override { return password; }
    QString userText() override { return user; }
    void setUserText(const QString &text) override { user = text; }
    bool KeinDefaultEintrag() override { return keinDefaultEintrag; }
    void setKeinDefaultEintrag(bool value) override { keinDefaultEintrag = value; }
    bool isVisible() override { return visible; }
    void showModal() override;
    void hide() override;
    void selectPassword() override { ++passwordSelections; }
    void BuAusst_Click() override;
};

class RecordingHistory : public HistoryPort
{
public:
    QStringList lines; // newest first, as the history window keeps them
    void insertLine(const QString &Programmteil, const QString &Text, const QString &Parameter) override;
};

// Wires fresh fakes into the ports, resets the connection record, clears the
// settings store and runs every wait a thousand times faster, for one test.
class FakeWindows
{
public:
    FakeWindows();
    ~FakeWindows();
    FakeWindows(const FakeWindows &) = delete;
    FakeWindows &operator=(const FakeWindows &) = delete;

    FakeUserInterface ui;
    FakeServerList serverList;
    FakeLoginDialog loginDialog;
    RecordingHistory history;
};
