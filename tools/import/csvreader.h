#pragma once

#include <QHash>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <QVector>
#include <memory>

class QIODevice;

// A CSV file as German offices write it: semicolons between fields, fields in
// double quotes where they hold a semicolon, a quote ("" inside) or a line
// break; UTF-8 with or without byte order mark, UTF-16 with one, or else
// Windows-1252. Empty lines, also lines of bare separators, are skipped. A file that mixes UTF-8 with bytes
// that are no UTF-8 (an umlaut of Windows-1252 among UTF-8 ones) is refused:
// read as either, some of its names would come out garbled.
struct CsvRecord
{
    int line = 0; // where the record begins, counted from 1
    QStringList fields;
};

struct CsvFile
{
    QString encoding;           // as people name it: "UTF-8", "Windows-1252", "UTF-16"
    QVector<CsvRecord> records; // the header row first
    QString error;              // what makes the file unreadable; empty when it was read
};

// Reads a CSV file one record at a time, so that a file of a million rows
// needs the memory of one row. Opening reads the bytes once to find the
// encoding; the records can then be read as often as needed (rewind()).
class CsvReader
{
public:
    CsvReader();
    ~CsvReader();
    CsvReader(const CsvReader &) = delete;
    CsvReader &operator=(const CsvReader &) = delete;

    // Reads the file's first `length` bytes (all of it when negative) and only
    // those, also when the file grows meanwhile. False when they cannot be
    // read as text; error() says why.
    bool open(const QString &path, qint64 length = -1);
    // The same over bytes as they came from a file.
    bool open(const QByteArray &bytes);

    // The next record; false at the end, or at a problem that makes the rest
    // unreadable (error() is not empty then).
    bool next(CsvRecord &record);
    // Back to the first record, for another sweep.
    bool rewind();

    const QString &encoding() const { return encoding_; }
    const QString &error() const { return error_; }
    // How many bytes of the file it reads.
    qint64 length() const { return length_; }

private:
    bool findEncoding();
    bool fill(qsizetype wanted);
    bool more(qsizetype wanted = 1) { return buffer_.size() - at_ >= wanted || fill(wanted); }
    bool fail(const QString &problem);
    bool readRecord(QStringList &fields);
    bool readPlain(QString &field);
    bool readQuoted(QString &field);
    void skipLineBreak();

    std::unique_ptr<QIODevice> device_;
    QByteArray bytes_; // of open(QByteArray)
    QString path_;
    qint64 length_ = 0;
    qint64 consumed_ = 0; // bytes read from the device in this sweep
    enum class Encoding { Utf8, Windows1252, Utf16 } kind_ = Encoding::Utf8;
    QString encoding_;
    QString error_;
    QStringDecoder decoder_;
    QString buffer_; // decoded text not parsed yet from at_ on
    qsizetype at_ = 0;
    int line_ = 1;
};

// Where each known column stands in a file, from its header row: names in any
// order and any case; an unknown, doubled or missing required name is an error.
struct CsvHeader
{
    QHash<QString, int> columnOf; // known name as given in the list -> field index
    int fieldCount = 0;
    QStringList errors; // "Zeile n: …"
};
CsvHeader readCsvHeader(const CsvRecord &header, const QStringList &known,
                        const QStringList &required);

// Reads and parses the whole file into memory (for files of master data).
CsvFile readCsvFile(const QString &path);
// Parses bytes as they came from a file.
CsvFile parseCsv(const QByteArray &bytes);
