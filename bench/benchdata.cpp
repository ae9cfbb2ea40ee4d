#include "bench/benchdata.h"

#include "engine/cardassignment.h"
#include "engine/rowinserter.h"
#include "engine/session.h"
#include "engine/timeclock.h"
#include "tools/demodata.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QStringList>
#include <QVector>

namespace {

void insertRows(Session &session, const QString &table, const QStringList &columns,
                const QVector<QVariantList> &rows)
{
    RowInserter inserter(session, table, columns);
    for (const QVariantList &row : rows)
        inserter.add(row);
    inserter.flush();
}

} // namespace

void BenchData::setUnassignedBookings(Session &session, int count)
{
    const QDateTime start(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC);
    QVector<QVariantList> rows;
    rows.reserve(count);
    for (int booking = 0; booking < count; ++booking) {
        // Seven-digit cards: the demo's owned cards have other numbers.
        const QString card = cardField(QString::number(1000000 + booking));
        const QString time = start.addSecs(60 * booking).toString(QStringLiteral("yyyyMMddHHmm"));
        rows.append(
            {DemoLogin::company, card,
             TimeClock::bookingText(QStringLiteral("FIL01T1"), QStringLiteral("K"), card, time)});
    }
    session.transaction([&] {
        session.exec(QStringLiteral("DELETE FROM stempelung WHERE pnr IS NULL"));
        insertRows(
            session, QStringLiteral("stempelung"),
            {QStringLiteral("firma"), QStringLiteral("karte"), QStringLiteral("buchungstext")},
            rows);
    });
    // As on a server that has been running for a while.
    session.renewStatistics({QStringLiteral("stempelung")});
}

void BenchData::setActiveEmployees(Session &session, int count)
{
    QSqlQuery active = session.exec(
        QStringLiteral("SELECT count(*) FROM persbasis WHERE firma = ? AND aktiv = 'J'"),
        {DemoLogin::company});
    active.next();
    QVector<QVariantList> rows;
    for (int employee = active.value(0).toInt(); employee < count; ++employee) {
        // Names out of number order, so the list is really sorted.
        const int scrambled = int((qint64(employee) * 7919) % 100000);
        rows.append({DemoLogin::company, QString::number(500000 + employee),
                     QStringLiteral("Mitarbeiter %1").arg(scrambled, 5, 10, QLatin1Char('0')),
                     QStringLiteral("Vorname"), QStringLiteral("J")});
    }
    session.transaction([&] {
        insertRows(session, QStringLiteral("persbasis"),
                   {QStringLiteral("firma"), QStringLiteral("pnr"), QStringLiteral("name"),
                    QStringLiteral("vorname"), QStringLiteral("aktiv")},
                   rows);
    });
}
