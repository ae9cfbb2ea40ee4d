#include "engine/login/serverlogin.h"

#include "cacheapi/objects/companynumber.h"
#include "engine/engineerrors.h"
#include "engine/login/loginstatements.h"
#include "engine/objectstore.h"
#include "engine/session.h"
#include "engine/sharedstatements.h"

#include <QSqlRecord>

namespace {

// The outcome and the records as the login check answers them.
QVariantList checkedLogin(Session &session, const QString &company, const LoginRequest &request)
{
    QVariantList values;
    if (session.kind() == EngineKind::Postgres) {
        const QVector<QVariantList> rows = session.execPrivately(
            QStringLiteral("SELECT * FROM arbeitsplatz.anmelden(?, ?, ?, ?)"),
            {company, request.branch.trimmed(), request.code, request.secret});
        values = rows.value(0);
    } else {
        QSqlQuery row = runSharedStatement(session, LoginStatement::checkLogin,
                                           {{QStringLiteral("firma"), company},
                                            {QStringLiteral("code"), request.code},
                                            {QStringLiteral("geheim"), request.secret}});
        if (row.next())
            for (int column = 0; column < row.record().count(); ++column)
                values << row.value(column);
    }
    if (values.isEmpty())
        return {QStringLiteral("unbekannt")};
    // The server keeps its own record of the login; the session keeps one
    // for what the engine decides itself (which company a list shows).
    if (values.at(0).toString() == QLatin1String("angemeldet"))
        session.setLoggedInUser(Session::LoggedInUser{company, request.branch.trimmed(), request.code});
    return values;
}

} // namespace

LoginAnswer logInOnSession(Session &session, const LoginRequest &request)
{
    session.setLoggedInUser(std::nullopt);
    const QString company = canonicalCompany(request.company);
    const QVariantList values = checkedLogin(session, company, request);
    const QString status = values.value(0).toString();
    if (status == QLatin1String("gesperrt"))
        EngineError::raise(EngineError::LoginLocked,
                           QStringLiteral("Zu viele fehlgeschlagene Anmeldungen von diesem Arbeitsplatz "
                                          "für Firma %1; die Anmeldung ist für 30 Sekunden gesperrt")
                               .arg(company.left(40)));
    if (status != QLatin1String("angemeldet") && status != QLatin1String("abgelehnt") &&
        status != QLatin1String("abteilung") && status != QLatin1String("basis"))
        EngineError::raise(EngineError::ObjectNotFound,
                           ObjectStore::notFoundText(QStringLiteral("KV.ParPersEdv"),
                                                     company + QStringLiteral("||") + request.code));
    LoginAnswer answer;
    const auto text = [&values](int column) { return values.value(column).toString(); };
    answer.pname = text(1);
    answer.pnr = text(2);
    answer.abtnr = text(3);
    answer.dw = text(4);
    answer.bergrp = text(5);
    answer.abtbez = text(6);
    answer.habtnr = text(7);
    answer.fax = text(8);
    answer.email = text(9);
    if (status == QLatin1String("abgelehnt")) {
        answer.status = LoginAnswer::Status::Rejected;
    } else if (status == QLatin1String("abteilung")) {
        answer.status = LoginAnswer::Status::NoDepartment;
        answer.errorNumber = EngineError::ObjectNotFound;
        answer.errorText = ObjectStore::notFoundText(QStringLiteral("KV.ParPersAbt"),
                                                     company + QStringLiteral("||") + answer.abtnr);
    } else if (status == QLatin1String("basis")) {
        answer.status = LoginAnswer::Status::NoBaseRecord;
        answer.errorNumber = EngineError::ObjectNotFound;
        answer.errorText = ObjectStore::notFoundText(QStringLiteral("KV.PersBasis"),
                                                     company + QStringLiteral("||") + answer.pnr);
    } else {
        answer.status = LoginAnswer::Status::LoggedIn;
    }
    return answer;
}

QString passwordAsKept(Session &session, const QString &secret)
{
    if (session.kind() != EngineKind::Postgres)
        return secret;
    return session.firstValue(QStringLiteral("SELECT intern.passwort_schluesseln(?)"), {secret}).toString();
}
