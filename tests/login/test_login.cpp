// Logging in against the demo data: the login procedure, the user lookup by
// password and the login dialog.

#include "cacheapi/cacheapi.h"
#include "cacheapi/objects/passwordsecret.h"
#include "login/fmpass.h"
#include "login/logindialogwindow.h"
#include "login/user_anmeld.h"
#include "tests/support/enginefixture.h"
#include "tests/support/fakeports.h"
#include "tests/support/flakyfactory.h"
#include "tools/demodata.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using Icon = UserInterfacePort::Icon;

class TestLogin : public QObject
{
    Q_OBJECT

private:
    EngineFixture db_;
    std::unique_ptr<FakeWindows> fakes_;
    ConnectionScript script_;

    // Logs in with a command line, as the main window's start-up does.
    bool logInWith(const QString &code, const QString &password)
    {
        fakes_->ui.arguments = db_.commandLine(code, password);
        Verbindung.Kommandozeile = fakes_->ui.arguments;
        Verbindung.Neuanmeldung = true;
        return user_anmeld();
    }

    QString serverSays(const QString &command)
    {
        bool failed = false;
        return dbcall(command, failed);
    }

    void expectFailedStep(const QString &label)
    {
        QCOMPARE(fakes_->ui.messages.size(), 1);
        QVERIFY2(fakes_->ui.messages[0].text.startsWith(QStringLiteral("Vorgang: cacheapi.user_anmeld ") + label + QLatin1Char('.')),
                 qPrintable(fakes_->ui.messages[0].text));
        QVERIFY(Verbindung.AnmeldungFehlgeschlagen);
        QVERIFY(Verbindung.Neuanmeldung);
        QCOMPARE(Verbindung.ZugriffZaehler, 0);
        QCOMPARE(fakes_->loginDialog.hides, 0);
    }

private Q_SLOTS:
    void initTestCase()
    {
        KARVEN_SET_UP_ENGINE_OR_SKIP(db_, QStringLiteral("LOGINTEST"));
    }

    void cleanupTestCase() { db_.tearDown(); }

    void init()
    {
        db_.withSession(seedDemoData);
        db_.forgetFailedLogins();
        fakes_ = std::make_unique<FakeWindows>();
        script_ = ConnectionScript();
        registerFlakyFactory(script_);
        resetLoginCommandLine();
    }

    void cleanup()
    {
        Trennen();
        fakes_.reset();
    }

    void successfulLoginFillsTheRecord()
    {
        QVERIFY(logInWith(QStringLiteral("adm"), DemoLogin::password));
        const QString name = Umwandeln(db_.column(QStringLiteral("SELECT pname FROM parpersedv WHERE firma = '1' AND code = 'ADM'")).value(0).toString(),
                                       QStringLiteral("KARVEN"), false);
        QVERIFY(!name.isEmpty());
        QCOMPARE(Verbindung.BenutzerText, QStringLiteral("adm|") + name);
        QCOMPARE(Verbindung.Benutzer.PName, name);
        QCOMPARE(Verbindung.Benutzer.PNr, QStringLiteral("1001"));
        QCOMPARE(Verbindung.Benutzer.AbtNr, QStringLiteral("10"));
        QCOMPARE(Verbindung.Benutzer.AbtBez, QStringLiteral("Verwaltung"));
        QCOMPARE(Verbindung.Benutzer.DW, QStringLiteral("100"));
        QCOMPARE(Verbindung.Benutzer.BerGrp, QStringLiteral("A"));
        QVERIFY(!Verbindung.AnmeldungFehlgeschlagen);
        QVERIFY(fakes_->ui.messages.isEmpty());
        QCOMPARE(Verbindung.ZugriffZaehler, 0);
        QVERIFY(fakes_->loginDialog.hides > 0);
        QVERIFY(fakes_->serverList.hides > 0);
        // The server context carries the code as it was typed.
        QCOMPARE(serverSays(QStringLiteral("W PERSONAL")), QStringLiteral("adm"));
        QCOMPARE(serverSays(QStringLiteral("W FIRMA,\"/\",FIL")), QStringLiteral("1/0"));
    }

    void codesWithUmlautsFindTheirStoredRecord()
    {
        QVERIFY(logInWith(QStringLiteral("mül"), QStringLiteral("juergen")));
        QVERIFY(Verbindung.BenutzerText.startsWith(QStringLiteral("mül|")));
        db_.exec(QStringLiteral("INSERT INTO parpersedv (firma, code, passwort, aktiv, pname, pnr, abtnr)"
                                " VALUES ('1', '~õA', ?, 'J', 'Stra~e', '1004', '20')"),
                 {PasswordSecret::derive(QStringLiteral("p§"))});
        QVERIFY(logInWith(QStringLiteral("ß§a"), QStringLiteral("p§")));
        QCOMPARE(Verbindung.BenutzerText, QStringLiteral("ß§a|Straße"));
        QCOMPARE(serverSays(QStringLiteral("W PERSONAL")), QStringLiteral("ß§a"));
    }

    void rejectedLogins_data()
    {
        QTest::addColumn<QString>("aktiv");
        QTest::addColumn<QString>("password");
        QTest::newRow("wrong password") << "J" << "falsch";
        QTest::newRow("password differing in case") << "J" << "KARVEN";
        QTest::newRow("inactive") << "N" << "karven";
        QTest::newRow("lower-case j") << "j" << "karven";
        QTest::newRow("empty active flag") << "" << "karven";
    }

    void rejectedLogins()
    {
        QFETCH(QString, aktiv);
        QFETCH(QString, password);
        db_.exec(QStringLiteral("UPDATE parpersedv SET aktiv = ? WHERE firma = '1' AND code = 'ADM'"), {aktiv});
        QVERIFY(!logInWith(QStringLiteral("ADM"), password));
        QCOMPARE(fakes_->ui.messages.size(), 1);
        QCOMPARE(fakes_->ui.messages[0].text, QStringLiteral("Passwort Falsch oder Benutzer nicht Aktiv."));
        QCOMPARE(fakes_->ui.messages[0].icon, Icon::Information);
        QCOMPARE(fakes_->ui.messages[0].title, QStringLiteral("Anmeldung an Caché."));
        QVERIFY(Verbindung.AnmeldungFehlgeschlagen);
        QVERIFY(Verbindung.BenutzerText.isEmpty());
        QCOMPARE(fakes_->loginDialog.passwordSelections, 1);
        QCOMPARE(Verbindung.ZugriffZaehler, 0);
        QVERIFY(fakes_->history.lines.isEmpty());
    }

    void unknownCodeIsReported()
    {
        QVERIFY(!logInWith(QStringLiteral("XYZ"), DemoLogin::password));
        expectFailedStep(QStringLiteral("Anmeldung mit nicht existierendem Personalcode"));
        QVERIFY(Verbindung.BenutzerText.isEmpty());
        QCOMPARE(fakes_->history.lines.size(), 1);
    }

    void missingDepartmentKeepsTheUserFieldsSetBefore()
    {
        db_.exec(QStringLiteral("UPDATE parpersedv SET abtnr = '99' WHERE firma = '1' AND code = 'ADM'"));
        QVERIFY(!logInWith(QStringLiteral("ADM"), DemoLogin::password));
        expectFailedStep(QStringLiteral("Abteilungsermittlung"));
        QVERIFY(Verbindung.BenutzerText.startsWith(QStringLiteral("ADM|")));
        QCOMPARE(Verbindung.Benutzer.PNr, QStringLiteral("1001"));
        QCOMPARE(Verbindung.Benutzer.DW, QStringLiteral("100"));
    }

    void missingBaseRecordIsReported()
    {
        db_.exec(QStringLiteral("UPDATE parpersedv SET pnr = '9999' WHERE firma = '1' AND code = 'ADM'"));
        QVERIFY(!logInWith(QStringLiteral("ADM"), DemoLogin::password));
        expectFailedStep(QStringLiteral("PersBasis Nummern"));
        QCOMPARE(Verbindung.Benutzer.AbtBez, QStringLiteral("Verwaltung"));
    }

    void failingContextCommandIsReported()
    {
        db_.pointConnectionRecordHere();
        ZugriffBeginn(false); // connected already, so only the login sends the context
        ZugriffEnde(false);
        script_.refusedCommandPrefix = QStringLiteral("S FIRMA=");
        QVERIFY(!logInWith(QStringLiteral("ADM"), DemoLogin::password));
        expectFailedStep(QStringLiteral("Firma Filiale Personal Setzen"));
    }

    void failedCommandLineLoginFallsBackToTheDialog()
    {
        fakes_->ui.arguments = db_.commandLine(QStringLiteral("ADM"), QStringLiteral("falsch"));
        QVERIFY(!user_anmeld());
        QCOMPARE(fakes_->loginDialog.modalShows, 0);
        QVERIFY(loginCommandLine().isEmpty());
        // The next attempt asks: settings and the dialog, where the right password is typed.
        SettingsStore::write(LoginSetting::ServerObjekt, QStringLiteral("0"));
        SettingsStore::write(LoginSetting::Server, db_.target().host);
        SettingsStore::write(LoginSetting::Port, QString::number(db_.target().port));
        SettingsStore::write(LoginSetting::Namespace, db_.target().nameSpace);
        fakes_->loginDialog.whileShownModally = [&] {
            fakes_->loginDialog.password = DemoLogin::password;
            fakes_->serverList.fields = {{ServerListPort::Field::BFIRMA, QStringLiteral("1")},
                                         {ServerListPort::Field::BFIL, QStringLiteral("0")},
                                         {ServerListPort::Field::BSERVERIP, db_.target().host},
                                         {ServerListPort::Field::BPORT, QString::number(db_.target().port)},
                                         {ServerListPort::Field::BNAMESPACE, db_.target().nameSpace}};
        };
        Verbindung.Neuanmeldung = true;
        QVERIFY(user_anmeld());
        QCOMPARE(fakes_->loginDialog.modalShows, 1);
        QVERIFY(Verbindung.BenutzerText.startsWith(QStringLiteral("ADM|")));
    }

    void lookupByPassword_data()
    {
        QTest::addColumn<QString>("company");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("code");
        QTest::newRow("no match") << "1" << "niemand" << "";
        QTest::newRow("stored form comes back with umlauts") << "1" << "juergen" << "MÜL";
        QTest::newRow("same password, other company") << "2" << "karven" << "ADM";
        QTest::newRow("other company's own user") << "2" << "kemal" << "ÖZT";
        QTest::newRow("shared password gives the first") << "1" << "geteilt" << "AAB";
    }

    void lookupByPassword()
    {
        QFETCH(QString, company);
        QFETCH(QString, password);
        QFETCH(QString, code);
        const QString shared = PasswordSecret::derive(QStringLiteral("geteilt"));
        db_.exec(QStringLiteral("INSERT INTO parpersedv (firma, code, passwort, aktiv) VALUES"
                                " ('1', 'ZZZ', ?, 'J'), ('1', 'AAB', ?, 'J')"),
                 {shared, shared});
        Verbindung.Firma = company;
        db_.pointConnectionRecordHere();
        QCOMPARE(BenutzerAusPasswort(password), code);
        QCOMPARE(Verbindung.ZugriffZaehler, 0);
    }

    void lookupSwallowsFailures()
    {
        Verbindung.Firma = QStringLiteral("1");
        db_.pointConnectionRecordHere();
        script_.queriesFail = true;
        QCOMPARE(BenutzerAusPasswort(DemoLogin::password), QString());
        QCOMPARE(Verbindung.ZugriffZaehler, 0);
        QVERIFY(fakes_->ui.messages.isEmpty());
    }

    void captionRewrite_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("result");
        const QString start = QStringLiteral("KARVEN Quastelwerk              Firma: 1     Filiale: 0     Benutzer: ");
        QTest::newRow("usual") << start + "ADM|Dorn" << "MÜL|Müller" << start + "MÜL|Müller";
        QTest::newRow("old user with a colon") << start + "A:B|x" << "C|y" << start + "A: C|y";
        QTest::newRow("no colon") << "KARVEN" << "C|y" << " C|y";
        QTest::newRow("bracket cuts first") << "Firma: 1 [Benutzer: x]" << "C|y" << "Firma: C|y";
        QTest::newRow("empty user") << start + "ADM|Dorn" << "" << start;
    }

    void captionRewrite()
    {
        QFETCH(QString, caption);
        QFETCH(QString, user);
        QFETCH(QString, result);
        QCOMPARE(captionWithUser(caption, user), result);
    }

    void dialogLimitsAndStoresTheLogin()
    {
        FMPass dialog;
        LoginDialogWindow port(dialog);
        ports().loginDialog = &port;
        QTest::keyClicks(dialog.BPASSWORT, QString(25, QLatin1Char('x')));
        QCOMPARE(dialog.BPASSWORT->text().size(), 20);
        QCOMPARE(dialog.BPASSWORT->echoMode(), QLineEdit::Password);
        QCOMPARE(dialog.BUSER->maxLength(), 20);
        QVERIFY(!dialog.BUSER->isVisibleTo(&dialog));

        dialog.BPASSWORT->setText(QStringLiteral("juergen"));
        dialog.BUSER->setText(QStringLiteral("NAME"));
        db_.pointConnectionRecordHere(); // the lookup runs on the connection in use
        fakes_->serverList.fields = {{ServerListPort::Field::BFIRMA, QStringLiteral("1")},
                                     {ServerListPort::Field::BSERVERIP, db_.target().host},
                                     {ServerListPort::Field::BPORT, QString::number(db_.target().port)},
                                     {ServerListPort::Field::BNAMESPACE, db_.target().nameSpace}};
        dialog.show();
        dialog.BUSpeich->click();
        QVERIFY(!dialog.isVisible());
        // The stored name is the hidden box's text, not the user found from the password.
        QCOMPARE(SettingsStore::read(LoginSetting::Name), QStringLiteral("NAME"));
        QCOMPARE(SettingsStore::read(LoginSetting::Passwort),
                 PasswortKodieren(QStringLiteral("juergen")));
        QCOMPARE(Verbindung.Personal, QStringLiteral("MÜL"));
        QVERIFY(!fakes_->ui.waitCursor);
    }

    void loginFromTheMenuRewritesTheCaption()
    {
        QWidget mainWindow;
        mainWindow.setWindowTitle(QStringLiteral("KARVEN Quastelwerk              Firma: 1     Filiale: 0     Benutzer: OLD|Alt"));
        mainWindow.show();
        FMPass dialog;
        LoginDialogWindow port(dialog);
        ports().loginDialog = &port;
        dialog.setMainWindow(&mainWindow);
        fakes_->ui.arguments = db_.commandLine(QStringLiteral("MÜL"), QStringLiteral("juergen"));
        db_.pointConnectionRecordHere();
        ZugriffBeginn(false); // the bracket the menu's login closes
        dialog.show();
        dialog.BUSpeich->click();
        QVERIFY(mainWindow.windowTitle().endsWith(QStringLiteral("Benutzer: MÜL|Müller, Jürgen")));
        QCOMPARE(Verbindung.ZugriffZaehler, 0);
    }

    void standardServerQuestionComesBeforeThePassword()
    {
        FMPass dialog;
        dialog.KeinDefaultEintrag = true;
        dialog.Form_Activate();
        QCOMPARE(fakes_->ui.messages.size(), 1);
        QCOMPARE(fakes_->ui.messages[0].title, QStringLiteral("Standardserver?"));
        QCOMPARE(fakes_->ui.messages[0].icon, Icon::None);
        QVERIFY(fakes_->ui.messages[0].text.startsWith(QStringLiteral("Es ist kein Standardserver festgelegt!")));
        QVERIFY(fakes_->ui.messages[0].text.endsWith(
            QStringLiteral("(linke Maustaste Click) und bestätigen Sie mit der rechten Maustaste (Eintrag als Standard) speichern.")));
        QCOMPARE(fakes_->serverList.modalShows, 1);
        dialog.KeinDefaultEintrag = false;
        dialog.Form_Activate();
        QCOMPARE(fakes_->serverList.modalShows, 1);
    }

    void cancelAndCloseBoxEndTheProgram()
    {
        fakes_->ui.endThrows = false;
        FMPass dialog;
        dialog.show();
        Verbindung.BenutzerText = QStringLiteral("ADM|x");
        dialog.BUAusst->click();
        QCOMPARE(fakes_->ui.endProgramCalls, 1);
        QVERIFY(Verbindung.BenutzerText.isEmpty());

        Verbindung.BenutzerText = QStringLiteral("ADM|x");
        QCloseEvent closeBox;
        QSpontaneKeyEvent::setSpontaneous(&closeBox);
        qApp->notify(&dialog, &closeBox);
        QCOMPARE(fakes_->ui.endProgramCalls, 2);
        QVERIFY(Verbindung.BenutzerText.isEmpty());

        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(fakes_->ui.endProgramCalls, 3);
    }

    void escapeInTheDialogFromTheMenuOnlyPutsItAway()
    {
        fakes_->ui.endThrows = false;
        QWidget mainWindow;
        mainWindow.show();
        FMPass dialog;
        dialog.setMainWindow(&mainWindow);
        dialog.show();
        Verbindung.BenutzerText = QStringLiteral("ADM|x");
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(fakes_->ui.endProgramCalls, 0);
        QCOMPARE(Verbindung.BenutzerText, QStringLiteral("ADM|x"));
    }
};

QTEST_MAIN(TestLogin)
#include "test_login.moc"
