#include "engine/login/loginschema.h"

#include "cacheapi/objects/passwordsecret.h"
#include "engine/session.h"

#include <QSqlQuery>

void keepDerivedPasswords(Session &session)
{
    session.exec(QStringLiteral("ALTER TABLE parpersedv ADD COLUMN passwort_verfahren INTEGER NOT NULL"
                                " DEFAULT %1")
                     .arg(PasswordSecret::scheme));
    if (session.kind() == EngineKind::Postgres)
        session.execScript(QStringLiteral(
            "CREATE TRIGGER parpersedv_passwort_neu BEFORE INSERT ON parpersedv"
            " FOR EACH ROW EXECUTE FUNCTION intern.passwort_ankommend();"
            " CREATE TRIGGER parpersedv_passwort_geaendert BEFORE UPDATE OF passwort ON parpersedv"
            " FOR EACH ROW WHEN (NEW.passwort IS DISTINCT FROM OLD.passwort)"
            " EXECUTE FUNCTION intern.passwort_ankommend();"));
    // Every password until now was kept as it was typed.
    QVector<QVariantList> users;
    QSqlQuery rows = session.exec(QStringLiteral("SELECT firma, code, passwort FROM parpersedv"));
    while (rows.next())
        users << QVariantList{PasswordSecret::derive(rows.value(2).toString()), rows.value(0),
                              rows.value(1)};
    rows.finish();
    for (const QVariantList &user : users)
        session.exec(QStringLiteral("UPDATE parpersedv SET passwort = ? WHERE firma = ? AND code = ?"),
                     user);
}
