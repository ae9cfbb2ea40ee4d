#include "servers/fmserver.h"

#include "cacheapi/cacheapi.h"
#include "cacheapi/objects/serverentryrules.h"
#include "cacheapi/objects/servererrors.h"
#include "controls/ctlist.h"
#include "controls/twips.h"
#include "guard/runtimeguard.h"
#include "settings/connectiondefaults.h"

#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace {

const QString anmeldungTitel = QStringLiteral("Anmeldung an Caché");

// The largest id a byte holds; the server's ids go up to 254, 255 means "none".
constexpr int largestId = 255;

} // namespace

FMServer::FMServer()
{
    setWindowTitle(QStringLiteral("KARVEN Server"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint |
                   Qt::WindowTitleHint);
    const TwipsScale twips(*this);
    // A caption takes the room between the control left of it and its field, level
    // with the field, so that it fits with wider fonts too.
    auto field = [&](const QString &label, const QString &text, int labelLeft, const QRect &fieldAt) {
        auto *caption = new QLabel(label, this);
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        twips.place(caption, {labelLeft, fieldAt.y(), fieldAt.x() - labelLeft - 60, fieldAt.height()});
        auto *edit = new QLineEdit(text, this);
        twips.place(edit, fieldAt);
        caption->setBuddy(edit);
        return edit;
    };

    ctList = new CtList(this);
    ctList->setTitle(QStringLiteral("Mögliche Server"));
    ctList->setColumns({{QStringLiteral("Nr"), 25}, {QStringLiteral("Name"), 200}}, QLatin1Char(';'));
    twips.place(ctList, {0, 0, 3735, 1455});

    // The narrow fields reach a little further left and right than designed, so
    // that a five-digit port and a four-digit company show whole.
    BSERVERIP = field(QStringLiteral("ServerIP:"), standardServer, 0, {1080, 1560, 1455, 285});
    BPORT = field(QStringLiteral("Port:"), QString::number(ConnectionDefaults::port), 2535,
                  {2960, 1560, 715, 285});
    BFIRMA = field(QStringLiteral("Firma:"), QLatin1String(ConnectionDefaults::firma), 0,
                   {1080, 1920, 480, 285});
    BFIL = field(QStringLiteral("Filiale:"), QLatin1String(ConnectionDefaults::filiale), 1560,
                 {2160, 1920, 480, 285});
    BWJ = field(QStringLiteral("WJ:"), QStringLiteral("0"), 2640, {2960, 1920, 715, 285});
    BNAMESPACE = field(QStringLiteral("Namespace:"), QLatin1String(ConnectionDefaults::nameSpace),
                       0, {1080, 2280, 1455, 285});
    setTabOrder(BSERVERIP, BPORT);
    setTabOrder(BPORT, BFIRMA);
    setTabOrder(BFIRMA, BFIL);
    setTabOrder(BFIL, BNAMESPACE);
    setTabOrder(BNAMESPACE, BWJ);
    // Locked fields are drawn in the button face colour, open ones in the window colour.
    for (QLineEdit *edit : {BSERVERIP, BPORT, BFIRMA, BFIL, BNAMESPACE, BWJ}) {
        QPalette colours = edit->palette();
        colours.setColor(QPalette::Disabled, QPalette::Base, colours.color(QPalette::Button));
        edit->setPalette(colours);
    }
    setFieldsEditable(false);
    BWJ->setEnabled(false);

    // A toggle whose checked state means "locked"; it flips before the click is handled.
    BUEdit = new QPushButton(QStringLiteral("Ändern"), this);
    BUEdit->setCheckable(true);
    BUEdit->setChecked(true);
    BUEdit->setAutoDefault(false);
    twips.place(BUEdit, {120, 2640, 1695, 375});
    BUZurueck = new QPushButton(QStringLiteral("Zurück"), this);
    BUZurueck->setAutoDefault(false);
    twips.place(BUZurueck, {1920, 2640, 1695, 375});
    setFixedSize(twips.size({3735, 3135}));

    HRechts = new QMenu(QStringLiteral("HRechs"), this);
    HRechts->addAction(QStringLiteral("Eintrag als Standard"), this, guarded([this] { AlsStandardSpeichern(); }));

    Lock.setInterval(Timing::scaled(Timing::idleDisconnectMs));
    connect(&Lock, &QTimer::timeout, this, guarded([] { Trennen(); }));
    // What is highlighted is what is loaded: a click, the row where the arrow keys
    // stop, and a right press before its menu offers to store the entry as the standard.
    selectionSettled_.setSingleShot(true);
    selectionSettled_.setInterval(Timing::scaled(Timing::selectionSettleMs));
    connect(&selectionSettled_, &QTimer::timeout, this, guarded([this] {
        // Like any tick: not under another access, which may wait for its connection.
        if (accessInProgress())
            selectionSettled_.start();
        else
            loadUnlessLoaded();
    }));
    connect(ctList, &CtList::rowClicked, this, guarded([this] {
                selectionSettled_.stop();
                ctList_Click();
            }));
    connect(ctList, &CtList::rowActivated, &selectionSettled_, qOverload<>(&QTimer::start));
    connect(ctList, &CtList::mouseButtonPressed, this,
            guarded([this](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint position) {
                if (button == Qt::RightButton)
                    rightPressOnList(position);
            }));
    connect(BUEdit, &QPushButton::clicked, this, guarded([this] { BUEdit_Click(); }));
    // The close box and Escape hide it the same way, through QDialog's reject.
    connect(BUZurueck, &QPushButton::clicked, this, &FMServer::hide);
}

void FMServer::Form_Load()
{
    CurrentId = largestId;
    ctList->removeAllRows();
    ZugriffBeginn(false);
    try {
        std::unique_ptr<ResultSet> rows =
            Verbindung.CacheFactory->openResultSet(QStringLiteral("KV.KassaSW"), QStringLiteral("ConnStrg"));
        rows->execute({0, QString()});
        while (rows->next())
            // Names come in the server's stored form ("S}d" for "Süd").
            ctList->addRow(rows->data(1).toString() + QLatin1Char(';') +
                           Umwandeln(rows->data(2).toString(), QStringLiteral("KARVEN"), false));
        ObjektSchliessen(rows);
    } catch (const CacheError &error) {
        CacheFehlermeldung(error, QStringLiteral("FMStart.Form_Load"));
        return;
    }
    ZugriffEnde(false);
}

QVector<QPair<QLineEdit *, QString>> FMServer::entryFields() const
{
    return {{BFIRMA, QStringLiteral("Firma")},
            {BFIL, QStringLiteral("FIL")},
            {BSERVERIP, QStringLiteral("ip")},
            {BPORT, QStringLiteral("PORT")},
            {BNAMESPACE, QStringLiteral("NAMESPACE")}};
}

int FMServer::firstSelectedRow() const
{
    for (int row = 0; row < ctList->rowCount(); ++row)
        if (ctList->isRowSelected(row))
            return row;
    return -1;
}

QString FMServer::entryId(int row) const
{
    return GetWort(ctList->rowText(row), QLatin1Char(';'), 1, QString());
}

bool FMServer::ctList_Click()
{
    const int row = firstSelectedRow();
    return row >= 0 && loadEntry(row);
}

bool FMServer::loadUnlessLoaded()
{
    const int row = firstSelectedRow();
    if (row < 0)
        return false;
    if (CurrentId != largestId && entryId(row) == QString::number(CurrentId))
        return true;
    return loadEntry(row);
}

void FMServer::rightPressOnList(QPoint position)
{
    selectionSettled_.stop();
    if (loadUnlessLoaded())
        HRechts->popup(ctList->mapToGlobal(position));
}

bool FMServer::loadEntry(int row)
{
    ZugriffBeginn(false);
    try {
        const QString id = entryId(row);
        std::unique_ptr<ServerObject> entry = Verbindung.CacheFactory->openId(QStringLiteral("KV.KassaSW"), id);
        // An entry becomes connection data only when a workstation can use it.
        const auto value = [&entry](const QString &property) { return entry->property(property).toString(); };
        const QString problem = serverEntryProblem(
            {Umwandeln(value(QStringLiteral("Name")), QStringLiteral("KARVEN"), false), value(QStringLiteral("Firma")),
             value(QStringLiteral("FIL")), value(QStringLiteral("ip")), value(QStringLiteral("PORT")),
             value(QStringLiteral("NAMESPACE"))});
        if (!problem.isEmpty())
            throw CacheError(ServerError::ServerEntryRefused,
                             QStringLiteral("Servereintrag %1 ist unbrauchbar: %2").arg(id, problem));
        for (const auto &[field, property] : entryFields())
            field->setText(value(property));
        bool isNumber = false;
        const int serverId = entry->property(QStringLiteral("sys_ID")).toString().toInt(&isNumber);
        if (!isNumber || serverId < 0 || serverId > largestId)
            throw CacheError(6, QStringLiteral("Überlauf: Server-Id %1 passt nicht in ein Byte")
                                    .arg(entry->property(QStringLiteral("sys_ID")).toString()));
        CurrentId = serverId;
        ObjektSchliessen(entry);
    } catch (const CacheError &error) {
        CacheFehlermeldung(error, QStringLiteral("FMServer.ctList_Click Lade Verbindungsdaten"));
        return false;
    }
    ZugriffEnde(false);
    return true;
}

void FMServer::AlsStandardSpeichern()
{
    ports().loginDialog->setKeinDefaultEintrag(false);
    SettingsStore::write(LoginSetting::ServerObjekt, QString::number(CurrentId));
    SettingsStore::write(LoginSetting::Firma, BFIRMA->text());
    SettingsStore::write(LoginSetting::Filiale, BFIL->text());
    SettingsStore::write(LoginSetting::Server, BSERVERIP->text());
    SettingsStore::write(LoginSetting::Port, BPORT->text());
    SettingsStore::write(LoginSetting::Namespace, BNAMESPACE->text());
}

void FMServer::BUEdit_Click()
{
    UserInterfacePort &ui = *ports().userInterface;
    if (!BUEdit->isChecked()) {
        if (ui.question(QStringLiteral("Änderungen erlauben?"), anmeldungTitel))
            setFieldsEditable(true);
        else
            BUEdit->setChecked(true);
        return;
    }
    setFieldsEditable(false);
    if (ui.question(QStringLiteral("Änderungen sichern?\nDer Eintrag wird am Standardserver gespeichert"),
                    anmeldungTitel))
        saveEntryOnStandardServer();
}

void FMServer::saveEntryOnStandardServer()
{
    ZugriffEnde(false);
    Trennen();
    // The entry is kept on the standard server, whichever server is in use now.
    EinstellungenLesen(true);
    ZugriffBeginn(false);
    try {
        std::unique_ptr<ServerObject> entry =
            Verbindung.CacheFactory->openId(QStringLiteral("KV.KassaSW"), QString::number(CurrentId));
        for (const auto &[field, property] : entryFields())
            entry->setProperty(property, field->text());
        entry->setProperty(QStringLiteral("Type"), 0);
        entry->call(QStringLiteral("sys_save"));
        ObjektSchliessen(entry);
    } catch (const CacheError &error) {
        CacheFehlermeldung(error, QStringLiteral("Sichern Verbindungsdaten"));
        return;
    }
    ZugriffEnde(false);
    Trennen();
    DialogdatenUebernehmen();
}

void FMServer::setFieldsEditable(bool editable)
{
    for (QLineEdit *edit : {BPORT, BSERVERIP, BFIRMA, BFIL, BNAMESPACE})
        edit->setEnabled(editable);
}

void FMServer::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        emit hidden();
}
