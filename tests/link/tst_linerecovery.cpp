// A line that really goes away and comes back: vrx-sim on a pseudo-terminal link, ended while
// the line is open and started again on the same link, in real time.
#include "errorlog.h"
#include "exchange.h"
#include "framecodec.h"
#include "helperprocess.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace vrx;
using namespace vrx::test;

class TestLineRecovery : public QObject {
    Q_OBJECT

private slots:
    void endedSimulatorIsLostAndFoundAgain() {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("vrx"));
        const QStringList arguments{"--link", link, "--mode", "ascii", "--addresses", "1"};
        auto sim = std::make_unique<HelperProcess>();
        QVERIFY(sim->Start(QStringLiteral(VRXSIM_PATH), arguments));
        QVERIFY(WaitForFiles({link}));
        qputenv("VRX_COM1", link.toLocal8Bit());

        ErrorLog errors;
        LineOwner line;
        Exchange exchange(line, QStringLiteral("Monitor"));
        QSignalSpy lost(&exchange, &Exchange::lineLost);
        QSignalSpy back(&exchange, &Exchange::lineRestored);
        QSignalSpy replied(&exchange, &Exchange::replied);
        ComSelections settings;
        line.Open(QStringLiteral("Monitor"), 1, ToLineSettings(settings));
        const QByteArray request = ReadRequest(1, 0x4700, 2);
        exchange.Send(request, Framing::Ascii, ReplyEndPolicy::FrameEnd, {36, 36});
        QTRY_COMPARE_WITH_TIMEOUT(replied.size(), 1, HelperBound);

        sim.reset(); // the far end goes away
        QTRY_COMPARE_WITH_TIMEOUT(lost.size(), 1, HelperBound);
        QVERIFY(exchange.LineDown());

        sim = std::make_unique<HelperProcess>();
        QVERIFY(sim->Start(QStringLiteral(VRXSIM_PATH), arguments));
        QTRY_COMPARE_WITH_TIMEOUT(back.size(), 1, HelperBound);
        QVERIFY(exchange.HoldsLine());
        exchange.Send(request, Framing::Ascii, ReplyEndPolicy::FrameEnd, {36, 36});
        QTRY_COMPARE_WITH_TIMEOUT(replied.size(), 2, HelperBound);
        QCOMPARE(lost.size(), 1);
        QCOMPARE(errors.texts.size(), 1); // the loss, said once
        line.Close(QStringLiteral("Monitor"));
    }
};

QTEST_GUILESS_MAIN(TestLineRecovery)
#include "tst_linerecovery.moc"
