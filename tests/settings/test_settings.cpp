#include "settings/settingsstore.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(Setting)

// Existing workstations keep their settings under these files and keys; the
// expectations are written out here rather than taken from the program's table.
class TestSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir config_;

    QSettings siteFile(const QString &file) const
    {
        return QSettings(config_.path() + QLatin1Char('/') + file, QSettings::IniFormat);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(config_.isValid());
        // Before the first settings are opened: Qt takes the folder once.
        qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
    }

    void storedWhereSitesHaveThem_data()
    {
        QTest::addColumn<Setting>("setting");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("defaultValue");
        const QString login = QStringLiteral("VB and VBA Program Settings/Cache Login.conf");
        const QString program = QStringLiteral("KARVEN/KARVEN.conf");
        // Server and port have no default: the program asks for them.
        QTest::newRow("ServerObjekt") << LoginSetting::ServerObjekt << login << "Login/ServerObjekt"
                                      << "";
        QTest::newRow("Server") << LoginSetting::Server << login << "Login/Server"
                                << "";
        QTest::newRow("Port") << LoginSetting::Port << login << "Login/Port"
                              << "";
        QTest::newRow("Firma") << LoginSetting::Firma << login << "Login/Firma"
                               << "1";
        QTest::newRow("Filiale") << LoginSetting::Filiale << login << "Login/Filiale"
                                 << "0";
        QTest::newRow("Namespace") << LoginSetting::Namespace << login << "Login/Namespace"
                                   << "KARVEN";
        QTest::newRow("Name") << LoginSetting::Name << login << "Login/Name"
                              << "";
        QTest::newRow("Passwort") << LoginSetting::Passwort << login << "Login/Passwort"
                                  << "";
        QTest::newRow("Engine") << ProgramSetting::Engine << program << "Engine/Engine"
                                << "sqlite";
    }

    void storedWhereSitesHaveThem()
    {
        QFETCH(Setting, setting);
        QFETCH(QString, file);
        QFETCH(QString, key);
        const QString value = QStringLiteral("Wert für ") + QLatin1String(QTest::currentDataTag());
        SettingsStore::write(setting, value);
        QCOMPARE(SettingsStore::flush(setting.file), config_.path() + QLatin1Char('/') + file);
        QCOMPARE(siteFile(file).value(key).toString(), value);

        // What a site's file holds is what the program reads.
        siteFile(file).setValue(key, QStringLiteral("von Hand"));
        QCOMPARE(SettingsStore::read(setting), QStringLiteral("von Hand"));
    }

    void missingOrNotATextReadsAsTheDefault_data() { storedWhereSitesHaveThem_data(); }

    void missingOrNotATextReadsAsTheDefault()
    {
        QFETCH(Setting, setting);
        QFETCH(QString, file);
        QFETCH(QString, key);
        QFETCH(QString, defaultValue);
        siteFile(file).remove(key);
        QCOMPARE(SettingsStore::read(setting), defaultValue);

        siteFile(file).setValue(key, QStringList{QStringLiteral("a"), QStringLiteral("b")});
        QCOMPARE(SettingsStore::read(setting), defaultValue);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
