// The value text both charts label their samples, grid and readouts with: the minus kept on values
// between -1 and 0, and the whole range of a register and beyond without overflow.
#include "chartscale.h"

#include <QTest>

#include <limits>

using namespace vrx;

class TestChartScale : public QObject {
    Q_OBJECT

private slots:
    void tenths_data() {
        QTest::addColumn<int>("tenths");
        QTest::addColumn<QString>("text");
        QTest::newRow("positive") << 253 << "25.3";
        QTest::newRow("zero") << 0 << "0.0";
        QTest::newRow("one tenth") << 1 << "0.1";
        QTest::newRow("whole") << 10 << "1.0";
        QTest::newRow("one tenth below zero") << -1 << "-0.1";
        QTest::newRow("half below zero") << -5 << "-0.5";
        QTest::newRow("below minus one") << -15 << "-1.5";
        QTest::newRow("whole below zero") << -10 << "-1.0";
        QTest::newRow("lowest word") << -32768 << "-3276.8";
        QTest::newRow("highest word") << 32767 << "3276.7";
        QTest::newRow("unsigned word") << 65535 << "6553.5";
        QTest::newRow("large") << 1234567 << "123456.7";
        QTest::newRow("lowest int") << std::numeric_limits<int>::min() << "-214748364.8";
        QTest::newRow("highest int") << std::numeric_limits<int>::max() << "214748364.7";
    }
    void tenths() {
        QFETCH(int, tenths);
        QFETCH(QString, text);
        QCOMPARE(TenthsText(tenths), text);
    }
};

QTEST_GUILESS_MAIN(TestChartScale)
#include "tst_chartscale.moc"
