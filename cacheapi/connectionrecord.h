#pragma once

#include "cacheapi/objects/cacheobjects.h"

#include <QString>
#include <memory>

// Details of the logged-in user.
struct Benutzerdaten
{
    QString BerGrp;
    QString PName;
    QString PNr;
    QString AbtBez;
    QString AbtNr;
    QString HAbtNr;
    QString DW;
    QString Fax;
    QString EMail;
};

// All connection and login state of the program, in one record that the
// windows read and write directly.
struct ConnectionRecord
{
    QString Firma;
    QString Filiale;
    QString WJ;
    QString Zusatzparameter;
    QString BenutzerText; // empty: nobody is logged in
    Benutzerdaten Benutzer;
    QString Personal;
    QString Passwort;
    QString Server;
    QString ServerObjekt;
    QString Port;
    QString Namespace;
    qint32 ZugriffZaehler = 0; // depth of open access brackets
    bool Neuanmeldung = false;
    std::unique_ptr<Factory> CacheFactory;
    QString ConnString;
    bool AnmeldungFehlgeschlagen = false;
    QString Kommandozeile;
    // The login the server accepted last; each new connection is a new session
    // on the server, which logs in with it again. Empty code: none.
    LoginRequest ServerAnmeldung;
};

// Never destroyed by the static destructors at exit, which run after Qt's own
// state is gone: the program's end releases the factory in it in order.
extern ConnectionRecord &Verbindung;

// Back to the state at program start: empty texts, zero, false, no factory.
void resetConnectionRecord();
