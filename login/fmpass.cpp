#include "login/fmpass.h"

#include "cacheapi/cacheapi.h"
#include "controls/twips.h"
#include "guard/runtimeguard.h"
#include "login/user_anmeld.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr int fieldLimit = 20;
}

QString captionWithUser(const QString &caption, const QString &benutzerText)
{
    QString kept = caption.left(caption.indexOf(QLatin1Char('[')) < 0 ? caption.size()
                                                                       : caption.indexOf(QLatin1Char('[')));
    kept.truncate(kept.lastIndexOf(QLatin1Char(':')) + 1);
    return kept + QLatin1Char(' ') + benutzerText;
}

FMPass::FMPass()
{
    setWindowTitle(QStringLiteral("KARVEN Benutzeranmeldung"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    const TwipsScale twips(*this);

    Label3 = new QLabel(QStringLiteral("Karven Passwort:"), this);
    twips.place(Label3, {120, 150, 1335, 285});
    BPASSWORT = new QLineEdit(this);
    BPASSWORT->setEchoMode(QLineEdit::Password);
    BPASSWORT->setMaxLength(fieldLimit);
    twips.place(BPASSWORT, {1500, 120, 2355, 315});
    Label3->setBuddy(BPASSWORT);

    BUAusst = new QPushButton(QStringLiteral("Abbruch"), this);
    twips.place(BUAusst, {120, 585, 1155, 375});
    cmdServer = new QPushButton(QStringLiteral("Server"), this);
    twips.place(cmdServer, {1410, 585, 1155, 375});
    BUSpeich = new QPushButton(QStringLiteral("Anmelden"), this);
    BUSpeich->setDefault(true);
    twips.place(BUSpeich, {2700, 585, 1155, 375});

    // Kept below the visible area for older programs that read them.
    BUSER = new QLineEdit(this);
    BUSER->setMaxLength(fieldLimit);
    twips.place(BUSER, {1500, 1680, 2355, 315});
    BUSER->hide();
    Label5 = new QLabel(QStringLiteral("für Kompatibilität mit Altprog!:"), this);
    twips.place(Label5, {120, 1725, 1335, 255});
    Label5->hide();

    setTabOrder(BPASSWORT, BUSpeich);
    setTabOrder(BUSpeich, cmdServer);
    setTabOrder(cmdServer, BUAusst);
    setTabOrder(BUAusst, BUSER);
    setFixedSize(twips.size({3975, 1065}));

    BPASSWORT->installEventFilter(this);
    BUSER->installEventFilter(this);
    connect(BUSpeich, &QPushButton::clicked, this, guarded([this] { BUSpeich_Click(); }));
    connect(cmdServer, &QPushButton::clicked, this, guarded([this] { cmdServer_Click(); }));
    connect(BUAusst, &QPushButton::clicked, this, guarded([this] { BuAusst_Click(); }));
}

void FMPass::Form_Activate()
{
    // The message and the server list activate the dialog again when they close.
    if (activating_)
        return;
    activating_ = true;
    BPASSWORT->setFocus();
    if (KeinDefaultEintrag) {
        ports().userInterface->message(
            QStringLiteral("Es ist kein Standardserver festgelegt!\nBitte wählen Sie aus der Liste die Firma "
                           "in der Sie arbeiten (linke Maustaste Click) und bestätigen Sie mit der rechten "
                           "Maustaste (Eintrag als Standard) speichern."),
            UserInterfacePort::Icon::None, QStringLiteral("Standardserver?"));
        cmdServer_Click();
    }
    activating_ = false;
}

void FMPass::BUSpeich_Click()
{
    UserInterfacePort &ui = *ports().userInterface;
    ui.setWaitCursor(true);
    DialogdatenUebernehmen();
    SettingsStore::write(LoginSetting::Name, BUSER->text());
    SettingsStore::write(LoginSetting::Passwort, PasswortKodieren(BPASSWORT->text()));
    if (loggingInAnew()) {
        ZugriffEnde(false);
        Trennen();
        user_anmeld();
        mainWindow_->setWindowTitle(captionWithUser(mainWindow_->windowTitle(), Verbindung.BenutzerText));
    }
    ui.processEvents();
    hide();
    ui.setWaitCursor(false);
}

void FMPass::cmdServer_Click()
{
    ports().serverList->showModal();
}

void FMPass::BuAusst_Click()
{
    Verbindung.BenutzerText.clear();
    ProgrammBeenden();
}

bool FMPass::loggingInAnew() const
{
    return mainWindow_ && mainWindow_->isVisible();
}

void FMPass::reject()
{
    // Escape puts away the dialog opened from the menu; it does not end the
    // program the user is working in.
    if (loggingInAnew())
        hide();
    else
        runGuarded([this] { BuAusst_Click(); });
}

bool FMPass::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        runGuarded([this] { Form_Activate(); });
    return QDialog::event(event);
}

bool FMPass::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == BPASSWORT)
            AllesMarkieren(*BPASSWORT);
        else if (watched == BUSER)
            AllesMarkieren(*BUSER);
    } else if (event->type() == QEvent::FocusOut && watched == BUSER) {
        BUSER->setText(BUSER->text().toUpper());
    }
    return QDialog::eventFilter(watched, event);
}

void FMPass::closeEvent(QCloseEvent *event)
{
    // Not QDialog's handling, which would take the close for "Abbruch" as well.
    Verbindung.BenutzerText.clear();
    event->accept();
    // The user's close box ends the program; a close at the program's end is part of it.
    if (event->spontaneous())
        runGuarded([] { ProgrammBeenden(); });
}
