#include "engine/sqlresultset.h"

#include "engine/actinguser.h"
#include "engine/boundvalue.h"
#include "engine/engineerrors.h"
#include "engine/session.h"
#include "engine/storedform.h"

#include <QSqlRecord>

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
    const QVariant company = actingUser(*session_).company;
    const bool companyScoped = !query_.sqlForContextCompany.isEmpty();
    QString sql = query_.sql;
    if (session_->kind() == EngineKind::Postgres) {
        if (companyScoped)
            values << company;
        sql = QStringLiteral("SELECT * FROM arbeitsplatz.%1(%2)")
                  .arg(query_.function, placeholders(values.size()));
    } else if (companyScoped && !company.isNull()) {
        values << company;
        sql = query_.sqlForContextCompany;
    }
    columnCount_ = -1;
    onRow_ = false;
    if (query_.privateParameters) {
        rows_.reset();
        privateRows_ = session_->execPrivately(sql, values);
        privateRow_ = -1;
        return;
    }
    privateRows_.clear();
    privateRow_ = notExecuted;
    rows_ = std::make_unique<QSqlQuery>(session_->exec(sql, values));
}

bool SqlResultSet::next()
{
    if (!rows_ && privateRow_ == notExecuted)
        EngineError::raise(EngineError::NoCurrentRow,
                           QStringLiteral("Abfrage %1:%2 wurde nicht ausgeführt")
                               .arg(class_.name, query_.name));
    onRow_ = rows_ ? rows_->next() : ++privateRow_ < privateRows_.size();
    return onRow_;
}

QVariant SqlResultSet::data(int column)
{
    if (!onRow_)
        EngineError::raise(EngineError::NoCurrentRow,
                           QStringLiteral("Abfrage %1:%2 steht auf keiner Zeile")
                               .arg(class_.name, query_.name));
    // Counted once per statement, on its first row: QSqlQuery::record() copies every value of the row.
    if (columnCount_ < 0)
        columnCount_ = rows_ ? rows_->record().count() : int(privateRows_.at(privateRow_).size());
    if (column < 1 || column > columnCount_)
        EngineError::raise(EngineError::InvalidColumn,
                           QStringLiteral("Abfrage %1:%2 hat keine Spalte %3")
                               .arg(class_.name, query_.name)
                               .arg(column));
    const QVariant value = rows_ ? rows_->value(column - 1) : privateRows_.at(privateRow_).at(column - 1);
    if (query_.displayColumns.contains(column))
        return storedToDisplay(value.toString());
    return value.isNull() ? QVariant(QString()) : value;
}

void SqlResultSet::close()
{
    rows_.reset();
    privateRows_.clear();
    privateRow_ = notExecuted;
    onRow_ = false;
}
