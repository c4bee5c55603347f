// vrxcom scan without a line: which arguments are a scan, help or an error, and the lines it
// prints for what it finds.
#include "scancommand.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace vrx;
using Action = ScanCommand::Action;

Q_DECLARE_METATYPE(ScanCommand::Action)

namespace {

scan::Finding Vrx(int address, double pv) {
    scan::Finding f;
    f.address = address;
    f.settings.framing = Framing::Rtu;
    f.settings.baud = 19200;
    f.settings.dataBits = 8;
    f.settings.parity = Parity::Even;
    f.kind = scan::DeviceKind::Vrx;
    f.pv = pv;
    f.firmware = "1.12";
    f.inputType = 0;
    return f;
}

} // namespace

class TestScanCommand : public QObject {
    Q_OBJECT

private slots:
    void parse_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("summary"); // com, addresses, framings, speeds, formats, flags
        QTest::addColumn<QString>("error");
        QTest::newRow("a line") << QStringList{"COM1"} << Action::Run << "1 - - - - -"
                                << "";
        QTest::newRow("a number, lower case")
            << QStringList{"com12"} << Action::Run << "12 - - - - -"
            << "";
        QTest::newRow("every option")
            << QStringList{"COM2",        "--addresses",    "1-32,40",    "--framings",
                           "RTU,ascii",   "--speeds",       "9600,19200", "--formats",
                           "8N1,8e1,7E1", "--all-settings", "--json"}
            << Action::Run << "2 1-32,40 rtu,ascii 9600,19200 8N1,8E1,7E1 all,json"
            << "";
        QTest::newRow("repeats once")
            << QStringList{"COM1", "--speeds", "9600,9600"} << Action::Run << "1 - - 9600 - -"
            << "";
        QTest::newRow("help") << QStringList{"--help"} << Action::Help << ""
                              << "";
        QTest::newRow("no line") << QStringList{"--json"} << Action::Error << ""
                                 << "which line? (COM1, COM2, ...)";
        QTest::newRow("two lines") << QStringList{"COM1", "COM2"} << Action::Error << ""
                                   << "one line at a time (COM2?)";
        QTest::newRow("no such line") << QStringList{"COM0"} << Action::Error << ""
                                      << "'COM0' is not a line from COM1 to COM99";
        QTest::newRow("not a line") << QStringList{"/dev/ttyS0"} << Action::Error << ""
                                    << "'/dev/ttyS0' is not a line from COM1 to COM99";
        QTest::newRow("broadcast")
            << QStringList{"COM1", "--addresses", "0-3"} << Action::Error << ""
            << "--addresses: '0-3' is not an address or a range of "
               "addresses from 1 to 247";
        QTest::newRow("speed not offered")
            << QStringList{"COM1", "--speeds", "9600,57600"} << Action::Error << ""
            << "--speeds: '57600' is not one of 2400, 4800, 9600, "
               "19200, 38400";
        QTest::newRow("framing") << QStringList{"COM1", "--framings", "tcp"} << Action::Error << ""
                                 << "--framings: 'tcp' is not ascii or rtu";
        QTest::newRow("format") << QStringList{"COM1", "--formats", "9N1"} << Action::Error << ""
                                << "--formats: '9N1' is not data bits (7 or 8), parity (N, E or "
                                   "O) and stop bits (1 or 2), as 8E1";
        QTest::newRow("rtu with 7 bits only")
            << QStringList{"COM1", "--framings", "rtu", "--formats", "7E1"} << Action::Error << ""
            << "--framings rtu needs a format with 8 data bits";
        QTest::newRow("value missing") << QStringList{"COM1", "--addresses"} << Action::Error << ""
                                       << "--addresses needs a value";
        QTest::newRow("unknown option")
            << QStringList{"COM1", "--baud", "9600"} << Action::Error << ""
            << "unknown option --baud";
    }
    void parse() {
        QFETCH(QStringList, arguments);
        QFETCH(Action, action);
        QFETCH(QString, summary);
        QFETCH(QString, error);
        const ScanCommand command = ParseScanArguments(arguments);
        QCOMPARE(command.error, error);
        QCOMPARE(command.action, action);
        if (action != Action::Run) return;
        const scan::ScanChoices& c = command.choices;
        QStringList framings, speeds, formats, flags;
        for (const Framing f : c.framings)
            framings << (f == Framing::Rtu ? "rtu" : "ascii");
        for (const qint32 s : c.speeds)
            speeds << QString::number(s);
        for (const LineFormat& f : c.formats) {
            LineSettings s;
            s.dataBits = f.dataBits;
            s.parity = f.parity;
            s.stopBits = f.stopBits;
            formats << LineFormatText(s);
        }
        if (c.allSettings) flags << "all";
        if (command.json) flags << "json";
        const auto listed = [](const QStringList& items) {
            return items.isEmpty() ? QStringLiteral("-") : items.join(u',');
        };
        const QString got =
            QStringLiteral("%1 %2 %3 %4 %5 %6")
                .arg(command.com)
                .arg(c.addresses.empty() ? QStringLiteral("-") : scan::AddressListText(c.addresses))
                .arg(listed(framings), listed(speeds), listed(formats), listed(flags));
        QCOMPARE(got, summary);
    }

    void jsonHasExactlyTheKeys_data() {
        QTest::addColumn<bool>("vrx");
        QTest::addColumn<bool>("pv");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("controller")
            << true << true
            << QByteArray(R"({"address":3,"firmware":"1.12","format":"8E1","framing":"rtu",)"
                          R"("kind":"vrx","pv":-12.5,"speed":19200})");
        QTest::newRow("controller showing a status")
            << true << false
            << QByteArray(R"({"address":3,"firmware":"1.12","format":"8E1","framing":"rtu",)"
                          R"("kind":"vrx","pv":null,"speed":19200})");
        QTest::newRow("another device")
            << false << false
            << QByteArray(R"({"address":3,"format":"8E1","framing":"rtu","kind":"modbus",)"
                          R"("speed":19200})");
    }
    void jsonHasExactlyTheKeys() {
        QFETCH(bool, vrx);
        QFETCH(bool, pv);
        QFETCH(QByteArray, expected);
        scan::Finding f = Vrx(3, -12.5);
        if (!vrx) f.kind = scan::DeviceKind::Modbus;
        if (!pv) f.pv.reset();
        const QString line = FindingJson(f);
        QVERIFY(!line.contains(u'\n'));
        QCOMPARE(QJsonDocument::fromJson(line.toUtf8()), QJsonDocument::fromJson(expected));
    }

    void findingLines() {
        scan::Finding other = Vrx(9, 0);
        other.kind = scan::DeviceKind::Modbus;
        other.exceptionCode = 2;
        QCOMPARE(
            FindingLine(Vrx(3, 25.3)),
            QStringLiteral("address 3: RTU 19200 8E1, VRX controller, firmware 1.12, PV 25.3 °C"));
        QCOMPARE(FindingLine(other), QStringLiteral("address 9: RTU 19200 8E1, a Modbus device, "
                                                    "not a VRX controller (answers illegal data "
                                                    "address)"));
    }

    void recordCommandsTakeEightAddressesEach() {
        std::vector<scan::Finding> found;
        for (int a = 1; a <= 10; ++a)
            found.push_back(Vrx(a, 20));
        found[4].kind = scan::DeviceKind::Modbus; // not recorded
        scan::Finding ascii = Vrx(12, 20);
        ascii.settings.framing = Framing::Ascii;
        ascii.settings.dataBits = 7;
        found.push_back(ascii);
        const QString tail = QStringLiteral(" --out FILE");
        QCOMPARE(RecordCommandLines(2, found),
                 (QStringList{"vrxcom record --com COM2 --framing rtu --baud 19200 --format 8E1 "
                              "--addresses 1,2,3,4,6,7,8,9" +
                                  tail,
                              "vrxcom record --com COM2 --framing rtu --baud 19200 --format 8E1 "
                              "--addresses 10" +
                                  tail,
                              "vrxcom record --com COM2 --framing ascii --baud 19200 --format "
                              "7E1 --addresses 12" +
                                  tail}));
        QVERIFY(RecordCommandLines(2, {}).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestScanCommand)
#include "tst_scancommand.moc"
