#include "app/fmstart.h"

#include "about/frmabout.h"
#include "app/bookingdetails.h"
#include "app/branchnames.h"
#include "app/employeelist.h"
#include "app/fmzuordnungen.h"
#include "cacheapi/cacheapi.h"
#include "cacheapi/objects/bookingtext.h"
#include "cacheapi/text/bookingrow.h"
#include "controls/ctcombo.h"
#include "controls/ctlist.h"
#include "controls/rowbatch.h"
#include "controls/twips.h"
#include "guard/runtimeguard.h"
#include "history/frmprogrammverlauf.h"
#include "login/fmpass.h"
#include "login/user_anmeld.h"
#include "mainlogic/cardassignment.h"
#include "mainlogic/newbookings.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QStatusBar>
#include <QWindow>

FMStart::FMStart(FMPass &loginDialog) : loginDialog_(loginDialog)
{
    setWindowTitle(QStringLiteral("KARVEN"));
    const TwipsScale twips(*this);
    auto *client = new QWidget(this);
    setCentralWidget(client);

    litime = new CtList(client);
    litime->setColumns({{QStringLiteral("Datum"), 75},
                        {QStringLiteral("Zeit"), 75},
                        {QStringLiteral("Karte"), 100},
                        {QStringLiteral("Pnr"), 40}},
                       QLatin1Char('\n'));
    // A row keeps the booking text; it is read into date, time and card when shown.
    litime->setRowFormatter(
        [](const QString &bookingText) { return parseBooking(bookingText).rowText(); });
    twips.place(litime, {0, 0, 4695, 5775});

    Frame1 = new QFrame(client);
    Frame1->setFrameShape(QFrame::StyledPanel);
    twips.place(Frame1, {4800, 600, 5535, 1455});
    Frame1->hide();
    Label1 = new QLabel(QStringLiteral("Mitarbeiter:"), Frame1);
    // The caption ends where the combo begins, so that wider fonts do not hide its colon.
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    twips.place(Label1, {0, 360, 900, 300});
    lipnr = new CtCombo(Frame1);
    lipnr->setColumns({30, 90}, QLatin1Char('\n'));
    twips.place(lipnr, {960, 360, 4335, 300});
    Label1->setBuddy(lipnr);
    BUSpeich = new QPushButton(QStringLiteral("Speichern"), Frame1);
    twips.place(BUSpeich, {1080, 840, 1095, 375});

    // Below the frame, where the window has room, and only while the frame is shown.
    Details = new BookingDetails(client);
    twips.place(Details, {4800, 2160, 5535, 2955});
    Details->hide();

    BUAkt = new QPushButton(QStringLiteral("Aktualisieren"), client);
    twips.place(BUAkt, {5040, 5280, 1815, 375});

    buildMenu();
    buildStatusBar();
    // The window keeps its controls where they are; the client area is fixed at design size.
    client->setMinimumSize(twips.size({10545, 5805}));
    resize(client->minimumSize() +
           QSize(0, menuBar()->sizeHint().height() + statusBar()->sizeHint().height()));

    connect(litime, &CtList::rowClicked, Frame1, &QWidget::show);
    connect(litime, &CtList::rowActivated, Frame1, &QWidget::show);
    connect(litime, &CtList::rowClicked, this, guarded([this](int row) { showDetails(row); }));
    connect(litime, &CtList::rowActivated, this, guarded([this](int row) { showDetails(row); }));
    connect(BUSpeich, &QPushButton::clicked, this, guarded([this] { BUSpeich_Click(); }));
    connect(BUAkt, &QPushButton::clicked, this, guarded([this] { ListeAktualisieren(); }));
    connect(&Timer1, &QTimer::timeout, this, guarded([this] { pollTick(); }));
    connect(&TimerNeu, &QTimer::timeout, this, guarded([this] { checkForNewBookings(); }));
    pushed_.setSingleShot(true);
    sinceStart_.start();
    connect(&pushed_, &QTimer::timeout, this, guarded([this] { newBookingsPushed(); }));
}

FMStart::~FMStart()
{
    listenForNewBookings(nullptr);
}

void FMStart::buildStatusBar()
{
    lblOffen = new QLabel(openBookingsCount(0));
    lblNeu = new QLabel;
    lblNeu->setTextFormat(Qt::RichText);
    lblNeu->hide();
    statusBar()->addWidget(lblNeu);
    statusBar()->addPermanentWidget(lblOffen);
    statusBar()->setSizeGripEnabled(false);
    // The link and F5 are the button: nothing runs while it is disabled by a refresh.
    // F5 alone (the platform's refresh keys include Ctrl+R) and in this window
    // only: in the login dialog or the history it is no refresh of this list.
    const auto clickAktualisieren = [this] {
        if (BUAkt->isEnabled())
            BUAkt->click();
    };
    connect(lblNeu, &QLabel::linkActivated, this, clickAktualisieren);
    auto *refresh = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(refresh, &QShortcut::activated, this, clickAktualisieren);
}

void FMStart::buildMenu()
{
    QMenu *datei = menuBar()->addMenu(QStringLiteral("&Datei"));
    mLogin = datei->addAction(QStringLiteral("&Login"));
    mZuordnungen = datei->addAction(QStringLiteral("&Zuordnungen…"));
    datei->addSeparator();
    Beenden = datei->addAction(QStringLiteral("&Beenden"));
    QMenu *hilfe = menuBar()->addMenu(QStringLiteral("&Hilfe"));
    HilfeUeber = hilfe->addAction(QStringLiteral("Hilfe &über ..."));
    mProgrammverlauf = hilfe->addAction(QStringLiteral("Programmverlauf"));

    connect(mLogin, &QAction::triggered, this, guarded([this] { showLoginDialog(); }));
    connect(mZuordnungen, &QAction::triggered, this, guarded([this] { showAssignments(); }));
    connect(Beenden, &QAction::triggered, this, &QWidget::close);
    connect(HilfeUeber, &QAction::triggered, this, guarded([] { frmAbout::showAbout(); }));
    connect(mProgrammverlauf, &QAction::triggered, this,
            guarded([this] { frmProgrammverlauf::instance().showFrom(this); }));
}

void FMStart::Form_Load()
{
    do {
        Verbindung.Kommandozeile = loginCommandLine();
        Verbindung.Neuanmeldung = true;
    } while (!user_anmeld());
    setWindowTitle(
        mainWindowCaption(Verbindung.Firma, Verbindung.Filiale, Verbindung.BenutzerText));
    fillActiveEmployees(*lipnr);
    // Only now, so that no refresh runs under the login dialog. The notice
    // may come inside an access: only noted here.
    listenForNewBookings([this](const NewBookingsNotice &notice) {
        watch_.noticeCame(notice);
        if (!pushed_.isActive())
            pushed_.start(0);
    });
    Timer1.start(1);
}

QString mainWindowCaption(const QString &firma, const QString &filiale, const QString &benutzerText)
{
    return QStringLiteral("KARVEN Quastelwerk              Firma: ") + firma +
           QStringLiteral("     Filiale: ") + filiale + QStringLiteral("     Benutzer: ") +
           benutzerText;
}

void FMStart::pollTick()
{
    if (refreshing_ || accessInProgress()) {
        // From the first tick on the interval is the poll interval anyway.
        Timer1.setInterval(Timing::scaled(Timing::pollIntervalMs));
        return;
    }
    ListeAktualisieren();
}

void FMStart::ListeAktualisieren()
{
    UserInterfacePort &ui = *ports().userInterface;
    const QScopedValueRollback<bool> refreshing(refreshing_, true);
    BUAkt->setEnabled(false);
    ui.processEvents();
    Timer1.stop();
    TimerNeu.stop();
    litime->removeAllRows();
    Details->showNone();
    ZugriffBeginn(false);
    std::unique_ptr<ResultSet> rows = Verbindung.CacheFactory->openResultSet(
        QStringLiteral("Quastel.NoPers"), QStringLiteral("Liste"));
    rows->execute();
    bool found = false;
    std::optional<qint64> counter;
    {
        // The list was emptied: it shows the bookings once all are read.
        const RowBatch batch(*litime);
        while (rows->next()) {
            addBooking(rows->data(1).toString(), rows->data(2).toString());
            if (!found && !rows->data(3).isNull())
                counter = rows->data(3).toLongLong();
            found = true;
        }
    }
    ObjektSchliessen(rows);
    readBranchNamesOnce();
    ZugriffEnde(false);
    lastListedId_ = litime->keyText(0);
    watch_.listRead(lastListedId_.toLongLong(), counter);
    // A notice that came during the read may tell of more.
    showNewBookingsHint(watch_.hint());
    showOpenCount();
    BUAkt->setEnabled(true);
    ui.processEvents();
    if (found)
        TimerNeu.start(Timing::scaled(Timing::newBookingsCheckMs));
    else
        Timer1.start(Timing::scaled(Timing::pollIntervalMs));
}

void FMStart::showOpenCount()
{
    lblOffen->setText(openBookingsCount(litime->rowCount()));
}

void FMStart::checkForNewBookings()
{
    // Where the server tells of new bookings, its notices keep the hint. Not
    // under a refresh, which reads them anyway, nor under another access: the
    // next tick comes soon enough.
    if (newBookingsTold() || refreshing_ || accessInProgress() || litime->rowCount() == 0)
        return;
    const QString after = lastListedId_;
    ZugriffBeginn(false);
    const std::optional<int> arrived = countNewBookings(after);
    ZugriffEnde(false);
    if (!arrived) {
        TimerNeu.stop();
        return;
    }
    // A refresh meanwhile has read them.
    if (after == lastListedId_)
        showNewBookingsHint(*arrived);
}

void FMStart::showNewBookingsHint(int count)
{
    lblNeu->setText(newBookingsCount(count) + QStringLiteral(" – <a href=\"#\">Aktualisieren</a>"));
    lblNeu->setVisible(count > 0);
}

void FMStart::newBookingsPushed()
{
    const bool listEmpty = litime->rowCount() == 0;
    // Like a tick of Timer1, a read starts no access under a refresh or
    // another access: it comes again a moment later.
    const int readIn = watch_.nextRead(listEmpty, refreshing_ || accessInProgress(), sinceStart_.elapsed());
    // The hint costs no server call: shown at once, also while an access waits.
    if (!listEmpty)
        showNewBookingsHint(watch_.hint());
    if (readIn > 0)
        pushed_.start(readIn);
    else if (readIn == 0)
        ListeAktualisieren();
}

void FMStart::addBooking(const QString &id, const QString &text)
{
    if (!hasReadableTime(text) && !reportedBookings_.contains(id)) {
        reportedBookings_.insert(id);
        frmProgrammverlauf::instance().StatusText(QStringLiteral("FMStart.ListeAktualisieren"),
                                                  QStringLiteral("Buchung mit ungültigem Datum"),
                                                  QStringLiteral("Id ") + id +
                                                      QStringLiteral(": ") + text);
    }
    litime->insertRow(0, text, id);
}

void FMStart::showDetails(int row)
{
    if (row < 0 || row >= litime->rowCount()) {
        Details->showNone();
        return;
    }
    const BookingRow booking = parseBooking(litime->insertedText(row).toString());
    // The card's bookings, oldest first: the list shows the newest on top.
    QStringList openTimes;
    for (int other = litime->rowCount() - 1; other >= 0; --other) {
        if (BookingText::field(litime->insertedText(other), BookingText::card) !=
            booking.storedCard)
            continue;
        const BookingRow open =
            other == row ? booking : parseBooking(litime->insertedText(other).toString());
        openTimes << (open.valid ? open.zeitpunkt : open.datum + QLatin1Char(' ') + open.zeit);
    }
    Details->showBooking(booking, branchName(booking.filiale), openTimes);
    Details->show();
}

QString FMStart::branchName(const QString &branch) const
{
    // Choosing a row never waits for the server: until a refresh has read the
    // names of this company, the branch is shown by its number.
    if (branch.isEmpty() || branchNamesOf_ != Verbindung.Firma)
        return QString();
    return branchNames_.value(branchKey(branch));
}

void FMStart::readBranchNamesOnce()
{
    // Once per company: the server list changes seldom.
    if (branchNamesOf_ == Verbindung.Firma)
        return;
    branchNames_ = loadBranchNames(Verbindung.Firma);
    branchNamesOf_ = Verbindung.Firma;
}

void FMStart::BUSpeich_Click()
{
    const int row = litime->selectedRow();
    if (row < 0)
        return;
    if (lipnr->selectedIndex() < 0) {
        ports().userInterface->message(
            QStringLiteral("Bitte wählen Sie einen Mitarbeiter aus der Liste."),
            UserInterfacePort::Icon::Information, QStringLiteral(KARVEN_APP_TITLE));
        return;
    }
    // Read once: the combo can change while the assignment waits for a connection.
    const ChosenEmployee employee{lipnr->keyText(lipnr->selectedIndex()), lipnr->editText()};
    // A second click while this one waits for a connection would assign twice.
    BUSpeich->setEnabled(false);
    assign(row, employee);
    BUSpeich->setEnabled(true);
}

void FMStart::assign(int row, const ChosenEmployee &employee)
{
    const ListedBooking booking{litime->keyText(row), litime->insertedText(row).toString(), storedCard(row)};
    litime->setCellText(row, 4, employee.number);
    const AssignmentOutcome outcome = assignCard(booking, employee);
    switch (outcome.kind) {
    case AssignmentOutcome::Kind::Declined:
        ListeAktualisieren();
        return;
    case AssignmentOutcome::Kind::Refused:
        litime->setCellText(rowWithCard(booking.card), 4, QString());
        ports().userInterface->message(outcome.refusal, UserInterfacePort::Icon::Exclamation,
                                       QStringLiteral(KARVEN_APP_TITLE));
        return;
    case AssignmentOutcome::Kind::Assigned:
        break;
    }

    // The server booked every open booking of the card: none of them is unassigned any more.
    for (int other = litime->rowCount() - 1; other >= 0; --other)
        if (storedCard(other) == booking.card)
            litime->removeRow(other);
    showDetails(litime->selectedRow());
    showOpenCount();
    if (litime->rowCount() == 0) {
        TimerNeu.stop();
        lblNeu->hide();
        Frame1->hide();
        Details->hide();
        lipnr->setEditText(QString());
        Timer1.start();
    }
}

QString FMStart::storedCard(int row) const
{
    return BookingText::field(litime->insertedText(row), BookingText::card).toString();
}

int FMStart::rowWithCard(const QString &card) const
{
    for (int row = 0; row < litime->rowCount(); ++row)
        if (storedCard(row) == card)
            return row;
    return -1;
}

void FMStart::showLoginDialog()
{
    loginDialog_.setModal(false);
    loginDialog_.winId();
    loginDialog_.windowHandle()->setTransientParent(windowHandle());
    loginDialog_.show();
    loginDialog_.raise();
    loginDialog_.activateWindow();
}

void FMStart::showAssignments()
{
    if (!zuordnungen_)
        zuordnungen_ = new FMZuordnungen(this);
    zuordnungen_->showAndRead();
}

void FMStart::closeEvent(QCloseEvent *event)
{
    event->accept();
    runGuarded([] {
        Trennen();
        ProgrammBeenden();
    });
}
