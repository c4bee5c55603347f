// Record files to CSV.
#include "csvexport.h"

#include "recordfile.h"
#include "textfile.h"

#include <QFile>
#include <QFileInfo>

#include <QCoreApplication>
#include <QIODevice>

#include <limits>

namespace vrx {

namespace {

// A record holds times of day only. A time earlier than the one before is the clock set back
// (summer time's end, an hour; a correction by the time service, seconds) or a new day: the
// running recording's midnight steps back almost a day, and a recording continued in the
// same file after a night's stop steps back some hours. Up to this much back is the clock.
constexpr qint64 ClockSetBackLimit = 2 * 60 * 60;
// A data line is at most eight fields and the time stamp; anything longer is not one.
constexpr qint64 LineLimit = DevicePositions * FieldLength + TimeStampWidth + 2;
constexpr qsizetype FlushBytes = 64 * 1024;

// The texts of this file, translated under one context.
class CsvExport {
    Q_DECLARE_TR_FUNCTIONS(vrx::CsvExport)
};

// One line without its line end; nothing at the end of the data.
std::optional<QByteArray> NextLine(QIODevice& device, bool* overlong) {
    QByteArray line = device.readLine(LineLimit + 1);
    if (line.isEmpty()) return std::nullopt;
    *overlong = line.size() > LineLimit && !line.endsWith('\n');
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

QByteArray Degrees(qint32 tenths) {
    if (tenths == MissingSample) return {};
    const qint64 magnitude = qAbs(qint64(tenths));
    return (tenths < 0 ? "-" : "") + QByteArray::number(magnitude / 10) + '.' +
           QByteArray::number(magnitude % 10);
}

struct Sample {
    std::array<FieldValues, DevicePositions> values{};
    QTime time;
};

// Walks the data lines of a record whose header has been read. Calls `take` for each sample
// with the midnights passed since the first one; returns the problem, if any.
template <typename Take>
QString WalkSamples(QIODevice& record, const RecordHeader& header, qint64 firstLine, Take take) {
    const int stations = header.StationCount();
    const qsizetype fieldsLength = qsizetype(stations) * FieldLength;
    qint64 lineNumber = firstLine;
    int days = 0;
    std::optional<QTime> previous;
    bool overlong = false;
    while (const auto line = NextLine(record, &overlong)) {
        ++lineNumber;
        if (*line == EndLineText) return {};
        const bool lastLine = record.atEnd();
        auto broken = [&] {
            return CsvExport::tr("Line %1 is not a data line of this record.").arg(lineNumber);
        };
        if (overlong) return broken();
        if (line->size() != fieldsLength + TimeStampWidth) {
            // A recording cut off mid-line leaves a short last line: the record ends before it.
            if (lastLine && line->size() < fieldsLength + TimeStampWidth) return {};
            return broken();
        }
        const auto values = ParseFieldValues(*line, stations);
        const auto time = ParseTimeOfDay(QByteArrayView(*line).sliced(fieldsLength).trimmed());
        if (!values || !time) return broken();
        if (previous && previous->secsTo(*time) < -ClockSetBackLimit) ++days;
        previous = *time;
        take(Sample{*values, *time}, days);
    }
    return {};
}

// The date of the last sample, stamped `lastTime`: of the days around the file's last write,
// the one that puts it nearest. Both are wall-clock readings, compared as such, so that a
// change of summer time between them moves nothing.
QDate LastDateFrom(const QDateTime& lastWritten, QTime lastTime) {
    const QDateTime local = lastWritten.toLocalTime();
    const QDateTime written(local.date(), local.time(), Qt::UTC);
    QDate best = local.date();
    qint64 bestGap = std::numeric_limits<qint64>::max();
    for (int d = -1; d <= 1; ++d) {
        const QDate day = local.date().addDays(d);
        const qint64 gap = qAbs(QDateTime(day, lastTime, Qt::UTC).secsTo(written));
        if (gap < bestGap) {
            bestGap = gap;
            best = day;
        }
    }
    return best;
}

} // namespace

CsvExportResult ExportRecordCsv(QIODevice& record, QIODevice& csv,
                                const CsvExportOptions& options) {
    CsvExportResult result;
    bool overlong = false;
    const auto headerLine = NextLine(record, &overlong);
    const auto header = headerLine && !overlong ? ParseHeader(*headerLine) : std::nullopt;
    if (!header) {
        result.problem = CsvExport::tr("Line 1 is not the header of a record file.");
        return result;
    }
    const qint64 dataStart = record.pos();

    QDate date;
    if (options.startDate) {
        date = *options.startDate;
    } else {
        std::optional<QTime> lastTime;
        int lastDays = 0;
        result.problem = WalkSamples(record, *header, 1, [&](const Sample& s, int days) {
            lastTime = s.time;
            lastDays = days;
        });
        if (!result.Ok()) return result;
        if (lastTime) date = LastDateFrom(options.lastWritten, *lastTime).addDays(-lastDays);
        if (!record.seek(dataStart)) {
            result.problem =
                CsvExport::tr("The record file cannot be read twice: %1").arg(record.errorString());
            return result;
        }
    }

    QByteArray head = "time";
    for (int p = 0; p < DevicePositions; ++p) {
        const int address = header->addresses[std::size_t(p)];
        if (address == 0) continue;
        const QByteArray device =
            "position " + QByteArray::number(p) + " address " + QByteArray::number(address);
        head += ",PV " + device + ",SV " + device;
    }
    // Rows go out in pieces of some kilobytes: one write each would be millions of them for a
    // long record on an unbuffered file.
    QByteArray pending;
    auto flush = [&] {
        if (const auto reason = WriteAllBytes(csv, pending)) {
            result.problem = *reason;
            result.writeFailed = true;
        }
        pending.clear();
        return result.Ok();
    };
    auto write = [&](const QByteArray& row) {
        pending += row + "\r\n";
        return pending.size() < FlushBytes || flush();
    };
    if (!write(head)) return result;

    // The wall-clock time of the file with its date: a day later after each midnight, whatever
    // the clocks did in between.
    const QString walkProblem = WalkSamples(record, *header, 1, [&](const Sample& s, int days) {
        if (!result.Ok()) return;
        QByteArray row = (date.addDays(days).toString(Qt::ISODate) + QLatin1Char('T') +
                          s.time.toString(QStringLiteral("HH:mm:ss")))
                             .toLatin1();
        for (int i = 0; i < header->StationCount(); ++i)
            row += ',' + Degrees(s.values[std::size_t(i)].pv) + ',' +
                   Degrees(s.values[std::size_t(i)].sv);
        if (write(row)) ++result.rows;
    });
    if (result.Ok()) result.problem = walkProblem;
    if (result.Ok()) flush();
    return result;
}

QString ExportRecordFile(const QString& recordPath, const QString& csvPath,
                         std::optional<QDate> startDate) {
    if (const auto problem = PlainFileProblem(recordPath)) return *problem;
    QFile record(recordPath);
    if (!record.open(QIODevice::ReadOnly)) return ReadFailureText(recordPath, record.errorString());
    CsvExportOptions options;
    options.startDate = startDate;
    options.lastWritten = QFileInfo(recordPath).lastModified();
    // A broken record or a refused write leaves no CSV file, and an existing one as it was.
    const auto problem = SaveFileBy(csvPath, [&](QIODevice& csv) -> std::optional<QString> {
        const CsvExportResult result = ExportRecordCsv(record, csv, options);
        if (result.Ok()) return std::nullopt;
        if (result.writeFailed) return WriteFailureText(csvPath, result.problem);
        return QStringLiteral("%1: %2").arg(recordPath, result.problem);
    });
    return problem.value_or(QString());
}

std::optional<DatedLines> DateRecordLines(const QString& path, const RecordLayout& layout,
                                          qint64 first, qint64 last) {
    if (first < 0 || last < first || last >= layout.recordCount) return std::nullopt;
    if (PlainFileProblem(path)) return std::nullopt;
    QFile record(path);
    if (!record.open(QIODevice::ReadOnly) ||
        !record.seek(layout.dataOffset + first * layout.lineLength))
        return std::nullopt;
    DatedLines dated;
    qint64 k = 0;
    int lastDays = 0;
    int endDays = 0;
    std::optional<QTime> endTime;
    const QString problem =
        WalkSamples(record, layout.header, first + 1, [&](const Sample& s, int days) {
            if (k == 0) dated.firstTime = s.time;
            if (k == last - first) {
                dated.lastTime = s.time;
                lastDays = days;
            }
            ++k;
            endTime = s.time;
            endDays = days;
        });
    if (!problem.isEmpty() || k <= last - first || !endTime) return std::nullopt;
    dated.firstDate = LastDateFrom(QFileInfo(record).lastModified(), *endTime).addDays(-endDays);
    dated.lastDate = dated.firstDate.addDays(lastDays);
    return dated;
}

} // namespace vrx
