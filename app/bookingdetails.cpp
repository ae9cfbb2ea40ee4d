#include "app/bookingdetails.h"

#include "cacheapi/text/bookingrow.h"

#include <QFormLayout>
#include <QLabel>

namespace {

constexpr int timesShown = 12;
const QString none = QStringLiteral("–");

QLabel *valueLabel(QWidget *parent)
{
    auto *label = new QLabel(none, parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QString orNone(const QString &text)
{
    return text.isEmpty() ? none : text;
}

} // namespace

BookingDetails::BookingDetails(QWidget *parent)
    : QGroupBox(QStringLiteral("Gewählte Buchung"), parent), zeitpunkt(valueLabel(this)),
      art(valueLabel(this)), terminal(valueLabel(this)), filiale(valueLabel(this)),
      offene(valueLabel(this))
{
    offene->setWordWrap(true);
    auto *layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("Zeitpunkt:"), zeitpunkt);
    layout->addRow(QStringLiteral("Art:"), art);
    layout->addRow(QStringLiteral("Terminal:"), terminal);
    layout->addRow(QStringLiteral("Filiale:"), filiale);
    layout->addRow(QStringLiteral("Karte:"), offene);
}

void BookingDetails::showBooking(const BookingRow &booking, const QString &branchName,
                                 const QStringList &openTimes)
{
    zeitpunkt->setText(booking.valid
                           ? booking.zeitpunkt
                           : QStringLiteral("unlesbar (%1 %2)").arg(booking.datum, booking.zeit));
    art->setText(orNone(booking.art));
    terminal->setText(orNone(booking.terminal));
    filiale->setText(branchName.isEmpty() ? orNone(booking.filiale)
                                          : booking.filiale + QStringLiteral(" – ") + branchName);
    offene->setText(booking.karte.trimmed() + QStringLiteral(", ") + openBookingsText(openTimes));
}

void BookingDetails::showNone()
{
    for (QLabel *label : {zeitpunkt, art, terminal, filiale, offene})
        label->setText(none);
}

QString openBookingsText(const QStringList &openTimes)
{
    QString text = openTimes.size() == 1
                       ? QStringLiteral("1 offene Buchung")
                       : QStringLiteral("%1 offene Buchungen").arg(openTimes.size());
    if (openTimes.isEmpty())
        return text;
    text += QStringLiteral(": ") + openTimes.mid(0, timesShown).join(QStringLiteral(", "));
    if (openTimes.size() > timesShown)
        text += QStringLiteral(" und %1 weitere").arg(openTimes.size() - timesShown);
    return text;
}
