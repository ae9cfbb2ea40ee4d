#include "tests/support/enginefixture.h"

#include "cacheapi/connectiondata.h"
#include "cacheapi/connectionrecord.h"
#include "cacheapi/objects/cacheerror.h"
#include "cacheapi/objects/cacheobjects.h"
#include "cacheapi/objects/passwordsecret.h"
#include "engine/databaseadmin.h"
#include "engine/session.h"
#include "engine/timeclock.h"

#include <QSqlQuery>
#include <QTest>

bool EngineFixture::setUp(const QString &nameSpace)
{
    kind_ = engineKindFromName(configuredEngineName()).value_or(EngineKind::Sqlite);
    qputenv("KARVEN_DATA_DIR", dataDir_.path().toUtf8());
    if (kind_ == EngineKind::Postgres) {
        const QString port = qEnvironmentVariable("KARVEN_TEST_PGPORT");
        if (port.isEmpty()) {
            skipReason_ = QStringLiteral("KARVEN_TEST_PGPORT is not set: no PostgreSQL server for tests");
            return false;
        }
        const QString workstation = qEnvironmentVariable("KARVEN_TEST_PGWORKSTATION");
        if (programRole_ == ProgramRole::Workstation && workstation.isEmpty() &&
            qEnvironmentVariableIsSet("KARVEN_TEST_REQUIRE_PG")) {
            skipReason_ = QStringLiteral(
                "KARVEN_TEST_PGWORKSTATION is not set: no workstation role for tests");
            return false;
        }
        target_ = {QStringLiteral("127.0.0.1"), port.toInt(), nameSpace,
                   qEnvironmentVariable("PGUSER")};
    } else {
        target_ = {QStringLiteral("localhost"), 1972, nameSpace};
    }
    QString error;
    DatabaseAdmin::drop(kind_, target_, &error);
    if (!DatabaseAdmin::create(kind_, target_, &error))
        qFatal("cannot create the test database: %s", qPrintable(error));
    const QString workstation = qEnvironmentVariable("KARVEN_TEST_PGWORKSTATION");
    if (kind_ == EngineKind::Postgres && programRole_ == ProgramRole::Workstation &&
        !workstation.isEmpty()) {
        withSession(
            [&](Session &session) { DatabaseAdmin::grantWorkstation(session, workstation); });
        // The program, in this process and in those it starts, logs in as a workstation.
        qputenv("PGUSER", workstation.toUtf8());
    }
    return true;
}

void EngineFixture::logIn(Factory &factory, const QString &code)
{
    const QString password = QStringLiteral("test-") + code;
    const QString employee = QStringLiteral("T-") + code;
    exec(QStringLiteral("INSERT INTO parpersabt (firma, abtnr, abtbez) VALUES ('1', 'TEST', 'Test')"
                        " ON CONFLICT DO NOTHING"));
    exec(QStringLiteral("INSERT INTO persbasis (firma, pnr, name, aktiv) VALUES ('1', ?, 'Test', 'N')"
                        " ON CONFLICT DO NOTHING"),
         {employee});
    exec(QStringLiteral("INSERT INTO parpersedv (firma, code, passwort, aktiv, pnr, abtnr, bergrp)"
                        " VALUES ('1', ?, ?, 'J', ?, 'TEST', 'A') ON CONFLICT DO NOTHING"),
         {code, PasswordSecret::derive(password), employee});
    const LoginRequest request{QStringLiteral("1"), QStringLiteral("0"), code, PasswordSecret::derive(password)};
    if (factory.logIn(request).status != LoginAnswer::Status::LoggedIn)
        qFatal("the test user %s cannot log in", qPrintable(code));
    // As the program's login keeps it, so that a new connection logs in again.
    Verbindung.ServerAnmeldung = request;
}

void EngineFixture::forgetFailedLogins()
{
    if (kind_ == EngineKind::Postgres)
        exec(QStringLiteral("DELETE FROM intern.anmeldefehler"));
}

void EngineFixture::tearDown()
{
    QString error;
    DatabaseAdmin::drop(kind_, target_, &error);
}

QString EngineFixture::connectionString() const
{
    return QStringLiteral("cn_iptcp:%1[%2]:%3").arg(target_.host).arg(target_.port).arg(target_.nameSpace);
}

void EngineFixture::pointConnectionRecordHere() const
{
    Verbindung.Server = target_.host;
    Verbindung.Port = QString::number(target_.port);
    Verbindung.Namespace = target_.nameSpace;
    ConnStringBilden();
}

QString EngineFixture::commandLine(const QString &code, const QString &password) const
{
    return QStringList{QStringLiteral("1"), QStringLiteral("0"), code, password, target_.host,
                       QString::number(target_.port), target_.nameSpace}
        .join(QLatin1Char(' '));
}

QString EngineFixture::swipe(const QString &card, const QString &time)
{
    QString id;
    withSession([&](Session &session) {
        id = QString::number(bookCard(session, QStringLiteral("1"), QStringLiteral("FIL01T1"),
                                      QStringLiteral("K"), card, time)
                                 .id);
        // As a clock's writer does when it is done.
        tellOfPendingBookings(session);
    });
    return id;
}

void EngineFixture::exec(const QString &sql, const QVariantList &values)
{
    column(sql, values);
}

void EngineFixture::withSession(const std::function<void(Session &)> &work)
{
    Session session(kind_, target_);
    if (!session.open())
        qFatal("cannot open the test database: %s", qPrintable(session.lastError()));
    try {
        work(session);
    } catch (const CacheError &error) {
        qFatal("test database work failed: %s", qPrintable(error.description()));
    }
}

QVariantList EngineFixture::column(const QString &sql, const QVariantList &values)
{
    QVariantList result;
    withSession([&](Session &session) {
        QSqlQuery query = session.exec(sql, values);
        while (query.isSelect() && query.next())
            result << query.value(0);
    });
    return result;
}
