// The Monitor window in the whole program, as the user sees it: its controls, the line opened
// and closed with it, four live simulated controllers with their lamps, gauges and settings,
// selection, cancelling, status texts, and values shown without ever composing a write.
// Time is a manual clock; the controllers are the simulated ones on COM1.
#include "monitorprogram.h"
#include "parameterboxes.h"
#include "radiogroup.h"
#include "screenwidth.h"
#include "scripteddialogs.h"
#include "shape.h"
#include "simulatedline.h"
#include "testmain.h"
#include "vrwmon.h"

#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

using namespace vrx;
using vrx::test::Program;

namespace {

const QColor Lime(0, 255, 0);
const QColor Grey(128, 128, 128);
const QColor Red(255, 0, 0);
const QColor Yellow(255, 255, 0);
const QColor Silver(192, 192, 192);

// True when the text of a label or button fits inside it.
bool TextFits(const QWidget* w, const QString& text) {
    return w->fontMetrics().horizontalAdvance(text) <= w->contentsRect().width();
}

} // namespace

class TestMonitorWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<Program> p;

private slots:
    void init() { p = std::make_unique<Program>(); }
    void cleanup() { p.reset(); }

    void stationControls() {
        TVRW2* m = p->monitor;
        QCOMPARE(m->windowTitle(), "VRX MONITOR PROGRAM");
        for (int st = 1; st <= 4; ++st) {
            const QString n = QString::number(st);
            QCOMPARE(p->Find<QLabel>("Panel" + n)->text(), "Address");
            auto* address = p->Find<QSpinBox>("ComAddr" + n);
            QCOMPARE(address->minimum(), 0);
            QCOMPARE(address->maximum(), 255);
            QCOMPARE(address->property("Tag").toInt(), st);
            QCOMPARE(p->Find<QPushButton>("RunBt" + n)->text(), "Connect");
            QCOMPARE(p->Find<QPushButton>("RunBt" + n)->property("Tag").toInt(), st);
            QCOMPARE(p->Find<QPushButton>("StopBt" + n)->text(), "Cancel");
            QCOMPARE(p->Find<QPushButton>("StopBt" + n)->property("Tag").toInt(), st + 4);
            QCOMPARE(p->Find<Shape>("ShapeBG" + n)->BrushColor(), QColor(0, 0, 128));
            QVERIFY(p->Find<Shape>("RunLED" + n));
            QVERIFY(p->Find<QLabel>("Image" + n));
            QVERIFY(!p->Find<QLabel>("Image" + n)->pixmap().isNull());
            for (const char* stem : {"AT", "OUT1", "OUT2", "ALM1", "ALM2", "ALM3", "FDEG", "CDEG"})
                QVERIFY2(p->Find<Shape>(stem + n), stem);
            QCOMPARE(p->Find<QLabel>("OutLB1" + n)->text(), "OUT1");
            QCOMPARE(p->Find<QLabel>("OutLB2" + n)->text(), "OUT2");
            QCOMPARE(p->Find<QProgressBar>("OutQty1" + n)->maximum(), 1000);
            QVERIFY(p->Find<QProgressBar>("OutQty2" + n)->isHidden());
            QVERIFY(p->Find<QLineEdit>("Edit" + n + "P")->isReadOnly());
            QVERIFY(p->Find<QLineEdit>("Edit" + n + "S")->isReadOnly());
            QCOMPARE(p->Find<QLabel>("DoCnt" + n)->text(), "0");
            QCOMPARE(p->Find<QLabel>("ErrCnt" + n)->text(), "0");
            QVERIFY(p->Find<Shape>("ErrClearBt" + n));
            // Side by side, station 1 at the left; lamps and displays lie on the picture.
            if (st > 1) QVERIFY(m->Image[st]->x() > m->Image[st - 1]->geometry().right());
            QVERIFY(m->Image[st]->rect().contains(m->EditP[st]->geometry()));
            for (const auto& lamps : m->Lamps)
                QVERIFY(m->Image[st]->rect().contains(lamps[st]->geometry()));
        }
    }

    void parameterControls() {
        // Every box of the table, captioned and in its group.
        const QHash<BoxGroup, QString> groups = {
            {BoxGroup::Control, "CtrlBox"}, {BoxGroup::Input, "TempBox"},
            {BoxGroup::Manual, "ManuBox"},  {BoxGroup::OnOff, "OnOffBox"},
            {BoxGroup::Pid, "PIDBox"},      {BoxGroup::Alarm, "AlmBox"},
            {BoxGroup::Adjust, "AdjustBox"}};
        for (const EditBoxInfo& info : EditBoxes()) {
            QLineEdit* edit = p->Edit(info.name);
            QVERIFY2(edit, info.name);
            QCOMPARE(edit->parentWidget()->objectName(), groups.value(info.group));
            QCOMPARE(edit->text(), "0");
            auto* label = p->Find<QLabel>(QString::fromLatin1(info.label));
            QVERIFY2(label, info.label);
            QCOMPARE(label->text(), QString::fromLatin1(info.caption));
        }
        for (const ComboBoxInfo& info : ComboBoxes()) {
            QComboBox* combo = p->Combo(info.name);
            QVERIFY2(combo, info.name);
            QCOMPARE(combo->parentWidget()->objectName(), groups.value(info.group));
            QCOMPARE(combo->count(), int(info.items.size()));
            QCOMPARE(combo->currentIndex(), -1);
        }
        QCOMPARE(p->Combo("InputType")->itemText(17), "0~50mV");
        QCOMPARE(p->Combo("ALM3Mode")->itemText(13), "CT Alarm");
        QCOMPARE(p->Combo("LockStatus")->itemText(2), "Except SV");
        const QList<std::pair<const char*, const char*>> titles = {
            {"CtrlBox", "Control"},    {"TempBox", "Input"},        {"ManuBox", "Manual"},
            {"OnOffBox", "ON-OFF"},    {"PIDBox", "PID Parameter"}, {"AlmBox", "Alarm"},
            {"AdjustBox", "PV tuning"}};
        for (const auto& [name, title] : titles)
            QCOMPARE(p->Find<QGroupBox>(name)->title(), title);
        const QList<std::pair<const char*, const char*>> buttons = {
            {"LoadBt", "Load to Buffer"},
            {"OpenBt", "Open File"},
            {"SaveBt", "Save to File"},
            {"WriteBt", "Write to Select"},
            {"WrAllBt", "BroadCast"},
            {"ProgBt", "Program"},
            {"DrawBt", "View Recorder"},
            {"ExitBt2", "Exit"},
            {"ClearBt1", "Restore Default Setting"},
            {"ClearBt2", "Clear PV Adjust Value "}};
        for (const auto& [name, caption] : buttons)
            QCOMPARE(p->Find<QPushButton>(name)->text(), caption);
        QCOMPARE(p->Find<QLabel>("FWVersion")->text(), "Firmware Version");
        QCOMPARE(p->Find<QLabel>("PassLB")->text(), " 密碼輸入");
        QCOMPARE(p->Find<QLabel>("ErrMess")->text(), " No Error");
        QCOMPARE(p->Find<QLabel>("UpLoadLabel")->text(), "Reading Data Now");
        QCOMPARE(p->Find("DrawIme")->size(), QSize(Scaled(785), Scaled(240)));
        // The hidden mode's controls are hidden until it is entered.
        for (const char* name : {"RTDOfs", "RTDGain", "TCOfs", "TCGain", "ColdOfs", "mVOfs",
                                 "mVGain", "RTDOfsLB", "ColdLB", "mVGainLB", "ClearBt1", "ClearBt2",
                                 "OutputType1", "OutType1LB", "OutputType2"})
            QVERIFY2(p->Find(name)->isHidden(), name);
    }

    void nothingOverlapsOrIsCut() {
        p->Open();
        TVRW2* m = p->monitor;
        // Show everything a user can come to see at once.
        // (The three method groups share one place, as do the set value and the program's
        // display, the two offsets, and the firmware panel and the password box.)
        const QStringList elsewhere = {"DrawIme", "PassLB",   "PassEdit", "OnOffBox",
                                       "ManuBox", "ProgDisp", "PDOffs",   "PDOFSLB"};
        for (QWidget* w : m->findChildren<QWidget*>()) {
            const QString name = w->objectName();
            if (w->isWindow() || name.isEmpty() || name.startsWith("qt_")) continue;
            w->setVisible(!elsewhere.contains(name));
        }
        const QRect window = m->rect();
        const QList<QWidget*> top = m->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* w : top) {
            if (w->isHidden() || w == m->SelPanel) continue;
            QVERIFY2(window.contains(w->geometry()), qPrintable(w->objectName()));
            for (QWidget* other : top) {
                if (other == w || other->isHidden() || other == m->SelPanel) continue;
                const bool lampOnBezel = w->objectName().startsWith("RunLED") ||
                                         other->objectName().startsWith("RunLED");
                if (lampOnBezel) continue;
                QVERIFY2(!w->geometry().intersects(other->geometry()),
                         qPrintable(w->objectName() + " / " + other->objectName()));
            }
        }
        for (QGroupBox* box : m->findChildren<QGroupBox*>()) {
            const QList<QWidget*> inside = box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            for (QWidget* w : inside) {
                if (w->isHidden()) continue;
                QVERIFY2(box->rect().contains(w->geometry()), qPrintable(w->objectName()));
                for (QWidget* other : inside)
                    if (other != w && !other->isHidden())
                        QVERIFY2(!w->geometry().intersects(other->geometry()),
                                 qPrintable(w->objectName() + " / " + other->objectName()));
            }
        }
        for (QLabel* label : m->findChildren<QLabel*>())
            if (!label->text().isEmpty() && label->isVisibleTo(m))
                QVERIFY2(TextFits(label, label->text()), qPrintable(label->objectName()));
        for (QPushButton* button : m->findChildren<QPushButton*>())
            QVERIFY2(TextFits(button, button->text()), qPrintable(button->objectName()));
    }

    void openingAndClosingTheLine() {
        p->Open();
        QVERIFY(p->monitor->isVisible());
        QVERIFY(p->monitor->Port.Open());
        QVERIFY(p->dialogs.messages.isEmpty());
        // Shown idle: no panels, no trace, the ring silver at station 1.
        QVERIFY(p->monitor->CtrlBox->isHidden());
        QVERIFY(p->monitor->OpPanel->isHidden());
        QVERIFY(p->monitor->DebugMess->isHidden());
        QVERIFY(p->monitor->ErrMess->isHidden());
        QCOMPARE(p->monitor->SelPanel->PenColor(), Silver);
        QCOMPARE(p->monitor->DrawBt->text(), "View Record");
        p->ConnectAll();
        QVERIFY(p->monitor->Engine.Timer1.isActive());
        p->monitor->close();
        QVERIFY(!p->monitor->Port.Open());
        QVERIFY(!p->monitor->Engine.Timer1.isActive());
    }

    void missingLineIsReported() {
        qputenv("VRX_COM1", "");
        p->Open();
        QCOMPARE(p->dialogs.texts(), QStringList{"Com port not exist"});
        QCOMPARE(p->dialogs.messages.first().caption, "Warning");
        QVERIFY(p->monitor->isVisible());
        QVERIFY(!p->monitor->Port.Open());
    }

    void fourLiveStations() {
        p->Open();
        TVRW2* m = p->monitor;
        p->ConnectAll();
        QCOMPARE(m->RunLED[4]->BrushColor(), Lime); // painted by Connect at once
        p->Run(4000);
        for (int st = 1; st <= 4; ++st) {
            QVERIFY(!m->EditP[st]->text().trimmed().isEmpty());
            QVERIFY(!m->EditS[st]->text().trimmed().isEmpty());
            QCOMPARE(m->RunLED[st]->BrushColor(), Lime);
            QVERIFY(m->OutQty1[st]->isVisible());
        }
        // Station 1 heats at full output with its unit lamp lit; station 4's output is 40 %.
        QCOMPARE(m->Lamps[std::size_t(Lamp::Out1)][1]->BrushColor(), Lime);
        QCOMPARE(m->Lamps[std::size_t(Lamp::DegC)][1]->BrushColor(), Yellow);
        QCOMPARE(m->Lamps[std::size_t(Lamp::DegF)][1]->BrushColor(), Grey);
        QCOMPARE(m->OutQty1[4]->value(), 400);
        // The parameters of station 1, selected by its Connect.
        QCOMPARE(m->SelPanel->PenColor(), Lime);
        QVERIFY(m->CtrlBox->isVisible());
        QVERIFY(m->OpPanel->isVisible());
        QCOMPARE(p->Combo("CtrlSet")->currentText(), "PID");
        QVERIFY(m->PIDBox->isVisible() && m->OnOffBox->isHidden() && m->ManuBox->isHidden());
        QCOMPARE(p->Combo("InputType")->currentText(), "K-Type");
        QCOMPARE(p->Edit("SetV")->text(), "150.0");
        QCOMPARE(p->Combo("ComWrite")->currentText(), "Enable");
        QVERIFY(p->Combo("RunStop")->isEnabled());
        QVERIFY(p->Combo("ComWrite")->isEnabled());
        QVERIFY(m->FWVersion->text().startsWith("Firmware Version "));
        QVERIFY(!m->ProgBt->isEnabled()); // PID, no program
        QCOMPARE(m->DoCnt[1]->text().toInt(), m->Engine.RequestCount[1]);
        // What the user types is limited to five characters.
        QLineEdit* edit = p->Edit("KD");
        QVERIFY(edit->isEnabled());
        edit->clear();
        QTest::keyClicks(edit, "123456");
        QCOMPARE(edit->text(), "12345");
        QVERIFY(m->Engine.RequestCount[1] > 10);
    }

    void selectingAStationShowsItsSettings_data() {
        QTest::addColumn<int>("st");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("program");
        QTest::newRow("ON-OFF") << 2 << "ON-OFF"
                                << "OnOffBox" << false;
        QTest::newRow("Ramp Soak") << 3 << "Ramp Soak"
                                   << "PIDBox" << true;
        QTest::newRow("Manual") << 4 << "Manual"
                                << "ManuBox" << false;
    }
    void selectingAStationShowsItsSettings() {
        QFETCH(int, st);
        QFETCH(QString, method);
        QFETCH(QString, box);
        QFETCH(bool, program);
        p->Open();
        TVRW2* m = p->monitor;
        p->ConnectAll();
        p->Run(3000);
        const int ringX = m->SelPanel->x();
        QTest::mouseClick(m->Image[st], Qt::LeftButton);
        QCOMPARE(m->Engine.SelStation, st);
        QVERIFY(m->SelPanel->x() > ringX);
        QCOMPARE(m->SelPanel->x(), m->Image[st]->x() - Scaled(10));
        p->Run(2000);
        QCOMPARE(p->Combo("CtrlSet")->currentText(), method);
        for (QGroupBox* b : {m->PIDBox, m->OnOffBox, m->ManuBox})
            QCOMPARE(b->isVisible(), b->objectName() == box);
        QCOMPARE(m->ProgBt->isEnabled(), program);
        // A program shows its display in the set value's place, and no auto-tuning.
        QCOMPARE(p->Combo("ProgDisp")->isVisible(), program);
        QCOMPARE(p->Edit("SetV")->isVisible(), !program);
        QCOMPARE(p->Combo("AT")->isVisible(), method == "PID" || program);
        // A linear input has no temperature unit.
        QCOMPARE(p->Combo("DegUnit")->isEnabled(), st != 4);
    }

    void clickingAStationNotYetPolledSelectsNothing() {
        p->Open();
        TVRW2* m = p->monitor;
        p->Connect(1);
        p->Connect(2); // joins at the end of the cycle in progress
        QTest::mouseClick(m->Image[2], Qt::LeftButton);
        QCOMPARE(m->Engine.SelStation, 1);
        QTest::mouseClick(m->Image[3], Qt::LeftButton); // not connected at all
        QCOMPARE(m->Engine.SelStation, 1);
    }

    void cancellingStations() {
        p->Open();
        TVRW2* m = p->monitor;
        p->Connect(1);
        p->Connect(3);
        p->Run(3000);
        QTest::mouseClick(m->Image[3], Qt::LeftButton);
        p->Cancel(3);
        // The selection goes to the first station still polled; station 3's face is blank.
        QCOMPARE(m->Engine.SelStation, 1);
        QCOMPARE(m->SelPanel->x(), m->Image[1]->x() - Scaled(10));
        QVERIFY(m->EditP[3]->text().isEmpty());
        QCOMPARE(m->RunLED[3]->BrushColor(), Grey);
        p->Run(2000);
        QVERIFY(m->EditP[3]->text().isEmpty());
        // The last one: polling stops, the panels go, the ring turns silver where it was.
        p->Cancel(1);
        QVERIFY(!m->Engine.Timer1.isActive());
        QVERIFY(m->CtrlBox->isHidden());
        QVERIFY(m->OpPanel->isHidden());
        QVERIFY(m->OutQty1[1]->isHidden());
        QCOMPARE(m->SelPanel->PenColor(), Silver);
        QCOMPARE(m->SelPanel->x(), m->Image[1]->x() - Scaled(10));
        // Connect on a connected station changes nothing.
        p->Connect(2);
        const int sent = m->Engine.RequestCount[2];
        p->Connect(2);
        QCOMPARE(m->Engine.RequestCount[2], sent);
    }

    void statusCodesReplaceTheValue() {
        p->Open();
        TVRW2* m = p->monitor;
        p->ConnectAll();
        p->Run(2000);
        const int normal = m->EditP[2]->font().pixelSize();
        QCOMPARE(normal, ScreenWidth * 24 / 800);
        p->Controller(2).SetInputStatus(sim::InputStatus::NoConnect);
        p->Run(2000);
        QCOMPARE(m->EditP[2]->text(), " No Connect");
        QCOMPARE(m->EditP[2]->font().pixelSize(), ScreenWidth * 16 / 800);
        p->Controller(2).SetInputStatus(sim::InputStatus::Normal);
        p->Run(2000);
        QVERIFY(m->EditP[2]->text().contains(u'.'));
        QCOMPARE(m->EditP[2]->font().pixelSize(), normal);
    }

    void secondOutputTakesAlarm3sPlace() {
        p->Open();
        TVRW2* m = p->monitor;
        p->ConnectAll();
        p->Run(3000);
        QVERIFY(p->Combo("ALM3Mode")->isVisible());
        QVERIFY(m->OutQty2[1]->isHidden());
        p->Controller(1).Set(0x471A, 2); // heat/cool: two outputs
        p->Run(3000);
        QCOMPARE(p->Combo("HeatCool")->currentText(), "Heat/Cool");
        QVERIFY(p->Combo("ALM3Mode")->isHidden());
        QVERIFY(p->Edit("UpLimit3")->isHidden());
        for (int st = 1; st <= 4; ++st)
            QVERIFY(m->OutQty2[st]->isVisible() && m->OutLB2[st]->isVisible());
    }

    void writesDisabledOnTheController() {
        p->Open();
        p->Controller(1).Set(0x4726, 0);
        p->ConnectAll();
        p->Run(3000);
        QCOMPARE(p->Combo("ComWrite")->currentText(), "Disable");
        for (const char* name : {"RunStop", "CtrlSet", "AT", "LockStatus", "InputType"})
            QVERIFY2(!p->Combo(name)->isEnabled(), name);
        QVERIFY(!p->monitor->TempBox->isEnabled());
        QVERIFY(!p->monitor->LoadBt->isEnabled());
        // So that writes can be switched on again.
        QVERIFY(p->Combo("ComWrite")->isEnabled());
    }

    void shownValuesComposeNoWrite() {
        p->Open();
        QList<QSignalSpy*> spies;
        for (const ComboBoxInfo& info : ComboBoxes())
            spies << new QSignalSpy(p->Combo(info.name), &QComboBox::currentIndexChanged);
        QSignalSpy edited(p->Edit("SetV"), &QLineEdit::textChanged);
        p->ConnectAll();
        p->Run(5000);
        QTest::mouseClick(p->monitor->Image[3], Qt::LeftButton);
        p->Run(3000);
        QCOMPARE(p->Combo("CtrlSet")->currentText(), "Ramp Soak");
        for (QSignalSpy* spy : spies)
            QCOMPARE(spy->count(), 0);
        qDeleteAll(spies);
        QCOMPARE(edited.count(), 0);
        QVERIFY(!p->monitor->Engine.WritePending);
        QVERIFY(!p->monitor->Engine.UnlockFirst);
    }

    void boxesShowWhatTheyAreGiven() {
        p->Open();
        // A value longer than what can be typed is still shown whole.
        SettingsBlock block;
        block.values = {BoxValue::Text("UpLimit", "1300.0"), BoxValue::Item("ALM1Mode", 20),
                        BoxValue::Item("CtrlSet", 1)};
        emit p->monitor->Engine.settingsDecoded(block);
        QCOMPARE(p->Edit("UpLimit")->text(), "1300.0");
        // An index beyond the items shows nothing, never another item.
        QCOMPARE(p->Combo("ALM1Mode")->currentIndex(), -1);
        QCOMPARE(p->Combo("CtrlSet")->currentText(), "ON-OFF");
    }

    void pulledControllerGoesGreyInAscii() {
        p->Open();
        TVRW2* m = p->monitor;
        p->ConnectAll();
        p->Run(2000);
        p->line->InjectFault({.kind = sim::FaultKind::NoAnswer, .address = 2});
        p->Run(7000);
        QVERIFY(!m->Engine.StationConnected[2]);
        QVERIFY(m->EditP[2]->text().isEmpty());
        QCOMPARE(m->RunLED[2]->BrushColor(), Grey);
        for (const auto& lamps : m->Lamps)
            QCOMPARE(lamps[2]->BrushColor(), Grey);
        // The trace shows what happened, in red.
        QCOMPARE(m->ErrMess->text(), "Time out");
        QCOMPARE(m->ErrMess->palette().color(QPalette::Window), Red);
        QCOMPARE(m->ErrCnt[2]->text(), "3");
        QVERIFY(m->Engine.StationConnected[1]);
    }

    void addressEditTakesEffectAtTheCycleEnd() {
        p->Open();
        TVRW2* m = p->monitor;
        m->ComAddr[1]->setValue(3);
        p->Connect(1);
        QCOMPARE(m->Engine.TargetAddr, 3);
        p->Run(1000);
        m->ComAddr[1]->setValue(4);
        QCOMPARE(m->Engine.StationAddr[1], 3);
        p->Run(1000);
        QCOMPARE(m->Engine.StationAddr[1], 4);
    }

    void exitClosesTheEditorToo() {
        p->Open();
        p->forms->VRX5->show();
        QTest::mouseClick(p->monitor->ExitBt2, Qt::LeftButton);
        QVERIFY(!p->monitor->isVisible());
        QVERIFY(!p->forms->VRX5->isVisible());
        QVERIFY(!p->monitor->Port.Open());
    }
};

VRX_TEST_MAIN(TestMonitorWindow)
#include "tst_vrwmon.moc"
