// Connecting with retries, the access bracket, the idle disconnect, the error
// report and server commands, against a real engine database.

#include "cacheapi/cacheapi.h"
#include "cacheapi/objects/passwordsecret.h"
#include "engine/engineerrors.h"
#include "tests/support/enginefixture.h"
#include "tests/support/fakeports.h"
#include "tests/support/flakyfactory.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using Field = ServerListPort::Field;
using Icon = UserInterfacePort::Icon;

namespace {
const QString warning = QStringLiteral("Server nach 3 Versuchen nicht erreichbar!\r\nBitte Kontrollieren "
                                       "Sie die Verbindungsdaten");
const QString critical = QStringLiteral("Der Server ist nicht erreichbar!\r\nBitte Versuchen Sie die "
                                        "Anmeldung zu einem späteren Zeitpunk noch ein mal.");
} // namespace

class TestConnection : public QObject
{
    Q_OBJECT

private:
    EngineFixture db_;
    std::unique_ptr<FakeWindows> windows_;
    ConnectionScript script_;

private Q_SLOTS:
    void initTestCase()
    {
        KARVEN_SET_UP_ENGINE_OR_SKIP(db_, QStringLiteral("CONNTEST"));
        db_.exec(QStringLiteral("INSERT INTO globale (name, subscripts, value) VALUES ('FA', '0', 'KARVEN`2025`1')"));
        db_.exec(QStringLiteral("INSERT INTO parpersedv (firma, code, passwort, aktiv, pname)"
                                " VALUES ('1', 'M]L', ?, 'J', 'M}ller')"),
                 {PasswordSecret::derive(QStringLiteral("geheim"))});
    }

    void cleanupTestCase() { db_.tearDown(); }

    void init()
    {
        windows_ = std::make_unique<FakeWindows>();
        script_ = ConnectionScript();
        registerFlakyFactory(script_);
        db_.pointConnectionRecordHere();
    }

    void cleanup()
    {
        Trennen();
        windows_.reset();
    }

    void connectedFactoryMakesNoAttempt()
    {
        Verbinden();
        QCOMPARE(script_.attempts, 1);
        ZugriffBeginn(false);
        ZugriffEnde(false);
        QCOMPARE(script_.attempts, 1);
        QVERIFY(windows_->ui.messages.isEmpty());
    }

    void everyNewConnectionGetsTheServerContext()
    {
        Verbinden();
        // Before anybody logged in, everything is empty; empty values go in as
        // empty literals, since a bare "FIRMA=," would be a syntax error.
        QCOMPARE(script_.commands,
                 (QStringList{QStringLiteral("S FIRMA=\"\",FIL=\"\",PERSONAL=\"\""),
                              QStringLiteral("D ^%XTT")}));
        Trennen();
        Verbindung.Firma = QStringLiteral("1");
        Verbindung.Filiale = QStringLiteral("0");
        Verbindung.Personal = QStringLiteral("ADM");
        ZugriffBeginn(false);
        ZugriffEnde(false);
        QCOMPARE(script_.commands.mid(2),
                 (QStringList{QStringLiteral("S FIRMA=1,FIL=0,PERSONAL=\"ADM\""), QStringLiteral("D ^%XTT")}));
    }

    void contextCommandCannotBeInjected_data()
    {
        QTest::addColumn<QString>("firma");
        QTest::addColumn<QString>("filiale");
        QTest::addColumn<QString>("personal");
        QTest::newRow("quotes in the code") << "1" << "0" << "X\",KILL ^FA,Y=\"";
        QTest::newRow("commands in the company") << "1 K ^FA" << "0" << "ADM";
        QTest::newRow("quotes in the branch") << "1" << "0\",PERSONAL=\"ROOT" << "ADM";
        QTest::newRow("umlauts and blanks") << "1" << "0" << "Jö ß";
    }

    void contextCommandCannotBeInjected()
    {
        QFETCH(QString, firma);
        QFETCH(QString, filiale);
        QFETCH(QString, personal);
        Verbindung.Firma = firma;
        Verbindung.Filiale = filiale;
        Verbindung.Personal = personal;
        Verbinden();
        bool failed = false;
        QCOMPARE(dbcall(QStringLiteral("W FIRMA,\"|\",FIL,\"|\",PERSONAL"), failed),
                 firma + QLatin1Char('|') + filiale + QLatin1Char('|') + personal);
        QVERIFY(!failed);
        QCOMPARE(dbcall(QStringLiteral("W ^FA(0)"), failed), QStringLiteral("KARVEN`2025`1"));
    }

    void oneFailureWaitsOnePauseWithANoticeOnly()
    {
        script_.failuresLeft = 1;
        Verbinden();
        QCOMPARE(script_.attempts, 2);
        QVERIFY(windows_->ui.messages.isEmpty());
        QCOMPARE(windows_->serverList.modalShows, 0);
        QCOMPARE(windows_->ui.waitNotices.size(), 1);
        QVERIFY(!windows_->ui.waitNoticeShown);
        QVERIFY(Verbindung.CacheFactory->isConnected());
    }

    void threeFailuresWarnThenOfferTheServerList()
    {
        script_.failuresLeft = 3;
        int attemptsWhenListShown = -1;
        windows_->serverList.whileShownModally = [&] { attemptsWhenListShown = script_.attempts; };
        QElapsedTimer clock;
        clock.start();
        Verbinden();
        QVERIFY2(clock.elapsed() < 1000, "waits must follow the scaled time");
        QCOMPARE(windows_->ui.messages.size(), 1);
        QCOMPARE(windows_->ui.messages[0].text, warning);
        QCOMPARE(windows_->ui.messages[0].icon, Icon::Exclamation);
        QCOMPARE(windows_->ui.messages[0].title, QStringLiteral("Anmeldung an Caché"));
        QCOMPARE(attemptsWhenListShown, 3);
        QCOMPARE(script_.attempts, 4);
        QVERIFY(Verbindung.CacheFactory->isConnected());
    }

    void theServerListCanCorrectTheConnectionString()
    {
        const QString good = Verbindung.ConnString;
        Verbindung.ConnString = QStringLiteral("cn_iptcp:[]:");
        windows_->serverList.whileShownModally = [&] { Verbindung.ConnString = good; };
        Verbinden();
        QCOMPARE(script_.connectionStrings.last(), good);
        QCOMPARE(script_.attempts, 4);
        // The wait says what the server answered.
        QVERIFY2(windows_->ui.waitNotices.value(0).contains(
                     QStringLiteral("Ungültige Verbindungszeichenfolge")),
                 qPrintable(windows_->ui.waitNotices.value(0)));
    }

    void sixFailuresEndTheProgram()
    {
        script_.failuresLeft = 6;
        Verbindung.BenutzerText = QStringLiteral("ADM|Admin");
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, Verbinden());
        QCOMPARE(script_.attempts, 6);
        QCOMPARE(windows_->ui.messages.size(), 2);
        QCOMPARE(windows_->ui.messages[1].text, critical);
        QCOMPARE(windows_->ui.messages[1].icon, Icon::Critical);
        QCOMPARE(windows_->ui.messages[1].title, QStringLiteral("Anmeldung an Caché"));
        QCOMPARE(windows_->serverList.hides, 1);
        QVERIFY(Verbindung.BenutzerText.isEmpty());
        QCOMPARE(windows_->ui.endProgramCalls, 1);
    }

    void everyPauseIsExplainedAndNoBoxHidesBehindTheNotice()
    {
        script_.failuresLeft = 6;
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, Verbinden());
        const QRegularExpression notice(QStringLiteral(
            "^Anmeldung an Caché\\|Keine Verbindung zum Server \\(Versuch (\\d) von 6\\)\\.\r\n"
            "vom Test abgewiesen\r\nNächster Versuch um \\d\\d:\\d\\d:\\d\\d\\.$"));
        QStringList attempts;
        for (const QString &text : windows_->ui.waitNotices) {
            const QRegularExpressionMatch match = notice.match(text);
            QVERIFY2(match.hasMatch(), qPrintable(text));
            attempts << match.captured(1);
        }
        // No pause after the third and the sixth attempt: a box follows at once.
        QCOMPARE(attempts, (QStringList{"1", "2", "4", "5"}));
        QCOMPARE(windows_->ui.messages.size(), 2);
        QVERIFY(!windows_->ui.messages[0].overWaitNotice);
        QVERIFY(!windows_->ui.messages[1].overWaitNotice);
        QVERIFY(!windows_->ui.waitNoticeShown);
    }

    void bracketsNestAndStartTheIdleTimerAtZero()
    {
        ZugriffBeginn(false);
        ZugriffBeginn(false);
        QCOMPARE(Verbindung.ZugriffZaehler, 2);
        ZugriffEnde(false);
        QVERIFY(!windows_->serverList.lockTimer.isActive());
        ZugriffEnde(false);
        QVERIFY(windows_->serverList.lockTimer.isActive());
        QCOMPARE(Verbindung.ZugriffZaehler, 0);
        // An end after Trennen counts below zero and still starts the timer.
        ZugriffBeginn(false);
        Trennen();
        QCOMPARE(Verbindung.ZugriffZaehler, 0);
        QVERIFY(!windows_->serverList.lockTimer.isActive());
        ZugriffEnde(false);
        QCOMPARE(Verbindung.ZugriffZaehler, -1);
        QVERIFY(windows_->serverList.lockTimer.isActive());
    }

    void idleConnectionIsClosedAndReopenedOnNextAccess()
    {
        ZugriffBeginn(false);
        ZugriffEnde(false);
        QVERIFY(Verbindung.CacheFactory->isConnected());
        QTRY_VERIFY_WITH_TIMEOUT(!Verbindung.CacheFactory->isConnected(), 2000);
        QVERIFY(!windows_->serverList.lockTimer.isActive());
        ZugriffBeginn(false);
        QVERIFY(Verbindung.CacheFactory->isConnected());
        QCOMPARE(script_.attempts, 2);
        ZugriffEnde(false);
    }

    void disconnectAskedForDuringAnAccessWaitsForItsEnd_data()
    {
        QTest::addColumn<bool>("whileConnecting");
        QTest::newRow("in an open bracket") << false;
        QTest::newRow("in a pause between attempts") << true;
    }

    void disconnectAskedForDuringAnAccessWaitsForItsEnd()
    {
        QFETCH(bool, whileConnecting);
        // Idle: at once.
        ZugriffBeginn(false);
        ZugriffEnde(false);
        disconnectWhenAccessEnds();
        QVERIFY(!Verbindung.CacheFactory->isConnected());

        bool connectedWhenAsked = true;
        const auto ask = [&] {
            disconnectWhenAccessEnds();
            connectedWhenAsked = Verbindung.CacheFactory->isConnected();
        };
        script_.failuresLeft = whileConnecting ? 1 : 0;
        if (whileConnecting)
            QTimer::singleShot(0, ask);
        ZugriffBeginn(false);
        ZugriffBeginn(false);
        if (!whileConnecting)
            ask();
        QCOMPARE(connectedWhenAsked, !whileConnecting);
        // The access goes on with its connection and its count.
        QVERIFY(Verbindung.CacheFactory->isConnected());
        QCOMPARE(Verbindung.ZugriffZaehler, 2);
        ZugriffEnde(false);
        QVERIFY(Verbindung.CacheFactory->isConnected());
        ZugriffEnde(false);
        QVERIFY(!Verbindung.CacheFactory->isConnected());
        QVERIFY(!windows_->serverList.lockTimer.isActive());
        // Asked for once, done once: the next access keeps its connection.
        ZugriffBeginn(false);
        ZugriffEnde(false);
        QVERIFY(Verbindung.CacheFactory->isConnected());
    }

    void trennenWithoutFactoryIsHarmless()
    {
        QVERIFY(!Verbindung.CacheFactory);
        Trennen();
        QCOMPARE(Verbindung.ZugriffZaehler, 0);
    }

    void errorReportShowsRecordsAndClosesOneBracket_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        QTest::newRow("usual") << 5104 << "Objekt fehlt" << "cacheapi.user_anmeld Abteilungsermittlung"
                               << "Vorgang: cacheapi.user_anmeld Abteilungsermittlung.\r\n\r\nFehler: 5104\r\nObjekt fehlt\r\n\r\n"
                               << "cacheapi.CacheFehlermeldung;cacheapi.user_anmeld Abteilungsermittlung;Fehler #5104 Objekt fehlt";
        QTest::newRow("empty description") << -7 << "" << "X"
                                           << "Vorgang: X.\r\n\r\nFehler: -7\r\n\r\n\r\n"
                                           << "cacheapi.CacheFehlermeldung;X;Fehler #-7 ";
        QTest::newRow("empty operation") << 0 << "d" << ""
                                         << "Vorgang: .\r\n\r\nFehler: 0\r\nd\r\n\r\n"
                                         << "cacheapi.CacheFehlermeldung;;Fehler #0 d";
    }

    void errorReportShowsRecordsAndClosesOneBracket()
    {
        QFETCH(int, number);
        QFETCH(QString, description);
        QFETCH(QString, operation);
        QFETCH(QString, text);
        QFETCH(QString, line);
        ZugriffBeginn(false);
        ZugriffBeginn(false);
        windows_->ui.setWaitCursor(true);
        CacheFehlermeldung(CacheError(number, description), operation);
        QCOMPARE(windows_->ui.messages.size(), 1);
        QCOMPARE(windows_->ui.messages[0].text, text);
        QCOMPARE(windows_->ui.messages[0].icon, Icon::Exclamation);
        QCOMPARE(windows_->ui.messages[0].title, QStringLiteral("Caché Zugriffsfehler"));
        QCOMPARE(windows_->history.lines, QStringList{line});
        QCOMPARE(Verbindung.ZugriffZaehler, 1);
        QVERIFY2(!windows_->ui.waitCursor, "the report sets the normal cursor back");
        CacheFehlermeldung(CacheError(number, description), operation);
        QCOMPARE(Verbindung.ZugriffZaehler, 0);
        QVERIFY(windows_->serverList.lockTimer.isActive());
    }

    void dbcallAnswersOrReportsTheCommand()
    {
        bool failed = false;
        QCOMPARE(dbcall(QStringLiteral("S P0=$P(^FA(0),\"`\",2) W P0"), failed), QStringLiteral("2025"));
        QVERIFY(!failed);
        QCOMPARE(dbcall(QStringLiteral("S X=1"), failed), QString());
        QVERIFY2(!failed, "a command without answer is no failure");
        QCOMPARE(Verbindung.ZugriffZaehler, 0);

        QCOMPARE(dbcall(QStringLiteral("K ^FA"), failed), QString());
        QVERIFY(failed);
        QCOMPARE(windows_->ui.messages.size(), 1);
        QVERIFY(windows_->ui.messages[0].text.startsWith(
            QStringLiteral("Vorgang: cacheapi.dbcall Ungültige Anfrage! Kein Ergebnis gefunden\r\n\r\n"
                           "DBCall Aufruf von KV.Windwos Xecute K ^FA.\r\n\r\nFehler: 5201\r\n")));
        QCOMPARE(Verbindung.ZugriffZaehler, 0);
    }

    void settingsDefaultsAndQuestions()
    {
        windows_->ui.inputAnswers = {db_.target().host, QString::number(db_.target().port)};
        SettingsStore::write(LoginSetting::Namespace, db_.target().nameSpace);
        SettingsStore::write(LoginSetting::Name, QStringLiteral("ADM"));
        EinstellungenLesen(false);
        QCOMPARE(windows_->ui.inputPrompts,
                 (QStringList{QStringLiteral("Anmeldung|IP/Name Standard-Server:"),
                              QStringLiteral("Anmeldung|Standard-Port:")}));
        QVERIFY(windows_->loginDialog.keinDefaultEintrag);
        QCOMPARE(Verbindung.Firma, QStringLiteral("1"));
        QCOMPARE(Verbindung.Filiale, QStringLiteral("0"));
        QCOMPARE(Verbindung.WJ, QStringLiteral("2025"));
        QCOMPARE(Verbindung.Personal, QStringLiteral("ADM"));
        QCOMPARE(windows_->serverList.fields.value(Field::BWJ), QStringLiteral("2025"));
        QCOMPARE(windows_->loginDialog.user, QStringLiteral("ADM"));
        // The answers are not stored.
        QCOMPARE(SettingsStore::read(LoginSetting::Server), QString());
    }

    void cancelledServerQuestionGivesAnEmptyServer()
    {
        windows_->ui.inputAnswers = {QString(), QStringLiteral("1")};
        windows_->serverList.whileShownModally = [] {};
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, EinstellungenLesen(true));
        QVERIFY(Verbindung.ConnString.startsWith(QStringLiteral("cn_iptcp:[")));
        QCOMPARE(Verbindung.Namespace, QStringLiteral("KARVEN"));
    }

    void garbageSettingsEndInTheConnectMessages_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("port");
        QTest::newRow("port not a number") << "localhost" << "abc";
        QTest::newRow("huge server name") << QString(200000, QLatin1Char('x')) << "1973";
        QTest::newRow("control characters") << QStringLiteral("a\x01b[]") << "19\n73";
    }

    void garbageSettingsEndInTheConnectMessages()
    {
        QFETCH(QString, server);
        QFETCH(QString, port);
        SettingsStore::write(LoginSetting::Server, server);
        SettingsStore::write(LoginSetting::Port, port);
        SettingsStore::write(LoginSetting::Firma, QString(100000, QLatin1Char('9')));
        SettingsStore::write(LoginSetting::Namespace, db_.target().nameSpace);
        // The embedded engine has no server to look up, so a long name still
        // connects there; everything else ends in the two connect messages.
        try {
            EinstellungenLesen(true);
            QVERIFY(Verbindung.CacheFactory->isConnected());
            QVERIFY(windows_->ui.messages.isEmpty());
        } catch (const ProgramEnded &) {
            QCOMPARE(script_.attempts, 6);
            QCOMPARE(windows_->ui.messages.size(), 2);
            QCOMPARE(windows_->ui.messages[0].text, warning);
            QCOMPARE(windows_->ui.messages[1].text, critical);
        }
    }

    void dialogDataFindTheUserByPassword()
    {
        windows_->serverList.fields = {{Field::BFIRMA, QStringLiteral("1")},
                                       {Field::BFIL, QStringLiteral("2")},
                                       {Field::BSERVERIP, db_.target().host},
                                       {Field::BPORT, QString::number(db_.target().port)},
                                       {Field::BNAMESPACE, db_.target().nameSpace},
                                       {Field::BWJ, QStringLiteral("2024")}};
        windows_->loginDialog.password = QStringLiteral("geheim");
        windows_->loginDialog.user = QStringLiteral("NOT");
        Verbindung.ServerObjekt = QStringLiteral("3");
        windows_->serverList.currentId = 255;
        DialogdatenUebernehmen();
        QCOMPARE(Verbindung.ServerObjekt, QStringLiteral("3"));
        QCOMPARE(Verbindung.Personal, QStringLiteral("MÜL"));
        QCOMPARE(Verbindung.Filiale, QStringLiteral("2"));
        QCOMPARE(Verbindung.ConnString, db_.connectionString());
        windows_->serverList.currentId = 7;
        windows_->loginDialog.password = QStringLiteral("falsch");
        DialogdatenUebernehmen();
        QCOMPARE(Verbindung.ServerObjekt, QStringLiteral("7"));
        QCOMPARE(Verbindung.Personal, QString());
        QCOMPARE(Verbindung.ZugriffZaehler, 0);
    }
};

QTEST_MAIN(TestConnection)
#include "test_connection.moc"
