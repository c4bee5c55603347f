// The tools over network lines against independent peers and vrx-sim: the Monitor's polling
// session against pymodbus TCP servers standing for a transparent serial server (RTU and ASCII
// framers over TCP) and a Modbus TCP gateway; the command tester and the Recorder's engine
// against vrx-sim serving as a serial server, as a gateway, and as a gateway that calls in to a
// listen: line.
#include "commandtester.h"
#include "framecodec.h"
#include "freeport.h"
#include "helperprocess.h"
#include "monitorwindow.h"
#include "pollengine.h"
#include "programeditor.h"
#include "programwindows.h"
#include "radiogroup.h"
#include "recordengine.h"
#include "scripteddialogs.h"
#include "testerexchange.h"
#include "testmain.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace vrx;
using vrx::test::HelperProcess;
using vrx::test::ScriptedDialogs;

namespace {

constexpr int Bound = 15000; // ms: the longest any wait may take

using test::FreePort;

} // namespace

class TestTcpInterop : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    struct Program {
        Program(const QString& com1, bool rtu, const QString& workDir) {
            QDir::setCurrent(workDir);
            qputenv("VRX_COM1", com1.toLocal8Bit());
            forms = CreateForms();
            forms->VRW0->show();
            forms->VRW1->ComParity->SetItemIndex(0);
            forms->VRW1->ComBitLen->SetItemIndex(1);
            forms->VRW1->ModBus->SetItemIndex(rtu ? 1 : 0);
        }
        ScriptedDialogs dialogs;
        std::unique_ptr<Forms> forms;
    };

    static QByteArray TesterExchange(TesterPanel* t, int kind, const QString& func,
                                     const QString& data, bool rtu) {
        return test::TesterExchange(t, kind, func, data, rtu, Bound);
    }

    // vrx-sim serving on the form's far end: a serial server or a gateway on a free port, or
    // a gateway that calls in to a port the program listens on.
    static bool StartSim(HelperProcess& sim, const QString& form, const QStringList& options,
                         quint16* port) {
        if (form == "listen") {
            *port = FreePort();
            return sim.Start(QStringLiteral(VRX_SIM_PATH),
                             QStringList{"--connect", QStringLiteral("127.0.0.1:%1").arg(*port)} +
                                 options) &&
                   sim.WaitForLine("calling");
        }
        if (!sim.Start(QStringLiteral(VRX_SIM_PATH),
                       QStringList{"--" + form, "127.0.0.1:0"} + options) ||
            !sim.WaitForLine("listening on"))
            return false;
        *port = sim.LastPort();
        return true;
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    // The Recorder's engine samples two controllers over each form; a third position names a
    // station that is not there, which a gateway answers with exception 0x0B: that position is
    // dropped as a device that does not answer, and the line goes on.
    void recorderOverEachForm_data() { testerOverEachForm_data(); }
    void recorderOverEachForm() {
        QFETCH(QString, form);
        QFETCH(bool, rtu);
        HelperProcess sim;
        quint16 port = 0;
        QVERIFY2(StartSim(sim, form, {"--addresses", "1,2"}, &port), qPrintable(sim.Errors()));
        qputenv("VRX_COM1", QStringLiteral("%1:127.0.0.1:%2").arg(form).arg(port).toLatin1());
        ComSelections settings;
        settings.parity = 0;
        settings.bitLen = 1;
        settings.modBus = rtu ? 1 : 0;
        LineOwner line;
        line.Open(QString::fromLatin1(RecordEngine::LineTool), 1, ToLineSettings(settings));
        RecordEngine engine(line);
        engine.SetLineSettings(ToLineSettings(settings));
        QList<CycleReport> cycles;
        QList<QList<int>> drops;
        QStringList failures;
        connect(&engine, &RecordEngine::cycleCompleted, &engine,
                [&](const CycleReport& r) { cycles << r; });
        connect(&engine, &RecordEngine::devicesDropped, &engine,
                [&](const QList<int>& positions, bool) { drops << positions; });
        connect(&engine, &RecordEngine::lineFailed, &engine,
                [&](const QString& text) { failures << text; });
        QVERIFY(engine.Start({1, 2, 9, 0, 0, 0, 0, 0}, 1));
        QTRY_VERIFY_WITH_TIMEOUT(!drops.isEmpty() && cycles.size() >= 2, 30000);
        QCOMPARE(drops.first(), QList<int>{2});
        for (const CycleReport& cycle : cycles) {
            // A tick while the absent device was still tried is a line of its own, all `---`.
            if (cycle.missed) continue;
            QVERIFY(cycle.readings[0].answered);
            QVERIFY(cycle.readings[1].answered);
            QVERIFY(!cycle.readings[2].answered);
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join('|')));
        QVERIFY(line.Holds(QString::fromLatin1(RecordEngine::LineTool)));
        engine.Stop();
    }

    // The tester reads, writes and reads back over each form, in both framings.
    void testerOverEachForm_data() {
        QTest::addColumn<QString>("form");
        QTest::addColumn<bool>("rtu");
        for (const char* form : {"tcp", "mbtcp", "listen"}) {
            QTest::addRow("%s ascii", form) << QString::fromLatin1(form) << false;
            QTest::addRow("%s rtu", form) << QString::fromLatin1(form) << true;
        }
    }
    void testerOverEachForm() {
        QFETCH(QString, form);
        QFETCH(bool, rtu);
        HelperProcess sim;
        quint16 port = 0;
        QVERIFY2(StartSim(sim, form, {"--addresses", "1"}, &port), qPrintable(sim.Errors()));
        Program program(QStringLiteral("%1:127.0.0.1:%2").arg(form).arg(port), rtu, dir.path());
        program.forms->VRW0->ToolButton5Click();
        TesterPanel* t = program.forms->VRW0->TESTPL;

        const QByteArray read = TesterExchange(t, 0, "4700", "2", rtu);
        const ReadReply reply = rtu ? CheckRtuReply(read, 1) : CheckAsciiReply(read, 1);
        QVERIFY2(reply.isGood(), read.toHex().constData());
        const QByteArray echo = TesterExchange(t, 1, "4701", "1F4", rtu);
        QCOMPARE(echo,
                 rtu ? QByteArray::fromHex("0106470101F4CCA9") : QByteArray(":0106470101F4BC"));
        const QByteArray again = TesterExchange(t, 0, "4701", "1", rtu);
        const ReadReply readBack = rtu ? CheckRtuReply(again, 1) : CheckAsciiReply(again, 1);
        QVERIFY2(readBack.isGood(), again.toHex().constData());
        QCOMPARE(readBack.words, QList<quint16>{0x01F4});
        // A station that is not there (the gateway says so with exception 0x0B): a time-out,
        // not a line error; the tester shows "Time out" in ASCII and nothing in RTU.
        t->SCOMAddr->setText(QStringLiteral("9"));
        QTest::mouseClick(t->SendBt, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!t->AwaitingReply(), Bound);
        QCOMPARE(t->RcvEdit->text(), rtu ? QString() : QString("Time out"));
        QVERIFY(t->HoldsLine());
        QVERIFY2(program.dialogs.messages.isEmpty(), qPrintable(program.dialogs.texts().join('|')));
    }

    // The Monitor and the ramp/soak editor through its engine on a listen: line, vrx-sim's
    // demo controllers calling in: the Monitor waits for the gateway without a message, shows
    // the values once it stands, and the editor reads the program of station 3.
    void monitorAndEditorOnAListenLine_data() {
        QTest::addColumn<bool>("rtu");
        QTest::newRow("ascii") << false;
        QTest::newRow("rtu") << true;
    }
    void monitorAndEditorOnAListenLine() {
        QFETCH(bool, rtu);
        const quint16 port = FreePort();
        Program program(QStringLiteral("listen:127.0.0.1:%1").arg(port), rtu, dir.path());
        program.forms->VRW0->Monitor1Click();
        TVRW2* m = program.forms->VRW2.get();
        QVERIFY2(m->HoldsLine(), qPrintable(program.dialogs.texts().join('|')));
        QTest::mouseClick(m->RunBt[3], Qt::LeftButton);
        HelperProcess sim; // calls in only now: the line has been waiting for it
        QVERIFY(sim.Start(QStringLiteral(VRX_SIM_PATH),
                          {"--connect", QStringLiteral("127.0.0.1:%1").arg(port)}));
        QTRY_VERIFY_WITH_TIMEOUT(!m->EditP[3]->text().trimmed().isEmpty(), Bound);
        QTest::mouseClick(m->Image[3], Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(m->ProgBt->isEnabled(), Bound);
        QTest::mouseClick(m->ProgBt, Qt::LeftButton);
        TVRX5* editor = program.forms->VRX5.get();
        QVERIFY(editor->isVisible());
        QTest::mouseClick(editor->ReadSBt, Qt::LeftButton);
        QVERIFY(editor->UpLoadBarP->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!editor->UpLoadBarP->isVisible(), 60000);
        QVERIFY(editor->EditPBt->isEnabled());
        // The demo's station 3 runs a program of its own: its first pattern has steps.
        QVERIFY(editor->ProgTable->item(1, 1)->text().toInt() > 0);
        QCOMPARE(m->Engine.State().ErrorCount[3], 0);
        QVERIFY2(program.dialogs.messages.isEmpty(), qPrintable(program.dialogs.texts().join('|')));
        editor->RetBtClick();
        m->close();
    }

    // The Monitor polls two controllers through pymodbus, shows their values and settings, and
    // writes a set value that it then reads back.
    void monitorAgainstPymodbus_data() {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("framer");
        QTest::addColumn<bool>("rtu");
        QTest::newRow("tcp: serial server, rtu") << "tcp"
                                                 << "rtu" << true;
        QTest::newRow("tcp: serial server, ascii") << "tcp"
                                                   << "ascii" << false;
        QTest::newRow("mbtcp: gateway, program in rtu") << "mbtcp"
                                                        << "socket" << true;
        QTest::newRow("mbtcp: gateway, program in ascii") << "mbtcp"
                                                          << "socket" << false;
    }
    void monitorAgainstPymodbus() {
        QFETCH(QString, form);
        QFETCH(QString, framer);
        QFETCH(bool, rtu);
        HelperProcess server;
        // Debian's pymodbus is installed for the system interpreter only.
        QVERIFY(server.Start("/usr/bin/python3", {TCP_SERVER_SCRIPT, framer}));
        QVERIFY2(server.WaitForLine("ready"), qPrintable(server.Errors()));
        Program program(QStringLiteral("%1:127.0.0.1:%2").arg(form).arg(server.LastPort()), rtu,
                        dir.path());
        program.forms->VRW0->Monitor1Click();
        TVRW2* m = program.forms->VRW2.get();
        QVERIFY2(m->HoldsLine(), qPrintable(program.dialogs.texts().join('|')));
        m->ComAddr[1]->setValue(1);
        m->ComAddr[2]->setValue(2);
        QTest::mouseClick(m->RunBt[1], Qt::LeftButton);
        QTest::mouseClick(m->RunBt[2], Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(m->EditP[2]->text(), QString(" - 10.5"), Bound);
        QCOMPARE(m->EditP[1]->text(), "   25.0");
        QCOMPARE(m->EditS[1]->text(), " 100.0");
        QTRY_VERIFY_WITH_TIMEOUT(m->CtrlBox->isVisible(), Bound);
        QCOMPARE(m->FWVersion->text(), "Firmware Version 1.12");

        QTest::mouseClick(m->Image[2], Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(m->Combo("CtrlSet")->currentText(), QString("ON-OFF"), Bound);
        m->Edit("SetV")->selectAll();
        QTest::keyClicks(m->Edit("SetV"), "-10.0");
        QTest::keyClick(m->Edit("SetV"), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(m->EditS[2]->text(), QString(" - 10.0"), Bound);
        for (int st = 1; st <= 2; ++st)
            QCOMPARE(m->Engine.State().ErrorCount[st], 0);
        QVERIFY2(program.dialogs.messages.isEmpty(), qPrintable(program.dialogs.texts().join('|')));
        m->close();
    }

    // The desktop program through the recorder's hub: `vrxcom record --serve` records two of
    // vrx-sim's controllers on a pty while the Monitor, on mbtcp: to the hub, polls four and
    // writes a set value; the record misses no sample meanwhile.
    void monitorThroughTheHub_data() {
        QTest::addColumn<QString>("framing");
        QTest::newRow("rtu line") << "rtu";
        QTest::newRow("ascii line") << "ascii";
    }
    void monitorThroughTheHub() {
        QFETCH(QString, framing);
        QTemporaryDir where;
        const QString link = where.filePath("line");
        HelperProcess sim;
        QVERIFY(sim.Start(QStringLiteral(VRX_SIM_PATH),
                          {"--link", link, "--mode", framing, "--addresses", "1-4"}));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(link), Bound);
        const int port = FreePort();
        QProcess recorder;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("VRX_COM1");
        env.remove("JOURNAL_STREAM");
        recorder.setProcessEnvironment(env);
        recorder.start(QStringLiteral(VRXCOM_PATH),
                       {"record", "--device", link, "--baud", "9600", "--format", "8N1",
                        "--framing", framing, "--addresses", "1,2", "--out",
                        where.filePath("rec.txt"), "--serve", QString::number(port),
                        "--serve-writes"});
        QVERIFY(recorder.waitForStarted(Bound));
        QByteArray log;
        QTRY_VERIFY_WITH_TIMEOUT((log += recorder.readAllStandardError()).contains("serving COM1"),
                                 Bound);

        Program program(QStringLiteral("mbtcp:127.0.0.1:%1").arg(port), framing == "rtu",
                        dir.path());
        program.forms->VRW0->Monitor1Click();
        TVRW2* m = program.forms->VRW2.get();
        QVERIFY2(m->HoldsLine(), qPrintable(program.dialogs.texts().join('|')));
        for (int st = 1; st <= 4; ++st) {
            m->ComAddr[st]->setValue(st);
            QTest::mouseClick(m->RunBt[st], Qt::LeftButton);
        }
        for (int st = 1; st <= 4; ++st)
            QTRY_VERIFY_WITH_TIMEOUT(!m->EditP[st]->text().trimmed().isEmpty(), Bound);
        QTest::mouseClick(m->Image[2], Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(m->CtrlBox->isVisible(), Bound);
        m->Edit("SetV")->selectAll();
        QTest::keyClicks(m->Edit("SetV"), "44.4");
        QTest::keyClick(m->Edit("SetV"), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(m->EditS[2]->text(), QString("   44.4"), Bound);
        // A station's whole parameter set read through the hub, as for a parameter file.
        QTRY_VERIFY_WITH_TIMEOUT(m->LoadBt->isEnabled(), Bound);
        QTest::mouseClick(m->LoadBt, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(m->Engine.State().BufferLoaded && m->SaveBt->isEnabled(),
                                 60000);
        // A few more samples of the recording beside the Monitor's polling.
        const auto samples = [&] {
            QFile f(where.filePath("rec.txt"));
            return f.open(QIODevice::ReadOnly) ? f.readAll().count('\n') - 1 : 0;
        };
        const qsizetype written = samples();
        QTRY_VERIFY_WITH_TIMEOUT(samples() >= written + 3, Bound);
        for (int st = 1; st <= 4; ++st)
            QCOMPARE(m->Engine.State().ErrorCount[st], 0);
        QVERIFY2(program.dialogs.messages.isEmpty(), qPrintable(program.dialogs.texts().join('|')));
        m->close();

        ::kill(pid_t(recorder.processId()), SIGTERM);
        QVERIFY(recorder.waitForFinished(Bound));
        QCOMPARE(recorder.exitCode(), 0);
        log += recorder.readAllStandardError();
        QVERIFY2(log.contains("writes 06 47 01 01 BC: done"), log.constData());
        QFile record(where.filePath("rec.txt"));
        QVERIFY(record.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = record.readAll().split('\n');
        QVERIFY(lines.size() > 6);
        for (const QByteArray& line : lines.mid(1, lines.size() - 3))
            QVERIFY2(!line.contains("---"), line.constData());
        // The set value written through the hub is in the recording's last samples.
        QVERIFY2(lines[lines.size() - 3].contains(" 444 "), lines[lines.size() - 3].constData());
    }
};

VRX_TEST_MAIN(TestTcpInterop)
#include "tst_tcp_interop.moc"
