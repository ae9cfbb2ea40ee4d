#pragma once

// The program end to end: the real main window, server list and login dialog
// on a demo database, logged in through the command line; only message boxes
// and the program end are scripted. Shared by the main window's suites.

#include "tests/support/enginefixture.h"
#include "tests/support/fakeports.h"
#include "tests/support/flakyfactory.h"

#include <QStringList>
#include <memory>

class FMStart;
class FMZuordnungen;
class ProgramWindows;

class MainWindowFixture
{
protected:
    MainWindowFixture();
    ~MainWindowFixture();
    MainWindowFixture(const MainWindowFixture &) = delete;
    MainWindowFixture &operator=(const MainWindowFixture &) = delete;

    EngineFixture db_;
    std::unique_ptr<FakeWindows> fakes_;
    std::unique_ptr<ProgramWindows> program_;
    FMStart *window_ = nullptr;
    ConnectionScript script_;

    // For init and cleanup: fresh demo data without open bookings, fresh windows.
    void setUpWindows();
    void tearDownWindows();

    void start();
    QStringList listedRows() const;
    void waitForListing(int rows);
    void clickBooking(int row);
    void chooseEmployee(const QString &typed);
    // Another workstation, with a list of its own, assigns the card.
    void otherWorkstationAssigns(const QString &card,
                                 const QString &employee = QStringLiteral("1002"));
    void clickServerEntry(int row);
    void storeStandardServerInSettings();
    // Started, a booking listed, and every window of the program open.
    void startWithAllWindowsOpen();
    QString cardOwner(const QString &card);
    FMZuordnungen &openAssignments();
    void chooseRightEmployee(FMZuordnungen &assignments, const QString &typed);
};
