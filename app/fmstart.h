#pragma once

#include <QMainWindow>
#include <QSet>
#include <QTimer>

class CtCombo;
class FMPass;
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
    QPushButton *BUAkt;
    QTimer Timer1;
    QAction *mLogin;
    QAction *Beenden;
    QAction *HilfeUeber;
    QAction *mProgrammverlauf;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenu();
    void loadEmployees();
    void addBooking(const QString &id, const QString &text);
    void assign(int row);
    void showLoginDialog();
    int rowWithKey(const QString &id, int likelyRow) const;

    FMPass &loginDialog_;
    // Bookings whose unreadable date is in the history already, by id.
    QSet<QString> reportedBookings_;
};
