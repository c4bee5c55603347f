// Record files exported as CSV: the rows a spreadsheet gets, the date of every sample, and the
// records that cannot be exported.
#include "csvexport.h"
#include "recordfile.h"

#include <QBuffer>
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

    // What cannot be exported is named by its line, not written as rows that look right.
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
