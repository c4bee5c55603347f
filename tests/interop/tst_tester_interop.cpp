// The command tester end to end over real pseudo-terminals: the whole program reads registers
// 4700-4701 of station 1 and writes its set value, in ASCII and in RTU, against vrx-sim and
// against an independent peer, a pymodbus serial server behind a socat pty pair.
#include "commandtester.h"
#include "framecodec.h"
#include "helperprocess.h"
#include "programwindows.h"
#include "radiogroup.h"
#include "scripteddialogs.h"
#include "testerexchange.h"
#include "testmain.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace vrx;
using vrx::test::HelperProcess;
using vrx::test::ScriptedDialogs;
using vrx::test::WaitForFiles;

namespace {

constexpr int Bound = 10000; // ms: the longest any wait may take

} // namespace

class TestTesterInterop : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    // The whole program with COM1 on the given device, at 9600 8N1 in the given framing.
    struct Program {
        Program(const QString& device, bool rtu, const QString& workDir) {
            QDir::setCurrent(workDir); // no settings file of a user
            qputenv("VRX_COM1", device.toLocal8Bit());
            forms = CreateForms();
            forms->VRW0->show();
            forms->VRW1->ComParity->SetItemIndex(0);
            forms->VRW1->ComBitLen->SetItemIndex(1);
            forms->VRW1->ModBus->SetItemIndex(rtu ? 1 : 0);
            forms->VRW0->ToolButton5Click();
            panel = forms->VRW0->TESTPL;
        }
        ScriptedDialogs dialogs;
        std::unique_ptr<Forms> forms;
        TesterPanel* panel = nullptr;
    };

    static QByteArray Exchange(TesterPanel* t, int kind, const QString& func, const QString& data,
                               bool rtu) {
        return test::TesterExchange(t, kind, func, data, rtu, Bound);
    }

    static void ReadWriteReadBack(Program& program, bool rtu, int pv, int sv) {
        TesterPanel* t = program.panel;
        QVERIFY2(program.forms->VRW0->TESTPL->HoldsLine(),
                 qPrintable(program.dialogs.texts().join('|')));

        // Read Register 4700, two words: process value and set value.
        const QByteArray read = Exchange(t, 0, "4700", "2", rtu);
        const ReadReply reply = rtu ? CheckRtuReply(read, 1) : CheckAsciiReply(read, 1);
        QVERIFY2(reply.isGood(), read.toHex().constData());
        QCOMPARE(reply.words.size(), 2);
        if (pv >= 0) QCOMPARE(int(reply.words.at(0)), pv);
        if (sv >= 0) QCOMPARE(int(reply.words.at(1)), sv);

        // Write One Word: the set value to 50.0; the controller echoes the request.
        const QByteArray echo = Exchange(t, 1, "4701", "1F4", rtu);
        QCOMPARE(echo,
                 rtu ? QByteArray::fromHex("0106470101F4CCA9") : QByteArray(":0106470101F4BC"));

        const QByteArray again = Exchange(t, 0, "4701", "1", rtu);
        const ReadReply readBack = rtu ? CheckRtuReply(again, 1) : CheckAsciiReply(again, 1);
        QVERIFY2(readBack.isGood(), again.toHex().constData());
        QCOMPARE(readBack.words, QList<quint16>{0x01F4});
        QVERIFY2(program.dialogs.messages.isEmpty(), qPrintable(program.dialogs.texts().join('|')));
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void againstSimulatedControllers_data() {
        QTest::addColumn<bool>("rtu");
        QTest::newRow("ascii") << false;
        QTest::newRow("rtu") << true;
    }
    void againstSimulatedControllers() {
        QFETCH(bool, rtu);
        const QString link = dir.filePath(QStringLiteral("sim-%1").arg(rtu ? "rtu" : "ascii"));
        HelperProcess sim;
        QVERIFY(sim.Start(QStringLiteral(VRX_SIM_PATH),
                          {"--link", link, "--addresses", "1", "--options", "format=8N1"}));
        QVERIFY2(sim.WaitForLine("/") && WaitForFiles({link}), qPrintable(sim.Errors()));
        Program program(link, rtu, dir.path());
        ReadWriteReadBack(program, rtu, -1, -1);
    }

    void againstPymodbus_data() {
        QTest::addColumn<bool>("rtu");
        QTest::newRow("ascii") << false;
        QTest::newRow("rtu") << true;
    }
    void againstPymodbus() {
        QFETCH(bool, rtu);
        const QString ours = dir.filePath(QStringLiteral("ours-%1").arg(rtu ? "rtu" : "ascii"));
        const QString theirs = dir.filePath(QStringLiteral("theirs-%1").arg(rtu ? "rtu" : "ascii"));
        HelperProcess socat;
        QVERIFY(socat.Start(QStringLiteral("socat"), {"-d", "-d", "pty,raw,echo=0,link=" + ours,
                                                      "pty,raw,echo=0,link=" + theirs}));
        QVERIFY2(WaitForFiles({ours, theirs}), qPrintable(socat.Errors()));
        HelperProcess server;
        // Debian's pymodbus is installed for the system interpreter only.
        QVERIFY(
            server.Start(QStringLiteral("/usr/bin/python3"),
                         {QStringLiteral(TESTER_SERVER_SCRIPT), theirs, rtu ? "rtu" : "ascii"}));
        QVERIFY2(server.WaitForLine("ready"), qPrintable(server.Errors()));
        Program program(ours, rtu, dir.path());
        ReadWriteReadBack(program, rtu, 0x00FA, 0x0190);
    }
};

VRX_TEST_MAIN(TestTesterInterop)
#include "tst_tester_interop.moc"
