#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class QLineEdit;
class QPushButton;

// The login dialog: asks for the password only; the user is found from it.
// Created once, then only hidden and shown; closing it ends the program.
class FMPass : public QDialog
{
    Q_OBJECT

public:
    FMPass();

    // The main window whose caption shows the user after a login from the menu.
    void setMainWindow(QWidget *mainWindow) { mainWindow_ = mainWindow; }

    bool KeinDefaultEintrag = false;

    QLineEdit *BPASSWORT;
    QPushButton *BUSpeich;
    QPushButton *cmdServer;
    QPushButton *BUAusst;
    QLineEdit *BUSER;
    QLabel *Label5;
    QLabel *Label3;

    // The dialog became the active window.
    void Form_Activate();
    void BUSpeich_Click();
    void cmdServer_Click();
    void BuAusst_Click();

    // Escape: "Abbruch" during the login at start, else only hides the dialog.
    void reject() override;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Logging in while the main window is shown, from its menu.
    bool loggingInAnew() const;

    QPointer<QWidget> mainWindow_;
    bool activating_ = false;
};

// The caption of the main window after a login: everything up to its last ":"
// (before any "["), a blank and the user.
QString captionWithUser(const QString &caption, const QString &benutzerText);
