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
};

QTEST_GUILESS_MAIN(TestExchangeStats)
#include "tst_exchangestats.moc"
