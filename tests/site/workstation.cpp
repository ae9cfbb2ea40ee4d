// karven-site-workstation: one workstation of a site for the site test. The
// program's real windows, offscreen, logged in through the command line and
// on the engine the workstation's settings choose, as the program would be;
// a test script plays the user through standard input, one line at a time:
//
//   zeilen               prints the listed bookings, one a line
//   zuordnen ZEILE TEXT  clicks the row (from 0), types TEXT into "Mitarbeiter:"
//                        and presses "Speichern"
//   aktualisieren        presses F5
//
// Each answer ends with a line "." ; a message box the program showed is
// printed as "Meldung: …" first. The workstation ends with standard input.
//   karven-site-workstation FIRMA FILIALE KÜRZEL PASSWORT SERVER PORT NAMESPACE

#include "app/fmstart.h"
#include "cacheapi/objects/factoryregistry.h"
#include "controls/ctcombo.h"
#include "controls/ctlist.h"
#include "engine/sqlfactory.h"
#include "tests/support/offscreenprogram.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTest>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

class Player
{
public:
    explicit Player(OffscreenProgram &program) : program_(program), window_(program.mainWindow()) {}

    // Runs one line's command; false for a line that is none.
    bool play(const QString &line)
    {
        const QString command = line.section(QLatin1Char(' '), 0, 0);
        if (command == QLatin1String("zeilen")) {
            for (int row = 0; row < window_.litime->rowCount(); ++row) {
                QStringList cells;
                for (int column = 1; column <= window_.litime->itemView()->model()->columnCount(); ++column)
                    cells << window_.litime->cellText(row, column);
                say(cells.join(QLatin1String(" | ")));
            }
        } else if (command == QLatin1String("zuordnen")) {
            bool isRow = false;
            const int row = line.section(QLatin1Char(' '), 1, 1).toInt(&isRow);
            if (!isRow || row < 0 || row >= window_.litime->rowCount())
                return false;
            clickRow(row);
            window_.lipnr->lineEdit()->clear();
            QTest::keyClicks(window_.lipnr->lineEdit(), line.section(QLatin1Char(' '), 2));
            QTest::keyClick(window_.lipnr->lineEdit(), Qt::Key_Return);
            window_.BUSpeich->click();
        } else if (command == QLatin1String("aktualisieren")) {
            QTest::keyClick(&window_, Qt::Key_F5);
        } else {
            return false;
        }
        QCoreApplication::processEvents();
        return true;
    }

    // What the program showed in message boxes since last asked, then the end of the answer.
    void endAnswer()
    {
        for (qsizetype shown = messagesSaid_; shown < program_.messages().size(); ++shown)
            say(QStringLiteral("Meldung: ") + program_.messages().at(shown).text);
        messagesSaid_ = program_.messages().size();
        say(QStringLiteral("."));
    }

    static void say(const QString &text)
    {
        std::cout << text.toStdString() << std::endl;
    }

private:
    void clickRow(int row)
    {
        QAbstractItemView *view = window_.litime->itemView();
        view->scrollTo(view->model()->index(row, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(view->model()->index(row, 0)).center());
    }

    OffscreenProgram &program_;
    FMStart &window_;
    qsizetype messagesSaid_ = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QStringList login = QApplication::arguments().mid(1);
    if (login.size() != 7) {
        std::fputs("Aufruf: karven-site-workstation FIRMA FILIALE KÜRZEL PASSWORT SERVER PORT NAMESPACE\n", stderr);
        return 2;
    }
    registerFactory(createEngineFactory);
    OffscreenProgram program(login.join(QLatin1Char(' ')));
    program.start();
    Player player(program);
    player.endAnswer();

    // A loop of its own: the application's would close the windows when it ends, which
    // ends the program through the message-box fake instead of as the test ends it.
    QEventLoop loop;
    QSocketNotifier input(fileno(stdin), QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        std::string line;
        if (!std::getline(std::cin, line)) {
            input.setEnabled(false);
            loop.quit();
            return;
        }
        if (!player.play(QString::fromStdString(line)))
            Player::say(QStringLiteral("Unbekannt: ") + QString::fromStdString(line));
        player.endAnswer();
    });
    return loop.exec();
}
