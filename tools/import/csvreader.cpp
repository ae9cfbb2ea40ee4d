#include "tools/import/csvreader.h"

#include <QBuffer>
#include <QFile>
#include <algorithm>

namespace {

constexpr QChar separator = QLatin1Char(';');
constexpr QChar quote = QLatin1Char('"');

// Bytes read from the file at a time.
constexpr qint64 blockSize = 1 << 16;

// No field of a KARVEN file comes near this; a longer one is a quote left
// open, or no CSV file at all, and would otherwise be held whole in memory.
constexpr qsizetype longestField = 1 << 20;

bool isLineBreak(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

bool startsWithUtf16Mark(const QByteArray &start)
{
    return start.startsWith("\xFF\xFE") || start.startsWith("\xFE\xFF");
}

// Checks bytes for UTF-8 as they come, block by block, and counts lines as
// the parser does (CR LF, CR and LF each end one): the first line with a
// byte that is no UTF-8, and the first with a character that UTF-8 writes in
// several bytes, which plain ASCII does not.
class Utf8Check
{
public:
    void add(const QByteArray &bytes)
    {
        for (const char byte : bytes)
            add(uchar(byte));
    }

    void finish()
    {
        if (pending_ > 0)
            invalid(); // the file ends inside a character
    }

    bool hasNul() const { return hasNul_; }
    int firstInvalidLine() const { return firstInvalid_; }
    int firstMultibyteLine() const { return firstMultibyte_; }

private:
    void add(uchar byte)
    {
        if (pending_ > 0) {
            if (byte >= low_ && byte <= high_) {
                low_ = 0x80;
                high_ = 0xBF;
                if (--pending_ == 0 && firstMultibyte_ == 0)
                    firstMultibyte_ = line_;
                return;
            }
            invalid(); // the character breaks off; the byte starts anew
        }
        if (byte < 0x80) {
            if (byte == 0)
                hasNul_ = true;
            if (byte == '\r' || (byte == '\n' && !afterCarriageReturn_))
                ++line_;
            afterCarriageReturn_ = byte == '\r';
            return;
        }
        afterCarriageReturn_ = false;
        // The lead byte tells how many follow, and where the first of them
        // must lie so that nothing is written longer than it need be and no
        // surrogate or value beyond U+10FFFF comes out.
        if (byte >= 0xC2 && byte <= 0xDF)
            expect(1, 0x80, 0xBF);
        else if (byte == 0xE0)
            expect(2, 0xA0, 0xBF);
        else if (byte == 0xED)
            expect(2, 0x80, 0x9F);
        else if (byte >= 0xE1 && byte <= 0xEF)
            expect(2, 0x80, 0xBF);
        else if (byte == 0xF0)
            expect(3, 0x90, 0xBF);
        else if (byte >= 0xF1 && byte <= 0xF3)
            expect(3, 0x80, 0xBF);
        else if (byte == 0xF4)
            expect(3, 0x80, 0x8F);
        else
            invalid();
    }

    void expect(int following, uchar low, uchar high)
    {
        pending_ = following;
        low_ = low;
        high_ = high;
    }

    void invalid()
    {
        pending_ = 0;
        if (firstInvalid_ == 0)
            firstInvalid_ = line_;
    }

    int line_ = 1;
    bool afterCarriageReturn_ = false;
    int pending_ = 0;
    uchar low_ = 0x80;
    uchar high_ = 0xBF;
    bool hasNul_ = false;
    int firstInvalid_ = 0;
    int firstMultibyte_ = 0;
};

} // namespace

CsvReader::CsvReader() = default;
CsvReader::~CsvReader() = default;

bool CsvReader::open(const QString &path, qint64 length)
{
    path_ = path;
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Datei %1 kann nicht gelesen werden: %2")
                        .arg(path, file->errorString()));
    length_ = length < 0 ? file->size() : qMin(length, file->size());
    device_ = std::move(file);
    return findEncoding() && rewind();
}

bool CsvReader::open(const QByteArray &bytes)
{
    bytes_ = bytes;
    auto buffer = std::make_unique<QBuffer>(&bytes_);
    buffer->open(QIODevice::ReadOnly);
    length_ = bytes_.size();
    device_ = std::move(buffer);
    return findEncoding() && rewind();
}

bool CsvReader::fail(const QString &problem)
{
    if (error_.isEmpty())
        error_ = problem;
    return false;
}

// UTF-8 is what the file is when it reads as UTF-8 without error; an office
// program without UTF-8 writes Windows-1252, where every byte but five means
// a character. A file with both has been put together from two sources.
bool CsvReader::findEncoding()
{
    if (!device_->seek(0))
        return fail(QStringLiteral("Datei %1 kann nicht gelesen werden: %2")
                        .arg(path_, device_->errorString()));
    Utf8Check check;
    bool utf16 = false;
    for (qint64 read = 0; read < length_;) {
        const QByteArray block = device_->read(qMin(blockSize, length_ - read));
        if (block.isEmpty())
            return fail(
                QStringLiteral("Datei %1 ist beim Lesen kürzer geworden: sie wird gerade geändert")
                    .arg(path_));
        if (read == 0)
            utf16 = startsWithUtf16Mark(block);
        read += block.size();
        if (utf16)
            break; // its decoder finds what is wrong
        check.add(block);
    }
    check.finish();
    if (utf16) {
        kind_ = Encoding::Utf16;
        encoding_ = QStringLiteral("UTF-16");
        return true;
    }
    if (check.hasNul())
        return fail(QStringLiteral("Die Datei enthält Nullbytes: keine Textdatei"));
    if (check.firstInvalidLine() == 0) {
        kind_ = Encoding::Utf8;
        encoding_ = QStringLiteral("UTF-8");
        return true;
    }
    if (check.firstMultibyteLine() != 0)
        return fail(
            QStringLiteral("Zeile %1: Zeichen, die kein UTF-8 sind (etwa ein Umlaut in "
                           "Windows-1252), in einer Datei mit Zeichen in UTF-8 (%2). "
                           "Eine Datei mit zwei Zeichenkodierungen wird nicht gelesen, "
                           "sonst kämen Umlaute verstümmelt an: bitte die ganze Datei "
                           "einheitlich als UTF-8 speichern")
                .arg(check.firstInvalidLine())
                .arg(check.firstMultibyteLine() == check.firstInvalidLine()
                         ? QStringLiteral("in derselben Zeile")
                         : QStringLiteral("zuerst in Zeile %1").arg(check.firstMultibyteLine())));
    kind_ = Encoding::Windows1252;
    encoding_ = QStringLiteral("Windows-1252");
    return true;
}

bool CsvReader::rewind()
{
    if (!device_ || !error_.isEmpty())
        return false;
    if (!device_->seek(0))
        return fail(QStringLiteral("Datei %1 kann nicht gelesen werden: %2")
                        .arg(path_, device_->errorString()));
    consumed_ = 0;
    switch (kind_) {
    case Encoding::Utf8:
        decoder_ = QStringDecoder(QStringConverter::Utf8);
        break;
    case Encoding::Utf16:
        decoder_ = QStringDecoder(QStringConverter::Utf16);
        break;
    case Encoding::Windows1252:
        decoder_ = QStringDecoder("windows-1252");
        break;
    }
    buffer_.clear();
    at_ = 0;
    line_ = 1;
    if (more() && buffer_.at(at_) == QChar(0xFEFF))
        ++at_;
    return error_.isEmpty();
}

// Decodes more of the file until `wanted` characters wait or the file is read.
bool CsvReader::fill(qsizetype wanted)
{
    if (!error_.isEmpty())
        return false;
    if (at_ > blockSize) {
        buffer_.remove(0, at_);
        at_ = 0;
    }
    while (buffer_.size() - at_ < wanted && consumed_ < length_) {
        const QByteArray block = device_->read(qMin(blockSize, length_ - consumed_));
        if (block.isEmpty())
            return fail(
                QStringLiteral("Datei %1 ist beim Lesen kürzer geworden: sie wird gerade geändert")
                    .arg(path_));
        consumed_ += block.size();
        buffer_ += decoder_.decode(block);
        if (decoder_.hasError())
            return fail(QStringLiteral("Die Zeichenkodierung ist weder UTF-8 noch Windows-1252"));
    }
    return buffer_.size() - at_ >= wanted;
}

bool CsvReader::next(CsvRecord &record)
{
    // Spreadsheets end a sheet with lines of bare separators (";;;;"): those
    // are empty lines too.
    const auto blank = [](const QStringList &fields) {
        return std::all_of(fields.cbegin(), fields.cend(),
                           [](const QString &field) { return field.trimmed().isEmpty(); });
    };
    do {
        record.fields.clear();
        while (more() && isLineBreak(buffer_.at(at_)))
            skipLineBreak(); // an empty line
        if (!more())
            return false;
        record.line = line_;
        if (!readRecord(record.fields))
            return false;
    } while (blank(record.fields));
    return true;
}

bool CsvReader::readRecord(QStringList &fields)
{
    for (;;) {
        QString field;
        const bool quoted = more() && buffer_.at(at_) == quote;
        if (!(quoted ? readQuoted(field) : readPlain(field)))
            return false;
        fields << field;
        if (!more())
            return error_.isEmpty();
        if (isLineBreak(buffer_.at(at_))) {
            skipLineBreak();
            return error_.isEmpty();
        }
        ++at_; // the separator
    }
}

bool CsvReader::readPlain(QString &field)
{
    while (more()) {
        qsizetype end = at_;
        while (end < buffer_.size() && buffer_.at(end) != separator &&
               !isLineBreak(buffer_.at(end)))
            ++end;
        field += QStringView(buffer_).mid(at_, end - at_);
        at_ = end;
        if (field.size() > longestField)
            return fail(QStringLiteral(
                            "Zeile %1: ein Feld ist länger als %2 Zeichen: keine Datei dieser Art")
                            .arg(line_)
                            .arg(longestField));
        if (end < buffer_.size())
            break;
    }
    return error_.isEmpty();
}

bool CsvReader::readQuoted(QString &field)
{
    const int opened = line_;
    ++at_;
    for (;;) {
        if (!more())
            return error_.isEmpty()
                       ? fail(QStringLiteral(
                                  "Zeile %1: das Anführungszeichen wird nicht geschlossen")
                                  .arg(opened))
                       : false;
        if (field.size() > longestField)
            return fail(QStringLiteral("Zeile %1: das Anführungszeichen wird nach %2 Zeichen noch "
                                       "nicht geschlossen")
                            .arg(opened)
                            .arg(longestField));
        const QChar c = buffer_.at(at_);
        if (c == quote) {
            if (more(2) && buffer_.at(at_ + 1) == quote) {
                field += quote;
                at_ += 2;
                continue;
            }
            ++at_;
            if (more() && buffer_.at(at_) != separator && !isLineBreak(buffer_.at(at_)))
                return fail(
                    QStringLiteral("Zeile %1: nach dem schließenden Anführungszeichen muss ; "
                                   "oder das Zeilenende folgen")
                        .arg(line_));
            return error_.isEmpty();
        }
        if (c == QLatin1Char('\r') && more(2) && buffer_.at(at_ + 1) == QLatin1Char('\n'))
            ++at_; // CR LF inside a field is one line break
        if (isLineBreak(c)) {
            field += QLatin1Char('\n');
            ++line_;
        } else {
            field += c;
        }
        ++at_;
    }
}

void CsvReader::skipLineBreak()
{
    if (buffer_.at(at_) == QLatin1Char('\r') && more(2) && buffer_.at(at_ + 1) == QLatin1Char('\n'))
        ++at_;
    ++at_;
    ++line_;
}

namespace {

CsvFile readAll(CsvReader &reader, bool opened)
{
    CsvFile file;
    file.encoding = reader.encoding();
    if (opened) {
        CsvRecord record;
        while (reader.next(record))
            file.records.append(record);
    }
    file.error = reader.error();
    if (!file.error.isEmpty())
        file.records.clear();
    return file;
}

} // namespace

CsvFile parseCsv(const QByteArray &bytes)
{
    CsvReader reader;
    const bool opened = reader.open(bytes);
    return readAll(reader, opened);
}

CsvFile readCsvFile(const QString &path)
{
    CsvReader reader;
    const bool opened = reader.open(path);
    return readAll(reader, opened);
}

CsvHeader readCsvHeader(const CsvRecord &header, const QStringList &known,
                        const QStringList &required)
{
    CsvHeader columns;
    columns.fieldCount = header.fields.size();
    const auto error = [&](const QString &problem) {
        columns.errors << QStringLiteral("Zeile %1: %2").arg(header.line).arg(problem);
    };
    for (int field = 0; field < header.fields.size(); ++field) {
        const QString name = header.fields.at(field).trimmed();
        const auto found =
            std::find_if(known.cbegin(), known.cend(), [&](const QString &candidate) {
                return candidate.compare(name, Qt::CaseInsensitive) == 0;
            });
        if (found == known.cend())
            error(QStringLiteral("unbekannte Spalte „%1“; bekannt sind: %2")
                      .arg(name.left(40), known.join(QStringLiteral(", "))));
        else if (columns.columnOf.contains(*found))
            error(QStringLiteral("Spalte „%1“ steht zweimal da").arg(*found));
        else
            columns.columnOf.insert(*found, field);
    }
    for (const QString &name : required)
        if (!columns.columnOf.contains(name))
            error(QStringLiteral("Spalte „%1“ fehlt").arg(name));
    return columns;
}
