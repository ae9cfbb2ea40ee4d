#include "cacheapi/text/textconversion.h"
#include "cacheapi/text/words.h"

#include <QLineEdit>
#include <QtTest>
#include <iconv.h>
#include <optional>

class TestText : public QObject
{
    Q_OBJECT

private slots:
    void umwandeln_data();
    void umwandeln();
    void umwandelnEmptyText_data();
    void umwandelnEmptyText();
    void umwandelnLongText_data();
    void umwandelnLongText();
    void ersetze_data();
    void ersetze();
    void allesMarkieren_data();
    void allesMarkieren();
    void getWort_data();
    void getWort();
    void getWortLongText();
    void passwortKodierenFollowsWindows1252();
    void passwortKodieren_data();
    void passwortKodieren();
    void istNumerisch_data();
    void istNumerisch();
};

namespace {

const char *const modeNames[] = {"GUIKARVEN", "KARVEN", "KARVENSZ", "RTF", "KARVENSUCHE"};

// The character of a Windows-1252 byte as the C library converts it; empty
// for the bytes the code page leaves undefined.
std::optional<QString> windows1252ByIconv(iconv_t converter, uchar byte)
{
    char input[1] = {char(byte)};
    char output[8];
    char *in = input;
    char *out = output;
    size_t inLeft = sizeof input;
    size_t outLeft = sizeof output;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    if (iconv(converter, &in, &inLeft, &out, &outLeft) == size_t(-1))
        return std::nullopt;
    return QString::fromUtf8(output, qsizetype(sizeof output - outLeft));
}

} // namespace

void TestText::umwandeln_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("gross");
    QTest::addColumn<QString>("expected");

    QTest::newRow("display to stored, upper") << "Müller"
                                              << "GUIKARVEN" << true << "M]LLER";
    QTest::newRow("stored to display") << "M]LLER"
                                       << "KARVEN" << false << "MÜLLER";
    QTest::newRow("all stored forms") << "äöüßÄÖÜ§"
                                      << "GUIKARVEN" << false << R"({|}~[\]õ)";
    QTest::newRow("stored form left alone") << "{a"
                                            << "GUIKARVEN" << false << "{a";
    QTest::newRow("all display forms") << R"({|}~[\]õ)"
                                       << "KARVEN" << false << "äöüßÄÖÜ§";
    QTest::newRow("bars become umlauts") << R"(a|b\c)"
                                         << "KARVEN" << false << "aöbÖc";
    QTest::newRow("bars stay") << R"(a|b\c)"
                               << "KARVENSZ" << false << R"(a|b\c)";
    QTest::newRow("six display forms") << R"({|}~[\]õ)"
                                       << "KARVENSZ" << false << R"(ä|üßÄ\Ü§)";
    QTest::newRow("search, upper") << "Straße"
                                   << "KARVENSUCHE" << true << "STRASSE";
    QTest::newRow("search keeps lower umlaut") << "Größe"
                                               << "KARVENSUCHE" << false << "GröSSe";
    QTest::newRow("search forms") << "äöüßÄÖÜ§"
                                  << "KARVENSUCHE" << false << "äöüSSAEOEUE§";
    QTest::newRow("rtf A umlaut") << "Äpfel"
                                  << "RTF" << false << R"(\'C4pfel)";
    QTest::newRow("rtf paragraph stays") << "§ 5"
                                         << "RTF" << false << "§ 5";
    QTest::newRow("rtf escapes") << "äöüßÄÖÜ"
                                 << "RTF" << false << R"(\'e4\'f6\'fc\'df\'C4\'d6\'dc)";
    QTest::newRow("rtf escape not rescanned") << "ä{"
                                              << "RTF" << false << R"(\'e4{)";
    QTest::newRow("sharp s kept when upper") << "straße"
                                             << "GUIKARVEN" << true << "STRA~E";
    QTest::newRow("mode in lower case") << "Äpfel"
                                        << "rtf" << false << "Äpfel";
    QTest::newRow("mode in lower case, upper") << "Müller"
                                               << "guikarven" << true << "MÜLLER";
    QTest::newRow("unknown mode") << "a|b"
                                  << "XYZ" << false << "a|b";
    QTest::newRow("unknown mode, upper keeps sharp s") << "ßa ß"
                                                       << "" << true << "ßA ß";
    QTest::newRow("upper beyond Latin-1") << "ωμέγα"
                                          << "XYZ" << true << "ΩΜΈΓΑ";
    QTest::newRow("upper keeps emoji") << "a😀ä"
                                       << "GUIKARVEN" << true << "A😀[";
}

void TestText::umwandeln()
{
    QFETCH(QString, text);
    QFETCH(QString, mode);
    QFETCH(bool, gross);
    QFETCH(QString, expected);

    const QString original = text;
    QCOMPARE(Umwandeln(text, mode, gross), expected);
    QCOMPARE(text, original);
}

void TestText::umwandelnEmptyText_data()
{
    QTest::addColumn<QString>("mode");
    for (const char *mode : modeNames)
        QTest::newRow(mode) << mode;
    QTest::newRow("unknown") << "XYZ";
}

void TestText::umwandelnEmptyText()
{
    QFETCH(QString, mode);
    QCOMPARE(Umwandeln(QString(), mode, false), QString());
    QCOMPARE(Umwandeln(QString(), mode, true), QString());
}

void TestText::umwandelnLongText_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("gross");
    QTest::addColumn<QString>("piece");
    QTest::addColumn<QString>("convertedPiece");

    QTest::newRow("GUIKARVEN") << "GUIKARVEN" << true << "Müller "
                               << "M]LLER ";
    QTest::newRow("KARVEN") << "KARVEN" << false << "M]LLER "
                            << "MÜLLER ";
    QTest::newRow("KARVENSZ") << "KARVENSZ" << false << R"(a|b\c{ )"
                              << R"(a|b\cä )";
    QTest::newRow("RTF") << "RTF" << false << "Äpfel "
                         << R"(\'C4pfel )";
    QTest::newRow("KARVENSUCHE") << "KARVENSUCHE" << true << "Straße "
                                 << "STRASSE ";
    QTest::newRow("unknown") << "XYZ" << false << "a|b "
                             << "a|b ";
}

// Texts of 255 characters and more are converted like short ones.
void TestText::umwandelnLongText()
{
    QFETCH(QString, mode);
    QFETCH(bool, gross);
    QFETCH(QString, piece);
    QFETCH(QString, convertedPiece);

    for (const int pieces : {int(255 / piece.size()) + 1, 100000}) {
        const QString text = piece.repeated(pieces);
        QVERIFY(text.size() >= 255);
        QCOMPARE(Umwandeln(text, mode, gross), convertedPiece.repeated(pieces));
    }
}

void TestText::ersetze_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("such");
    QTest::addColumn<QString>("durch");
    QTest::addColumn<bool>("ganz");
    QTest::addColumn<QString>("expected");

    QTest::newRow("whole texts") << "abcabc"
                                 << "ab"
                                 << "XY" << true << "XYcXYc";
    QTest::newRow("cut to first character") << "abcabc"
                                            << "ab"
                                            << "XY" << false << "XbcXbc";
    QTest::newRow("no overlap") << "aaa"
                                << "aa"
                                << "b" << true << "ba";
    QTest::newRow("replacement not rescanned") << "aba"
                                               << "a"
                                               << "aa" << true << "aabaa";
    QTest::newRow("case counts") << "Aa"
                                 << "a"
                                 << "b" << true << "Ab";
    QTest::newRow("delete") << "a-b-c"
                            << "-"
                            << "" << false << "abc";
    QTest::newRow("longer replacement") << "a;b"
                                        << ";"
                                        << "<br>" << true << "a<br>b";
    QTest::newRow("no match") << "abc"
                              << "x"
                              << "y" << true << "abc";
    QTest::newRow("empty text") << ""
                                << "a"
                                << "b" << true << "";
    QTest::newRow("empty such") << "abc"
                                << ""
                                << "x" << true << "abc";
    QTest::newRow("emoji cut whole") << "a😀b😁"
                                     << "😀x"
                                     << "!?" << false << "a!b😁";
    QTest::newRow("emoji replacement cut whole") << "a-b"
                                                 << "-"
                                                 << "😀x" << false << "a😀b";
}

void TestText::ersetze()
{
    QFETCH(QString, text);
    QFETCH(QString, such);
    QFETCH(QString, durch);
    QFETCH(bool, ganz);
    QFETCH(QString, expected);

    QCOMPARE(Ersetze(text, such, durch, ganz), expected);
}

void TestText::allesMarkieren_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("cursor");

    QTest::newRow("empty") << "" << 0;
    QTest::newRow("filled, cursor inside") << "Geheim" << 2;
    QTest::newRow("emoji") << "a😀" << 0;
}

void TestText::allesMarkieren()
{
    QFETCH(QString, text);
    QFETCH(int, cursor);

    QLineEdit box(text);
    box.setCursorPosition(cursor);
    AllesMarkieren(box);

    QCOMPARE(box.selectedText(), text);
    QCOMPARE(box.selectionLength(), int(text.size()));
    QCOMPARE(box.selectionStart(), text.isEmpty() ? -1 : 0);
    QCOMPARE(box.text(), text);
}

void TestText::getWort_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("defaultValue");
    QTest::addColumn<QString>("expected");

    const QChar blank(' ');
    QTest::newRow("empty text ignores default") << "" << blank << 1 << "x"
                                                << "";
    QTest::newRow("first") << "1 0 ABC" << blank << 1 << "x"
                           << "1";
    QTest::newRow("middle") << "1 0 ABC" << blank << 2 << "x"
                            << "0";
    QTest::newRow("last") << "1 0 ABC" << blank << 3 << "x"
                          << "ABC";
    QTest::newRow("beyond the last") << "1 0 ABC" << blank << 4 << "x"
                                     << "x";
    QTest::newRow("far beyond the last") << "1 0" << blank << INT_MAX << "x"
                                         << "x";
    QTest::newRow("empty word between blanks") << "a  b" << blank << 2 << "x"
                                               << "x";
    QTest::newRow("word after empty word") << "a  b" << blank << 3 << "x"
                                           << "b";
    QTest::newRow("leading separator") << ";a" << QChar(';') << 1 << "x"
                                       << "x";
    QTest::newRow("after leading separator") << ";a" << QChar(';') << 2 << "x"
                                             << "a";
    QTest::newRow("trailing separator") << "a;" << QChar(';') << 2 << "x"
                                        << "x";
    QTest::newRow("other separator") << "a b;c d" << QChar(';') << 2 << "x"
                                     << "c d";
    QTest::newRow("separator case counts") << "aXbxc" << QChar('x') << 2 << "-"
                                           << "c";
    QTest::newRow("missing, empty default") << "a" << blank << 2 << ""
                                            << "";
    QTest::newRow("word zero") << "a b" << blank << 0 << "x"
                               << "x";
    QTest::newRow("negative word") << "a b" << blank << -1 << "x"
                                   << "x";
    QTest::newRow("umlauts and emoji") << "Müller 😀 ß" << blank << 2 << "x"
                                       << "😀";
}

void TestText::getWort()
{
    QFETCH(QString, text);
    QFETCH(QChar, separator);
    QFETCH(int, n);
    QFETCH(QString, defaultValue);
    QFETCH(QString, expected);

    QCOMPARE(GetWort(text, separator, n, defaultValue), expected);
}

void TestText::getWortLongText()
{
    const int words = 40000;
    QStringList list;
    for (int word = 1; word <= words; ++word)
        list << QString::number(word);
    const QString text = list.join(' ');
    QVERIFY(text.size() > 32767);

    for (const int n : {1, 32767, 32768, words})
        QCOMPARE(GetWort(text, ' ', n, "x"), QString::number(n));
    QCOMPARE(GetWort(text, ' ', words + 1, "x"), QString("x"));
}

// Every one of the 256 Windows-1252 characters is scrambled to the character
// of its byte XOR 3; the C library's converter supplies the code page.
void TestText::passwortKodierenFollowsWindows1252()
{
    const iconv_t converter = iconv_open("UTF-8", "CP1252");
    QVERIFY2(converter != iconv_t(-1), "the C library has no CP1252 converter");

    QString characters[256];
    for (int byte = 0; byte < 256; ++byte) {
        // The undefined bytes stand for their own C1 code point.
        characters[byte] = windows1252ByIconv(converter, uchar(byte)).value_or(QChar(byte));
        QCOMPARE(characters[byte].size(), 1);
    }
    iconv_close(converter);

    QString all;
    QString scrambled;
    for (int byte = 0; byte < 256; ++byte) {
        all += characters[byte];
        scrambled += characters[byte ^ 3];
    }
    QCOMPARE(PasswortKodieren(all), scrambled);
    QCOMPARE(PasswortKodieren(scrambled), all);
}

void TestText::passwortKodieren_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("plain") << "Geheim0"
                           << "Dfkfjn3";
    QTest::newRow("umlauts") << "Müller äöüß"
                             << "Nÿoofq#çõÿÜ";
    QTest::newRow("euro and quotes") << "€‚"
                                     << "ƒ\u0081";
    QTest::newRow("outside the code page") << "aŁΩ\u0080b"
                                           << "bŁΩ\u0080a";
    QTest::newRow("emoji") << "a😀b"
                           << "b😀a";
    QTest::newRow("long") << QString("Passwort").repeated(100) << QString("Sbpptlqw").repeated(100);
}

// Scrambling twice gives the password back, whatever it contains.
void TestText::passwortKodieren()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);

    const QString scrambled = PasswortKodieren(text);
    QCOMPARE(scrambled, expected);
    QCOMPARE(PasswortKodieren(scrambled), text);
}

void TestText::istNumerisch_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");

    QTest::newRow("integer") << "12" << true;
    QTest::newRow("negative") << "-3" << true;
    QTest::newRow("positive sign") << "+7" << true;
    QTest::newRow("decimal point") << "1.5" << true;
    QTest::newRow("decimal comma") << "1,5" << true;
    QTest::newRow("leading separator") << ".5" << true;
    QTest::newRow("trailing separator") << "5." << true;
    QTest::newRow("exponent") << "1e3" << true;
    QTest::newRow("signed exponent") << "-2.5E-3" << true;
    QTest::newRow("blanks around") << "  42 " << true;
    QTest::newRow("letters") << "abc" << false;
    QTest::newRow("digit and letter") << "1a" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks only") << "  " << false;
    QTest::newRow("sign only") << "+" << false;
    QTest::newRow("separator only") << "." << false;
    QTest::newRow("two separators") << "1.2,3" << false;
    QTest::newRow("exponent without digits") << "1e" << false;
    QTest::newRow("exponent without mantissa") << "e3" << false;
    QTest::newRow("blank inside") << "1 2" << false;
    QTest::newRow("two signs") << "+-1" << false;
    QTest::newRow("other digits") << "٣" << false;
}

void TestText::istNumerisch()
{
    QFETCH(QString, text);
    QFETCH(bool, numeric);

    QCOMPARE(IstNumerisch(text), numeric);
}

QTEST_MAIN(TestText)
#include "test_text.moc"
