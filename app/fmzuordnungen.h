#pragma once

#include <QWidget>

class CtCombo;
class CtList;
class QLabel;
class QLineEdit;
class QPushButton;

// The card assignment log of the company, newest first, filtered by card,
// employee and day; and the correction of a wrong assignment by a user whose
// login record allows it (group A). Created once, owned by the main window;
// its close box only hides it.
class FMZuordnungen : public QWidget
{
    Q_OBJECT

public:
    explicit FMZuordnungen(QWidget *owner);

    // Shows the window, reads the log and the employees anew.
    void showAndRead();
    // Reads the log with the filter.
    void BUAnzeigen_Click();
    // Gives the chosen entry's card to the chosen employee, after asking.
    void BUKorrigieren_Click();

    QLineEdit *BKarte;
    QLineEdit *BPnr;
    QLineEdit *BTag;
    QPushButton *BUAnzeigen;
    CtList *liZuordnungen;
    CtCombo *lipnr;
    QPushButton *BUKorrigieren;
    QLabel *lblRecht;

private:
    void correct(const QString &id, const QString &employee);
};

// Whether the logged-in user may correct assignments: group A of the login record.
bool userMayCorrectAssignments();
