// The traffic window: the frames of a real exchange with their decode, the newest 10,000 kept,
// pause, the address filter, clear, and the table saved as text and as CSV.
#include "exchange.h"
#include "fakeline.h"
#include "framecodec.h"
#include "manualtime.h"
#include "scripteddialogs.h"
#include "testmain.h"
#include "trafficwindow.h"

#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

using namespace vrx;
using namespace vrx::test;

namespace {

TrafficFrame Frame(int address, bool sent = true) {
    TrafficFrame frame;
    frame.com = 1;
    frame.sent = sent;
    frame.bytes = ReadRequest(address, 0x4700, 2);
    return frame;
}

QStringList Column(const TrafficModel& model, int column) {
    QStringList cells;
    for (int r = 0; r < model.rowCount(); ++r)
        cells << model.CellText(r, column);
    return cells;
}

} // namespace

class TestTrafficWindow : public QObject {
    Q_OBJECT

private slots:
    void init() { TrafficFeed::Instance().Clear(); }

    // A request and its reply on the line, as the window shows them.
    void exchangeOnTheLine() {
        qputenv("VRX_COM1", "sim");
        FakeLineFactory lines;
        ManualTime clock;
        LineOwner line;
        line.Open(QStringLiteral("Monitor"), ComSelections{});
        Exchange exchange(line, QStringLiteral("Monitor"));
        TrafficForm form;
        form.show();
        exchange.Send(ReadRequest(1, 0x4700, 2), Framing::Ascii, ReplyEndPolicy::FrameEnd,
                      {36, 36});
        clock.Run(40);
        lines.last->Reply(":01030400FA012CD1\r\n");
        clock.Run(0);
        form.RefreshNow();
        const TrafficModel& m = *form.Model;
        QCOMPARE(m.rowCount(), 2);
        QCOMPARE(Column(m, TrafficModel::Direction), (QStringList{"sent", "received"}));
        QCOMPARE(Column(m, TrafficModel::Line), (QStringList{"COM1", "COM1"}));
        QCOMPARE(m.CellText(1, TrafficModel::Gap), "40");
        QCOMPARE(m.CellText(0, TrafficModel::Hex),
                 "3A 30 31 30 33 34 37 30 30 30 30 30 32 42 33 0D 0A");
        QCOMPARE(m.CellText(0, TrafficModel::Text), ":010347000002B3\\r\\n");
        QCOMPARE(m.CellText(0, TrafficModel::Decode), "address 1, read 0x4700 x2, LRC good");
        QCOMPARE(m.CellText(1, TrafficModel::Decode), "address 1, 2 words: 250 300, LRC good");
        line.Close(QStringLiteral("Monitor"));
    }

    // The feed keeps the newest 10,000 frames, and so does the window, in order.
    void newestTenThousandKept() {
        TrafficForm form;
        form.show();
        TrafficFeed& feed = TrafficFeed::Instance();
        for (int i = 0; i < 6000; ++i)
            feed.Add(Frame(1 + i % 200));
        form.RefreshNow();
        for (int i = 6000; i < 10050; ++i)
            feed.Add(Frame(1 + i % 200));
        form.RefreshNow();
        QCOMPARE(feed.Frames().Size(), TrafficRing::Capacity);
        QCOMPARE(form.Model->rowCount(), TrafficRing::Capacity);
        // Frame 50 is the oldest kept: its address is 51.
        QCOMPARE(form.Model->FrameAt(0).bytes, ReadRequest(51, 0x4700, 2));
        QCOMPARE(form.Model->FrameAt(TrafficRing::Capacity - 1).bytes,
                 ReadRequest(1 + 10049 % 200, 0x4700, 2));
    }

    void pauseFilterAndClear() {
        TrafficForm form;
        form.show();
        TrafficFeed& feed = TrafficFeed::Instance();
        feed.Add(Frame(1));
        feed.Add(Frame(2));
        form.RefreshNow();
        QCOMPARE(form.Model->rowCount(), 2);

        form.PauseBox->setChecked(true);
        feed.Add(Frame(1, false));
        form.RefreshNow();
        QCOMPARE(form.Model->rowCount(), 2); // held while paused
        form.PauseBox->setChecked(false);
        QCOMPARE(form.Model->rowCount(), 3);

        form.AddressBox->setValue(2);
        QCOMPARE(form.Model->rowCount(), 1);
        feed.Add(Frame(2, false));
        feed.Add(Frame(3));
        form.RefreshNow();
        QCOMPARE(form.Model->rowCount(), 2);
        form.AddressBox->setValue(0); // every address again, from what the feed holds
        QCOMPARE(form.Model->rowCount(), 5);

        QTest::mouseClick(form.ClearBt, Qt::LeftButton);
        QCOMPARE(form.Model->rowCount(), 0);
        feed.Add(Frame(4));
        form.RefreshNow();
        QCOMPARE(form.Model->rowCount(), 1);
    }

    void savedAsTextAndCsv_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QByteArray>("decode");
        QTest::newRow("csv") << "t.csv"
                             << QByteArray("Time,Line,Direction,Gap (ms),Hex,Text,Decode\r\n")
                             << QByteArray(",\"address 1, read 0x4700 x2, LRC good\"\r\n");
        QTest::newRow("text") << "t.txt"
                              << QByteArray("Time\tLine\tDirection\tGap (ms)\tHex\tText\tDecode\n")
                              << QByteArray("\taddress 1, read 0x4700 x2, LRC good\n");
    }
    void savedAsTextAndCsv() {
        QFETCH(QString, name);
        QFETCH(QByteArray, header);
        QFETCH(QByteArray, decode);
        QTemporaryDir dir;
        ScriptedDialogs dialogs;
        TrafficForm form;
        form.show();
        TrafficFeed::Instance().Add(Frame(1));
        form.RefreshNow();
        dialogs.saveAnswers << dir.filePath(name);
        QTest::mouseClick(form.SaveBt, Qt::LeftButton);
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY2(text.startsWith(header), text.constData());
        QVERIFY2(text.endsWith(decode), text.constData());
        QVERIFY(dialogs.messages.isEmpty());
    }
};

VRX_TEST_MAIN(TestTrafficWindow)
#include "tst_trafficwindow.moc"
