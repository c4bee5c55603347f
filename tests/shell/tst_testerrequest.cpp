// The command tester's arithmetic as tables: PadHex, composing requests from field texts, the
// bytes a send line puts on the line, and how replies are shown. Expected frames, LRCs and CRCs
// were computed with an independent implementation.
#include "errors.h"
#include "testerrequest.h"

#include <QTest>

using namespace vrx;

Q_DECLARE_METATYPE(CommandKind)

class TestTesterRequest : public QObject {
    Q_OBJECT

private slots:
    void padHex_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("padded");
        QTest::newRow("one digit to a byte") << "1" << 2 << "01";
        QTest::newRow("three digits to a word") << "1F4" << 4 << "01F4";
        QTest::newRow("full width kept") << "FFFF" << 4 << "FFFF";
        QTest::newRow("longer text kept whole") << "12345" << 4 << "12345";
        QTest::newRow("empty text is all zeros") << "" << 4 << "0000";
        QTest::newRow("letter beyond F") << "G1" << 2 << "";
        QTest::newRow("lowercase is not hex") << "a" << 2 << "";
        QTest::newRow("blank inside") << " 1" << 2 << "";
        QTest::newRow("sign") << "-1" << 4 << "";
    }
    void padHex() {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(QString, padded);
        QCOMPARE(PadHex(text, width), padded);
    }

    void kindTable() {
        // The list order is what the command list's item index means.
        const char* items[] = {"Read Register", "Write One Word", "Write Multi-Words",
                               "Read Bits",     "Write Bit",      "User Define"};
        const char* functions[] = {"03", "06", "10", "02", "05", ""};
        const char* captions[] = {"WORD COUNT", "WRITE DATA", "WORD COUNT",
                                  "BIT COUNT",  "CONTENT",    "DATA"};
        const int limits[] = {3, 4, 1, 2, 1, 4};
        for (int i = 0; i < CommandKindCount; ++i) {
            QCOMPARE(CommandKindAt(i).item, items[i]);
            QCOMPARE(CommandKindAt(i).function, functions[i]);
            QCOMPARE(CommandKindAt(i).dataLenCaption, captions[i]);
            QCOMPARE(CommandKindAt(i).dataLenLimit, limits[i]);
        }
    }

    void composeRequest_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<CommandKind>("kind");
        QTest::addColumn<QString>("userCmd");
        QTest::addColumn<QString>("funcAddr");
        QTest::addColumn<QString>("dataLen");
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<QString>("sendLine");
        QTest::addColumn<QString>("checkSum");

        const QStringList none;
        const QStringList eight = {"0001", "0002", "0003", "0004", "0005", "0006", "0007", "0008"};
        QTest::newRow("read register ascii") << "1" << CommandKind::ReadRegister << ""
                                             << "1000"
                                             << "1" << none << false << ":010310000001EB"
                                             << "EB";
        QTest::newRow("read register rtu") << "1" << CommandKind::ReadRegister << ""
                                           << "1000"
                                           << "1" << none << true << "01031000000180CA"
                                           << "80CA";
        // A read's count is a number of words up to what a reply carries; 1 to 9 go out as ever.
        QTest::newRow("read register count 9") << "1" << CommandKind::ReadRegister << ""
                                               << "1000"
                                               << "9" << none << false << ":010310000009E3"
                                               << "E3";
        QTest::newRow("read register count 12") << "1" << CommandKind::ReadRegister << ""
                                                << "1000"
                                                << "12" << none << false << ":01031000000CE0"
                                                << "E0";
        QTest::newRow("read register count 12 rtu") << "1" << CommandKind::ReadRegister << ""
                                                    << "1000"
                                                    << "12" << none << true << "01031000000C410F"
                                                    << "410F";
        QTest::newRow("read register count with a leading zero")
            << "1" << CommandKind::ReadRegister << ""
            << "1000"
            << "012" << none << false << ":01031000000CE0"
            << "E0";
        QTest::newRow("read register largest count") << "1" << CommandKind::ReadRegister << ""
                                                     << "1000"
                                                     << "125" << none << true << "01031000007D812B"
                                                     << "812B";
        QTest::newRow("read register hex letter is no count")
            << "1" << CommandKind::ReadRegister << ""
            << "1000"
            << "A" << none << false << ":01031000EC"
            << "EC";
        QTest::newRow("write one word") << "1" << CommandKind::WriteOneWord << ""
                                        << "4701"
                                        << "1F4" << none << false << ":0106470101F4BC"
                                        << "BC";
        QTest::newRow("write one word rtu") << "1" << CommandKind::WriteOneWord << ""
                                            << "4701"
                                            << "1F4" << none << true << "0106470101F4CCA9"
                                            << "CCA9";
        QTest::newRow("read bits") << "1" << CommandKind::ReadBits << ""
                                   << "0810"
                                   << "10" << none << false << ":010208100010D5"
                                   << "D5";
        QTest::newRow("write bit on") << "1" << CommandKind::WriteBit << ""
                                      << "0810"
                                      << "1" << none << false << ":01050810FF00E3"
                                      << "E3";
        QTest::newRow("write bit off") << "1" << CommandKind::WriteBit << ""
                                       << "0810"
                                       << "0" << none << false << ":010508100000E2"
                                       << "E2";
        QTest::newRow("write bit anything but 0 is on") << "1" << CommandKind::WriteBit << ""
                                                        << "0810"
                                                        << "X" << none << false << ":01050810FF00E3"
                                                        << "E3";
        QTest::newRow("write bit rtu") << "1" << CommandKind::WriteBit << ""
                                       << "0810"
                                       << "1" << none << true << "01050810FF008F9F"
                                       << "8F9F";
        QTest::newRow("write multi-words")
            << "1" << CommandKind::WriteMultiWords << ""
            << "1000"
            << "2" << QStringList{"0001", "0012"} << false << ":0110100000020400010012C6"
            << "C6";
        QTest::newRow("write multi-words rtu")
            << "1" << CommandKind::WriteMultiWords << ""
            << "1000"
            << "2" << QStringList{"0001", "0012"} << true << "0110100000020400010012EFA2"
            << "EFA2";
        QTest::newRow("write multi-words capped at eight words")
            << "1" << CommandKind::WriteMultiWords << ""
            << "1000"
            << "9" << eight << false << ":0110100000091000010002000300040005000600070008A2"
            << "A2";
        QTest::newRow("write multi-words never filled words add nothing")
            << "1" << CommandKind::WriteMultiWords << ""
            << "1000"
            << "2" << none << false << ":01101000000204D9"
            << "D9";
        QTest::newRow("user define pads its function") << "1" << CommandKind::UserDefine << "4"
                                                       << "1000"
                                                       << "2" << none << false << ":010410000002E9"
                                                       << "E9";
        QTest::newRow("invalid address left out") << "G1" << CommandKind::ReadRegister << ""
                                                  << "1000"
                                                  << "1" << none << false << ":0310000001EC"
                                                  << "EC";
        QTest::newRow("invalid address left out rtu") << "G1" << CommandKind::ReadRegister << ""
                                                      << "1000"
                                                      << "1" << none << true << "0310000001A500"
                                                      << "A500";
        QTest::newRow("invalid count left out") << "1" << CommandKind::ReadRegister << ""
                                                << "1000"
                                                << "Z" << none << false << ":01031000EC"
                                                << "EC";
    }
    void composeRequest() {
        QFETCH(QString, address);
        QFETCH(CommandKind, kind);
        QFETCH(QString, userCmd);
        QFETCH(QString, funcAddr);
        QFETCH(QString, dataLen);
        QFETCH(QStringList, words);
        QFETCH(bool, rtu);
        QFETCH(QString, sendLine);
        QFETCH(QString, checkSum);

        RequestFields fields;
        fields.address = address;
        fields.kind = int(kind);
        fields.userCmd = userCmd;
        fields.funcAddr = funcAddr;
        fields.dataLen = dataLen;
        for (int i = 0; i < words.size(); ++i)
            fields.writeWords[std::size_t(i)] = words.at(i);
        fields.rtu = rtu;
        const auto request = ComposeRequest(fields);
        QVERIFY(request.has_value());
        QCOMPARE(request->sendLine, sendLine);
        QCOMPARE(request->checkSum, checkSum);
    }

    void nothingToCompose_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("funcAddr");
        QTest::addColumn<QString>("dataLen");
        QTest::newRow("no address") << "" << 0 << "1000"
                                    << "1";
        QTest::newRow("no kind") << "1" << -1 << "1000"
                                 << "1";
        QTest::newRow("no function address") << "1" << 0 << ""
                                             << "1";
        QTest::newRow("no count") << "1" << 0 << "1000"
                                  << "";
    }
    void nothingToCompose() {
        QFETCH(QString, address);
        QFETCH(int, kind);
        QFETCH(QString, funcAddr);
        QFETCH(QString, dataLen);
        RequestFields fields;
        fields.address = address;
        fields.kind = kind;
        fields.funcAddr = funcAddr;
        fields.dataLen = dataLen;
        QVERIFY(!ComposeRequest(fields).has_value());
    }

    void multiWordCountMustBeDecimal_data() {
        QTest::addColumn<QString>("count");
        QTest::newRow("hex digit") << "A";
        QTest::newRow("digit and letter") << "9x";
        QTest::newRow("sign alone") << "-";
    }
    void multiWordCountMustBeDecimal() {
        QFETCH(QString, count);
        RequestFields fields;
        fields.address = "1";
        fields.kind = int(CommandKind::WriteMultiWords);
        fields.funcAddr = "1000";
        fields.dataLen = count;
        try {
            ComposeRequest(fields);
            QFAIL("a count that is not decimal was accepted");
        } catch (const ConvertError& error) {
            QCOMPARE(error.text(), QStringLiteral("'%1' is not a valid integer value").arg(count));
        }
    }

    void readCountTooLarge_data() {
        QTest::addColumn<QString>("count");
        QTest::addColumn<bool>("rtu");
        QTest::newRow("one past the most") << "126" << false;
        QTest::newRow("one past the most, rtu") << "126" << true;
        QTest::newRow("largest the field takes") << "999" << false;
    }
    void readCountTooLarge() {
        QFETCH(QString, count);
        QFETCH(bool, rtu);
        RequestFields fields;
        fields.address = "1";
        fields.kind = int(CommandKind::ReadRegister);
        fields.funcAddr = "1000";
        fields.dataLen = count;
        fields.rtu = rtu;
        try {
            ComposeRequest(fields);
            QFAIL("a count beyond a read's was accepted");
        } catch (const CountError& error) {
            QCOMPARE(error.text(),
                     QStringLiteral("A read takes at most 125 words: WORD COUNT %1 is too many.")
                         .arg(count));
        }
    }

    void requestBytes_data() {
        QTest::addColumn<QString>("sendLine");
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii gets CR LF")
            << ":010310000001EB" << false << QByteArray(":010310000001EB\r\n");
        QTest::newRow("ascii keeps the user's LRC")
            << ":01031000000100" << false << QByteArray(":01031000000100\r\n");
        QTest::newRow("rtu as bytes")
            << "01031000000180CA" << true << QByteArray::fromHex("01031000000180CA");
        QTest::newRow("rtu shown CRC replaced by a fresh one")
            << "0103100000010000" << true << QByteArray::fromHex("01031000000180CA");
        QTest::newRow("rtu line edited to more data")
            << "0103100000020000" << true << QByteArray::fromHex("010310000002C0CB");
        // What the pairing rule gives for lines that are not whole hex pairs: the last four
        // characters are taken for the CRC, pairs that are not bytes become 00.
        QTest::newRow("rtu odd length drops the partial pair")
            << "01031000000180C" << true << QByteArray::fromHex("01031000001841");
        QTest::newRow("rtu pair beyond a byte is 00")
            << "ZZ031000000180CA" << true << QByteArray::fromHex("000310000001811B");
        QTest::newRow("rtu line too short for a byte is only a CRC")
            << "01" << true << QByteArray::fromHex("FFFF");
    }
    void requestBytes() {
        QFETCH(QString, sendLine);
        QFETCH(bool, rtu);
        QFETCH(QByteArray, bytes);
        QCOMPARE(RequestBytes(sendLine, rtu), bytes);
    }

    void replyText_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ascii as received")
            << QByteArray(":010302000AF0") << false << ":010302000AF0";
        QTest::newRow("ascii partial") << QByteArray(":0103") << false << ":0103";
        QTest::newRow("rtu as hex pairs")
            << QByteArray::fromHex("010302000AF8") << true << "010302000AF8";
        QTest::newRow("rtu high bytes") << QByteArray::fromHex("00FF80") << true << "00FF80";
    }
    void replyText() {
        QFETCH(QByteArray, reply);
        QFETCH(bool, rtu);
        QFETCH(QString, shown);
        QCOMPARE(ReplyText(reply, rtu), shown);
    }
};

QTEST_APPLESS_MAIN(TestTesterRequest)
#include "tst_testerrequest.moc"
