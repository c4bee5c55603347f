// The Monitor against an independent peer: a pymodbus serial server with two controllers behind
// a socat pty pair. A short polling session in ASCII and in RTU: both stations' values and the
// selected one's settings shown, another station selected, and values typed by the user (a
// negative set value, a calibration value behind the key) written and read back.
#include "helperprocess.h"
#include "monitorwindow.h"
#include "programwindows.h"
#include "radiogroup.h"
#include "scripteddialogs.h"
#include "testmain.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

using namespace vrx;
using vrx::test::HelperProcess;
using vrx::test::ScriptedDialogs;
using vrx::test::WaitForFiles;

namespace {

constexpr int Bound = 15000; // ms: the longest any wait may take

} // namespace

class TestMonitorInterop : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void pollingSession_data() {
        QTest::addColumn<bool>("rtu");
        QTest::newRow("ascii") << false;
        QTest::newRow("rtu") << true;
    }
    void pollingSession() {
        QFETCH(bool, rtu);
        const QString mode = rtu ? "rtu" : "ascii";
        const QString ours = dir.filePath("ours-" + mode);
        const QString theirs = dir.filePath("theirs-" + mode);
        HelperProcess socat;
        QVERIFY(socat.Start(
            "socat", {"-d", "-d", "pty,raw,echo=0,link=" + ours, "pty,raw,echo=0,link=" + theirs}));
        QVERIFY2(WaitForFiles({ours, theirs}), qPrintable(socat.Errors()));
        HelperProcess server;
        // Debian's pymodbus is installed for the system interpreter only.
        QVERIFY(server.Start("/usr/bin/python3", {MONITOR_SERVER_SCRIPT, theirs, mode}));
        QVERIFY2(server.WaitForLine("ready"), qPrintable(server.Errors()));

        QDir::setCurrent(dir.path());
        qputenv("VRX_COM1", ours.toLocal8Bit());
        ScriptedDialogs dialogs;
        const auto forms = CreateForms();
        forms->VRW0->show();
        forms->VRW1->ComParity->SetItemIndex(0);
        forms->VRW1->ComBitLen->SetItemIndex(1);
        forms->VRW1->ModBus->SetItemIndex(rtu ? 1 : 0);
        forms->VRW0->Monitor1Click();
        TVRW2* m = forms->VRW2.get();
        QVERIFY2(m->HoldsLine(), qPrintable(dialogs.texts().join('|')));
        m->ComAddr[1]->setValue(1);
        m->ComAddr[2]->setValue(2);
        QTest::mouseClick(m->RunBt[1], Qt::LeftButton);
        QTest::mouseClick(m->RunBt[2], Qt::LeftButton);

        QTRY_COMPARE_WITH_TIMEOUT(m->EditP[2]->text(), QString(" - 10.5"), Bound);
        QCOMPARE(m->EditP[1]->text(), "   25.0");
        QCOMPARE(m->EditS[1]->text(), " 100.0");
        QCOMPARE(m->OutQty1[1]->value(), 455);
        QTRY_VERIFY_WITH_TIMEOUT(m->CtrlBox->isVisible(), Bound);
        QCOMPARE(m->Combo("CtrlSet")->currentText(), "PID");
        QCOMPARE(m->Edit("SetV")->text(), "100.0");
        QCOMPARE(m->Edit("UpLimit")->text(), "1300.0");
        QCOMPARE(m->Edit("DnLimit")->text(), "-200.0");
        QCOMPARE(m->Edit("KP")->text(), "47.6");
        QCOMPARE(m->Edit("Coeff")->text(), "1.20");
        QCOMPARE(m->FWVersion->text(), "Firmware Version 1.12");

        QTest::mouseClick(m->Image[2], Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(m->Combo("CtrlSet")->currentText(), QString("ON-OFF"), Bound);
        QTRY_VERIFY_WITH_TIMEOUT(m->OnOffBox->isVisible(), Bound);
        QCOMPARE(m->Edit("Hyst1")->text(), "1.0");

        // Values the user types are written to station 2 and read back from it: a negative set
        // value, then in the hidden mode a calibration value that goes behind the key.
        const auto type = [](QLineEdit* edit, const QString& text) {
            edit->selectAll();
            QTest::keyClicks(edit, text);
            QTest::keyClick(edit, Qt::Key_Return);
        };
        type(m->Edit("SetV"), "-10.0");
        QTRY_COMPARE_WITH_TIMEOUT(m->EditS[2]->text(), QString(" - 10.0"), Bound);
        QTRY_COMPARE_WITH_TIMEOUT(m->Edit("SetV")->text(), QString("-10.0"), Bound);
        QTest::mouseDClick(m->FWVersion, Qt::LeftButton);
        QTest::keyClicks(m->PassEdit, "KXQ");
        QTRY_VERIFY_WITH_TIMEOUT(m->Edit("TCOfs")->isVisible(), Bound);
        QCOMPARE(m->Edit("TCOfs")->text(), "0");
        type(m->Edit("TCOfs"), "-5");
        QTRY_COMPARE_WITH_TIMEOUT(m->Edit("TCOfs")->text(), QString("-5"), Bound);

        for (int st = 1; st <= 2; ++st)
            QCOMPARE(m->Engine.State().ErrorCount[st], 0);
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.texts().join('|')));
        m->close();
    }
};

VRX_TEST_MAIN(TestMonitorInterop)
#include "tst_monitor_interop.moc"
