// The Recorder window in the whole program, as a user sees it: its controls, a saved recording
// of simulated controllers read back in the viewer, overwrite questions, a dropped device, a
// file that cannot be written, broken and missing files, and the viewer's track bar, interval
// and check boxes. Time is a manual clock; dialogs answer from a script.
#include "chartmouse.h"
#include "fakeline.h"
#include "framecodec.h"
#include "glyphs.h"
#include "manualtime.h"
#include "programwindows.h"
#include "pullableline.h"
#include "radiogroup.h"
#include "savedchart.h"
#include "screenwidth.h"
#include "scripteddialogs.h"
#include "simulatedline.h"
#include "testmain.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>

#include <cmath>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using namespace vrx;
using vrx::test::Boxes;
using vrx::test::Drag;
using vrx::test::FakeLineFactory;
using vrx::test::ScriptedDialogs;
using vrx::test::WheelOver;

namespace {

const QString DropText = QStringLiteral("One of VRW device loss connection !");
const QString BrokenText = QStringLiteral("File Broken or Data incorrect!");
// COM1 as a fake line the test answers itself.
const QByteArray FakeCom;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
}

// A record of `lines` lines of one device at `interval` seconds, PV = line number.
QByteArray Record(int lines, int interval = 1, int address = 1) {
    const Addresses addresses{address, 0, 0, 0, 0, 0, 0, 0};
    QByteArray bytes = HeaderLine(addresses, interval) + "\r\n";
    for (int r = 0; r < lines; ++r) {
        Readings readings{};
        readings[0] = {true, r % 30000, 0};
        bytes += DataLine(addresses, readings, QTime(8, 0).addSecs(r * interval)) + "\r\n";
    }
    return bytes + "End\r\n";
}

// A record of `lines` lines of the devices at `addresses` from `start` at `interval` seconds,
// each device's PV a slope of its own, written at `written` (the file's modification time).
void WriteDatedRecord(const QString& path, const Addresses& addresses, int lines, QTime start,
                      int interval, const QDateTime& written) {
    QByteArray bytes = HeaderLine(addresses, interval) + "\r\n";
    for (int r = 0; r < lines; ++r) {
        Readings readings{};
        for (int p = 0; p < DevicePositions; ++p)
            if (addresses[std::size_t(p)] != 0) readings[std::size_t(p)] = {true, p * 50 + r, 0};
        bytes += DataLine(addresses, readings, start.addSecs(r * interval)) + "\r\n";
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes + "End\r\n");
    file.flush();
    QVERIFY(file.setFileTime(written, QFileDevice::FileModificationTime));
}

// The program with COM1 on simulated controllers (or a fake line) and a manual clock, the
// Recorder window open.
struct Program {
    explicit Program(const QByteArray& sim = "addresses=1,2:preset=factory") {
        QDir::setCurrent(dir.path());
        if (sim.isEmpty()) {
            fake = std::make_unique<FakeLineFactory>();
            qputenv("VRX_COM1", "sim");
        } else {
            // A test's own simulated line (one it can pull out) stays.
            if (!InstalledSimulatedLineFactory()) sim::InstallSimulatedLine();
            qputenv("VRX_COM1", "sim:" + sim);
        }
        forms = CreateForms();
        forms->VRW0->show();
        forms->VRW0->Recorder1Click();
        w = forms->VRW3.get();
        connect();
    }
    ~Program() {
        forms.reset();
        InstallSimulatedLineFactory({});
        QDir::setCurrent(home);
    }
    void connect() {
        QObject::connect(w->Engine, &RecordEngine::cycleCompleted, w->Engine,
                         [this](const CycleReport& r) { cycles.append(r); });
    }
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    void Click(QAbstractButton* b) const { QTest::mouseClick(b, Qt::LeftButton); }
    void Run(qint64 ms) { clock.Run(ms); }
    // Arms saving to a file by the save dialog; `confirm` answers a question if one comes.
    void Arm(const QString& path, bool confirm = true) {
        dialogs.saveAnswers << path;
        dialogs.confirmAnswers << confirm;
        Click(w->SaveBt);
    }
    void View(const QString& path) {
        dialogs.openAnswers << path;
        Click(w->DrawBt);
    }
    QColor AddressColour(int p) const {
        return w->ComAddrs[std::size_t(p)]->palette().color(QPalette::Base);
    }
    QColor PanelColour() const { return w->BackGndP->palette().color(QPalette::Window); }

    QString home = QDir::currentPath();
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<FakeLineFactory> fake;
    vrx::test::ManualTime clock{1000};
    std::unique_ptr<Forms> forms;
    TVRW3* w = nullptr;
    QList<CycleReport> cycles;
};

} // namespace

class TestRecorderWindow : public QObject {
    Q_OBJECT

private slots:
    void controls() {
        Program p;
        TVRW3* w = p.w;
        QCOMPARE(w->windowTitle(), "VRX Temperature Recoder Program");
        const QList<std::pair<const char*, const char*>> hints = {{"RecBt", "Recorde Program"},
                                                                  {"DrawBt", "Viewer"},
                                                                  {"SaveBt", "Save to File"},
                                                                  {"ExitBt3", "Close and Exit"}};
        for (const auto& [name, hint] : hints) {
            auto* b = w->findChild<QToolButton*>(name);
            QVERIFY2(b, name);
            QCOMPARE(b->toolTip(), hint);
        }
        QVERIFY(w->RecBt->isChecked());
        QVERIFY(!w->DrawBt->isChecked());
        QCOMPARE(w->StartBt->text(), "START");
        QCOMPARE(w->StartBt->palette().color(QPalette::ButtonText), QColor(0, 0, 255));
        QVERIFY(w->StartBt->font().bold());
        QCOMPARE(p.PanelColour(), QColor(0, 255, 0));
        const QList<QColor> colours = {{128, 128, 0},   {0, 0, 128}, {128, 0, 128}, {0, 128, 128},
                                       {128, 128, 128}, {0, 0, 255}, {128, 0, 0},   {0, 128, 0}};
        for (int p2 = 0; p2 < DevicePositions; ++p2) {
            auto* panel = w->findChild<QLabel*>(QStringLiteral("Panel%1").arg(p2 + 1));
            QVERIFY(panel);
            QCOMPARE(panel->text(), QStringLiteral("Device %1").arg(p2 + 1));
            QCOMPARE(panel->palette().color(QPalette::Window), colours[p2]);
            auto* box = w->findChild<QSpinBox*>(QStringLiteral("ComAddr%1").arg(p2 + 1));
            QVERIFY(box);
            QCOMPARE(box->value(), p2 == 0 ? 1 : 0);
            QCOMPARE(box->maximum(), 255);
            QCOMPARE(box->property("Tag").toInt(), p2);
            QCOMPARE(p.AddressColour(p2), QColor(Qt::white));
            auto* check = w->findChild<QCheckBox*>(QStringLiteral("AddRbt%1").arg(p2 + 1));
            QVERIFY(check);
            QVERIFY(check->isChecked());
            QCOMPARE(check->toolTip(), QStringLiteral("顯示/不顯示 紀錄%1資料").arg(p2 + 1));
        }
        QVERIFY(w->SelPl->isHidden());
        QCOMPARE(w->SampleTime->minimum(), 1);
        QCOMPARE(w->SampleTime->maximum(), 120);
        QCOMPARE(w->SampleTime->value(), 1);
        QCOMPARE(w->PSampleTime->text(), "Sample Time");
        QCOMPARE(w->SecPl->text(), "Sec.");
        QCOMPARE(w->PPropotion->text(), "Proportion");
        QCOMPARE(w->PRate->text(), "1 : 10");
        QCOMPARE(w->TrackBar1->maximum(), 600);
        QCOMPARE(w->TrackBar1->toolTip(), QStringLiteral("觀看不同時間紀錄資料"));
        // The hints are drawn, not boxes, where a font for them is installed.
        if (!QFontDatabase::families(QFontDatabase::TraditionalChinese).isEmpty()) {
            QCOMPARE(Boxes(QToolTip::font(), w->TrackBar1->toolTip()), 0);
            QCOMPARE(Boxes(QToolTip::font(), w->AddRbts[7]->toolTip()), 0);
        }
        QVERIFY(w->TrackBar1->isHidden());
        QCOMPARE(w->TimeLabel->text(), "Test Start Time : ");
        QCOMPARE(w->GetLabel->text(), "Refresh Data Time : ");
        // The chart image is the chart area at this screen width.
        QCOMPARE(w->Chart().Image().size(), QSize(Scaled(650), Scaled(450)));
        QCOMPARE(w->ResultT->size(), QSize(Scaled(650), Scaled(450)));
        // The port is open with the recorder's time-out, nothing sent yet.
        QVERIFY(w->HoldsLine());
        for (QWidget* child : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            QVERIFY2(w->rect().contains(child->geometry()), qPrintable(child->objectName()));
    }

    void nothingToRecord() {
        Program p(FakeCom);
        for (QSpinBox* box : p.w->ComAddrs)
            box->setValue(0);
        p.Click(p.w->StartBt);
        QCOMPARE(p.w->StartBt->text(), "START");
        QCOMPARE(p.PanelColour(), QColor(0, 255, 0));
        p.Run(3000);
        QVERIFY(p.fake->last->written.isEmpty());
    }

    // Recorded from two simulated controllers, saved, and read back the same in the viewer.
    // START and STOP at machine speed, with replies and time-outs falling anywhere between the
    // clicks: whatever state the clicks leave, a recording that is running completes its cycles
    // and one that is stopped starts again.
    void anyClicksLeaveItAbleToRecord_data() {
        QTest::addColumn<int>("clicks");
        QTest::addColumn<int>("maxDelay");
        // The longest pause between two clicks: none, shorter than an exchange, about one,
        // longer than the sample interval.
        for (int pause : {0, 3, 40, 1100}) {
            QTest::newRow(qPrintable(QStringLiteral("ends stopped, pauses to %1 ms").arg(pause)))
                << 1000 << pause;
            QTest::newRow(qPrintable(QStringLiteral("ends running, pauses to %1 ms").arg(pause)))
                << 1001 << pause;
        }
    }
    void anyClicksLeaveItAbleToRecord() {
        QFETCH(int, clicks);
        QFETCH(int, maxDelay);
        Program p;
        TVRW3* w = p.w;
        w->ComAddrs[1]->setValue(2);
        quint32 seed = 12345;
        for (int i = 0; i < clicks; ++i) {
            p.Click(w->StartBt);
            seed = seed * 1103515245u + 12345u;
            if (maxDelay)
                p.Run((seed >> 16) % maxDelay); // 0 to 39 ms: mid-request, mid-reply, at a time-out
        }
        if (w->StartBt->text() == "START") p.Click(w->StartBt);
        QCOMPARE(w->StartBt->text(), "STOP");
        const qsizetype before = p.cycles.size();
        p.Run(3500);
        QVERIFY2(p.cycles.size() - before >= 3,
                 qPrintable(QString::number(p.cycles.size() - before)));
        QVERIFY(p.dialogs.messages.isEmpty());
        const CycleReport& last = p.cycles.last();
        QVERIFY(last.readings[0].answered && last.readings[1].answered);
    }

    // A line pulled out while recording is said once, and the recording goes on into the same
    // file: the seconds without the line as `---`, never as the last values again, and the
    // values again once the line is back, with nothing for the user to do.
    void pulledLineRecordsGapsAndResumes() {
        test::PullableLine adapter;
        Program p;
        TVRW3* w = p.w;
        w->ComAddrs[1]->setValue(2);
        const QString path = p.Path("rec.txt");
        p.Arm(path);
        p.Click(w->StartBt);
        p.Run(3000);
        adapter.Pull();
        p.Run(4000);
        QCOMPARE(w->StartBt->text(), "STOP");
        adapter.PlugIn();
        p.Run(4000);
        p.Click(w->StartBt);
        QCOMPARE(p.dialogs.texts(),
                 QStringList{"COM1 (simulated controllers) was disconnected. It is opened again by "
                             "itself as soon as it is back."});

        QList<QByteArray> lines = ReadAll(path).split('\n');
        QCOMPARE(lines.takeFirst(), "01  02  00  00  00  00  00  00  01\r");
        QCOMPARE(lines.takeLast(), "");
        QCOMPARE(lines.takeLast(), "End\r");
        // Read, then missing, then read again: each line one or the other, in three runs.
        QString runs;
        for (const QByteArray& line : lines) {
            const QByteArray fields = line.first(32);
            const bool missing = fields.count("---") == 4; // PV and SV of both
            QVERIFY2(missing || !fields.contains('-'), line.constData());
            const QChar kind = missing ? '-' : 'v';
            if (runs.isEmpty() || runs.back() != kind) runs += kind;
        }
        QCOMPARE(runs, "v-v");
    }

    void savedRecordingReadsBack() {
        Program p;
        TVRW3* w = p.w;
        w->ComAddrs[1]->setValue(2);
        const QString path = p.Path("rec.txt");
        p.Arm(path);
        QVERIFY(w->SaveBt->isChecked());
        QVERIFY(p.dialogs.confirmations.isEmpty());
        p.Click(w->StartBt);
        QCOMPARE(w->StartBt->text(), "STOP");
        QCOMPARE(w->StartBt->toolTip(), "End of getting data");
        QCOMPARE(p.PanelColour(), QColor(255, 0, 0));
        QVERIFY(!w->DrawBt->isEnabled());
        QVERIFY(!w->SaveBt->isEnabled());
        QVERIFY(!w->SampleTime->isEnabled());
        QVERIFY(!w->ComAddrs[0]->isEnabled());
        QVERIFY(w->TimeLabel->text().startsWith("Test Start Time : "));
        QVERIFY(w->TimeLabel->text().size() > 20);

        p.Run(120 * 1000 + 500);
        QCOMPARE(p.cycles.size(), 121);
        QVERIFY(w->GetLabel->text().startsWith("Refresh Data Time : "));
        // Each line is on disk as its cycle completes.
        const QByteArray during = ReadAll(path);
        QCOMPARE(during.count('\n'), 1 + 121);
        QVERIFY(!during.contains("End"));

        p.Click(w->StartBt);
        QCOMPARE(w->StartBt->text(), "START");
        QCOMPARE(p.PanelColour(), QColor(0, 255, 0));
        QVERIFY(w->SaveBt->isChecked()); // still armed
        const QByteArray file = ReadAll(path);
        QVERIFY(file.startsWith("01  02  00  00  00  00  00  00  01\r\n"));
        QVERIFY(file.endsWith("End\r\n"));
        const QList<QByteArray> lines = file.split('\n');
        QCOMPARE(lines.size(), 1 + 121 + 1 + 1);
        for (int r = 0; r < 121; ++r) {
            const QByteArray& line = lines[r + 1];
            QCOMPARE(line.size(), 46 + 1);
            QVERIFY(line.startsWith("0 "));
            QCOMPARE(line.mid(16, 2), "1 ");
        }

        // The viewer: the same values, the file's addresses, one check box per device.
        p.View(path);
        QVERIFY(w->DrawBt->isChecked());
        QVERIFY(!w->RecBt->isChecked());
        QVERIFY(!w->RecBt->isEnabled());
        QCOMPARE(w->StartBt->text(), "END VIEW");
        QCOMPARE(w->StartBt->toolTip(), "End of display data");
        QVERIFY(w->SelPl->isVisible());
        QVERIFY(w->AddRbts[0]->isVisible());
        QVERIFY(w->AddRbts[1]->isVisible());
        QVERIFY(!w->AddRbts[2]->isVisible());
        QVERIFY(w->TrackBar1->isHidden());
        QCOMPARE(w->ViewCount, 121);
        QCOMPARE(w->ComAddrs[0]->value(), 1);
        QCOMPARE(w->ComAddrs[1]->value(), 2);
        for (int r = 0; r < 121; ++r) {
            QCOMPARE(w->View.Samples.At(0, r), p.cycles[r].readings[0].pv);
            QCOMPARE(w->View.Samples.At(1, r), p.cycles[r].readings[1].pv);
        }
        QVERIFY(p.dialogs.messages.isEmpty());
        // END VIEW, then back to recording.
        p.Click(w->StartBt);
        QCOMPARE(w->StartBt->text(), "START");
        QVERIFY(w->RecBt->isEnabled());
        p.Click(w->RecBt);
        QVERIFY(w->RecBt->isChecked());
        QVERIFY(!w->DrawBt->isChecked());
        QVERIFY(w->HoldsLine());
        QVERIFY(!w->SaveBt->isChecked());
    }

    // Arming on an existing file asks; recording again on the same file asks again.
    void overwriteQuestions() {
        Program p;
        const QString path = p.Path("old.txt");
        WriteFile(path, "older contents\r\n");
        p.Arm(path, false);
        QCOMPARE(p.dialogs.confirmations.size(), 1);
        QCOMPARE(p.dialogs.confirmations.first().text, "Over write : old.txt");
        QVERIFY(!p.w->SaveBt->isChecked());
        QVERIFY(!p.w->SaveArmed);
        p.Arm(path, true);
        QVERIFY(p.w->SaveArmed);

        p.Click(p.w->StartBt);
        p.Run(2500);
        p.Click(p.w->StartBt);
        QCOMPARE(ReadAll(path).count('\n'), 1 + 3 + 1);

        // Again on the same file: asked before the first line; Cancel records without it.
        p.dialogs.confirmAnswers << false;
        p.Click(p.w->StartBt);
        QCOMPARE(p.dialogs.confirmations.size(), 3);
        QCOMPARE(p.dialogs.confirmations.last().text, "Over write : old.txt");
        QVERIFY(!p.w->SaveArmed);
        QVERIFY(!p.w->RecordFileOpen());
        p.Run(2000);
        p.Click(p.w->StartBt);
        QCOMPARE(ReadAll(path).count('\n'), 1 + 3 + 1);

        // OK replaces the whole earlier recording.
        p.Arm(path, true);
        p.dialogs.confirmAnswers << true;
        p.Click(p.w->StartBt);
        p.Run(500);
        p.Click(p.w->StartBt);
        QCOMPARE(ReadAll(path).count('\n'), 1 + 1 + 1);
    }

    // An address typed into a box is the one recorded: it clears the red of a dropped
    // device, stays within the range, and the arrows go on from it.
    void typedAddressIsRecorded() {
        Program p("addresses=1,12:preset=factory");
        TVRW3* w = p.w;
        QSpinBox* box = w->ComAddrs[1];
        box->setValue(9);
        p.Click(w->StartBt);
        p.Run(10000);
        QCOMPARE(p.AddressColour(1), QColor(255, 0, 0));
        p.Click(w->StartBt);
        QCOMPARE(w->StartBt->text(), "START");

        box->selectAll();
        QTest::keyClicks(box, "300"); // the last digit would leave the range
        QCOMPARE(box->value(), 30);
        QTest::keyClick(box, Qt::Key_Up);
        QCOMPARE(box->value(), 31);
        box->selectAll();
        QTest::keyClicks(box, "12");
        QCOMPARE(box->value(), 12);
        QCOMPARE(w->Traces[1], 12);
        QCOMPARE(w->Engine->DeviceAddr()[1], 12);
        QCOMPARE(p.AddressColour(1), QColor(Qt::white));

        const QString path = p.Path("typed.txt");
        p.Arm(path);
        p.cycles.clear();
        p.Click(w->StartBt);
        p.Run(3000);
        p.Click(w->StartBt);
        QVERIFY(!p.cycles.isEmpty());
        QVERIFY(p.cycles.last().readings[1].answered);
        // The file names its devices in hex.
        QCOMPARE(ReadAll(path).split('\n').first(), "01  0C  00  00  00  00  00  00  01\r");
    }

    // A device that stops answering is dropped: its box turns red, the message shows, the file
    // keeps its field as a gap and the viewer reads the whole recording.
    void droppedDeviceDuringSavedRecording() {
        Program p(FakeCom);
        TVRW3* w = p.w;
        w->ComAddrs[1]->setValue(2);
        w->ComAddrs[2]->setValue(3);
        const QString path = p.Path("drop.txt");
        p.Arm(path);
        p.Click(w->StartBt);
        // Serve the three controllers for a while, then not the one at address 2.
        qsizetype served = 0;
        const auto serve = [&](qint64 ms, bool second) {
            for (qint64 t = 0; t < ms; t += 5) {
                p.Run(5);
                const QList<QByteArray> sent = p.fake->last->written;
                for (; served < sent.size(); ++served) {
                    const int address = HexToByte(sent[served][1], sent[served][2]);
                    if (address == 2 && !second) continue;
                    QByteArray reply = ':' + ByteToHex(address) + "0304" + "00FA" + "012C";
                    reply += AsciiLrc(reply) + "\r\n";
                    p.fake->last->Reply(reply);
                }
            }
        };
        serve(3000, true);
        QCOMPARE(p.cycles.size(), 3);
        serve(5000, false);
        QCOMPARE(p.dialogs.texts(), QStringList{DropText + "\nDevice 2 (address 2)"});
        QCOMPARE(p.dialogs.messages.first().caption, "Message");
        QCOMPARE(p.AddressColour(1), QColor(255, 0, 0));
        QCOMPARE(p.AddressColour(0), QColor(Qt::white));
        QCOMPARE(w->ComAddrs[1]->value(), 2); // keeps its value
        QVERIFY(w->Engine->Running());
        const qsizetype before = p.cycles.size();
        serve(3000, false);
        QCOMPARE(p.cycles.size(), before + 3);
        p.Click(w->StartBt);

        // Every line keeps the length of the first, with a gap for the dropped device.
        const QList<QByteArray> lines = ReadAll(path).split('\n');
        for (int r = 1; r < lines.size() - 2; ++r)
            QCOMPARE(lines[r].size(), 3 * 16 + 14 + 1);
        QVERIFY(lines[lines.size() - 3].contains("1 ---    ---    2 250"));
        p.View(path);
        QCOMPARE(p.dialogs.messages.size(), 1);
        QCOMPARE(w->StartBt->text(), "END VIEW");
        QCOMPARE(w->ViewCount, int(p.cycles.size()));
        QCOMPARE(w->View.Samples.At(1, 0), 250);
        QCOMPARE(w->View.Samples.At(1, w->ViewCount - 1), MissingSample);
        QCOMPARE(w->View.Samples.At(2, w->ViewCount - 1), 250);
    }

    // The drop message does not hold the recording: left open for a minute, the other device
    // is recorded every second meanwhile, into the file. It names the device; a second drop
    // while it is open waits for it and comes in a box of its own, never stacked on it.
    void dropMessageLeftOpen() {
        Program p("addresses=1:preset=factory");
        TVRW3* w = p.w;
        w->ComAddrs[1]->setValue(9);
        w->ComAddrs[2]->setValue(8);
        const QString path = p.Path("night.txt");
        p.Arm(path);
        const auto answered = [&p] {
            return std::count_if(p.cycles.begin(), p.cycles.end(),
                                 [](const CycleReport& c) { return c.readings[0].answered; });
        };
        bool opened = false;
        qsizetype during = 0;
        qsizetype shownDuring = 0;
        p.dialogs.whileOpen = [&](const test::ShownMessage&) {
            if (std::exchange(opened, true)) return;
            const qsizetype before = answered();
            p.Run(60000);
            during = answered() - before;
            shownDuring = p.dialogs.messages.size();
        };
        p.Click(w->StartBt);
        p.Run(10000);
        QVERIFY(opened);
        QVERIFY2(during >= 59, qPrintable(QString::number(during)));
        QCOMPARE(shownDuring, 1);
        QCOMPARE(p.dialogs.texts(), (QStringList{DropText + "\nDevice 2 (address 9)",
                                                 DropText + "\nDevice 3 (address 8)"}));
        QCOMPARE(p.AddressColour(1), QColor(255, 0, 0));
        QCOMPARE(p.AddressColour(2), QColor(255, 0, 0));
        QCOMPARE(w->StartBt->text(), "STOP");
        p.Click(w->StartBt);
        // The lines of the minute the box was open are in the file.
        const QList<QByteArray> lines = ReadAll(path).split('\n');
        QVERIFY2(lines.size() >= 1 + during + 2, qPrintable(QString::number(lines.size())));
        QVERIFY(lines[lines.size() - 3].startsWith("0 "));
    }

    // Devices slower together than the sample time: the file keeps a line a second, those of
    // the samples missed `---`, and the window says so once, naming the device.
    void slowDevicesSaidOnce() {
        Program p("addresses=1-3:preset=factory:turnaround=400");
        TVRW3* w = p.w;
        w->ComAddrs[1]->setValue(2);
        w->ComAddrs[2]->setValue(3);
        const QString path = p.Path("slow.txt");
        p.Arm(path);
        p.Click(w->StartBt);
        p.Run(20000 - 100);
        p.Click(w->StartBt);
        QCOMPARE(p.dialogs.texts(),
                 QStringList{"Device 3 (address 3) answers too slowly for the sample time: each "
                             "sample missed is recorded as ---."});
        const QList<QByteArray> lines = ReadAll(path).split('\n');
        QCOMPARE(lines.size(), 1 + 20 + 2);
        const auto missed = std::count_if(lines.begin() + 1, lines.end() - 2,
                                          [](const QByteArray& l) { return l.count("---") == 6; });
        QVERIFY2(missed >= 5 && missed <= 10, qPrintable(QString::number(missed)));
    }

    // A sample without a value is a gap in the live chart, as the viewer draws it: not a drop
    // to 0.0, which would read as a furnace gone cold.
    void gapIsDrawnAsGap() {
        test::PullableLine adapter;
        Program p;
        TVRW3* w = p.w;
        p.Click(w->StartBt);
        p.Run(5000);
        adapter.Pull();
        p.Run(10000);
        adapter.PlugIn();
        p.Run(5000);
        qsizetype first = -1;
        qsizetype last = -1;
        for (qsizetype i = 0; i < p.cycles.size(); ++i) {
            if (p.cycles[i].readings[0].answered) continue;
            if (first < 0) first = i;
            last = i;
        }
        QVERIFY(first > 0 && last - first >= 5 && last + 2 < p.cycles.size());
        QVERIFY(p.cycles[last + 1].readings[0].answered);
        const QImage image = w->Chart().Image().convertToFormat(QImage::Format_RGB32);
        const ChartGeometry& g = w->Chart().Geometry();
        const QRgb trace = DeviceColors()[0].rgb();
        const auto traced = [&](int x) {
            for (int y = 0; y < image.height(); ++y)
                if (image.pixel(x, y) == trace) return true;
            return false;
        };
        // Column j is drawn at ColumnX(j + 1).
        QVERIFY(traced(g.ColumnX(int(first) - 1)));
        QVERIFY(traced(g.ColumnX(int(last) + 3)));
        for (int x = g.ColumnX(int(first) + 1); x <= g.ColumnX(int(last) + 1); ++x)
            QVERIFY2(!traced(x), qPrintable(QString::number(x)));
    }

    void lastDeviceDroppedStops() {
        Program p(FakeCom);
        p.Click(p.w->StartBt);
        p.Run(4 * 10 * 55 + 100);
        QCOMPARE(p.dialogs.texts(), QStringList{DropText + "\nDevice 1 (address 1)"});
        QCOMPARE(p.w->StartBt->text(), "START");
        QCOMPARE(p.PanelColour(), QColor(0, 255, 0));
        QCOMPARE(p.AddressColour(0), QColor(255, 0, 0));
        QCOMPARE(p.fake->last->written.size(), 4);
        // START copies the boxes again: the box turns white, the device is asked again.
        p.Click(p.w->StartBt);
        QCOMPARE(p.AddressColour(0), QColor(Qt::white));
        QCOMPARE(p.fake->last->written.size(), 5);
    }

    void fileCannotBeCreated() {
        Program p;
        p.Arm(p.Path("no/such/folder/rec.txt"));
        QVERIFY(p.w->SaveArmed);
        p.Click(p.w->StartBt);
        QCOMPARE(p.dialogs.messages.size(), 1);
        QCOMPARE(p.dialogs.messages.first().caption, "Warning");
        QVERIFY(p.dialogs.messages.first().text.contains("rec.txt"));
        QVERIFY(!p.w->SaveBt->isChecked());
        // The recording goes on without the file.
        p.Run(3000);
        QCOMPARE(p.cycles.size(), 3);
        QCOMPARE(p.w->StartBt->text(), "STOP");
        QCOMPARE(p.dialogs.messages.size(), 1);
    }

#ifdef Q_OS_UNIX
    // The disk fills up during a saved recording: said once, the recording goes on, the file
    // keeps what was written and opens in the viewer.
    void fileUnwritableMidway() {
        Program p;
        const QString path = p.Path("full.txt");
        p.Arm(path);
        p.Click(p.w->StartBt);
        p.Run(2500);
        QCOMPARE(p.cycles.size(), 3);
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limited = saved;
        limited.rlim_cur = rlim_t(QFileInfo(path).size() + 10);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        p.Run(3000);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
        QCOMPARE(p.dialogs.messages.size(), 1);
        QCOMPARE(p.dialogs.messages.first().caption, "Warning");
        QCOMPARE(p.dialogs.messages.first().text,
                 "Cannot write full.txt : File too large\nRecording goes on without the file.");
        QCOMPARE(p.cycles.size(), 6);
        QCOMPARE(p.w->StartBt->text(), "STOP");
        QVERIFY(!p.w->RecordFileOpen());
        p.Click(p.w->StartBt);
        QCOMPARE(p.dialogs.messages.size(), 1);
        p.View(path);
        QCOMPARE(p.w->StartBt->text(), "END VIEW");
        QCOMPARE(p.w->ViewCount, 3);
    }
#endif

    // The file's folder removed during a saved recording: the next line would go into a file no
    // longer on disk. The file is made again, said once, and the recording goes on in it.
    void fileRemovedMidway() {
        Program p;
        const QString folder = p.Path("records");
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + "/removed.txt";
        p.Arm(path);
        p.Click(p.w->StartBt);
        p.Run(2500);
        QCOMPARE(p.cycles.size(), 3);
        QVERIFY(QDir(folder).removeRecursively());
        p.Run(3000);
        QCOMPARE(p.dialogs.messages.size(), 1);
        QCOMPARE(p.dialogs.messages.first().caption, "Warning");
        QCOMPARE(p.dialogs.messages.first().text,
                 "removed.txt was no longer there (removed or moved away).\nIt was made again "
                 "and the recording goes on in it.");
        QVERIFY(p.w->RecordFileOpen());
        p.Click(p.w->StartBt);
        QCOMPARE(p.dialogs.messages.size(), 1);
        p.View(path);
        QCOMPARE(p.w->StartBt->text(), "END VIEW");
        QCOMPARE(p.w->ViewCount, 3);
    }

    // The record being viewed goes out as CSV from View mode only; the message names the file.
    void viewedRecordExportsAsCsv() {
        Program p;
        QVERIFY(!p.w->ExportBt->isEnabled());
        const QString path = p.Path("viewed.txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(Record(3));
        file.close();
        p.View(path);
        QVERIFY(p.w->ExportBt->isEnabled());
        p.dialogs.saveAnswers << p.Path("out");
        QTest::mouseClick(p.w->ExportBt, Qt::LeftButton);
        QCOMPARE(p.dialogs.texts().last(), "Exported to " + p.Path("out.csv"));
        const QList<QByteArray> rows = ReadAll(p.Path("out.csv")).split('\n');
        QCOMPARE(rows.size(), 1 + 3 + 1);
        QCOMPARE(rows[0], "time,PV position 0 address 1,SV position 0 address 1\r");
        QVERIFY2(rows[1].endsWith("T08:00:00,0.0,0.0\r"), rows[1].constData());
        p.Click(p.w->StartBt); // END VIEW
        QVERIFY(!p.w->ExportBt->isEnabled());
    }

    // Closing the window while recording ends the file.
    void closingEndsTheFile() {
        Program p;
        const QString path = p.Path("closed.txt");
        p.Arm(path);
        p.Click(p.w->StartBt);
        p.Run(1500);
        p.w->close();
        QVERIFY(!p.w->HoldsLine());
        QVERIFY(ReadAll(path).endsWith("\r\nEnd\r\n"));
        QCOMPARE(ReadAll(path).count('\n'), 1 + 2 + 1);
    }

    void brokenAndMissingFiles_data() {
        QTest::addColumn<QByteArray>("bytes"); // empty: the file does not exist
        QTest::addColumn<QString>("message");
        QTest::newRow("header and End only")
            << QByteArray("01  02  00  00  00  00  00  00  01\r\nEnd\r\n") << BrokenText;
        QTest::newRow("lowercase header") << QByteArray("0a  00  00  00  00  00  00  00  01\r\n0 1 "
                                                        "     2          8:00:00 AM\r\nEnd\r\n")
                                          << BrokenText;
        QTest::newRow("missing") << QByteArray()
                                 << QStringLiteral("File not exist, Can not open file !");
    }
    void brokenAndMissingFiles() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        Program p;
        p.w->ComAddrs[3]->setValue(9);
        const QString path = p.Path("view.txt");
        if (!bytes.isEmpty()) WriteFile(path, bytes);
        p.View(path);
        QCOMPARE(p.dialogs.texts(), QStringList{message});
        QCOMPARE(p.dialogs.messages.first().caption, "Message");
        QCOMPARE(p.PanelColour(), QColor(0, 255, 0));
        QVERIFY(p.w->SelPl->isHidden());
        if (bytes.isEmpty()) {
            QVERIFY(!p.w->StartBt->isEnabled());
            return;
        }
        QCOMPARE(p.w->StartBt->text(), "START");
        QCOMPARE(p.w->ComAddrs[0]->value(), 1);
        QCOMPARE(p.w->ComAddrs[3]->value(), 0);
    }

    // The track bar: the view follows 200 ms after the last move, with one refresh.
    void trackBarFollowsAfterDelay() {
        Program p;
        const QString path = p.Path("long.txt");
        WriteFile(path, Record(10000));
        p.View(path);
        TVRW3* w = p.w;
        QVERIFY(w->TrackBar1->isVisible());
        QCOMPARE(w->ViewCount, 600);
        w->TrackBar1->setValue(300);
        p.Run(150);
        w->TrackBar1->setValue(600);
        QVERIFY(w->ViewRefreshPending);
        p.Run(199);
        QCOMPARE(w->View.ViewStart, qint64(0));
        p.Run(2);
        QVERIFY(!w->ViewRefreshPending);
        QCOMPARE(w->View.ViewStart, qint64(9420));
        QCOMPARE(w->ViewCount, 580);
        QCOMPARE(w->View.Samples.At(0, int(9420 - w->View.BlockStart) + 579), 9999);
        QCOMPARE(w->Chart().WindowMax, 9999);
        QCOMPARE(w->Chart().WindowMin, 9420);
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    // The file's interval rules SampleTime; a larger display interval thins the record.
    void displayInterval() {
        Program p;
        WriteFile(p.Path("seven.txt"), Record(50, 7));
        p.View(p.Path("seven.txt"));
        QCOMPARE(p.w->SampleTime->value(), 7);
        QCOMPARE(p.w->SampleTime->singleStep(), 7);
        QCOMPARE(p.w->SampleTime->maximum(), 119);
        p.Click(p.w->StartBt); // END VIEW
        WriteFile(p.Path("three.txt"), Record(2000, 3));
        p.View(p.Path("three.txt"));
        QCOMPARE(p.w->SampleTime->value(), 3);
        QCOMPARE(p.w->SampleTime->minimum(), 3);
        QCOMPARE(p.w->SampleTime->singleStep(), 3);
        QCOMPARE(p.w->SampleTime->maximum(), 120);
        QVERIFY(p.w->TrackBar1->isVisible());
        p.w->SampleTime->stepUp();
        QCOMPARE(p.w->SampleTime->value(), 6);
        p.Run(201);
        // Every second record: 1000 points, the first window of them.
        QCOMPARE(p.w->View.Samples.At(0, 1), 2);
        QCOMPARE(p.w->ViewCount, 600);
        QVERIFY(p.w->TrackBar1->isVisible());
        p.w->SampleTime->setValue(12);
        p.Run(201);
        QCOMPARE(p.w->ViewCount, 500);
        QVERIFY(p.w->TrackBar1->isHidden());
    }

    // The wheel zooms the time about the mouse, dragging moves it, the cursor reads the line
    // under it, and Reset gives the track bar's window back as it was drawn.
    void chartToolsZoomMoveReadAndReset() {
        Program p;
        WriteFile(p.Path("long.txt"), Record(20000));
        p.View(p.Path("long.txt"));
        TVRW3* w = p.w;
        ChartView* chart = w->ResultT;
        const QImage first = w->Chart().Image().copy();
        const int middle = chart->WidgetX(w->Chart().PlotLeft() + w->Chart().PlotWidth() / 2);

        WheelOver(chart, middle, 1);
        QVERIFY(w->Zoomed);
        QCOMPARE(w->Span.count, 480.0); // 600 lines, one notch closer
        QVERIFY(qAbs(w->Span.first - 60) < 2);
        // The chart's range is that of the lines shown (PV = line number), a line either side.
        QVERIFY(qAbs(w->Chart().WindowMin - w->Span.first) <= 2);
        QVERIFY(qAbs(w->Chart().WindowMax - (w->Span.first + 480)) <= 2);

        // All the way out: the whole record, its extremes exact once the summary is built.
        WheelOver(chart, middle, -30);
        QCOMPARE(w->Span.count, 20000.0);
        QCOMPARE(w->Span.first, 0.0);
        QTRY_COMPARE(w->Chart().WindowMax, 19999);
        QCOMPARE(w->Chart().WindowMin, 0);

        // Closer again, then dragged 100 pixels to the right: earlier lines come in.
        WheelOver(chart, middle, 8);
        const ChartSpan before = w->Span;
        Drag(chart, 300, 400, 100);
        const double moved = double(chart->ImageX(100)) * before.count / w->Chart().PlotWidth();
        QVERIFY(qAbs(before.first - w->Span.first - moved) < 1);
        QCOMPARE(w->Span.count, before.count);

        // Over a column of several lines the readout gives their times and each trace's
        // extremes: with PV = line number, the first and the last line.
        QTest::mouseMove(chart, {250, 100});
        QVERIFY(chart->Readout().Shown());
        QVERIFY(qAbs(chart->Readout().x - 250) <= 2);
        const QStringList extremes = chart->Readout().texts[1].mid(3).split(u'–');
        QCOMPARE(extremes.size(), 2);
        const int low = int(std::lround(extremes[0].toDouble() * 10));
        const int high = int(std::lround(extremes[1].toDouble() * 10));
        QVERIFY(high - low >= 4 && high - low <= 6); // 5.6 lines a pixel
        QCOMPARE(chart->Readout().texts[0], LongTimeText(QTime(8, 0).addSecs(low)) + " – " +
                                                LongTimeText(QTime(8, 0).addSecs(high)));

        // Closer than a line a pixel, it names the line under the mouse: time and value agree.
        WheelOver(chart, 250, 10);
        const ChartReadout& readout = chart->Readout();
        QVERIFY(readout.Shown());
        QCOMPARE(readout.texts.size(), 2);
        const int line = int(std::lround(readout.texts[1].mid(3).toDouble() * 10));
        QCOMPARE(readout.texts[1], "1: " + TenthsText(line));
        QCOMPARE(readout.texts[0], LongTimeText(QTime(8, 0).addSecs(line)));
        QCOMPARE(readout.colours[1], DeviceColors()[0]);

        chart->findChild<QAction*>(QStringLiteral("ResetViewAction"))->trigger();
        QVERIFY(!w->Zoomed);
        QCOMPARE(w->Chart().Image(), first);

        // The track bar's window replaces a zoomed view.
        WheelOver(chart, 100, 2);
        QVERIFY(w->Zoomed);
        w->TrackBar1->setValue(300);
        p.Run(201);
        QVERIFY(!w->Zoomed);
        QCOMPARE(w->View.ViewStart, qint64(9710));
    }

    // "Save image" keeps the chart as drawn, without the cursor; a failure is said.
    void chartSavedAsImage() {
        Program p;
        WriteFile(p.Path("short.txt"), Record(300));
        p.View(p.Path("short.txt"));
        QTest::mouseMove(p.w->ResultT, {200, 100});
        QAction* save = p.w->ResultT->findChild<QAction*>(QStringLiteral("SaveImageAction"));
        p.dialogs.saveAnswers << p.Path("chart");
        save->trigger();
        const QImage saved(p.Path("chart.png"));
        const QImage& chart = p.w->Chart().Image();
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32).copy(chart.rect()), chart);
        p.dialogs.saveAnswers << p.Path("no/such/folder/chart.png");
        save->trigger();
        QCOMPARE(p.dialogs.messages.size(), 1);
        QVERIFY(p.dialogs.messages[0].text.startsWith("The image could not be saved as "));
    }

    // The picture of a viewed record names each device shown beside its colour, and the time of
    // the window shown with its dates: the file's modification time dates its last line.
    void chartSavedWithLegend_data() {
        QTest::addColumn<Addresses>("addresses");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QTime>("start");
        QTest::addColumn<int>("interval");
        QTest::addColumn<QDateTime>("written");
        QTest::addColumn<int>("hidden");   // a position whose check box is cleared, or -1
        QTest::addColumn<bool>("atEnd");   // the track bar moved to the record's end
        QTest::addColumn<QString>("span"); // {from} and {to}: the times shown
        QTest::addColumn<QTime>("from");
        QTest::addColumn<QTime>("to");
        const QDate day(2026, 3, 14);
        QTest::newRow("two devices")
            << Addresses{1, 2, 0, 0, 0, 0, 0, 0} << 300 << QTime(8, 0) << 1
            << QDateTime(day, QTime(8, 5, 10)) << -1 << false
            << "2026-03-14 {from} – {to}, a sample every 1 s" << QTime(8, 0) << QTime(8, 4, 59);
        QTest::newRow("eight devices")
            << Addresses{1, 2, 3, 4, 5, 6, 7, 8} << 300 << QTime(10, 0) << 5
            << QDateTime(day, QTime(10, 25)) << -1 << false
            << "2026-03-14 {from} – {to}, a sample every 5 s" << QTime(10, 0) << QTime(10, 24, 55);
        QTest::newRow("one of two hidden")
            << Addresses{1, 9, 0, 0, 0, 0, 0, 0} << 300 << QTime(8, 0) << 1
            << QDateTime(day, QTime(8, 5, 10)) << 1 << false
            << "2026-03-14 {from} – {to}, a sample every 1 s" << QTime(8, 0) << QTime(8, 4, 59);
        QTest::newRow("across midnight")
            << Addresses{1, 2, 0, 0, 0, 0, 0, 0} << 300 << QTime(23, 58) << 1
            << QDateTime(day.addDays(1), QTime(0, 3, 5)) << -1 << false
            << "2026-03-14 {from} – 2026-03-15 {to}, a sample every 1 s" << QTime(23, 58)
            << QTime(0, 2, 59);
        // The last window of 1000 lines shows lines 420 to 999; the day before the file's was
        // passed at line 100.
        QTest::newRow("last window of a longer record")
            << Addresses{3, 0, 0, 0, 0, 0, 0, 0} << 1000 << QTime(23, 58, 20) << 1
            << QDateTime(day, QTime(0, 15)) << -1 << true
            << "2026-03-14 {from} – {to}, a sample every 1 s" << QTime(0, 5, 20)
            << QTime(0, 14, 59);
    }
    void chartSavedWithLegend() {
        QFETCH(Addresses, addresses);
        QFETCH(int, lines);
        QFETCH(QTime, start);
        QFETCH(int, interval);
        QFETCH(QDateTime, written);
        QFETCH(int, hidden);
        QFETCH(bool, atEnd);
        QFETCH(QString, span);
        QFETCH(QTime, from);
        QFETCH(QTime, to);
        Program p;
        WriteDatedRecord(p.Path("rec.txt"), addresses, lines, start, interval, written);
        p.View(p.Path("rec.txt"));
        QVERIFY(p.w->Viewing);
        if (hidden >= 0) p.Click(p.w->AddRbts[std::size_t(hidden)]);
        if (atEnd) {
            p.w->TrackBar1->setValue(p.w->TrackBar1->maximum());
            p.Run(201);
        }

        QStringList names;
        QList<QColor> shown;
        QList<QColor> absent;
        for (int d = 0; d < DevicePositions; ++d) {
            const int address = addresses[std::size_t(d)];
            const QColor colour = DeviceColors()[std::size_t(d)];
            if (address == 0 || d == hidden) {
                absent << colour;
                continue;
            }
            names << QStringLiteral("Device %1 (address %2)").arg(d + 1).arg(address);
            shown << colour;
        }
        const ChartLegend legend = p.w->SavedChartLegend();
        QStringList legendNames;
        QList<QColor> legendColours;
        for (const ChartLegend::Trace& trace : legend.traces) {
            legendNames << trace.name;
            legendColours << trace.colour;
        }
        QCOMPARE(legendNames, names);
        QCOMPARE(legendColours, shown);
        QCOMPARE(legend.span, QString(span)
                                  .replace(QStringLiteral("{from}"), LongTimeText(from))
                                  .replace(QStringLiteral("{to}"), LongTimeText(to)));

        p.dialogs.saveAnswers << p.Path("chart.png");
        p.w->ResultT->findChild<QAction*>(QStringLiteral("SaveImageAction"))->trigger();
        QVERIFY(p.dialogs.messages.isEmpty());
        const QString fault = vrx::test::SavedChartFault(
            QImage(p.Path("chart.png")), p.w->ResultT->grab().toImage(), shown, absent);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    // Zoomed, the legend gives the time of the lines the span shows, a line apart at the file's
    // interval whatever the display interval.
    void zoomedChartSavedWithLegend() {
        Program p;
        const QDate day(2026, 3, 14);
        WriteDatedRecord(p.Path("rec.txt"), {4, 0, 0, 0, 0, 0, 0, 0}, 2000, QTime(8, 0), 2,
                         QDateTime(day, QTime(9, 10)));
        p.View(p.Path("rec.txt"));
        p.w->SampleTime->setValue(4);
        p.Run(201);
        QCOMPARE(p.w->SavedChartLegend().span,
                 QStringLiteral("2026-03-14 %1 – %2, a sample every 4 s")
                     .arg(LongTimeText(QTime(8, 0)), LongTimeText(QTime(8, 0).addSecs(599 * 4))));
        WheelOver(p.w->ResultT, 300, 4);
        QVERIFY(p.w->Zoomed);
        const qint64 first = qint64(std::ceil(p.w->Span.first));
        const qint64 last = qint64(std::ceil(p.w->Span.first + p.w->Span.count)) - 1;
        QVERIFY(first > 0 && last - first < 1000);
        QCOMPARE(p.w->SavedChartLegend().span,
                 QStringLiteral("2026-03-14 %1 – %2, a sample every 2 s")
                     .arg(LongTimeText(QTime(8, 0).addSecs(int(first) * 2)),
                          LongTimeText(QTime(8, 0).addSecs(int(last) * 2))));
    }

    // A recording's picture names the devices it records and dates the window from the cycles
    // that took its first and newest sample, here on either side of midnight.
    void recordingSavedWithLegend() {
        Program p;
        TVRW3* w = p.w;
        w->ComAddrs[1]->setValue(2);
        const quint32 begun = Clock::Current().Milliseconds();
        w->Recorder->Engine().SetTimeSource([begun] {
            return QDateTime(QDate(2026, 3, 14), QTime(23, 59, 50))
                .addMSecs(Clock::Current().Milliseconds() - begun);
        });
        p.Click(w->StartBt);
        p.Run(20 * 1000 + 500);
        p.Click(w->StartBt); // STOP: the chart stays, and so does what it shows
        QVERIFY(p.cycles.size() >= 20);
        const QDateTime from = p.cycles.first().stamp;
        const QDateTime to = p.cycles.last().stamp;
        QVERIFY(from.date() != to.date());

        const ChartLegend legend = w->SavedChartLegend();
        QCOMPARE(legend.traces.size(), 2);
        QCOMPARE(legend.traces[0].name, "Device 1 (address 1)");
        QCOMPARE(legend.traces[1].name, "Device 2 (address 2)");
        QCOMPARE(legend.span, QStringLiteral("2026-03-14 %1 – 2026-03-15 %2, a sample every 1 s")
                                  .arg(LongTimeText(from.time()), LongTimeText(to.time())));
        p.dialogs.saveAnswers << p.Path("recording.png");
        w->ResultT->findChild<QAction*>(QStringLiteral("SaveImageAction"))->trigger();
        const QString fault = vrx::test::SavedChartFault(
            QImage(p.Path("recording.png")), w->ResultT->grab().toImage(),
            {DeviceColors()[0], DeviceColors()[1]},
            {DeviceColors().begin() + 2, DeviceColors().end()});
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    // Clearing a check box removes the trace; the range is computed without it.
    void checkBoxesHideTraces() {
        Program p;
        const Addresses addresses{1, 2, 0, 0, 0, 0, 0, 0};
        QByteArray bytes = HeaderLine(addresses, 1) + "\r\n";
        for (int r = 0; r < 100; ++r) {
            Readings readings{};
            readings[0] = {true, 200 + r, 0};
            readings[1] = {true, -50, 0};
            bytes += DataLine(addresses, readings, QTime(8, 0).addSecs(r)) + "\r\n";
        }
        WriteFile(p.Path("two.txt"), bytes + "End\r\n");
        p.View(p.Path("two.txt"));
        QCOMPARE(p.w->Chart().WindowMin, -50);
        p.Click(p.w->AddRbts[1]);
        QCOMPARE(p.w->Traces[1], 0);
        QCOMPARE(p.w->Chart().WindowMin, 200);
        QCOMPARE(p.w->Chart().WindowMax, 299);
        QCOMPARE(p.w->PRate->text(), "1 : 3");
        p.Click(p.w->AddRbts[1]);
        QCOMPARE(p.w->Traces[1], 2);
        QCOMPARE(p.w->Chart().WindowMin, -50);
    }
};

VRX_TEST_MAIN(TestRecorderWindow)
#include "tst_recorderwindow.moc"
