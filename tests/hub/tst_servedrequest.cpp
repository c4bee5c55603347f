// What a master may ask of the shared line, and the answer it gets for what the line gave.
#include "framecodec.h"
#include "servedrequest.h"

#include <QTest>

using namespace vrx;

Q_DECLARE_METATYPE(vrx::ReplyKind)

namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(text);
}

QByteArray Rtu(const char* hex) {
    const QByteArray bytes = Hex(hex);
    return bytes + ModbusCrc(bytes);
}

} // namespace

class TestServedRequest : public QObject {
    Q_OBJECT

private slots:
    void judged_data() {
        QTest::addColumn<int>("unit");
        QTest::addColumn<QByteArray>("pdu");
        QTest::addColumn<bool>("writes");
        QTest::addColumn<int>("exception"); // 0: goes on the line
        const auto row = [](const char* name, int unit, const char* pdu, bool writes, int code) {
            QTest::newRow(name) << unit << Hex(pdu) << writes << code;
        };
        row("read holding", 1, "0347000002", false, 0);
        row("read 125 words", 1, "030000007D", false, 0);
        row("read 126 words", 1, "030000007E", false, 0x03);
        row("read 0 words", 1, "0300000000", false, 0x03);
        row("read input", 7, "0400000001", false, 0);
        row("read coils 2000", 1, "01000007D0", false, 0);
        row("read coils 2001", 1, "01000007D1", false, 0x03);
        row("read short", 1, "03470000", false, 0x03);
        row("read long", 1, "034700000200", false, 0x03);
        row("write single", 3, "064701012C", true, 0);
        row("write single not allowed", 3, "064701012C", false, 0x01);
        row("write coil on", 3, "050001FF00", true, 0);
        row("write coil odd value", 3, "0500011234", true, 0x03);
        row("write multiple", 3, "10470100020400C8012C", true, 0);
        row("write multiple count and bytes differ", 3, "10470100020200C8", true, 0x03);
        row("write multiple short", 3, "1047010002", true, 0x03);
        row("write coils", 3, "0F0000000A020301", true, 0);
        row("write coils bytes differ", 3, "0F0000000A0103", true, 0x03);
        row("diagnostics", 1, "0800000000", true, 0x01);
        row("report id", 1, "11", true, 0x01);
        row("function 0", 1, "00", true, 0x01);
        row("exception bit", 1, "8347000002", true, 0x01);
        row("broadcast read", 0, "0347000002", true, 0x01);
        row("broadcast write", 0, "064701012C", true, 0);
        row("broadcast write not allowed", 0, "064701012C", false, 0x01);
        row("unit 255", 255, "0347000002", false, 0);
    }
    void judged() {
        QFETCH(int, unit);
        QFETCH(QByteArray, pdu);
        QFETCH(bool, writes);
        QFETCH(int, exception);
        const std::optional<HubException> verdict = JudgeServed(MbapAdu{7, unit, pdu}, writes);
        QCOMPARE(verdict ? int(*verdict) : 0, exception);
        if (verdict)
            QCOMPARE(ExceptionPdu(pdu, *verdict),
                     QByteArray(1, char(0x80 | pdu.at(0))) + char(exception));
    }

    void answered_data() {
        QTest::addColumn<int>("unit");
        QTest::addColumn<bool>("ascii");
        QTest::addColumn<ReplyKind>("kind");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("pdu"); // empty: nothing goes back
        const QByteArray read = Hex("03040102FFFE");
        QTest::newRow("rtu reply")
            << 5 << false << ReplyKind::Replied << Rtu("0503040102FFFE") << read;
        QTest::newRow("ascii reply")
            << 5 << true << ReplyKind::Replied << QByteArray(":0503040102FFFEF4\r\n") << read;
        QTest::newRow("station's exception")
            << 5 << false << ReplyKind::Replied << Rtu("058302") << Hex("8302");
        QTest::newRow("bad crc") << 5 << false << ReplyKind::Replied << Hex("0503040102FFFE0000")
                                 << Hex("830B");
        QTest::newRow("bad lrc") << 5 << true << ReplyKind::Replied
                                 << QByteArray(":0503040102FFFE00\r\n") << Hex("830B");
        QTest::newRow("another station")
            << 5 << false << ReplyKind::Replied << Rtu("0603040102FFFE") << Hex("830B");
        QTest::newRow("another function")
            << 5 << false << ReplyKind::Replied << Rtu("0504040102FFFE") << Hex("830B");
        QTest::newRow("no answer")
            << 5 << false << ReplyKind::TimedOut << QByteArray() << Hex("830B");
        QTest::newRow("line lost")
            << 5 << false << ReplyKind::LineLost << QByteArray() << Hex("830A");
        QTest::newRow("not sent") << 5 << true << ReplyKind::NotSent << QByteArray() << Hex("830A");
        QTest::newRow("freed") << 5 << false << ReplyKind::Freed << QByteArray() << QByteArray();
        QTest::newRow("broadcast")
            << 0 << false << ReplyKind::TimedOut << QByteArray() << QByteArray();
    }
    void answered() {
        QFETCH(int, unit);
        QFETCH(bool, ascii);
        QFETCH(ReplyKind, kind);
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, pdu);
        Reply reply;
        reply.kind = kind;
        reply.frame = frame;
        const std::optional<QByteArray> answer = ServedReplyPdu(
            MbapAdu{1, unit, Hex("0347000002")}, reply, ascii ? Framing::Ascii : Framing::Rtu);
        QCOMPARE(answer.value_or(QByteArray()), pdu);
        QCOMPARE(answer.has_value(), !pdu.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestServedRequest)
#include "tst_servedrequest.moc"
