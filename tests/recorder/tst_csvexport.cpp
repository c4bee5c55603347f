// Record files exported as CSV: the rows a spreadsheet gets, the date of every sample, and the
// records that cannot be exported.
#include "csvexport.h"
#include "recordfile.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vrx;

namespace {

const Addresses TwoDevices{1, 0, 5, 0, 0, 0, 0, 0};

QByteArray Line(QTime at, std::optional<std::pair<int, int>> first,
                std::optional<std::pair<int, int>> second) {
    Readings readings{};
    if (first) readings[0] = {true, first->first, first->second};
    if (second) readings[2] = {true, second->first, second->second};
    return DataLine(TwoDevices, readings, at) + "\r\n";
}

QByteArray Header() {
    return HeaderLine(TwoDevices, 1) + "\r\n";
}

const QByteArray CsvHead =
    "time,PV position 0 address 1,SV position 0 address 1,PV position 2 address 5,"
    "SV position 2 address 5\r\n";

} // namespace

class TestCsvExport : public QObject {
    Q_OBJECT

private slots:
    void rows_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QDate>("startDate"); // invalid: from lastWritten
        QTest::addColumn<QDateTime>("lastWritten");
        QTest::addColumn<QByteArray>("csv");

        const QDateTime noon(QDate(2026, 12, 10), QTime(12, 0, 5));
        QTest::newRow("values in degrees, --- as empty cells, End ends")
            << Header() + Line(QTime(12, 0, 0), {{253, 300}}, {{-5, 0}}) +
                   Line(QTime(12, 0, 1), std::nullopt, {{-123, 1000}}) + "End\r\n" +
                   "garbage after the end\r\n"
            << QDate(2026, 3, 1) << noon
            << CsvHead + "2026-03-01T12:00:00,25.3,30.0,-0.5,0.0\r\n" +
                   "2026-03-01T12:00:01,,,-12.3,100.0\r\n";
        QTest::newRow("midnight passes: the next day")
            << Header() + Line(QTime(23, 59, 59), {{1, 2}}, {{3, 4}}) +
                   Line(QTime(0, 0, 0), {{1, 2}}, {{3, 4}}) + "End\r\n"
            << QDate(2026, 12, 31) << noon
            << CsvHead + "2026-12-31T23:59:59,0.1,0.2,0.3,0.4\r\n" +
                   "2027-01-01T00:00:00,0.1,0.2,0.3,0.4\r\n";
        QTest::newRow("date from the file's time less its length")
            << Header() + Line(QTime(12, 0, 0), {{1, 2}}, {{3, 4}}) +
                   Line(QTime(12, 0, 4), {{1, 2}}, {{3, 4}}) + "End\r\n"
            << QDate() << noon
            << CsvHead + "2026-12-10T12:00:00,0.1,0.2,0.3,0.4\r\n" +
                   "2026-12-10T12:00:04,0.1,0.2,0.3,0.4\r\n";
        QTest::newRow("date from the file's time, recorded over midnight")
            << Header() + Line(QTime(23, 59, 58), {{1, 2}}, {{3, 4}}) +
                   Line(QTime(0, 0, 1), {{1, 2}}, {{3, 4}}) + "End\r\n"
            << QDate() << QDateTime(QDate(2026, 12, 11), QTime(0, 0, 2))
            << CsvHead + "2026-12-10T23:59:58,0.1,0.2,0.3,0.4\r\n" +
                   "2026-12-11T00:00:01,0.1,0.2,0.3,0.4\r\n";
        QTest::newRow("date from the file's time, over the end of summer time")
            << Header() + Line(QTime(2, 59, 59), {{1, 2}}, {{3, 4}}) +
                   Line(QTime(2, 0, 0), {{1, 2}}, {{3, 4}}) +
                   Line(QTime(2, 30, 0), {{1, 2}}, {{3, 4}}) + "End\r\n"
            << QDate() << QDateTime(QDate(2026, 10, 25), QTime(2, 30, 1))
            << CsvHead + "2026-10-25T02:59:59,0.1,0.2,0.3,0.4\r\n" +
                   "2026-10-25T02:00:00,0.1,0.2,0.3,0.4\r\n" +
                   "2026-10-25T02:30:00,0.1,0.2,0.3,0.4\r\n";
        QTest::newRow("a recording cut off mid-line: the rows before it")
            << Header() + Line(QTime(12, 0, 0), {{1, 2}}, {{3, 4}}) + "0 25" << QDate(2026, 3, 1)
            << noon << CsvHead + "2026-03-01T12:00:00,0.1,0.2,0.3,0.4\r\n";
        QTest::newRow("no data line") << Header() << QDate() << noon << CsvHead;
    }
    void rows() {
        QFETCH(QByteArray, record);
        QFETCH(QDate, startDate);
        QFETCH(QDateTime, lastWritten);
        QFETCH(QByteArray, csv);
        QBuffer in(&record);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QByteArray out;
        QBuffer csvOut(&out);
        QVERIFY(csvOut.open(QIODevice::WriteOnly));
        CsvExportOptions options;
        if (startDate.isValid()) options.startDate = startDate;
        options.lastWritten = lastWritten;
        const CsvExportResult result = ExportRecordCsv(in, csvOut, options);
        QVERIFY2(result.Ok(), qPrintable(result.problem));
        QCOMPARE(out, csv);
        QCOMPARE(result.rows, qint64(csv.count('\n') - 1));
    }

    // The record holds times of day only: a step back of the clock (summer time's end, a
    // correction by the time service) is no new day; midnight, or a recording continued in
    // the same file after a night's stop, is. Each time is given with the day it falls on.
    void days_data() {
        QTest::addColumn<QStringList>("times"); // "H:mm:ss+days since the first"
        QTest::newRow("end of summer time, Europe")
            << QStringList{"2:59:58+0", "2:59:59+0", "2:00:00+0", "2:00:01+0", "3:00:00+0"};
        QTest::newRow("end of summer time, America")
            << QStringList{"1:59:59+0", "1:00:00+0", "1:59:59+0", "2:00:00+0"};
        QTest::newRow("start of summer time") << QStringList{"1:59:59+0", "3:00:00+0", "3:00:01+0"};
        QTest::newRow("the clock corrected back by seconds")
            << QStringList{"12:00:04+0", "12:00:05+0", "12:00:02+0", "12:00:03+0"};
        QTest::newRow("the clock corrected back by minutes")
            << QStringList{"23:50:00+0", "23:40:00+0", "23:59:59+0", "0:00:00+1"};
        QTest::newRow("end of summer time with a correction")
            << QStringList{"2:59:59+0", "1:59:30+0", "2:00:00+0"};
        QTest::newRow("midnight") << QStringList{"23:59:59+0", "0:00:00+1", "0:00:01+1"};
        QTest::newRow("midnight at two minutes") << QStringList{"23:59:00+0", "0:01:00+1"};
        QTest::newRow("end of summer time, then midnight")
            << QStringList{"2:59:59+0", "2:00:00+0", "23:59:59+0", "0:00:00+1"};
        QTest::newRow("continued after a night's stop")
            << QStringList{"17:30:00+0", "17:30:01+0", "8:00:00+1", "8:00:01+1"};
        QTest::newRow("three midnights")
            << QStringList{"12:00:00+0", "23:59:59+0", "0:00:00+1", "23:59:59+1",
                           "0:00:00+2",  "23:59:59+2", "0:00:00+3"};
    }
    void days() {
        QFETCH(QStringList, times);
        const QDate first(2026, 10, 25);
        QByteArray record = Header();
        QByteArray expected = CsvHead;
        for (const QString& entry : times) {
            const QStringList parts = entry.split('+');
            const QTime time = QTime::fromString(parts[0], "H:mm:ss");
            QVERIFY(time.isValid());
            record += Line(time, {{1, 2}}, {{3, 4}});
            expected += (first.addDays(parts[1].toInt()).toString(Qt::ISODate) + 'T' +
                         time.toString("HH:mm:ss"))
                            .toLatin1() +
                        ",0.1,0.2,0.3,0.4\r\n";
        }
        // Dated by --date, and by the file's time: written just after the last sample.
        const QTime last = QTime::fromString(times.last().split('+')[0], "H:mm:ss");
        const QDateTime written(first.addDays(times.last().split('+')[1].toInt()), last.addSecs(1));
        for (const bool dated : {true, false}) {
            QBuffer in(&record);
            QVERIFY(in.open(QIODevice::ReadOnly));
            QByteArray out;
            QBuffer csv(&out);
            QVERIFY(csv.open(QIODevice::WriteOnly));
            CsvExportOptions options;
            if (dated) options.startDate = first;
            options.lastWritten = written;
            const CsvExportResult result = ExportRecordCsv(in, csv, options);
            QVERIFY2(result.Ok(), qPrintable(result.problem));
            QCOMPARE(out, expected);
        }
    }

    // What cannot be exported is named by its line, not written as rows that look right.
    // Two lines of a record file dated for a chart's legend: the file's time dates the last
    // line, each midnight after a line takes it a day back. Lines every 8 hours from 06:00
    // pass two midnights; the file was written at 14:00:30 on the 14th, after line 7.
    void linesDated_data() {
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("last");
        QTest::addColumn<QDate>("firstDate"); // invalid: the lines cannot be dated
        QTest::addColumn<QDate>("lastDate");
        QTest::addColumn<QTime>("firstTime");
        QTest::addColumn<QTime>("lastTime");
        const QDate day(2026, 3, 14);
        QTest::newRow("the whole record")
            << qint64(0) << qint64(7) << day.addDays(-2) << day << QTime(6, 0) << QTime(14, 0);
        QTest::newRow("one day") << qint64(3) << qint64(5) << day.addDays(-1) << day.addDays(-1)
                                 << QTime(6, 0) << QTime(22, 0);
        QTest::newRow("over one midnight") << qint64(2) << qint64(3) << day.addDays(-2)
                                           << day.addDays(-1) << QTime(22, 0) << QTime(6, 0);
        QTest::newRow("the last line")
            << qint64(7) << qint64(7) << day << day << QTime(14, 0) << QTime(14, 0);
        QTest::newRow("past the end")
            << qint64(6) << qint64(8) << QDate() << QDate() << QTime() << QTime();
    }
    void linesDated() {
        QFETCH(qint64, first);
        QFETCH(qint64, last);
        QFETCH(QDate, firstDate);
        QFETCH(QDate, lastDate);
        QFETCH(QTime, firstTime);
        QFETCH(QTime, lastTime);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("rec.txt"));
        QByteArray bytes = Header();
        for (int r = 0; r < 8; ++r)
            bytes += Line(QTime(6, 0).addSecs(r * 8 * 3600), {{r, 0}}, {{r, 0}});
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes + "End\r\n");
        file.flush();
        QVERIFY(file.setFileTime(QDateTime(QDate(2026, 3, 14), QTime(14, 0, 30)),
                                 QFileDevice::FileModificationTime));
        file.close();
        SampleStore samples;
        const RecordLoad load = LoadRecordFile(path, samples);
        QVERIFY(!load.broken);

        const auto dated = DateRecordLines(path, load.layout, first, last);
        QCOMPARE(dated.has_value(), firstDate.isValid());
        if (!dated) return;
        QCOMPARE(dated->firstDate, firstDate);
        QCOMPARE(dated->lastDate, lastDate);
        QCOMPARE(dated->firstTime, firstTime);
        QCOMPARE(dated->lastTime, lastTime);
    }

    void brokenRecords_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("problem");
        const QByteArray good = Line(QTime(12, 0, 0), {{1, 2}}, {{3, 4}});
        QTest::newRow("not a header")
            << QByteArray("hello\r\n") + good << "Line 1 is not the header of a record file.";
        QTest::newRow("empty file") << QByteArray() << "Line 1 is not the header of a record file.";
        QTest::newRow("a bad value")
            << Header() + good + QByteArray(good).replace("3 ", "x ") + good
            << "Line 3 is not a data line of this record.";
        QTest::newRow("a bad time") << Header() + good + QByteArray(good).replace("PM", "XM") + good
                                    << "Line 3 is not a data line of this record.";
        QTest::newRow("a line of another record")
            << Header() + good.mid(16) + good << "Line 2 is not a data line of this record.";
        QTest::newRow("a huge line") << Header() + QByteArray(1 << 20, '1') + "\r\n"
                                     << "Line 2 is not a data line of this record.";
    }
    void brokenRecords() {
        QFETCH(QByteArray, record);
        QFETCH(QString, problem);
        for (const bool dated : {true, false}) {
            QBuffer in(&record);
            QVERIFY(in.open(QIODevice::ReadOnly));
            QByteArray out;
            QBuffer csvOut(&out);
            QVERIFY(csvOut.open(QIODevice::WriteOnly));
            CsvExportOptions options;
            if (dated) options.startDate = QDate(2026, 1, 1);
            options.lastWritten = QDateTime(QDate(2026, 1, 1), QTime(13, 0));
            QCOMPARE(ExportRecordCsv(in, csvOut, options).problem, problem);
        }
    }
};

QTEST_GUILESS_MAIN(TestCsvExport)
#include "tst_csvexport.moc"
