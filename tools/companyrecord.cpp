#include "tools/companyrecord.h"

#include "engine/commandsession.h"
#include "engine/session.h"
#include "engine/storedform.h"
#include "tools/admindatabase.h"

#include <QRegularExpression>

namespace {
const QString recordName = QStringLiteral("FA");
const QChar delimiter = QLatin1Char('`');

QString recordSubscripts()
{
    return CommandSession::joinSubscripts({QStringLiteral("0")});
}

void show(const CompanyRecord &record, QTextStream &out)
{
    out << "Firma: " << record.name << '\n' << "Wirtschaftsjahr (WJ): " << record.wj << '\n';
}
} // namespace

std::optional<CompanyRecord> readCompanyRecord(Session &session)
{
    const QVariant value = session.firstValue(
        QStringLiteral("SELECT value FROM globale WHERE name = ? AND subscripts = ?"),
        {recordName, recordSubscripts()});
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    const QString text = value.toString();
    return CompanyRecord{text.section(delimiter, 1, 1),
                         storedToDisplay(text.section(delimiter, 2))};
}

void writeCompanyRecord(Session &session, const CompanyRecord &record)
{
    const QString value =
        QStringLiteral("KARVEN") + delimiter + record.wj + delimiter + displayToStored(record.name);
    session.transaction([&] {
        session.exec(QStringLiteral("DELETE FROM globale WHERE name = ? AND subscripts = ?"),
                     {recordName, recordSubscripts()});
        session.exec(
            QStringLiteral("INSERT INTO globale (name, subscripts, value) VALUES (?, ?, ?)"),
            {recordName, recordSubscripts(), value});
    });
}

QString companyRecordProblem(const CompanyRecord &record)
{
    static const QRegularExpression year(QStringLiteral("^(19|20|21)[0-9]{2}$"));
    if (!year.match(record.wj).hasMatch())
        return QStringLiteral("--wj \"%1\" ist kein Wirtschaftsjahr (vierstellig, z. B. 2024)")
            .arg(record.wj.left(40));
    const QString name = record.name;
    if (name.trimmed().isEmpty() || name.size() > 60)
        return QStringLiteral("--name muss 1 bis 60 Zeichen lang sein");
    for (const QChar c : name)
        if (c == delimiter || c.category() == QChar::Other_Control)
            return QStringLiteral("--name darf weder \"`\" noch Steuerzeichen enthalten");
    const QString unstorable = unstorableReason(name);
    return unstorable.isEmpty() ? QString() : QStringLiteral("--name: ") + unstorable;
}

bool changeCompanyRecord(Session &session, const AdminOptions &options, QTextStream &out,
                         QTextStream &err)
{
    const std::optional<CompanyRecord> current = readCompanyRecord(session);
    if (!current && (options.companyName.isEmpty() || options.wj.isEmpty())) {
        err << "Datenbank " << databaseLocation(options)
            << " hat noch keinen Firmeneintrag; beim ersten Mal braucht es --name und --wj.\n";
        return false;
    }
    CompanyRecord changed = current.value_or(CompanyRecord{});
    if (!options.companyName.isEmpty())
        changed.name = options.companyName;
    if (!options.wj.isEmpty())
        changed.wj = options.wj;
    const QString problem = companyRecordProblem(changed);
    if (!problem.isEmpty()) {
        err << problem << "; nichts geändert.\n";
        return false;
    }
    writeCompanyRecord(session, changed);
    if (current && current->wj != changed.wj)
        out << "Wirtschaftsjahr gewechselt: " << current->wj << " -> " << changed.wj
            << " (gilt für jeden Arbeitsplatz ab seiner nächsten Anmeldung)\n";
    show(changed, out);
    return true;
}

int manageCompanyRecord(const AdminOptions &options, QTextStream &out, QTextStream &err)
{
    Session session(options.engine, options.target);
    if (!openExisting(session, options, err))
        return ExitFailure;
    if (!options.companyName.isEmpty() || !options.wj.isEmpty())
        return changeCompanyRecord(session, options, out, err) ? ExitSuccess : ExitFailure;
    const std::optional<CompanyRecord> current = readCompanyRecord(session);
    if (!current) {
        err << "Datenbank " << databaseLocation(options)
            << " hat keinen Firmeneintrag; anlegen mit \"karven-admin company --name NAME "
               "--wj JJJJ\".\n";
        return ExitFailure;
    }
    show(*current, out);
    return ExitSuccess;
}
