#include "tools/sheet/xlsxfile.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTime>
#include <xlsxwriter.h>

namespace {

struct Formats
{
    lxw_format *title, *text, *date, *time, *moment;
};

Formats addFormats(lxw_workbook *workbook)
{
    const auto numberFormat = [workbook](const char *code) {
        lxw_format *format = workbook_add_format(workbook);
        format_set_num_format(format, code);
        return format;
    };
    Formats formats{numberFormat("@"), numberFormat("@"), numberFormat("dd.mm.yyyy"),
                    numberFormat("hh:mm"), numberFormat("dd.mm.yyyy hh:mm:ss")};
    format_set_bold(formats.title);
    return formats;
}

// Excel counts days from 1900 on; anything before is written as text.
bool fitsExcel(const QDate &day)
{
    return day.isValid() && day.year() >= 1900;
}

lxw_datetime excelMoment(const QDate &day, const QTime &time)
{
    lxw_datetime moment{}; // a day of 0.0.0 makes a time of day alone
    if (day.isValid()) {
        moment.year = day.year();
        moment.month = day.month();
        moment.day = day.day();
    }
    moment.hour = time.hour();
    moment.min = time.minute();
    moment.sec = time.second();
    return moment;
}

lxw_error writeCell(lxw_worksheet *sheet, lxw_row_t row, lxw_col_t column, const QVariant &cell,
                    const Formats &formats)
{
    lxw_datetime moment{};
    lxw_format *format = nullptr;
    if (cell.typeId() == QMetaType::QDate && fitsExcel(cell.toDate())) {
        moment = excelMoment(cell.toDate(), QTime(0, 0));
        format = formats.date;
    } else if (cell.typeId() == QMetaType::QTime && cell.toTime().isValid()) {
        moment = excelMoment(QDate(), cell.toTime());
        format = formats.time;
    } else if (cell.typeId() == QMetaType::QDateTime && fitsExcel(cell.toDateTime().date())) {
        moment = excelMoment(cell.toDateTime().date(), cell.toDateTime().time());
        format = formats.moment;
    }
    if (format)
        return worksheet_write_datetime(sheet, row, column, &moment, format);
    const QString text = cellText(cell);
    if (text.isEmpty())
        return LXW_NO_ERROR;
    return worksheet_write_string(sheet, row, column, text.toUtf8().constData(), formats.text);
}

// Wide enough for the longest text of each column, within reason.
void setColumnWidths(lxw_worksheet *sheet, const Table &table)
{
    for (int column = 0; column < table.titles.size(); ++column) {
        qsizetype widest = table.titles.at(column).size();
        for (const QVariantList &row : table.rows)
            widest = qMax(widest, cellText(row.value(column)).size());
        worksheet_set_column(sheet, column, column, qMin<double>(widest + 2, 60), nullptr);
    }
}

lxw_error writeSheet(lxw_workbook *workbook, const Table &table)
{
    lxw_worksheet *sheet = workbook_add_worksheet(workbook, table.sheetName.toUtf8().constData());
    if (!sheet)
        return LXW_ERROR_PARAMETER_VALIDATION;
    const Formats formats = addFormats(workbook);
    setColumnWidths(sheet, table);
    worksheet_freeze_panes(sheet, 1, 0);
    lxw_error error = LXW_NO_ERROR;
    for (int column = 0; column < table.titles.size() && !error; ++column)
        error = worksheet_write_string(sheet, 0, column,
                                       table.titles.at(column).toUtf8().constData(), formats.title);
    // Rows in order: the workbook keeps one row in memory at a time.
    for (int row = 0; row < table.rows.size() && !error; ++row)
        for (int column = 0; column < table.rows.at(row).size() && !error; ++column)
            error = writeCell(sheet, row + 1, column, table.rows.at(row).at(column), formats);
    return error;
}

} // namespace

QByteArray xlsxContent(const Table &table, QString &problem)
{
    if (table.rows.size() >= LXW_ROW_MAX) {
        problem = QStringLiteral("%1 Zeilen passen nicht in ein Tabellenblatt (höchstens %2)")
                      .arg(table.rows.size())
                      .arg(LXW_ROW_MAX - 1);
        return QByteArray();
    }
    // The library writes to a file of its own; the caller puts the bytes where
    // they belong, whole or not at all.
    QTemporaryDir folder;
    const QByteArray folderPath = QFile::encodeName(folder.path());
    const QString path = folder.filePath(QStringLiteral("tabelle.xlsx"));
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char *>(folderPath.constData());
    lxw_workbook *workbook = folder.isValid()
                                 ? workbook_new_opt(QFile::encodeName(path).constData(), &options)
                                 : nullptr;
    if (!workbook) {
        problem = QStringLiteral("im temporären Ordner (TMPDIR) lässt sich keine Datei anlegen");
        return QByteArray();
    }
    const lxw_error written = writeSheet(workbook, table);
    const lxw_error closed = workbook_close(workbook);
    QFile file(path);
    if (written || closed || !file.open(QIODevice::ReadOnly)) {
        problem =
            QStringLiteral("die Tabelle ließ sich nicht erstellen (Fehler %1 von libxlsxwriter;"
                           " kein Platz für temporäre Dateien?)")
                .arg(written ? written : closed);
        return QByteArray();
    }
    return file.readAll();
}
