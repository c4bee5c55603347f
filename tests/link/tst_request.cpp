// The request value: the bytes it puts on the wire in each framing, and the unit and PDU a
// Modbus TCP gateway gets for it.
#include "framecodec.h"
#include "request.h"

#include <QTest>

using namespace vrx;

Q_DECLARE_METATYPE(vrx::Request)

class TestRequest : public QObject {
    Q_OBJECT

private slots:
    // The frame is that of the codec's composition; RTU is AsciiToRtu of the ASCII text, raw
    // bytes go as they are. The PDU a gateway gets is what it would take out of the frame.
    void framesAndPdu_data() {
        QTest::addColumn<Request>("request");
        QTest::addColumn<QByteArray>("ascii");

        QTest::newRow("read") << Request::Read(1, 0x4700, 2) << QByteArray(":010347000002B3\r\n");
        QTest::newRow("read from station 0x3A, an RTU frame that starts with ':'")
            << Request::Read(0x3A, 0x4700, 1) << ReadRequest(0x3A, 0x4700, 1);
        QTest::newRow("write of a negative value")
            << Request::Write(1, 0x4711, -100) << WriteRequest(1, 0x4711, -100);
        QTest::newRow("broadcast write")
            << Request::Write(0, 0x4711, 5) << WriteRequest(0, 0x4711, 5);
        QTest::newRow("composed text")
            << Request::Text(WriteRequest(2, 0x474C, 1)) << WriteRequest(2, 0x474C, 1);
        QTest::newRow("composed text with a wrong LRC: no slave takes it in ASCII")
            << Request::Text(":010600010002FF\r\n") << QByteArray(":010600010002FF\r\n");
        QTest::newRow("raw") << Request::Raw(":01\r\n") << QByteArray(":01\r\n");
    }
    void framesAndPdu() {
        QFETCH(Request, request);
        QFETCH(QByteArray, ascii);
        QCOMPARE(request.Frame(Framing::Ascii), ascii);
        const QByteArray rtu = request.Kind() == RequestKind::Raw ? ascii : AsciiToRtu(ascii);
        QCOMPARE(request.Frame(Framing::Rtu), rtu);
        for (const Framing framing : {Framing::Ascii, Framing::Rtu}) {
            const auto pdu = request.Pdu(framing);
            // Raw bytes keep their one path: the line takes the PDU out of them itself.
            if (request.Kind() == RequestKind::Raw) {
                QVERIFY(!pdu);
                continue;
            }
            const auto parsed = SerialFrameToPdu(request.Frame(framing), framing == Framing::Ascii);
            QCOMPARE(pdu.has_value(), parsed.has_value());
            if (!pdu) continue;
            QCOMPARE(pdu->unit, parsed->unit);
            QCOMPARE(pdu->pdu.toHex(), parsed->pdu.toHex());
            QCOMPARE(pdu->ascii, parsed->ascii);
        }
    }

    // A value that does not fit its field throws when the request is made, as the codec does.
    void outOfRangeThrows_data() {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("reg");
        QTest::addColumn<qint64>("value");
        QTest::newRow("address") << 256 << 0x4700 << qint64(1);
        QTest::newRow("register") << 1 << 0x10000 << qint64(1);
        QTest::newRow("count or value") << 1 << 0x4700 << qint64(65536);
        QTest::newRow("negative count, a good value") << 1 << 0x4700 << qint64(-1);
    }
    void outOfRangeThrows() {
        QFETCH(int, address);
        QFETCH(int, reg);
        QFETCH(qint64, value);
        const auto throws = [](auto compose) {
            try {
                compose();
            } catch (const FrameRangeError&) {
                return true;
            }
            return false;
        };
        QCOMPARE(throws([&] { Request::Read(address, reg, int(value)); }),
                 throws([&] { ReadRequest(address, reg, int(value)); }));
        QCOMPARE(throws([&] { Request::Write(address, reg, value); }),
                 throws([&] { WriteRequest(address, reg, value); }));
        QVERIFY(throws([&] { Request::Read(address, reg, int(value)); }) ||
                throws([&] { Request::Write(address, reg, value); }));
    }
};

QTEST_GUILESS_MAIN(TestRequest)
#include "tst_request.moc"
