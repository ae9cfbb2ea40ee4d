#include "login/user_anmeld.h"

#include "cacheapi/cacheapi.h"
#include "cacheapi/objects/passwordsecret.h"

namespace {

bool commandLineFailed = false;

const QString operationPrefix = QStringLiteral("cacheapi.user_anmeld ");

// A stored text in its display form, as the server's conversion members give it.
QString displayed(const QString &stored)
{
    return Umwandeln(stored, QStringLiteral("KARVEN"), false);
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
    // The server checks the password and the active flag; the program only
    // hears the outcome and never reads a password.
    Verbindung.ServerAnmeldung = LoginRequest();
    const LoginRequest request{Verbindung.Firma, Verbindung.Filiale,
                               Umwandeln(Verbindung.Personal, QStringLiteral("GUIKARVEN"), true),
                               PasswordSecret::derive(Verbindung.Passwort)};
    LoginAnswer answer;
    try {
        answer = factory.logIn(request);
    } catch (const CacheError &error) {
        return failedStep(error, QStringLiteral("Anmeldung mit nicht existierendem Personalcode"));
    }
    if (answer.status == LoginAnswer::Status::Rejected)
        return rejected();

    Benutzerdaten &user = Verbindung.Benutzer;
    Verbindung.BenutzerText = Verbindung.Personal + QLatin1Char('|') + displayed(answer.pname);
    user.PName = displayed(answer.pname);
    user.PNr = answer.pnr;
    user.DW = answer.dw;
    user.BerGrp = answer.bergrp;
    const CacheError missingRecord(answer.errorNumber, answer.errorText);
    if (answer.status == LoginAnswer::Status::NoDepartment)
        return failedStep(missingRecord, QStringLiteral("Abteilungsermittlung"));
    user.AbtBez = displayed(answer.abtbez);
    user.AbtNr = answer.abtnr;
    user.HAbtNr = answer.habtnr;
    if (answer.status == LoginAnswer::Status::NoBaseRecord)
        return failedStep(missingRecord, QStringLiteral("PersBasis Nummern"));
    user.Fax = answer.fax;
    user.EMail = displayed(answer.email);
    Verbindung.ServerAnmeldung = request;

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
