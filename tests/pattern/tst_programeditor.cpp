// The Ramp/soak editor in the whole program, as the user sees it: its table and editors, the
// curve, "Read Setting" and "Write" through the Monitor's line to the simulated controllers,
// and the program files. Time is a manual clock; COM1 carries the demo controllers 1 to 4,
// station 3 of which runs a ramp/soak program.
#include "askedrequest.h"
#include "curveimage.h"
#include "framecodec.h"
#include "linedevice.h"
#include "manualtime.h"
#include "monitorprogram.h"
#include "monitorwindow.h"
#include "patterntransfer.h"
#include "programeditor.h"
#include "programfile.h"
#include "programwindows.h"
#include "radiogroup.h"
#include "registers.h"
#include "screenwidth.h"
#include "scripteddialogs.h"
#include "simulatedline.h"
#include "tapline.h"
#include "testmain.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStyle>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>

using namespace vrx;
using vrx::sim::Fault;
using vrx::sim::FaultKind;
using vrx::sim::SimulatedLine;
using vrx::test::Asked;
using vrx::test::ParseRequest;
using vrx::test::ScriptedDialogs;
using vrx::test::TapLine;

namespace {

// The program with COM1 on the demo controllers, on a manual clock, and the editor.
struct Program : vrx::test::Program {
    TVRX5* editor = forms->VRX5.get();

    // The Monitor with `st` connected, its settings read, and the editor opened from it.
    void OpenEditorOn(int st, bool rtu = false) {
        Open(rtu);
        Connect(st);
        QVERIFY(Until([this] { return monitor->ProgBt->isEnabled(); }));
        Click(monitor->ProgBt);
        QVERIFY(editor->isVisible());
    }
    // Runs the clock until `done` holds, at most `limitMs`.
    bool Until(const std::function<bool()>& done, int limitMs = 60000) {
        return RunUntil(done, limitMs);
    }
    // The editor shown and active, so that its editors can take the focus.
    void ShowEditor() {
        editor->show();
        editor->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(editor));
    }
    bool Busy() const { return editor->UpLoadBarP->isVisible(); }
    void ReadSetting() {
        Click(editor->ReadSBt);
        QVERIFY(Busy());
        QVERIFY(Until([this] { return !Busy(); }));
    }
    void Write() {
        Click(editor->WrBt);
        QVERIFY(Busy());
        QVERIFY(Until([this] { return !Busy(); }));
    }
    // Requests sent from position `from` on.
    QList<Asked> SentSince(qsizetype from) const {
        QList<Asked> sent;
        for (qsizetype i = from; i < tap->written.size(); ++i)
            sent << ParseRequest(tap->written.at(i), Rtu());
        return sent;
    }
    QList<Asked> WritesSince(qsizetype from) const {
        QList<Asked> writes;
        for (const Asked& r : SentSince(from))
            if (r.function == 0x06) writes << r;
        return writes;
    }
    // Program file text in the temporary folder.
    QString File(const QString& name, const QByteArray& text) {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) return {};
        return path;
    }
    void Load(const QString& path) {
        dialogs.openAnswers << path;
        Click(editor->ReadFBt);
    }
    QTableWidget* Table() const { return editor->ProgTable; }
    QString Cell(int row, int column) const { return Table()->item(row, column)->text(); }
    QStringList Cells() const {
        QStringList cells;
        for (int r = 0; r < ProgTableRows; ++r)
            for (int c = 0; c < ProgTableColumns; ++c)
                cells << Cell(r, c);
        return cells;
    }
    // The user clicks a cell of the table.
    void Select(int row, int column) {
        const QRect cell = Table()->visualRect(Table()->model()->index(row, column));
        QTest::mouseClick(Table()->viewport(), Qt::LeftButton, {}, cell.center());
    }
};

// Pattern 0 holds 25.0 for ten minutes and ramps to 50.0 in twenty; the program ends there.
PatternProgram Example() {
    PatternProgram program;
    program.PatternMaxStep[0] = 1;
    program.PatternSV[0][0] = 250;
    program.PatternTime[0][0] = 10;
    program.PatternSV[0][1] = 500;
    program.PatternTime[0][1] = 20;
    program.PatternLink.fill(ProgEnd);
    return program;
}

// The demo program of station 3: pattern 0 soaks at 50.0, ramps to 120.0, soaks, cools to
// 80.0, twice; pattern 1 ramps to 100.0 and back and links to pattern 0 again.
PatternProgram DemoProgram() {
    PatternProgram program;
    program.PatternMaxStep[0] = 3;
    program.PatternLoop[0] = 1;
    program.PatternLink = {1, 0, ProgEnd, ProgEnd, ProgEnd, ProgEnd, ProgEnd, ProgEnd};
    program.PatternMaxStep[1] = 1;
    const int steps[][2] = {{500, 2}, {1200, 5}, {1200, 5}, {800, 4}};
    for (int s = 0; s < 4; ++s) {
        program.PatternSV[0][s] = steps[s][0];
        program.PatternTime[0][s] = steps[s][1];
    }
    program.PatternSV[1][0] = 1000;
    program.PatternTime[1][0] = 3;
    program.PatternSV[1][1] = 600;
    program.PatternTime[1][1] = 3;
    return program;
}

// Each line shows in its own pen at its middle, or within a pixel of it; lines that run on
// past the right edge are drawn only as far as it.
bool PaintedAsDrawn(const QImage& image, const QList<CurveLine>& lines) {
    for (const CurveLine& line : lines) {
        const QPoint middle = (line.from + line.to) / 2;
        if (!image.rect().contains(middle)) continue;
        bool found = false;
        for (int dy = -1; dy <= 1 && !found; ++dy)
            found = image.pixelColor(middle + QPoint(0, dy)).rgb() ==
                    (CurvePenRgb(line.pen) | 0xFF000000u);
        if (!found) return false;
    }
    return true;
}

// The program's curve in the image's field, as a bare image of the field's size draws it over
// the time the axes show.
QList<CurveLine> CurveInField(const PatternProgram& program, const ProgramCurve& shown) {
    QList<CurveLine> lines =
        DrawProgramCurve(program, shown.plot.size(), ShownMinutes(*WalkProgram(program))).lines;
    for (CurveLine& line : lines) {
        line.from += shown.plot.topLeft();
        line.to += shown.plot.topLeft();
    }
    return lines;
}

QStringList Texts(const QList<AxisLabel>& labels) {
    QStringList texts;
    for (const AxisLabel& label : labels)
        texts << label.text;
    return texts;
}

// Something is written in the box: a pixel darker than the field's white and its faint grid.
bool Written(const QImage& image, const QRect& box) {
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128) return true;
    return false;
}

QList<CurvePen> Pens(const QList<CurveLine>& lines) {
    QList<CurvePen> pens;
    for (const CurveLine& line : lines)
        pens << line.pen;
    return pens;
}

} // namespace

Q_DECLARE_METATYPE(vrx::PatternProgram)

class TestRampSoakEditor : public QObject {
    Q_OBJECT

    std::unique_ptr<Program> p;

private slots:
    void init() { p = std::make_unique<Program>(); }
    void cleanup() { p.reset(); }

    void formAsShown() {
        TVRX5* e = p->editor;
        e->show();
        QCOMPARE(e->windowTitle(), "VRX Ramp Soak function Editor");
        QStringList columns, rows;
        for (int c = 1; c < ProgTableColumns; ++c)
            columns << p->Cell(0, c);
        for (int r = 1; r < ProgTableRows; ++r)
            rows << p->Cell(r, 0);
        QCOMPARE(columns, QStringList({"Pattern 0", "Pattern 1", "Pattern 2", "Pattern 3",
                                       "Pattern 4", "Pattern 5", "Pattern 6", "Pattern 7"}));
        QCOMPARE(rows.first(), "Step Max.");
        QCOMPARE(rows.mid(1, 4),
                 QStringList({"Set Value 0", "Execute Time 0", "Set Value 1", "Execute Time 1"}));
        QCOMPARE(rows.mid(16), QStringList({"Execute Time 7", "Loop Count", "Link Pattern"}));
        const QList<QPair<QPushButton*, const char*>> buttons = {
            {e->EditPBt, "Edit"},      {e->ReadSBt, "Read Setting"}, {e->WrBt, "Write"},
            {e->ReadFBt, "Read File"}, {e->SaveFBt, "Save to ..."},  {e->RetBt, "Back"},
            {e->POKBt, "Enter"}};
        for (const auto& [button, caption] : buttons)
            QCOMPARE(button->text(), caption);
        QCOMPARE(e->EditBox->title(), "Edit Page");
        QCOMPARE(e->StartPLB->text(), "Start Pattern");
        QCOMPARE(e->ProgStart->count(), 8);
        QCOMPARE(e->StepLink->itemText(8), "Prog End");
        QCOMPARE(e->TimeHour->count(), 16);
        QCOMPARE(e->TimeMin->maximum(), 59);
        QCOMPARE(e->SPEdit->text(), "0");
        // Editing starts from a transferred program.
        QVERIFY(!e->EditPBt->isEnabled() && !e->WrBt->isEnabled() && !e->SaveFBt->isEnabled());
        QVERIFY(e->ReadSBt->isEnabled() && e->ReadFBt->isEnabled() && e->RetBt->isEnabled());
        for (QWidget* hidden : std::initializer_list<QWidget*>{e->EditBox, e->ProgCurve,
                                                               e->UpLoadBarP, e->UpLoadLabelP})
            QVERIFY2(hidden->isHidden(), qPrintable(hidden->objectName()));
        QCOMPARE(e->ProgCurve->size(), ProgCurveSize(ScreenWidth));
        QCOMPARE(p->Table()->columnWidth(0), Scaled(80));
        QCOMPARE(p->Table()->columnWidth(8), Scaled(80));
        QCOMPARE(p->Table()->rowHeight(19), Scaled(20));
        QCOMPARE(p->Table()->currentRow(), 1);
        QCOMPARE(p->Table()->currentColumn(), 1);
        e->RetBtClick();
        QVERIFY(!e->isVisible());
    }

    // Every title and every value a cell can show is readable whole, and the window with its
    // table and curve fits the screen.
    void readableOnTheScreen() {
        TVRX5* e = p->editor;
        PatternProgram wide;
        wide.StartPattern = 0;
        for (auto& pattern : wide.PatternSV)
            pattern.fill(-32768);
        for (auto& pattern : wide.PatternTime)
            pattern.fill(900);
        wide.PatternLoop.fill(99);
        wide.PatternLink.fill(ProgEnd);
        p->Load(p->File("wide.txt", ProgramFileText(wide)));
        e->show();
        QVERIFY(e->screen()->availableGeometry().contains(e->frameGeometry()));
        const QRect window = e->rect();
        for (QWidget* w : {static_cast<QWidget*>(e->ProgTable), static_cast<QWidget*>(e->ProgCurve),
                           static_cast<QWidget*>(e->EditBox), static_cast<QWidget*>(e->RetBt)})
            QVERIFY2(window.contains(w->geometry()), qPrintable(w->objectName()));
        QVERIFY(!e->ProgCurve->geometry().intersects(e->ProgTable->geometry()));
        QVERIFY(!e->EditBox->geometry().intersects(e->ProgTable->geometry()));
        const QFontMetrics metrics(p->Table()->font());
        // A cell's text keeps a margin at each side, and the grid line takes a pixel.
        const int margins =
            2 * (p->Table()->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + 1;
        for (int r = 0; r < ProgTableRows; ++r) {
            for (int c = 0; c < ProgTableColumns; ++c) {
                const int room = p->Table()->columnWidth(c) - margins;
                QVERIFY2(metrics.horizontalAdvance(p->Cell(r, c)) <= room,
                         qPrintable(QStringLiteral("%1,%2 %3").arg(r).arg(c).arg(p->Cell(r, c))));
            }
        }
        QVERIFY(metrics.height() <= p->Table()->rowHeight(1));
        for (QPushButton* button : e->findChildren<QPushButton*>())
            QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) < button->width(),
                     qPrintable(button->objectName()));
    }

    // "Read Setting" reads the selected station in 20 replies through the Monitor's line and
    // fills the table; the buttons wait for it.
    void readSetting_data() {
        QTest::addColumn<bool>("rtu");
        QTest::newRow("ascii") << false;
        QTest::newRow("rtu") << true;
    }
    void readSetting() {
        QFETCH(bool, rtu);
        p->OpenEditorOn(3, rtu);
        TVRX5* e = p->editor;
        // A step below zero comes as a word above 32767.
        p->Controller(3).Set(reg::StepTable + 2 * 9, 0xFF9C); // pattern 1, step 1: -10.0
        QSignalSpy gauge(e->UpLoadBarP, &QProgressBar::valueChanged);
        const qsizetype from = p->tap->written.size();
        p->Click(e->ReadSBt);
        QCOMPARE(e->UpLoadLabelP->text(), "Load");
        QVERIFY(e->UpLoadLabelP->isVisible());
        QVERIFY(!e->SaveFBt->isEnabled() && !e->ReadFBt->isEnabled() && !e->WrBt->isEnabled());
        QVERIFY(!e->ReadSBt->isEnabled());
        QVERIFY(p->Until([&] { return !p->Busy(); }));

        QList<Asked> reads;
        for (const Asked& r : p->SentSince(from))
            if (r.reg >= reg::StartPattern) reads << r;
        QList<Asked> expected = {
            {3, 3, 0x4767, 1}, {3, 3, 0x4770, 8}, {3, 3, 0x4768, 8}, {3, 3, 0x4778, 8}};
        for (int j = 0; j < 64; j += 4)
            expected << Asked{3, 3, 0x4780 + 2 * j, 8};
        QCOMPARE(reads, expected);
        QList<int> shown;
        for (const QList<QVariant>& value : gauge)
            shown << value.first().toInt();
        QCOMPARE(shown, (QList<int>{1,  2,  4,  5,  11, 17, 23, 29, 35,  41, 47,
                                    52, 58, 64, 70, 76, 82, 88, 94, 100, 0}));
        QVERIFY(e->UpLoadLabelP->isHidden());

        PatternProgram demo = DemoProgram();
        demo.PatternSV[1][1] = -100;
        QCOMPARE(ProgramFileText(e->Program), ProgramFileText(demo));
        // The program read is drawn at once, in the field its axes leave, the set values in the
        // unit the station shows (its °C lamp).
        QVERIFY(e->ProgCurve->isVisible());
        const ProgramCurve& curve = e->ProgCurve->Curve();
        QCOMPARE(curve.lines, CurveInField(demo, curve));
        QCOMPARE(curve.temperatureUnit.text, "°C");
        QCOMPARE(e->ProgStart->currentText(), "Pattern 0");
        QCOMPARE(p->Cell(1, 1), "3");
        QCOMPARE(p->Cell(2, 1), "50.0");
        QCOMPARE(p->Cell(3, 1), "00:02");
        QCOMPARE(p->Cell(4, 1), "120.0");
        QCOMPARE(p->Cell(4, 2), "-10.0");
        QCOMPARE(p->Cell(18, 1), "1");
        QCOMPARE(p->Cell(19, 1), "Pattern 1");
        QCOMPARE(p->Cell(19, 2), "Pattern 0");
        QVERIFY(e->SaveFBt->isEnabled() && e->ReadFBt->isEnabled() && e->EditPBt->isEnabled());
        QVERIFY(e->WrBt->isEnabled()); // the demo controllers take writes
        QVERIFY(p->dialogs.messages.isEmpty());
        // Saved as the controller holds it.
        p->dialogs.saveAnswers << p->dir.filePath("demo.txt");
        p->Click(e->SaveFBt);
        QVERIFY(ReadProgramFile(p->dir.filePath("demo.txt"), {}).program == demo);
    }

    // With communication writes off at the selected station, Write stays disabled; it follows
    // the station when they are switched on.
    void writeFollowsCommWrite() {
        p->OpenEditorOn(3);
        TVRX5* e = p->editor;
        p->Controller(3).Set(reg::CommWriteEnable, 0);
        QVERIFY(p->Until([&] { return !p->monitor->Engine.State().CommWriteEnabled[3]; }, 10000));
        p->ReadSetting();
        QVERIFY(e->EditPBt->isEnabled());
        QVERIFY(!e->WrBt->isEnabled());
        p->Load(p->File("example.txt", ProgramFileText(Example())));
        QVERIFY(!e->WrBt->isEnabled());
        p->Controller(3).Set(reg::CommWriteEnable, 1);
        QVERIFY(p->Until([&] { return e->WrBt->isEnabled(); }, 10000));
        p->Controller(3).Set(reg::CommWriteEnable, 0);
        QVERIFY(p->Until([&] { return !e->WrBt->isEnabled(); }, 10000));
    }

    // A value the table holds that no controller runs (a loop count of 200, as a controller of
    // other limits may hand out; the simulated ones refuse to hold it): Write refuses the
    // program, naming the cell, and sends nothing.
    void writeRefusesValuesOutOfRange() {
        p->OpenEditorOn(3);
        TVRX5* e = p->editor;
        p->ReadSetting();
        e->Program.PatternLoop[2] = 200;
        QVERIFY(e->WrBt->isEnabled());
        p->dialogs.messages.clear();
        const qsizetype from = p->tap->written.size();
        p->Click(e->WrBt);
        QCOMPARE(p->dialogs.texts(),
                 QStringList{"Pattern 2 Loop Count : 200 is out of range for a loop count (0 to "
                             "99) !"});
        QVERIFY(!p->Busy());
        p->Run(3000);
        QVERIFY(p->WritesSince(from).isEmpty());
        QVERIFY(!e->Transfer.Writing());
    }

    // Edited values are stored as the editors give them and shown in their cells.
    void storeTypedValue_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<int>("stored");
        QTest::newRow("whole degrees") << 4 << "25"
                                       << "25.0" << 250;
        QTest::newRow("negative, decimals cut") << 4 << "-12.57"
                                                << "-12.5" << -125;
        QTest::newRow("refused") << 4 << "12a"
                                 << "50.0" << 500;
        QTest::newRow("loop count capped") << 18 << "150"
                                           << "99" << 99;
        QTest::newRow("loop count not a number") << 18 << "x1"
                                                 << "2" << 2;
    }
    void storeTypedValue() {
        QFETCH(int, row);
        QFETCH(QString, typed);
        QFETCH(QString, cell);
        QFETCH(int, stored);
        PatternProgram program = Example();
        program.PatternLoop[0] = 2;
        p->Load(p->File("example.txt", ProgramFileText(program)));
        TVRX5* e = p->editor;
        e->show();
        p->Select(row, 1);
        p->Click(e->EditPBt);
        QVERIFY(e->SPEdit->isVisible());
        QCOMPARE(e->StepLinkLb->text(), row == 18 ? "Loop Count" : "Set Value");
        e->SPEdit->clear();
        QTest::keyClicks(e->SPEdit, typed);
        QTest::keyClick(e->SPEdit, Qt::Key_Return);
        QCOMPARE(p->Cell(row, 1), cell);
        QCOMPARE(row == 18 ? e->Program.PatternLoop[0] : e->Program.PatternSV[0][1], stored);
    }

    void storeChosenItem_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("cell");
        QTest::newRow("step count") << 1 << 4 << "4";
        QTest::newRow("link") << 19 << 3 << "Pattern 3";
        QTest::newRow("end of program") << 19 << 8 << "Prog End";
    }
    void storeChosenItem() {
        QFETCH(int, row);
        QFETCH(int, item);
        QFETCH(QString, cell);
        p->Load(p->File("example.txt", ProgramFileText(Example())));
        TVRX5* e = p->editor;
        p->ShowEditor();
        p->Select(row, 2);
        p->Click(e->EditPBt);
        QComboBox* list = row == 1 ? e->MaxStep : e->StepLink;
        QVERIFY(list->isVisible() && list->hasFocus());
        QCOMPARE(e->StepLinkLb->text(), row == 1 ? "Step Count" : "Link Pattern");
        list->setCurrentIndex(item);
        QCOMPARE(p->Cell(row, 2), row == 1 ? "0" : "Prog End"); // a choice waits for Enter
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(p->Cell(row, 2), cell);
        QCOMPARE(row == 1 ? e->Program.PatternMaxStep[1] : e->Program.PatternLink[1], item);
    }

    // A time is stored at every change of hours or minutes; 15 hours takes no minutes.
    void storeTime() {
        p->Load(p->File("example.txt", ProgramFileText(Example())));
        TVRX5* e = p->editor;
        p->ShowEditor();
        p->Select(5, 1); // pattern 0, step 1: 00:20
        p->Click(e->EditPBt);
        QVERIFY(e->TimeHour->isVisible() && e->TimeMin->isVisible());
        QVERIFY(e->StepLinkLb->isHidden() && e->SPEdit->isHidden());
        QVERIFY(e->POKBt->hasFocus());
        QCOMPARE(e->TimeHour->currentIndex(), 0);
        QCOMPARE(e->TimeMin->value(), 20);
        e->TimeHour->setCurrentIndex(1);
        QCOMPARE(p->Cell(5, 1), "01:20");
        e->TimeMin->setValue(5);
        QCOMPARE(p->Cell(5, 1), "01:05");
        QCOMPARE(e->Program.PatternTime[0][1], 65);
        e->TimeHour->setCurrentIndex(15);
        QCOMPARE(p->Cell(5, 1), "15:00");
        QCOMPARE(e->TimeMin->value(), 0);
        QVERIFY(!e->TimeMin->isEnabled());
        QCOMPARE(e->Program.PatternTime[0][1], 900);
        // Another cell, chosen while editing, brings its own value into the editor.
        p->Select(3, 1);
        QCOMPARE(e->TimeHour->currentIndex(), 0);
        QCOMPARE(e->TimeMin->value(), 10);
        QVERIFY(e->TimeMin->isEnabled());
        QCOMPARE(p->Cell(3, 1), "00:10");
        // Moving on with the keys keeps the focus in the table and the editor in step.
        p->Table()->setFocus();
        QTest::keyClick(p->Table(), Qt::Key_Down);
        QCOMPARE(e->EditRow, 4);
        QVERIFY(e->SPEdit->isVisible());
        QCOMPARE(e->SPEdit->text(), "50.0");
        QVERIFY(p->Table()->hasFocus());
        QTest::keyClick(p->Table(), Qt::Key_Up);
        // The titles are not cells to edit.
        p->Select(0, 3);
        p->Select(7, 0);
        QCOMPARE(e->EditRow, 3);
        QCOMPARE(e->EditCol, 1);
    }

    // The curve of the worked example, and how it follows the edits.
    void curveFollowsTheTable() {
        p->Load(p->File("example.txt", ProgramFileText(Example())));
        TVRX5* e = p->editor;
        e->show();
        const QSize size = ProgCurveSize(ScreenWidth);
        // Loading draws it at once, and Edit draws the same.
        QVERIFY(e->ProgCurve->isVisible());
        const ProgramCurve loaded = e->ProgCurve->Curve();
        QCOMPARE(loaded.size, size);
        QCOMPARE(loaded.lines, CurveInField(Example(), loaded));
        p->Click(e->EditPBt);
        QVERIFY(e->ProgCurve->isVisible());
        QCOMPARE(e->ProgCurve->Curve(), loaded);
        // Green and flat at the bottom (25.0) to 10 of 30 minutes, up to the top (50.0) at the
        // end of the program, then olive to the right edge of the field, in the axes.
        const QRect plot = loaded.plot;
        QList<CurveLine> lines = loaded.lines;
        QCOMPARE(Pens(lines), QList<CurvePen>({CurvePen::Green, CurvePen::Green, CurvePen::Olive}));
        QCOMPARE(lines[0].from.y(), lines[0].to.y());
        QCOMPARE((lines[0].to.x() - plot.left()) * 3, lines[1].to.x() - plot.left());
        QCOMPARE(lines[1].to.y(), plot.top() + 2);
        QCOMPARE(lines.last().to, QPoint(plot.right() - 1, plot.top() + 2));
        QVERIFY(lines.last().to.x() - lines.last().from.x() >= plot.width() / 8);
        // Its axes: from the bottom's 25 degrees to the top's 50, and minutes from 0; no
        // station is selected, so the unit of the degrees is not known.
        const QStringList temperatures = Texts(loaded.temperatureLabels);
        QCOMPARE(temperatures.first(), "25");
        QCOMPARE(temperatures.last(), "50");
        QCOMPARE(loaded.temperatureLabels.first().tick, lines[0].from.y());
        QCOMPARE(loaded.temperatureLabels.last().tick, lines[1].to.y());
        QCOMPARE(Texts(loaded.timeLabels).mid(0, 3), QStringList({"0", "5", "10"}));
        QCOMPARE(loaded.timeLabels[2].tick, lines[0].to.x());
        QCOMPARE(loaded.timeUnit.text, "min");
        QVERIFY(loaded.temperatureUnit.text.isEmpty());
        QImage image = e->ProgCurve->grab().toImage();
        QVERIFY(PaintedAsDrawn(image, lines));
        for (const QList<AxisLabel>& labels :
             {loaded.temperatureLabels, loaded.timeLabels, QList<AxisLabel>{loaded.timeUnit}})
            for (const AxisLabel& label : labels)
                QVERIFY2(Written(image, label.box), qPrintable(label.text));
        // Above the flat start nothing but the field and its faint grid.
        QVERIFY(qGray(image.pixel((plot.left() + lines[0].to.x()) / 2,
                                  plot.top() + plot.height() / 3)) > 200);
        QCOMPARE(image.pixelColor(0, 0), QColor(Qt::black));

        // Linked to itself: blue from the start, navy for the repetitions.
        p->Select(19, 1);
        e->StepLink->setCurrentIndex(0);
        QTest::keyClick(e->StepLink, Qt::Key_Return);
        lines = e->ProgCurve->Curve().lines;
        image = e->ProgCurve->grab().toImage();
        QCOMPARE(lines.first().pen, CurvePen::Blue);
        // The repetition shows in the field, whatever its width.
        QVERIFY(std::any_of(lines.begin(), lines.end(), [&](const CurveLine& line) {
            return line.pen == CurvePen::Navy && line.to.x() <= plot.right();
        }));
        QVERIFY(PaintedAsDrawn(image, lines));
        const int bottom = lines[0].from.y();
        const int w = size.width();

        // A program without time leaves an empty field, not the old curve.
        for (int row : {3, 5}) {
            p->Select(row, 1);
            e->TimeMin->setValue(0);
        }
        QVERIFY(e->ProgCurve->isVisible());
        QVERIFY(!e->ProgCurve->Curve().drawn);
        image = e->ProgCurve->grab().toImage();
        QCOMPARE(image.pixelColor(w / 6, bottom), QColor(Qt::white));
        // The start pattern comes from ProgStart.
        e->ProgStart->setCurrentIndex(2);
        QCOMPARE(e->Program.StartPattern, 2);
        // A curve on screen follows a program that is loaded.
        p->Load(p->File("example.txt", ProgramFileText(Example())));
        QCOMPARE(e->ProgCurve->Curve(), loaded);
    }

    // Saved byte for byte through the dialog, asked before overwriting, loaded back whole.
    void fileRoundTrip() {
        TVRX5* e = p->editor;
        p->Load(p->File("example.txt", ProgramFileText(Example())));
        QCOMPARE(p->dialogs.texts(), QStringList{"Load file data success"});
        QCOMPARE(p->dialogs.messages.last().caption, "Message");
        QCOMPARE(e->Program, Example());
        QVERIFY(e->SaveFBt->isEnabled() && e->EditPBt->isEnabled());

        p->dialogs.saveAnswers << p->dir.filePath("saved");
        p->Click(e->SaveFBt);
        const QString saved = p->dir.filePath("saved.txt");
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), ProgramFileText(Example()));
        file.close();
        QCOMPARE(p->dialogs.texts().last(), "Write to file success");
        QVERIFY(p->dialogs.confirmations.isEmpty());
        QVERIFY(e->UpLoadBarP->isHidden());

        e->show();
        p->Select(2, 1);
        p->Click(e->EditPBt);
        e->SPEdit->setText("-7.5");
        p->Click(e->POKBt);
        // Cancel keeps the file; OK replaces it.
        p->dialogs.saveAnswers << saved << saved;
        p->dialogs.confirmAnswers << false << true;
        p->Click(e->SaveFBt);
        QCOMPARE(p->dialogs.confirmations.last().text, "Over write : saved.txt");
        QVERIFY(ReadProgramFile(saved, {}).program == Example());
        p->Click(e->SaveFBt);
        PatternProgram edited = Example();
        edited.PatternSV[0][0] = -75;
        QVERIFY(ReadProgramFile(saved, {}).program == edited);

        p->Load(p->File("other.txt", ProgramFileText(PatternProgram{})));
        QCOMPARE(p->Cell(2, 1), "0.0");
        p->Load(saved);
        QCOMPARE(e->Program, edited);
        QCOMPARE(p->Cell(2, 1), "-7.5");
        QCOMPARE(p->dialogs.texts().last(), "Load file data success");
    }

    // Files that do not hold one whole program change nothing: not the table, not the
    // program a Write would send, not the buttons.
    void fileThatChangesNothing_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("message");
        QByteArray bad = ProgramFileText(Example());
        bad.replace("250  500", "250  5OO");
        QTest::newRow("bad number") << bad << true << "'5OO' is not a valid integer value";
        QByteArray shortFile = ProgramFileText(Example());
        shortFile.chop(QByteArray("0  \r\n").size());
        QTest::newRow("152 numbers") << shortFile << true << "Data length error !";
        QTest::newRow("154 numbers") << ProgramFileText(Example()) + "1\r\n"
                                     << true << "Data length error !";
        QTest::newRow("missing") << QByteArray() << false << "File not exist, Can not open file !";
        // Numbers their registers cannot hold: 70000 would show as 7000.0 and reach the
        // controller as 446.4.
        QTest::newRow("set value 70000")
            << QByteArray(ProgramFileText(Example())).replace("250  500", "70000  500") << true
            << "Line 5 : 70000 is out of range for a set value (-32768 to 32767) !";
        PatternProgram longStep = Example();
        longStep.PatternTime[0][1] = 65600;
        QTest::newRow("time 65600 min")
            << ProgramFileText(longStep) << true
            << "Line 13 : 65600 is out of range for an execute time (0 to 900) !";
    }
    void fileThatChangesNothing() {
        QFETCH(QByteArray, text);
        QFETCH(bool, exists);
        QFETCH(QString, message);
        TVRX5* e = p->editor;
        e->show();
        for (const bool before : {false, true}) {
            if (before) p->Load(p->File("before.txt", ProgramFileText(DemoProgram())));
            p->dialogs.messages.clear();
            const QStringList cells = p->Cells();
            const PatternProgram program = e->Program;
            const QString path = exists ? p->File("faulty.txt", text) : p->dir.filePath("none.txt");
            p->Load(path);
            QCOMPARE(p->dialogs.texts(), QStringList{message});
            QCOMPARE(p->Cells(), cells);
            QCOMPARE(e->Program, program);
            QCOMPARE(e->EditPBt->isEnabled(), before);
            QCOMPARE(e->SaveFBt->isEnabled(), before);
            QVERIFY(e->ReadFBt->isEnabled() && e->ReadSBt->isEnabled());
            QVERIFY(e->UpLoadBarP->isHidden() && e->UpLoadLabelP->isHidden());
        }
    }

    // The end of the file ends the last number, as a line end would.
    void fileWithoutFinalLineEnd() {
        QByteArray text = ProgramFileText(Example());
        text.chop(QByteArray("0  \r\n").size());
        text += "7";
        p->Load(p->File("noend.txt", text));
        QCOMPARE(p->dialogs.texts(), QStringList{"Load file data success"});
        QCOMPARE(p->editor->Program.PatternTime[7][7], 7);
        QCOMPARE(p->Cell(17, 8), "00:07");
    }

    // A file that cannot be written is reported, and never as a success.
    void failedSaveIsReported() {
        p->Load(p->File("example.txt", ProgramFileText(Example())));
        p->dialogs.messages.clear();
        QVERIFY(QDir(p->dir.path()).mkdir("taken.txt"));
        p->dialogs.saveAnswers << p->dir.filePath("taken.txt");
        p->dialogs.confirmAnswers << true;
        p->Click(p->editor->SaveFBt);
        QCOMPARE(p->dialogs.messages.size(), 1);
        QVERIFY2(p->dialogs.texts().first().startsWith("Can not write file taken.txt"),
                 qPrintable(p->dialogs.texts().first()));
        QVERIFY(p->editor->UpLoadBarP->isHidden());
    }

    // "Write" sends the 153 registers in order to the selected station; the controller then
    // holds the program, reads it back equal and runs it, and the Monitor shows it running.
    void writeReadBackAndRun_data() {
        QTest::addColumn<bool>("rtu");
        QTest::newRow("ascii") << false;
        QTest::newRow("rtu") << true;
    }
    void writeReadBackAndRun() {
        QFETCH(bool, rtu);
        p->OpenEditorOn(3, rtu);
        TVRX5* e = p->editor;
        p->ReadSetting();
        // Pattern 0: -10.0 for a minute, up to 30.0 in one; then pattern 1: 20.0 in one, end.
        PatternProgram program;
        program.PatternMaxStep[0] = 1;
        program.PatternSV[0][0] = -100;
        program.PatternTime[0][0] = 1;
        program.PatternSV[0][1] = 300;
        program.PatternTime[0][1] = 1;
        program.PatternLink = {1, ProgEnd, ProgEnd, ProgEnd, ProgEnd, ProgEnd, ProgEnd, ProgEnd};
        program.PatternSV[1][0] = 200;
        program.PatternTime[1][0] = 1;
        p->Load(p->File("short.txt", ProgramFileText(program)));
        p->dialogs.messages.clear();

        QSignalSpy gauge(e->UpLoadBarP, &QProgressBar::valueChanged);
        const qsizetype from = p->tap->written.size();
        p->Click(e->WrBt);
        QCOMPARE(e->UpLoadLabelP->text(), "Writing Now");
        QVERIFY(!e->WrBt->isEnabled() && !e->ReadSBt->isEnabled() && !e->ReadFBt->isEnabled());
        // What is edited meanwhile is not sent: the program as it was at "Write" is.
        p->Select(2, 2);
        p->Click(e->EditPBt);
        e->SPEdit->setText("77");
        p->Click(e->POKBt);
        QVERIFY(p->Until([&] { return !p->Busy(); }));
        // Said once the engine's turn is over.
        p->Run(0);
        QCOMPARE(p->dialogs.texts(),
                 QStringList{"Write finished : all 153 values written to address 3."});
        QCOMPARE(p->dialogs.messages.first().caption, "Message");
        QCOMPARE(gauge.last().first().toInt(), 0);
        QCOMPARE(gauge.at(gauge.size() - 2).first().toInt(), 100);

        const QList<Asked> writes = p->WritesSince(from);
        QCOMPARE(writes.size(), PatternWriteFrames);
        for (int k = 0; k < PatternWriteFrames; ++k) {
            QCOMPARE(writes[k].address, 3);
            QCOMPARE(writes[k].reg, 0x4767 + k);
            QCOMPARE(writes[k].value, int(PatternWriteValue(program, k)));
        }
        QCOMPARE(writes[25].reg, 0x4780);
        QCOMPARE(writes[25].value, 0xFF9C); // -10.0
        QCOMPARE(writes[26].reg, 0x4781);
        QCOMPARE(writes[26].value, 1);
        QVERIFY(e->WrBt->isEnabled() && e->ReadSBt->isEnabled());

        // Read back: what the controller holds is what was written.
        p->ReadSetting();
        QCOMPARE(e->Program, program);
        QCOMPARE(p->Cell(2, 1), "-10.0");

        // Started again at the controller, the program runs; the Monitor's SV display of the
        // station follows it pattern by pattern, step by step.
        sim::Controller& controller = p->Controller(3);
        QCOMPARE(controller.Write(reg::RunStop, 0), sim::Exception::None);
        QCOMPARE(controller.Write(reg::RunStop, 1), sim::Exception::None);
        QStringList seen;
        QLineEdit* sv = p->monitor->EditS[3];
        QVERIFY(p->Until(
            [&] {
                if (p->monitor->Engine.State().ProgramRunning[3] &&
                    (seen.isEmpty() || seen.last() != sv->text()))
                    seen << sv->text();
                return seen.contains(" 1 - 00");
            },
            120000));
        QCOMPARE(seen, QStringList({" 0 - 00", " 0 - 01", " 1 - 00"}));
        QVERIFY(p->Until([&] { return !p->monitor->Engine.State().ProgramRunning[3]; }, 60000));
        QCOMPARE(int(qint16(controller.Peek(reg::SetValue))), 200);
    }

    // A write the controller does not answer goes again; values it refuses are reported when
    // the write is through, each by its place in the table and the controller's reason.
    void unansweredAndRefusedWrites() {
        p->OpenEditorOn(3);
        TVRX5* e = p->editor;
        p->ReadSetting();
        PatternProgram program = Example();
        // A word the register holds, below the lowest set value the controller takes.
        program.PatternSV[2][0] = -25000;
        p->Load(p->File("nine.txt", ProgramFileText(program)));
        p->dialogs.messages.clear();
        const qsizetype from = p->tap->written.size();
        p->Click(e->WrBt);
        // The reply on the line when Write was pressed is already on its way; the first write
        // is the next request the controller hears.
        p->line->InjectFault(Fault{FaultKind::NoAnswer, 3, 1});
        QVERIFY(p->Until([&] { return !p->Busy(); }));
        p->Run(0);
        const QList<Asked> writes = p->WritesSince(from);
        QCOMPARE(writes.size(), PatternWriteFrames + 1);
        QCOMPARE(writes[0], writes[1]); // the first, unanswered, sent again
        QCOMPARE(p->dialogs.texts(),
                 QStringList{"Write finished : 1 of 153 values refused by the controller at "
                             "address 3 !\nPattern 2 Set Value 0 (register 47A0) : refused, "
                             "illegal data (exception 03)"});
        QCOMPARE(p->dialogs.messages.first().caption, "Warning");
        for (int k = 0; k < PatternWriteFrames; ++k) {
            if (k == 25 + 2 * 8 * 2) continue; // the refused one
            QCOMPARE(p->Controller(3).Peek(reg::StartPattern + k), PatternWriteValue(program, k));
        }
    }

    // Back while a Write is out says that the write goes on, and it does, to its end.
    void backDuringAWriteSaysItGoesOn() {
        p->OpenEditorOn(3);
        TVRX5* e = p->editor;
        p->Load(p->File("example.txt", ProgramFileText(Example())));
        p->dialogs.messages.clear();
        p->Click(e->WrBt);
        QVERIFY(p->Until([&] { return e->UpLoadBarP->value() >= 10; }));
        p->Click(e->RetBt);
        QVERIFY(!e->isVisible());
        QCOMPARE(p->dialogs.texts(),
                 QStringList{"The program is still being written to the controller. The write "
                             "goes on after the editor closes, and a message says when it has "
                             "ended."});
        QVERIFY(p->Until([&] { return !e->Transfer.Writing(); }));
        p->Run(0);
        QCOMPARE(p->dialogs.texts().last(),
                 "Write finished : all 153 values written to address 3.");
        for (int k = 0; k < PatternWriteFrames; ++k)
            QCOMPARE(p->Controller(3).Peek(reg::StartPattern + k), PatternWriteValue(Example(), k));
    }

    // A transfer whose station goes away ends: the table stays as it was, the buttons are
    // usable again, and the user is told.
    void transferEndsWithItsStation_data() {
        QTest::addColumn<bool>("write");
        QTest::newRow("read") << false;
        QTest::newRow("write") << true;
    }
    void transferEndsWithItsStation() {
        QFETCH(bool, write);
        p->OpenEditorOn(3);
        TVRX5* e = p->editor;
        p->Load(p->File("example.txt", ProgramFileText(Example())));
        p->dialogs.messages.clear();
        const QStringList cells = p->Cells();
        p->Click(write ? e->WrBt : e->ReadSBt);
        QVERIFY(p->Until([&] { return e->UpLoadBarP->value() >= 10; }));
        // Pulled off the line: three time-outs drop it.
        p->line->InjectFault(Fault{FaultKind::NoAnswer, 3, 0});
        QVERIFY(p->Until([&] { return !p->Busy(); }));
        p->Run(0);
        // The Monitor says which controller went; the editor what became of its transfer.
        QCOMPARE(p->dialogs.messages.size(), 2);
        const QString dropped = "Station 3: address 3 does not answer. It is no longer polled; "
                                "press Connect to try it again.";
        QVERIFY(p->dialogs.texts().contains(dropped));
        p->dialogs.messages.removeIf([&](const auto& m) { return m.text == dropped; });
        QCOMPARE(p->dialogs.messages.first().caption, "Warning");
        if (write) {
            // How far it got, where it stopped and why, in one message.
            const QString text = p->dialogs.texts().first();
            const int written =
                QRegularExpression("^Write not complete : (\\d+) ").match(text).captured(1).toInt();
            QVERIFY2(written > 0 && written < PatternWriteFrames, qPrintable(text));
            QCOMPARE(text, QString("Write not complete : %1 of 153 values written to address 3 !\n"
                                   "Not written from %2 on : address 3 stopped answering (Time "
                                   "out).")
                               .arg(written)
                               .arg(PatternWritePlace(written)));
        } else {
            QCOMPARE(p->dialogs.texts().first(),
                     "Read Setting not complete, the table is unchanged !");
        }
        QCOMPARE(p->Cells(), cells);
        QCOMPARE(e->Program, Example());
        QVERIFY(!p->monitor->Engine.State().PatternWriting &&
                !p->monitor->Engine.State().PatternReading);
        QVERIFY(e->ReadSBt->isEnabled() && e->ReadFBt->isEnabled() && e->SaveFBt->isEnabled());
        QVERIFY(!e->WrBt->isEnabled()); // nobody to write to
        // Back on the line and connected again, nothing of the old transfer goes out.
        p->line->ClearFaults();
        const qsizetype from = p->tap->written.size();
        QTest::mouseClick(p->monitor->RunBt[3], Qt::LeftButton);
        p->clock.Run(3000);
        QVERIFY(p->WritesSince(from).isEmpty());
    }

    // Without a connected station there is nobody to read from or write to.
    void noStationNoTransfer() {
        TVRX5* e = p->editor;
        p->Load(p->File("example.txt", ProgramFileText(Example())));
        p->dialogs.messages.clear();
        e->show();
        p->Click(e->ReadSBt);
        QCOMPARE(p->dialogs.texts(),
                 QStringList{"No station connected, Connect one in the Monitor first !"});
        QVERIFY(e->UpLoadBarP->isHidden());
        QVERIFY(e->ReadSBt->isEnabled());
        QVERIFY(!e->WrBt->isEnabled());
        QVERIFY(!p->monitor->Engine.State().PatternReadPending);
    }
};

VRX_TEST_MAIN(TestRampSoakEditor)
#include "tst_programeditor.moc"
