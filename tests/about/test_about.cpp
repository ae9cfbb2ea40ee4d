#include "about/frmabout.h"
#include "about/nativesysteminfo.h"
#include "about/systeminfo.h"
#include "about/versiontext.h"

#include <QFile>
#include <QLabel>
#include <QMap>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

namespace {

const QString NotAvailable = QStringLiteral("Systeminformationen sind momentan nicht verfügbar");
const QString AppTitle = QStringLiteral(KARVEN_APP_TITLE);

// Registry values by key and value name ("KEY\\NAME"), files that exist, and a record of what
// was looked at and started.
using RegistryValues = QMap<QString, QString>;

class FakePlatform : public SystemInfoPlatform
{
public:
    RegistryValues registry;
    QStringList files;
    bool startSucceeds = true;
    bool failsWithException = false;

    QStringList checkedFiles;
    QStringList started;

    bool GetKeyValue(const QString &KeyName, const QString &SubKeyRef, QString &KeyVal) override
    {
        if (failsWithException)
            throw std::runtime_error("registry unreadable");
        const auto value = registry.constFind(KeyName + QLatin1Char('\\') + SubKeyRef);
        if (value == registry.constEnd()) {
            KeyVal.clear();
            return false;
        }
        KeyVal = *value;
        return true;
    }
    bool fileExists(const QString &path) override
    {
        checkedFiles << path;
        return files.contains(path);
    }
    bool startProgram(const QString &path) override
    {
        started << path;
        return startSucceeds;
    }
};

struct Notices
{
    QList<QStringList> shown; // {text, title}

    NoticeFunction recorder()
    {
        return [this](const QString &text, const QString &title) { shown.append({text, title}); };
    }
};

const QString PathValue = MsInfoKey + QStringLiteral("\\PATH");
const QString FolderValue = SharedToolsKey + QStringLiteral("\\MSINFO");

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void versionWithoutLeadingZeros_data();
    void versionWithoutLeadingZeros();

    void loadShowsTitleAndVersion();
    void staticTexts_data();
    void staticTexts();
    void linksOpenMailAndWeb();
    void controlsFitWithoutOverlapping();

    void closing_data();
    void closing();
    void showAboutKeepsOneWindowWhileOpen();

    void startSysInfo_data();
    void startSysInfo();
    void startSysInfoFailureShowsMessage();
    void sysInfoButton();
#ifndef Q_OS_WIN
    void toolFoundOnPathIsStarted();
    void noToolOnPathShowsMessage();
#endif
};

void TestAbout::versionWithoutLeadingZeros_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("shown");
    QTest::newRow("version block") << "1.00.0008"
                                   << "1.0.8";
    QTest::newRow("plain") << "1.0.8"
                           << "1.0.8";
    QTest::newRow("trailing zero kept") << "2.10.0"
                                        << "2.10.0";
    QTest::newRow("all zeros") << "0.00.000"
                               << "0.0.0";
    QTest::newRow("inner zeros kept") << "10.0100.1000"
                                      << "10.100.1000";
    QTest::newRow("longer than any integer") << "0099999999999999999999.01"
                                             << "99999999999999999999.1";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("not a number") << "1.x.08"
                                  << "1.x.8";
    QTest::newRow("empty part") << "1..02"
                                << "1..2";
    QTest::newRow("sign is not a digit") << "-01.2"
                                         << "-01.2";
}

void TestAbout::versionWithoutLeadingZeros()
{
    QFETCH(QString, version);
    QFETCH(QString, shown);
    QCOMPARE(versionText(version), shown);
}

void TestAbout::loadShowsTitleAndVersion()
{
    frmAbout about(std::make_unique<FakePlatform>());
    QVERIFY(!AppTitle.isEmpty());
    QCOMPARE(about.windowTitle(), "Info zu " + AppTitle);
    QCOMPARE(about.findChild<QLabel *>("lblTitle")->text(), AppTitle);

    const QString version = about.findChild<QLabel *>("lblVersion")->text();
    QCOMPARE(version, versionText(QStringLiteral(KARVEN_VERSION)));
    QVERIFY2(
        QRegularExpression("^(0|[1-9][0-9]*)(\\.(0|[1-9][0-9]*)){2}$").match(version).hasMatch(),
        qPrintable(version));
}

void TestAbout::staticTexts_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("text");
    QTest::newRow("Producktname") << "Producktname"
                                  << "Produktname";
    QTest::newRow("Version") << "Version"
                             << "Version ";
    QTest::newRow("Description") << "Description"
                                 << "Beschreibung";
    QTest::newRow("lblDescription") << "lblDescription"
                                    << "Beschreibung";
    QTest::newRow("Erstellt") << "Erstellt"
                              << "Erstellt am xx.xx.'xx Letzte Korrektur xx.xx.'xx";
    QTest::newRow("cmdOK") << "cmdOK"
                           << "OK";
    QTest::newRow("cmdSysInfo") << "cmdSysInfo"
                                << "&Systeminfo...";
}

void TestAbout::staticTexts()
{
    QFETCH(QString, control);
    QFETCH(QString, text);
    frmAbout about(std::make_unique<FakePlatform>());
    if (auto *label = about.findChild<QLabel *>(control))
        QCOMPARE(label->text(), text);
    else if (auto *button = about.findChild<QPushButton *>(control))
        QCOMPARE(button->text(), text);
    else
        QFAIL("no such control");
}

void TestAbout::linksOpenMailAndWeb()
{
    frmAbout about(std::make_unique<FakePlatform>());
    const QLabel *contact = about.findChild<QLabel *>("ctHyperLink1");
    const QLabel *web = about.findChild<QLabel *>("ctHyperLink2");
    QVERIFY(contact && web);
    QVERIFY(contact->openExternalLinks());
    QVERIFY(web->openExternalLinks());
    QVERIFY2(contact->text().contains("href=\"mailto:"), qPrintable(contact->text()));
    QVERIFY2(web->text().contains("href=\"https://"), qPrintable(web->text()));
    QVERIFY(!about.findChild<QLabel *>("lblKontakt")->text().isEmpty());
}

void TestAbout::controlsFitWithoutOverlapping()
{
    frmAbout about(std::make_unique<FakePlatform>());
    const QList<QWidget *> controls = about.findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    QCOMPARE(controls.size(), 17); // Line1 is two lines
    for (const QWidget *control : controls) {
        QVERIFY2(about.rect().contains(control->geometry()), qPrintable(control->objectName()));
        QVERIFY2(!control->geometry().isEmpty(), qPrintable(control->objectName()));
        for (const QWidget *other : controls) {
            if (other != control && other->geometry().intersects(control->geometry()))
                QFAIL(qPrintable(control->objectName() + " overlaps " + other->objectName()));
        }
    }

    // The captions are fixed and must not be cut off, whatever font the desktop uses.
    for (const char *name : {"Producktname", "Version", "lblKontakt", "Description", "Erstellt"}) {
        const auto *caption = about.findChild<QLabel *>(name);
        QVERIFY2(caption->fontMetrics().horizontalAdvance(caption->text()) <=
                     caption->contentsRect().width(),
                 name);
    }

    const auto *Image2 = about.findChild<QLabel *>("Image2");
    QCOMPARE(Image2->pixmap().deviceIndependentSize().toSize(), QSize(162, 245));
    const auto *Image1 = about.findChild<QLabel *>("Image1");
    QVERIFY(Image1->hasScaledContents());
    QVERIFY(!Image1->pixmap().isNull());
    QVERIFY(!about.findChild<QLabel *>("picIcon")->pixmap().isNull());
}

void TestAbout::closing_data()
{
    QTest::addColumn<int>("key"); // 0: click on OK
    QTest::newRow("OK clicked") << 0;
    QTest::newRow("Enter presses OK") << int(Qt::Key_Return);
    QTest::newRow("Esc") << int(Qt::Key_Escape);
}

void TestAbout::closing()
{
    QFETCH(int, key);
    QPointer<frmAbout> about = frmAbout::showAbout();
    QVERIFY(QTest::qWaitForWindowExposed(about));
    if (key == 0)
        QTest::mouseClick(about->findChild<QPushButton *>("cmdOK"), Qt::LeftButton);
    else
        QTest::keyClick(about, Qt::Key(key));
    QTRY_VERIFY(about.isNull());
}

void TestAbout::showAboutKeepsOneWindowWhileOpen()
{
    QPointer<frmAbout> first = frmAbout::showAbout();
    QVERIFY(QTest::qWaitForWindowExposed(first));
    QVERIFY(first->parentWidget() == nullptr);
    QVERIFY(!first->isModal());
    QCOMPARE(frmAbout::showAbout(), first.data());

    first->close();
    QTRY_VERIFY(first.isNull());

    QPointer<frmAbout> second = frmAbout::showAbout();
    QVERIFY(QTest::qWaitForWindowExposed(second));
    QCOMPARE(second->findChild<QLabel *>("lblTitle")->text(), AppTitle);
    second->close();
    QTRY_VERIFY(second.isNull());
}

void TestAbout::startSysInfo_data()
{
    QTest::addColumn<RegistryValues>("registry");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("startSucceeds");
    QTest::addColumn<QStringList>("checkedFiles");
    QTest::addColumn<QStringList>("started");
    QTest::addColumn<bool>("message");

    const QString registered = "D:\\Programme\\Werkzeuge\\msinfo32.exe";
    const QString folder = "C:\\Programme\\Gemeinsame Dateien\\Microsoft Shared\\MSInfo";
    const QString inFolder = folder + "\\MSINFO32.EXE";

    QTest::newRow("registered path, started unchanged without a file check")
        << RegistryValues{{PathValue, registered}, {FolderValue, folder}} << QStringList() << true
        << QStringList() << QStringList{registered} << false;
    QTest::newRow("registered path that cannot be started")
        << RegistryValues{{PathValue, registered}} << QStringList() << false << QStringList()
        << QStringList{registered} << true;
    QTest::newRow("tool in the shared tools folder")
        << RegistryValues{{FolderValue, folder}} << QStringList{inFolder} << true
        << QStringList{inFolder} << QStringList{inFolder} << false;
    QTest::newRow("shared tools folder without the tool")
        << RegistryValues{{FolderValue, folder}} << QStringList{folder} << true
        << QStringList{inFolder} << QStringList() << true;
    QTest::newRow("tool in the folder cannot be started")
        << RegistryValues{{FolderValue, folder}} << QStringList{inFolder} << false
        << QStringList{inFolder} << QStringList{inFolder} << true;
    QTest::newRow("nothing registered")
        << RegistryValues() << QStringList() << true << QStringList() << QStringList() << true;
    // A value of a type without text is read but empty; the folder is not looked at then.
    QTest::newRow("registered value without text")
        << RegistryValues{{PathValue, ""}, {FolderValue, folder}} << QStringList{inFolder} << true
        << QStringList() << QStringList() << true;
}

void TestAbout::startSysInfo()
{
    QFETCH(RegistryValues, registry);
    QFETCH(QStringList, files);
    QFETCH(bool, startSucceeds);

    FakePlatform platform;
    platform.registry = registry;
    platform.files = files;
    platform.startSucceeds = startSucceeds;
    Notices notices;
    StartSysInfo(platform, notices.recorder());

    QTEST(platform.checkedFiles, "checkedFiles");
    QTEST(platform.started, "started");
    QFETCH(bool, message);
    if (message)
        QCOMPARE(notices.shown, QList<QStringList>{QStringList({NotAvailable, AppTitle})});
    else
        QCOMPARE(notices.shown.size(), 0);
}

void TestAbout::startSysInfoFailureShowsMessage()
{
    FakePlatform platform;
    platform.failsWithException = true;
    Notices notices;
    StartSysInfo(platform, notices.recorder());
    QCOMPARE(notices.shown, QList<QStringList>{QStringList({NotAvailable, AppTitle})});
    QVERIFY(platform.started.isEmpty());
}

void TestAbout::sysInfoButton()
{
    auto platform = std::make_unique<FakePlatform>();
    FakePlatform &fake = *platform;
    Notices notices;
    frmAbout about(std::move(platform), notices.recorder());
    about.show();
    about.activateWindow(); // the mnemonic works in the active window
    QVERIFY(QTest::qWaitForWindowActive(&about));
    auto *cmdSysInfo = about.findChild<QPushButton *>("cmdSysInfo");

    QTest::mouseClick(cmdSysInfo, Qt::LeftButton);
    QCOMPARE(notices.shown.size(), 1);
    QVERIFY(fake.started.isEmpty());

    fake.registry.insert(PathValue, "C:\\msinfo32.exe");
    QTest::keyClick(&about, Qt::Key_S, Qt::AltModifier); // the button's animated click
    QTRY_COMPARE(fake.started, QStringList{"C:\\msinfo32.exe"});
    QCOMPARE(notices.shown.size(), 1);
    QVERIFY(about.isVisible());
}

#ifndef Q_OS_WIN

namespace {

// Puts only the given folder on PATH for the lifetime of the object.
class SearchPath
{
public:
    explicit SearchPath(const QString &folder) : saved_(qgetenv("PATH"))
    {
        qputenv("PATH", QFile::encodeName(folder));
    }
    ~SearchPath() { qputenv("PATH", saved_); }

private:
    QByteArray saved_;
};

} // namespace

void TestAbout::toolFoundOnPathIsStarted()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString tool = folder.filePath("kinfocenter");
    const QString marker = folder.filePath("started");
    QFile script(tool);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n: >\"" + QFile::encodeName(marker) + "\"\n");
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFile::ExeOwner));
    SearchPath path(folder.path());

    NativeSystemInfo platform;
    QString value;
    QVERIFY(!platform.GetKeyValue(SharedToolsKey, SharedToolsMsInfoValue, value));
    QVERIFY(platform.GetKeyValue(MsInfoKey, MsInfoPathValue, value));
    QCOMPARE(value, tool);

    Notices notices;
    StartSysInfo(platform, notices.recorder());
    QTRY_VERIFY(QFile::exists(marker));
    QCOMPARE(notices.shown.size(), 0);
}

void TestAbout::noToolOnPathShowsMessage()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    SearchPath path(folder.path());

    NativeSystemInfo platform;
    Notices notices;
    StartSysInfo(platform, notices.recorder());
    QCOMPARE(notices.shown, QList<QStringList>{QStringList({NotAvailable, AppTitle})});
}

#endif

QTEST_MAIN(TestAbout)
#include "test_about.moc"
