// The Find controllers window in the whole program: opened from the Protocol window and the Main
// window's toolbar, its progress and the devices as they are found, Cancel, "Use these
// settings", and the line held by another tool. The simulated line runs on a manual clock.
#include "manualtime.h"
#include "programwindows.h"
#include "radiogroup.h"
#include "scripteddialogs.h"
#include "simulatedline.h"
#include "testmain.h"
#include "traffic.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace vrx;

namespace {

const QString Busy = QStringLiteral("COM port in use, Shut down other program first !");

QStringList Row(const QTableWidget* grid, int row) {
    QStringList cells;
    for (int c = 0; c < grid->columnCount(); ++c)
        cells << grid->item(row, c)->text();
    return cells;
}

} // namespace

class TestScanWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString home_;
    std::unique_ptr<test::ScriptedDialogs> dialogs_;
    std::unique_ptr<test::ManualTime> clock_;
    std::unique_ptr<Forms> forms_;

    void Start(const QByteArray& com2) {
        qputenv("VRX_COM2", com2);
        forms_ = CreateForms();
        forms_->VRW0->show();
        QVERIFY(QTest::qWaitForWindowExposed(forms_->VRW0.get()));
        forms_->VRW1->ComPort->SetItemIndex(1);
    }
    // Runs the line until the scan ends, or for at most `ms` of line time.
    void RunScan(qint64 ms = 10 * 60 * 1000) {
        for (qint64 t = 0; forms_->Scan->Runner().Running() && t < ms; t += 500)
            clock_->Run(500);
    }

private slots:
    void initTestCase() {
        home_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        sim::InstallSimulatedLine();
    }
    void cleanupTestCase() { QDir::setCurrent(home_); }
    void init() {
        QFile::remove(QStringLiteral("SETVRX.$$$"));
        dialogs_ = std::make_unique<test::ScriptedDialogs>();
        clock_ = std::make_unique<test::ManualTime>();
    }
    void cleanup() {
        forms_.reset();
        clock_.reset();
        dialogs_.reset();
    }

    void findFromTheProtocolWindowAndUseTheSettings() {
        Start("sim:addresses=3,6:baud=19200:format=8E1:mode=rtu");
        forms_->VRW0->SetCommunication1Click();
        QTest::mouseClick(forms_->VRW1->FindBt, Qt::LeftButton);
        ScanForm& scan = *forms_->Scan;
        QVERIFY(scan.isVisible());
        QCOMPARE(scan.ComBox->currentText(), QStringLiteral("COM2"));
        scan.AddressEdit->setText(QStringLiteral("1-8"));
        QTest::mouseClick(scan.FindBt, Qt::LeftButton);
        QVERIFY(scan.Runner().Running());
        QVERIFY(!scan.FindBt->isEnabled());
        QVERIFY(scan.CancelBt->isEnabled());
        QVERIFY(!scan.UseBt->isEnabled());
        RunScan();
        QVERIFY(!scan.Runner().Running());
        QCOMPARE(scan.FoundGrid->rowCount(), 2);
        const QStringList first = Row(scan.FoundGrid, 0);
        QCOMPARE(first.mid(0, 5), (QStringList{"3", "RTU", "19200", "8E1", "VRX controller"}));
        QVERIFY2(first[5].endsWith(QStringLiteral(" °C")), qPrintable(first[5]));
        QCOMPARE(first[6], QStringLiteral("1.12"));
        QCOMPARE(Row(scan.FoundGrid, 1)[0], QStringLiteral("6"));
        QCOMPARE(scan.ScanGauge->value(), 100);
        QVERIFY(scan.UseBt->isEnabled());

        // The Monitor's fourth box had an address of its own: it is emptied.
        forms_->VRW2->ComAddr[4]->setValue(9);
        const quint64 frames = TrafficFeed::Instance().Frames().Added();
        QTest::mouseClick(scan.UseBt, Qt::LeftButton);
        QVERIFY(dialogs_->messages.isEmpty());
        const ComSelections s = forms_->VRW1->Selections();
        QCOMPARE(s, (ComSelections{1, 3, 1, 1, 0, 1})); // COM2, 19200, even, 8 bits, 1, RTU
        QVERIFY(!forms_->VRW1->ComBitLen->isEnabled());
        QList<int> monitor, recorder;
        for (int st = 1; st <= 4; ++st)
            monitor << forms_->VRW2->ComAddr[st]->value();
        for (QSpinBox* box : forms_->VRW3->ComAddrs)
            recorder << box->value();
        QCOMPARE(monitor, (QList<int>{3, 6, 0, 0}));
        QCOMPARE(recorder, (QList<int>{3, 6, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(ReadSettingsFile(QStringLiteral("SETVRX.$$$")), PackSettings(s));
        // Set up, not started: nothing went on the line and nobody holds it.
        clock_->Run(2000);
        QCOMPARE(TrafficFeed::Instance().Frames().Added(), frames);
        QVERIFY(forms_->Line->Holder().isEmpty());
    }

    void progressFoundRowsAndCancel() {
        // One controller at the first setting tried; the rest of the range takes long.
        Start("sim:addresses=2:baud=9600:format=7E1:mode=ascii");
        QTest::mouseClick(forms_->VRW0->findChild<QToolButton*>("ScanButton"), Qt::LeftButton);
        ScanForm& scan = *forms_->Scan;
        QVERIFY(scan.isVisible());
        QTest::mouseClick(scan.FindBt, Qt::LeftButton);
        RunScan(2000);
        QVERIFY(scan.Runner().Running());
        QCOMPARE(scan.FoundGrid->rowCount(), 1);
        QCOMPARE(Row(scan.FoundGrid, 0).mid(0, 4), (QStringList{"2", "ASCII", "9600", "7E1"}));
        QVERIFY2(scan.TryingLB->text().startsWith(QStringLiteral("Trying address ")),
                 qPrintable(scan.TryingLB->text()));
        QVERIFY2(scan.TryingLB->text().contains(QStringLiteral(" left")),
                 qPrintable(scan.TryingLB->text()));
        QVERIFY(scan.ScanGauge->value() < 100);
        // Another tool is refused while the scan holds the line.
        forms_->VRW0->Monitor1Click();
        QCOMPARE(dialogs_->messages.size(), 1);
        QCOMPARE(dialogs_->messages.last().text, Busy);

        QTest::mouseClick(scan.CancelBt, Qt::LeftButton);
        QVERIFY(!scan.Runner().Running());
        QVERIFY(!forms_->Line->Port().Open());
        QVERIFY(forms_->Line->Holder().isEmpty());
        QVERIFY(scan.FindBt->isEnabled());
        QVERIFY(!scan.CancelBt->isEnabled());
        QVERIFY(scan.UseBt->isEnabled());
        QCOMPARE(scan.TryingLB->text(), QStringLiteral("Cancelled; the line is as it was."));
    }

    void refusedWhileAnotherToolHoldsTheLine() {
        Start("sim");
        forms_->Line->Open(QString::fromLatin1(line_tool::Recorder), 2, LineSettings{});
        QTest::mouseClick(forms_->VRW0->findChild<QToolButton*>("ScanButton"), Qt::LeftButton);
        QCOMPARE(dialogs_->messages.size(), 1);
        QCOMPARE(dialogs_->messages.last().text, Busy);
        QVERIFY(!forms_->Scan || !forms_->Scan->isVisible());

        // Opened before the tool took the line: Find gives the line's own reason.
        forms_->Line->Close(QString::fromLatin1(line_tool::Recorder));
        QTest::mouseClick(forms_->VRW0->findChild<QToolButton*>("ScanButton"), Qt::LeftButton);
        forms_->Line->Open(QString::fromLatin1(line_tool::Recorder), 2, LineSettings{});
        QTest::mouseClick(forms_->Scan->FindBt, Qt::LeftButton);
        QCOMPARE(dialogs_->messages.size(), 2);
        QCOMPARE(dialogs_->messages.last().text,
                 QStringLiteral("The line is in use by the Recorder"));
        QVERIFY(!forms_->Scan->Runner().Running());
        QCOMPARE(forms_->Line->Holder(), QString::fromLatin1(line_tool::Recorder));
    }

    void wrongChoicesAreSaid_data() {
        QTest::addColumn<QString>("addresses");
        QTest::addColumn<QString>("formats");
        QTest::addColumn<bool>("noRtu");
        QTest::addColumn<QString>("message");
        QTest::newRow("broadcast")
            << "0-5"
            << "" << false << "'0-5' is not a list of addresses from 1 to 247, as 1-32,40";
        QTest::newRow("format") << "1"
                                << "8N1,9X9" << false
                                << "'9X9' is not data bits (7 or 8), parity (N, E or O) and stop "
                                   "bits (1 or 2), as 8E1";
        QTest::newRow("rtu only, 7 bits")
            << "1"
            << "7E1" << true << "RTU needs a format with 8 data bits.";
    }
    void wrongChoicesAreSaid() {
        QFETCH(QString, addresses);
        QFETCH(QString, formats);
        QFETCH(bool, noRtu);
        QFETCH(QString, message);
        Start("sim");
        forms_->VRW0->ScanButtonClick();
        ScanForm& scan = *forms_->Scan;
        scan.AddressEdit->setText(addresses);
        scan.FormatEdit->setText(formats);
        scan.AsciiBox->setChecked(!noRtu);
        QTest::mouseClick(scan.FindBt, Qt::LeftButton);
        QCOMPARE(dialogs_->messages.size(), 1);
        QCOMPARE(dialogs_->messages.last().text, message);
        QVERIFY(!scan.Runner().Running());
        QVERIFY(!forms_->Line->Port().Open());
    }
};

VRX_TEST_MAIN(TestScanWindow)
#include "tst_scanwindow.moc"
