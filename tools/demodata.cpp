#include "tools/demodata.h"

#include "cacheapi/objects/passwordsecret.h"
#include "engine/cardassignment.h"
#include "engine/session.h"
#include "engine/storedform.h"
#include "engine/timeclock.h"
#include "tools/companyrecord.h"

#include <QDate>
#include <QDateTime>
#include <QSqlQuery>

namespace {

struct Department
{
    const char *company;
    const char *number;
    const char *name;
    const char *parent;
};

const Department departments[] = {
    {"1", "10", "Verwaltung", ""}, {"1", "20", "Verkauf", ""},    {"1", "21", "Kasse", "20"},
    {"1", "30", "Lager", ""},      {"1", "40", "Fuhrpark", "30"}, {"1", "50", "Außendienst", "20"},
    {"2", "10", "Verwaltung", ""}, {"2", "20", "Großhandel", ""},
};

struct Employee
{
    const char *company;
    const char *number;
    const char *surname;
    const char *firstName;
    bool active;
};

const Employee employees[] = {
    {"1", "1001", "Dorn", "Anna", true},         {"1", "1002", "Müller", "Jürgen", true},
    {"1", "1003", "Schäfer", "Käthe", true},     {"1", "1004", "Weiß", "Thomas", true},
    {"1", "1005", "Groß", "Sabine", true},       {"1", "1006", "Köhler", "Björn", true},
    {"1", "1007", "Bäcker", "Hans", true},       {"1", "1008", "Özdemir", "Elif", true},
    {"1", "1009", "Übelacker", "Rüdiger", true}, {"1", "1010", "Strauß", "Petra", true},
    {"1", "1011", "Hoffmann", "Michael", true},  {"1", "1012", "Schröder", "Günther", true},
    {"1", "1013", "Krämer", "Ute", true},        {"1", "1014", "Fuß", "Stefan", true},
    {"1", "1015", "Lehmann", "Sören", true},     {"1", "1016", "Jäger", "Monika", true},
    {"1", "1017", "Wagner", "Dieter", true},     {"1", "1018", "Böhm", "Andrea", true},
    {"1", "1019", "Hübner", "Frank", true},      {"1", "1020", "Zimmermann", "Jörg", true},
    {"1", "1021", "Äbersold", "Markus", true},   {"1", "1022", "Nußbaum", "Claudia", true},
    {"1", "1023", "Vogel", "Heike", true},       {"1", "1024", "Möller", "Karsten", true},
    {"1", "1025", "Süß", "Tanja", true},         {"1", "1026", "Koch", "Wolfgang", true},
    {"1", "1027", "Meißner", "Horst", false},    {"1", "1028", "Rößler", "Brigitte", false},
    {"1", "1029", "Schulz", "Erwin", false},     {"1", "1030", "Dörr", "Lena", true},
    {"2", "2001", "Brandt", "Oliver", true},     {"2", "2002", "Götz", "Martina", true},
    {"2", "2003", "Öztürk", "Kemal", true},      {"2", "2004", "Weißenborn", "Ralf", true},
    {"2", "2005", "Grün", "Sandra", true},       {"2", "2006", "Lück", "Tobias", true},
    {"2", "2007", "Schütz", "Nadine", true},     {"2", "2008", "Fröhlich", "Uwe", true},
    {"2", "2009", "Krüger", "Bärbel", true},     {"2", "2010", "Haußmann", "Otto", false},
};

// Login users; the name comes from the employee record. Codes are given as
// people type them and kept upper case in stored form.
struct LoginUser
{
    const char *company;
    const char *code;
    const char *password;
    const char *active;
    const char *employee;
    const char *department;
    const char *extension;
    const char *group;
};

const LoginUser loginUsers[] = {
    {"1", "ADM", "karven", "J", "1001", "10", "100", "A"},
    {"1", "MÜL", "juergen", "J", "1002", "20", "210", "B"},
    {"1", "SCH", "kaethe", "J", "1003", "30", "300", "B"},
    {"1", "GRO", "sabine", "J", "1005", "21", "215", "B"},
    {"1", "KÖH", "bjoern", "J", "1006", "40", "400", "C"},
    {"1", "MEI", "horst", "N", "1027", "30", "301", "C"},
    {"2", "ADM", "karven", "J", "2001", "10", "100", "A"},
    {"2", "ÖZT", "kemal", "J", "2003", "20", "200", "B"},
};

struct ServerEntry
{
    int id;
    const char *name;
    const char *company;
    const char *branch;
    int type;
};

// Type 0 entries are the branches' servers; the archive is of another kind.
const ServerEntry serverEntries[] = {
    {0, "Zentrale", "1", "0", 0},     {1, "Filiale Nord (Lübeck)", "1", "1", 0},
    {2, "Filiale Ost", "1", "2", 0},  {3, "Zentrale Firma 2", "2", "0", 0},
    {4, "Filiale West", "2", "1", 0}, {5, "Archiv", "1", "9", 1},
};

struct CardOwner
{
    const char *company;
    const char *card;
    const char *employee;
};

// Card 4711 exists in both companies: cards belong to a company.
const CardOwner cardOwners[] = {
    {"1", "4711", "1002"},  {"1", "100200", "1003"}, {"1", "12345678", "1005"},
    {"1", "31415", "1010"}, {"2", "4711", "2002"},
};

struct Swipe
{
    const char *company;
    const char *terminal;
    const char *branch;
    const char *kind;
    const char *card;
    const char *timeOfDay; // hhmm, on the day before seeding
};

// Known cards become time bookings; the others are what the program lists.
const Swipe swipes[] = {
    {"1", "FIL01T1", "1", "K", "4711", "0645"},       {"1", "FIL01T1", "1", "K", "815", "0658"},
    {"1", "FIL01T1", "1", "K", " 12 34 567", "0702"}, {"1", "FIL02T1", "2", "K", "99887766", "0715"},
    {"2", "ZEN2T1", "0", "K", "4711", "0730"},        {"1", "FIL01T1", "1", "K", "3000000001", "0741"},
    {"1", "FIL01T1", "1", "G", "815", "1230"},        {"1", "FIL02T1", "2", "G", "5150", "1312"},
    {"1", "FIL01T1", "1", "G", "4711", "1530"},
};

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

QString stored(const char *utf8)
{
    return displayToStored(QString::fromUtf8(utf8));
}

const Employee &employeeNumbered(const char *company, const char *number)
{
    for (const Employee &employee : employees)
        if (qstrcmp(employee.company, company) == 0 && qstrcmp(employee.number, number) == 0)
            return employee;
    qFatal("demo data: login user without employee %s/%s", company, number);
}

void clearDemoTables(Session &session)
{
    for (const char *table :
         {"kartenzuordnung_stempelung", "stempelung", "karte", "kartenzuordnung", "parpersedv",
          "parpersabt", "persbasis", "kassasw"})
        session.exec(QStringLiteral("DELETE FROM ") + QLatin1String(table));
}

void insertDepartments(Session &session)
{
    for (const Department &department : departments)
        session.exec(QStringLiteral("INSERT INTO parpersabt (firma, abtnr, abtbez, habtnr)"
                                    " VALUES (?, ?, ?, ?)"),
                     {text(department.company), text(department.number), stored(department.name),
                      text(department.parent)});
}

void insertEmployees(Session &session)
{
    for (const Employee &employee : employees)
        session.exec(QStringLiteral("INSERT INTO persbasis (firma, pnr, name, vorname, aktiv)"
                                    " VALUES (?, ?, ?, ?, ?)"),
                     {text(employee.company), text(employee.number), stored(employee.surname),
                      stored(employee.firstName),
                      employee.active ? QStringLiteral("J") : QStringLiteral("N")});
}

void insertLoginUsers(Session &session)
{
    for (const LoginUser &user : loginUsers) {
        const Employee &employee = employeeNumbered(user.company, user.employee);
        const QString name =
            stored(employee.surname) + QStringLiteral(", ") + stored(employee.firstName);
        session.exec(QStringLiteral("INSERT INTO parpersedv (firma, code, passwort, aktiv, pname,"
                                    " pnr, abtnr, dw, bergrp) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                     {text(user.company), displayToStored(text(user.code).toUpper()),
                      PasswordSecret::derive(text(user.password)), text(user.active), name, text(user.employee),
                      text(user.department), text(user.extension), text(user.group)});
        // The login reads fax and e-mail from the user's employee record.
        session.exec(QStringLiteral("UPDATE persbasis SET fax = ?, email = ?"
                                    " WHERE firma = ? AND pnr = ?"),
                     {QStringLiteral("07031 8840-") + text(user.extension),
                      QStringLiteral("%1@firma%2.karven.example")
                          .arg(text(user.code).toLower(), text(user.company)),
                      text(user.company), text(user.employee)});
    }
}

// The entries name the server the demo data went to: a workstation that makes
// one of them its standard server reaches this database again.
void insertServerEntries(Session &session)
{
    const ConnectionTarget &here = session.target();
    for (const ServerEntry &entry : serverEntries)
        session.exec(QStringLiteral("INSERT INTO kassasw (id, name, firma, fil, ip, port,"
                                    " namespace, type) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                     {entry.id, stored(entry.name), text(entry.company), text(entry.branch),
                      here.host, QString::number(here.port), here.nameSpace, entry.type});
}

void assignCards(Session &session)
{
    const QString when = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
    for (const CardOwner &owner : cardOwners)
        session.exec(QStringLiteral("INSERT INTO karte (firma, karte, pnr, zugeordnet_von,"
                                    " zugeordnet_am) VALUES (?, ?, ?, ?, ?)"),
                     {text(owner.company), cardField(text(owner.card)), text(owner.employee),
                      DemoLogin::userCode, when});
}

void bookSwipes(Session &session)
{
    const QString day = QDate::currentDate().addDays(-1).toString(QStringLiteral("yyyyMMdd"));
    for (const Swipe &swipe : swipes)
        bookCard(session, text(swipe.company), text(swipe.terminal), text(swipe.kind),
                 text(swipe.card), day + text(swipe.timeOfDay), text(swipe.branch));
}

} // namespace

void seedDemoData(Session &session)
{
    session.transaction([&session] {
        clearDemoTables(session);
        insertDepartments(session);
        insertEmployees(session);
        insertLoginUsers(session);
        insertServerEntries(session);
        writeCompanyRecord(session, {QString::number(QDate::currentDate().year()),
                                     QStringLiteral("Baustoffe Karven GmbH")});
        assignCards(session);
        bookSwipes(session);
    });
}

bool holdsPersonnelData(Session &session)
{
    QSqlQuery query = session.exec(QStringLiteral(
        "SELECT (SELECT count(*) FROM persbasis) + (SELECT count(*) FROM parpersedv)"));
    return query.next() && query.value(0).toLongLong() > 0;
}
