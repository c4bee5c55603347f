// The curve of a ramp/soak program: the walk, its scales and colours for the worked example,
// cycles drawn to the right edge, a cycle that takes no time, and values no controller runs; its
// axes: the labels of known programs, and labels that never lie over the lines or each other.
#include "programcurve.h"

#include <QTest>

using namespace vrx;

namespace {

using Lines = QList<CurveLine>;
using Labels = QList<AxisLabel>;

constexpr auto Green = CurvePen::Green;
constexpr auto Blue = CurvePen::Blue;
constexpr auto Navy = CurvePen::Navy;
constexpr auto Olive = CurvePen::Olive;

CurveLine Line(CurvePen pen, int x0, int y0, int x1, int y1) {
    return {pen, QPoint(x0, y0), QPoint(x1, y1)};
}

// A pattern of the given steps (set value in tenths, minutes), run once, linked on.
void SetPattern(PatternProgram& program, int p, QList<QPair<int, int>> steps, int link) {
    program.PatternMaxStep[p] = int(steps.size()) - 1;
    for (int s = 0; s < steps.size(); ++s) {
        program.PatternSV[p][s] = steps[s].first;
        program.PatternTime[p][s] = steps[s].second;
    }
    program.PatternLink[p] = link;
}

// Pattern 0: 25.0 for 00:10, then 50.0 at 00:20, no loops, "Prog End", start pattern 0.
PatternProgram Example() {
    PatternProgram program;
    SetPattern(program, 0, {{250, 10}, {500, 20}}, ProgEnd);
    return program;
}

// A lead-in (pattern 0) into a cycle of patterns 1 and 2, ten minutes each.
PatternProgram LeadInCycle() {
    PatternProgram program;
    SetPattern(program, 0, {{200, 10}}, 1);
    SetPattern(program, 1, {{300, 10}}, 2);
    SetPattern(program, 2, {{400, 10}}, 1);
    return program;
}

// Text as a fixed font writes it: 6 pixels a character, lines 10 pixels high.
AxisText FixedText(const QString& unit = QStringLiteral("°C")) {
    return {[](const QString& text) { return 6 * int(text.size()); }, 10, unit};
}

// Labels at the left, right-aligned at column `right` (6 pixels a character), centred on their
// tick.
Labels Temperatures(int right, QList<QPair<QString, int>> labels) {
    Labels made;
    for (const auto& [text, tick] : labels) {
        const int w = 6 * int(text.size());
        made.append({tick, text, QRect(right - w + 1, tick - 5, w, 10)});
    }
    return made;
}

// Labels in the row at y 83, centred on their tick but the first, which starts at it.
Labels Times(QList<QPair<QString, int>> labels) {
    Labels made;
    for (const auto& [text, tick] : labels) {
        const int w = 6 * int(text.size());
        made.append({tick, text, QRect(made.isEmpty() ? tick : tick - w / 2, 83, w, 10)});
    }
    return made;
}

QStringList Texts(const Labels& labels) {
    QStringList texts;
    for (const AxisLabel& label : labels)
        texts << label.text;
    return texts;
}

} // namespace

Q_DECLARE_METATYPE(vrx::PatternProgram)

class TestPatternCurve : public QObject {
    Q_OBJECT

private slots:
    void curveSize() {
        QCOMPARE(ProgCurveSize(800), QSize(560, 95));
        QCOMPARE(ProgCurveSize(1024), QSize(716, 121));
    }

    void penColours() {
        QCOMPARE(CurvePenRgb(Green), 0x008000u);
        QCOMPARE(CurvePenRgb(Blue), 0x0000FFu);
        QCOMPARE(CurvePenRgb(Navy), 0x000080u);
        QCOMPARE(CurvePenRgb(Olive), 0x808000u);
    }

    // Flat at 25.0 (the bottom) to 10 minutes, up to 50.0 (the top) at 30, then the olive
    // hold to the right edge.
    void workedExample_data() {
        QTest::addColumn<int>("screenWidth");
        QTest::addColumn<Lines>("lines");
        // 560 x 95: 250 tenths over 90 rows divide by 3; 30 minutes on 560 columns times 18.
        QTest::newRow("800") << 800
                             << Lines{Line(Green, 0, 85, 180, 85), Line(Green, 180, 85, 540, 2),
                                      Line(Olive, 540, 2, 558, 2)};
        // 716 x 121: 250 over 116 rows divide by 3; 716 div 30 = 23.
        QTest::newRow("1024") << 1024
                              << Lines{Line(Green, 0, 85, 230, 85), Line(Green, 230, 85, 690, 2),
                                       Line(Olive, 690, 2, 714, 2)};
    }
    void workedExample() {
        QFETCH(int, screenWidth);
        QFETCH(Lines, lines);
        const std::optional<CurveWalk> walk = WalkProgram(Example());
        QVERIFY(walk);
        QCOMPARE(walk->totalMinutes, 30);
        QCOMPARE(walk->lowest, 250);
        QCOMPARE(walk->highest, 500);
        QCOMPARE(walk->endMark, ProgEnd);
        QCOMPARE(walk->cycleMinutes, 0);
        const ProgramCurve curve = DrawProgramCurve(Example(), ProgCurveSize(screenWidth));
        QVERIFY(curve.drawn);
        QCOMPARE(curve.size, ProgCurveSize(screenWidth));
        QCOMPARE(curve.lines, lines);
    }

    // A pattern linked to itself starts blue (it is its own end mark) and repeats in navy
    // until the right edge.
    void selfLinkedPattern() {
        PatternProgram program = Example();
        program.PatternLink[0] = 0;
        QCOMPARE(WalkProgram(program)->endMark, 0);
        QCOMPARE(WalkProgram(program)->cycleMinutes, 30);
        const ProgramCurve curve = DrawProgramCurve(program, QSize(560, 95));
        QCOMPARE(curve.lines, (Lines{Line(Blue, 0, 85, 180, 85), Line(Blue, 180, 85, 540, 2),
                                     Line(Navy, 540, 2, 720, 85), Line(Navy, 720, 85, 1080, 2)}));
    }

    // A lead-in into a cycle of two patterns: green, then the cycle's first pass blue and its
    // repetition navy.
    void leadInThenCycle() {
        const PatternProgram program = LeadInCycle();
        const CurveWalk walk = *WalkProgram(program);
        QCOMPARE(walk.endMark, 1);
        QCOMPARE(walk.totalMinutes, 30);
        QCOMPARE(walk.cycleMinutes, 20);
        // 200 tenths over 90 rows divide by 3; 30 minutes times 18.
        QCOMPARE(DrawProgramCurve(program, QSize(560, 95)).lines,
                 (Lines{Line(Green, 0, 68, 180, 68), Line(Blue, 180, 68, 360, 35),
                        Line(Blue, 360, 35, 540, 2), Line(Navy, 540, 2, 720, 35)}));
    }

    // A pattern that runs three times; a small range is stretched, a long program squeezed.
    void loopsAndScales() {
        PatternProgram program;
        SetPattern(program, 0, {{250, 200}, {260, 200}}, ProgEnd);
        program.PatternLoop[0] = 2;
        QCOMPARE(WalkProgram(program)->totalMinutes, 1200);
        // 10 tenths on 90 rows times 9; 1200 minutes on 560 columns divided by 3.
        QCOMPARE(DrawProgramCurve(program, QSize(560, 95)).lines,
                 (Lines{Line(Green, 0, 92, 66, 92), Line(Green, 66, 92, 133, 2),
                        Line(Green, 133, 2, 200, 92), Line(Green, 200, 92, 266, 2),
                        Line(Green, 266, 2, 333, 92), Line(Green, 333, 92, 400, 2),
                        Line(Olive, 400, 2, 558, 2)}));
    }

    // A cycle whose steps take no time would never reach the right edge: it is drawn once.
    void cycleOfZeroTimeStops_data() {
        QTest::addColumn<PatternProgram>("program");
        QTest::addColumn<Lines>("lines");
        PatternProgram self;
        SetPattern(self, 0, {{200, 300}}, 1);
        SetPattern(self, 1, {{400, 0}}, 1);
        // 200 tenths divide by 3; 300 minutes on 560 columns times 1.
        QTest::newRow("self-linked")
            << self << Lines{Line(Green, 0, 68, 300, 68), Line(Blue, 300, 68, 300, 2)};
        PatternProgram pair;
        SetPattern(pair, 0, {{200, 300}}, 1);
        SetPattern(pair, 1, {{400, 0}, {200, 0}}, 2);
        SetPattern(pair, 2, {{300, 0}}, 1);
        pair.PatternLoop[1] = 99;
        // Pattern 1's hundred runs add no time: the second is drawn and the rest would
        // only draw over it.
        QTest::newRow("two patterns, one looping")
            << pair << Lines{Line(Green, 0, 68, 300, 68), Line(Blue, 300, 68, 300, 2),
                             Line(Blue, 300, 2, 300, 68), Line(Blue, 300, 68, 300, 2),
                             Line(Blue, 300, 2, 300, 68), Line(Blue, 300, 68, 300, 35)};
    }
    void cycleOfZeroTimeStops() {
        QFETCH(PatternProgram, program);
        QFETCH(Lines, lines);
        const ProgramCurve curve = DrawProgramCurve(program, QSize(560, 95));
        QVERIFY(curve.drawn);
        QCOMPARE(curve.lines, lines);
    }

    void nothingToDraw_data() {
        QTest::addColumn<PatternProgram>("program");
        QTest::newRow("all zero") << PatternProgram{};
        PatternProgram zeroCycle = Example();
        zeroCycle.PatternTime[0] = {};
        zeroCycle.PatternLink[0] = 0;
        QTest::newRow("a cycle of no time from the start") << zeroCycle;
        PatternProgram noStart = Example();
        noStart.StartPattern = 8;
        QTest::newRow("start pattern 8") << noStart;
        noStart.StartPattern = -1;
        QTest::newRow("start pattern -1") << noStart;
    }
    void nothingToDraw() {
        QFETCH(PatternProgram, program);
        const ProgramCurve curve = DrawProgramCurve(program, QSize(560, 95));
        QVERIFY(!curve.drawn);
        QVERIFY(curve.lines.isEmpty());
    }

    // Values a file or a controller may hold but no controller runs are drawn as the
    // controller takes them, never used to index the tables.
    void valuesOutOfRange_data() {
        QTest::addColumn<PatternProgram>("odd");
        QTest::addColumn<PatternProgram>("asRun");
        PatternProgram base;
        SetPattern(base, 0,
                   {{100, 30},
                    {200, 30},
                    {300, 30},
                    {400, 30},
                    {500, 30},
                    {600, 30},
                    {700, 30},
                    {800, 30}},
                   1);
        SetPattern(base, 1, {{50, 60}}, ProgEnd);
        PatternProgram odd = base, asRun = base;
        odd.PatternMaxStep[0] = 40;
        asRun.PatternMaxStep[0] = 7;
        QTest::newRow("max step 40") << odd << asRun;
        odd = base, asRun = base;
        odd.PatternMaxStep[1] = -3;
        asRun.PatternMaxStep[1] = 0;
        QTest::newRow("max step -3") << odd << asRun;
        odd = base, asRun = base;
        odd.PatternLink[1] = 9;
        QTest::newRow("link 9 ends the program") << odd << asRun;
        odd.PatternLink[1] = -1;
        QTest::newRow("link -1 ends the program") << odd << asRun;
        odd = base, asRun = base;
        odd.PatternLoop[1] = 150;
        asRun.PatternLoop[1] = 99;
        QTest::newRow("150 loops") << odd << asRun;
        odd.PatternLoop[1] = -4;
        asRun.PatternLoop[1] = 0;
        QTest::newRow("-4 loops") << odd << asRun;
        odd = base, asRun = base;
        odd.PatternTime[1][0] = 2000;
        asRun.PatternTime[1][0] = 900;
        QTest::newRow("a step beyond 15 hours") << odd << asRun;
        odd.PatternTime[1][0] = -60;
        asRun.PatternTime[1][0] = 0;
        QTest::newRow("a negative time") << odd << asRun;
    }
    void valuesOutOfRange() {
        QFETCH(PatternProgram, odd);
        QFETCH(PatternProgram, asRun);
        const ProgramCurve curve = DrawProgramCurve(odd, QSize(560, 95));
        QVERIFY(curve.drawn);
        QCOMPARE(curve.lines, DrawProgramCurve(asRun, QSize(560, 95)).lines);
    }

    // Extreme set values do not overflow the vertical scale.
    void widestSetValues() {
        PatternProgram program;
        SetPattern(program, 0,
                   {{std::numeric_limits<int>::min(), 10}, {std::numeric_limits<int>::max(), 10}},
                   ProgEnd);
        const ProgramCurve curve = DrawProgramCurve(program, QSize(560, 95));
        const int bottom = curve.lines.first().from.y();
        QVERIFY2(bottom > 85 && bottom <= 92, qPrintable(QString::number(bottom)));
        QCOMPARE(curve.lines[1].to.y(), 2);
    }

    // The worked example in a 560 x 95 image: the labels leave a field of 539 x 76 at (19, 4),
    // where the curve is drawn as it would be in an image of that size standing for 36 minutes
    // (the program's 30 and a fifth of them for the hold after its end).
    void axesOfTheWorkedExample() {
        const ProgramCurve curve = DrawProgramCurve(Example(), QSize(560, 95), FixedText());
        QVERIFY(curve.drawn);
        QCOMPARE(curve.size, QSize(560, 95));
        QCOMPARE(curve.plot, QRect(19, 4, 539, 76));
        // 250 tenths over 71 rows divide by 4; 36 minutes on 539 columns times 14.
        QCOMPARE(curve.lines, (Lines{Line(Green, 19, 68, 159, 68), Line(Green, 159, 68, 439, 6),
                                     Line(Olive, 439, 6, 556, 6)}));
        // Every 5 degrees (a quarter of a pixel a tenth: 50 tenths are the first round step a
        // line and two apart), whole degrees.
        QCOMPARE(curve.temperatureLabels,
                 Temperatures(
                     14, {{"25", 68}, {"30", 56}, {"35", 43}, {"40", 31}, {"45", 18}, {"50", 6}}));
        // Every 5 minutes (14 pixels a minute: 70 apart, at least five lines), on under the
        // hold.
        QCOMPARE(curve.timeLabels, Times({{"0", 19},
                                          {"5", 89},
                                          {"10", 159},
                                          {"15", 229},
                                          {"20", 299},
                                          {"25", 369},
                                          {"30", 439},
                                          {"35", 509}}));
        QCOMPARE(curve.timeUnit, (AxisLabel{0, "min", QRect(541, 83, 18, 10)}));
        QCOMPARE(curve.temperatureUnit, (AxisLabel{0, "°C", QRect(3, 83, 12, 10)}));
        QCOMPARE(curve.tickLength, 3);
    }

    // The scales' steps for other programs: hours for long ones, tenths for a narrow range,
    // negative values, a flat program at a value no round step meets, the unit not known.
    void axisLabels_data() {
        QTest::addColumn<PatternProgram>("program");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QStringList>("temperatures"); // from the bottom up
        QTest::addColumn<QStringList>("times");
        QTest::addColumn<QString>("timeUnit");

        PatternProgram hours;
        SetPattern(hours, 0, {{200, 600}, {1000, 600}}, ProgEnd);
        // 800 tenths on 71 rows divide by 12: 200 tenths is the first step 12 pixels apart;
        // 1440 minutes (1200 and the hold) on 533 columns divide by 3: 3 hours is the first
        // step 50 pixels apart.
        QTest::newRow("20 hours, 20 to 100 degrees")
            << hours << "°F" << QStringList{"20", "40", "60", "80", "100"}
            << QStringList{"0", "3", "6", "9", "12", "15", "18", "21", "24"} << "h";

        PatternProgram narrow;
        SetPattern(narrow, 0, {{250, 5}, {260, 5}}, ProgEnd);
        // 10 tenths on 71 rows times 7: steps of 2 tenths, written with their tenth.
        QTest::newRow("one degree") << narrow << "°C"
                                    << QStringList{"25.0", "25.2", "25.4", "25.6", "25.8", "26.0"}
                                    // 12 minutes on 527 columns times 43: 2 minutes are the first
                                    // step 50 pixels apart; the unit takes the last label's place.
                                    << QStringList{"0", "2", "4", "6", "8", "10"} << "min";

        PatternProgram negative;
        SetPattern(negative, 0, {{-100, 20}, {50, 40}}, ProgEnd);
        QTest::newRow("below zero")
            << negative << "°C"
            << QStringList{"-10", "-5", "0", "5"}
            // 72 minutes on 533 columns times 7: 10 minutes are 70 pixels, 5 only 35.
            << QStringList{"0", "10", "20", "30", "40", "50", "60", "70"} << "min";

        PatternProgram flat;
        SetPattern(flat, 0, {{253, 90}}, ProgEnd);
        QTest::newRow("flat at 25.3, unit not known")
            << flat << ""
            << QStringList{"25.3"}
            // 108 minutes on 527 columns times 4: 15 minutes are 60 pixels, 10 only 40.
            << QStringList{"0", "15", "30", "45", "60", "75", "90", "105", "120"} << "min";
    }
    void axisLabels() {
        QFETCH(PatternProgram, program);
        QFETCH(QString, unit);
        QFETCH(QStringList, temperatures);
        QFETCH(QStringList, times);
        QFETCH(QString, timeUnit);
        const ProgramCurve curve = DrawProgramCurve(program, QSize(560, 95), FixedText(unit));
        QCOMPARE(Texts(curve.temperatureLabels), temperatures);
        QCOMPARE(Texts(curve.timeLabels), times);
        QCOMPARE(curve.timeUnit.text, timeUnit);
        QCOMPARE(curve.temperatureUnit.text, unit);
        QCOMPARE(curve.temperatureUnit.box.isEmpty(), unit.isEmpty());
        // Each tick where the scale puts its value: labels read from the bottom and the left.
        for (qsizetype i = 1; i < curve.temperatureLabels.size(); ++i)
            QVERIFY(curve.temperatureLabels[i].tick < curve.temperatureLabels[i - 1].tick);
        QCOMPARE(curve.timeLabels.first().tick, curve.plot.left());
    }

    // Whatever the program and the image's size, the labels stay inside the frame, off the
    // lines' field and clear of each other, and the lines are the curve of the field, in it.
    void labelsNeverHideTheCurve_data() {
        QTest::addColumn<PatternProgram>("program");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("lineHeight");
        const PatternProgram cycle = LeadInCycle();
        PatternProgram widest;
        SetPattern(widest, 0,
                   {{std::numeric_limits<int>::min(), 900}, {std::numeric_limits<int>::max(), 900}},
                   0);
        widest.PatternLoop[0] = 99;
        for (const auto& [name, program] :
             {std::pair{"example", Example()}, {"cycle", cycle}, {"widest", widest}}) {
            // The image at 800, 1024, 1440 and 1920 pixels of ScreenWidth, and a tiny one.
            for (const int screen : {800, 1024, 1440, 1920})
                QTest::addRow("%s at %d", name, screen)
                    << program << ProgCurveSize(screen) << screen * 11 / 800;
            QTest::addRow("%s, tiny", name) << program << QSize(40, 20) << 10;
        }
    }
    void labelsNeverHideTheCurve() {
        QFETCH(PatternProgram, program);
        QFETCH(QSize, size);
        QFETCH(int, lineHeight);
        const AxisText text{
            [lineHeight](const QString& t) { return lineHeight * int(t.size()) / 2; }, lineHeight,
            QStringLiteral("°C")};
        const ProgramCurve curve = DrawProgramCurve(program, size, text);
        QVERIFY(curve.drawn);
        // Without axes the bare curve, over the program's own time.
        const qint64 minutes = curve.tickLength > 0 ? ShownMinutes(*WalkProgram(program)) : 0;
        Lines inField = DrawProgramCurve(program, curve.plot.size(), minutes).lines;
        for (CurveLine& line : inField) {
            line.from += curve.plot.topLeft();
            line.to += curve.plot.topLeft();
        }
        QCOMPARE(curve.lines, inField);
        // The lines keep to the field's rows (plus one, the scales' own end); a repeating
        // cycle runs on beyond its right edge, where the image cuts it.
        const QRect reach = curve.plot.adjusted(0, 0, 1, 1);
        for (const CurveLine& line : curve.lines)
            for (const QPoint end : {line.from, line.to})
                QVERIFY(end.x() >= reach.left() && end.y() >= reach.top() &&
                        end.y() <= reach.bottom());
        QList<QRect> boxes;
        for (const Labels& labels : {curve.temperatureLabels, curve.timeLabels,
                                     Labels{curve.timeUnit, curve.temperatureUnit}})
            for (const AxisLabel& label : labels)
                if (!label.text.isEmpty()) boxes << label.box;
        if (size.height() < 40) {
            // No room for axes: the bare curve.
            QVERIFY(boxes.isEmpty());
            QCOMPARE(curve.tickLength, 0);
            return;
        }
        QVERIFY(curve.temperatureLabels.size() >= 1);
        QVERIFY(curve.timeLabels.size() >= 2);
        const QRect inside(1, 1, size.width() - 2, size.height() - 2);
        for (qsizetype i = 0; i < boxes.size(); ++i) {
            QVERIFY(inside.contains(boxes[i]));
            QVERIFY(!boxes[i].intersects(reach));
            for (qsizetype j = 0; j < i; ++j)
                QVERIFY(!boxes[i].intersects(boxes[j]));
        }
    }

    // What follows the program's end stays in the axes whatever the field's width, also one
    // that the program's time divides (561 wide: a field of 540 columns): the olive hold over a
    // good part of it, a cycle's whole repetition in navy. The time axis goes on under them.
    void marksAfterTheEndShowInTheAxes_data() {
        QTest::addColumn<PatternProgram>("program");
        QTest::addColumn<QSize>("size");
        PatternProgram self = Example();
        self.PatternLink[0] = 0;
        for (const auto& [name, program] : {std::pair{"prog end", Example()},
                                            {"self-linked", self},
                                            {"lead-in and cycle", LeadInCycle()}})
            for (const QSize size :
                 {QSize(561, 95), QSize(560, 95), ProgCurveSize(1024), ProgCurveSize(1920)})
                QTest::addRow("%s, %d wide", name, size.width()) << program << size;
    }
    void marksAfterTheEndShowInTheAxes() {
        QFETCH(PatternProgram, program);
        QFETCH(QSize, size);
        const ProgramCurve curve = DrawProgramCurve(program, size, FixedText());
        QVERIFY(curve.drawn);
        const CurveWalk walk = *WalkProgram(program);
        const QRect plot = curve.plot;
        // The time under the last label, in minutes.
        QCOMPARE(curve.timeUnit.text, "min");
        const qint64 lastLabel = curve.timeLabels.last().text.toLongLong();
        if (walk.endMark == ProgEnd) {
            const CurveLine hold = curve.lines.last();
            QCOMPARE(hold.pen, Olive);
            QCOMPARE(hold.to, QPoint(plot.right() - 1, hold.from.y()));
            QVERIFY2(hold.to.x() - hold.from.x() >= plot.width() / 8,
                     qPrintable(QString::number(hold.to.x() - hold.from.x())));
            // Labelled beyond the end, or the unit stands there in the last label's place.
            QVERIFY(lastLabel > walk.totalMinutes || curve.timeUnit.box.left() > hold.from.x());
            return;
        }
        // One pass of the cycle is a line for each of its steps; the whole of one lies in the
        // field (which reaches one column beyond its last, as the scale's end does).
        const qsizetype stepsInCycle = 2;
        qsizetype navyInField = 0;
        for (const CurveLine& line : curve.lines)
            if (line.pen == Navy && line.from.x() >= plot.left() && line.to.x() <= plot.right() + 1)
                ++navyInField;
        QVERIFY2(navyInField >= stepsInCycle, qPrintable(QString::number(navyInField)));
        QVERIFY(lastLabel > walk.totalMinutes);
    }

    void nothingToDrawHasNoAxes() {
        const ProgramCurve curve = DrawProgramCurve(PatternProgram{}, QSize(560, 95), FixedText());
        QVERIFY(!curve.drawn);
        QVERIFY(curve.timeLabels.isEmpty());
        QVERIFY(curve.temperatureLabels.isEmpty());
        QCOMPARE(curve.tickLength, 0);
    }
};

QTEST_GUILESS_MAIN(TestPatternCurve)
#include "tst_patterncurve.moc"
