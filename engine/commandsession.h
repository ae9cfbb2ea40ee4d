#pragma once

#include "engine/command/servercommand.h"

class Session;

// The server side of "Xecute": commands run against the connection's
// variables and the database's global nodes.
class CommandSession : public CommandEnvironment
{
public:
    explicit CommandSession(Session &session) : session_(session) {}

    QHash<QString, QString> &variables() override;
    QString global(const QString &name, const QStringList &subscripts) override;
    void runRoutine(const QString &name) override;

    // How global subscripts are kept in one column.
    static QString joinSubscripts(const QStringList &subscripts);

private:
    Session &session_;
};
