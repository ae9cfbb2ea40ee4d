#include "engine/timeclock.h"

#include "cacheapi/objects/bookingtext.h"
#include "cacheapi/objects/clocktime.h"
#include "cacheapi/objects/companynumber.h"
#include "engine/cardassignment.h"
#include "engine/engineerrors.h"
#include "engine/session.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <tuple>

namespace {

const QString kindsOfBooking = QStringLiteral("KG");

[[noreturn]] void refuse(const QString &message)
{
    EngineError::raise(EngineError::InvalidValue, message);
}

void checkSwipe(const QString &company, const QString &terminal, const QString &kind,
                const QString &card, const QString &time, const QString &branch)
{
    if (!isCompanyNumber(company))
        refuse(QStringLiteral("Firma \"%1\" ist keine Firmennummer von 1 bis %2")
                   .arg(company.left(40))
                   .arg(highestCompany));
    // A line feed or tab in a booking text would shift what the list shows.
    for (const auto &[what, value] : {std::pair{QStringLiteral("Firma"), company},
                                      std::pair{QStringLiteral("Terminalname"), terminal},
                                      std::pair{QStringLiteral("Filiale"), branch},
                                      std::pair{QStringLiteral("Kartennummer"), card}}) {
        if (hasControlCharacters(value))
            refuse(QStringLiteral("%1 enthält Steuerzeichen (Zeilenumbruch, Tabulator o. ä.)")
                       .arg(what));
        // What arrived as broken UTF-8 was decoded to U+FFFD: the card is not known as sent.
        if (value.contains(QChar::ReplacementCharacter))
            refuse(QStringLiteral("%1 enthält ungültige Zeichen (kein gültiges UTF-8)").arg(what));
    }
    if (terminal.trimmed().isEmpty() || terminal.size() > TimeClock::terminalWidth)
        refuse(QStringLiteral("Terminalname \"%1\" muss 1 bis %2 Zeichen lang sein")
                   .arg(terminal.left(40))
                   .arg(TimeClock::terminalWidth));
    if (branch.trimmed().size() > TimeClock::branchWidth)
        refuse(QStringLiteral("Filiale \"%1\" darf höchstens %2 Zeichen lang sein")
                   .arg(branch.left(40))
                   .arg(TimeClock::branchWidth));
    if (kind.size() != 1 || !kindsOfBooking.contains(kind))
        refuse(QStringLiteral("Buchungsart \"%1\" unbekannt: K (Kommen) oder G (Gehen)")
                   .arg(kind.left(40)));
    if (cardField(card).isEmpty())
        refuse(QStringLiteral("Kartennummer \"%1\" muss 1 bis 10 Zeichen lang sein")
                   .arg(card.left(40)));
    if (!isValidClockTime(time))
        refuse(QStringLiteral("Zeit \"%1\" ist kein gültiger Zeitpunkt im Format yyyymmddhhmm")
                   .arg(time.left(40)));
}

// How many swipes one statement stores. SQLite takes them as VALUES, about
// 200 bound values a statement: Qt's SQLite driver looks each bound value up
// among all of a statement's, so more values cost more than they save.
// PostgreSQL takes each column as one array: a statement per few thousand
// swipes, so that a big file costs the server's work and few round trips.
qsizetype swipesPerStatement(EngineKind kind)
{
    return kind == EngineKind::Sqlite ? 50 : 5000;
}

// The swipes as rows v(column1 company, column2 card, column3 text, column4 position).
QString swipeRows(EngineKind kind, qsizetype rows)
{
    if (kind == EngineKind::Postgres)
        return QStringLiteral(
            "unnest(CAST(? AS text[]), CAST(? AS text[]), CAST(? AS text[]), CAST(? AS integer[]))"
            " AS v(column1, column2, column3, column4)");
    return QStringLiteral("(VALUES %1) v")
        .arg(QStringList(rows, QStringLiteral("(?, ?, ?, ?)")).join(QStringLiteral(", ")));
}

// Stores the swipes that are not stored yet, each with the holder of its card
// and the assignment he holds it by; answers the columns named of each row it
// stored. "WHERE true": SQLite would read ON CONFLICT as part of the join.
QString storeStatement(EngineKind kind, qsizetype rows, const QString &answer)
{
    return QStringLiteral(
               "INSERT INTO stempelung (firma, karte, buchungstext, pnr, zuordnung_id, gebucht_am)"
               " SELECT v.column1, v.column2, v.column3, k.pnr, k.zuordnung_id,"
               " CASE WHEN k.pnr IS NULL THEN NULL ELSE CAST(? AS TEXT) END"
               " FROM %1 LEFT JOIN karte k ON k.firma = v.column1 AND k.karte = v.column2"
               " WHERE true ORDER BY v.column4 ON CONFLICT DO NOTHING"
               " RETURNING %2")
        .arg(swipeRows(kind, rows), answer);
}

// A PostgreSQL array literal, in UTF-8, of the texts textAt(0) to textAt(count - 1):
// each quoted, quote and backslash escaped.
template <typename TextAt> QByteArray arrayOf(qsizetype count, TextAt textAt)
{
    QByteArray array("{");
    for (qsizetype i = 0; i < count; ++i) {
        if (i > 0)
            array += ',';
        array += '"';
        for (const char c : QString(textAt(i)).toUtf8()) {
            if (c == '\\' || c == '"')
                array += '\\';
            array += c;
        }
        array += '"';
    }
    return array + '}';
}

// On PostgreSQL the holders read must stay the holders until the swipes are
// committed: an assignment of one of the cards waits meanwhile (SQLite has
// one writer at a time anyway). The arrays are a statement's companies and cards.
void lockCards(Session &session, const QVariant &companies, const QVariant &cards)
{
    session.execPrivately(
        QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM karte WHERE (firma, karte) IN"
                       " (SELECT * FROM unnest(CAST(? AS text[]), CAST(? AS text[]))) FOR SHARE)"
                       " AS locked"),
        {companies, cards});
}

} // namespace

QString TimeClock::bookingText(const QString &terminal, const QString &kind, const QString &card,
                               const QString &time, const QString &branch)
{
    return BookingText::compose(terminal, kind, branch.trimmed(), cardField(card), time);
}

CardBooking bookCard(Session &session, const QString &company, const QString &terminal,
                     const QString &kind, const QString &card, const QString &time,
                     const QString &branch)
{
    const SwipeOutcome outcome =
        SwipeBatch(session).book({{company, terminal, kind, card, time, branch}}).first();
    if (outcome.kind == SwipeOutcome::Refused)
        refuse(outcome.refusal);
    const CardBooking::Kind booked =
        outcome.kind == SwipeOutcome::TimeBooking         ? CardBooking::TimeBooking
        : outcome.kind == SwipeOutcome::UnassignedBooking ? CardBooking::UnassignedBooking
                                                          : CardBooking::BookedBefore;
    return {booked, outcome.id, outcome.employee};
}

void tellOfPendingBookings(Session &session)
{
    if (session.kind() == EngineKind::Postgres)
        session.exec(QStringLiteral("SELECT intern.nachmelden()"));
}

QString swipeRefusal(const Swipe &swipe)
{
    try {
        checkSwipe(swipe.company, swipe.terminal, swipe.kind, swipe.card, swipe.time, swipe.branch);
    } catch (const CacheError &refused) {
        if (refused.number() != EngineError::InvalidValue)
            throw;
        return refused.description();
    }
    return QString();
}

SwipeBatch::SwipeBatch(Session &session) : session_(session) {}

QSqlQuery &SwipeBatch::sqliteStatement(const QString &sql)
{
    auto statement = statements_.find(sql);
    if (statement == statements_.end())
        statement = statements_.insert(sql, session_.prepare(sql));
    return *statement;
}

void SwipeBatch::store(const PreparedSwipes &prepared, const QString &answer,
                       const std::function<void(const QVariantList &answered)> &stored)
{
    const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
    for (const PreparedSwipes::Statement &rows : prepared.statements) {
        const QString sql = storeStatement(session_.kind(), rows.count, answer);
        // The holders stay locked until the swipes are in: one transaction.
        session_.transaction([&] {
            if (session_.kind() == EngineKind::Postgres) {
                lockCards(session_, rows.arrays.at(0), rows.arrays.at(1));
                // As libpq's parameters: Qt's driver would quote each array into the text.
                const QVector<QVariantList> answers =
                    session_.execPrivately(sql, QVariantList{now} + rows.arrays);
                for (const QVariantList &answered : answers)
                    stored(answered);
                return;
            }
            QVariantList values{now};
            for (qsizetype position = 0; position < rows.count; ++position) {
                const Row &row = prepared.rows.at(rows.first + position);
                values << row.company << row.card << row.text << position;
            }
            QSqlQuery &statement = sqliteStatement(sql);
            session_.run(statement, values);
            const int columns = statement.record().count();
            QVariantList answered;
            while (statement.next()) {
                answered.clear();
                for (int column = 0; column < columns; ++column)
                    answered << statement.value(column);
                stored(answered);
            }
            statement.finish();
        });
    }
}

PreparedSwipes prepareSwipes(const QVector<Swipe> &swipes, EngineKind kind)
{
    PreparedSwipes prepared;
    prepared.outcomes.fill(SwipeOutcome{SwipeOutcome::Refused, QString(), 0, QString()},
                           swipes.size());
    QVector<PreparedSwipes::Row> &rows = prepared.rows;
    rows.reserve(swipes.size());
    for (qsizetype i = 0; i < swipes.size(); ++i) {
        const Swipe &swipe = swipes.at(i);
        prepared.outcomes[i].refusal = swipeRefusal(swipe);
        if (!prepared.outcomes[i].refusal.isEmpty())
            continue;
        rows << PreparedSwipes::Row{i, canonicalCompany(swipe.company), cardField(swipe.card),
                                    TimeClock::bookingText(swipe.terminal, swipe.kind, swipe.card,
                                                           swipe.time, swipe.branch)};
    }
    // Stored in the order of their clock time and identity: two batches that
    // share swipes wait for each other's in the same order and never deadlock
    // (a file's order would let them take the same swipes crosswise), and the
    // list shows them as they were swiped.
    const auto order = [](const PreparedSwipes::Row &row) {
        return std::tuple{BookingText::field(row.text, BookingText::time),
                          BookingText::field(row.text, BookingText::terminal),
                          BookingText::field(row.text, BookingText::kind),
                          BookingText::field(row.text, BookingText::card),
                          QStringView(row.company)};
    };
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const PreparedSwipes::Row &a, const PreparedSwipes::Row &b) {
                         return order(a) < order(b);
                     });
    const qsizetype perStatement = swipesPerStatement(kind);
    for (qsizetype first = 0; first < rows.size(); first += perStatement) {
        PreparedSwipes::Statement statement{first, qMin(perStatement, rows.size() - first), {}};
        if (kind == EngineKind::Postgres) {
            const auto column = [&](QString PreparedSwipes::Row::*member) {
                return arrayOf(statement.count,
                               [&](qsizetype i) { return rows.at(first + i).*member; });
            };
            statement.arrays = {
                column(&PreparedSwipes::Row::company), column(&PreparedSwipes::Row::card),
                column(&PreparedSwipes::Row::text),
                arrayOf(statement.count, [](qsizetype i) { return QString::number(i); })};
        }
        prepared.statements << statement;
    }
    return prepared;
}

QVector<SwipeOutcome> SwipeBatch::book(const QVector<Swipe> &swipes)
{
    const PreparedSwipes prepared = prepareSwipes(swipes, session_.kind());
    QVector<SwipeOutcome> outcomes = prepared.outcomes;
    // Of two equal swipes in one batch the first is stored.
    QHash<QString, qsizetype> indexOfText;
    for (auto row = prepared.rows.crbegin(); row != prepared.rows.crend(); ++row) {
        indexOfText.insert(row->company + QLatin1Char('\n') + row->text, row->index);
        outcomes[row->index].kind = SwipeOutcome::BookedBefore;
    }
    store(prepared, QStringLiteral("id, firma, buchungstext, pnr"),
          [&](const QVariantList &answered) {
              SwipeOutcome &outcome = outcomes[indexOfText.value(
                  answered.at(1).toString() + QLatin1Char('\n') + answered.at(2).toString())];
              outcome.id = answered.at(0).toLongLong();
              outcome.employee = answered.at(3).toString();
              outcome.kind = outcome.employee.isEmpty() ? SwipeOutcome::UnassignedBooking
                                                        : SwipeOutcome::TimeBooking;
          });
    return outcomes;
}

SwipeCounts SwipeBatch::count(const PreparedSwipes &prepared)
{
    SwipeCounts counts;
    counts.bookedBefore = int(prepared.rows.size());
    store(prepared, QStringLiteral("pnr"), [&counts](const QVariantList &answered) {
        --counts.bookedBefore;
        ++(answered.at(0).toString().isEmpty() ? counts.unassigned : counts.timeBookings);
    });
    return counts;
}
