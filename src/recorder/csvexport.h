// A record file as CSV for spreadsheets: one row per sample, the full date and time first, then
// the process and set value of every device in degrees.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <optional>

class QIODevice;

namespace vrx {

struct RecordLayout;

struct CsvExportOptions {
    // The date of the first sample. Without it the dates come from `lastWritten`, the time the
    // file was last written, which is when its last sample was taken: the date of that sample.
    std::optional<QDate> startDate;
    QDateTime lastWritten;
};

struct CsvExportResult {
    qint64 rows = 0; // data rows written
    // Empty when the whole record went out; else why not, naming the line, or the system's
    // reason when the CSV device refused a write (writeFailed).
    QString problem;
    bool writeFailed = false;
    bool Ok() const { return problem.isEmpty(); }
};

// Reads the record from `record` (seekable: it is read twice when the date comes from
// lastWritten) and writes RFC 4180 CSV in UTF-8 with CR LF line ends to `csv`. The header row
// names each device by position and address; a value the record holds as `---` is an empty cell.
// A time of day more than two hours earlier than the one before means midnight passed; less is
// the clock set back (summer time's end, a correction). The record's end line, or a
// last line cut short by a recording that was interrupted, ends the export.
CsvExportResult ExportRecordCsv(QIODevice& record, QIODevice& csv, const CsvExportOptions& options);

// The same from the record file at recordPath into the file at csvPath, which is written whole
// or not at all. Without a start date the record file's modification time dates it. Returns
// the problem, naming the file; empty on success.
QString ExportRecordFile(const QString& recordPath, const QString& csvPath,
                         std::optional<QDate> startDate);

// Two data lines of a record with their dates and times.
struct DatedLines {
    QDate firstDate;
    QTime firstTime;
    QDate lastDate;
    QTime lastTime;
};
// Data lines `first` and `last` (first <= last) of the record file at `path`, dated as the
// export dates them: the file's modification time dates its last line, and each midnight its
// time stamps pass after a line puts that line a day earlier. Nothing when the lines cannot be
// read; the file is read from `first` to its end.
std::optional<DatedLines> DateRecordLines(const QString& path, const RecordLayout& layout,
                                          qint64 first, qint64 last);

} // namespace vrx
