#include "bench/benchmarks.h"

#include "bench/benchdata.h"
#include "bench/copyfloor.h"
#include "bench/programprocess.h"
#include "bench/report.h"
#include "bench/stopwatch.h"
#include "cacheapi/cacheapi.h"
#include "cacheapi/objects/passwordsecret.h"
#include "cacheapi/timing.h"
#include "controls/ctcombo.h"
#include "controls/ctlist.h"
#include "engine/cardassignment.h"
#include "engine/session.h"
#include "engine/sqlfactory.h"
#include "engine/timeclock.h"
#include "tests/support/enginefixture.h"
#include "tests/support/offscreenprogram.h"
#include "tools/demodata.h"
#include "tools/import/masterdataimport.h"
#include "tools/import/swipeimport.h"

#include <QAbstractItemView>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <cstdio>

namespace {

const QString ms = QStringLiteral("ms");
const QString bookingsUnit = QStringLiteral("bookings");

void progress(const QString &what)
{
    std::fprintf(stderr, "  %s\n", qPrintable(what));
}

// A benchmark that went wrong measures nothing.
void check(bool condition, const QString &what)
{
    if (!condition)
        qFatal("benchmark failed: %s", qPrintable(what));
}

void checkNoMessages(const OffscreenProgram &program)
{
    for (const ShownMessage &message : program.messages())
        qFatal("the program showed a message: %s", qPrintable(message.text));
}

// The bookings list as the window reads it, through the engine alone.
class RawListQuery
{
public:
    explicit RawListQuery(EngineFixture &database) : factory_(createEngineFactory())
    {
        check(factory_->connect(database.connectionString()), QStringLiteral("engine connect"));
        // As the program does: on PostgreSQL a workstation reads the list only once logged in.
        check(factory_->logIn({DemoLogin::company, DemoLogin::branch, DemoLogin::userCode,
                               PasswordSecret::derive(DemoLogin::password)})
                      .status == LoginAnswer::Status::LoggedIn,
              QStringLiteral("engine login"));
    }

    // Reads every row, as ListeAktualisieren does.
    void run()
    {
        std::unique_ptr<ResultSet> rows =
            factory_->openResultSet(QStringLiteral("Quastel.NoPers"), QStringLiteral("Liste"));
        rows->execute();
        while (rows->next())
            characters_ += rows->data(1).toString().size() + rows->data(2).toString().size();
        rows->close();
    }

private:
    std::unique_ptr<Factory> factory_;
    // Kept, so that reading the values cannot be left out.
    qsizetype characters_ = 0;
};

void selectFirstBooking(FMStart &window)
{
    QAbstractItemView *view = window.litime->itemView();
    view->setCurrentIndex(view->model()->index(0, 0));
    window.Frame1->show();
}

void chooseEmployee(FMStart &window, const QString &typed)
{
    QTest::keyClicks(window.lipnr->lineEdit(), typed);
    QTest::keyClick(window.lipnr->lineEdit(), Qt::Key_Return);
    check(window.lipnr->selectedIndex() >= 0, QStringLiteral("employee ") + typed);
}

// Runs the events until the condition holds, looking after each event rather
// than at QTest::qWaitFor's 10 ms steps; false after timeoutMs.
bool processEventsUntil(const std::function<bool()> &condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QTimer wakeUp; // sees the deadline when nothing else happens
    wakeUp.start(10);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace

Benchmarks::Benchmarks(EngineFixture &database, Report &report, int idleSeconds)
    : database_(database), report_(report), idleSeconds_(idleSeconds)
{}

QStringList Benchmarks::programArguments() const
{
    return database_.commandLine(DemoLogin::userCode, DemoLogin::password).split(QLatin1Char(' '));
}

// The login as the server checks it now (one call), side by side with what the
// login asked the server before: the user's three records, read by key.
void Benchmarks::login()
{
    progress(QStringLiteral("login"));
    std::unique_ptr<Factory> factory = createEngineFactory();
    check(factory->connect(database_.connectionString()), QStringLiteral("engine connect"));
    const LoginRequest request{DemoLogin::company, DemoLogin::branch, DemoLogin::userCode,
                               PasswordSecret::derive(DemoLogin::password)};
    const Runs runs{10, 200};
    report_.add(Figure::login, 0, QString(), medianMs(runs, [&] {
                    check(factory->logIn(request).status == LoginAnswer::Status::LoggedIn,
                          QStringLiteral("login"));
                }),
                ms);
    const QString company = DemoLogin::company + QStringLiteral("||");
    report_.add(Figure::loginReads, 0, QString(), medianMs(runs, [&] {
                    auto person = factory->openId(QStringLiteral("KV.ParPersEdv"), company + DemoLogin::userCode);
                    factory->openId(QStringLiteral("KV.ParPersAbt"),
                                    company + person->property(QStringLiteral("ABTNR")).toString());
                    factory->openId(QStringLiteral("KV.PersBasis"),
                                    company + person->property(QStringLiteral("PNR")).toString());
                }),
                ms);
}

void Benchmarks::emptyPoll()
{
    progress(QStringLiteral("empty poll"));
    database_.withSession([](Session &session) { BenchData::setUnassignedBookings(session, 0); });
    OffscreenProgram program(programArguments().join(QLatin1Char(' ')));
    program.start();
    FMStart &window = program.mainWindow();
    RawListQuery query(database_);
    const Runs runs{10, 100};
    report_.add(Figure::emptyPoll, 0, QString(),
                medianMs(runs, [&] { window.ListeAktualisieren(); }), ms);
    check(window.litime->rowCount() == 0 && window.Timer1.isActive(), QStringLiteral("empty poll"));
    checkNoMessages(program);
    report_.add(Figure::emptyQuery, 0, QString(), medianMs(runs, [&] { query.run(); }), ms);
}

void Benchmarks::pushLatency(int swipes)
{
    progress(QStringLiteral("push latency, %1 swipes").arg(swipes));
    database_.withSession([](Session &session) { BenchData::setUnassignedBookings(session, 0); });
    OffscreenProgram program(programArguments().join(QLatin1Char(' ')));
    // Polls an hour apart: a booking listed sooner came by the server's notice.
    Timing::setScale(3600);
    program.start();
    FMStart &window = program.mainWindow();
    const auto pollingEmptyList = [&] {
        return window.litime->rowCount() == 0 &&
               window.Timer1.interval() == Timing::scaled(Timing::pollIntervalMs);
    };
    check(processEventsUntil(pollingEmptyList, 5000), QStringLiteral("empty list polling"));
    Session clock(database_.kind(), database_.target());
    check(clock.open(), QStringLiteral("time clock connection"));
    Samples samples;
    for (int swipe = 0; swipe < swipes; ++swipe) {
        bookCard(clock, QStringLiteral("1"), QStringLiteral("FIL01T1"), QStringLiteral("K"),
                 QString::number(swipe), QStringLiteral("202401310705"));
        // As a clock's writer does when it is done.
        tellOfPendingBookings(clock);
        samples.time(
            [&] {
                check(processEventsUntil([&] { return window.litime->rowCount() == 1; }, 5000),
                      QStringLiteral("pushed booking listed"));
            },
            true);
        clock.exec(QStringLiteral("DELETE FROM stempelung WHERE pnr IS NULL"));
        window.ListeAktualisieren();
        check(pollingEmptyList(), QStringLiteral("list emptied"));
    }
    Timing::setScale(1);
    checkNoMessages(program);
    report_.add(Figure::pushMedian, swipes, QStringLiteral("swipes"), samples.medianMs(), ms);
    report_.add(Figure::pushP99, swipes, QStringLiteral("swipes"), samples.percentileMs(99), ms);
}

void Benchmarks::idleProgram()
{
    progress(QStringLiteral("idle polling program, %1 s").arg(idleSeconds_));
    database_.withSession([](Session &session) { BenchData::setUnassignedBookings(session, 0); });
    ProgramProcess program(programArguments());
    program.waitUntilSettled(60000);
    const double before = program.cpuSeconds();
    QElapsedTimer elapsed;
    elapsed.start();
    QThread::sleep(idleSeconds_);
    const double cpu = program.cpuSeconds() - before;
    check(program.isRunning(), QStringLiteral("the idle program ended"));
    report_.add(Figure::idleCpu, 0, QString(), 100 * cpu / (double(elapsed.elapsed()) / 1000),
                QStringLiteral("%"));
    report_.add(Figure::peakMemory, 0, bookingsUnit, program.peakMemoryMb(), QStringLiteral("MB"));
}

void Benchmarks::startUp(int employees)
{
    progress(QStringLiteral("start-up, %1 employees").arg(employees));
    database_.withSession([employees](Session &session) {
        seedDemoData(session);
        BenchData::setUnassignedBookings(session, 0);
        BenchData::setActiveEmployees(session, employees);
    });
    const QString commandLine = programArguments().join(QLatin1Char(' '));
    std::unique_ptr<OffscreenProgram> program;
    const double median = medianMs(
        {1, 5},
        [&] {
            program = std::make_unique<OffscreenProgram>(commandLine);
            program->start();
        },
        [&] { program.reset(); });
    check(program->mainWindow().lipnr->entryCount() == employees, QStringLiteral("employee list"));
    checkNoMessages(*program);
    report_.add(Figure::startUp, employees, QStringLiteral("employees"), median, ms);
}

void Benchmarks::refreshAndAssign(int bookings)
{
    progress(QStringLiteral("refresh and assignment, %1 bookings").arg(bookings));
    database_.withSession([bookings](Session &session) {
        seedDemoData(session);
        BenchData::setUnassignedBookings(session, bookings);
    });
    OffscreenProgram program(programArguments().join(QLatin1Char(' ')));
    program.start();
    FMStart &window = program.mainWindow();
    RawListQuery query(database_);
    // Taken in turns, so that both see the same load of the machine.
    const Runs runs{1, 5};
    Samples refresh;
    Samples floor;
    for (int run = 0; run < runs.total(); ++run) {
        refresh.time([&] { window.ListeAktualisieren(); }, runs.isCounted(run));
        floor.time([&] { query.run(); }, runs.isCounted(run));
    }
    check(window.litime->rowCount() == bookings, QStringLiteral("listed bookings"));
    report_.add(Figure::refresh, bookings, bookingsUnit, refresh.medianMs(), ms);
    report_.add(Figure::rawQuery, bookings, bookingsUnit, floor.medianMs(), ms);

    chooseEmployee(window, QStringLiteral("1002"));
    const Runs assignments{1, 5};
    const double assignment = medianMs(
        assignments, [&] { window.BUSpeich->click(); }, [&] { selectFirstBooking(window); });
    check(window.litime->rowCount() == bookings - assignments.warmUps - assignments.counted,
          QStringLiteral("assigned bookings"));
    checkNoMessages(program);
    report_.add(Figure::assignment, bookings, bookingsUnit, assignment, ms);
}

void Benchmarks::peakMemory(int bookings)
{
    progress(QStringLiteral("peak memory, %1 bookings").arg(bookings));
    database_.withSession([bookings](Session &session) {
        seedDemoData(session);
        BenchData::setUnassignedBookings(session, bookings);
    });
    ProgramProcess program(programArguments());
    program.waitUntilSettled(120000);
    check(program.isRunning(), QStringLiteral("the program ended"));
    report_.add(Figure::peakMemory, bookings, bookingsUnit, program.peakMemoryMb(),
                QStringLiteral("MB"));
}

void Benchmarks::imports(int swipes, int employees)
{
    progress(QStringLiteral("imports, %1 swipes and %2 employees").arg(swipes).arg(employees));
    QTemporaryDir files;
    const QString swipeFile = files.filePath(QStringLiteral("stempeluhr.csv"));
    const QString employeeFile = files.filePath(QStringLiteral("mitarbeiter.csv"));
    QList<QVariantList> swipeRows;
    QList<QVariantList> employeeRows;
    {
        QFile out(swipeFile);
        check(out.open(QIODevice::WriteOnly), QStringLiteral("swipe file"));
        out.write("Terminal;Karte;Art;Datum;Uhrzeit\n");
        const QDateTime start(QDate(2024, 1, 1), QTime(6, 0));
        for (int i = 0; i < swipes; ++i) {
            const QDateTime when = start.addSecs(60LL * i);
            const QString card = QString::number(100000 + i % 5000);
            const QString kind = i % 2 ? QStringLiteral("G") : QStringLiteral("K");
            out.write(QStringLiteral("FIL01T1;%1;%2;%3;%4\n")
                          .arg(card, kind, when.toString(QStringLiteral("dd.MM.yyyy")),
                               when.toString(QStringLiteral("HH:mm")))
                          .toUtf8());
            swipeRows << QVariantList{QStringLiteral("1"), cardField(card),
                                      TimeClock::bookingText(QStringLiteral("FIL01T1"), kind, card,
                                                             when.toString(QStringLiteral("yyyyMMddHHmm")))};
        }
    }
    {
        QFile out(employeeFile);
        check(out.open(QIODevice::WriteOnly), QStringLiteral("employee file"));
        out.write("Firma;Personalnummer;Name;Vorname;Aktiv\n");
        for (int i = 0; i < employees; ++i) {
            out.write(QStringLiteral("1;%1;Name %1;Vorname;J\n").arg(50000 + i).toUtf8());
            employeeRows << QVariantList{QStringLiteral("1"), QString::number(50000 + i),
                                         QStringLiteral("Name %1").arg(50000 + i), QStringLiteral("Vorname"),
                                         QStringLiteral("J")};
        }
    }
    // Each run on a database without the rows, so that every run books them all.
    const auto emptied = [this] {
        database_.withSession([](Session &session) {
            seedDemoData(session);
            session.exec(QStringLiteral("DELETE FROM stempelung WHERE pnr IS NULL"));
        });
    };
    // The floor: the same rows in one transaction through one prepared statement.
    const auto plainInsert = [this](const QString &sql, const QList<QVariantList> &rows) {
        database_.withSession([&](Session &session) {
            session.transaction([&] {
                QSqlQuery statement = session.prepare(sql);
                for (const QVariantList &row : rows)
                    session.run(statement, row);
            });
        });
    };
    const Runs runs{1, 3};
    Samples swipeImport, swipeFloor, swipeCopy, employeeImport, employeeFloor;
    const bool postgres = database_.kind() == EngineKind::Postgres;
    for (int run = 0; run < runs.total(); ++run) {
        emptied();
        swipeImport.time(
            [&] {
                database_.withSession([&](Session &session) {
                    check(importSwipes(session, swipeFile, QStringLiteral("1")).errors.isEmpty(),
                          QStringLiteral("swipe import"));
                });
            },
            runs.isCounted(run));
        emptied();
        swipeFloor.time(
            [&] { plainInsert(QStringLiteral("INSERT INTO stempelung (firma, karte, buchungstext) VALUES (?, ?, ?)"), swipeRows); },
            runs.isCounted(run));
        if (postgres) {
            emptied();
            swipeCopy.time(
                [&] {
                    copyRows(database_.target(), QStringLiteral("stempelung"),
                             {QStringLiteral("firma"), QStringLiteral("karte"), QStringLiteral("buchungstext")}, swipeRows);
                },
                runs.isCounted(run));
        }
        emptied();
        employeeImport.time(
            [&] {
                database_.withSession([&](Session &session) {
                    check(importMasterData(session, MasterData::Employees, employeeFile).errors.isEmpty(),
                          QStringLiteral("employee import"));
                });
            },
            runs.isCounted(run));
        emptied();
        employeeFloor.time(
            [&] {
                plainInsert(QStringLiteral("INSERT INTO persbasis (firma, pnr, name, vorname, aktiv) VALUES (?, ?, ?, ?, ?)"),
                            employeeRows);
            },
            runs.isCounted(run));
    }
    report_.add(Figure::swipeImport, swipes, QStringLiteral("swipes"), swipeImport.medianMs(), ms);
    report_.add(Figure::swipeFloor, swipes, QStringLiteral("swipes"), swipeFloor.medianMs(), ms);
    if (postgres)
        report_.add(Figure::swipeCopy, swipes, QStringLiteral("swipes"), swipeCopy.medianMs(), ms);
    report_.add(Figure::employeeImport, employees, QStringLiteral("employees"), employeeImport.medianMs(), ms);
    report_.add(Figure::employeeFloor, employees, QStringLiteral("employees"), employeeFloor.medianMs(), ms);
}
