#include "engine/rowinserter.h"

#include "engine/session.h"

#include <algorithm>

namespace {

// Qt's SQLite driver looks each bound value up by its place among all of the
// statement's, so a statement's cost grows with the square of its values:
// a few hundred are the most that still pay.
constexpr int valuesPerStatement = 200;

} // namespace

RowInserter::RowInserter(Session &session, const QString &table, const QStringList &columns)
    : session_(session), table_(table), columns_(columns),
      rowsPerStatement_(std::max<int>(1, valuesPerStatement / int(columns.size()))),
      fullStatement_(session.prepare(statementFor(rowsPerStatement_)))
{
}

void RowInserter::add(const QVariantList &values)
{
    Q_ASSERT(values.size() == columns_.size());
    pending_ += values;
    if (pending_.size() == rowsPerStatement_ * columns_.size()) {
        session_.run(fullStatement_, pending_);
        pending_.clear();
    }
}

void RowInserter::flush()
{
    if (pending_.isEmpty())
        return;
    QSqlQuery rest = session_.prepare(statementFor(int(pending_.size() / columns_.size())));
    session_.run(rest, pending_);
    pending_.clear();
}

QString RowInserter::statementFor(int rows) const
{
    QStringList marks;
    marks.fill(QStringLiteral("?"), columns_.size());
    const QString row = QLatin1Char('(') + marks.join(QLatin1Char(',')) + QLatin1Char(')');
    QStringList values;
    values.fill(row, rows);
    return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
        .arg(table_, columns_.join(QStringLiteral(", ")), values.join(QLatin1Char(',')));
}
