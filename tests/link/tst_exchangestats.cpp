// A station's statistics: how its requests ended and how long its replies took.
#include "exchangestats.h"

#include <QTest>

using namespace vrx;

class TestExchangeStats : public QObject {
    Q_OBJECT

private slots:
    void countsAndTimes() {
        ExchangeStats s;
        QCOMPARE(s.Tooltip(), "Requests: 0\nTime-outs: 0\nCheck errors: 0\nExceptions: 0\n"
                              "Last reply: -\nMean reply: -\nLongest reply: -");
        s.Count(ExchangeOutcome::Answered, 20);
        s.Count(ExchangeOutcome::Answered, 31);
        s.Count(ExchangeOutcome::TimedOut, 990); // a time-out is no response time
        s.Count(ExchangeOutcome::CheckError, 12);
        s.Count(ExchangeOutcome::Exception, 8);
        QCOMPARE(s.Values(),
                 (QStringList{"5", "1", "1", "1", "8 ms", "18 ms", "31 ms"})); // (20+31+12+8)/4
        s.Reset();
        QCOMPARE(s.requests, 0);
        QCOMPARE(s.MeanMs(), -1);
    }

    // A reply time lands in the first bucket whose bound holds it: a bound is inclusive, as a
    // histogram's "le" says; a time-out is in none.
    void replyBuckets_data() {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<int>("bucket");
        QTest::newRow("0 ms") << qint64(0) << 0;
        QTest::newRow("on the first bound") << qint64(5) << 0;
        QTest::newRow("just above it") << qint64(6) << 1;
        QTest::newRow("on 50 ms") << qint64(50) << 3;
        QTest::newRow("on the last bound") << qint64(1000) << 7;
        QTest::newRow("above every bound") << qint64(1001) << 8;
    }
    void replyBuckets() {
        QFETCH(qint64, ms);
        QFETCH(int, bucket);
        ExchangeStats s;
        s.Count(ExchangeOutcome::TimedOut, ms);
        s.Count(ExchangeOutcome::Answered, ms);
        for (int i = 0; i < int(s.replyBuckets.size()); ++i)
            QCOMPARE(s.replyBuckets[std::size_t(i)], i == bucket ? 1 : 0);
        s.Reset();
        QCOMPARE(s.replyBuckets[std::size_t(bucket)], 0);
    }
};

QTEST_GUILESS_MAIN(TestExchangeStats)
#include "tst_exchangestats.moc"
