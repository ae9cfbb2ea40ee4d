#include "tools/import/masterdataimport.h"

#include "cacheapi/objects/cacheerror.h"
#include "cacheapi/objects/companynumber.h"
#include "cacheapi/objects/passwordsecret.h"
#include "engine/cardassignment.h"
#include "engine/engineerrors.h"
#include "engine/login/serverlogin.h"
#include "engine/session.h"
#include "engine/storedform.h"
#include "tools/import/csvreader.h"

#include <QHash>
#include <QSqlQuery>
#include <QSqlRecord>
#include <optional>

namespace {

// What a column holds, and so how its text is checked and stored.
enum class Value {
    Company,    // a company number
    Key,        // a number or code that names a record
    Name,       // text people read, kept in the server's stored form
    Text,       // other text, kept as it stands
    Password,   // as typed; at most as long as the login dialog takes
    Flag,       // J or N
    Card,       // a card number
    Department, // a department of the row's company, or empty
    Employee,   // an employee of the row's company
};

struct Column
{
    QString header;
    QString column;
    Value value;
    bool required;
};

struct TableSpec
{
    QString table;
    int keyColumns; // the first columns are the record's key
    QVector<Column> columns;
};

const TableSpec &tableSpec(MasterData kind)
{
    static const TableSpec departments{
        QStringLiteral("parpersabt"),
        2,
        {{QStringLiteral("Firma"), QStringLiteral("firma"), Value::Company, true},
         {QStringLiteral("Abteilung"), QStringLiteral("abtnr"), Value::Key, true},
         {QStringLiteral("Bezeichnung"), QStringLiteral("abtbez"), Value::Name, true},
         {QStringLiteral("Hauptabteilung"), QStringLiteral("habtnr"), Value::Text, false}}};
    static const TableSpec employees{
        QStringLiteral("persbasis"),
        2,
        {{QStringLiteral("Firma"), QStringLiteral("firma"), Value::Company, true},
         {QStringLiteral("Personalnummer"), QStringLiteral("pnr"), Value::Key, true},
         {QStringLiteral("Name"), QStringLiteral("name"), Value::Name, true},
         {QStringLiteral("Vorname"), QStringLiteral("vorname"), Value::Name, true},
         {QStringLiteral("Abteilung"), QStringLiteral("abtnr"), Value::Department, false},
         {QStringLiteral("Aktiv"), QStringLiteral("aktiv"), Value::Flag, false},
         {QStringLiteral("E-Mail"), QStringLiteral("email"), Value::Name, false},
         {QStringLiteral("Fax"), QStringLiteral("fax"), Value::Text, false}}};
    static const TableSpec loginUsers{
        QStringLiteral("parpersedv"),
        2,
        {{QStringLiteral("Firma"), QStringLiteral("firma"), Value::Company, true},
         {QStringLiteral("Kürzel"), QStringLiteral("code"), Value::Key, true},
         {QStringLiteral("Passwort"), QStringLiteral("passwort"), Value::Password, true},
         {QStringLiteral("Aktiv"), QStringLiteral("aktiv"), Value::Flag, false},
         // The login reads the user's department: a user without one could never log in.
         {QStringLiteral("Abteilung"), QStringLiteral("abtnr"), Value::Department, true},
         {QStringLiteral("Personalnummer"), QStringLiteral("pnr"), Value::Employee, false},
         {QStringLiteral("Name"), QStringLiteral("pname"), Value::Name, false},
         {QStringLiteral("Durchwahl"), QStringLiteral("dw"), Value::Text, false},
         {QStringLiteral("Berechtigungsgruppe"), QStringLiteral("bergrp"), Value::Text, false}}};
    static const TableSpec cards{
        QStringLiteral("karte"),
        2,
        {{QStringLiteral("Firma"), QStringLiteral("firma"), Value::Company, true},
         {QStringLiteral("Karte"), QStringLiteral("karte"), Value::Card, true},
         {QStringLiteral("Personalnummer"), QStringLiteral("pnr"), Value::Employee, true}}};
    switch (kind) {
    case MasterData::Departments:
        return departments;
    case MasterData::Employees:
        return employees;
    case MasterData::LoginUsers:
        return loginUsers;
    case MasterData::Cards:
        break;
    }
    return cards;
}

// The value as it is stored, or what is wrong with it.
struct Checked
{
    QString stored;
    QString problem;
};

Checked check(Value value, const QString &raw, bool required)
{
    const QString text = value == Value::Password ? raw : raw.trimmed();
    if (hasControlCharacters(text))
        return {{}, QStringLiteral("enthält Steuerzeichen (Zeilenumbruch, Tabulator o. ä.)")};
    if (text.isEmpty())
        return {QStringLiteral(""),
                required || value == Value::Flag ? QStringLiteral("ist leer") : QString()};
    const bool keptInStoredForm = value == Value::Key || value == Value::Department ||
                                  value == Value::Employee || value == Value::Name;
    if (const QString unstorable = unstorableReason(text);
        keptInStoredForm && !unstorable.isEmpty())
        return {{}, unstorable};
    switch (value) {
    case Value::Company:
        if (!isCompanyNumber(text))
            return {{},
                    QStringLiteral("„%1“ ist keine Firmennummer (1 bis %2)")
                        .arg(text.left(40))
                        .arg(highestCompany)};
        return {canonicalCompany(text), {}};
    case Value::Key:
    case Value::Department:
    case Value::Employee:
        if (text.size() > 20)
            return {{}, QStringLiteral("„%1“ ist länger als 20 Zeichen").arg(text.left(40))};
        return {displayToStored(text), {}};
    case Value::Password:
        if (text.size() > 20)
            return {{}, QStringLiteral("ist länger als 20 Zeichen")};
        // Kept only as the value the workstations derive from it.
        return {PasswordSecret::derive(text), {}};
    case Value::Flag: {
        const QString flag = text.toUpper();
        if (flag == QLatin1String("J") || flag == QLatin1String("JA"))
            return {QStringLiteral("J"), {}};
        if (flag == QLatin1String("N") || flag == QLatin1String("NEIN"))
            return {QStringLiteral("N"), {}};
        return {{}, QStringLiteral("„%1“ ist weder J noch N").arg(text.left(40))};
    }
    case Value::Card:
        if (cardField(raw).isEmpty())
            return {{},
                    QStringLiteral("„%1“ ist keine Kartennummer (1 bis 10 Zeichen)")
                        .arg(text.left(40))};
        return {cardField(raw), {}};
    case Value::Name:
    case Value::Text:
        break;
    }
    if (text.size() > 200)
        return {{}, QStringLiteral("ist länger als 200 Zeichen")};
    return {value == Value::Name ? displayToStored(text) : text, {}};
}

struct Row
{
    int line;
    QVector<const Column *> columns;
    QStringList values; // stored form, in the order of columns
};

// Thrown to roll the transaction back after errors found in it.
struct RollBack
{
};

class Importer
{
public:
    Importer(Session &session, MasterData kind, ImportReport &report)
        : session_(session), kind_(kind), spec_(tableSpec(kind)), report_(report)
    {}

    // Reads the file into checked rows; false when any row is wrong.
    bool read(const QString &path)
    {
        const CsvFile csv = readCsvFile(path);
        report_.encoding = csv.encoding;
        if (!csv.error.isEmpty())
            return fail(csv.error);
        if (csv.records.isEmpty())
            return fail(QStringLiteral(
                "Die Datei ist leer; erwartet wird eine Kopfzeile mit den Spaltennamen"));
        if (!readHeader(csv.records.first()))
            return false;
        QHash<QString, int> keys;
        for (const CsvRecord &record : csv.records.mid(1)) {
            if (!readRow(record))
                continue;
            const Row &row = rows_.last();
            const QString key = keyOf(row.values);
            if (keys.contains(key))
                error(record.line, QStringLiteral("%1 steht schon in Zeile %2")
                                       .arg(describeKey(row))
                                       .arg(keys.value(key)));
            else
                keys.insert(key, record.line);
        }
        report_.rows = rows_.size();
        return report_.errors.isEmpty();
    }

    void store()
    {
        try {
            session_.transaction([&] {
                if (rows_.isEmpty())
                    return;
                const Statements statements = statementsFor(rows_.first());
                for (const Row &row : rows_)
                    storeRow(row, statements);
                if (!report_.errors.isEmpty())
                    throw RollBack();
            });
        } catch (const RollBack &) {
        }
    }

private:
    bool fail(const QString &problem)
    {
        report_.errors << problem;
        return false;
    }

    void error(int line, const QString &problem)
    {
        report_.errors << QStringLiteral("Zeile %1: %2").arg(line).arg(problem);
    }

    bool readHeader(const CsvRecord &header)
    {
        QStringList known, required;
        for (const Column &column : spec_.columns) {
            known << column.header;
            if (column.required)
                required << column.header;
        }
        header_ = readCsvHeader(header, known, required);
        report_.errors << header_.errors;
        return report_.errors.isEmpty();
    }

    bool readRow(const CsvRecord &record)
    {
        if (record.fields.size() != header_.fieldCount) {
            error(record.line, QStringLiteral("%1 Felder statt %2 wie in der Kopfzeile")
                                   .arg(record.fields.size())
                                   .arg(header_.fieldCount));
            return false;
        }
        // Key columns first, then the others in the order the table names them.
        Row row{record.line, {}, {}};
        bool ok = true;
        for (const Column &column : spec_.columns) {
            const int index = header_.columnOf.value(column.header, -1);
            if (index < 0)
                continue;
            const Checked value = check(column.value, record.fields.at(index), column.required);
            if (!value.problem.isEmpty()) {
                error(record.line, column.header + QLatin1Char(' ') + value.problem);
                ok = false;
            }
            row.columns << &column;
            row.values << value.stored;
        }
        if (ok)
            rows_.append(row);
        return ok;
    }

    QString describeKey(const Row &row) const
    {
        QStringList parts;
        for (int i = 0; i < spec_.keyColumns; ++i)
            parts << row.columns.at(i)->header + QLatin1Char(' ') +
                         storedToDisplay(row.values.at(i));
        return parts.join(QStringLiteral(", "));
    }

    bool referencesExist(const Row &row)
    {
        const QString company = row.values.at(0);
        bool ok = true;
        for (int i = spec_.keyColumns; i < row.columns.size(); ++i) {
            const Value value = row.columns.at(i)->value;
            if (row.values.at(i).isEmpty() ||
                (value != Value::Department && value != Value::Employee))
                continue;
            const bool department = value == Value::Department;
            QSqlQuery &found =
                run(department
                        ? QStringLiteral("SELECT 1 FROM parpersabt WHERE firma = ? AND abtnr = ?")
                        : QStringLiteral("SELECT 1 FROM persbasis WHERE firma = ? AND pnr = ?"),
                    {company, row.values.at(i)});
            const bool exists = found.next();
            found.finish();
            if (!exists) {
                error(row.line, QStringLiteral("%1 %2 der Firma %3 gibt es nicht")
                                    .arg(department ? QStringLiteral("Abteilung")
                                                    : QStringLiteral("Mitarbeiter"),
                                         storedToDisplay(row.values.at(i)), company));
                ok = false;
            }
        }
        return ok;
    }

    // What each row of a file runs; its rows all have the header's columns.
    struct Statements
    {
        QString select; // the stored records of one company, key columns first
        QString insert;
        QString update;
        int flagsAdded; // values "J" appended to an insert: a new record without an Aktiv column is
                        // active
    };

    Statements statementsFor(const Row &row) const
    {
        QStringList columns, keyConditions, assignments;
        for (int i = 0; i < row.columns.size(); ++i) {
            columns << row.columns.at(i)->column;
            (i < spec_.keyColumns ? keyConditions : assignments)
                << row.columns.at(i)->column + QStringLiteral(" = ?");
        }
        const QString keyCondition = keyConditions.join(QStringLiteral(" AND "));
        QStringList inserted = columns;
        for (const Column &column : spec_.columns) {
            if (column.value == Value::Flag && !inserted.contains(column.column))
                inserted << column.column;
        }
        return {
            QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                .arg(columns.join(QStringLiteral(", ")), spec_.table, columns.first()),
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(spec_.table, inserted.join(QStringLiteral(", ")),
                     QStringList(inserted.size(), QStringLiteral("?")).join(QStringLiteral(", "))),
            QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                .arg(spec_.table, assignments.join(QStringLiteral(", ")), keyCondition),
            int(inserted.size() - columns.size())};
    }

    void storeRow(const Row &row, const Statements &statements)
    {
        if (!referencesExist(row))
            return;
        const QVariantList values(row.values.cbegin(), row.values.cend());
        const QVariantList keys = values.mid(0, spec_.keyColumns);
        const auto &stored = storedRecords(row.values.first(), statements);
        const auto record = stored.constFind(keyOf(row.values));
        const bool found = record != stored.cend();
        if (found && *record == asKept(row)) {
            ++report_.unchanged;
            return;
        }
        if (kind_ == MasterData::Cards) {
            // A card taken over books the card's open unassigned bookings and is logged.
            // The engine refuses what no workstation may do either, e.g. an inactive employee.
            session_.variables().insert(QStringLiteral("PERSONAL"), QStringLiteral("IMPORT"));
            try {
                assignCard(session_, row.values.at(0), row.values.at(2), row.values.at(1),
                           std::nullopt);
            } catch (const CacheError &refused) {
                if (refused.number() != EngineError::AssignmentRefused)
                    throw;
                error(row.line, refused.description());
                return;
            }
        } else if (found) {
            run(statements.update, values.mid(spec_.keyColumns) + keys);
        } else {
            run(statements.insert,
                values + QVariantList(statements.flagsAdded, QStringLiteral("J")));
        }
        ++(found ? report_.changed : report_.added);
    }

    // The row's values as the database keeps them, to compare with what it keeps.
    QStringList asKept(const Row &row)
    {
        QStringList values = row.values;
        for (int i = 0; i < row.columns.size(); ++i)
            if (row.columns.at(i)->value == Value::Password)
                values[i] = passwordAsKept(session_, values.at(i));
        return values;
    }

    QString keyOf(const QStringList &values) const
    {
        return values.mid(0, spec_.keyColumns).join(QChar(0x1f));
    }

    // The company's stored records by key: read once, a file of ten thousand rows
    // would otherwise ask for each. A file names each key once, so what it
    // writes never needs to be read back.
    const QHash<QString, QStringList> &storedRecords(const QString &company,
                                                     const Statements &statements)
    {
        auto known = stored_.constFind(company);
        if (known != stored_.cend())
            return *known;
        QHash<QString, QStringList> &records = stored_[company];
        QSqlQuery &found = run(statements.select, {company});
        const int columns = found.record().count();
        while (found.next()) {
            QStringList values;
            for (int i = 0; i < columns; ++i)
                values << found.value(i).toString();
            records.insert(keyOf(values), values);
        }
        // Finished before writing: an unfinished read keeps SQLite from writing.
        found.finish();
        return records;
    }

    // Runs a statement that every row repeats, prepared once for the file.
    QSqlQuery &run(const QString &sql, const QVariantList &values)
    {
        auto statement = statements_.find(sql);
        if (statement == statements_.end())
            statement = statements_.insert(sql, session_.prepare(sql));
        session_.run(*statement, values);
        return *statement;
    }

    Session &session_;
    const MasterData kind_;
    const TableSpec &spec_;
    ImportReport &report_;
    CsvHeader header_;
    QVector<Row> rows_;
    QHash<QString, QSqlQuery> statements_;
    QHash<QString, QHash<QString, QStringList>> stored_; // company -> key -> stored values
};

} // namespace

QString masterDataName(MasterData kind)
{
    switch (kind) {
    case MasterData::Departments:
        return QStringLiteral("abteilungen");
    case MasterData::Employees:
        return QStringLiteral("mitarbeiter");
    case MasterData::LoginUsers:
        return QStringLiteral("benutzer");
    case MasterData::Cards:
        break;
    }
    return QStringLiteral("karten");
}

ImportReport importMasterData(Session &session, MasterData kind, const QString &path)
{
    ImportReport report;
    Importer importer(session, kind, report);
    if (importer.read(path))
        importer.store();
    return report;
}
