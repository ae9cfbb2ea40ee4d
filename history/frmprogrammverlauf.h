#pragma once

#include <QPointer>
#include <QWidget>

class CtList;

// The program history: a running list of reported events, newest on top, at most 100.
// There is one window per program run, created hidden on first use. The user's close box
// only hides it, so the entries collect from start-up to the end of the program.
class frmProgrammverlauf : public QWidget
{
    Q_OBJECT

public:
    // The one history window; created hidden on first use.
    static frmProgrammverlauf &instance();
    // Closes and destroys the window at program end; the next use creates a new, empty one.
    static void unload();

    // Puts an entry on top of the list and drops the 101st; does not show the window.
    void StatusText(const QString &Programmteil, const QString &Text, const QString &Parameter);
    // Shows the window modeless, owned by the given window, and brings it to the front.
    void showFrom(QWidget *owner);

    // The list of entries, for reading it back.
    const CtList &entries() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    frmProgrammverlauf();

    static QPointer<frmProgrammverlauf> s_instance;

    CtList *Verlauf;
};
