// What someone with a workstation's PostgreSQL password can do with psql: call
// the server-side functions, and nothing else. Every case runs on a connection
// of its own as the workstations' role, with SQL as an attacker would type it.

#include "cacheapi/objects/passwordsecret.h"
#include "engine/login/serverlogin.h"
#include "engine/session.h"
#include "engine/timeclock.h"
#include "tests/support/enginefixture.h"

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

    static QString secret(const QString &password) { return PasswordSecret::derive(password); }

    // The first column of the first row a statement of the workstation role gives.
    QString answer(const QString &sql, const QVariantList &values = {})
    {
        QSqlQuery query(attacker());
        query.prepare(sql);
        for (const QVariant &value : values)
            query.addBindValue(value);
        if (!query.exec())
            return QStringLiteral("refused ") + query.lastError().nativeErrorCode();
        return query.next() ? query.value(0).toString() : QString();
    }

    QString logIn(const QString &company, const QString &code, const QString &password)
    {
        return answer(QStringLiteral("SELECT status FROM arbeitsplatz.anmelden(?, '0', ?, ?)"),
                      {company, code, secret(password)});
    }

    // Every call that reads or changes a company's data, each as the owner's
    // tools would call it, naming company and author themselves.
    static QStringList companyReads()
    {
        return {QStringLiteral("SELECT count(*) FROM arbeitsplatz.nopers_liste('1')"),
                QStringLiteral("SELECT arbeitsplatz.nopers_anzahlneu(0, '1')"),
                QStringLiteral("SELECT count(*) FROM arbeitsplatz.listeaktiv('1')"),
                QStringLiteral("SELECT count(*) FROM arbeitsplatz.parpersedv('1', 'CHEF')"),
                QStringLiteral("SELECT count(*) FROM arbeitsplatz.parpersabt('1', '10')"),
                QStringLiteral("SELECT count(*) FROM arbeitsplatz.persbasis('1', '1001')"),
                QStringLiteral("SELECT count(*) FROM arbeitsplatz.stempelung(1)"),
                QStringLiteral("SELECT count(*) FROM arbeitsplatz.karteninhaber('1', '4711')"),
                QStringLiteral("SELECT count(*) FROM arbeitsplatz.filialen('1')"),
                QStringLiteral("SELECT count(*) FROM arbeitsplatz.zuordnungen('', '', '', NULL)")};
    }

    static QStringList companyChanges()
    {
        return {QStringLiteral("SELECT arbeitsplatz.setkarte('1', '1001', '4711', '', NULL, 'CHEF')"),
                QStringLiteral("SELECT arbeitsplatz.korrigieren(1, '1002', NULL, 'CHEF')"),
                QStringLiteral("SELECT arbeitsplatz.stempelung_loeschen(1, NULL, 'CHEF', '')"),
                QStringLiteral("SELECT arbeitsplatz.kassasw_speichern(0, 'x', '1', '0', 'h', '1', 'K', 0)")};
    }

    void expectNotLoggedIn(const QStringList &calls)
    {
        for (const QString &call : calls)
            QCOMPARE(call + QStringLiteral(": ") + answer(call), call + QStringLiteral(": refused K5304"));
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (engineKindFromName(configuredEngineName()) != EngineKind::Postgres)
            QSKIP("roles are PostgreSQL's");
        KARVEN_SET_UP_ENGINE_OR_SKIP(db_, QStringLiteral("ROLETEST"));
        if (db_.programUser() == db_.target().user)
            QSKIP("no workstation role for the tests (KARVEN_TEST_PGWORKSTATION)");
        db_.exec(QStringLiteral("INSERT INTO persbasis (firma, pnr, name, vorname) VALUES"
                                " ('1', '1001', 'Abel', 'Carl'), ('1', '1002', 'Berg', 'Uwe'),"
                                " ('2', '2001', 'Xaver', 'Y')"));
        db_.exec(QStringLiteral("INSERT INTO parpersabt (firma, abtnr) VALUES ('1', '10'), ('2', '10')"));
        db_.exec(QStringLiteral("INSERT INTO parpersedv (firma, code, passwort, aktiv, pnr, abtnr, bergrp) VALUES"
                                " ('1', 'CHEF', ?, 'J', '1001', '10', 'A'), ('1', 'KASSE', ?, 'J', '1002', '10', 'B'),"
                                " ('2', 'CHEF', ?, 'J', '2001', '10', 'A')"),
                 {secret(QStringLiteral("chef-1")), secret(QStringLiteral("kasse")), secret(QStringLiteral("chef-2"))});
        db_.withSession([](Session &session) {
            for (const QString &company : {QStringLiteral("1"), QStringLiteral("2")})
                bookCard(session, company, QStringLiteral("T1"), QStringLiteral("K"),
                         QStringLiteral("4711"), QStringLiteral("202401310705"));
        });
        db_.forgetFailedLogins();
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
            QStringLiteral("SELECT schemaname || '.' || tablename FROM pg_tables WHERE schemaname NOT IN"
                           " ('pg_catalog', 'information_schema')"));
        QVERIFY(tables.size() >= 10);
        for (const QVariant &table : tables) {
            const QString name = table.toString();
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
        QCOMPARE(refusal(QStringLiteral("SELECT arbeitsplatz.schemaversion()")), QString());
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

    // The two helpers of every call take the pinned path of the function that
    // calls them; that is safe only while nobody but the owner reaches them.
    void everyFunctionRunsAsItsOwnerWithAPinnedSearchPath()
    {
        const QVariantList functions = db_.column(QStringLiteral(
            "SELECT p.proname FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace"
            " WHERE n.nspname = 'arbeitsplatz'"));
        QVERIFY(functions.size() >= 15);
        const QVariantList unsafe = db_.column(QStringLiteral(
            "SELECT n.nspname || '.' || p.proname FROM pg_proc p JOIN pg_namespace n ON n.oid = "
            "p.pronamespace"
            " WHERE n.nspname IN ('arbeitsplatz', 'intern') AND ((NOT EXISTS (SELECT 1 FROM "
            "unnest(p.proconfig) c WHERE c LIKE 'search_path=%')"
            " AND (n.nspname, p.proname) NOT IN (('intern', 'lesefirma'), ('intern', 'handelnder')))"
            " OR (n.nspname = 'arbeitsplatz') <> p.prosecdef"
            " OR has_function_privilege('public', p.oid, 'EXECUTE')"
            " OR (n.nspname = 'intern' AND has_function_privilege(?::name, p.oid, 'EXECUTE')))"),
            {db_.programUser()});
        QCOMPARE(unsafe, QVariantList());
        QCOMPARE(db_.column(QStringLiteral("SELECT has_schema_privilege(?::name, 'intern', 'USAGE')"), {db_.programUser()}),
                 QVariantList{false});
        expectRefused(QStringLiteral("SELECT intern.lesefirma('1')"));
        expectRefused(QStringLiteral("SELECT * FROM intern.handelnder('1', 'CHEF', '')"));
    }

    void sqlInEveryArgumentIsData()
    {
        QCOMPARE(logIn(QStringLiteral("1"), QStringLiteral("CHEF"), QStringLiteral("chef-1")), QStringLiteral("angemeldet"));
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
              QStringLiteral("SELECT arbeitsplatz.setkarte(?, ?, ?, ?, ?, ?)"),
              // Last: a login, even a failed one, ends the one before.
              QStringLiteral("SELECT * FROM arbeitsplatz.anmelden(?, ?, ?, ?)")}) {
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

    // Without a login a workstation reads what its start needs, and nothing of a company.
    void beforeALoginOnlyTheStartIsOpen()
    {
        QCOMPARE(answer(QStringLiteral("SELECT arbeitsplatz.schemaversion()")).startsWith(QStringLiteral("refused")),
                 false);
        QCOMPARE(answer(QStringLiteral("SELECT count(*) FROM arbeitsplatz.connstrg(0, '')")), QStringLiteral("0"));
        QCOMPARE(answer(QStringLiteral("SELECT count(*) FROM arbeitsplatz.globalwert('FA', '0')")), QStringLiteral("1"));
        expectNotLoggedIn(companyReads() + companyChanges());
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM karte")), 0);
    }

    // A pooler's reset takes the login with the connection's temporary
    // table; what the check keeps planned must follow the next login.
    void aResetEndsTheLogin()
    {
        const QString read = QStringLiteral("SELECT count(*) FROM arbeitsplatz.persbasis('1', '1001')");
        for (const QString &reset : {QStringLiteral("DISCARD ALL"), QStringLiteral("DISCARD TEMP")}) {
            QCOMPARE(logIn(QStringLiteral("1"), QStringLiteral("CHEF"), QStringLiteral("chef-1")),
                     QStringLiteral("angemeldet"));
            QCOMPARE(answer(read), QStringLiteral("1"));
            QCOMPARE(refusal(reset), QString());
            expectNotLoggedIn(companyReads() + companyChanges());
            QCOMPARE(logIn(QStringLiteral("1"), QStringLiteral("CHEF"), QStringLiteral("chef-1")),
                     QStringLiteral("angemeldet"));
            QCOMPARE(answer(read), QStringLiteral("1"));
        }
    }

    // No call hands out a password or what the database keeps of one.
    void noPasswordIsReadable()
    {
        const QVariantList columns = db_.column(QStringLiteral(
            "SELECT p.proname || '.' || a FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace,"
            " unnest(p.proargnames) a WHERE n.nspname = 'arbeitsplatz' AND a ~* 'passwort|geheim|schluessel' ORDER BY 1"));
        QCOMPARE(columns, QVariantList{QStringLiteral("anmelden.p_geheim")} +
                              QVariantList{QStringLiteral("userviapasswort.p_geheim")});
        // A copy of the table holds keyed values only, neither the password nor what the workstation sends.
        const QVariantList kept = db_.column(QStringLiteral("SELECT passwort FROM parpersedv WHERE code = 'KASSE'"));
        QCOMPARE(kept.size(), 1);
        QVERIFY(kept.at(0).toString() != secret(QStringLiteral("kasse")));
        QVERIFY(kept.at(0).toString() != QLatin1String("kasse"));
        QCOMPARE(logIn(QStringLiteral("1"), QStringLiteral("KASSE"), QStringLiteral("kasse")), QStringLiteral("angemeldet"));
        expectRefused(QStringLiteral("SELECT * FROM intern.schluessel"));
        expectRefused(QStringLiteral("SELECT * FROM pg_temp.karven_anmeldung"));
        expectRefused(QStringLiteral("INSERT INTO pg_temp.karven_anmeldung VALUES ('2', '0', 'CHEF')"));
    }

    // The login's values travel apart from the statement: another connection of
    // the same role sees the statement, not the value derived from the password.
    void aLoginShowsNoSecretToOtherSessions()
    {
        Session workstation(EngineKind::Postgres, ConnectionTarget{db_.target().host, db_.target().port,
                                                                   db_.target().nameSpace, db_.programUser()});
        QVERIFY2(workstation.open(), qPrintable(workstation.lastError()));
        const QString derived = secret(QStringLiteral("chef-1"));
        QCOMPARE(logInOnSession(workstation, {QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("CHEF"), derived})
                     .status,
                 LoginAnswer::Status::LoggedIn);
        const QString seen = answer(QStringLiteral("SELECT string_agg(query, ' | ') FROM pg_stat_activity"
                                                   " WHERE usename = current_user AND pid <> pg_backend_pid()"));
        QVERIFY2(seen.contains(QStringLiteral("arbeitsplatz.anmelden($1")), qPrintable(seen));
        QVERIFY2(!seen.contains(derived), qPrintable(seen));
    }

    // After five failures in a minute the address waits, whatever it tries; a
    // failure is counted even when the caller's own statement ends in an error.
    void repeatedFailuresLockTheAddressOut()
    {
        db_.forgetFailedLogins();
        for (int attempt = 0; attempt < 4; ++attempt)
            QCOMPARE(logIn(QStringLiteral("1"), QStringLiteral("CHEF"), QStringLiteral("rate")), QStringLiteral("abgelehnt"));
        QCOMPARE(answer(QStringLiteral("SELECT count(*) FROM arbeitsplatz.userviapasswort(?, '1', '')"),
                        {secret(QStringLiteral("rate"))}),
                 QStringLiteral("0"));
        QCOMPARE(logIn(QStringLiteral("1"), QStringLiteral("CHEF"), QStringLiteral("chef-1")), QStringLiteral("gesperrt"));
        QCOMPARE(logIn(QStringLiteral("2"), QStringLiteral("CHEF"), QStringLiteral("chef-2")), QStringLiteral("angemeldet"));
        db_.forgetFailedLogins();
        QCOMPARE(logIn(QStringLiteral("1"), QStringLiteral("CHEF"), QStringLiteral("chef-1")), QStringLiteral("angemeldet"));
    }

    void anotherCompanysDataStaysAsItIs()
    {
        QCOMPARE(logIn(QStringLiteral("1"), QStringLiteral("CHEF"), QStringLiteral("chef-1")), QStringLiteral("angemeldet"));
        const QString other = db_.column(QStringLiteral("SELECT id FROM stempelung WHERE firma = '2'"))
                                  .value(0)
                                  .toString();
        // Company 2's card, or company 1's card to company 2's employee, claiming company 2 or none.
        for (const QString &claim : {QStringLiteral("'2'"), QStringLiteral("NULL")}) {
            QCOMPARE(answer(QStringLiteral("SELECT arbeitsplatz.setkarte('2', '2001', '4711', '', %1, 'CHEF')").arg(claim)),
                     QStringLiteral("refused K5301"));
            QCOMPARE(answer(QStringLiteral("SELECT arbeitsplatz.setkarte('1', '2001', '4711', '', %1, 'CHEF')").arg(claim)),
                     QStringLiteral("refused K5301"));
            QCOMPARE(refusal(QStringLiteral("SELECT arbeitsplatz.stempelung_loeschen(?, %1, 'CHEF', 'FIRMA=2')").arg(claim),
                             {other}),
                     QString());
            QCOMPARE(answer(QStringLiteral("SELECT count(*) FROM arbeitsplatz.nopers_liste(%1)").arg(claim)),
                     claim == QLatin1String("NULL") ? QStringLiteral("1") : QStringLiteral("0"));
        }
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM stempelung WHERE firma = '2' AND erledigt_am IS NULL")), 1);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM karte")), 0);

        // Company 2's own user assigns its card; company 1's cannot correct that.
        QCOMPARE(logIn(QStringLiteral("2"), QStringLiteral("CHEF"), QStringLiteral("chef-2")), QStringLiteral("angemeldet"));
        QCOMPARE(answer(QStringLiteral("SELECT arbeitsplatz.setkarte('2', '2001', '4711', '', '1', 'NIEMAND')")),
                 QStringLiteral("2"));
        const QString entry = db_.column(QStringLiteral("SELECT id FROM kartenzuordnung")).value(0).toString();
        db_.exec(QStringLiteral("INSERT INTO persbasis (firma, pnr) VALUES ('2', '2002')"));
        QCOMPARE(logIn(QStringLiteral("1"), QStringLiteral("CHEF"), QStringLiteral("chef-1")), QStringLiteral("angemeldet"));
        QCOMPARE(answer(QStringLiteral("SELECT arbeitsplatz.korrigieren(?, '2002', '2', 'CHEF')"), {entry}),
                 QStringLiteral("refused K5301"));
        QCOMPARE(db_.column(QStringLiteral("SELECT pnr || ' ' || von FROM kartenzuordnung")),
                 QVariantList{QStringLiteral("2001 CHEF")});
    }

    // The log names the logged-in user, whatever the caller claims; a
    // correction needs an active user of group A at the moment it is made.
    void theAuthorIsTheLoggedInUser()
    {
        QCOMPARE(logIn(QStringLiteral("1"), QStringLiteral("KASSE"), QStringLiteral("kasse")), QStringLiteral("angemeldet"));
        // A card with no open swipe behind it gets a holder and a log entry, no time.
        const int times = count(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NOT NULL"));
        for (const QString &claim : {QStringLiteral("'NIEMAND'"), QStringLiteral("NULL"), QStringLiteral("E'A\\nB'"),
                                     QStringLiteral("repeat('x', 1000000)")})
            QCOMPARE(answer(QStringLiteral("SELECT arbeitsplatz.setkarte('1', '1001', '999', NULL, '1', %1)").arg(claim)),
                     QStringLiteral("1"));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NOT NULL")), times);
        QCOMPARE(db_.column(QStringLiteral("SELECT DISTINCT von FROM kartenzuordnung WHERE trim(karte) = '999'")),
                 QVariantList{QStringLiteral("KASSE")});
        const QString entry =
            db_.column(QStringLiteral("SELECT max(id) FROM kartenzuordnung WHERE trim(karte) = '999'")).value(0).toString();
        QCOMPARE(answer(QStringLiteral("SELECT arbeitsplatz.korrigieren(?, '1002', NULL, 'CHEF')"), {entry}),
                 QStringLiteral("refused K5303"));
        QCOMPARE(logIn(QStringLiteral("1"), QStringLiteral("CHEF"), QStringLiteral("chef-1")), QStringLiteral("angemeldet"));
        // Made inactive after the login: the user still reads the company's
        // lists, but changes nothing, a correction least of all.
        db_.exec(QStringLiteral("UPDATE parpersedv SET aktiv = 'N' WHERE firma = '1' AND code = 'CHEF'"));
        QCOMPARE(answer(QStringLiteral("SELECT arbeitsplatz.korrigieren(?, '1002', NULL, 'CHEF')"), {entry}),
                 QStringLiteral("refused K5304"));
        expectNotLoggedIn(companyChanges());
        for (const QString &read : companyReads())
            QCOMPARE(read + QStringLiteral(": ") + refusal(read), read + QStringLiteral(": "));
        db_.exec(QStringLiteral("UPDATE parpersedv SET aktiv = 'J' WHERE firma = '1' AND code = 'CHEF'"));
        QCOMPARE(refusal(QStringLiteral("SELECT arbeitsplatz.korrigieren(?, '1002', NULL, 'KASSE')"), {entry}), QString());
        QCOMPARE(db_.column(QStringLiteral("SELECT von FROM kartenzuordnung WHERE art = 'K'")),
                 QVariantList{QStringLiteral("CHEF")});
    }

    // A server entry is saved only as "karven-admin server" would save it, for
    // the user's company and of type 0.
    void serverEntriesAreSavedOnlyWhenUsable_data()
    {
        QTest::addColumn<QString>("values");
        QTest::newRow("blank host") << "'Nord', '1', '0', '  ', '5432', 'KARVEN', 0";
        QTest::newRow("port abc") << "'Nord', '1', '0', 'h', 'abc', 'KARVEN', 0";
        QTest::newRow("port 0") << "'Nord', '1', '0', 'h', '0', 'KARVEN', 0";
        QTest::newRow("port 70000") << "'Nord', '1', '0', 'h', '70000', 'KARVEN', 0";
        QTest::newRow("bad namespace") << "'Nord', '1', '0', 'h', '5432', 'a b', 0";
        QTest::newRow("company 0") << "'Nord', '0', '0', 'h', '5432', 'KARVEN', 0";
        QTest::newRow("company 10000") << "'Nord', '10000', '0', 'h', '5432', 'KARVEN', 0";
        QTest::newRow("another company") << "'Nord', '2', '0', 'h', '5432', 'KARVEN', 0";
        QTest::newRow("negative branch") << "'Nord', '1', '-1', 'h', '5432', 'KARVEN', 0";
        QTest::newRow("100 kB name") << "repeat('n', 100000), '1', '0', 'h', '5432', 'KARVEN', 0";
        QTest::newRow("hidden type") << "'Nord', '1', '0', 'h', '5432', 'KARVEN', 3";
    }

    void serverEntriesAreSavedOnlyWhenUsable()
    {
        QFETCH(QString, values);
        db_.exec(QStringLiteral("DELETE FROM kassasw"));
        db_.exec(QStringLiteral("INSERT INTO kassasw (id, name, firma, fil, ip, port, namespace, type) VALUES"
                                " (1, 'Nord', '1', '0', 'nord', '5432', 'KARVEN', 0),"
                                " (2, 'Süd', '2', '0', 'sued', '5432', 'KARVEN', 0)"));
        QCOMPARE(logIn(QStringLiteral("1"), QStringLiteral("CHEF"), QStringLiteral("chef-1")), QStringLiteral("angemeldet"));
        QCOMPARE(answer(QStringLiteral("SELECT arbeitsplatz.kassasw_speichern(1, %1)").arg(values)),
                 QStringLiteral("refused K5306"));
        // Another company's entry, even with values that would do.
        QCOMPARE(answer(QStringLiteral("SELECT arbeitsplatz.kassasw_speichern(2, 'Süd', '1', '0', 'evil', '5432', 'KARVEN', 0)")),
                 QStringLiteral("refused K5306"));
        QCOMPARE(db_.column(QStringLiteral("SELECT ip FROM kassasw ORDER BY id")),
                 (QVariantList{QStringLiteral("nord"), QStringLiteral("sued")}));
        QCOMPARE(answer(QStringLiteral("SELECT arbeitsplatz.kassasw_speichern(1, 'Nord', '01', '3', 'nord2', '5433', 'KARVEN', 0)")),
                 QStringLiteral("1"));
        QCOMPARE(db_.column(QStringLiteral("SELECT von || ' ' || nachher FROM kassasw_protokoll ORDER BY id DESC LIMIT 1")),
                 QVariantList{QStringLiteral("CHEF Nord;1;3;nord2;5433;KARVEN;0")});
    }
};

QTEST_GUILESS_MAIN(TestWorkstationRole)
#include "test_workstationrole.moc"
