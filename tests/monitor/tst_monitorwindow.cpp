// The Monitor window in the whole program, as the user sees it: its controls, the line opened
// and closed with it, four live simulated controllers with their lamps, gauges and settings,
// selection, cancelling, status texts, values shown without ever composing a write, and the
// operation panel: the parameter memory to a buffer, to and from files, into one controller
// and into all. Time is a manual clock; the controllers are the simulated ones on COM1.
#include "chartmouse.h"
#include "monitorprogram.h"
#include "monitorwindow.h"
#include "parameterboxes.h"
#include "paramfile.h"
#include "radiogroup.h"
#include "savedchart.h"
#include "screenwidth.h"
#include "scripteddialogs.h"
#include "shape.h"
#include "simulatedline.h"
#include "testmain.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

using namespace vrx;
using vrx::test::Drag;
using vrx::test::Program;
using vrx::test::WheelOver;

namespace {

// A controller's memory as the buffer holds it after a complete read.
ParamImage Loaded(const sim::ParameterImage& memory) {
    ParamImage image{};
    std::copy(memory.begin(), memory.end(), image.begin());
    image[ParamEndMarkerEntry] = ParamEndMarker;
    return image;
}

ParamImage Numbered() {
    ParamImage image{};
    for (int n = 0; n <= ParamEntries; ++n)
        image[n] = quint8(n);
    return image;
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The settings the write-back carries, as a controller's registers hold them.
QList<quint16> WrittenSettings(sim::Controller& controller) {
    QList<quint16> values;
    for (const ParamWriteSlot& slot : ParamWriteTable())
        values << controller.Peek(slot.reg);
    return values;
}

const QColor Lime(0, 255, 0);
const QColor Grey(128, 128, 128);
const QColor Red(255, 0, 0);
const QColor Yellow(255, 255, 0);
const QColor Silver(192, 192, 192);

// True when the text of a label or button fits inside it.
bool TextFits(const QWidget* w, const QString& text) {
    return w->fontMetrics().horizontalAdvance(text) <= w->contentsRect().width();
}

// The selected station's trend as the window hands it to the chart, between two samples: the
// index has moved on past the last one.
TrendSamples TrendOf(const PollEngine& engine, int st) {
    const MonitorState& m = engine.State();
    const auto& pv = m.TrendHistory[std::size_t(st)];
    const auto& sv = m.TrendSvHistory[std::size_t(st)];
    return {std::span<const int>(pv.data(), pv.size()),
            m.TrendIndex[st] - 1,
            m.TrendWrapped[st],
            m.TrendMax[st],
            m.TrendMin[st],
            std::span<const int>(sv.data(), sv.size())};
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
        QVERIFY(p->monitor->HoldsLine());
        QVERIFY(p->dialogs.messages.isEmpty());
        // Shown idle: no panels, no trace, the ring silver at station 1.
        QVERIFY(p->monitor->CtrlBox->isHidden());
        QVERIFY(p->monitor->OpPanel->isHidden());
        QVERIFY(p->monitor->DebugMess->isHidden());
        QVERIFY(p->monitor->ErrMess->isHidden());
        QCOMPARE(p->monitor->SelPanel->PenColor(), Silver);
        QCOMPARE(p->monitor->DrawBt->text(), "View Record");
        p->ConnectAll();
        QVERIFY(p->monitor->Engine.Timer1().isActive());
        p->monitor->close();
        QVERIFY(!p->monitor->HoldsLine());
        QVERIFY(!p->monitor->Engine.Timer1().isActive());
    }

    void missingLineIsReported() {
        qputenv("VRX_COM1", "");
        p->Open();
        QCOMPARE(p->dialogs.texts(), QStringList{"Com port not exist"});
        QCOMPARE(p->dialogs.messages.first().caption, "Warning");
        QVERIFY(p->monitor->isVisible());
        QVERIFY(!p->monitor->HoldsLine());
        // Connect cannot read a station on a line that is not open: its lamp says so.
        p->Connect(1);
        p->Run(100);
        QCOMPARE(p->dialogs.texts().last(), "Serial port is not open");
        QCOMPARE(p->monitor->RunLED[1]->BrushColor(), Red);
    }

    // The adapter pulled out while four stations are polled: said once; every station shows
    // that it is not read (no value, no lime lamp) and nothing is sent; plugged in again, every
    // station is polled and shows live values without a click.
    void pulledLineLooksLostAndComesBack() {
        p->Settle();
        TVRW2* m = p->monitor;
        p->Unplug();
        p->Run(5000);
        QCOMPARE(p->dialogs.texts(),
                 QStringList{"COM1 (simulated controllers) was disconnected. It is opened again by "
                             "itself as soon as it is back."});
        for (int st = 1; st <= 4; ++st) {
            QCOMPARE(m->EditP[st]->text().trimmed(), "----");
            QCOMPARE(m->EditS[st]->text().trimmed(), "----");
            QCOMPARE(m->RunLED[st]->BrushColor(), Red);
        }
        QCOMPARE(m->Engine.State().ConnectedCount, 4);

        p->PlugIn();
        p->Run(LineOwner::RetryMs + 3000);
        QVERIFY(p->SentCount() > 8); // on the line opened again
        for (int st = 1; st <= 4; ++st) {
            QVERIFY2(m->EditP[st]->text().trimmed().toDouble() > 0,
                     qPrintable(m->EditP[st]->text()));
            QCOMPARE(m->RunLED[st]->BrushColor(), Lime);
        }
        QCOMPARE(p->dialogs.texts().size(), 1);
        QCOMPARE(m->Engine.State().ConnectedCount, 4);
    }

    // Each station's lamp tells how its requests ended and how long its replies took, without
    // the hidden mode: an answering station its replies, an absent one its time-outs.
    void lampTooltipHasTheStatistics() {
        p->monitor->ComAddr[4]->setValue(9); // nobody answers there
        p->Settle();
        p->Run(10000);
        TVRW2* m = p->monitor;
        const QString live = m->RunLED[1]->toolTip();
        const ExchangeStats& s1 = m->Engine.Stats(1);
        // Counted as each ends: the one on the line is not in yet.
        QVERIFY(m->Engine.State().RequestCount[1] - s1.requests <= 1);
        QVERIFY2(s1.requests > 5 && s1.timeouts == 0 && s1.checkErrors == 0,
                 qPrintable(m->RunLED[1]->toolTip()));
        QVERIFY2(s1.MeanMs() > 0 && s1.maxMs >= s1.MeanMs(), qPrintable(live));
        QVERIFY2(live.startsWith(QStringLiteral("Requests: %1\nTime-outs: 0").arg(s1.requests)),
                 qPrintable(live));
        QVERIFY2(live.contains(QStringLiteral("Mean reply: %1 ms").arg(s1.MeanMs())),
                 qPrintable(live));
        const ExchangeStats& s4 = m->Engine.Stats(4);
        QVERIFY(s4.timeouts >= 1);
        QCOMPARE(s4.lastMs, -1); // no reply ever came
        QVERIFY2(m->RunLED[4]->toolTip().contains("Last reply: -"),
                 qPrintable(m->RunLED[4]->toolTip()));
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
        QCOMPARE(m->DoCnt[1]->text().toInt(), m->Engine.State().RequestCount[1]);
        // What the user types is limited to five characters.
        QLineEdit* edit = p->Edit("KD");
        QVERIFY(edit->isEnabled());
        edit->clear();
        QTest::keyClicks(edit, "123456");
        QCOMPARE(edit->text(), "12345");
        QVERIFY(m->Engine.State().RequestCount[1] > 10);
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
        QCOMPARE(m->Engine.State().SelStation, st);
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
        QCOMPARE(m->Engine.State().SelStation, 1);
        QTest::mouseClick(m->Image[3], Qt::LeftButton); // not connected at all
        QCOMPARE(m->Engine.State().SelStation, 1);
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
        QCOMPARE(m->Engine.State().SelStation, 1);
        QCOMPARE(m->SelPanel->x(), m->Image[1]->x() - Scaled(10));
        QVERIFY(m->EditP[3]->text().isEmpty());
        QCOMPARE(m->RunLED[3]->BrushColor(), Grey);
        p->Run(2000);
        QVERIFY(m->EditP[3]->text().isEmpty());
        // The last one: polling stops, the panels go, the ring turns silver where it was.
        p->Cancel(1);
        QVERIFY(!m->Engine.Timer1().isActive());
        QVERIFY(m->CtrlBox->isHidden());
        QVERIFY(m->OpPanel->isHidden());
        QVERIFY(m->OutQty1[1]->isHidden());
        QCOMPARE(m->SelPanel->PenColor(), Silver);
        QCOMPARE(m->SelPanel->x(), m->Image[1]->x() - Scaled(10));
        // Connect on a connected station changes nothing.
        p->Connect(2);
        const int sent = m->Engine.State().RequestCount[2];
        p->Connect(2);
        QCOMPARE(m->Engine.State().RequestCount[2], sent);
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
        QVERIFY(!p->monitor->Engine.State().WritePending);
        QVERIFY(!p->monitor->Engine.State().UnlockFirst);
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
        QVERIFY(!m->Engine.State().StationConnected[2]);
        QVERIFY(m->EditP[2]->text().isEmpty());
        QCOMPARE(m->RunLED[2]->BrushColor(), Grey);
        for (const auto& lamps : m->Lamps)
            QCOMPARE(lamps[2]->BrushColor(), Grey);
        // The trace shows what happened, in red.
        QCOMPARE(m->ErrMess->text(), "Time out");
        QCOMPARE(m->ErrMess->palette().color(QPalette::Window), Red);
        QCOMPARE(m->ErrCnt[2]->text(), "3");
        QVERIFY(m->Engine.State().StationConnected[1]);
    }

    // A line opened at the wrong speed, format or framing: no station answers at all, and one
    // message says so and where to look, with the line as opened (RTU takes 8 data bits),
    // instead of one per station. Once any station answers,
    // each that does not is said for itself, also one dropped before the other answered.
    void silentLineSaidOnce_data() {
        QTest::addColumn<QString>("options");
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<QList<int>>("addresses"); // of the stations connected, from station 1
        QTest::addColumn<QStringList>("said");
        const QString line = "No controller answers on COM1 at 9600 %1: check the line's "
                             "speed, format and framing.";
        const QString station = "Station %1: address %2 does not answer. It is no longer polled; "
                                "press Connect to try it again.";
        QTest::newRow("wrong speed")
            << "addresses=1-4:baud=19200" << false << QList<int>{1, 2, 3, 4}
            << QStringList{line.arg("7E1 ASCII")};
        QTest::newRow("wrong format, rtu") << "addresses=1-4:format=8N1" << true << QList<int>{1, 2}
                                           << QStringList{line.arg("8E1 RTU")};
        QTest::newRow("wrong framing") << "addresses=1-4:mode=ascii" << true << QList<int>{1, 2, 3}
                                       << QStringList{line.arg("8E1 RTU")};
        QTest::newRow("one station, nobody at its address")
            << "addresses=1-4" << false << QList<int>{9} << QStringList{line.arg("7E1 ASCII")};
        QTest::newRow("one answering, one silent")
            << "addresses=1-4" << false << QList<int>{1, 9} << QStringList{station.arg(2).arg(9)};
        QTest::newRow("the silent one first")
            << "addresses=1-4" << false << QList<int>{9, 2} << QStringList{station.arg(1).arg(9)};
        QTest::newRow("rtu, the silent one first")
            << "addresses=1-4" << true << QList<int>{9, 8, 3}
            << QStringList{station.arg(1).arg(9), station.arg(2).arg(8)};
    }
    void silentLineSaidOnce() {
        QFETCH(QString, options);
        QFETCH(bool, rtu);
        QFETCH(QList<int>, addresses);
        QFETCH(QStringList, said);
        p.reset();
        p = std::make_unique<Program>(options);
        p->Open(rtu);
        TVRW2* m = p->monitor;
        for (int st = 1; st <= addresses.size(); ++st) {
            m->ComAddr[st]->setValue(addresses[st - 1]);
            p->Connect(st);
        }
        // Long enough for every silent station to be dropped, each after three time-outs.
        p->Run(40000);
        QCOMPARE(p->dialogs.texts(), said);
        for (const auto& shown : p->dialogs.messages)
            QCOMPARE(shown.caption, "Message");
        // The stations that answer are still polled.
        for (int st = 1; st <= addresses.size(); ++st)
            QCOMPARE(m->Engine.State().StationConnected[st],
                     addresses[st - 1] <= 4 && said.first().startsWith("Station"));
    }

    void addressEditTakesEffectAtTheCycleEnd() {
        p->Open();
        TVRW2* m = p->monitor;
        m->ComAddr[1]->setValue(3);
        p->Connect(1);
        QCOMPARE(m->Engine.State().TargetAddr, 3);
        p->Run(1000);
        m->ComAddr[1]->setValue(4);
        QCOMPARE(m->Engine.State().StationAddr[1], 3);
        p->Run(1000);
        QCOMPARE(m->Engine.State().StationAddr[1], 4);
    }

    void loadToBufferShowsItsProgress() {
        p->Settle();
        TVRW2* m = p->monitor;
        QVERIFY(m->LoadBt->isEnabled() && m->OpenBt->isEnabled());
        for (QPushButton* b : {m->SaveBt, m->WriteBt, m->WrAllBt})
            QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
        QVERIFY(m->UpLoadBar->isHidden() && m->UpLoadLabel->isHidden());
        p->Click(m->LoadBt);
        QCOMPARE(m->UpLoadLabel->text(), " Load to Buffer ");
        QVERIFY(m->UpLoadLabel->isVisible() && m->UpLoadBar->isVisible());
        // The gauge moves while the read runs (in simulated time: one exchange takes tens of
        // milliseconds).
        for (int step = 0; step < 40 && m->UpLoadBar->value() == 0; ++step)
            p->Run(50);
        QVERIFY(m->UpLoadBar->value() > 0 && m->UpLoadBar->value() < 100);
        QVERIFY(m->UpLoadBar->isVisible());
        QVERIFY(!m->SaveBt->isEnabled());
        p->Run(5000);
        QVERIFY(m->UpLoadBar->isHidden() && m->UpLoadLabel->isHidden());
        QCOMPARE(m->UpLoadBar->value(), 0);
        for (QPushButton* b : {m->SaveBt, m->WriteBt, m->WrAllBt})
            QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
        QCOMPARE(m->Engine.State().ParamBuffer, Loaded(p->Controller(1).ParameterMemory()));
        QVERIFY(p->dialogs.messages.isEmpty());
    }

    void saveToFile_data() {
        QTest::addColumn<QString>("answer");      // the save dialog's answer
        QTest::addColumn<QByteArray>("existing"); // what the file held before; empty: none
        QTest::addColumn<QList<bool>>("confirm"); // the answers to "Over write : "
        QTest::addColumn<QString>("file");        // the file written
        QTest::addColumn<bool>("written");
        QTest::newRow("new file") << "copy.txt" << QByteArray() << QList<bool>() << "copy.txt"
                                  << true;
        QTest::newRow("named without extension")
            << "copy" << QByteArray() << QList<bool>() << "copy.txt" << true;
        QTest::newRow("overwrite confirmed")
            << "copy.txt" << QByteArray("old") << QList<bool>{true} << "copy.txt" << true;
        QTest::newRow("overwrite cancelled")
            << "copy.txt" << QByteArray("old") << QList<bool>{false} << "copy.txt" << false;
        QTest::newRow("dialog cancelled")
            << "" << QByteArray() << QList<bool>() << "copy.txt" << false;
    }
    void saveToFile() {
        QFETCH(QString, answer);
        QFETCH(QByteArray, existing);
        QFETCH(QList<bool>, confirm);
        QFETCH(QString, file);
        QFETCH(bool, written);
        p->Settle();
        TVRW2* m = p->monitor;
        p->LoadBuffer();
        const QString path = p->Path(file);
        if (!existing.isEmpty()) QVERIFY(WriteBytes(path, existing));
        p->dialogs.saveAnswers << (answer.isEmpty() ? answer : p->Path(answer));
        p->dialogs.confirmAnswers = confirm;
        p->Click(m->SaveBt);
        QVERIFY(m->Engine.State().SaveRequested); // the dialog waits for the engine's turn
        QVERIFY(p->dialogs.messages.isEmpty());
        p->Run(200);
        QVERIFY(!m->Engine.State().SaveRequested);
        if (!existing.isEmpty()) {
            QCOMPARE(p->dialogs.confirmations.size(), 1);
            QCOMPARE(p->dialogs.confirmations.first().caption, "Confirm");
            QCOMPARE(p->dialogs.confirmations.first().text, "Over write : " + file);
        } else {
            QVERIFY(p->dialogs.confirmations.isEmpty());
        }
        if (written) {
            QCOMPARE(FileBytes(path), ParamFileText(m->Engine.State().ParamBuffer));
            QCOMPARE(p->dialogs.texts(), QStringList{"Write to file success"});
            QCOMPARE(p->dialogs.messages.first().caption, "Message");
            QCOMPARE(m->UpLoadLabel->text(), "Save to File " + file);
            QCOMPARE(m->ParamFileName, file);
        } else {
            QCOMPARE(FileBytes(path), existing.isEmpty() ? QByteArray("(none)") : existing);
            QVERIFY(p->dialogs.messages.isEmpty());
        }
        QVERIFY(m->UpLoadBar->isHidden() && m->UpLoadLabel->isHidden());
        // Polling went on after the dialogs.
        const int asked = m->Engine.State().RequestCount[1];
        p->Run(1000);
        QVERIFY(m->Engine.State().RequestCount[1] > asked);
    }

    // With no station polled nothing is on the line: Open File and Save to File act at once,
    // not at some later Connect.
    void fileButtonsActAtOnceWithNothingPolled() {
        p->Open();
        TVRW2* m = p->monitor;
        QVERIFY(m->HoldsLine());
        QVERIFY(WriteBytes(p->Path("oven.txt"), ParamFileText(Numbered())));
        p->dialogs.openAnswers << p->Path("oven.txt");
        p->Click(m->OpenBt);
        QCOMPARE(p->dialogs.texts(), QStringList{"Load file data success"});
        QCOMPARE(m->Engine.State().ParamBuffer, Numbered());
        QVERIFY(m->SaveBt->isEnabled());
        p->dialogs.saveAnswers << p->Path("copy.txt");
        p->Click(m->SaveBt);
        QCOMPARE(p->dialogs.texts().last(), "Write to file success");
        QCOMPARE(FileBytes(p->Path("copy.txt")), ParamFileText(Numbered()));
        QVERIFY(!m->Engine.State().SaveRequested && !m->Engine.State().OpenRequested);
        // Nothing more pops up at the next Connect.
        p->Connect(1);
        p->Run(2000);
        QCOMPARE(p->dialogs.messages.size(), 2);
    }

    // Saving never reports success for a file it did not write; an existing file stays whole.
    void saveThatFailsSaysSo() {
        p->Settle();
        TVRW2* m = p->monitor;
        p->LoadBuffer();
        QVERIFY(QDir(p->dir.path()).mkdir("copy.txt")); // a folder in the way
        p->dialogs.saveAnswers << p->Path("copy.txt");
        p->dialogs.confirmAnswers << true;
        p->Click(m->SaveBt);
        p->Run(200);
        QCOMPARE(p->dialogs.messages.size(), 1);
        QCOMPARE(p->dialogs.messages.first().caption, "Warning");
        QVERIFY2(p->dialogs.messages.first().text.startsWith("Can not write file copy.txt"),
                 qPrintable(p->dialogs.messages.first().text));
        QVERIFY(QFileInfo(p->Path("copy.txt")).isDir());
        QVERIFY(m->UpLoadBar->isHidden());
    }

    void openFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // "(none)": no such file
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("taken");
        const QByteArray saved = ParamFileText(Numbered());
        QTest::newRow("saved file") << "oven.txt" << saved << "Message"
                                    << "Load file data success" << true;
        QTest::newRow("pairs on one line")
            << "line.txt" << QByteArray(saved).replace("  ", " ").replace("\r\n", " ") << "Message"
            << "Load file data success" << true;
        QTest::newRow("the end marker line deleted") << "short.txt" << saved.chopped(4) << "Message"
                                                     << "Data length error !" << true;
        QTest::newRow("half a file") << "half.txt" << saved.first(8 * 66) << "Message"
                                     << "Data length error !" << false;
        // Longer than the format: nothing of it is ready for Write to Select.
        QTest::newRow("a pair too many") << "long.txt" << saved + "00\r\n"
                                         << "Message"
                                         << "Data length error !" << false;
        QTest::newRow("10 MB of 00 pairs") << "zeros.txt" << QByteArray(5 << 20, '0') << "Message"
                                           << "Data length error !" << false;
        QTest::newRow("junk") << "junk.txt" << QByteArray(saved).replace(140, 2, "ZZ") << "Warning"
                              << "Not a parameter file: line 3 holds 'ZZ  23  24  25  26  ...'"
                              << false;
        QByteArray binary;
        for (int b = 0; b < 256; ++b)
            binary.append(char(b));
        QTest::newRow("binary") << "binary.txt" << binary << "Warning"
                                << "Not a parameter file: line 1 holds '????????????????????...'"
                                << false;
        QTest::newRow("missing") << "gone.txt" << QByteArray("(none)") << "Message"
                                 << "File not exist, Can not open file !" << false;
    }
    void openFile() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, caption);
        QFETCH(QString, text);
        QFETCH(bool, taken);
        p->Settle();
        TVRW2* m = p->monitor;
        if (bytes != "(none)") QVERIFY(WriteBytes(p->Path(name), bytes));
        const ParamImage before = m->Engine.State().ParamBuffer;
        p->dialogs.openAnswers << p->Path(name);
        p->Click(m->OpenBt);
        p->Run(200);
        QCOMPARE(p->dialogs.texts(), QStringList{text});
        QCOMPARE(p->dialogs.messages.first().caption, caption);
        QCOMPARE(m->ParamFileName, name);
        QCOMPARE(m->Engine.State().BufferLoaded, taken);
        for (QPushButton* b : {m->SaveBt, m->WriteBt, m->WrAllBt})
            QCOMPARE(b->isEnabled(), taken);
        if (taken) {
            for (int n = 0; n < ParamEntries; ++n)
                QCOMPARE(m->Engine.State().ParamBuffer[n], quint8(n));
        } else {
            QCOMPARE(m->Engine.State().ParamBuffer, before);
        }
        if (bytes != "(none)") QCOMPARE(m->UpLoadLabel->text(), "Open File" + name);
        QVERIFY(m->UpLoadBar->isHidden() && m->UpLoadLabel->isHidden());
        // Nothing was written to a controller.
        QVERIFY(!m->Engine.State().WritePending && !m->Engine.State().BufferWriting);
    }

    void writeToSelectNeedsCommunicationWrites() {
        p->Open();
        p->Controller(1).Set(0x4726, 0);
        p->ConnectAll();
        p->Run(3000);
        QVERIFY(WriteBytes(p->Path("oven.txt"), ParamFileText(Numbered())));
        p->dialogs.openAnswers << p->Path("oven.txt");
        p->Click(p->monitor->OpenBt);
        p->Run(200);
        QCOMPARE(p->dialogs.texts(), QStringList{"Load file data success"});
        QVERIFY(p->monitor->SaveBt->isEnabled());
        QVERIFY(p->monitor->WrAllBt->isEnabled());
        QVERIFY(!p->monitor->WriteBt->isEnabled());
    }

    // What a user does to copy settings: controller 1 into the buffer and a file, the file
    // into controller 3, then into every controller at once.
    void copySettingsBetweenControllers_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<int>("halfway"); // ms into the broadcast
        QTest::newRow("ascii") << false << 30000;
        QTest::newRow("rtu") << true << 500;
    }
    void copySettingsBetweenControllers() {
        QFETCH(bool, rtu);
        QFETCH(int, halfway);
        p->Open(rtu);
        sim::Controller& source = p->Controller(1);
        QVERIFY(source.Set(0x4701, 1234)); // set value 123.4
        QVERIFY(source.Set(0x4706, quint16(-55)));
        QVERIFY(source.Set(0x470C, 321));
        QVERIFY(source.Set(0x4720, 3));
        QVERIFY(source.Set(0x471B, 7));
        p->ConnectAll();
        p->Run(3000);
        TVRW2* m = p->monitor;
        p->LoadBuffer();
        const ParamImage read = m->Engine.State().ParamBuffer;
        QCOMPARE(read, Loaded(source.ParameterMemory()));
        p->dialogs.saveAnswers << p->Path("oven.txt");
        p->Click(m->SaveBt);
        p->Run(200);
        // Another buffer in between: the file brings controller 1's back.
        m->Engine.LoadBuffer(Numbered());
        p->dialogs.openAnswers << p->Path("oven.txt");
        p->Click(m->OpenBt);
        p->Run(200);
        QCOMPARE(p->dialogs.texts(),
                 QStringList({"Write to file success", "Load file data success"}));
        QCOMPARE(m->Engine.State().ParamBuffer, read);

        QTest::mouseClick(m->Image[3], Qt::LeftButton);
        p->Run(2000);
        QVERIFY(m->WriteBt->isEnabled());
        p->dialogs.confirmAnswers << true;
        p->Click(m->WriteBt);
        QCOMPARE(p->dialogs.confirmations.last().text,
                 "Write the buffer's 32 settings to station 3 (address 3) on COM1? What it holds "
                 "now is not known: Load to Buffer from it first to compare.");
        QCOMPARE(m->UpLoadLabel->text(), "Write to Select");
        QVERIFY(m->UpLoadBar->isVisible());
        p->Run(5000);
        QVERIFY(m->UpLoadBar->isHidden());
        QCOMPARE(WrittenSettings(p->Controller(3)), WrittenSettings(source));
        QVERIFY(WrittenSettings(p->Controller(2)) != WrittenSettings(source));
        // Read back from controller 3, its memory holds controller 1's settings.
        p->LoadBuffer();
        for (int n = 0; n < 52; ++n)
            QVERIFY2(m->Engine.State().ParamBuffer[n] == read[n], qPrintable(QString::number(n)));
        // The boxes show what controller 3 now holds.
        QCOMPARE(p->Edit("SetV")->text(), "123.4");

        p->dialogs.confirmAnswers << true;
        p->Click(m->WrAllBt);
        QCOMPARE(p->dialogs.confirmations.last().text,
                 "Write the buffer's 32 settings to every controller on COM1? No controller "
                 "answers a broadcast, so none can be checked afterwards.");
        QCOMPARE(m->UpLoadLabel->text(), "BroadCast");
        QVERIFY(!m->OpPanel->isEnabled());
        p->Run(halfway); // nobody answers a broadcast: each write waits for its time-out
        QVERIFY(!m->OpPanel->isEnabled());
        QVERIFY(m->UpLoadBar->value() > 0 && m->UpLoadBar->isVisible());
        p->Run(40000);
        QVERIFY(m->OpPanel->isEnabled());
        QVERIFY(m->UpLoadBar->isHidden());
        for (int address = 1; address <= 4; ++address)
            QCOMPARE(WrittenSettings(p->Controller(address)), WrittenSettings(source));
        // Each write said how it ended.
        QCOMPARE(p->dialogs.texts(),
                 QStringList({"Write to file success", "Load file data success",
                              "Write to Select done: the controller at address 3 took all 32 "
                              "settings.",
                              "BroadCast done: the 32 settings were sent to every controller on "
                              "the line. No controller answers a broadcast, so none could be "
                              "checked."}));
    }

    // Write to Select and BroadCast rewrite a whole parameter memory: they ask first, saying
    // how many settings change where the target's memory is known, and Cancel sends nothing.
    void bulkWriteAsksFirst_data() {
        QTest::addColumn<bool>("broadcast");
        QTest::addColumn<QString>("question");
        QTest::newRow("Write to Select")
            << false
            << "Write the buffer's 32 settings to station 1 (address 1) on COM1? 2 of them "
               "differ from what it holds.";
        QTest::newRow("BroadCast") << true
                                   << "Write the buffer's 32 settings to every controller on "
                                      "COM1? No controller answers a broadcast, so none can be "
                                      "checked afterwards.";
    }
    void bulkWriteAsksFirst() {
        QFETCH(bool, broadcast);
        QFETCH(QString, question);
        p->Settle();
        TVRW2* m = p->monitor;
        p->LoadBuffer(); // station 1's memory is now known
        ParamImage changed = m->Engine.State().ParamBuffer;
        for (int k : {0, 1}) {
            const ParamWriteSlot& slot = ParamWriteTable()[std::size_t(k)];
            changed[std::size_t(slot.high + (slot.word ? 1 : 0))] ^= 0x01;
        }
        m->Engine.LoadBuffer(changed);
        const qsizetype from = p->SentCount();
        p->dialogs.confirmAnswers << false;
        p->Click(broadcast ? m->WrAllBt : m->WriteBt);
        QCOMPARE(p->dialogs.confirmations.size(), 1);
        QCOMPARE(p->dialogs.confirmations.first().caption, "Confirm");
        QCOMPARE(p->dialogs.confirmations.first().text, question);
        p->Run(3000);
        QVERIFY(p->WritesSince(from).isEmpty());
        QVERIFY(!m->Engine.State().BufferWriting);
        QVERIFY(m->UpLoadBar->isHidden());
        QVERIFY(m->OpPanel->isEnabled());
    }

    // A broadcast cut short by a pulled line or a closed window leaves the window usable and
    // says what happened.
    void interruptedBroadcast_data() {
        QTest::addColumn<bool>("pull");
        QTest::newRow("line pulled") << true;
        QTest::newRow("window closed") << false;
    }
    void interruptedBroadcast() {
        QFETCH(bool, pull);
        p->Settle();
        TVRW2* m = p->monitor;
        p->LoadBuffer();
        p->dialogs.confirmAnswers << true;
        p->Click(m->WrAllBt);
        p->Run(10000);
        QVERIFY(!m->OpPanel->isEnabled());
        if (pull) {
            emit p->line->lost(QStringLiteral("unplugged"));
        } else {
            m->close();
        }
        p->Run(0);
        QVERIFY(!m->Engine.State().BufferWriting && !m->Engine.State().Broadcasting);
        QVERIFY(m->OpPanel->isEnabled());
        QVERIFY(m->UpLoadBar->isHidden() && m->UpLoadLabel->isHidden());
        const QString cause = pull ? "the line was lost" : "the window was closed";
        QVERIFY(!p->dialogs.messages.isEmpty());
        QCOMPARE(p->dialogs.messages.first().caption, "Warning");
        QVERIFY2(p->dialogs.messages.first().text.startsWith("BroadCast stopped: " + cause),
                 qPrintable(p->dialogs.messages.first().text));
        if (pull) {
            // The buffer can still be saved, though no engine turn comes any more.
            p->dialogs.saveAnswers << p->Path("kept.txt");
            p->Click(m->SaveBt);
            QCOMPARE(FileBytes(p->Path("kept.txt")), ParamFileText(m->Engine.State().ParamBuffer));
            return;
        }
        // Shown again, the window works as before.
        p->Open();
        p->Connect(1);
        p->Run(3000);
        QVERIFY(m->OpPanel->isVisible() && m->OpPanel->isEnabled());
        QVERIFY(m->LoadBt->isEnabled());
        p->LoadBuffer();
        QVERIFY(m->WrAllBt->isEnabled());
    }

    // The trend's tools: the wheel zooms about the mouse, the span follows new samples at the
    // newest one and stays on its samples when moved back (also once the history scrolls), the
    // cursor reads a sample's time, PV and SV, Reset gives the first view back, and Save image
    // keeps the chart.
    void trendChartTools() {
        p->Settle();
        TVRW2* m = p->monitor;
        p->Click(m->DrawBt);
        p->Run(700 * 1000);
        TrendImage* chart = m->DrawIme;
        const TrendGeometry& g = chart->Canvas().Geometry();
        const PollEngine& engine = m->Engine;
        const TrendSamples last = TrendOf(engine, 1);
        QCOMPARE(last.sv[std::size_t(last.index)], engine.State().StationSV[1]);

        const int middle = (g.X0 + g.X1) / 2;
        WheelOver(chart, middle, 1);
        QCOMPARE(m->TrendSpan.count, 720 * 0.8);
        QVERIFY(qAbs(m->TrendSpan.first - (359 - 288)) < 1); // about the sample in the middle
        chart->findChild<QAction*>(QStringLiteral("ResetViewAction"))->trigger();
        WheelOver(chart, g.X1, 2); // about the newest
        QVERIFY(m->TrendZoomed);
        QCOMPARE(m->TrendSpan.count, 720 * 0.64);
        const int n = SampleCountOf(TrendOf(engine, 1));
        QVERIFY(qAbs(m->TrendSpan.first + m->TrendSpan.count - n) < 0.5);

        p->Run(5000); // follows
        QCOMPARE(SampleCountOf(TrendOf(engine, 1)), n + 5);
        QVERIFY(qAbs(m->TrendSpan.first + m->TrendSpan.count - (n + 5)) < 0.5);

        Drag(chart, 300, 400, 50); // older samples come in
        const double back = 100 * m->TrendSpan.count / (g.X1 - g.X0);
        QVERIFY(qAbs(m->TrendSpan.first + m->TrendSpan.count - (n + 5 - back)) < 0.5);
        const double first = m->TrendSpan.first;
        p->Run(1000); // a new sample; those shown keep their places
        QVERIFY(!engine.State().TrendWrapped[1]);
        QCOMPARE(m->TrendSpan.first, first);
        while (!engine.State().TrendWrapped[1])
            p->Run(1000);
        QCOMPARE(m->TrendSpan.first, first);
        p->Run(10000); // the history is full: each sample moves those shown a place older
        QCOMPARE(m->TrendSpan.first, first - 10);

        QTest::mouseMove(chart, {middle, 50});
        const ChartReadout& readout = chart->Readout();
        QVERIFY(readout.Shown());
        const TrendSamples samples = TrendOf(engine, 1);
        const int k = chart->Canvas().SampleAt(samples, middle);
        const int at = RingPositionOf(samples, k);
        QCOMPARE(readout.texts[1], "PV " + TenthsText(samples.history[std::size_t(at)]));
        QCOMPARE(readout.texts[2], "SV " + TenthsText(samples.sv[std::size_t(at)]));
        // Samples are taken a second or more apart: this one is at least as many seconds old as
        // samples came after it, and one further right is younger by as many.
        const auto ageOf = [&](const QString& text) {
            const QTime taken = QTime::fromString(text, QStringLiteral("HH:mm:ss"));
            return taken.isValid() ? (taken.secsTo(QTime::currentTime()) + 86400) % 86400 : -1;
        };
        const int age = ageOf(readout.texts[0]);
        QVERIFY2(age >= 719 - k - 1, qPrintable(QStringLiteral("%1 %2").arg(age).arg(k)));
        QTest::mouseMove(chart, {g.X1 - 1, 50});
        const int later = chart->Canvas().SampleAt(TrendOf(engine, 1), g.X1 - 1);
        QVERIFY(later > k);
        QVERIFY(ageOf(chart->Readout().texts[0]) <= age - (later - k) + 1);

        chart->findChild<QAction*>(QStringLiteral("ResetViewAction"))->trigger();
        QVERIFY(!m->TrendZoomed);
        TrendCanvas fresh(ScreenWidth);
        fresh.DrawTrend(TrendOf(engine, 1));
        QCOMPARE(chart->Canvas().Image(), fresh.Image());

        p->dialogs.saveAnswers << p->dir.filePath(QStringLiteral("trend.png"));
        chart->findChild<QAction*>(QStringLiteral("SaveImageAction"))->trigger();
        QCOMPARE(QImage(p->dir.filePath(QStringLiteral("trend.png")))
                     .convertToFormat(QImage::Format_RGB32)
                     .copy(fresh.Image().rect()),
                 fresh.Image());
        // Leaving the view and coming back shows the first view again.
        WheelOver(chart, middle, 1);
        QVERIFY(m->TrendZoomed);
        p->Click(m->DrawBt); // View Setting
        p->Click(m->DrawBt); // View Record
        p->Run(1000);
        QVERIFY(!m->TrendZoomed);
        // Another station drawn is its first view again.
        WheelOver(chart, middle, 1);
        QVERIFY(m->TrendZoomed);
        QTest::keyClick(m, Qt::Key_2, Qt::ControlModifier);
        p->Run(1000);
        QVERIFY(!m->TrendZoomed);
    }

    // The saved trend names the selected station's PV and SV beside their colours, and the time
    // from its oldest to its newest sample shown, a second apart; zoomed, the samples it shows.
    void trendSavedWithLegend() {
        p->Settle();
        TVRW2* m = p->monitor;
        QTest::mouseClick(m->Image[2], Qt::LeftButton);
        p->Click(m->DrawBt);
        p->Run(300 * 1000);
        TrendImage* chart = m->DrawIme;
        const int n = SampleCountOf(TrendOf(m->Engine, 2));
        QVERIFY(n > 250);

        const QRegularExpression spanPattern(
            QStringLiteral("^(\\d{4}-\\d\\d-\\d\\d) (\\d\\d:\\d\\d:\\d\\d) – "
                           "(\\d{4}-\\d\\d-\\d\\d )?(\\d\\d:\\d\\d:\\d\\d), a sample every 1 s$"));
        // Seconds from the span's first sample to its last.
        const auto spanSeconds = [&](const ChartLegend& legend) {
            const QRegularExpressionMatch match = spanPattern.match(legend.span);
            if (!match.hasMatch()) return -1;
            const QDateTime from(QDate::fromString(match.captured(1), Qt::ISODate),
                                 QTime::fromString(match.captured(2), QStringLiteral("HH:mm:ss")));
            const QString toDate = match.captured(3).trimmed();
            const QDateTime to(toDate.isEmpty() ? from.date()
                                                : QDate::fromString(toDate, Qt::ISODate),
                               QTime::fromString(match.captured(4), QStringLiteral("HH:mm:ss")));
            return int(from.secsTo(to));
        };

        const ChartLegend whole = m->TrendLegend();
        QCOMPARE(whole.traces.size(), 2);
        QCOMPARE(whole.traces[0].name, "Station 2 (address 2) PV");
        QCOMPARE(whole.traces[1].name, "Station 2 (address 2) SV");
        QCOMPARE(whole.traces[0].colour, QColor(255, 255, 255));
        QCOMPARE(whole.traces[1].colour, QColor(0, 160, 0));
        QVERIFY2(qAbs(spanSeconds(whole) - (n - 1)) <= 1, qPrintable(whole.span));
        const QString path = p->dir.filePath(QStringLiteral("legend.png"));
        p->dialogs.saveAnswers << path;
        const QImage grab = chart->grab().toImage().copy(chart->Canvas().Image().rect());
        chart->findChild<QAction*>(QStringLiteral("SaveImageAction"))->trigger();
        const QString fault = vrx::test::SavedChartFault(
            QImage(path), grab, {whole.traces[0].colour, whole.traces[1].colour});
        QVERIFY2(fault.isEmpty(), qPrintable(fault));

        const TrendGeometry& g = chart->Canvas().Geometry();
        WheelOver(chart, (g.X0 + g.X1) / 2, 8);
        QVERIFY(m->TrendZoomed);
        QVERIFY(m->TrendSpan.count < n / 2);
        const ChartLegend zoomed = m->TrendLegend();
        const int shown = spanSeconds(zoomed);
        QVERIFY2(qAbs(shown - m->TrendSpan.count) <= 2, qPrintable(zoomed.span));

        // Without a trend on screen, nothing is said.
        p->Click(m->DrawBt);
        QVERIFY(m->TrendLegend().Empty());
    }

    void exitClosesTheEditorToo() {
        p->Open();
        p->forms->VRX5->show();
        QTest::mouseClick(p->monitor->ExitBt2, Qt::LeftButton);
        QVERIFY(!p->monitor->isVisible());
        QVERIFY(!p->forms->VRX5->isVisible());
        QVERIFY(!p->monitor->HoldsLine());
    }
};

VRX_TEST_MAIN(TestMonitorWindow)
#include "tst_monitorwindow.moc"
