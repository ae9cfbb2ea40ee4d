#pragma once

#include "cacheapi/objects/connectiontarget.h"
#include "engine/engineconfig.h"

#include <QDateTime>
#include <QHash>
#include <QString>

enum ExitCode { ExitSuccess = 0, ExitFailure = 1, ExitUsage = 2 };

// What karven-admin was asked to do, with every default filled in.
struct AdminOptions
{
    QString command;
    EngineKind engine = EngineKind::Sqlite;
    bool engineGiven = false; // --engine was given, not taken from the environment or settings
    ConnectionTarget target;
    bool force = false;
    QString card;
    QString company = QStringLiteral("1");
    QString terminal = QStringLiteral("FIL01T1");
    QString kind = QStringLiteral("K");
    QString time = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmm"));
    QString employee;
    QString day;  // yyyy-mm-dd, typed as dd.mm.yyyy or yyyy-mm-dd
    QString file; // --to of backup, --from of restore, --csv of log and export, --file of swipes
    QString xlsxFile;                    // --xlsx of log and export
    QHash<QString, QString> importFiles; // import: kind of master data -> file
    bool dryRun = false;
    QString watchFolder;            // swipes --watch
    QString periodStart, periodEnd; // export --von, --bis: yyyy-mm-dd
    bool companyGiven = false;      // --firma was given, not defaulted
    QString action;                 // server: list, add, change or remove
    QHash<QString, QString> entry;  // server: the entry's options as given
    QString role;                   // grant: the workstations' PostgreSQL role
    bool takenOff = false;          // unassigned --erledigt
    qint64 swipeId = 0;             // reopen --id
    QString companyName;            // create, company: --name
    QString wj;                     // create, company: --wj, the business year
};
