#pragma once

#include <QSqlQuery>
#include <QStringList>
#include <QVariantList>

class Session;

// Inserts many rows into one table, many rows a statement: on a server
// every statement costs a round trip, and a file of a hundred thousand swipes
// would otherwise spend most of its time waiting for them. Rows go in in the
// order they were added; runs in the caller's transaction.
class RowInserter
{
public:
    RowInserter(Session &session, const QString &table, const QStringList &columns);

    // One value per column. Inserts when a statement's rows are together.
    void add(const QVariantList &values);
    // Inserts the rows added since; call it before the transaction ends.
    void flush();

private:
    QString statementFor(int rows) const;

    Session &session_;
    QString table_;
    QStringList columns_;
    int rowsPerStatement_;
    QSqlQuery fullStatement_;
    QVariantList pending_;
};
