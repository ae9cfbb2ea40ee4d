#include "app/fmzuordnungen.h"


#include "app/employeelist.h"
#include "cacheapi/cacheapi.h"
#include "cacheapi/objects/assignmentkind.h"
#include "cacheapi/objects/clocktime.h"
#include "cacheapi/objects/servererrors.h"
#include "controls/ctcombo.h"
#include "controls/ctlist.h"
#include "controls/rowbatch.h"
#include "guard/runtimeguard.h"

#include <QDate>
#include <QDateTime>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <optional>

namespace {

const QString logClass = QStringLiteral("Quastel.Kartenzuordnung");

void tell(const QString &text)
{
    ports().userInterface->message(text, UserInterfacePort::Icon::Information,
                                   QStringLiteral(KARVEN_APP_TITLE));
}

QString shownTime(const QString &stamp)
{
    const ClockReading at = readClockTime(stamp);
    return at.isValid() ? at.day.toString(QStringLiteral("dd.MM.yyyy ")) + at.timeOfDay.toString(QStringLiteral("HH:mm"))
                        : stamp;
}

// One log row: when, card, before, after with name, kind, who, bookings; joined by line feeds.
QString rowText(ResultSet &rows)
{
    const QString employee =
        (rows.data(5).toString() + QLatin1Char(' ') + rows.data(6).toString()).trimmed();
    return QStringList{shownTime(rows.data(2).toString()),
                       rows.data(3).toString().trimmed(),
                       rows.data(4).toString(),
                       employee,
                       assignmentKindName(rows.data(7).toString()),
                       rows.data(8).toString(),
                       rows.data(9).toString()}
        .join(QLatin1Char('\n'));
}

} // namespace

bool userMayCorrectAssignments()
{
    return Verbindung.Benutzer.BerGrp.trimmed() == QLatin1String("A");
}

FMZuordnungen::FMZuordnungen(QWidget *owner)
    : QWidget(owner, Qt::Window), BKarte(new QLineEdit), BPnr(new QLineEdit), BTag(new QLineEdit),
      BUAnzeigen(new QPushButton(QStringLiteral("Anzeigen"))), liZuordnungen(new CtList),
      lipnr(new CtCombo), BUKorrigieren(new QPushButton(QStringLiteral("Korrigieren"))),
      lblRecht(new QLabel)
{
    setWindowTitle(QStringLiteral("Zuordnungen"));
    BTag->setPlaceholderText(QStringLiteral("TT.MM.JJJJ"));
    liZuordnungen->setColumns({{QStringLiteral("Am"), 95},
                               {QStringLiteral("Karte"), 80},
                               {QStringLiteral("Vorher"), 45},
                               {QStringLiteral("Mitarbeiter"), 140},
                               {QStringLiteral("Art"), 65},
                               {QStringLiteral("Von"), 40},
                               {QStringLiteral("Buchungen"), 55}},
                              QLatin1Char('\n'));
    lipnr->setColumns({30, 90}, QLatin1Char('\n'));
    lblRecht->setWordWrap(true);

    auto *filter = new QGridLayout;
    filter->addWidget(new QLabel(QStringLiteral("Karte:")), 0, 0);
    filter->addWidget(BKarte, 0, 1);
    filter->addWidget(new QLabel(QStringLiteral("Mitarbeiter:")), 0, 2);
    filter->addWidget(BPnr, 0, 3);
    filter->addWidget(new QLabel(QStringLiteral("Tag:")), 0, 4);
    filter->addWidget(BTag, 0, 5);
    filter->addWidget(BUAnzeigen, 0, 6);
    auto *correction = new QGridLayout;
    correction->addWidget(new QLabel(QStringLiteral("Richtiger Mitarbeiter:")), 0, 0);
    correction->addWidget(lipnr, 0, 1);
    correction->addWidget(BUKorrigieren, 0, 2);
    correction->addWidget(lblRecht, 1, 0, 1, 3);
    correction->setColumnStretch(1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filter);
    layout->addWidget(liZuordnungen, 1);
    layout->addLayout(correction);
    resize(820, 480);

    BUAnzeigen->setDefault(true);
    for (QLineEdit *field : {BKarte, BPnr, BTag})
        connect(field, &QLineEdit::returnPressed, this, guarded([this] { BUAnzeigen_Click(); }));
    connect(BUAnzeigen, &QPushButton::clicked, this, guarded([this] { BUAnzeigen_Click(); }));
    connect(BUKorrigieren, &QPushButton::clicked, this, guarded([this] { BUKorrigieren_Click(); }));
}

void FMZuordnungen::showAndRead()
{
    const bool allowed = userMayCorrectAssignments();
    BUKorrigieren->setEnabled(allowed);
    lipnr->setEnabled(allowed);
    lblRecht->setText(allowed ? QString()
                              : QStringLiteral("Korrigieren dürfen nur Benutzer der "
                                               "Berechtigungsgruppe A."));
    lblRecht->setVisible(!allowed);
    show();
    raise();
    activateWindow();
    fillActiveEmployees(*lipnr);
    BUAnzeigen_Click();
}

void FMZuordnungen::BUAnzeigen_Click()
{
    QString day;
    if (!BTag->text().trimmed().isEmpty()) {
        const QDate date = QDate::fromString(BTag->text().trimmed(), QStringLiteral("dd.MM.yyyy"));
        if (!date.isValid()) {
            tell(QStringLiteral("Bitte den Tag als TT.MM.JJJJ angeben, z. B. 08.12.2026."));
            return;
        }
        day = date.toString(QStringLiteral("yyyyMMdd"));
    }
    BUAnzeigen->setEnabled(false);
    liZuordnungen->removeAllRows();
    ZugriffBeginn(false);
    std::unique_ptr<ResultSet> rows;
    try {
        rows = Verbindung.CacheFactory->openResultSet(logClass, QStringLiteral("Liste"));
    } catch (const CacheError &error) {
        if (error.number() != ServerError::UnknownClass &&
            error.number() != ServerError::UnknownQuery)
            throw;
        ZugriffEnde(false);
        BUAnzeigen->setEnabled(true);
        tell(QStringLiteral("Dieser Server führt kein Protokoll der Kartenzuordnungen."));
        return;
    }
    rows->execute({BKarte->text().trimmed(), BPnr->text().trimmed(), day});
    {
        const RowBatch batch(*liZuordnungen);
        while (rows->next()) {
            liZuordnungen->addRow(rowText(*rows));
            liZuordnungen->setKeyText(liZuordnungen->rowCount() - 1, rows->data(1).toString());
        }
    }
    ObjektSchliessen(rows);
    ZugriffEnde(false);
    BUAnzeigen->setEnabled(true);
}

void FMZuordnungen::BUKorrigieren_Click()
{
    const int row = liZuordnungen->selectedRow();
    if (row < 0) {
        tell(QStringLiteral("Bitte wählen Sie eine Zuordnung aus der Liste."));
        return;
    }
    if (lipnr->selectedIndex() < 0) {
        tell(QStringLiteral("Bitte wählen Sie den richtigen Mitarbeiter aus der Liste."));
        return;
    }
    const QString id = liZuordnungen->keyText(row);
    const QString card = liZuordnungen->cellText(row, 2);
    const QString wrong = liZuordnungen->cellText(row, 4);
    const QString employee = lipnr->keyText(lipnr->selectedIndex());
    const QString question =
        QStringLiteral("Die Karte %1 wurde am %2 dem Mitarbeiter %3 zugeordnet.\r\n\r\n"
                       "Soll sie stattdessen dem Mitarbeiter %4 gehören? Die Zeiten, die durch "
                       "diese Zuordnung und seither mit der Karte gebucht wurden, gehen mit über. "
                       "Die Korrektur wird mit Ihrem Kürzel protokolliert.")
            .arg(card, liZuordnungen->cellText(row, 1), wrong, lipnr->editText());
    // A second click while this one waits would correct twice.
    BUKorrigieren->setEnabled(false);
    if (ports().userInterface->question(question, QStringLiteral("Zuordnung korrigieren"),
                                        UserInterfacePort::Preset::No))
        correct(id, employee);
    BUKorrigieren->setEnabled(userMayCorrectAssignments());
}

void FMZuordnungen::correct(const QString &id, const QString &employee)
{
    ZugriffBeginn(false);
    std::unique_ptr<ServerObject> log = Verbindung.CacheFactory->newObject(logClass);
    std::optional<CacheError> refused;
    try {
        QVariantList arguments{id, employee};
        log->call(QStringLiteral("korrigieren"), arguments);
    } catch (const CacheError &error) {
        if (error.number() != ServerError::AssignmentRefused &&
            error.number() != ServerError::CorrectionNotAllowed)
            throw;
        refused = error;
    }
    ObjektSchliessen(log);
    ZugriffEnde(false);
    if (refused)
        ports().userInterface->message(
            QStringLiteral("Die Zuordnung kann nicht korrigiert werden:\r\n") +
                refused->description(),
            UserInterfacePort::Icon::Exclamation, QStringLiteral(KARVEN_APP_TITLE));
    BUAnzeigen_Click();
}
