#include "engine/storedform.h"

namespace {
const QString displayLetters = QStringLiteral("äöüßÄÖÜ§");
const QString storedLetters = QStringLiteral("{|}~[\\]õ");

QString translate(const QString &text, const QString &from, const QString &to)
{
    QString result = text;
    for (QChar &c : result) {
        const qsizetype index = from.indexOf(c);
        if (index >= 0)
            c = to.at(index);
    }
    return result;
}
} // namespace

QString storedToDisplay(const QString &stored)
{
    return translate(stored, storedLetters, displayLetters);
}

QString displayToStored(const QString &display)
{
    return translate(display, displayLetters, storedLetters);
}

QString unstorableReason(const QString &display)
{
    for (const QChar c : display) {
        const qsizetype index = storedLetters.indexOf(c);
        if (index >= 0)
            return QStringLiteral("\"%1\" kann nicht gespeichert werden: die Datenbank hält damit "
                                  "\"%2\" fest (die Zeichen %3 stehen dort für Umlaute, ß und §)")
                .arg(c)
                .arg(displayLetters.at(index))
                .arg(storedLetters);
    }
    return QString();
}
