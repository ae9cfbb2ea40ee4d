#include "user_anmeld.h"

#include "cacheapi.h"

namespace {

bool commandLineFailed = false;

const QString operationPrefix = QStringLiteral("cacheapi.user_anmeld ");

QString text(const std::unique_ptr<ServerObject> &object, const QString &member)
{
    return object->property(member).toString();
}

// A property in its display form, through the server's conversion member.
QString displayed(const std::unique_ptr<ServerObject> &object, const QString &member,
                  const QString &conversion)
{
    QVariantList stored{object->property(member)};
    return object->call(conversion, stored).toString();
}

// Where a guarded step failed: reported once, the bracket closed by the report.
bool failedStep(const CacheError &error, const QString &label)
{
    Verbindung.AnmeldungFehlgeschlagen = true;
    Verbindung.Neuanmeldung = true;
    CacheFehlermeldung(error, operationPrefix + label);
    return false;
}

bool finish(bool loggedIn)
{
    ZugriffEnde(false);
    ports().loginDialog->hide();
    ports().serverList->hide();
    return loggedIn;
}

bool rejected()
{
    ports().userInterface->message(QStringLiteral("Passwort Falsch oder Benutzer nicht Aktiv."),
                                   UserInterfacePort::Icon::Information,
                                   QStringLiteral("Anmeldung an Caché."));
    Verbindung.AnmeldungFehlgeschlagen = true;
    ports().loginDialog->selectPassword();
    return finish(false);
}

bool logIn()
{
    Verbindung.BenutzerText.clear();
    if (Verbindung.Kommandozeile.isEmpty())
        Verbindung.Kommandozeile = loginCommandLine();
    AnmeldedatenErmitteln();
    ZugriffBeginn(false);

    Factory &factory = *Verbindung.CacheFactory;
    std::unique_ptr<ServerObject> person;
    try {
        person = factory.openId(QStringLiteral("KV.ParPersEdv"),
                                Verbindung.Firma + QStringLiteral("||") +
                                    Umwandeln(Verbindung.Personal, QStringLiteral("GUIKARVEN"), true));
    } catch (const CacheError &error) {
        return failedStep(error, QStringLiteral("Anmeldung mit nicht existierendem Personalcode"));
    }
    if (text(person, QStringLiteral("Passwort")) != Verbindung.Passwort ||
        text(person, QStringLiteral("Aktiv")) != QLatin1String("J"))
        return rejected();

    Benutzerdaten &user = Verbindung.Benutzer;
    Verbindung.BenutzerText = Verbindung.Personal + QLatin1Char('|') +
                              displayed(person, QStringLiteral("PNAME"), QStringLiteral("PNAMELogicalToODBC"));
    user.PName = displayed(person, QStringLiteral("PNAME"), QStringLiteral("PNAMELogicalToODBC"));
    user.PNr = text(person, QStringLiteral("PNR"));
    const QString departmentNumber = text(person, QStringLiteral("ABTNR"));
    user.DW = text(person, QStringLiteral("DW"));
    user.BerGrp = text(person, QStringLiteral("BERGRP"));

    try {
        std::unique_ptr<ServerObject> department = factory.openId(
            QStringLiteral("KV.ParPersAbt"), Verbindung.Firma + QStringLiteral("||") + departmentNumber);
        user.AbtBez = displayed(department, QStringLiteral("abtbez"), QStringLiteral("ABTBEZlogicaltoodbc"));
        user.AbtNr = text(department, QStringLiteral("ABTNR"));
        user.HAbtNr = text(department, QStringLiteral("HAbtNr"));
        ObjektSchliessen(department);
    } catch (const CacheError &error) {
        return failedStep(error, QStringLiteral("Abteilungsermittlung"));
    }

    try {
        std::unique_ptr<ServerObject> base = factory.openId(
            QStringLiteral("KV.PersBasis"), Verbindung.Firma + QStringLiteral("||") + text(person, QStringLiteral("PNR")));
        user.Fax = text(base, QStringLiteral("Fax"));
        user.EMail = displayed(base, QStringLiteral("EMail"), QStringLiteral("EMailLogicalToODBC"));
        ObjektSchliessen(base);
        ObjektSchliessen(person);
    } catch (const CacheError &error) {
        return failedStep(error, QStringLiteral("PersBasis Nummern"));
    }

    try {
        std::unique_ptr<ServerObject> windows = factory.newObject(QStringLiteral("KV.Windows"));
        QVariantList context{ServerKontextBefehl()};
        windows->call(QStringLiteral("Xecute"), context);
        ObjektSchliessen(windows);
    } catch (const CacheError &error) {
        return failedStep(error, QStringLiteral("Firma Filiale Personal Setzen"));
    }

    Verbindung.AnmeldungFehlgeschlagen = false;
    return finish(true);
}

} // namespace

QString loginCommandLine()
{
    return commandLineFailed ? QString() : ports().userInterface->commandLine();
}

void resetLoginCommandLine()
{
    commandLineFailed = false;
}

bool user_anmeld()
{
    const bool fromCommandLine =
        KommandozeileQualifiziert(Verbindung.Kommandozeile.isEmpty() ? loginCommandLine()
                                                                     : Verbindung.Kommandozeile);
    const bool loggedIn = logIn();
    if (!loggedIn && fromCommandLine)
        commandLineFailed = true;
    return loggedIn;
}
