#include "sqlresultset.h"

#include "boundvalue.h"
#include "engineerrors.h"
#include "session.h"
#include "storedform.h"

#include <QHash>
#include <QSqlRecord>

namespace {

// QSqlQuery::record() copies every value of the current row, too dear for each value read;
// the columns of a statement never change, so they are counted once per statement.
int columnCount(const QString &sql, const QSqlQuery &rows)
{
    static QHash<QString, int> counts;
    const auto known = counts.constFind(sql);
    if (known != counts.cend())
        return *known;
    const int count = rows.record().count();
    counts.insert(sql, count);
    return count;
}

} // namespace

SqlResultSet::SqlResultSet(std::shared_ptr<Session> session, const ClassDef &serverClass,
                           const QueryDef &query)
    : session_(std::move(session)), class_(serverClass), query_(query)
{
}

void SqlResultSet::execute(const QVariantList &parameters)
{
    if (parameters.size() != query_.parameterCount)
        EngineError::raise(EngineError::WrongArguments,
                           QStringLiteral("Abfrage %1:%2 erwartet %3 Parameter, erhalten: %4")
                               .arg(class_.name, query_.name)
                               .arg(query_.parameterCount)
                               .arg(parameters.size()));
    QVariantList values;
    for (const QVariant &parameter : parameters)
        values << boundValue(parameter);
    const QVariant company = session_->contextCompany();
    const bool companyScoped = !query_.sqlForContextCompany.isEmpty();
    if (session_->kind() == EngineKind::Postgres) {
        if (companyScoped)
            values << company;
        sql_ = QStringLiteral("SELECT * FROM arbeitsplatz.%1(%2)")
                   .arg(query_.function, placeholders(values.size()));
    } else if (companyScoped && !company.isNull()) {
        values << company;
        sql_ = query_.sqlForContextCompany;
    } else {
        sql_ = query_.sql;
    }
    rows_ = std::make_unique<QSqlQuery>(session_->exec(sql_, values));
    onRow_ = false;
}

bool SqlResultSet::next()
{
    if (!rows_)
        EngineError::raise(EngineError::NoCurrentRow,
                           QStringLiteral("Abfrage %1:%2 wurde nicht ausgeführt")
                               .arg(class_.name, query_.name));
    onRow_ = rows_->next();
    return onRow_;
}

QVariant SqlResultSet::data(int column)
{
    if (!onRow_)
        EngineError::raise(EngineError::NoCurrentRow,
                           QStringLiteral("Abfrage %1:%2 steht auf keiner Zeile")
                               .arg(class_.name, query_.name));
    if (column < 1 || column > columnCount(sql_, *rows_))
        EngineError::raise(EngineError::InvalidColumn,
                           QStringLiteral("Abfrage %1:%2 hat keine Spalte %3")
                               .arg(class_.name, query_.name)
                               .arg(column));
    const QVariant value = rows_->value(column - 1);
    if (query_.displayColumns.contains(column))
        return storedToDisplay(value.toString());
    return value.isNull() ? QVariant(QString()) : value;
}

void SqlResultSet::close()
{
    rows_.reset();
    onRow_ = false;
}
