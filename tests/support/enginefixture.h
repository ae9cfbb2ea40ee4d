#pragma once

// A fresh engine database for one test program, on the engine that
// KARVEN_ENGINE names: SQLite in a temporary folder, or a database on the
// PostgreSQL server that the test script started (KARVEN_TEST_PGPORT).

#include "cacheapi/objects/connectiontarget.h"
#include "engine/engineconfig.h"

#include <QString>
#include <QTemporaryDir>
#include <QVariantList>
#include <functional>

class Factory;
class Session;

class EngineFixture
{
public:
    // Whom the code under test connects as on PostgreSQL: the workstations'
    // role that the test script made (KARVEN_TEST_PGWORKSTATION), as a site's
    // program does, or the owner, as karven-admin does. The fixture's own
    // work (set-up, exec, withSession, target()) is always the owner's.
    enum class ProgramRole { Workstation, Owner };

    explicit EngineFixture(ProgramRole programRole = ProgramRole::Workstation)
        : programRole_(programRole)
    {}

    // Skips (or, with KARVEN_TEST_REQUIRE_PG set, fails) when PostgreSQL is asked
    // for but no server was started for the tests.
    bool setUp(const QString &nameSpace);
    void tearDown();

    EngineKind kind() const { return kind_; }
    QString connectionString() const;
    // Points the program's connection record at this database.
    void pointConnectionRecordHere() const;
    // A qualifying command line that logs in to this database in company 1, branch 0.
    QString commandLine(const QString &code, const QString &password) const;
    // The owner's way in: for sessions that work on the tables.
    const ConnectionTarget &target() const { return target_; }
    // The role the code under test connects as (PGUSER); empty on SQLite.
    QString programUser() const { return qEnvironmentVariable("PGUSER"); }
    QString skipReason() const { return skipReason_; }

    // A card swipe at a time clock of company 1; the id of the booking it made.
    QString swipe(const QString &card, const QString &time);
    // Runs work on a connection of its own to the database, e.g. seeding.
    void withSession(const std::function<void(Session &)> &work);
    // Logs the factory's connection in as a user of company 1 that this adds
    // where it is missing (code in stored form, group A, its department and an
    // inactive employee record), as the program's login would, and keeps the
    // login for the program's next connections: on PostgreSQL a workstation
    // changes and reads a company's data only after a login.
    void logIn(Factory &factory, const QString &code);
    // Forgets the failed logins that make the server refuse logins for a while.
    void forgetFailedLogins();

    // Runs SQL directly on the database, to lay out and inspect test data.
    void exec(const QString &sql, const QVariantList &values = {});
    QVariantList column(const QString &sql, const QVariantList &values = {});

private:
    QTemporaryDir dataDir_;
    ProgramRole programRole_;
    EngineKind kind_ = EngineKind::Sqlite;
    ConnectionTarget target_;
    QString skipReason_;
};

// In initTestCase: sets the fixture up, or skips the suite where no PostgreSQL
// server was started for it (and fails instead under KARVEN_TEST_REQUIRE_PG).
#define KARVEN_SET_UP_ENGINE_OR_SKIP(fixture, nameSpace)                                          \
    do {                                                                                          \
        if (!(fixture).setUp(nameSpace)) {                                                        \
            if (qEnvironmentVariableIsSet("KARVEN_TEST_REQUIRE_PG"))                              \
                QFAIL(qPrintable((fixture).skipReason()));                                        \
            QSKIP(qPrintable((fixture).skipReason()));                                            \
        }                                                                                         \
    } while (false)
