// Communication settings: packing, the settings file through the Protocol window, the RTU rule,
// applying them to a port, and reply time-outs.
#include "comnaming.h"
#include "comsettings.h"
#include "errors.h"
#include "fakeline.h"
#include "filesizelimit.h"
#include "freezewatch.h"
#include "lineowner.h"
#include "protocolwindow.h"
#include "radiogroup.h"
#include "scripteddialogs.h"
#include "serialport.h"
#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace vrx;

Q_DECLARE_METATYPE(vrx::ComSelections)

namespace {

ComSelections Sel(int port, int baud, int parity, int bits, int stop, int modbus) {
    return {port, baud, parity, bits, stop, modbus};
}

void WriteFile(const QByteArray& content) {
    QFile file(QString::fromLatin1(SettingsFileName));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray ReadFile() {
    QFile file(QString::fromLatin1(SettingsFileName));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestComSettings : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString home_;

private slots:
    void initTestCase() { home_ = QDir::currentPath(); }
    void init() {
        QDir::setCurrent(dir_.path());
        QFile::remove(QString::fromLatin1(SettingsFileName));
        QDir().rmdir(QString::fromLatin1(SettingsFileName));
    }
    void cleanupTestCase() { QDir::setCurrent(home_); }

    void packing_data() {
        QTest::addColumn<ComSelections>("selections");
        QTest::addColumn<int>("packed");
        QTest::newRow("initial") << Sel(0, 2, 1, 0, 0, 0) << 120;
        QTest::newRow("COM2 19200 none 8 1 RTU") << Sel(1, 3, 0, 1, 0, 1) << 51031;
        QTest::newRow("COM8 2400 none 7 1 ASCII") << Sel(7, 0, 0, 0, 0, 0) << 7;
        QTest::newRow("everything high") << Sel(7, 4, 2, 1, 1, 1) << 61247;
    }
    void packing() {
        QFETCH(ComSelections, selections);
        QFETCH(int, packed);
        QCOMPARE(PackSettings(selections), packed);
        QCOMPARE(UnpackSettings(packed), selections);
    }

    void unpackingOddValues_data() {
        QTest::addColumn<int>("packed");
        QTest::addColumn<ComSelections>("digits");
        QTest::newRow("9 in the port digit") << 9 << Sel(9, 0, 0, 0, 0, 0);
        QTest::newRow("negative") << -7 << Sel(-7, 0, 0, 0, 0, 0);
        QTest::newRow("negative in every digit") << -51031 << Sel(-1, -3, 0, -1, 0, -1);
    }
    void unpackingOddValues() {
        QFETCH(int, packed);
        QFETCH(ComSelections, digits);
        QCOMPARE(UnpackSettings(packed), digits);
    }

    void loadingTheFile_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<ComSelections>("selected");
        QTest::newRow("120") << QByteArray("120\r\n") << Sel(0, 2, 1, 0, 0, 0);
        QTest::newRow("51031 forces 8 bits") << QByteArray("51031\r\n") << Sel(1, 3, 0, 1, 0, 1);
        QTest::newRow("7") << QByteArray("7\r\n") << Sel(7, 0, 0, 0, 0, 0);
        QTest::newRow("9 is clamped to COM8") << QByteArray("9") << Sel(7, 0, 0, 0, 0, 0);
        QTest::newRow("baud digit 7 is clamped") << QByteArray("70") << Sel(0, 4, 0, 0, 0, 0);
        // A hand-made file cannot put RTU on 7 data bits: every byte would be cut.
        QTest::newRow("RTU with a 7-bit digit") << QByteArray("50120") << Sel(0, 2, 1, 1, 0, 1);
        QTest::newRow("only the first line") << QByteArray("3\r\n120\r\n") << Sel(3, 0, 0, 0, 0, 0);
    }
    void loadingTheFile() {
        QFETCH(QByteArray, content);
        QFETCH(ComSelections, selected);
        WriteFile(content);
        TVRW1 protocol;
        protocol.LoadSettings();
        QCOMPARE(protocol.Selections(), selected);
        QCOMPARE(protocol.ComBitLen->isEnabled(), selected.modBus != 1);
    }

    // Each COMn button tells what that port is: a device path, or a network line's endpoint.
    void portButtonsTellWhereEachPortGoes() {
        qputenv("VRX_COM1", "/dev/ttyUSB7");
        qputenv("VRX_COM2", "mbtcp:10.0.0.7:502:timeout=300");
        qputenv("VRX_COM3", "sim");
        qputenv("VRX_COM4", "");
        TVRW1 protocol;
        protocol.show();
        QCOMPARE(protocol.ComPort->Button(0)->toolTip(), "/dev/ttyUSB7");
        QCOMPARE(protocol.ComPort->Button(1)->toolTip(), "mbtcp 10.0.0.7:502");
        QCOMPARE(protocol.ComPort->Button(2)->toolTip(), "simulated controllers");
        QCOMPARE(protocol.ComPort->Button(3)->toolTip(), QString());
        for (const char* name : {"VRX_COM1", "VRX_COM2", "VRX_COM3", "VRX_COM4"})
            qunsetenv(name);
    }

    // A line the program was told by path (the recorder's --device) is that path, whatever
    // VRX_COMn or the ports present say, until the assignment is taken back.
    void assignedComWinsOverTheEnvironment() {
        qputenv("VRX_COM5", "sim");
        AssignCom(5, QStringLiteral("/dev/serial/by-id/usb-x-port0"));
        ComTarget target = ResolveCom(5);
        QCOMPARE(target.kind, ComTarget::Kind::Device);
        QCOMPARE(target.path, QStringLiteral("/dev/serial/by-id/usb-x-port0"));
        QCOMPARE(ResolveCom(5, {"/dev/ttyUSB0"}).path, target.path);
        AssignCom(5, QStringLiteral("mbtcp:10.0.0.7:502"));
        QCOMPARE(ResolveCom(5).kind, ComTarget::Kind::Network);
        AssignCom(5, QString());
        QCOMPARE(ResolveCom(5).kind, ComTarget::Kind::Simulated);
        qunsetenv("VRX_COM5");
    }

    void malformedFileKeepsInitialSelections_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        // The conversion's message as it stands, and then which file it is about: at start-up
        // the user has no other way to know.
        const QString inFile = "\nin the settings file SETVRX.$$$";
        QTest::newRow("letters") << QByteArray("12a\r\n")
                                 << "'12a' is not a valid integer value" + inFile;
        QTest::newRow("empty") << QByteArray() << "'' is not a valid integer value" + inFile;
        QTest::newRow("blank line")
            << QByteArray("\r\n") << "'' is not a valid integer value" + inFile;
        // Values the Protocol window cannot have written are a bad file too, not settings
        // that would reach the port unseen.
        QTest::newRow("negative") << QByteArray("-7\r\n")
                                  << "'-7' in SETVRX.$$$ is not a communication setting";
        QTest::newRow("odd parity in disguise")
            << QByteArray("-120") << "'-120' in SETVRX.$$$ is not a communication setting";
        QTest::newRow("smallest integer") << QByteArray("-2147483648")
                                          << "'-2147483648' in SETVRX.$$$ is not a communication "
                                             "setting";
        QTest::newRow("past the largest packing")
            << QByteArray("61248") << "'61248' in SETVRX.$$$ is not a communication setting";
        // Huge or binary first lines are not read whole, and the message shows a short,
        // printable excerpt of them.
        const QString longExcerpt =
            "'" + QString(40, u'1') + "...' is not a valid integer value" + inFile;
        QTest::newRow("10 MB of digits") << QByteArray(10 << 20, '1') << longExcerpt;
        QTest::newRow("4 KB junk line")
            << QByteArray(4096, 'x')
            << "'" + QString(40, u'x') + "...' is not a valid integer value" + inFile;
        QTest::newRow("binary")
            << QByteArray("\x01\x02\xff\x00\x7f", 5)
            << QStringLiteral("'%1\u00ff%1' is not a valid integer value").arg("??") + inFile;
    }
    void malformedFileKeepsInitialSelections() {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        WriteFile(content);
        TVRW1 protocol;
        try {
            protocol.LoadSettings();
            QFAIL("no error raised");
        } catch (const Error& error) {
            QCOMPARE(error.text(), message);
        }
        QCOMPARE(protocol.Selections(), Sel(0, 2, 1, 0, 0, 0));
    }

    // A pipe of the settings file's name would hold up the start for ever in open().
    void settingsFileThatIsNoPlainFile() {
#ifndef Q_OS_UNIX
        QSKIP("needs a pipe");
#else
        QCOMPARE(mkfifo(SettingsFileName, 0600), 0);
        TVRW1 protocol;
        try {
            const test::FreezeWatch watch("loading settings from a pipe");
            protocol.LoadSettings();
            QFAIL("no error raised");
        } catch (const FileError& error) {
            QCOMPARE(error.text(),
                     "Can not read file SETVRX.$$$ : not a plain file (a pipe or a device)");
        }
        QCOMPARE(protocol.Selections(), Sel(0, 2, 1, 0, 0, 0));
        QFile::remove(QString::fromLatin1(SettingsFileName));
#endif
    }

    // OK on a full disk (here a file-size limit): the message names the reason, the window
    // stays open, and the file keeps the settings it held.
    void okOnAFullDiskKeepsTheOldFile() {
#ifndef Q_OS_UNIX
        QSKIP("needs a file-size limit");
#else
        test::ScriptedDialogs dialogs;
        WriteFile("51031\r\n");
        TVRW1 protocol;
        protocol.show();
        protocol.LoadSettings();
        protocol.ComPort->SetItemIndex(5);
        {
            const test::FileSizeLimit full(3);
            QVERIFY(full.Active());
            QTest::mouseClick(protocol.OKBt1, Qt::LeftButton);
        }
        QTRY_COMPARE(dialogs.texts(),
                     QStringList{"Can not write file SETVRX.$$$ : File too large"});
        QVERIFY(protocol.isVisible());
        QCOMPARE(ReadFile(), "51031\r\n");
        QCOMPARE(QDir().entryList(QDir::Files), QStringList{"SETVRX.$$$"});
#endif
    }

    void okWritesTheFileAndCloses_data() {
        QTest::addColumn<ComSelections>("chosen");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("initial") << Sel(0, 2, 1, 0, 0, 0) << QByteArray("120\r\n");
        QTest::newRow("RTU forces the thousands digit")
            << Sel(1, 3, 0, 0, 0, 1) << QByteArray("51031\r\n");
    }
    void okWritesTheFileAndCloses() {
        QFETCH(ComSelections, chosen);
        QFETCH(QByteArray, line);
        TVRW1 protocol;
        protocol.show();
        protocol.ComPort->SetItemIndex(chosen.comPort);
        protocol.ComBaudRate->SetItemIndex(chosen.baudRate);
        protocol.ComParity->SetItemIndex(chosen.parity);
        protocol.ComBitLen->SetItemIndex(chosen.bitLen);
        protocol.ComStopBit->SetItemIndex(chosen.stopBit);
        protocol.ModBus->SetItemIndex(chosen.modBus);
        QTest::mouseClick(protocol.OKBt1, Qt::LeftButton);
        QCOMPARE(ReadFile(), line);
        QVERIFY(!protocol.isVisible());

        TVRW1 next;
        next.LoadSettings();
        QCOMPARE(next.Selections(), protocol.Selections());
    }

    void unwritableFileKeepsWindowOpen() {
        test::ScriptedDialogs dialogs;
        // A directory in the file's place cannot be written, whoever runs the test.
        QVERIFY(QDir().mkdir(QString::fromLatin1(SettingsFileName)));
        TVRW1 protocol;
        protocol.show();
        QTest::mouseClick(protocol.OKBt1, Qt::LeftButton);
        QTRY_COMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages.at(0).text.contains(QString::fromLatin1(SettingsFileName)));
        QVERIFY(protocol.isVisible());
    }

    void rtuDisablesDataBits() {
        TVRW1 protocol;
        protocol.show();
        // Click on the indicator: the rest of a wide radio button does not take clicks.
        const QPoint indicator(6, protocol.ModBus->Button(0)->height() / 2);
        QTest::mouseClick(protocol.ModBus->Button(1), Qt::LeftButton, {}, indicator);
        QCOMPARE(protocol.ModBus->ItemIndex(), 1);
        QCOMPARE(protocol.ComBitLen->ItemIndex(), 1);
        QVERIFY(!protocol.ComBitLen->isEnabled());
        QTest::mouseClick(protocol.ModBus->Button(0), Qt::LeftButton, {}, indicator);
        QVERIFY(protocol.ComBitLen->isEnabled());
        QCOMPARE(protocol.ComBitLen->ItemIndex(), 1);
    }

    void showingFillsInMissingSelections() {
        TVRW1 protocol;
        protocol.ComPort->SetItemIndex(-1);
        QCOMPARE(protocol.ComPort->ItemIndex(), -1);
        protocol.show();
        QCOMPARE(protocol.Selections(), Sel(0, 2, 1, 0, 0, 0));
        QTRY_VERIFY(protocol.OKBt1->hasFocus() || !QApplication::focusWindow());
    }

    void applyingToAPort_data() {
        QTest::addColumn<ComSelections>("selections");
        QTest::addColumn<int>("com");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("stop");
        QTest::newRow("initial") << Sel(0, 2, 1, 0, 0, 0) << 1 << 9600 << int(Parity::Even) << 7
                                 << 1;
        QTest::newRow("COM8 38400 odd 8 2")
            << Sel(7, 4, 2, 1, 1, 0) << 8 << 38400 << int(Parity::Odd) << 8 << 2;
        QTest::newRow("no baud keeps the old one")
            << Sel(2, -1, 0, 1, 0, 1) << 3 << 4800 << int(Parity::None) << 8 << 1;
        QTest::newRow("no port: the dialog will ask")
            << Sel(-1, 0, 0, 0, 0, 0) << 0 << 2400 << int(Parity::None) << 7 << 1;
    }
    void applyingToAPort() {
        QFETCH(ComSelections, selections);
        QFETCH(int, com);
        QFETCH(int, baud);
        QFETCH(int, parity);
        QFETCH(int, bits);
        QFETCH(int, stop);
        SerialPort port;
        port.SetBaud(4800);
        ApplySettings(selections, port);
        QCOMPARE(int(port.ComNumber()), com);
        QCOMPARE(port.Baud(), baud);
        QCOMPARE(int(port.Parity()), parity);
        QCOMPARE(int(port.DataBits()), bits);
        QCOMPARE(int(port.StopBits()), stop);
        // What the line's owner opens with for the same selections, the port's baud kept.
        const LineSettings opened = ToLineSettings(selections, 4800);
        QCOMPARE(opened.baud, baud);
        QCOMPARE(int(opened.parity), parity);
        QCOMPARE(opened.dataBits, bits);
        QCOMPARE(opened.stopBits, stop);
    }

    // A line found by a scan, shown in the window: the selections that give it back.
    void selectionsOfALine_data() {
        QTest::addColumn<ComSelections>("selections");
        QTest::newRow("initial") << Sel(0, 2, 1, 0, 0, 0);
        QTest::newRow("COM8 38400 odd 8 2 RTU") << Sel(7, 4, 2, 1, 1, 1);
        QTest::newRow("COM2 2400 none 7 2 ASCII") << Sel(1, 0, 0, 0, 1, 0);
        QTest::newRow("COM5 19200 even 8 1 RTU") << Sel(4, 3, 1, 1, 0, 1);
    }
    void selectionsOfALine() {
        QFETCH(ComSelections, selections);
        QCOMPARE(SelectionsFor(selections.comPort + 1, ToLineSettings(selections)), selections);
        LineSettings unoffered = ToLineSettings(selections);
        unoffered.baud = 57600;
        QCOMPARE(SelectionsFor(1, unoffered).baudRate, -1);
    }

    void openingReachesTheLineWithTheSettings() {
        test::FakeLineFactory lines;
        qputenv("VRX_COM2", "sim");
        LineOwner line;
        const QString tool = QStringLiteral("tester");
        line.Open(tool, 2, ToLineSettings(Sel(1, 4, 2, 1, 1, 1)));
        QVERIFY(line.Port().Open());
        QVERIFY(line.Holds(tool));
        QCOMPARE(lines.last->Settings(), (LineSettings{38400, Parity::Odd, 8, 2, Framing::Rtu}));
        line.Close(tool);
        lines.refuseOpen = true;
        QVERIFY_THROWS_EXCEPTION(PortError,
                                 line.Open(tool, 2, ToLineSettings(Sel(1, 4, 2, 1, 1, 1))));
        QVERIFY(!line.Port().Open());
        qunsetenv("VRX_COM2");
    }

    // The Monitor's and the Recorder's time-outs are their engines' (tst_pollcycle,
    // tst_recording); what they share is the silence that ends an RTU reply.
    void replyTicks_data() {
        QTest::addColumn<ComSelections>("selections");
        QTest::addColumn<int>("silence");
        QTest::newRow("RTU 2400") << Sel(0, 0, 1, 1, 0, 1) << 2;
        QTest::newRow("RTU 4800") << Sel(0, 1, 1, 1, 0, 1) << 2;
        QTest::newRow("RTU 9600") << Sel(0, 2, 1, 1, 0, 1) << 1;
        QTest::newRow("RTU 38400") << Sel(0, 4, 1, 1, 0, 1) << 1;
    }
    void replyTicks() {
        QFETCH(ComSelections, selections);
        QFETCH(int, silence);
        QCOMPARE(RtuSilenceTicks(ToLineSettings(selections)), silence);
        QCOMPARE(TesterReplyTicks, 18);
    }
};

VRX_TEST_MAIN(TestComSettings)
#include "tst_comsettings.moc"
