// The traffic window: the frames of a real exchange with their decode, the newest 10,000 kept,
// pause, the address filter, clear, and the table saved as text and as CSV.
#include "exchange.h"
#include "fakeline.h"
#include "framecodec.h"
#include "linelog.h"
#include "manualtime.h"
#include "mbap.h"
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

TrafficFrame Bytes(const QByteArray& bytes, qint64 dropped = 0) {
    TrafficFrame frame = Frame(1);
    frame.bytes = bytes;
    frame.dropped = dropped;
    return frame;
}

const TrafficFrame& Newest() {
    const TrafficRing& ring = TrafficFeed::Instance().Frames();
    return ring.At(ring.Size() - 1);
}

qint64 BytesOf(const TrafficModel& model) {
    qint64 bytes = 0;
    for (int r = 0; r < model.rowCount(); ++r)
        bytes += model.FrameAt(r).bytes.size();
    return bytes;
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
        line.Open(QStringLiteral("Monitor"), 1, ToLineSettings(ComSelections{}));
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

    // A peer that streams without a frame end costs the program one frame's worth of bytes,
    // however long it streams: the rest is counted, not kept.
    void longStreamKeptBounded_data() {
        QTest::addColumn<bool>("mbap");
        QTest::addColumn<QByteArray>("chunk");
        QTest::addColumn<QByteArray>("end"); // empty: the entry ends at a time-out
        const QByteArray text(65536, 'x');
        QTest::newRow("tcp, no LF") << false << text << QByteArray();
        QTest::newRow("tcp, LF after 10 MiB") << false << text << QByteArray("\r\n");
        // Not MBAP from its first header on: gathered as on any other line.
        QTest::newRow("mbtcp, not MBAP") << true << QByteArray(65536, '\xFF') << QByteArray();
    }
    void longStreamKeptBounded() {
        QFETCH(bool, mbap);
        QFETCH(QByteArray, chunk);
        QFETCH(QByteArray, end);
        const int chunks = 160;
        LineLog log;
        log.SetEndpoint(QStringLiteral("tcp 127.0.0.1:4001"), mbap);
        for (int i = 0; i < chunks; ++i)
            log.Received(1, chunk);
        QCOMPARE(TrafficFeed::Instance().Frames().Size(), 0);
        if (end.isEmpty())
            log.EndReceived(1);
        else
            log.Received(1, end);
        QCOMPARE(TrafficFeed::Instance().Frames().Size(), 1);
        QCOMPARE(Newest().bytes, chunk.first(TrafficFrame::MaxBytes));
        QCOMPARE(Newest().Length(), qint64(chunk.size()) * chunks + end.size());
    }

    // A frame of a few bytes keeps a few bytes, not the read block it came in.
    void frameKeepsNoReadBlock_data() {
        QTest::addColumn<int>("way");
        QTest::newRow("added to the feed") << 0;
        QTest::newRow("received by a port's log") << 1;
        QTest::newRow("sent by a port's log") << 2;
    }
    void frameKeepsNoReadBlock() {
        QFETCH(int, way);
        // As a socket hands over what it read: the block of 16 KiB, cut to what came.
        QByteArray block(16384, 'x');
        block.resize(18);
        block[17] = '\n';
        QVERIFY(block.capacity() >= 16384);
        LineLog log;
        if (way == 0) TrafficFeed::Instance().Add(Bytes(block));
        if (way == 1) log.Received(1, block);
        if (way == 2) log.Sent(1, block);
        QCOMPARE(Newest().bytes, block);
        QVERIFY2(Newest().bytes.capacity() < 1024, QByteArray::number(Newest().bytes.capacity()));
    }

    // Frames as long as they are kept fill the feed's bytes before its 10,000 frames; the
    // window keeps no more than the feed does, newest last.
    void boundedInBytes() {
        TrafficForm form;
        form.show();
        TrafficFeed& feed = TrafficFeed::Instance();
        const auto frame = [](int i) {
            return Bytes(QByteArray(TrafficFrame::MaxBytes, char('a' + i % 26)), i);
        };
        for (int i = 0; i < TrafficRing::Capacity; ++i) {
            feed.Add(frame(i));
            if (i % 500 == 0) form.RefreshNow();
        }
        form.RefreshNow();
        qint64 kept = 0;
        for (int i = 0; i < feed.Frames().Size(); ++i)
            kept += feed.Frames().At(i).bytes.size();
        QVERIFY2(kept <= TrafficRing::ByteCapacity, QByteArray::number(kept));
        QVERIFY(kept > TrafficRing::ByteCapacity - TrafficFrame::MaxBytes);
        QCOMPARE(feed.Frames().Bytes(), kept);
        QVERIFY2(BytesOf(*form.Model) <= TrafficRing::ByteCapacity,
                 QByteArray::number(BytesOf(*form.Model)));
        QCOMPARE(form.Model->rowCount(), feed.Frames().Size());
        const int last = form.Model->rowCount() - 1;
        QCOMPARE(form.Model->FrameAt(last).dropped, TrafficRing::Capacity - 1);
        QCOMPARE(form.Model->FrameAt(0).dropped, TrafficRing::Capacity - 1 - last);
    }

    // A long frame's Hex and Text cells show its start and its whole length; saved, the table
    // holds every byte kept.
    void longFrameCells_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("start");
        QTest::newRow("hex") << int(TrafficModel::Hex) << "3A 41 42 ";
        QTest::newRow("text") << int(TrafficModel::Text) << ":AB";
    }
    void longFrameCells() {
        QFETCH(int, column);
        QFETCH(QString, start);
        TrafficModel model(TrafficFeed::Instance());
        const QByteArray bytes =
            ':' + QByteArray("AB").repeated(TrafficFrame::MaxBytes / 2 - 1) + 'A';
        TrafficFeed::Instance().Add(Bytes(bytes, 1000000));
        model.Refresh();
        const QString cell = model.CellText(0, column);
        QVERIFY2(cell.size() < 1000, qPrintable(QString::number(cell.size())));
        QVERIFY2(cell.startsWith(start), qPrintable(cell.left(20)));
        QVERIFY2(cell.endsWith(" ... (1004096 bytes)"), qPrintable(cell.right(30)));
        const QString whole = model.CellText(0, column, true);
        QVERIFY(whole.size() >= TrafficFrame::MaxBytes);
        QVERIFY2(whole.endsWith(" ... (1004096 bytes)"), qPrintable(whole.right(30)));
        const QByteArray saved = TrafficText(model, false);
        QVERIFY(saved.contains(whole.toUtf8()));
    }

    // On a Modbus TCP line the frames are MBAP ADUs, one an entry however the bytes come in
    // (a unit of 10 is an LF byte), decoded with their transaction and unit, and filtered by
    // the unit.
    void modbusTcpLine_data() {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QStringList>("decoded");
        const QByteArray request = EncodeMbap({1, 10, QByteArray::fromHex("0347000002")});
        const QByteArray reply = EncodeMbap({1, 10, QByteArray::fromHex("030400FA012C")});
        const QByteArray other = EncodeMbap({2, 3, QByteArray::fromHex("8302")});
        const QString sentText = "transaction 1, unit 10, read 0x4700 x2, length good";
        const QString replyText = "transaction 1, unit 10, 2 words: 250 300, length good";
        const QString otherText =
            "transaction 2, unit 3, exception 02: illegal data address, length good";
        QTest::newRow("whole") << QList<QByteArray>{reply} << QStringList{sentText, replyText};
        QTest::newRow("cut after the unit")
            << QList<QByteArray>{reply.first(7), reply.mid(7)} << QStringList{sentText, replyText};
        QTest::newRow("cut in the header")
            << QList<QByteArray>{reply.first(3), reply.mid(3, 2), reply.mid(5)}
            << QStringList{sentText, replyText};
        QTest::newRow("two in one chunk")
            << QList<QByteArray>{reply + other} << QStringList{sentText, replyText, otherText};
        QTest::newRow("the second begun with the first")
            << QList<QByteArray>{reply + other.first(4), other.mid(4)}
            << QStringList{sentText, replyText, otherText};
    }
    void modbusTcpLine() {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QStringList, decoded);
        LineLog log;
        log.SetEndpoint(QStringLiteral("mbtcp 127.0.0.1:502"), true);
        log.Sent(1, EncodeMbap({1, 10, QByteArray::fromHex("0347000002")}));
        for (const QByteArray& chunk : chunks)
            log.Received(1, chunk);
        TrafficModel model(TrafficFeed::Instance());
        model.Refresh();
        QCOMPARE(Column(model, TrafficModel::Decode), decoded);
        QCOMPARE(model.CellText(0, TrafficModel::Line), "COM1 (mbtcp 127.0.0.1:502)");
        model.SetAddressFilter(10);
        QCOMPARE(model.rowCount(), 2);
        model.SetAddressFilter(3);
        QCOMPARE(model.rowCount(), decoded.size() - 2);
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
