#pragma once

#include <QString>
#include <QVector>

// The server classes the program relies on, mapped onto the engine's tables.
// Class, member and query names match without regard to case.

struct PropertyDef
{
    QString name;   // member name as the server spells it
    QString column; // table column
    bool isInteger = false;
};

struct QueryDef
{
    QString name;
    // On PostgreSQL the query is this function of schema arbeitsplatz; a
    // company-scoped one takes the context's company (or null) last.
    QString function;
    QString sql;
    int parameterCount = 0;
    QVector<int> displayColumns; // columns (from 1) handed out in display form
    // When the connection's server context names a company (FIRMA), this query
    // runs instead, with the company as one more parameter after the caller's.
    QString sqlForContextCompany = QString();
    // Its values are secrets: no other connection may see them (Session::execPrivately).
    bool privateParameters = false;
};

struct ClassDef
{
    QString name;
    QString table;            // empty: the class has no stored objects
    QStringList keyColumns;   // an id is the key values joined by "||"
    bool integerId = false;   // a single numeric key
    QVector<PropertyDef> properties;
    QVector<QueryDef> queries;
    bool savable = false; // sys_save writes the object back

    const PropertyDef *findProperty(const QString &member) const;
    const QueryDef *findQuery(const QString &queryName) const;
    bool isPersistent() const { return !table.isEmpty(); }
};

// The class of that name, or nullptr when the server has none.
const ClassDef *findServerClass(const QString &className);

inline bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}
