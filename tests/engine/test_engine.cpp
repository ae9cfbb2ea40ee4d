// The engine's behaviour as the program sees it through the object interface.
// The same suite runs on SQLite and on PostgreSQL (see CMakeLists.txt).

#include "cacheapi/objects/cacheerror.h"
#include "cacheapi/objects/passwordsecret.h"
#include "engine/databaseadmin.h"
#include "engine/engineerrors.h"
#include "engine/ledger/ledgercheck.h"
#include "engine/login/serverlogin.h"
#include "engine/schema.h"
#include "engine/session.h"
#include "engine/sqlfactory.h"
#include "engine/storedform.h"
#include "engine/timeclock.h"
#include "tests/support/enginefixture.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <QTest>

namespace {

const QString bookingTime = QStringLiteral("202401310705");

QString bookingText(const QString &card, const QString &time = bookingTime)
{
    return TimeClock::bookingText(QStringLiteral("FIL01T1"), QStringLiteral("K"),
                                  card.rightJustified(10, QLatin1Char(' ')), time);
}

} // namespace

class TestEngine : public QObject
{
    Q_OBJECT

private:
    EngineFixture db_;
    std::unique_ptr<SqlFactory> factory_;

    template <class Call> void expectError(qint32 number, Call call)
    {
        try {
            call();
        } catch (const CacheError &error) {
            QCOMPARE(error.number(), number);
            QVERIFY2(!error.description().isEmpty(), "an error must say what went wrong");
            return;
        }
        QFAIL("no error raised");
    }

    // Logs the connection in as a user of the test data and sets the
    // server context as the program's login does.
    void actAs(const QString &company, const QString &code, const QString &password)
    {
        QCOMPARE(factory_->logIn({company, QStringLiteral("0"), code, PasswordSecret::derive(password)}).status,
                 LoginAnswer::Status::LoggedIn);
        xecute(QStringLiteral("S FIRMA=%1,FIL=0,PERSONAL=\"%2\"").arg(company, storedToDisplay(code)));
    }

    QString xecute(const QString &command)
    {
        auto windows = factory_->newObject(QStringLiteral("KV.Windows"));
        QVariantList arguments{command};
        return windows->call(QStringLiteral("Xecute"), arguments).toString();
    }

    QStringList listedBookingIds()
    {
        auto rows =
            factory_->openResultSet(QStringLiteral("Quastel.NoPers"), QStringLiteral("Liste"));
        rows->execute();
        QStringList ids;
        while (rows->next())
            ids << rows->data(1).toString();
        return ids;
    }

    // Empties the swipes, cards and log for a test of its own.
    void clearLedger()
    {
        for (const char *table :
             {"kartenzuordnung_stempelung", "stempelung", "karte", "kartenzuordnung"})
            db_.exec(QStringLiteral("DELETE FROM ") + QLatin1String(table));
    }

    // With a fourth argument, the holder the caller saw (null: a caller that does not ask).
    QVariantList assign(const QString &company, const QString &employee, const QString &card,
                        const QString &expectedHolder = QString())
    {
        auto noPers = factory_->newObject(QStringLiteral("Quastel.NoPers"));
        QVariantList arguments{company, employee, card};
        if (!expectedHolder.isNull())
            arguments << expectedHolder;
        noPers->call(QStringLiteral("setkarte"), arguments);
        return arguments;
    }

private Q_SLOTS:
    void initTestCase()
    {
        KARVEN_SET_UP_ENGINE_OR_SKIP(db_, QStringLiteral("ENGINETEST"));
        const QString secret = PasswordSecret::derive(QStringLiteral("geheim"));
        const QString shared = PasswordSecret::derive(QStringLiteral("geteilt"));
        db_.exec(QStringLiteral(
                     "INSERT INTO parpersedv (firma, code, passwort, aktiv, pname, pnr, abtnr, dw, bergrp)"
                     " VALUES ('1', 'M]L', ?, 'J', 'M}ller, J}rgen', '1001', '10', '221', 'A'),"
                     " ('1', 'ABC', ?, 'J', 'Abel, Carl', '1002', '10', '222', 'B'),"
                     " ('1', 'AAA', ?, 'N', 'Aal, Anna', '1003', '20', '223', 'B'),"
                     " ('2', 'XYZ', ?, 'J', 'Xaver, Y', '2001', '10', '', '')"),
                 {secret, shared, shared, secret});
        db_.exec(QStringLiteral(
            "INSERT INTO parpersabt (firma, abtnr, abtbez, habtnr)"
            " VALUES ('1', '10', 'B}ro & Verk{ufe', '1'), ('1', '20', 'Lager', '1'), ('2', '10', 'B}ro', '1')"));
        db_.exec(QStringLiteral(
            "INSERT INTO persbasis (firma, pnr, name, vorname, aktiv, fax, email)"
            " VALUES ('1', '1001', 'M}ller', 'J}rgen', 'J', '0711-1', 'j.m}ller@example.org'),"
            " ('1', '1002', 'Abel', 'Carl', 'J', '', ''),"
            " ('1', '1003', 'Aal', 'Anna', 'N', '', ''),"
            " ('1', '1004', '~tra~er', 'Gre~', 'J', '', ''),"
            " ('2', '2001', 'Xaver', 'Y', 'J', '', '')"));
        db_.exec(
            QStringLiteral("INSERT INTO kassasw (id, name, firma, fil, ip, port, namespace, type)"
                           " VALUES (0, 'Zentrale', '1', '0', 'localhost', '1972', 'KARVEN', 0),"
                           " (7, 'Filiale Nord', '1', '7', '10.0.0.7', '1972', 'KARVEN', 0),"
                           " (254, 'Archiv', '2', '0', 'archiv', '1972', 'ARCHIV', 1)"));
        db_.exec(QStringLiteral(
            "INSERT INTO globale (name, subscripts, value) VALUES ('FA', '0', 'KARVEN`2024`x')"));
    }

    void init()
    {
        factory_ = std::make_unique<SqlFactory>(db_.kind());
        QVERIFY2(factory_->connect(db_.connectionString()),
                 qPrintable(factory_->lastConnectError()));
        db_.logIn(*factory_, QStringLiteral("TEST"));
    }

    void cleanupTestCase() { db_.tearDown(); }

    void connectRefusesMalformedStrings_data()
    {
        QTest::addColumn<QString>("connectionString");
        QTest::newRow("empty") << QString();
        QTest::newRow("no server") << QStringLiteral("cn_iptcp:[1972]:KARVEN");
        QTest::newRow("no port") << QStringLiteral("cn_iptcp:localhost[]:KARVEN");
        QTest::newRow("port not numeric") << QStringLiteral("cn_iptcp:localhost[abc]:KARVEN");
        QTest::newRow("port too large") << QStringLiteral("cn_iptcp:localhost[70000]:KARVEN");
        QTest::newRow("no namespace") << QStringLiteral("cn_iptcp:localhost[1972]:");
        QTest::newRow("namespace with path") << QStringLiteral("cn_iptcp:localhost[1972]:../etc");
        QTest::newRow("namespace with quote") << QStringLiteral("cn_iptcp:localhost[1972]:A'B");
        QTest::newRow("other prefix") << QStringLiteral("tcp:localhost[1972]:KARVEN");
        QTest::newRow("garbage") << QStringLiteral("cn_iptcp:\x01[[[]]]:");
    }

    void connectRefusesMalformedStrings()
    {
        QFETCH(QString, connectionString);
        SqlFactory factory(db_.kind());
        QVERIFY(!factory.connect(connectionString));
        QVERIFY(!factory.isConnected());
        QVERIFY(!factory.lastConnectError().isEmpty());
    }

    void disconnectedFactoryRaisesNotConnected()
    {
        QVERIFY(factory_->isConnected());
        auto windows = factory_->newObject(QStringLiteral("KV.Windows"));
        factory_->disconnect();
        QVERIFY(!factory_->isConnected());
        expectError(EngineError::NotConnected,
                    [&] { factory_->newObject(QStringLiteral("KV.Windows")); });
        // An object that outlives its connection fails cleanly too.
        QVariantList command{QStringLiteral("W 1")};
        expectError(EngineError::NotConnected,
                    [&] { windows->call(QStringLiteral("Xecute"), command); });
        factory_->disconnect(); // twice is harmless
    }

    void unknownNamesRaiseTheirErrors()
    {
        expectError(EngineError::UnknownClass,
                    [&] { factory_->newObject(QStringLiteral("KV.Nix")); });
        expectError(EngineError::UnknownClass, [&] {
            factory_->openResultSet(QStringLiteral("KV.Nix"), QStringLiteral("Liste"));
        });
        expectError(EngineError::UnknownQuery, [&] {
            factory_->openResultSet(QStringLiteral("Quastel.NoPers"), QStringLiteral("Alle"));
        });
        auto record = factory_->openId(QStringLiteral("KV.ParPersEdv"), QStringLiteral("1||ABC"));
        expectError(EngineError::UnknownMember,
                    [&] { record->property(QStringLiteral("Gehalt")); });
        expectError(EngineError::UnknownMember,
                    [&] { record->setProperty(QStringLiteral("Gehalt"), 1); });
        expectError(EngineError::UnknownMember,
                    [&] { record->call(QStringLiteral("Befoerdern")); });
        expectError(EngineError::UnknownMember,
                    [&] { record->call(QStringLiteral("GehaltLogicalToODBC")); });
    }

    void missingIdsRaiseObjectNotFound_data()
    {
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("id");
        QTest::newRow("unknown code") << "KV.ParPersEdv"
                                      << "1||NIX";
        QTest::newRow("other company") << "KV.ParPersEdv"
                                       << "2||ABC";
        QTest::newRow("id without separator") << "KV.ParPersEdv"
                                              << "ABC";
        QTest::newRow("empty id") << "KV.ParPersAbt"
                                  << "";
        QTest::newRow("department") << "KV.ParPersAbt"
                                    << "1||99";
        QTest::newRow("base record") << "KV.PersBasis"
                                     << "1||9999";
        QTest::newRow("server entry") << "KV.KassaSW"
                                      << "8";
        QTest::newRow("server entry not a number") << "KV.KassaSW"
                                                   << "sieben";
        QTest::newRow("booking") << "Quastel.NoPers"
                                 << "424242";
        QTest::newRow("class without objects") << "KV.Windows"
                                               << "1";
    }

    void missingIdsRaiseObjectNotFound()
    {
        QFETCH(QString, className);
        QFETCH(QString, id);
        expectError(EngineError::ObjectNotFound, [&] { factory_->openId(className, id); });
    }

    void personnelRecordsReadWithAnyCaseOfMemberNames()
    {
        auto record = factory_->openId(QStringLiteral("kv.parpersedv"), QStringLiteral("1||M]L"));
        QCOMPARE(record->property(QStringLiteral("Aktiv")).toString(), QStringLiteral("J"));
        const QVariant stored = record->property(QStringLiteral("PNAME"));
        QCOMPARE(stored.toString(), QStringLiteral("M}ller, J}rgen"));
        QVariantList arguments{stored};
        QCOMPARE(record->call(QStringLiteral("PNAMELogicalToODBC"), arguments).toString(),
                 QStringLiteral("Müller, Jürgen"));
        QCOMPARE(record->property(QStringLiteral("pnr")).toString(), QStringLiteral("1001"));
        QCOMPARE(record->property(QStringLiteral("ABTNR")).toString(), QStringLiteral("10"));
        QCOMPARE(record->property(QStringLiteral("DW")).toString(), QStringLiteral("221"));
        QCOMPARE(record->property(QStringLiteral("BERGRP")).toString(), QStringLiteral("A"));
        QCOMPARE(record->property(QStringLiteral("sys_ID")).toString(), QStringLiteral("1||M]L"));
        record->call(QStringLiteral("sys_close"));

        auto department =
            factory_->openId(QStringLiteral("KV.ParPersAbt"), QStringLiteral("1||10"));
        QVariantList abtbez{department->property(QStringLiteral("abtbez"))};
        QCOMPARE(department->call(QStringLiteral("ABTBEZlogicaltoodbc"), abtbez).toString(),
                 QStringLiteral("Büro & Verkäufe"));
        QCOMPARE(department->property(QStringLiteral("HAbtNr")).toString(), QStringLiteral("1"));

        auto base = factory_->openId(QStringLiteral("KV.PersBasis"), QStringLiteral("1||1001"));
        QCOMPARE(base->property(QStringLiteral("Fax")).toString(), QStringLiteral("0711-1"));
        QVariantList email{base->property(QStringLiteral("EMail"))};
        QCOMPARE(base->call(QStringLiteral("EMailLogicalToODBC"), email).toString(),
                 QStringLiteral("j.müller@example.org"));
    }

    void userViaPasswortFindsTheCompanysUser_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("company");
        QTest::addColumn<QStringList>("codes");
        QTest::newRow("one match, stored form") << "geheim"
                                                << "1" << QStringList{"M]L"};
        QTest::newRow("same password, other company") << "geheim"
                                                      << "2" << QStringList{"XYZ"};
        QTest::newRow("shared password, stable order") << "geteilt"
                                                       << "1" << QStringList{"AAA", "ABC"};
        QTest::newRow("case matters") << "GEHEIM"
                                      << "1" << QStringList{};
        QTest::newRow("no match") << "falsch"
                                  << "1" << QStringList{};
        QTest::newRow("empty password") << ""
                                        << "1" << QStringList{};
    }

    void userViaPasswortFindsTheCompanysUser()
    {
        QFETCH(QString, password);
        QFETCH(QString, company);
        QFETCH(QStringList, codes);
        auto rows = factory_->openResultSet(QStringLiteral("KV.ParPersEdv"),
                                            QStringLiteral("UserViaPasswort"));
        rows->execute({PasswordSecret::derive(password), company, QString()});
        QStringList found;
        while (rows->next())
            found << rows->data(1).toString();
        QCOMPARE(found, codes);
        rows->close();
    }

    void resultSetMisuseRaisesErrors()
    {
        auto rows =
            factory_->openResultSet(QStringLiteral("KV.PersBasis"), QStringLiteral("ListeAktiv"));
        expectError(EngineError::NoCurrentRow, [&] { rows->next(); });
        expectError(EngineError::WrongArguments, [&] { rows->execute({}); });
        expectError(EngineError::WrongArguments, [&] { rows->execute({1, 2}); });
        rows->execute({QStringLiteral("1")});
        expectError(EngineError::NoCurrentRow, [&] { rows->data(1); });
        QVERIFY(rows->next());
        expectError(EngineError::InvalidColumn, [&] { rows->data(0); });
        expectError(EngineError::InvalidColumn, [&] { rows->data(3); });
        while (rows->next()) {
        }
        expectError(EngineError::NoCurrentRow, [&] { rows->data(1); });
    }

    void listeAktivListsActiveEmployeesOfTheCompanyInDisplayForm()
    {
        auto rows =
            factory_->openResultSet(QStringLiteral("KV.PersBasis"), QStringLiteral("ListeAktiv"));
        rows->execute({QStringLiteral("1")});
        QStringList entries;
        while (rows->next())
            entries << rows->data(1).toString() + QLatin1Char('=') + rows->data(2).toString();
        QCOMPARE(entries,
                 (QStringList{"1002=Abel, Carl", "1001=Müller, Jürgen", "1004=ßtraßer, Greß"}));
    }

    void connStrgListsServerEntries()
    {
        auto rows =
            factory_->openResultSet(QStringLiteral("KV.KassaSW"), QStringLiteral("ConnStrg"));
        rows->execute({0, QString()});
        QStringList entries;
        while (rows->next())
            entries << rows->data(1).toString() + QLatin1Char(';') + rows->data(2).toString();
        QCOMPARE(entries, (QStringList{"0;Zentrale", "7;Filiale Nord"}));
    }

    void serverEntriesAreEditedAndSaved()
    {
        auto entry = factory_->openId(QStringLiteral("KV.KassaSW"), QStringLiteral("7"));
        QCOMPARE(entry->property(QStringLiteral("sys_ID")).toInt(), 7);
        QCOMPARE(entry->property(QStringLiteral("ip")).toString(), QStringLiteral("10.0.0.7"));
        QCOMPARE(entry->property(QStringLiteral("Type")).toInt(), 0);
        entry->setProperty(QStringLiteral("FIL"), QStringLiteral("8"));
        entry->setProperty(QStringLiteral("NAMESPACE"), QStringLiteral("NORD_2"));
        expectError(EngineError::InvalidValue,
                    [&] { entry->setProperty(QStringLiteral("Type"), QStringLiteral("zwei")); });
        entry->call(QStringLiteral("sys_save"));
        entry->call(QStringLiteral("sys_close"));

        auto again = factory_->openId(QStringLiteral("KV.KassaSW"), QStringLiteral("7"));
        QCOMPARE(again->property(QStringLiteral("NAMESPACE")).toString(), QStringLiteral("NORD_2"));
        QCOMPARE(again->property(QStringLiteral("FIL")).toString(), QStringLiteral("8"));
        // Who changed it, and what it was before.
        QCOMPARE(db_.column(QStringLiteral("SELECT von || ' ' || eintrag || ' ' || vorher || ' > ' || nachher"
                                           " FROM kassasw_protokoll")),
                 QVariantList{QStringLiteral("TEST 7 Filiale Nord;1;7;10.0.0.7;1972;KARVEN;0 > "
                                             "Filiale Nord;1;8;10.0.0.7;1972;NORD_2;0")});

        auto fresh = factory_->newObject(QStringLiteral("KV.KassaSW"));
        expectError(EngineError::ObjectNotFound, [&] { fresh->call(QStringLiteral("sys_save")); });
    }

    // What a workstation could not connect with, or what is not its own, is
    // refused on both engines, and the entry stays as it was.
    void unusableServerEntriesAreRefused_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("empty name") << "7" << "Name" << QVariant(" ");
        QTest::newRow("long name") << "7" << "Name" << QVariant(QString(100000, QLatin1Char('n')));
        QTest::newRow("; in the name") << "7" << "Name" << QVariant("Nord;Süd");
        QTest::newRow("company 0") << "7" << "Firma" << QVariant("0");
        QTest::newRow("company 10000") << "7" << "Firma" << QVariant("10000");
        QTest::newRow("another company") << "7" << "Firma" << QVariant("2");
        QTest::newRow("negative branch") << "7" << "FIL" << QVariant("-1");
        QTest::newRow("blank host") << "7" << "ip" << QVariant("  ");
        QTest::newRow("host with a blank") << "7" << "ip" << QVariant("evil host");
        QTest::newRow("port abc") << "7" << "PORT" << QVariant("abc");
        QTest::newRow("port 0") << "7" << "PORT" << QVariant("0");
        QTest::newRow("port 70000") << "7" << "PORT" << QVariant("70000");
        QTest::newRow("bad namespace") << "7" << "NAMESPACE" << QVariant("x'); DROP TABLE kassasw; --");
        QTest::newRow("hidden type") << "7" << "Type" << QVariant(3);
        QTest::newRow("another company's entry") << "254" << "FIL" << QVariant("1");
    }

    void unusableServerEntriesAreRefused()
    {
        QFETCH(QString, id);
        QFETCH(QString, property);
        QFETCH(QVariant, value);
        const QString sql = QStringLiteral("SELECT name || firma || fil || ip || port || namespace || type"
                                           " FROM kassasw WHERE id = ?");
        const QVariantList before = db_.column(sql, {id});
        auto entry = factory_->openId(QStringLiteral("KV.KassaSW"), id);
        entry->setProperty(property, value);
        expectError(EngineError::ServerEntryRefused, [&] { entry->call(QStringLiteral("sys_save")); });
        QCOMPARE(db_.column(sql, {id}), before);
    }

    void serverEntryIdsStayWithinAByte()
    {
        // The program keeps the id of an entry in a byte; the server holds no other.
        for (int id : {-1, 255, 300}) {
            bool refused = false;
            db_.withSession([&](Session &session) {
                try {
                    session.exec(QStringLiteral("INSERT INTO kassasw (id, name) VALUES (?, 'x')"),
                                 {id});
                } catch (const CacheError &error) {
                    refused = error.number() == EngineError::DatabaseFailure;
                }
            });
            QVERIFY2(refused, qPrintable(QString::number(id)));
        }
    }

    void serverContextAndWjCommands()
    {
        QCOMPARE(xecute(QStringLiteral("S FIRMA=1,FIL=0,PERSONAL=\"ABC\"")), QString());
        QCOMPARE(xecute(QStringLiteral("D ^%XTT")), QString());
        QCOMPARE(xecute(QStringLiteral("W FIRMA,\"/\",FIL,\"/\",PERSONAL")),
                 QStringLiteral("1/0/ABC"));
        QCOMPARE(xecute(QStringLiteral("S P0=$P(^FA(0),\"`\",2) W P0")), QStringLiteral("2024"));
        // Variables belong to the connection and live until it ends.
        QCOMPARE(xecute(QStringLiteral("W P0")), QStringLiteral("2024"));
    }

    void quotedCodesCannotInjectCommands()
    {
        const QString code = QStringLiteral("X\",KILL ^FA,Y=\"");
        QString escaped = code;
        escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        xecute(QStringLiteral("S FIRMA=1,FIL=0,PERSONAL=\"") + escaped + QLatin1Char('"'));
        QCOMPARE(xecute(QStringLiteral("W PERSONAL")), code);
        QCOMPARE(xecute(QStringLiteral("W $P(^FA(0),\"`\",1)")), QStringLiteral("KARVEN"));
    }

    void refusedCommandsRunNothing_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("error");
        QTest::newRow("kill") << "S Z=1 K ^FA" << int(EngineError::CommandSyntax);
        QTest::newRow("set a global") << "S Z=1 S ^FA(0)=1" << int(EngineError::CommandSyntax);
        QTest::newRow("operator") << "S Z=1+1" << int(EngineError::CommandSyntax);
        QTest::newRow("other function")
            << "S Z=$ZF(-1,\"rm -rf /\")" << int(EngineError::CommandSyntax);
        QTest::newRow("open string") << "S Z=\"abc" << int(EngineError::CommandSyntax);
        QTest::newRow("sql") << "S Z=1; DROP TABLE nopers" << int(EngineError::CommandSyntax);
        QTest::newRow("unknown routine") << "S Z=1 D ^DELETE" << int(EngineError::UnknownRoutine);
        QTest::newRow("undefined variable")
            << "S Z=1 W NIXDA" << int(EngineError::UndefinedVariable);
        QTest::newRow("undefined global")
            << "S Z=1 W ^FA(1)" << int(EngineError::UndefinedVariable);
    }

    void refusedCommandsRunNothing()
    {
        QFETCH(QString, command);
        QFETCH(int, error);
        expectError(error, [&] { xecute(command); });
        // A syntax error anywhere refuses the whole line before any of it runs.
        if (error == EngineError::CommandSyntax)
            expectError(EngineError::UndefinedVariable, [&] { xecute(QStringLiteral("W Z")); });
        QCOMPARE(db_.column(QStringLiteral("SELECT count(*) FROM globale")).value(0).toInt(), 1);
    }

    void cardAssignmentBooksTheCardsBookingsOnceAndLogsIt()
    {
        clearLedger();
        db_.exec(QStringLiteral("INSERT INTO stempelung (firma, karte, buchungstext) VALUES (?, ?, "
                                "?), (?, ?, ?), (?, ?, ?)"),
                 {"1", " 12 34 567", bookingText(" 12 34 567", "202401310705"), "1", "    999999",
                  bookingText("999999", "202401310800"), "1", " 12 34 567",
                  bookingText(" 12 34 567", "202401311630")});
        actAs(QStringLiteral("1"), QStringLiteral("ABC"), QStringLiteral("geteilt"));
        const QStringList ids = listedBookingIds();
        QCOMPARE(ids.size(), 3);

        // The company comes back through the argument, as the server keeps it.
        const QVariantList written = assign(QStringLiteral(" 1 "), QStringLiteral("1001"),
                                            QStringLiteral(" 12 34 567"), QStringLiteral(""));
        QCOMPARE(written.at(0).toString(), QStringLiteral("1"));
        QCOMPARE(db_.column(QStringLiteral(
                                "SELECT pnr || '/' || zugeordnet_von FROM karte WHERE karte = ?"),
                            {" 12 34 567"}),
                 QVariantList{QStringLiteral("1001/ABC")});
        QCOMPARE(db_.column(QStringLiteral("SELECT substr(buchungstext, 31, 12) FROM stempelung "
                                           "WHERE pnr = '1001' ORDER BY 1")),
                 (QVariantList{"202401310705", "202401311630"}));
        // Both bookings of the card are booked, so neither is unassigned any more.
        QCOMPARE(listedBookingIds(), QStringList{ids.at(1)});
        QCOMPARE(db_.column(QStringLiteral("SELECT firma || ' ' || trim(karte) || ' [' || "
                                           "pnr_vorher || '] ' || pnr || ' ' || art"
                                           " || ' ' || von FROM kartenzuordnung")),
                 QVariantList{QStringLiteral("1 12 34 567 [] 1001 Z ABC")});
        QCOMPARE(
            db_.column(QStringLiteral(
                           "SELECT stempel_id FROM kartenzuordnung_stempelung ORDER BY stempel_id"))
                .size(),
            2);

        // Deleting the chosen booking afterwards is harmless, also from a second
        // workstation finishing the same booking; nothing is booked twice.
        auto booking = factory_->openId(QStringLiteral("Quastel.NoPers"), ids.at(0));
        QVariantList id{ids.at(0)};
        booking->call(QStringLiteral("sys_deleteid"), id);
        booking->call(QStringLiteral("sys_deleteid"), id);
        booking->call(QStringLiteral("sys_close"));
        assign(QStringLiteral("1"), QStringLiteral("1001"), QStringLiteral(" 12 34 567"),
               QStringLiteral("1001"));
        QCOMPARE(listedBookingIds(), QStringList{ids.at(1)});
        QCOMPARE(db_.column(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NOT NULL"))
                     .value(0)
                     .toInt(),
                 2);
        QCOMPARE(
            db_.column(QStringLiteral("SELECT count(*) FROM kartenzuordnung")).value(0).toInt(), 2);
    }

    void cardChangesHandsOnlyFromTheHolderTheCallerSaw()
    {
        clearLedger();
        db_.exec(
            QStringLiteral("INSERT INTO stempelung (firma, karte, buchungstext) VALUES (?, ?, ?)"),
            {"1", "      4242", bookingText("4242", "202401310705")});
        actAs(QStringLiteral("1"), QStringLiteral("M]L"), QStringLiteral("geheim"));
        assign(QStringLiteral("1"), QStringLiteral("1001"), QStringLiteral("4242"),
               QStringLiteral(""));
        // A swipe made while the card was known is the holder's own.
        db_.withSession([](Session &session) {
            bookCard(session, QStringLiteral("1"), QStringLiteral("T1"), QStringLiteral("G"),
                     QStringLiteral("4242"), QStringLiteral("202401311600"));
        });

        // Who holds the card, as the program asks before assigning it.
        auto holder = factory_->openResultSet(QStringLiteral("Quastel.NoPers"),
                                              QStringLiteral("Karteninhaber"));
        holder->execute({QStringLiteral("1"), QStringLiteral("      4242")});
        QVERIFY(holder->next());
        QCOMPARE(holder->data(1).toString(), QStringLiteral("1001"));
        QCOMPARE(holder->data(2).toString(), QStringLiteral("Müller, Jürgen"));
        QCOMPARE(holder->data(3).toString(), QStringLiteral("MÜL"));
        QCOMPARE(holder->data(4).toString().size(), 14);
        QVERIFY(!holder->next());
        holder->execute({QStringLiteral("2"), QStringLiteral("4242")});
        QVERIFY2(!holder->next(), "another company's card is nobody's here");

        // Somebody else holds it than the caller saw (nobody): nothing changes.
        expectError(EngineError::CardHolderChanged, [&] {
            assign(QStringLiteral("1"), QStringLiteral("1002"), QStringLiteral("4242"),
                   QStringLiteral(""));
        });
        expectError(EngineError::CardHolderChanged, [&] {
            assign(QStringLiteral("1"), QStringLiteral("1002"), QStringLiteral("4242"),
                   QStringLiteral("1004"));
        });
        QCOMPARE(db_.column(QStringLiteral("SELECT pnr FROM karte WHERE karte = '      4242'")),
                 QVariantList{"1001"});
        QCOMPARE(
            db_.column(QStringLiteral("SELECT count(*) FROM kartenzuordnung")).value(0).toInt(), 1);

        // Confirmed against the holder seen: the card moves with the time that
        // came from its unassigned bookings; the holder's own swipe stays.
        assign(QStringLiteral("1"), QStringLiteral("1002"), QStringLiteral("4242"),
               QStringLiteral("1001"));
        QCOMPARE(db_.column(QStringLiteral("SELECT pnr FROM karte WHERE karte = '      4242'")),
                 QVariantList{"1002"});
        QCOMPARE(db_.column(QStringLiteral("SELECT pnr || ' ' || substr(buchungstext, 31, 12) FROM "
                                           "stempelung ORDER BY substr(buchungstext, 31, 12)")),
                 (QVariantList{"1002 202401310705", "1001 202401311600"}));
        QCOMPARE(
            db_.column(QStringLiteral(
                "SELECT pnr_vorher || '>' || pnr || ' ' || art || ' ' || b.umgebucht"
                " FROM kartenzuordnung z JOIN kartenzuordnung_stempelung b ON b.zuordnung_id = z.id"
                " ORDER BY z.id")),
            (QVariantList{">1001 Z 0", "1001>1002 W 1"}));

        // A caller that does not know the holder moves the card alone.
        assign(QStringLiteral("1"), QStringLiteral("1004"), QStringLiteral("4242"));
        QCOMPARE(db_.column(QStringLiteral(
                     "SELECT pnr FROM stempelung WHERE buchungstext LIKE '%202401310705'")),
                 QVariantList{"1002"});
        QCOMPARE(db_.column(QStringLiteral("SELECT pnr FROM karte WHERE karte = '      4242'")),
                 QVariantList{"1004"});
    }

    void listShowsTheContextCompanysBookingsOnly()
    {
        clearLedger();
        db_.exec(
            QStringLiteral(
                "INSERT INTO stempelung (firma, karte, buchungstext) VALUES (?, ?, ?), (?, ?, ?)"),
            {"1", "      1111", bookingText("1111"), "2", "      2222", bookingText("2222")});
        // A logged-in workstation sees its company's; what it claims of itself changes nothing.
        const QStringList own = listedBookingIds();
        QCOMPARE(own.size(), 1);
        xecute(QStringLiteral("S FIRMA=2,FIL=0,PERSONAL=\"XYZ\""));
        QCOMPARE(listedBookingIds(), own);
        actAs(QStringLiteral("2"), QStringLiteral("XYZ"), QStringLiteral("geheim"));
        const QStringList other = listedBookingIds();
        QCOMPARE(other.size(), 1);
        QVERIFY(other != own);
    }

    void aCompanysWorkstationChangesThatCompanysDataOnly()
    {
        clearLedger();
        db_.exec(
            QStringLiteral("INSERT INTO stempelung (firma, karte, buchungstext) VALUES (?, ?, ?)"),
            {"2", "      3333", bookingText("3333")});
        const QString other =
            db_.column(QStringLiteral("SELECT id FROM stempelung")).value(0).toString();
        actAs(QStringLiteral("1"), QStringLiteral("ABC"), QStringLiteral("geteilt"));
        expectError(EngineError::AssignmentRefused, [&] {
            assign(QStringLiteral("2"), QStringLiteral("2001"), QStringLiteral("3333"),
                   QStringLiteral(""));
        });
        auto booking = factory_->newObject(QStringLiteral("Quastel.NoPers"));
        QVariantList id{other};
        booking->call(QStringLiteral("sys_deleteid"), id);
        QCOMPARE(
            db_.column(QStringLiteral("SELECT count(*) FROM stempelung WHERE erledigt_am IS NULL"))
                .value(0)
                .toInt(),
            1);
        QCOMPARE(db_.column(QStringLiteral("SELECT count(*) FROM karte WHERE firma = '2'"))
                     .value(0)
                     .toInt(),
                 0);
        // Objects the program only reads are not written or deleted through the interface.
        auto login = factory_->openId(QStringLiteral("KV.ParPersEdv"), QStringLiteral("1||ABC"));
        login->setProperty(QStringLiteral("Aktiv"), QStringLiteral("N"));
        expectError(EngineError::UnknownMember, [&] { login->call(QStringLiteral("sys_save")); });
        QVariantList code{QStringLiteral("1||ABC")};
        expectError(EngineError::UnknownMember,
                    [&] { login->call(QStringLiteral("sys_deleteid"), code); });
        QCOMPARE(db_.column(QStringLiteral("SELECT aktiv FROM parpersedv WHERE code = 'ABC'")),
                 QVariantList{"J"});
    }

    void controlCharactersInCardsAreRefused()
    {
        for (const QString &card :
             {QStringLiteral("12\n34"), QStringLiteral("12\t34"), QStringLiteral("12\r")}) {
            expectError(EngineError::AssignmentRefused,
                        [&] { assign(QStringLiteral("1"), QStringLiteral("1001"), card); });
            db_.withSession([&](Session &session) {
                for (const auto &[terminal, swiped] : {std::pair{QStringLiteral("T1"), card},
                                                       std::pair{card, QStringLiteral("77")}}) {
                    try {
                        bookCard(session, QStringLiteral("1"), terminal, QStringLiteral("K"),
                                 swiped, bookingTime);
                        QFAIL("a swipe with a control character was booked");
                    } catch (const CacheError &error) {
                        QCOMPARE(error.number(), qint32(EngineError::InvalidValue));
                    }
                }
            });
        }
        QCOMPARE(db_.column(QStringLiteral("SELECT count(*) FROM karte WHERE karte LIKE '%34'"))
                     .value(0)
                     .toInt(),
                 0);
    }

    void aWrongAssignmentIsCorrectedByGroupAOnly()
    {
        clearLedger();
        const QString later =
            QDateTime::currentDateTime().addSecs(120).toString(QStringLiteral("yyyyMMddHHmm"));
        const auto swipe = [&](const QString &time) {
            db_.withSession([&](Session &session) {
                bookCard(session, QStringLiteral("1"), QStringLiteral("T1"), QStringLiteral("K"),
                         QStringLiteral("6060"), time);
            });
        };
        const auto correct = [&](const QVariant &id, const QString &employee) {
            auto log = factory_->newObject(QStringLiteral("Quastel.Kartenzuordnung"));
            QVariantList arguments{id, employee};
            log->call(QStringLiteral("korrigieren"), arguments);
        };
        const auto logged = [&](const QString &card, const QString &employee, const QString &day) {
            auto rows = factory_->openResultSet(QStringLiteral("Quastel.Kartenzuordnung"),
                                                QStringLiteral("Liste"));
            rows->execute({card, employee, day});
            QStringList entries;
            while (rows->next())
                entries << rows->data(4).toString() + '>' + rows->data(5).toString() + ' ' +
                               rows->data(7).toString() + ' ' + rows->data(8).toString() + ' ' +
                               rows->data(9).toString();
            return entries;
        };
        // Two unassigned swipes given to the wrong employee, then a swipe booked to him directly.
        swipe(QStringLiteral("202401310705"));
        swipe(QStringLiteral("202401311600"));
        actAs(QStringLiteral("1"), QStringLiteral("ABC"), QStringLiteral("geteilt"));
        assign(QStringLiteral("1"), QStringLiteral("1002"), QStringLiteral("6060"), QString(""));
        swipe(later);
        const QString wrong =
            db_.column(QStringLiteral("SELECT id FROM kartenzuordnung")).value(0).toString();

        // Group B may not; nothing changes.
        expectError(EngineError::CorrectionNotAllowed,
                    [&] { correct(wrong, QStringLiteral("1004")); });
        QCOMPARE(db_.column(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr = '1002'"))
                     .value(0)
                     .toInt(),
                 3);

        actAs(QStringLiteral("1"), QStringLiteral("M]L"), QStringLiteral("geheim"));
        expectError(EngineError::AssignmentRefused,
                    [&] { correct(wrong, QStringLiteral("1002")); }); // the same one
        expectError(EngineError::AssignmentRefused,
                    [&] { correct(wrong, QStringLiteral("9999")); }); // no such employee
        expectError(EngineError::AssignmentRefused,
                    [&] { correct(QStringLiteral("424242"), QStringLiteral("1004")); });
        expectError(EngineError::InvalidValue,
                    [&] { correct(QStringLiteral("x"), QStringLiteral("1004")); });
        correct(wrong, QStringLiteral("1004"));
        QCOMPARE(db_.column(QStringLiteral("SELECT pnr FROM karte WHERE karte = '      6060'")),
                 QVariantList{"1004"});
        QCOMPARE(db_.column(QStringLiteral(
                     "SELECT pnr FROM stempelung ORDER BY substr(buchungstext, 31, 12)")),
                 (QVariantList{"1004", "1004", "1004"}));
        // Appended, never changed: the wrong entry stays as it was.
        QCOMPARE(logged(QStringLiteral("6060"), QString(), QString()),
                 (QStringList{"1002>1004 K MÜL 3", ">1002 Z ABC 2"}));
        QCOMPARE(logged(QString(), QStringLiteral("1004"), QString()),
                 QStringList{"1002>1004 K MÜL 3"});
        QCOMPARE(
            logged(QString(), QString(), QDate::currentDate().toString(QStringLiteral("yyyyMMdd")))
                .size(),
            2);
        QCOMPARE(logged(QString(), QString(), QStringLiteral("20000101")), QStringList());

        // A stale view: the wrong entry is no longer the card's last.
        expectError(EngineError::AssignmentRefused,
                    [&] { correct(wrong, QStringLiteral("1001")); });
        QCOMPARE(db_.column(QStringLiteral("SELECT pnr FROM karte WHERE karte = '      6060'")),
                 QVariantList{"1004"});
        // Another company's workstation does not see the entries.
        actAs(QStringLiteral("2"), QStringLiteral("XYZ"), QStringLiteral("geheim"));
        QCOMPARE(logged(QString(), QString(), QString()), QStringList());
    }

    void aClocksBranchIsKeptInTheBookingText()
    {
        clearLedger();
        db_.withSession([](Session &session) {
            bookCard(session, QStringLiteral("1"), QStringLiteral("FIL02T1"), QStringLiteral("G"),
                     QStringLiteral("77"), bookingTime, QStringLiteral(" 2 "));
            try {
                bookCard(session, QStringLiteral("1"), QStringLiteral("T1"), QStringLiteral("K"),
                         QStringLiteral("77"), bookingTime, QStringLiteral("12345"));
                QFAIL("a branch wider than its field was booked");
            } catch (const CacheError &error) {
                QCOMPARE(error.number(), qint32(EngineError::InvalidValue));
            }
        });
        QCOMPARE(db_.column(QStringLiteral("SELECT buchungstext FROM stempelung")),
                 QVariantList{QStringLiteral("FIL02T1  G2                 77") + bookingTime});
    }

    // A burst of swipes is told in a few notices, each with the company's
    // count, and its last swipe is told once its writer is done: 50 ms apart
    // while the connection waits with an empty list, a second apart while it
    // lists rows. Bookings of another company are not this connection's.
    void newBookingsAreToldOncePerIntervalWithTheirCount()
    {
        if (db_.kind() != EngineKind::Postgres)
            QSKIP("SQLite tells of no new bookings");
        QVector<NewBookingsNotice> told;
        factory_->setNewBookingsListener([&told](const NewBookingsNotice &notice) { told << notice; });
        xecute(QStringLiteral("S FIRMA=1"));
        QVERIFY(factory_->tellsOfNewBookings());
        db_.exec(QStringLiteral("UPDATE stempelung SET erledigt_am = '20240101000000' WHERE pnr IS NULL"));
        const auto listRows = [this] {
            std::unique_ptr<ResultSet> rows = factory_->openResultSet(QStringLiteral("Quastel.NoPers"),
                                                                      QStringLiteral("Liste"));
            rows->execute();
            qint64 counter = -1;
            while (rows->next())
                counter = rows->data(3).toLongLong();
            rows->close();
            return counter;
        };
        QCOMPARE(listRows(), qint64(-1)); // empty: the connection waits
        const qint64 counted = db_.column(QStringLiteral("SELECT intern.buchungsstand('1')")).value(0).toLongLong();
        int swipe = 0;
        const auto book = [&swipe](Session &session, const QString &company) {
            return bookCard(session, company, QStringLiteral("FIL01T1"), QStringLiteral("K"),
                            QString::number(900000 + ++swipe), QStringLiteral("202401310705"))
                .id;
        };

        // One transaction: one notice.
        qint64 newest = 0;
        db_.withSession([&](Session &session) {
            session.transaction([&] {
                for (int i = 0; i < 1000; ++i)
                    newest = book(session, QStringLiteral("1"));
                book(session, QStringLiteral("2"));
            });
        });
        QTRY_COMPARE(told.size(), 1);
        QCOMPARE(told.last().counter, counted + 1000);
        QCOMPARE(told.last().newestId, newest);

        struct Burst
        {
            bool rowsListed;
            int intervalMs;
        };
        for (const Burst &burst : {Burst{false, 50}, Burst{true, 1000}}) {
            if (burst.rowsListed)
                QCOMPARE(listRows(), counted + 2000); // rows listed: nobody waits
            told.clear();
            QElapsedTimer took;
            took.start();
            db_.withSession([&](Session &session) {
                for (int i = 0; i < 1000; ++i)
                    session.transaction([&] { newest = book(session, QStringLiteral("1")); });
                tellOfPendingBookings(session);
            });
            const qint64 milliseconds = took.elapsed();
            QTRY_VERIFY(!told.isEmpty() && told.last().newestId == newest);
            QCOMPARE(told.last().counter, counted + (burst.rowsListed ? 3000 : 2000));
            QVERIFY2(told.size() <= milliseconds / burst.intervalMs + 2,
                     qPrintable(QStringLiteral("%1 notices in %2 ms").arg(told.size()).arg(milliseconds)));
        }
        factory_->setNewBookingsListener(nullptr);
        db_.exec(QStringLiteral("DELETE FROM stempelung WHERE karte LIKE '9%'"));
    }

    void aDatabaseFileOfTheFirstReleaseKeepsEveryRow()
    {
        if (db_.kind() != EngineKind::Sqlite)
            QSKIP("a database file is the embedded engine's");
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("release108.sqlite"));
        QVERIFY(QFile::copy(QStringLiteral(KARVEN_TEST_DATA "/release-1.0.8.sqlite"), file));
        QFile(file).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        const QByteArray dataDir = qgetenv("KARVEN_DATA_DIR");
        qputenv("KARVEN_DATA_DIR", folder.path().toUtf8());
        SqlFactory factory(EngineKind::Sqlite);
        const bool connected =
            factory.connect(QStringLiteral("cn_iptcp:localhost[1972]:RELEASE108"));
        qputenv("KARVEN_DATA_DIR", dataDir);
        QVERIFY2(connected, qPrintable(factory.lastConnectError()));

        const auto count = [&](const QString &query, const QVariantList &parameters = {}) {
            auto rows = factory.openResultSet(QStringLiteral("Quastel.NoPers"), query);
            rows->execute(parameters);
            int n = 0;
            while (rows->next())
                ++n;
            return n;
        };
        // Of the seven bookings, one was assigned and one booked along with it:
        // five are unassigned, one of them company 2's.
        QCOMPARE(count(QStringLiteral("Liste")), 5);
        QVariantList context{QStringLiteral("S FIRMA=1,FIL=0,PERSONAL=\"ADM\"")};
        factory.newObject(QStringLiteral("KV.Windows"))->call(QStringLiteral("Xecute"), context);
        QCOMPARE(count(QStringLiteral("Liste")), 4);
        QCOMPARE(
            count(QStringLiteral("Karteninhaber"), {QStringLiteral("1"), QStringLiteral("815")}),
            1);
        auto employees =
            factory.openResultSet(QStringLiteral("KV.PersBasis"), QStringLiteral("ListeAktiv"));
        employees->execute({QStringLiteral("1")});
        QVERIFY(employees->next());
        employees.reset();
        factory.disconnect();

        // A database of a newer program is left alone.
        {
            QSqlDatabase raw =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
            raw.setDatabaseName(file);
            QVERIFY(raw.open());
            QVERIFY(QSqlQuery(raw).exec(QStringLiteral("UPDATE schemaversion SET version = 99")));
            raw.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("raw"));
        qputenv("KARVEN_DATA_DIR", folder.path().toUtf8());
        QVERIFY(!factory.connect(QStringLiteral("cn_iptcp:localhost[1972]:RELEASE108")));
        qputenv("KARVEN_DATA_DIR", dataDir);
        QVERIFY2(factory.lastConnectError().contains(QStringLiteral("Version 99")),
                 qPrintable(factory.lastConnectError()));
    }

    // The last release kept swipes in two tables and stored some twice: a
    // time clock's repeated call, and company "01" as a company of its own.
    void aDatabaseFileOfTheLastReleaseKeepsEveryRowAndItsCopies()
    {
        if (db_.kind() != EngineKind::Sqlite)
            QSKIP("a database file is the embedded engine's");
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("release110.sqlite"));
        QVERIFY(QFile::copy(QStringLiteral(KARVEN_TEST_DATA "/release-1.1.0.sqlite"), file));
        QFile(file).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        Session upgraded(file);
        QVERIFY2(upgraded.open(), qPrintable(upgraded.lastError()));
        const auto texts = [&](const QString &sql) {
            QStringList values;
            QSqlQuery rows = upgraded.exec(sql);
            while (rows.next())
                values << rows.value(0).toString();
            return values;
        };
        // Nine unassigned bookings under their ids, eight time bookings of
        // their own above them; the repeated call set aside as a copy.
        QCOMPARE(texts(QStringLiteral("SELECT count(*) FROM stempelung")), QStringList{"17"});
        QCOMPARE(texts(QStringLiteral(
                     "SELECT id || ' ' || firma || ' ' || COALESCE(pnr, '-') FROM stempelung"
                     " WHERE id IN (7, 8, 9, 18, 19) ORDER BY id")),
                 (QStringList{"7 1 -", "8 1 1004", "9 1 1004", "18 1 1005", "19 1 1005"}));
        QCOMPARE(
            texts(QStringLiteral(
                "SELECT id || '>' || doppelt_von FROM stempelung WHERE doppelt_von IS NOT NULL")),
            QStringList{"19>18"});
        QCOMPARE(texts(QStringLiteral("SELECT count(*) FROM (SELECT * FROM stempelung WHERE pnr = "
                                      "'1005' AND doppelt_von IS NULL) t")),
                 QStringList{"1"});
        const LedgerFindings findings = checkLedger(upgraded);
        QCOMPARE(findings.violations, QStringList());
        QVERIFY2(findings.notes.join(QLatin1Char('\n'))
                     .contains(QStringLiteral("Buchung 19 ist eine Kopie von Buchung 18")),
                 qPrintable(findings.notes.join(QLatin1Char('\n'))));
        // The card's assignment in force is known: a correction takes the time along.
        QCOMPARE(texts(QStringLiteral("SELECT zuordnung_id FROM karte WHERE trim(karte) = '88'")),
                 QStringList{"2"});
        QCOMPARE(
            texts(QStringLiteral("SELECT max(zuordnung_id) FROM stempelung WHERE pnr = '1005'")),
            QStringList{"2"});
        // Its users log in with the passwords they had, which are no longer kept as typed.
        const auto logIn = [&](const QString &code, const QString &password) {
            return logInOnSession(upgraded, {QStringLiteral("1"), QStringLiteral("0"), code,
                                             PasswordSecret::derive(password)})
                .status;
        };
        QCOMPARE(logIn(QStringLiteral("M]L"), QStringLiteral("juergen")), LoginAnswer::Status::LoggedIn);
        QCOMPARE(logIn(QStringLiteral("ADM"), QStringLiteral("karven")), LoginAnswer::Status::LoggedIn);
        QCOMPARE(logIn(QStringLiteral("ADM"), QStringLiteral("juergen")), LoginAnswer::Status::Rejected);
        QCOMPARE(texts(QStringLiteral("SELECT count(*) FROM parpersedv WHERE passwort IN ('karven', 'juergen')")),
                 QStringList{"0"});
    }

    void cardAssignmentRefusesBadInput_data()
    {
        QTest::addColumn<QString>("employee");
        QTest::addColumn<QString>("card");
        QTest::newRow("no employee chosen") << ""
                                            << "    999999";
        QTest::newRow("unknown employee") << "4711"
                                          << "    999999";
        QTest::newRow("employee of another company") << "2001"
                                                     << "    999999";
        QTest::newRow("inactive employee") << "1003"
                                           << "    999999";
        QTest::newRow("empty card") << "1001"
                                    << "          ";
        QTest::newRow("card too long") << "1001"
                                       << "12345678901";
    }

    void cardAssignmentRefusesBadInput()
    {
        QFETCH(QString, employee);
        QFETCH(QString, card);
        const int before =
            db_.column(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NOT NULL"))
                .value(0)
                .toInt();
        expectError(EngineError::AssignmentRefused,
                    [&] { assign(QStringLiteral("1"), employee, card); });
        QCOMPARE(db_.column(QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NOT NULL"))
                     .value(0)
                     .toInt(),
                 before);
        expectError(EngineError::WrongArguments, [&] {
            auto noPers = factory_->newObject(QStringLiteral("Quastel.NoPers"));
            QVariantList two{QStringLiteral("1"), employee};
            noPers->call(QStringLiteral("setkarte"), two);
        });
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "test_engine.moc"
