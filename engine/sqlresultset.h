#pragma once

#include "cacheapi/objects/cacheobjects.h"
#include "engine/serverclasses.h"

#include <QSqlQuery>
#include <memory>

class Session;

// The rows of one server query, read forward.
class SqlResultSet : public ResultSet
{
public:
    SqlResultSet(std::shared_ptr<Session> session, const ClassDef &serverClass,
                 const QueryDef &query);

    void execute(const QVariantList &parameters) override;
    bool next() override;
    QVariant data(int column) override;
    void close() override;

private:
    std::shared_ptr<Session> session_;
    const ClassDef &class_;
    const QueryDef &query_;
    int columnCount_ = -1; // of the statement the last execute ran; -1: not counted yet
    std::unique_ptr<QSqlQuery> rows_;
    // A query with secret values arrives whole instead (Session::execPrivately).
    static constexpr int notExecuted = -2;
    QVector<QVariantList> privateRows_;
    int privateRow_ = notExecuted;
    bool onRow_ = false;
};
