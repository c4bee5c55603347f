// The Monitor window's editing side as the user works it, in the whole program with simulated
// controllers on a manual clock: values typed and items chosen leave the port as write frames,
// reach the controller and are read back; the unlock, the two commands and their confirmation,
// refused and rejected values, the hidden mode, the trace row and its counters, the edit
// permission, the two views with the trend chart, and the program button.
#include "glyphs.h"
#include "monitorprogram.h"
#include "shape.h"
#include "testmain.h"

#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>

using namespace vrx;
using vrx::test::Boxes;
using vrx::test::Program;

namespace {

const QColor Red(255, 0, 0);
const QColor Teal(0, 128, 128);

const QByteArray Unlock = ":0106472A7E5BAF";

// What the hidden mode adds to the window.
const QStringList HiddenControls = {
    "RTDGainLB", "RTDGain",  "RTDOfsLB",    "RTDOfs",     "ColdLB",      "ColdOfs",   "TCOfsLB",
    "TCOfs",     "TCGainLB", "TCGain",      "mVOfsLB",    "mVOfs",       "mVGainLB",  "mVGain",
    "ClearBt1",  "ClearBt2", "OutputType1", "OutType1LB", "OutputType2", "OutType2LB"};

// What the edit permission switches, ComWrite aside.
const QStringList EditingControls = {
    "AT",       "CtrlSet", "HeatCool",  "RunStop",   "TempBox", "InputType", "Pointer",
    "DegUnit",  "ManuBox", "OnOffBox",  "PIDBox",    "AlmBox",  "ALM1Mode",  "ALM2Mode",
    "ALM3Mode", "SALMode", "AdjustBox", "FWVersion", "LoadBt",  "LockStatus"};

} // namespace

class TestMonitorEdit : public QObject {
    Q_OBJECT

    std::unique_ptr<Program> p;
    TVRW2* m = nullptr;

    // Station 1 connected, its settings on screen; the Monitor is opened unless it is already.
    bool Start(bool rtu = false) {
        if (!m->isVisible()) p->Open(rtu);
        p->Connect(1);
        return p->RunUntil(
            [this] { return m->CtrlBox->isVisible() && !m->Engine.State().SettingsReread; });
    }
    void TypeInPassEdit(const QString& text) {
        if (!m->PassEdit->isVisible()) QTest::mouseDClick(m->FWVersion, Qt::LeftButton);
        m->PassEdit->selectAll();
        QTest::keyClicks(m->PassEdit, text);
    }
    bool EnterHiddenMode() {
        TypeInPassEdit("KXQ");
        return p->RunUntil([this] { return m->HiddenShown; });
    }
    bool AllShown(const QStringList& names, bool shown) const {
        for (const QString& name : names)
            if (p->Find(name)->isVisible() != shown) return false;
        return true;
    }
    QString Shown(const QString& box) const {
        if (QLineEdit* edit = m->Edit(box)) return edit->text();
        return m->Combo(box)->currentText();
    }

private slots:
    void init() {
        p = std::make_unique<Program>();
        m = p->monitor;
    }
    void cleanup() { p.reset(); }

    void writesReachTheController_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<QString>("action"); // type, choose, restore, clear
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QByteArrayList>("frames"); // ASCII, without CR LF
        QTest::addColumn<int>("reg");               // -1: no register to look at
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("shown"); // the box after the read-back; empty: not looked at
        for (const bool rtu : {false, true}) {
            const auto row = [rtu](const char* name) -> QTestData& {
                return QTest::newRow(qPrintable((rtu ? "rtu " : "ascii ") + QString(name))) << rtu;
            };
            row("SetV 25") << "type"
                           << "SetV"
                           << "25" << true << QByteArrayList{":0106470100FAB7"} << 0x4701 << 250
                           << "25.0";
            row("SetV -10.0, negative") << "type"
                                        << "SetV"
                                        << "-10.0" << true << QByteArrayList{":01064701FF9C16"}
                                        << 0x4701 << 0xFF9C << "-10.0";
            row("SetV empty is 0")
                << "type"
                << "SetV"
                << "" << true << QByteArrayList{":010647010000B1"} << 0x4701 << 0 << "0.0";
            row("KI 25, whole") << "type"
                                << "KI"
                                << "25" << true << QByteArrayList{":0106470D00198C"} << 0x470D << 25
                                << "25";
            row("KD 12.3, fraction cut")
                << "type"
                << "KD"
                << "12.3" << true << QByteArrayList{":0106470E000C98"} << 0x470E << 12 << "12";
            row("TPOffs -0.5") << "type"
                               << "TPOffs"
                               << "-0.5" << true << QByteArrayList{":0106471DFFFB9B"} << 0x471D
                               << 0xFFFB << "-0.5";
            row("Coeff 1.20, hundredths")
                << "type"
                << "Coeff"
                << "1.20" << true << QByteArrayList{":01064711007829"} << 0x4711 << 120 << "1.20";
            row("RTDOfs -5, behind the key")
                << "type"
                << "RTDOfs"
                << "-5" << true << QByteArrayList{Unlock, ":01064732FFCEB3"} << 0x4732 << 0xFFCE
                << "-5.0";
            row("TCGain -5, behind the key")
                << "type"
                << "TCGain"
                << "-5" << true << QByteArrayList{Unlock, ":01064735FFFB83"} << 0x4735 << 0xFFFB
                << "-5";
            for (const char* rejected : {"1 2", "1,5", "1.", "abc"})
                row(qPrintable(QStringLiteral("SetV '%1' not sent").arg(rejected)))
                    << "type"
                    << "SetV" << rejected << true << QByteArrayList{} << 0x4701 << 1500
                    << rejected; // kept as typed, silently
            row("LockStatus Except SV") << "choose"
                                        << "LockStatus"
                                        << "Except SV" << true << QByteArrayList{":0106471E000B89"}
                                        << 0x471E << 0x0B << "Except SV";
            row("InputType 0~50mV") << "choose"
                                    << "InputType"
                                    << "0~50mV" << true << QByteArrayList{":01064718001189"}
                                    << 0x4718 << 17 << "0~50mV";
            row("ALM1Mode CT Alarm") << "choose"
                                     << "ALM1Mode"
                                     << "CT Alarm" << true << QByteArrayList{":01064720000D85"}
                                     << 0x4720 << 13 << "CT Alarm";
            row("OutputType1 4~20mA, behind the key")
                << "choose"
                << "OutputType1"
                << "4~20mA" << true << QByteArrayList{Unlock, ":01064730000280"} << 0x4730 << 2
                << "4~20mA";
            row("Restore Default Setting, OK")
                << "restore"
                << ""
                << "" << true << QByteArrayList{Unlock, ":0106474E7E5B8B"} << 0x4701 << 0 << "";
            row("Restore Default Setting, Cancel")
                << "restore"
                << ""
                << "" << false << QByteArrayList{} << 0x4701 << 1500 << "";
            row("Clear PV Adjust Value, OK")
                << "clear"
                << ""
                << "" << true << QByteArrayList{Unlock, ":0106474F7E5B8A"} << 0x471D << 0 << "";
            row("Clear PV Adjust Value, Cancel")
                << "clear"
                << ""
                << "" << false << QByteArrayList{} << 0x471D << 5 << "";
        }
    }
    void writesReachTheController() {
        QFETCH(bool, rtu);
        QFETCH(QString, action);
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(bool, confirm);
        QFETCH(QByteArrayList, frames);
        QFETCH(int, reg);
        QFETCH(int, value);
        QFETCH(QString, shown);
        p->Open(rtu);
        p->Controller(1).Set(0x471D, 5); // a PV offset of 0.5 for the clearing to clear
        QVERIFY(Start(rtu));
        QVERIFY(EnterHiddenMode());
        p->dialogs.confirmAnswers << confirm;
        const qsizetype from = p->SentCount();
        if (action == "type") {
            p->Type(qPrintable(box), text);
        } else if (action == "choose") {
            p->Choose(qPrintable(box), text);
        } else {
            QTest::mouseClick(action == "restore" ? m->ClearBt1 : m->ClearBt2, Qt::LeftButton);
            QCOMPARE(p->dialogs.confirmations.size(), 1);
            QCOMPARE(p->dialogs.confirmations.first().text, "Will clear setting, Execute anyway?");
        }
        p->Run(3000);
        QByteArrayList wire;
        for (const QByteArray& frame : std::as_const(frames))
            wire << p->Wire(frame + "\r\n");
        QCOMPARE(p->WritesSince(from), wire);
        QCOMPARE(int(p->Controller(1).Peek(reg)), value);
        if (!shown.isEmpty()) QCOMPARE(Shown(box), shown);
        QCOMPARE(m->Engine.State().ErrorCount[1], 0);
        QVERIFY(!m->Engine.State().WritePending && !m->Engine.State().UnlockFirst);
        QVERIFY(p->dialogs.messages.isEmpty());
    }

    void keyInAProtectedBoxSendsTheKeyAtOnce() {
        QVERIFY(Start());
        QVERIFY(EnterHiddenMode());
        const qsizetype from = p->SentCount();
        QTest::keyClick(p->Edit("RTDOfs"), Qt::Key_5);
        QVERIFY(m->Engine.State().UnlockFirst);
        QVERIFY(!m->Engine.State().WritePending);
        p->Run(1000);
        QCOMPARE(p->WritesSince(from), QByteArrayList{p->Wire(Unlock + "\r\n")});
        QCOMPARE(int(p->Controller(1).Peek(0x4732)), 0);
        QCOMPARE(m->Engine.State().ErrorCount[1], 0);
    }

    void keyInAnOrdinaryBoxWithdrawsTheKey() {
        QVERIFY(Start());
        QVERIFY(EnterHiddenMode());
        const QString before = p->Combo("OutputType1")->currentText();
        const qsizetype from = p->SentCount();
        p->Choose("OutputType1", "0~5V");
        QTest::keyClick(p->Edit("SetV"), Qt::Key_1);
        QVERIFY(!m->Engine.State().UnlockFirst);
        p->Run(3000);
        // Without its key the controller refuses the write; the box shows its value again.
        QCOMPARE(p->WritesSince(from), QByteArrayList{p->Wire(":0106473000037F\r\n")});
        QCOMPARE(m->ErrMess->text(), "Write data not successed");
        QCOMPARE(m->Engine.State().ErrorCount[1], 1);
        QCOMPARE(p->Combo("OutputType1")->currentText(), before);
        QVERIFY(!m->Engine.State().WritePending);
    }

    void newerEditReplacesAnUnsentOne() {
        QVERIFY(Start());
        const qsizetype from = p->SentCount();
        p->Type("SetV", "25");
        p->Type("KI", "30");
        p->Run(3000);
        QCOMPARE(p->WritesSince(from), QByteArrayList{p->Wire(":0106470D001E87\r\n")});
        QCOMPARE(int(p->Controller(1).Peek(0x4701)), 1500);
        QCOMPARE(int(p->Controller(1).Peek(0x470D)), 30);
        QCOMPARE(p->Edit("SetV")->text(), "150.0");
    }

    void valueBeyondARegisterIsNotSent_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("controllers");
        QTest::newRow("99999 tenths") << "SetV"
                                      << "99999"
                                      << "150.0";
        QTest::newRow("-4000 tenths") << "SetV"
                                      << "-4000"
                                      << "150.0";
        QTest::newRow("65536 whole") << "KD"
                                     << "65536"
                                     << "41";
    }
    void valueBeyondARegisterIsNotSent() {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, controllers);
        p->Open();
        p->Controller(1).Set(0x470E, 41);
        QVERIFY(Start());
        const qsizetype from = p->SentCount();
        p->Type(qPrintable(box), typed);
        QVERIFY(!m->Engine.State().WritePending);
        p->Run(2000);
        QVERIFY(p->WritesSince(from).isEmpty());
        QCOMPARE(p->Edit(qPrintable(box))->text(), typed);
        QVERIFY(p->dialogs.messages.isEmpty());
        // At the next settings read (a change on the controller's front panel) the box shows the
        // controller's value, untouched.
        p->Controller(1).Set(0x470D, 40);
        p->Run(3000);
        QCOMPARE(p->Edit(qPrintable(box))->text(), controllers);
        QCOMPARE(p->Edit("KI")->text(), "40");
    }

    void emptyWholeNumberBoxIsAConversionError() {
        QVERIFY(Start());
        const qsizetype from = p->SentCount();
        p->Type("KI", "");
        p->Run(2000);
        QCOMPARE(p->dialogs.texts(), QStringList{"'' is not a valid integer value"});
        QVERIFY(p->WritesSince(from).isEmpty());
    }

    void refusedWriteIsDroppedAndReadBack() {
        QVERIFY(Start());
        TypeInPassEdit("trace on");
        const qsizetype from = p->SentCount();
        p->Type("SetV", "1500"); // above the controller's range of 1300.0
        p->Run(3000);
        QCOMPARE(p->WritesSince(from), QByteArrayList{p->Wire(":010647013A98DF\r\n")});
        QVERIFY(m->ErrMess->isVisible());
        QCOMPARE(m->ErrMess->text(), "Write data not successed");
        QCOMPARE(m->ErrMess->palette().color(QPalette::Window), Red);
        QCOMPARE(m->ErrCnt[1]->text(), "1");
        // Dropped, not asked again; the box shows what the controller holds.
        QCOMPARE(p->Edit("SetV")->text(), "150.0");
        QVERIFY(!m->Engine.State().WritePending);
    }

    // Closing the password box, by a key that ends the hidden mode or by Escape, gives the focus
    // back where it was: the keys typed next never land in a parameter box and write it.
    void passwordBoxGivesTheFocusBack_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Backspace after the access code") << int(Qt::Key_Backspace);
        QTest::newRow("Escape") << int(Qt::Key_Escape);
    }
    void passwordBoxGivesTheFocusBack() {
        QFETCH(int, key);
        QVERIFY(Start());
        m->activateWindow();
        QApplication::setActiveWindow(m);
        m->DrawBt->setFocusPolicy(Qt::StrongFocus);
        m->DrawBt->setFocus();
        QCOMPARE(m->focusWidget(), m->DrawBt);
        QTest::mouseDClick(m->FWVersion, Qt::LeftButton);
        QCOMPARE(m->PassEdit->echoMode(), QLineEdit::Password);
        QCOMPARE(m->focusWidget(), m->PassEdit);
        if (key == Qt::Key_Backspace) QVERIFY(EnterHiddenMode());
        const qsizetype from = p->SentCount();
        QTest::keyClick(m->PassEdit, Qt::Key(key));
        QVERIFY(m->PassEdit->isHidden());
        QVERIFY(m->FWVersion->isVisible());
        QCOMPARE(m->focusWidget(), m->DrawBt);
        // Digits and Enter typed next go where the focus is, not into a parameter box.
        QTest::keyClicks(m->focusWidget(), "25");
        QTest::keyClick(m->focusWidget(), Qt::Key_Return);
        p->Run(3000);
        QVERIFY(p->WritesSince(from).isEmpty());
    }

    // A value that is not taken is seen beside its box, not only in the trace row: typed
    // wrong, or refused by the controller. The next edit of the box takes the mark back.
    void refusedValuesAreMarked_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("sent");
        QTest::newRow("not a number")
            << "abc"
            << "'abc' is not a value this setting can take: nothing was sent." << false;
        QTest::newRow("beyond the register")
            << "99999"
            << "'99999' is not a value this setting can take: nothing was sent." << false;
        QTest::newRow("above the controller's range")
            << "1500"
            << "The controller refused 1500: Write data not successed" << true;
    }
    void refusedValuesAreMarked() {
        QFETCH(QString, typed);
        QFETCH(QString, reason);
        QFETCH(bool, sent);
        QVERIFY(Start());
        QLineEdit* box = p->Edit("SetV");
        const qsizetype from = p->SentCount();
        p->Type("SetV", typed);
        p->Run(3000);
        QCOMPARE(p->WritesSince(from).isEmpty(), !sent);
        QCOMPARE(box->toolTip(), reason);
        QVERIFY(box->property("refused").toBool());
        QVERIFY(box->styleSheet().contains("red"));
        // The next key in the box clears it.
        QTest::keyClick(box, Qt::Key_1);
        QVERIFY(box->toolTip().isEmpty());
        QVERIFY(!box->property("refused").toBool());
    }

    // The boxes are shared by the stations: a mark belongs to the station whose write it was.
    // Another station selected shows none; back at the first, a refusal by its controller is
    // shown again, a value typed wrong is not (the box holds the controller's value by then).
    void refusalsStayWithTheirStation_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("reason");
        QTest::newRow("refused by the controller")
            << "1500"
            << "The controller refused 1500: Write data not successed";
        QTest::newRow("typed wrong") << "abc" << QString();
    }
    void refusalsStayWithTheirStation() {
        QFETCH(QString, typed);
        QFETCH(QString, reason);
        QVERIFY(Start());
        p->Connect(2);
        p->Run(2000);
        QLineEdit* box = p->Edit("SetV");
        p->Type("SetV", typed);
        p->Run(3000);
        QVERIFY(box->property("refused").toBool());
        QTest::mouseClick(m->Image[2], Qt::LeftButton);
        p->Run(3000);
        QCOMPARE(m->Engine.State().SelStation, 2);
        QVERIFY(!box->property("refused").toBool());
        QVERIFY(box->toolTip().isEmpty());
        QVERIFY(!box->styleSheet().contains("red"));
        QTest::mouseClick(m->Image[1], Qt::LeftButton);
        p->Run(3000);
        QCOMPARE(m->Engine.State().SelStation, 1);
        QCOMPARE(box->toolTip(), reason);
        QCOMPARE(box->property("refused").toBool(), !reason.isEmpty());
        QCOMPARE(box->styleSheet().contains("red"), !reason.isEmpty());
    }

    void hiddenModeAfterAFullSettingsCycle() {
        QVERIFY(Start());
        QVERIFY(m->FWVersion->isVisible());
        QVERIFY(AllShown(HiddenControls, false));
        QTest::mouseDClick(m->FWVersion, Qt::LeftButton);
        QVERIFY(m->PassLB->isVisible() && m->PassEdit->isVisible());
        QCOMPARE(m->PassLB->text(), " 密碼輸入");
        // Drawn, not boxes, where a font for it is installed (scripts/setup installs one).
        if (!QFontDatabase::families(QFontDatabase::TraditionalChinese).isEmpty())
            QCOMPARE(Boxes(m->PassLB->font(), m->PassLB->text()), 0);
        QVERIFY(m->FWVersion->isHidden());

        QSignalSpy blocks(&m->Engine, &PollEngine::settingsDecoded);
        QTest::keyClicks(m->PassEdit, "KXQ");
        QVERIFY(m->HiddenMode);
        // Shown only once the settings have been read through to their last block.
        while (!m->HiddenShown) {
            QVERIFY(AllShown(HiddenControls, false));
            QVERIFY(blocks.count() < 8);
            p->Run(10);
        }
        QCOMPARE(blocks.count(), 8); // seven blocks and the auto-tuning state
        QVERIFY(AllShown(HiddenControls, true));

        // One more character leaves it; the box is emptied and the firmware panel is back.
        QTest::keyClick(m->PassEdit, Qt::Key_A);
        QVERIFY(AllShown(HiddenControls, false));
        QVERIFY(!m->HiddenMode && !m->HiddenShown);
        QVERIFY(m->PassEdit->text().isEmpty());
        QVERIFY(m->FWVersion->isVisible());
        QVERIFY(m->PassEdit->isHidden() && m->PassLB->isHidden());

        // The caption of the box takes it away again.
        QTest::mouseDClick(m->FWVersion, Qt::LeftButton);
        QTest::mouseClick(m->PassLB, Qt::LeftButton);
        QVERIFY(m->FWVersion->isVisible());
        QVERIFY(m->PassEdit->isHidden() && m->PassLB->isHidden());
    }

    void anotherStationLeavesTheHiddenMode() {
        QVERIFY(Start());
        p->Connect(2);
        p->Run(2000);
        QVERIFY(EnterHiddenMode());
        QTest::mouseClick(m->Image[2], Qt::LeftButton);
        QVERIFY(AllShown(HiddenControls, false));
        QVERIFY(!m->HiddenMode);
        p->Run(3000);
        QVERIFY(AllShown(HiddenControls, false));
    }

    void traceRowAndItsCounters() {
        QVERIFY(Start());
        p->Connect(2);
        p->Run(2000);
        QVERIFY(m->DebugMess->isHidden() && m->ErrMess->isHidden());
        TypeInPassEdit("trace on");
        QVERIFY(m->DebugMess->isVisible() && m->ErrMess->isVisible());
        for (const int address : {1, 2})
            p->line->InjectFault({.kind = sim::FaultKind::Exception,
                                  .address = address,
                                  .times = 1,
                                  .exceptionCode = 2});
        p->Run(2000);
        QCOMPARE(m->ErrMess->text(), "illegal address ");
        QCOMPARE(m->ErrMess->palette().color(QPalette::Window), Red);
        QCOMPARE(m->ErrCnt[1]->text(), "1");
        QCOMPARE(m->ErrCnt[2]->text(), "1");
        QVERIFY(m->DoCnt[2]->text().toInt() > 5);

        // Station 2's counters go; station 1 still has an error, so the status line stays.
        QTest::mousePress(m->ErrClearBt[2], Qt::LeftButton);
        QCOMPARE(m->DoCnt[2]->text(), "0");
        QCOMPARE(m->ErrCnt[2]->text(), "0");
        QCOMPARE(m->Engine.State().RequestCount[2], 0);
        QCOMPARE(m->Engine.State().ErrorCount[2], 0);
        QCOMPARE(m->ErrCnt[1]->text(), "1");
        QCOMPARE(m->ErrMess->text(), "illegal address ");
        QCOMPARE(m->ErrMess->palette().color(QPalette::Window), Red);
        // The last one with errors: no error any more.
        QTest::mousePress(m->ErrClearBt[1], Qt::LeftButton);
        QCOMPARE(m->ErrCnt[1]->text(), "0");
        QCOMPARE(m->ErrMess->text(), "No Error");
        QCOMPARE(m->ErrMess->palette().color(QPalette::Window), Teal);
        // Counting goes on from zero.
        p->Run(500);
        QVERIFY(m->DoCnt[1]->text().toInt() > 0);
        QCOMPARE(m->DoCnt[1]->text().toInt(), m->Engine.State().RequestCount[1]);

        TypeInPassEdit("trace off");
        QVERIFY(m->DebugMess->isHidden() && m->ErrMess->isHidden());
    }

    void editPermissionFollowsTheController() {
        QVERIFY(Start());
        QVERIFY(EnterHiddenMode());
        m->Engine.LoadBuffer(m->Engine.State().ParamBuffer); // as after "Load to Buffer"
        p->Controller(1).Set(0x4726, 0); // writes switched off on the controller's panel
        QVERIFY(p->RunUntil([this] { return !p->Combo("RunStop")->isEnabled(); }));
        QCOMPARE(p->Combo("ComWrite")->currentText(), "Disable");
        for (const QString& name : EditingControls)
            QVERIFY2(!p->Find(name)->isEnabled(), qPrintable(name));
        QVERIFY(p->Combo("ComWrite")->isEnabled());
        QVERIFY(!m->WriteBt->isEnabled());
        QVERIFY(AllShown(HiddenControls, false));
        // The disabled firmware panel opens no password box.
        QTest::mouseDClick(m->FWVersion, Qt::LeftButton);
        QVERIFY(m->PassEdit->isHidden());

        // Switched back on from the program.
        const qsizetype from = p->SentCount();
        p->Choose("ComWrite", "Enable");
        QVERIFY(p->RunUntil([this] { return p->Combo("RunStop")->isEnabled(); }));
        QCOMPARE(p->WritesSince(from), QByteArrayList{p->Wire(":0106472600018B\r\n")});
        for (const QString& name : EditingControls)
            QVERIFY2(p->Find(name)->isEnabled(), qPrintable(name));
        QVERIFY(m->WriteBt->isEnabled());
    }

    void switchingViews() {
        QVERIFY(Start());
        QCOMPARE(m->DrawBt->text(), "View Record");
        QTest::mouseClick(m->DrawBt, Qt::LeftButton);
        QVERIFY(m->TrendView);
        for (QWidget* w : std::initializer_list<QWidget*>{m->CtrlBox, m->TempBox, m->PIDBox,
                                                          m->AlmBox, m->AdjustBox, m->OpPanel,
                                                          m->FWVersion, m->ProgBt, m->OutQty1[1]})
            QVERIFY2(w->isHidden(), qPrintable(w->objectName()));
        QVERIFY(m->DrawIme->isVisible());
        QVERIFY(m->DrawBt->isVisible());
        QCOMPARE(m->DrawBt->text(), "View Setting");
        QCOMPARE(m->Engine.State().TrendDrawnStation, 0);
        // Drawn in full at the next tick that has a sample after the first one.
        p->Run(2000);
        QCOMPARE(m->Engine.State().TrendDrawnStation, 1);
        const TrendGeometry& g = m->DrawIme->Canvas().Geometry();
        QCOMPARE(m->DrawIme->Canvas().Image().pixel(g.X0 - 1, 10), qRgb(255, 255, 255));

        QSignalSpy blocks(&m->Engine, &PollEngine::settingsDecoded);
        QTest::mouseClick(m->DrawBt, Qt::LeftButton);
        QVERIFY(!m->TrendView);
        QCOMPARE(m->DrawBt->text(), "View Record");
        QVERIFY(m->DrawIme->isHidden());
        QVERIFY(m->CtrlBox->isVisible() && m->PIDBox->isVisible() && m->OpPanel->isVisible());
        // The boxes are read again after the chart.
        p->Run(2000);
        QVERIFY(blocks.count() >= 7);

        // Gone with the last station.
        QTest::mouseClick(m->DrawBt, Qt::LeftButton);
        p->Cancel(1);
        QVERIFY(!m->TrendView);
        QVERIFY(m->DrawIme->isHidden());
        QCOMPARE(m->DrawBt->text(), "View Record");
    }

    void chartFollowsTheSelectedStation() {
        QVERIFY(Start());
        p->Connect(2);
        p->Run(2000);
        QTest::mouseClick(m->DrawBt, Qt::LeftButton);
        p->Run(1100);
        QCOMPARE(m->Engine.State().TrendDrawnStation, 1);
        QTest::mouseClick(m->Image[2], Qt::LeftButton);
        p->Run(1000);
        QCOMPARE(m->Engine.State().TrendDrawnStation, 2);
    }

    void sampleOffTheChartRedrawsIt() {
        QVERIFY(Start());
        QTest::mouseClick(m->DrawBt, Qt::LeftButton);
        p->Run(5500);
        const TrendCanvas& canvas = m->DrawIme->Canvas();
        const TrendScaleChoice before{canvas.TrendScale, canvas.ScaleDivides, canvas.TrendBase};
        // The process jumps by a hundred degrees: far above the band of the chart.
        p->Controller(1).Process().SetTemperatureC(p->Controller(1).Process().TemperatureC() + 100);
        p->Run(2000);
        const TrendScaleChoice after{canvas.TrendScale, canvas.ScaleDivides, canvas.TrendBase};
        QVERIFY(!(after == before));
        QCOMPARE(m->Engine.State().TrendDrawnStation, 1);
        const TrendGeometry& g = canvas.Geometry();
        QVERIFY(canvas.PreviousPoint.y() >= g.Scaled(2) &&
                canvas.PreviousPoint.y() <= g.Scaled(185));
    }

    void chartScrollsOnceTheHistoryWraps() {
        QVERIFY(Start());
        QTest::mouseClick(m->DrawBt, Qt::LeftButton);
        p->Run(1100);
        // Twelve minutes on: the history is a few samples short of full.
        const MonitorState& e = m->Engine.State();
        const TrendCanvas& canvas = m->DrawIme->Canvas();
        const TrendGeometry& g = canvas.Geometry();
        p->Run(714 * 1000);
        QVERIFY(e.TrendIndex[1] > 700);
        QVERIFY(!e.TrendWrapped[1]);
        QVERIFY(canvas.PreviousPoint.x() < g.X1);
        p->Run(10 * 1000);
        QVERIFY(e.TrendWrapped[1]);
        QCOMPARE(canvas.PreviousPoint.x(), g.X1);
    }

    void programButtonShowsTheEditor() {
        p->Open();
        p->ConnectAll();
        p->Run(3000);
        QVERIFY(!m->ProgBt->isEnabled());
        QTest::mouseClick(m->Image[3], Qt::LeftButton); // runs a ramp/soak program
        QVERIFY(p->RunUntil([this] { return m->ProgBt->isEnabled(); }));
        QTest::mouseClick(m->ProgBt, Qt::LeftButton);
        QVERIFY(p->forms->VRX5->isVisible());
        QVERIFY(m->isVisible());
    }
};

VRX_TEST_MAIN(TestMonitorEdit)
#include "tst_monitoredit.moc"
