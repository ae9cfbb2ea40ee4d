// Reading the booking text into a list row and its details, and the main window's caption.

#include "app/bookingdetails.h"
#include "app/branchnames.h"
#include "app/fmstart.h"
#include "cacheapi/objects/bookingtext.h"
#include "cacheapi/text/bookingrow.h"

#include <QTest>

class TestBookingRow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bookingTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("row");
        QTest::addColumn<bool>("valid");
        const QString head = QStringLiteral("FIL01T1  K          ");
        QTest::newRow("usual") << head + "    123456202401310705" << "2024-01-31\n07:05\n    123456" << true;
        QTest::newRow("blanks in the card") << head + " 12 34 567202412312359" << "2024-12-31\n23:59\n 12 34 567" << true;
        QTest::newRow("characters after 42 ignored") << head + "0000000001202402290000XYZ" << "2024-02-29\n00:00\n0000000001" << true;
        QTest::newRow("no such day") << head + "    123456202402300705" << "20240230\n07:05\n    123456" << false;
        QTest::newRow("letters in the date") << head + "    1234562024AB310705" << "2024AB31\n07:05\n    123456" << false;
        QTest::newRow("hour 24") << head + "    123456202401312405" << "2024-01-31\n24:05\n    123456" << false;
        QTest::newRow("minute 60") << head + "    123456202401310760" << "2024-01-31\n07:60\n    123456" << false;
        QTest::newRow("too short") << head + "    123456202401" << "202401\n:\n    123456" << false;
        QTest::newRow("empty") << QString() << "\n:\n" << false;
        QTest::newRow("sign in the date") << head + "    123456+0240131" + "0705" << "+0240131\n07:05\n    123456" << false;
        // Stored by something other than the time clocks: still three columns.
        QTest::newRow("line feed in the card") << head + "    12\n34 202401310705" << "2024-01-31\n07:05\n    12␊34 " << true;
        QTest::newRow("tab and line feed in the time") << head + "    1234562024013107\t\n" << "2024-01-31\n07:␉␊\n    123456" << false;
    }

    void theStoredCardIsKeptForAssigning()
    {
        const BookingRow booking = parseBooking(QStringLiteral("FIL01T1  K              12\n34 202401310705"));
        QCOMPARE(booking.storedCard, QStringLiteral("    12\n34 "));
        QCOMPARE(booking.karte, QStringLiteral("    12␊34 "));
    }

    void bookingTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, row);
        QFETCH(bool, valid);
        const BookingRow booking = parseBooking(text);
        QCOMPARE(booking.rowText(), row);
        QCOMPARE(booking.valid, valid);
    }

    void details_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("details"); // time, kind, terminal, branch
        QTest::newRow("as a clock writes it")
            << BookingText::compose("FIL01T1", "G", "12", "    123456", "202612080741")
            << QStringList{"08.12.2026 07:41", "Gehen", "FIL01T1", "12"};
        QTest::newRow("a clock that sends no branch")
            << QStringLiteral("FIL01T1  K              123456202401310705")
            << QStringList{"31.01.2024 07:05", "Kommen", "FIL01T1", ""};
        QTest::newRow("a clock's own code")
            << BookingText::compose("ZEN2T1", "P", "", "      4711", "202401310705")
            << QStringList{"31.01.2024 07:05", "Code P", "ZEN2T1", ""};
        QTest::newRow("cut short in the branch") << QStringLiteral("T1       K 3")
                                                 << QStringList{"", "Kommen", "T1", "3"};
        QTest::newRow("only a terminal") << QStringLiteral("T") << QStringList{"", "", "T", ""};
        QTest::newRow("empty") << QString() << QStringList{"", "", "", ""};
        QTest::newRow("no such day") << BookingText::compose("T1", "K", "1", "      4711", "202402300705")
                                     << QStringList{"", "Kommen", "T1", "1"};
        QTest::newRow("control characters")
            << QStringLiteral("T\n1\t     \r1\n              4711202401310705")
            << QStringList{"31.01.2024 07:05", "Code ␍", "T␊1␉", "1␊"};
    }

    void details()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, details);
        const BookingRow booking = parseBooking(text);
        QCOMPARE((QStringList{booking.zeitpunkt, booking.art, booking.terminal, booking.filiale}), details);
        QCOMPARE(hasReadableTime(text), booking.valid);
    }

    void detailsNameTheCardsOpenBookings()
    {
        QCOMPARE(openBookingsText({"31.01.2024 07:05"}), QStringLiteral("1 offene Buchung: 31.01.2024 07:05"));
        QStringList many;
        for (int minute = 0; minute < 14; ++minute)
            many << QStringLiteral("31.01.2024 07:%1").arg(minute, 2, 10, QLatin1Char('0'));
        const QString text = openBookingsText(many);
        QVERIFY2(text.startsWith(QStringLiteral("14 offene Buchungen: 31.01.2024 07:00, ")) &&
                     text.endsWith(QStringLiteral("07:11 und 2 weitere")),
                 qPrintable(text));
        QCOMPARE(branchKey(QStringLiteral(" 01 ")), QStringLiteral("1"));
        QCOMPARE(branchKey(QStringLiteral("0")), QStringLiteral("0"));
    }

    void captionKeepsItsFixedTexts()
    {
        QCOMPARE(mainWindowCaption("1", "0", "ADM|Dorn, Anna"),
                 QStringLiteral("KARVEN Quastelwerk              Firma: 1     Filiale: 0     Benutzer: ADM|Dorn, Anna"));
        QCOMPARE(mainWindowCaption({}, {}, {}),
                 QStringLiteral("KARVEN Quastelwerk              Firma:      Filiale:      Benutzer: "));
    }
};

QTEST_MAIN(TestBookingRow)
#include "test_bookingrow.moc"
