// The reply-end rule: replies of every shape, cut at every byte, with trailing junk, broken ones.
#include "framecodec.h"
#include "replyend.h"

#include <QTest>

using namespace vrx;

namespace {

QByteArray Rtu(const char* hex) {
    const QByteArray bytes = QByteArray::fromHex(hex);
    return bytes + ModbusCrc(bytes);
}

QByteArray Ascii(const QByteArray& body) {
    return body + AsciiLrc(body) + "\r\n";
}

const QByteArray RtuStatusRead = AsciiToRtu(ReadRequest(1, 0x4725, 7));

} // namespace

Q_DECLARE_METATYPE(vrx::ReplyEndState)

class TestReplyEnd : public QObject {
    Q_OBJECT

private slots:
    // A whole reply is Complete exactly when its last byte has come, and Pending before.
    void wholeRepliesEndAtTheirLastByte_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("rtu");
        QTest::newRow("rtu read of 7 words")
            << RtuStatusRead << Rtu("01030E0001000000000001000000000000") << true;
        QTest::newRow("rtu read of 1 word")
            << AsciiToRtu(ReadRequest(3, 0x4700, 1)) << Rtu("030302012C") << true;
        QTest::newRow("rtu read of 0 bytes") << RtuStatusRead << Rtu("010300") << true;
        QTest::newRow("rtu write echo") << AsciiToRtu(WriteRequest(1, 0x4701, 300))
                                        << AsciiToRtu(WriteRequest(1, 0x4701, 300)) << true;
        QTest::newRow("rtu read exception") << RtuStatusRead << Rtu("018302") << true;
        QTest::newRow("rtu write exception")
            << AsciiToRtu(WriteRequest(1, 0x4701, 300)) << Rtu("018604") << true;
        QTest::newRow("rtu write bit echo") << Rtu("01050810FF00") << Rtu("01050810FF00") << true;
        QTest::newRow("rtu multiple write answer")
            << Rtu("011010000002040001000A") << Rtu("011010000002") << true;
        QTest::newRow("rtu read bits") << Rtu("010208100010") << Rtu("01020201FF") << true;
        QTest::newRow("ascii read")
            << ReadRequest(1, 0x4725, 7) << Ascii(":01030E0001000000000001000000000000") << false;
        QTest::newRow("ascii echo")
            << WriteRequest(1, 0x4701, 300) << WriteRequest(1, 0x4701, 300) << false;
        QTest::newRow("ascii exception") << ReadRequest(1, 0x4725, 7) << Ascii(":018302") << false;
    }
    void wholeRepliesEndAtTheirLastByte() {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);
        QFETCH(bool, rtu);
        for (qsizetype n = 0; n < reply.size(); ++n)
            QVERIFY2(FindReplyEnd(reply.first(n), request, rtu).state == ReplyEndState::Pending,
                     qPrintable(QStringLiteral("%1 bytes").arg(n)));
        QCOMPARE(FindReplyEnd(reply, request, rtu),
                 (ReplyEnd{ReplyEndState::Complete, reply.size()}));
        // Junk after it is not part of it, and does not undo the end.
        const QByteArray junk("\x00\xFF\x13\n", 4);
        QCOMPARE(FindReplyEnd(reply + junk, request, rtu),
                 (ReplyEnd{ReplyEndState::Complete, reply.size()}));
    }

    void brokenReplies_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("state");
        const QByteArray good = Rtu("01030E0001000000000001000000000000");
        QByteArray badCrc = good;
        badCrc[badCrc.size() - 1] = char(badCrc.back() ^ 0x01);
        QTest::newRow("another station") << Rtu("02030E0001") << int(ReplyEndState::Broken);
        QTest::newRow("another station, first byte")
            << QByteArray("\x05", 1) << int(ReplyEndState::Broken);
        QTest::newRow("another function") << Rtu("010602") << int(ReplyEndState::Broken);
        QTest::newRow("exception of another function")
            << Rtu("018602") << int(ReplyEndState::Broken);
        QTest::newRow("wrong crc") << badCrc << int(ReplyEndState::Broken);
        QTest::newRow("count that runs on")
            << good.first(3) + QByteArray(200, '\0') << int(ReplyEndState::Broken);
        QTest::newRow("count not yet come") << good.first(2) << int(ReplyEndState::Pending);
        QTest::newRow("nothing") << QByteArray() << int(ReplyEndState::Pending);
    }
    void brokenReplies() {
        QFETCH(QByteArray, reply);
        QFETCH(int, state);
        QCOMPARE(FindReplyEnd(reply, RtuStatusRead, true).state, ReplyEndState(state));
    }

    // A reply to this request whose length its shape tells has begun: a pause does not end it.
    void begunReplies_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<bool>("begun");
        const QByteArray read = Rtu("01030E0001000000000001000000000000");
        const QByteArray write = AsciiToRtu(WriteRequest(1, 0x4767, 5));
        QTest::newRow("read: its address") << RtuStatusRead << read.first(1) << true;
        QTest::newRow("read: no count yet") << RtuStatusRead << read.first(2) << true;
        QTest::newRow("read: inside the data") << RtuStatusRead << read.first(9) << true;
        QTest::newRow("read: one CRC byte") << RtuStatusRead << read.chopped(1) << true;
        QTest::newRow("exception: two bytes") << RtuStatusRead << Rtu("018302").first(2) << true;
        QTest::newRow("write echo: half") << write << write.first(4) << true;
        QTest::newRow("another station") << RtuStatusRead << Rtu("0203").first(1) << false;
        QTest::newRow("another function") << RtuStatusRead << Rtu("0104").first(2) << false;
        QTest::newRow("unknown shape") << Rtu("01410000") << Rtu("0141").first(2) << false;
        QTest::newRow("nothing yet") << RtuStatusRead << QByteArray() << false;
    }
    void begunReplies() {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, received);
        QFETCH(bool, begun);
        const ReplyEnd end = FindReplyEnd(received, request, true);
        QCOMPARE(end.begun, begun);
        if (begun) QCOMPARE(end.state, ReplyEndState::Pending);
    }

    // A function whose reply has no known shape is left to the silence.
    void unknownShapeWaitsForSilence() {
        const QByteArray request = Rtu("01410000");
        const QByteArray reply = Rtu("014112345678");
        QCOMPARE(FindReplyEnd(reply, request, true).state, ReplyEndState::Pending);
        QCOMPARE(FindReplyEnd(Rtu("01C101"), request, true).state, ReplyEndState::Complete);
    }

    // ASCII ends at the first LF, whatever came before it: its checks come after.
    void asciiEndsAtLineFeed_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("length"); // 0: pending
        QTest::newRow("no line end") << QByteArray(":0103020000FA\r") << 0;
        QTest::newRow("garbage line") << QByteArray("xyz\n") << 4;
        QTest::newRow("two frames") << QByteArray(":01\r\n:02\r\n") << 5;
        QTest::newRow("lf alone") << QByteArray("\n") << 1;
    }
    void asciiEndsAtLineFeed() {
        QFETCH(QByteArray, reply);
        QFETCH(int, length);
        const ReplyEnd end = FindReplyEnd(reply, ReadRequest(1, 0x4700, 1), false);
        QCOMPARE(end.state, length ? ReplyEndState::Complete : ReplyEndState::Pending);
        QCOMPARE(end.length, qsizetype(length));
    }
};

QTEST_GUILESS_MAIN(TestReplyEnd)
#include "tst_replyend.moc"
