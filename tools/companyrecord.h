#pragma once

#include "tools/commandline/commandline.h"

#include <QString>
#include <QTextStream>
#include <optional>

class Session;

// The company record ^FA(0) that every workstation reads at its start (the
// business year WJ): "KARVEN`" + WJ + "`" + company name.
struct CompanyRecord
{
    QString wj;
    QString name; // as displayed
};

std::optional<CompanyRecord> readCompanyRecord(Session &session);
void writeCompanyRecord(Session &session, const CompanyRecord &record);

// What is wrong with a WJ or company name as typed, in German; empty when nothing.
QString companyRecordProblem(const CompanyRecord &record);

// Applies --name and --wj to the session's record (both needed where there is
// none yet) and shows the result; false, saying why on err, when refused.
bool changeCompanyRecord(Session &session, const AdminOptions &options, QTextStream &out,
                         QTextStream &err);

// karven-admin company: shows the record; with --name or --wj changes it.
int manageCompanyRecord(const AdminOptions &options, QTextStream &out, QTextStream &err);
