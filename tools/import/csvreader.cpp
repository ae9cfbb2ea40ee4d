#include "csvreader.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>

namespace {

constexpr QChar separator = QLatin1Char(';');
constexpr QChar quote = QLatin1Char('"');

bool isLineBreak(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

// The text of the file, and the encoding it was written in. UTF-8 is what
// it is when it decodes without error; an office program without UTF-8 writes
// Windows-1252, where every byte but five means a character.
bool decode(const QByteArray &bytes, CsvFile &file, QString &text)
{
    if (bytes.contains('\0') && !bytes.startsWith("\xFF\xFE") && !bytes.startsWith("\xFE\xFF")) {
        file.error = QStringLiteral("Die Datei enthält Nullbytes: keine Textdatei");
        return false;
    }
    const auto tryDecoding = [&](QStringDecoder decoder, const QString &name) {
        text = decoder.decode(bytes);
        if (decoder.hasError())
            return false;
        file.encoding = name;
        return true;
    };
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        if (tryDecoding(QStringDecoder(QStringConverter::Utf16), QStringLiteral("UTF-16")))
            return true;
    } else if (tryDecoding(QStringDecoder(QStringConverter::Utf8), QStringLiteral("UTF-8")) ||
               tryDecoding(QStringDecoder("windows-1252"), QStringLiteral("Windows-1252"))) {
        return true;
    }
    file.error = QStringLiteral("Die Zeichenkodierung ist weder UTF-8 noch Windows-1252");
    return false;
}

// Reads fields and records from the decoded text, counting lines as people see them.
class Parser
{
public:
    explicit Parser(const QString &text) : text_(text) {}

    QString run(QVector<CsvRecord> &records)
    {
        if (text_.startsWith(QChar(0xFEFF)))
            ++at_;
        while (at_ < text_.size()) {
            if (isLineBreak(text_.at(at_))) {
                skipLineBreak(); // an empty line
                continue;
            }
            CsvRecord record;
            record.line = line_;
            const QString problem = readRecord(record.fields);
            if (!problem.isEmpty())
                return problem;
            records.append(record);
        }
        return QString();
    }

private:
    QString readRecord(QStringList &fields)
    {
        for (;;) {
            QString field;
            const bool quoted = at_ < text_.size() && text_.at(at_) == quote;
            const QString problem = quoted ? readQuoted(field) : readPlain(field);
            if (!problem.isEmpty())
                return problem;
            fields << field;
            if (at_ >= text_.size())
                return QString();
            if (isLineBreak(text_.at(at_))) {
                skipLineBreak();
                return QString();
            }
            ++at_; // the separator
        }
    }

    QString readPlain(QString &field)
    {
        const qsizetype start = at_;
        while (at_ < text_.size() && text_.at(at_) != separator && !isLineBreak(text_.at(at_)))
            ++at_;
        field = text_.mid(start, at_ - start);
        return QString();
    }

    QString readQuoted(QString &field)
    {
        const int opened = line_;
        ++at_;
        for (;;) {
            if (at_ >= text_.size())
                return QStringLiteral("Zeile %1: das Anführungszeichen wird nicht geschlossen")
                    .arg(opened);
            const QChar c = text_.at(at_);
            if (c == quote) {
                if (at_ + 1 < text_.size() && text_.at(at_ + 1) == quote) {
                    field += quote;
                    at_ += 2;
                    continue;
                }
                ++at_;
                if (at_ < text_.size() && text_.at(at_) != separator && !isLineBreak(text_.at(at_)))
                    return QStringLiteral(
                               "Zeile %1: nach dem schließenden Anführungszeichen muss ; oder "
                               "das Zeilenende folgen")
                        .arg(line_);
                return QString();
            }
            if (c == QLatin1Char('\r') && at_ + 1 < text_.size() &&
                text_.at(at_ + 1) == QLatin1Char('\n'))
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

    void skipLineBreak()
    {
        if (text_.at(at_) == QLatin1Char('\r') && at_ + 1 < text_.size() &&
            text_.at(at_ + 1) == QLatin1Char('\n'))
            ++at_;
        ++at_;
        ++line_;
    }

    const QString &text_;
    qsizetype at_ = 0;
    int line_ = 1;
};

} // namespace

CsvFile parseCsv(const QByteArray &bytes)
{
    CsvFile file;
    QString text;
    if (!decode(bytes, file, text))
        return file;
    file.error = Parser(text).run(file.records);
    if (!file.error.isEmpty())
        file.records.clear();
    return file;
}

CsvFile readCsvFile(const QString &path)
{
    QFile input(path);
    if (!input.open(QIODevice::ReadOnly)) {
        CsvFile file;
        file.error =
            QStringLiteral("Datei %1 kann nicht gelesen werden: %2").arg(path, input.errorString());
        return file;
    }
    return parseCsv(input.readAll());
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
