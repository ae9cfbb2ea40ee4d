#pragma once

#include "mainlogic/newbookingswatch.h"

#include <QMainWindow>
#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <optional>
#include <QTimer>

class BookingDetails;
struct ChosenEmployee;
class CtCombo;
class FMPass;
class FMZuordnungen;
class CtList;
class QAction;
class QFrame;
class QLabel;
class QPushButton;

// The main window's caption: company, branch and the logged-in user.
QString mainWindowCaption(const QString &firma, const QString &filiale, const QString &benutzerText);

// The main window: the card bookings nobody owns, newest on top, and the
// assignment of a booking's card to an employee.
class FMStart : public QMainWindow
{
    Q_OBJECT

public:
    explicit FMStart(FMPass &loginDialog);
    ~FMStart() override;

    // Logs in (again and again until it succeeds), shows who is logged in and
    // lists the company's active employees; then the bookings start polling.
    void Form_Load();
    // Reads the unassigned bookings anew.
    void ListeAktualisieren();
    // Assigns the chosen booking's card to the chosen employee.
    void BUSpeich_Click();

    CtList *litime;
    QFrame *Frame1;
    QLabel *Label1;
    CtCombo *lipnr;
    QPushButton *BUSpeich;
    BookingDetails *Details;
    QPushButton *BUAkt;
    QTimer Timer1;
    QLabel *lblOffen; // status bar: how many bookings are listed
    QLabel *lblNeu;   // status bar: how many arrived since, with a link to "Aktualisieren"
    QTimer TimerNeu;  // while bookings are listed: looks for new ones
    QAction *mLogin;
    QAction *mZuordnungen;
    QAction *Beenden;
    QAction *HilfeUeber;
    QAction *mProgrammverlauf;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenu();
    void addBooking(const QString &id, const QString &text);
    // Tells about the booking in the row; no row: about none.
    void showDetails(int row);
    // The name of the company's branch with that number, as the last refresh
    // read them; empty when unknown.
    QString branchName(const QString &branch) const;
    // Reads the company's branch names once, inside the refresh's bracket.
    void readBranchNamesOnce();
    // A tick of Timer1; it waits for its next turn while another access runs.
    void pollTick();
    void assign(int row, const ChosenEmployee &employee);
    // The card of a row as the server stored it, for assigning it.
    QString storedCard(int row) const;
    int rowWithCard(const QString &card) const;
    void showLoginDialog();
    void showAssignments();
    void buildStatusBar();
    void showOpenCount();
    // Tells in the status bar how many bookings arrived since the list was read;
    // the list and the choice stay as they are.
    void checkForNewBookings();
    // Shows how many bookings arrived since the list was read; none: no hint.
    void showNewBookingsHint(int count);
    // The server told of new bookings: the hint, or an early tick of Timer1.
    void newBookingsPushed();

    FMPass &loginDialog_;
    // Bookings whose unreadable date is in the history already, by id.
    QSet<QString> reportedBookings_;
    QHash<QString, QString> branchNames_;
    std::optional<QString> branchNamesOf_; // the company whose branch names those are
    FMZuordnungen *zuordnungen_ = nullptr; // created on first use, then only hidden
    QString lastListedId_;  // of the newest booking the last refresh read
    bool refreshing_ = false; // ListeAktualisieren runs, maybe in its event processing
    QTimer pushed_; // collects the server's notices of new bookings into one tick
    NewBookingsWatch watch_;
    QElapsedTimer sinceStart_; // the clock of watch_
};
