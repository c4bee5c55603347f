// The scan's plan: the order of settings and addresses, what a found device and bytes of no
// frame do to it, each try's time-out and what the goals allow; the judging of replies; the
// address lists users type.
#include "frames.h"
#include "scanjudge.h"
#include "scanplan.h"

#include <QTest>

using namespace vrx;
using namespace vrx::scan;

namespace {

using Outcomes = QMap<QString, TryOutcome>;

LineSettings Setting(const QString& text) {
    // "9600 7E1 ASCII", as LineSettingsText writes it.
    const QStringList parts = text.split(u' ');
    LineSettings s;
    s.baud = parts[0].toInt();
    const auto format = ParseLineFormat(parts[1]);
    s.dataBits = format->dataBits;
    s.parity = format->parity;
    s.stopBits = format->stopBits;
    s.framing = parts[2] == u"RTU" ? Framing::Rtu : Framing::Ascii;
    return s;
}

QStringList Texts(const std::vector<LineSettings>& settings) {
    QStringList texts;
    for (const LineSettings& s : settings)
        texts << LineSettingsText(s);
    return texts;
}

// The tries of a plan as "9600 7E1 ASCII@3", reporting `outcomes` for the tries they name.
QStringList Run(ScanPlan& plan, const Outcomes& outcomes = {}) {
    QStringList tries;
    while (const auto next = plan.Next()) {
        const QString text =
            LineSettingsText(next->settings) + u'@' + QString::number(next->address);
        tries << text;
        plan.Report(*next, outcomes.value(text, TryOutcome::Silent));
    }
    return tries;
}

QStringList Tries(const QString& setting, int first, int last) {
    QStringList tries;
    for (int a = first; a <= last; ++a)
        tries << setting + u'@' + QString::number(a);
    return tries;
}

std::vector<LineFormat> Formats(const QStringList& texts) {
    std::vector<LineFormat> formats;
    for (const QString& text : texts)
        formats.push_back(*ParseLineFormat(text));
    return formats;
}

} // namespace

class TestScanPlan : public QObject {
    Q_OBJECT

private slots:
    void settingsOrder_data();
    void settingsOrder();
    void twoStopBitsComeAfterAllOthers();
    void tries_data();
    void tries();
    void tryTimeout_data();
    void tryTimeout();
    void goalsFitTheTimeOuts_data();
    void goalsFitTheTimeOuts();
    void judge_data();
    void judge();
    void replyUnderway_data();
    void replyUnderway();
    void identity_data();
    void identity();
    void addressList_data();
    void addressList();
};

void TestScanPlan::settingsOrder_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("framings");
    QTest::addColumn<QStringList>("expected"); // the first settings in order

    QTest::newRow("the window's default, then common before rare")
        << ""
        << "" << QStringList{"9600 7E1 ASCII",  "9600 8N1 RTU",  "9600 8N1 ASCII", "9600 8E1 RTU",
                             "19200 7E1 ASCII", "19200 8N1 RTU", "9600 7O1 ASCII", "9600 8O1 RTU"};
    QTest::newRow("the line's own settings first")
        << "38400 8O1 RTU"
        << "" << QStringList{"38400 8O1 RTU", "9600 7E1 ASCII", "9600 8N1 RTU", "9600 8N1 ASCII"};
    QTest::newRow("RTU has no 7 data bits")
        << ""
        << "rtu" << QStringList{"9600 8N1 RTU", "9600 8E1 RTU",  "19200 8N1 RTU",
                                "9600 8O1 RTU", "19200 8E1 RTU", "38400 8N1 RTU"};
}

void TestScanPlan::settingsOrder() {
    QFETCH(QString, first);
    QFETCH(QString, framings);
    QFETCH(QStringList, expected);
    ScanChoices choices;
    if (!first.isEmpty()) choices.first = Setting(first);
    if (framings == u"rtu") choices.framings = {Framing::Rtu};
    QStringList order = Texts(OrderedSettings(choices));
    QCOMPARE(order.mid(0, expected.size()), expected);
    QCOMPARE(order.removeDuplicates(), 0);
    for (const QString& s : order)
        QVERIFY2(!(s.endsWith(u"RTU") && s.contains(u" 7")), qPrintable(s));
}

void TestScanPlan::twoStopBitsComeAfterAllOthers() {
    // Five speeds: six formats in ASCII, three in RTU, each also with two stop bits.
    const QStringList order = Texts(OrderedSettings({}));
    QCOMPARE(order.size(), 2 * 5 * (6 + 3));
    for (qsizetype i = 0; i < order.size(); ++i)
        QCOMPARE(order[i].contains(u"1 "), i < order.size() / 2);
}

void TestScanPlan::tries_data() {
    QTest::addColumn<bool>("allSettings");
    QTest::addColumn<Outcomes>("outcomes");
    QTest::addColumn<QStringList>("expected");

    // RTU at 9600, 8N1 then 8E1, addresses 1-20.
    const QString n = "9600 8N1 RTU", e = "9600 8E1 RTU", o = "9600 8O1 RTU";
    QTest::newRow("common addresses at every setting first")
        << false << Outcomes{}
        << Tries(n, 1, 16) + Tries(e, 1, 16) + Tries(o, 1, 16) + Tries(n, 17, 20) +
               Tries(e, 17, 20) + Tries(o, 17, 20);
    QTest::newRow("a device ends the scan after its setting")
        << false << Outcomes{{e + "@3", TryOutcome::Device}}
        << Tries(n, 1, 16) + Tries(e, 1, 16) + Tries(e, 17, 20);
    QTest::newRow("found beyond the common addresses")
        << false << Outcomes{{o + "@18", TryOutcome::Device}}
        << Tries(n, 1, 16) + Tries(e, 1, 16) + Tries(o, 1, 16) + Tries(n, 17, 20) +
               Tries(e, 17, 20) + Tries(o, 17, 20);
    QTest::newRow("all settings go on")
        << true << Outcomes{{n + "@2", TryOutcome::Device}}
        << Tries(n, 1, 16) + Tries(e, 1, 16) + Tries(o, 1, 16) + Tries(n, 17, 20) +
               Tries(e, 17, 20) + Tries(o, 17, 20);
    // Bytes at 8N1 from 5: 5 at the other formats at this speed next, then their other
    // addresses; then the rest.
    QStringList noisy = Tries(n, 1, 5);
    noisy << e + "@5" << o + "@5" << Tries(e, 1, 4) << Tries(e, 6, 16) << Tries(o, 1, 4)
          << Tries(o, 6, 16) << Tries(n, 6, 16) << Tries(n, 17, 20) << Tries(e, 17, 20)
          << Tries(o, 17, 20);
    QTest::newRow("bytes of no frame bring the other formats forward")
        << false << Outcomes{{n + "@5", TryOutcome::Garbage}} << noisy;
    // Beyond the common addresses: the address at the other formats, then their later ones.
    QStringList late = Tries(n, 1, 16) + Tries(e, 1, 16) + Tries(o, 1, 16) + Tries(n, 17, 18);
    late << e + "@18" << o + "@18" << e + "@17" << Tries(e, 19, 20) << o + "@17" << Tries(o, 19, 20)
         << Tries(n, 19, 20);
    QTest::newRow("from beyond the common addresses")
        << false << Outcomes{{n + "@18", TryOutcome::Garbage}} << late;
    QStringList found = Tries(n, 1, 5);
    found << e + "@5" << Tries(e, 1, 4) << Tries(e, 6, 16) << Tries(e, 17, 20);
    QTest::newRow("and the one that answers is swept")
        << false << Outcomes{{n + "@5", TryOutcome::Garbage}, {e + "@5", TryOutcome::Device}}
        << found;
    QTest::newRow("once per speed")
        << false << Outcomes{{n + "@5", TryOutcome::Garbage}, {e + "@7", TryOutcome::Garbage}}
        << noisy;
}

void TestScanPlan::tries() {
    QFETCH(bool, allSettings);
    QFETCH(Outcomes, outcomes);
    QFETCH(QStringList, expected);
    ScanChoices choices;
    choices.framings = {Framing::Rtu};
    choices.speeds = {9600};
    choices.formats = Formats({"8N1", "8E1", "8O1"});
    choices.addresses = *ParseAddressList("1-20", nullptr);
    choices.allSettings = allSettings;
    ScanPlan plan(choices);
    QCOMPARE(Run(plan, outcomes), expected);
    QVERIFY(plan.Done());
    QCOMPARE(plan.LeftMicros(), 0);
}

void TestScanPlan::tryTimeout_data() {
    QTest::addColumn<QString>("setting");
    QTest::addColumn<qint64>("micros");
    // ASCII reads 17 + 15 characters, RTU 8 + 7; 50 ms beyond their line time.
    QTest::newRow("ASCII 9600 7E1") << "9600 7E1 ASCII" << qint64(33334 + 50000);
    QTest::newRow("ASCII 2400 8N2") << "2400 8N2 ASCII" << qint64(146667 + 50000);
    QTest::newRow("ASCII 38400 7N1") << "38400 7N1 ASCII" << qint64(7500 + 50000);
    QTest::newRow("RTU 19200 8N1") << "19200 8N1 RTU" << qint64(7813 + 50000);
    QTest::newRow("RTU 4800 8E1") << "4800 8E1 RTU" << qint64(34375 + 50000);
}

void TestScanPlan::tryTimeout() {
    QFETCH(QString, setting);
    QFETCH(qint64, micros);
    QCOMPARE(TryTimeoutMicros(Setting(setting)), micros);
}

void TestScanPlan::goalsFitTheTimeOuts_data() {
    QTest::addColumn<QString>("setting");
    QTest::addColumn<qint64>("withinMs");
    QTest::newRow("the window's default") << "9600 7E1 ASCII" << qint64(3000);
    QTest::newRow("the last with one stop bit") << "2400 8O1 ASCII" << qint64(90000);
    QTest::newRow("RTU, slow and odd") << "2400 8O1 RTU" << qint64(90000);
}

void TestScanPlan::goalsFitTheTimeOuts() {
    // A controller at 16, the last of the common addresses, is reached after every try before
    // it has waited its whole time-out.
    QFETCH(QString, setting);
    QFETCH(qint64, withinMs);
    ScanPlan plan({});
    qint64 waited = 0;
    for (;;) {
        const auto next = plan.Next();
        QVERIFY(next);
        if (next->settings == Setting(setting) && next->address == 16) break;
        waited += TryTimeoutMicros(next->settings);
    }
    QVERIFY2(waited < withinMs * 1000, qPrintable(QString::number(waited)));
}

void TestScanPlan::judge_data() {
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<bool>("rtu");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<int>("exceptionCode");

    using vrx::test::AsciiFrame;
    using vrx::test::Rtu;
    const QByteArray words = AsciiFrame(1, 0x03, "02000B");
    QByteArray badLrc = words;
    badLrc[badLrc.size() - 3] = badLrc[badLrc.size() - 3] == 'F' ? 'E' : 'F';
    QByteArray badCrc = Rtu(words);
    badCrc[badCrc.size() - 1] = char(badCrc[badCrc.size() - 1] ^ 0x5A);
    QByteArray highBits = words;
    for (char& c : highBits)
        c = char(c | 0x80);

    QTest::newRow("nothing") << QByteArray() << false << int(ReplyVerdict::Silent) << 0;
    QTest::newRow("ascii words") << words << false << int(ReplyVerdict::Words) << 0;
    QTest::newRow("rtu words") << Rtu(words) << true << int(ReplyVerdict::Words) << 0;
    QTest::newRow("exception") << Rtu(AsciiFrame(1, 0x83, "02")) << true
                               << int(ReplyVerdict::NotFitted) << 2;
    QTest::newRow("ascii exception")
        << AsciiFrame(1, 0x83, "01") << false << int(ReplyVerdict::NotFitted) << 1;
    QTest::newRow("two registers for one")
        << Rtu(AsciiFrame(1, 0x03, "0400050006")) << true << int(ReplyVerdict::NotFitted) << 0;
    QTest::newRow("another function")
        << Rtu(AsciiFrame(1, 0x04, "020005")) << true << int(ReplyVerdict::NotFitted) << 0;
    QTest::newRow("bad crc") << badCrc << true << int(ReplyVerdict::Garbage) << 0;
    QTest::newRow("another address")
        << Rtu(AsciiFrame(2, 0x03, "020005")) << true << int(ReplyVerdict::Garbage) << 0;
    QTest::newRow("ascii read by 8 bits") << highBits << false << int(ReplyVerdict::Garbage) << 0;
    QTest::newRow("ascii bad lrc") << badLrc << false << int(ReplyVerdict::Garbage) << 0;
    QTest::newRow("rtu bytes in ascii") << Rtu(words) << false << int(ReplyVerdict::Garbage) << 0;
}

void TestScanPlan::judge() {
    QFETCH(QByteArray, received);
    QFETCH(bool, rtu);
    QFETCH(int, verdict);
    QFETCH(int, exceptionCode);
    const JudgedReply judged = JudgeReply(received, 1, rtu ? Framing::Rtu : Framing::Ascii, 1);
    QCOMPARE(int(judged.verdict), verdict);
    QCOMPARE(judged.exceptionCode, exceptionCode);
    QCOMPARE(judged.words.size(), verdict == int(ReplyVerdict::Words) ? 1 : 0);
}

void TestScanPlan::replyUnderway_data() {
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<bool>("rtu");
    QTest::addColumn<bool>("underway");
    QTest::newRow("ascii begun") << QByteArray(":0103") << false << true;
    QTest::newRow("ascii ended") << QByteArray(":0103\r\n") << false << false;
    QTest::newRow("ascii noise") << QByteArray("\xba\xb0") << false << false;
    QTest::newRow("rtu address") << QByteArray("\x01", 1) << true << true;
    QTest::newRow("rtu read") << QByteArray::fromHex("010302") << true << true;
    QTest::newRow("rtu exception") << QByteArray::fromHex("0183") << true << true;
    QTest::newRow("rtu other address") << QByteArray::fromHex("0203") << true << false;
    QTest::newRow("rtu other function") << QByteArray::fromHex("0110") << true << false;
}

void TestScanPlan::replyUnderway() {
    QFETCH(QByteArray, received);
    QFETCH(bool, rtu);
    QFETCH(bool, underway);
    QCOMPARE(ReplyUnderway(received, 1, rtu ? Framing::Rtu : Framing::Ascii), underway);
}

void TestScanPlan::identity_data() {
    QTest::addColumn<int>("inputType");
    QTest::addColumn<int>("firmware");
    QTest::addColumn<bool>("vrx");
    QTest::addColumn<QString>("firmwareText");
    QTest::newRow("thermocouple, 1.12") << 0 << 0x0112 << true << "1.12";
    QTest::newRow("last linear input") << 17 << 0x0900 << true << "9.00";
    QTest::newRow("no such input") << 18 << 0x0112 << false << "1.12";
    QTest::newRow("registers of zeros") << 0 << 0 << false << "0.00";
    QTest::newRow("firmware of another series") << 3 << 0x1A01 << false << "26.01";
}

void TestScanPlan::identity() {
    QFETCH(int, inputType);
    QFETCH(int, firmware);
    QFETCH(bool, vrx);
    QFETCH(QString, firmwareText);
    QCOMPARE(IsVrxIdentity(inputType, firmware), vrx);
    QCOMPARE(FirmwareText(firmware), firmwareText);
}

void TestScanPlan::addressList_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // AddressListText of the result, or "error"
    QTest::newRow("ranges and singles") << "1-32,40"
                                        << "1-32,40";
    QTest::newRow("sorted, no repeats") << "9,3, 4 ,3-5,1"
                                        << "1,3-5,9";
    QTest::newRow("whole range") << "1-247"
                                 << "1-247";
    QTest::newRow("single range item") << "7-7"
                                       << "7";
    QTest::newRow("broadcast") << "0"
                               << "error";
    QTest::newRow("reserved") << "240-248"
                              << "error";
    QTest::newRow("backwards") << "5-3"
                               << "error";
    QTest::newRow("empty item") << "1,,2"
                                << "error";
    QTest::newRow("empty") << ""
                           << "error";
    QTest::newRow("sign") << "+5"
                          << "error";
    QTest::newRow("hex") << "0x5"
                         << "error";
    QTest::newRow("long digits") << "00000000000000000001"
                                 << "error";
    QTest::newRow("open range") << "5-"
                                << "error";
}

void TestScanPlan::addressList() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QString error;
    const auto addresses = ParseAddressList(text, &error);
    if (expected == u"error") {
        QVERIFY(!addresses);
        QVERIFY(!error.isEmpty());
        QVERIFY(error.size() < 120);
    } else {
        QVERIFY2(addresses, qPrintable(error));
        QCOMPARE(AddressListText(*addresses), expected);
    }
}

QTEST_GUILESS_MAIN(TestScanPlan)
#include "tst_scanplan.moc"
