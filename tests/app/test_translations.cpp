// The program speaks German also in Qt's own buttons.

#include "app/germantranslations.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

class TestTranslations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void standardButtonsAreGerman()
    {
        installGermanTranslations(*qApp);
        QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("?"),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Ja"));
        QCOMPARE(box.button(QMessageBox::No)->text().remove(QLatin1Char('&')), QStringLiteral("Nein"));
        QCOMPARE(box.button(QMessageBox::Ok)->text().remove(QLatin1Char('&')), QStringLiteral("OK"));
        QCOMPARE(box.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&')), QStringLiteral("Abbrechen"));
    }
};

QTEST_MAIN(TestTranslations)
#include "test_translations.moc"
