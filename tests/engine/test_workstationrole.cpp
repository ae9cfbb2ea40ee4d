// What someone with a workstation's PostgreSQL password can do with psql: call
// the server-side functions, and nothing else. Every case runs on a connection
// of its own as the workstations' role, with SQL as an attacker would type it.

#include "enginefixture.h"
#include "timeclock.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace {

const QString injected =
    QStringLiteral("1'); DELETE FROM stempelung; UPDATE karte SET pnr = '2001'; --");

} // namespace

class TestWorkstationRole : public QObject
{
    Q_OBJECT

private:
    EngineFixture db_;
    const QString attacker_ = QStringLiteral("karven-attacker");

    QSqlDatabase attacker() { return QSqlDatabase::database(attacker_); }

    // Runs a statement as the workstation role; the SQLSTATE it failed with, or empty.
    QString refusal(const QString &sql, const QVariantList &values = {})
    {
        QSqlQuery query(attacker());
        bool ran = false;
        if (values.isEmpty()) {
            ran = query.exec(sql);
        } else {
            ran = query.prepare(sql);
            for (const QVariant &value : values)
                query.addBindValue(value);
            ran = ran && query.exec();
        }
        return ran ? QString() : query.lastError().nativeErrorCode();
    }

    void expectRefused(const QString &sql, const QString &sqlState = QStringLiteral("42501"))
    {
        const QString state = refusal(sql);
        QVERIFY2(state == sqlState,
                 qPrintable(QStringLiteral("%1: %2").arg(sql, state.isEmpty() ? "ran" : state)));
    }

    int count(const QString &sql) { return db_.column(sql).value(0).toInt(); }

private Q_SLOTS:
    void initTestCase()
    {
        if (engineKindFromName(configuredEngineName()) != EngineKind::Postgres)
            QSKIP("roles are PostgreSQL's");
        KARVEN_SET_UP_ENGINE_OR_SKIP(db_, QStringLiteral("ROLETEST"));
        if (db_.programUser() == db_.target().user)
            QSKIP("no workstation role for the tests (KARVEN_TEST_PGWORKSTATION)");
        db_.exec(QStringLiteral("INSERT INTO persbasis (firma, pnr, name, vorname) VALUES"
                                " ('1', '1001', 'Abel', 'Carl'), ('2', '2001', 'Xaver', 'Y')"));
        db_.exec(
            QStringLiteral("INSERT INTO parpersedv (firma, code, passwort, aktiv, bergrp) VALUES"
                           " ('1', 'CHEF', 'x', 'J', 'A'), ('2', 'CHEF', 'y', 'J', 'A')"));
        db_.withSession([](Session &session) {
            for (const QString &company : {QStringLiteral("1"), QStringLiteral("2")})
                bookCard(session, company, QStringLiteral("T1"), QStringLiteral("K"),
                         QStringLiteral("4711"), QStringLiteral("202401310705"));
        });
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), attacker_);
        db.setHostName(db_.target().host);
        db.setPort(db_.target().port);
        db.setDatabaseName(db_.target().databaseName());
        db.setUserName(db_.programUser());
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
    }

    void cleanupTestCase()
    {
        QSqlDatabase::database(attacker_, false).close();
        QSqlDatabase::removeDatabase(attacker_);
        db_.tearDown();
    }

    void everyTableIsClosed()
    {
        const QVariantList tables = db_.column(
            QStringLiteral("SELECT tablename FROM pg_tables WHERE schemaname NOT IN ('pg_catalog', "
                           "'information_schema')"));
        QVERIFY(tables.size() >= 10);
        for (const QVariant &table : tables) {
            const QString name = QStringLiteral("public.") + table.toString();
            const QString column =
                db_.column(QStringLiteral("SELECT attname FROM pg_attribute WHERE attrelid = "
                                          "CAST(? AS regclass) AND attnum = 1"),
                           {name})
                    .value(0)
                    .toString();
            for (const QString &statement :
                 {QStringLiteral("SELECT * FROM %1").arg(name),
                  QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(name),
                  QStringLiteral("UPDATE %1 SET %2 = %2").arg(name, column),
                  QStringLiteral("DELETE FROM %1").arg(name),
                  QStringLiteral("TRUNCATE %1").arg(name),
                  QStringLiteral("COPY %1 TO STDOUT").arg(name)})
                expectRefused(statement);
        }
        expectRefused(QStringLiteral("SELECT nextval('public.stempelung_id_seq')"));
        expectRefused(QStringLiteral("SELECT * FROM pg_catalog.pg_authid"));
    }

    void nothingCanBeCreatedAnywhere()
    {
        for (const QString &schema :
             {QStringLiteral("public"), QStringLiteral("arbeitsplatz"), QStringLiteral("intern")})
            expectRefused(QStringLiteral("CREATE TABLE %1.parpersedv (code text)").arg(schema));
        expectRefused(QStringLiteral("CREATE SCHEMA arbeitsplatz2"));
        expectRefused(QStringLiteral("CREATE TEMP TABLE stempelung (id bigint)"));
        expectRefused(QStringLiteral(
            "CREATE FUNCTION pg_temp.jetzt() RETURNS text LANGUAGE sql AS 'SELECT 1'"));
        // So a search_path of the caller's choosing finds nothing but the real objects,
        // and the functions pin theirs anyway.
        QCOMPARE(refusal(QStringLiteral("SET search_path = pg_temp, intern, arbeitsplatz")),
                 QString());
        QCOMPARE(refusal(QStringLiteral("SELECT * FROM arbeitsplatz.nopers_liste('1')")),
                 QString());
        QCOMPARE(refusal(QStringLiteral("RESET search_path")), QString());
    }

    void theOwnerCannotBeBorrowed()
    {
        const QString owner = db_.target().user;
        expectRefused(QStringLiteral("SET ROLE \"%1\"").arg(owner));
        expectRefused(QStringLiteral("SET SESSION AUTHORIZATION \"%1\"").arg(owner));
        expectRefused(QStringLiteral("ALTER ROLE CURRENT_USER SUPERUSER"));
        expectRefused(QStringLiteral("GRANT USAGE ON SCHEMA intern TO CURRENT_USER"));
        // The owner's helpers and trigger functions are not the workstation's to call.
        expectRefused(QStringLiteral("SELECT intern.jetzt()"));
        expectRefused(QStringLiteral(
            "SELECT intern.protokollieren('1', '4711', '', '1001', 'Z', 'X', '2024')"));
        expectRefused(QStringLiteral("SELECT public.stempelung_melden()"));
    }

    void everyFunctionRunsAsItsOwnerWithAPinnedSearchPath()
    {
        const QVariantList functions = db_.column(QStringLiteral(
            "SELECT p.proname FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace"
            " WHERE n.nspname = 'arbeitsplatz'"));
        QVERIFY(functions.size() >= 15);
        const QVariantList unsafe = db_.column(QStringLiteral(
            "SELECT n.nspname || '.' || p.proname FROM pg_proc p JOIN pg_namespace n ON n.oid = "
            "p.pronamespace"
            " WHERE n.nspname IN ('arbeitsplatz', 'intern') AND (NOT EXISTS (SELECT 1 FROM "
            "unnest(p.proconfig) c"
            " WHERE c LIKE 'search_path=%') OR (n.nspname = 'arbeitsplatz') <> p.prosecdef"
            " OR has_function_privilege('public', p.oid, 'EXECUTE'))"));
        QCOMPARE(unsafe, QVariantList());
    }

    void sqlInEveryArgumentIsData()
    {
        const int bookings =
            count(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NULL AND erledigt_am IS NULL"));
        for (const QString &call :
             {QStringLiteral("SELECT * FROM arbeitsplatz.parpersedv(?, ?)"),
              QStringLiteral("SELECT * FROM arbeitsplatz.persbasis(?, ?)"),
              QStringLiteral("SELECT * FROM arbeitsplatz.userviapasswort(?, ?, ?)"),
              QStringLiteral("SELECT * FROM arbeitsplatz.listeaktiv(?)"),
              QStringLiteral("SELECT * FROM arbeitsplatz.nopers_liste(?)"),
              QStringLiteral("SELECT * FROM arbeitsplatz.karteninhaber(?, ?)"),
              QStringLiteral("SELECT * FROM arbeitsplatz.filialen(?)"),
              QStringLiteral("SELECT * FROM arbeitsplatz.zuordnungen(?, ?, ?, ?)"),
              QStringLiteral("SELECT arbeitsplatz.globalwert(?, ?)"),
              QStringLiteral("SELECT arbeitsplatz.setkarte(?, ?, ?, ?, ?, ?)")}) {
            const QVariantList values(int(call.count(QLatin1Char('?'))), injected);
            const QString state = refusal(call, values);
            // Read as a value that names nothing, or refused as an unknown employee or bad card.
            QVERIFY2(state.isEmpty() || state == QLatin1String("K5301"),
                     qPrintable(call + QLatin1Char(' ') + state));
        }
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NULL AND erledigt_am IS NULL")),
                 bookings);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM karte")), 0);
    }

    void anotherCompanysDataStaysAsItIs()
    {
        const QString other = db_.column(QStringLiteral("SELECT id FROM stempelung WHERE firma = '2'"))
                                  .value(0)
                                  .toString();
        // A workstation of company 1 assigning company 2's card, or company 1's card to company 2's
        // employee.
        QCOMPARE(refusal(QStringLiteral(
                     "SELECT arbeitsplatz.setkarte('2', '2001', '4711', '', '1', 'CHEF')")),
                 QStringLiteral("K5301"));
        QCOMPARE(refusal(QStringLiteral(
                     "SELECT arbeitsplatz.setkarte('1', '2001', '4711', '', '1', 'CHEF')")),
                 QStringLiteral("K5301"));
        QCOMPARE(refusal(QStringLiteral("SELECT arbeitsplatz.stempelung_loeschen(?, '1', 'CHEF', 'FIRMA=1')"), {other}),
                 QString());
        QCOMPARE(count(QStringLiteral(
                     "SELECT count(*) FROM stempelung WHERE firma = '2' AND erledigt_am IS NULL")),
                 1);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM karte")), 0);

        // Company 2's own workstation assigns its card; company 1's cannot correct that.
        QCOMPARE(refusal(QStringLiteral(
                     "SELECT arbeitsplatz.setkarte('2', '2001', '4711', '', '2', 'CHEF')")),
                 QString());
        const QString entry =
            db_.column(QStringLiteral("SELECT id FROM kartenzuordnung")).value(0).toString();
        db_.exec(QStringLiteral("INSERT INTO persbasis (firma, pnr) VALUES ('2', '2002')"));
        QCOMPARE(refusal(QStringLiteral("SELECT arbeitsplatz.korrigieren(?, '2002', '1', 'CHEF')"),
                         {entry}),
                 QStringLiteral("K5301"));
        QCOMPARE(db_.column(QStringLiteral("SELECT pnr FROM karte")),
                 QVariantList{QStringLiteral("2001")});
    }

    void timeIsBookedOnlyFromUnassignedBookings()
    {
        // A card with no open booking behind it gets a holder and a log entry, no time.
        const int times = count(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NOT NULL"));
        QCOMPARE(refusal(QStringLiteral(
                     "SELECT arbeitsplatz.setkarte('1', '1001', '999', '', '1', 'CHEF')")),
                 QString());
        QCOMPARE(refusal(QStringLiteral(
                     "SELECT arbeitsplatz.setkarte('1', '1001', '999', '1001', '1', 'CHEF')")),
                 QString());
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NOT NULL")), times);
        // The log says who the server context claimed, whatever the role.
        QCOMPARE(db_.column(QStringLiteral("SELECT DISTINCT von FROM kartenzuordnung")),
                 QVariantList{QStringLiteral("CHEF")});
    }
};

QTEST_GUILESS_MAIN(TestWorkstationRole)
#include "test_workstationrole.moc"
