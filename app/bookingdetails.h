#pragma once

#include <QGroupBox>

struct BookingRow;
class QLabel;

// What the main window tells about the chosen booking beside the list: when,
// what kind, at which terminal and branch, and the card's other open bookings.
class BookingDetails : public QGroupBox
{
    Q_OBJECT

public:
    explicit BookingDetails(QWidget *parent = nullptr);

    // branchName: the branch's name where known, else empty. openTimes: the
    // times of every open booking of the card, this one included, oldest first.
    void showBooking(const BookingRow &booking, const QString &branchName,
                     const QStringList &openTimes);
    // No booking chosen.
    void showNone();

    QLabel *zeitpunkt;
    QLabel *art;
    QLabel *terminal;
    QLabel *filiale;
    QLabel *offene;
};

// "3 offene Buchungen: 08.12.2026 06:58, …"; long lists end after the first few times.
QString openBookingsText(const QStringList &openTimes);
