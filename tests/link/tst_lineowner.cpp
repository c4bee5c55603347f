// When the line owner says that a line was lost: once, then again only after the line has
// proved sound or its holder opened it anew; on a fake line and a manual clock.
#include "errorlog.h"
#include "fakeline.h"
#include "lineowner.h"
#include "manualtime.h"
#include "portnotes.h"

#include <QTest>

using namespace vrx;
using namespace vrx::test;

namespace {

const QByteArray AsciiRead = ":010347000002B3\r\n";
const QByteArray AsciiReply = ":01030400FA012CD1\r\n";

// COM1 over a fake line, held by tool "A", with what reached the user.
struct Bench {
    Bench() {
        qputenv("VRX_COM1", "sim");
        QObject::connect(&line, &LineOwner::lost, &line, [this] { ++losses; });
        QObject::connect(&line, &LineOwner::restored, &line, [this] { ++returns; });
        line.Open(QStringLiteral("A"), 1, LineSettings{});
    }
    // Steps, ';' between them: "lose" (the line goes and is back at the next try), "ask" (a
    // request goes out), "answer" (bytes come in), "wait MS", "reopen" (the holder closes and
    // opens the line itself).
    void Play(const QString& script) {
        for (const QString& step : script.split(u';', Qt::SkipEmptyParts)) {
            if (step == u"lose") {
                emit lines.last->lost(QStringLiteral("gone"));
                clock.Run(LineOwner::RetryMs);
            } else if (step == u"ask") {
                line.Port().SendText(AsciiRead);
            } else if (step == u"answer") {
                lines.last->Reply(AsciiReply);
                clock.Run(0);
            } else if (step.startsWith(u"wait ")) {
                clock.Run(step.mid(5).toInt());
            } else if (step == u"reopen") {
                line.Close(QStringLiteral("A"));
                line.Open(QStringLiteral("A"), 1, LineSettings{});
            } else {
                QFAIL(qPrintable("unknown step " + step));
            }
        }
    }

    FakeLineFactory lines;
    ManualTime clock;
    ErrorLog errors;
    LineOwner line;
    int losses = 0;
    int returns = 0;
};

} // namespace

class TestLineOwner : public QObject {
    Q_OBJECT

private slots:
    void init() { ForgetComDevices(); }

    void lossIsSaidOnce_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("said");
        const QString sound = QStringLiteral("wait %1;ask;answer").arg(SerialPort::SoundAfterMs);
        QTest::newRow("lost once") << "lose" << 1;
        QTest::newRow("back for a moment, five times") << "lose;lose;lose;lose;lose" << 1;
        QTest::newRow("back and answering at once, then lost")
            << "lose;ask;answer;lose;ask;answer;lose" << 1;
        QTest::newRow("back, answering after it stood a while, then lost")
            << "lose;" + sound + ";lose" << 2;
        QTest::newRow("proved sound twice") << "lose;" + sound + ";lose;" + sound + ";lose" << 3;
        QTest::newRow("back a while, asked, no answer")
            << QStringLiteral("lose;wait %1;ask;wait 1000;lose").arg(SerialPort::SoundAfterMs) << 1;
        QTest::newRow("back a while, bytes nobody asked for")
            << QStringLiteral("lose;wait %1;answer;lose").arg(SerialPort::SoundAfterMs) << 1;
        QTest::newRow("asked at once, the answer after it stood a while")
            << QStringLiteral("lose;ask;wait %1;answer;lose").arg(SerialPort::SoundAfterMs) << 2;
        QTest::newRow("the holder opens the line anew") << "lose;reopen;lose" << 2;
    }
    void lossIsSaidOnce() {
        QFETCH(QString, script);
        QFETCH(int, said);
        Bench bench;
        bench.Play(script);
        bench.clock.Run(0);
        const QString text = QStringLiteral("COM1 (fake line) was disconnected. It is opened "
                                            "again by itself as soon as it is back.");
        QCOMPARE(bench.errors.texts, QStringList(said, text));
        // Every loss is still the holder's to know, and every return.
        QCOMPARE(bench.losses, int(script.count(QStringLiteral("lose"))));
        QCOMPARE(bench.returns, bench.losses);
    }

    // Whoever holds the line may tell a loss its own way (the recorder without a window logs
    // it); the rule of saying it once is the same.
    void lossToldByTheHolder() {
        Bench bench;
        QStringList told;
        bench.line.Port().SetLossTeller([&told](const QString& text) { told << text; });
        bench.Play("lose;lose;lose");
        bench.clock.Run(0);
        QCOMPARE(told.size(), 1);
        QVERIFY(told.first().startsWith("COM1 (fake line) was disconnected."));
        QVERIFY(bench.errors.texts.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLineOwner)
#include "tst_lineowner.moc"
