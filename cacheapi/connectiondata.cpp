#include "cacheapi/connectiondata.h"

#include "cacheapi/connectionrecord.h"
#include "cacheapi/dbcall.h"
#include "cacheapi/ports/ports.h"
#include "cacheapi/text/commandlinerule.h"
#include "cacheapi/text/words.h"
#include "cacheapi/userlookup.h"
#include "settings/settingsstore.h"

using Field = ServerListPort::Field;

const QString standardServer = QLatin1String(ConnectionDefaults::server);

namespace {

const QString anmeldungTitel = QStringLiteral("Anmeldung");

QString wort(int n, const QString &defaultValue = QString())
{
    return GetWort(Verbindung.Kommandozeile, QLatin1Char(' '), n, defaultValue);
}

QString askIfEmpty(const QString &value, const QString &prompt)
{
    return value.isEmpty() ? ports().userInterface->input(prompt, anmeldungTitel) : value;
}

void takeCommandLine()
{
    Verbindung.Firma = wort(1, QLatin1String(ConnectionDefaults::firma));
    Verbindung.Filiale = wort(2, QLatin1String(ConnectionDefaults::filiale));
    Verbindung.Personal = wort(3);
    Verbindung.Passwort = wort(4);
    Verbindung.Server = wort(5, standardServer);
    Verbindung.Port = wort(6, QString::number(ConnectionDefaults::port));
    Verbindung.Namespace = wort(7, QLatin1String(ConnectionDefaults::nameSpace));
    Verbindung.WJ = wort(8);
    Verbindung.Zusatzparameter = wort(9);
    ConnStringBilden();
    Verbindung.Kommandozeile.clear();
}

void copyRecordIntoWindows()
{
    ServerListPort &serverList = *ports().serverList;
    serverList.setField(Field::BFIRMA, Verbindung.Firma);
    serverList.setField(Field::BFIL, Verbindung.Filiale);
    serverList.setField(Field::BSERVERIP, Verbindung.Server);
    serverList.setField(Field::BPORT, Verbindung.Port);
    serverList.setField(Field::BNAMESPACE, Verbindung.Namespace);
    serverList.setField(Field::BWJ, Verbindung.WJ);
    ports().loginDialog->setUserText(Verbindung.Personal);
}

bool dialogCanBeSkipped(bool keinDefaultEintrag)
{
    return !Verbindung.Passwort.isEmpty() && !Verbindung.Neuanmeldung &&
           !Verbindung.AnmeldungFehlgeschlagen && !Verbindung.Personal.isEmpty() &&
           !keinDefaultEintrag;
}

} // namespace

void ConnStringBilden()
{
    Verbindung.ConnString = QStringLiteral("cn_iptcp:") + Verbindung.Server + QLatin1Char('[') +
                            Verbindung.Port + QStringLiteral("]:") + Verbindung.Namespace;
}

void EinstellungenLesen(bool nurVerbindung)
{
    Verbindung.ServerObjekt = SettingsStore::read(LoginSetting::ServerObjekt);
    if (Verbindung.ServerObjekt.isEmpty())
        ports().loginDialog->setKeinDefaultEintrag(true);
    Verbindung.Server = askIfEmpty(SettingsStore::read(LoginSetting::Server),
                                   QStringLiteral("IP/Name Standard-Server:"));
    Verbindung.Firma = SettingsStore::read(LoginSetting::Firma);
    Verbindung.Filiale = SettingsStore::read(LoginSetting::Filiale);
    Verbindung.Port =
        askIfEmpty(SettingsStore::read(LoginSetting::Port), QStringLiteral("Standard-Port:"));
    Verbindung.Namespace = SettingsStore::read(LoginSetting::Namespace);
    ConnStringBilden();

    bool failed = false;
    Verbindung.WJ = dbcall(QStringLiteral("S P0=$P(^FA(0),\"`\",2) W P0"), failed);
    if (nurVerbindung)
        return;
    Verbindung.Personal = SettingsStore::read(LoginSetting::Name);
    copyRecordIntoWindows();
}

void DialogdatenUebernehmen()
{
    ServerListPort &serverList = *ports().serverList;
    const int currentId = serverList.CurrentId();
    if (currentId != 255)
        Verbindung.ServerObjekt = QString::number(currentId);
    Verbindung.Firma = serverList.field(Field::BFIRMA);
    Verbindung.Filiale = serverList.field(Field::BFIL);
    Verbindung.Server = serverList.field(Field::BSERVERIP);
    Verbindung.Port = serverList.field(Field::BPORT);
    Verbindung.Namespace = serverList.field(Field::BNAMESPACE);
    Verbindung.WJ = serverList.field(Field::BWJ);
    Verbindung.Passwort = ports().loginDialog->passwordText();
    // The user is always found by the password, never by a typed name.
    Verbindung.Personal = BenutzerAusPasswort(Verbindung.Passwort);
    ConnStringBilden();
}

void AnmeldedatenErmitteln()
{
    if (KommandozeileQualifiziert(Verbindung.Kommandozeile)) {
        takeCommandLine();
        copyRecordIntoWindows();
    } else {
        EinstellungenLesen(false);
        LoginDialogPort &dialog = *ports().loginDialog;
        if (!dialogCanBeSkipped(dialog.KeinDefaultEintrag())) {
            if (!dialog.isVisible())
                dialog.showModal();
            DialogdatenUebernehmen();
        }
    }
    ConnStringBilden();
}
