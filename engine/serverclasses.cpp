#include "engine/serverclasses.h"

#include <QStringList>

namespace {

// The assignment log newest first, the last 1000. Parameters: card, employee
// (as holder before or after), day yyyymmdd; an empty one matches any. Columns:
// id, when (yyyymmddhhmmss), card, holder before, holder after and their name,
// kind (Z assigned, W changed hands, K corrected), who, bookings it booked or moved.
QString assignmentLog(const QString &companyCondition)
{
    return QStringLiteral(
               "SELECT z.id, z.am, z.karte, z.pnr_vorher, z.pnr, COALESCE(p.name || ', ' || p.vorname, ''),"
               " z.art, z.von,"
               " (SELECT count(*) FROM kartenzuordnung_stempelung b WHERE b.zuordnung_id = z.id)"
               " FROM kartenzuordnung z LEFT JOIN persbasis p ON p.firma = z.firma AND p.pnr = z.pnr"
               " WHERE trim(z.karte) = COALESCE(NULLIF(trim(CAST(? AS TEXT)), ''), trim(z.karte))"
               " AND COALESCE(NULLIF(trim(CAST(? AS TEXT)), ''), z.pnr) IN (z.pnr, z.pnr_vorher)"
               " AND substr(z.am, 1, 8) = COALESCE(NULLIF(trim(CAST(? AS TEXT)), ''), substr(z.am, 1, 8))"
               "%1 ORDER BY z.id DESC LIMIT 1000")
        .arg(companyCondition);
}

const QVector<ClassDef> &serverClasses()
{
    static const QVector<ClassDef> classes = {
        {QStringLiteral("KV.ParPersEdv"),
         QStringLiteral("parpersedv"),
         {QStringLiteral("firma"), QStringLiteral("code")},
         false,
         // The password is the server's to compare (a login), never read.
         {{QStringLiteral("Aktiv"), QStringLiteral("aktiv")},
          {QStringLiteral("PNAME"), QStringLiteral("pname")},
          {QStringLiteral("PNR"), QStringLiteral("pnr")},
          {QStringLiteral("ABTNR"), QStringLiteral("abtnr")},
          {QStringLiteral("DW"), QStringLiteral("dw")},
          {QStringLiteral("BERGRP"), QStringLiteral("bergrp")}},
         // Parameters: the value derived from the password, the company; the
         // third is reserved by the server and not evaluated.
         {{QStringLiteral("UserViaPasswort"),
           QStringLiteral("userviapasswort"),
           QStringLiteral("SELECT code FROM parpersedv WHERE passwort = ? AND firma = ?"
                          " AND CAST(? AS TEXT) IS NOT NULL ORDER BY code"),
           3,
           {},
           QString(),
           true}}},
        {QStringLiteral("KV.ParPersAbt"),
         QStringLiteral("parpersabt"),
         {QStringLiteral("firma"), QStringLiteral("abtnr")},
         false,
         {{QStringLiteral("abtbez"), QStringLiteral("abtbez")},
          {QStringLiteral("ABTNR"), QStringLiteral("abtnr")},
          {QStringLiteral("HAbtNr"), QStringLiteral("habtnr")}},
         {}},
        {QStringLiteral("KV.PersBasis"),
         QStringLiteral("persbasis"),
         {QStringLiteral("firma"), QStringLiteral("pnr")},
         false,
         {{QStringLiteral("Name"), QStringLiteral("name")},
          {QStringLiteral("Vorname"), QStringLiteral("vorname")},
          {QStringLiteral("Aktiv"), QStringLiteral("aktiv")},
          {QStringLiteral("Fax"), QStringLiteral("fax")},
          {QStringLiteral("EMail"), QStringLiteral("email")}},
         // Employees by name, as people look them up.
         {{QStringLiteral("ListeAktiv"),
           QStringLiteral("listeaktiv"),
           QStringLiteral("SELECT pnr, name || ', ' || vorname FROM persbasis"
                          " WHERE firma = ? AND aktiv = 'J' ORDER BY name, vorname, pnr"),
           1,
           {2}}}},
        // A time clock's swipes; the objects of the class are the swipes, its
        // list the open ones (booked to nobody and not taken off the list).
        {QStringLiteral("Quastel.NoPers"),
         QStringLiteral("stempelung"),
         {QStringLiteral("id")},
         true,
         {{QStringLiteral("Firma"), QStringLiteral("firma")},
          {QStringLiteral("Karte"), QStringLiteral("karte")},
          {QStringLiteral("Buchungstext"), QStringLiteral("buchungstext")}},
         // The open swipes in the order they arrived: of the workstation's
         // company, or all of them on a connection without one. Third column:
         // the company's count of new bookings with them, where the server
         // tells of new bookings (null elsewhere).
         {{QStringLiteral("Liste"),
           QStringLiteral("nopers_liste"),
           QStringLiteral("SELECT id, buchungstext, NULL FROM stempelung"
                          " WHERE pnr IS NULL AND erledigt_am IS NULL ORDER BY id"),
           0,
           {},
           QStringLiteral("SELECT id, buchungstext, NULL FROM stempelung"
                          " WHERE pnr IS NULL AND erledigt_am IS NULL AND firma = ? ORDER BY id")},
          // How many open swipes arrived after the one with the given id: a
          // light look for new ones while a workstation shows its list.
          {QStringLiteral("AnzahlNeu"),
           QStringLiteral("nopers_anzahlneu"),
           QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NULL AND erledigt_am IS NULL"
                          " AND id > CAST(? AS BIGINT)"),
           1,
           {},
           QStringLiteral("SELECT count(*) FROM stempelung WHERE pnr IS NULL AND erledigt_am IS NULL"
                          " AND id > CAST(? AS BIGINT) AND firma = ?")},
          // Who holds a card of the company (parameters: company, card), for
          // asking before the card changes hands: employee number, name, who
          // assigned it and when (yyyymmddhhmmss). No row: nobody.
          {QStringLiteral("Karteninhaber"),
           QStringLiteral("karteninhaber"),
           QStringLiteral("SELECT k.pnr, COALESCE(p.name || ', ' || p.vorname, ''), k.zugeordnet_von,"
                          " k.zugeordnet_am FROM karte k LEFT JOIN persbasis p ON p.firma = k.firma"
                          " AND p.pnr = k.pnr WHERE k.firma = trim(CAST(? AS TEXT))"
                          " AND trim(k.karte) = trim(CAST(? AS TEXT))"),
           2,
           {2, 3}}}},
        {QStringLiteral("KV.KassaSW"),
         QStringLiteral("kassasw"),
         {QStringLiteral("id")},
         true,
         {{QStringLiteral("Name"), QStringLiteral("name")},
          {QStringLiteral("Firma"), QStringLiteral("firma")},
          {QStringLiteral("FIL"), QStringLiteral("fil")},
          {QStringLiteral("ip"), QStringLiteral("ip")},
          {QStringLiteral("PORT"), QStringLiteral("port")},
          {QStringLiteral("NAMESPACE"), QStringLiteral("namespace")},
          {QStringLiteral("Type"), QStringLiteral("type"), true}},
         // Parameters: the entry type; the second is reserved and not evaluated.
         {{QStringLiteral("ConnStrg"),
           QStringLiteral("connstrg"),
           QStringLiteral("SELECT id, name FROM kassasw WHERE type = ?"
                          " AND CAST(? AS TEXT) IS NOT NULL ORDER BY id"),
           2,
           {}},
          // The branches of a company (parameter: company) by their servers:
          // branch number and name, as booking details name a time clock's branch.
          {QStringLiteral("Filialen"),
           QStringLiteral("filialen"),
           QStringLiteral("SELECT fil, name FROM kassasw WHERE firma = trim(CAST(? AS TEXT))"
                          " AND type = 0 ORDER BY id"),
           1,
           {}}},
         // The server list's entries are edited at the workstations.
         true},
        // The card assignment log, read and corrected only: its entries are never changed.
        {QStringLiteral("Quastel.Kartenzuordnung"),
         QString(),
         {},
         false,
         {},
         {{QStringLiteral("Liste"), QStringLiteral("zuordnungen"), assignmentLog(QString()), 3, {6, 8},
           assignmentLog(QStringLiteral(" AND z.firma = ?"))}}},
        {QStringLiteral("KV.Windows"), QString(), {}, false, {}, {}},
    };
    return classes;
}

} // namespace

const PropertyDef *ClassDef::findProperty(const QString &member) const
{
    for (const PropertyDef &property : properties)
        if (sameName(property.name, member))
            return &property;
    return nullptr;
}

const QueryDef *ClassDef::findQuery(const QString &queryName) const
{
    for (const QueryDef &query : queries)
        if (sameName(query.name, queryName))
            return &query;
    return nullptr;
}

const ClassDef *findServerClass(const QString &className)
{
    for (const ClassDef &serverClass : serverClasses())
        if (sameName(serverClass.name, className))
            return &serverClass;
    return nullptr;
}
