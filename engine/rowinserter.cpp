#include "rowinserter.h"

#include "session.h"

namespace {

constexpr int rowsPerStatement = 100;

} // namespace

RowInserter::RowInserter(Session &session, const QString &table, const QStringList &columns)
    : session_(session), table_(table), columns_(columns),
      fullStatement_(session.prepare(statementFor(rowsPerStatement)))
{
}

void RowInserter::add(const QVariantList &values)
{
    Q_ASSERT(values.size() == columns_.size());
    pending_ += values;
    if (pending_.size() == rowsPerStatement * columns_.size()) {
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
