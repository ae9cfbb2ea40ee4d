#include "cacheapi/text/words.h"

#include <QRegularExpression>
#include <optional>

namespace {

// Characters of the Windows-1252 bytes 0x80 to 0x9F. The five bytes the code
// page leaves undefined keep their own C1 code point, so that every byte has
// exactly one character and scrambling can always be undone.
const char16_t windows1252High[32] = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',
};

QChar fromWindows1252(uchar byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return QChar(windows1252High[byte - 0x80]);
    return QChar(byte);
}

std::optional<uchar> toWindows1252(QChar character)
{
    const char16_t unicode = character.unicode();
    for (uchar index = 0; index < 32; ++index) {
        if (windows1252High[index] == unicode)
            return uchar(0x80 + index);
    }
    // Below 0x80 and from 0xA0 the code page agrees with Unicode; the C1
    // range in between belongs to the table above.
    if (unicode < 0x80 || (unicode >= 0xA0 && unicode <= 0xFF))
        return uchar(unicode);
    return std::nullopt;
}

} // namespace

QString GetWort(const QString &text, QChar separator, int n, const QString &defaultValue)
{
    if (text.isEmpty())
        return QString();
    if (n < 1)
        return defaultValue;

    qsizetype start = 0;
    for (int word = 1; word < n; ++word) {
        const qsizetype next = text.indexOf(separator, start);
        if (next < 0)
            return defaultValue;
        start = next + 1;
    }
    const qsizetype end = text.indexOf(separator, start);
    const QString word = text.mid(start, end < 0 ? -1 : end - start);
    return word.isEmpty() ? defaultValue : word;
}

QString PasswortKodieren(const QString &text)
{
    QString result;
    result.reserve(text.size());
    // Surrogate halves have no Windows-1252 code, so emoji pass unchanged.
    for (const QChar character : text) {
        const std::optional<uchar> byte = toWindows1252(character);
        result += byte ? fromWindows1252(uchar(*byte ^ 3)) : character;
    }
    return result;
}

bool IstNumerisch(const QString &text)
{
    static const QRegularExpression number(QRegularExpression::anchoredPattern(
        QStringLiteral(R"( *[+-]?([0-9]+([.,][0-9]*)?|[.,][0-9]+)([eE][+-]?[0-9]+)? *)")));
    return number.match(text).hasMatch();
}
