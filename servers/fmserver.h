#pragma once

#include <QDialog>
#include <QPair>
#include <QTimer>
#include <QVector>

class CtList;
class QLineEdit;
class QMenu;
class QPushButton;

// The server list: the company's database servers, one entry per company and
// branch. Its fields hold the program's active connection values, and its
// timer Lock is the idle disconnect of the connection. Closing it only hides
// it, so the values stay; it lives as long as the program.
class FMServer : public QDialog
{
    Q_OBJECT

public:
    FMServer();

    // Lists the server entries; run once when the window is created.
    void Form_Load();

    // Id of the entry last loaded from the list; 255 when none was loaded.
    int CurrentId = 255;
    QTimer Lock;

    QLineEdit *BSERVERIP;
    QLineEdit *BPORT;
    QLineEdit *BFIRMA;
    QLineEdit *BFIL;
    QLineEdit *BNAMESPACE;
    QLineEdit *BWJ;
    CtList *ctList;
    QPushButton *BUEdit;
    QPushButton *BUZurueck;
    QMenu *HRechts;

    // Loads the first selected entry; false when none is selected or loading failed.
    bool ctList_Click();
    void AlsStandardSpeichern();
    void BUEdit_Click();

Q_SIGNALS:
    // The window was put away: "Zurück", the close box, Escape or the program.
    void hidden();

protected:
    void hideEvent(QHideEvent *event) override;

private:
    // The fields that show a server entry, with the entry's property for each.
    QVector<QPair<QLineEdit *, QString>> entryFields() const;
    void setFieldsEditable(bool editable);
    bool loadEntry(int row);
    int firstSelectedRow() const;
    // Loads the first selected entry unless it is the one loaded, whose fields
    // may hold what the user typed; false when none is selected or loading failed.
    bool loadUnlessLoaded();
    // A right press: the pressed entry, loaded if needed, offers its menu.
    void rightPressOnList(QPoint position);
    QString entryId(int row) const;
    void saveEntryOnStandardServer();

    // Moving through the list by keys loads the row where the selection settles.
    QTimer selectionSettled_;
};
