#pragma once

#include <QString>
#include <QStringList>

class Session;

// The master data a site brings in from its office programs as CSV files:
// one header row with the column names below (in any order, any case), one
// row per record. A file goes in whole or not at all, in one transaction;
// importing the same file again changes nothing.
//
//   abteilungen  Firma; Abteilung; Bezeichnung [; Hauptabteilung]
//   mitarbeiter  Firma; Personalnummer; Name; Vorname [; Abteilung; Aktiv; E-Mail; Fax]
//   benutzer     Firma; Kürzel; Passwort; Abteilung [; Aktiv; Personalnummer; Name;
//                Durchwahl; Berechtigungsgruppe]
//   karten       Firma; Karte; Personalnummer
//
// Aktiv is J or N (also ja, nein); missing, it is J for new records. Columns
// left out keep what a record had. Departments and employees named must exist
// (in the database or the same file's earlier kind of import).
enum class MasterData { Departments, Employees, LoginUsers, Cards };

// The name of a kind as the command line and the messages give it ("mitarbeiter").
QString masterDataName(MasterData kind);

struct ImportReport
{
    QString encoding;
    int rows = 0;
    int added = 0;
    int changed = 0;
    int unchanged = 0;
    QStringList errors; // "Zeile n: …"; any error means nothing was stored
};

// Imports one file in one transaction; inside a running transaction, as part of it.
ImportReport importMasterData(Session &session, MasterData kind, const QString &path);
