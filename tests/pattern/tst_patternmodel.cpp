// The ramp/soak program model: what each editor stores and shows, the ProgTable texts, and the
// two orders of the 153 values (file and wire).
#include "patternprogram.h"

#include <QTest>

using namespace vrx;

class TestPatternModel : public QObject {
    Q_OBJECT

private slots:
    void setValueEntries_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("tenths");   // stored; meaningless when refused
        QTest::addColumn<QString>("cell"); // empty: refused, nothing stored
        QTest::newRow("whole number") << "25" << 250 << "25.0";
        QTest::newRow("one decimal") << "25.3" << 253 << "25.3";
        QTest::newRow("decimals cut, not rounded") << "-12.57" << -125 << "-12.5";
        QTest::newRow("negative whole") << "-10" << -100 << "-10.0";
        QTest::newRow("only a decimal") << ".5" << 5 << ".5";
        QTest::newRow("negative decimal only") << "-.5" << -5 << "-.5";
        QTest::newRow("leading zeros kept in the cell") << "025" << 250 << "025.0";
        QTest::newRow("second dot after the decimal") << "1.2.3" << 12 << "1.2";
        QTest::newRow("dot without decimal is .0") << "25." << 250 << "25.0";
        QTest::newRow("largest word") << "3276.7" << 32767 << "3276.7";
        QTest::newRow("smallest word") << "-3276.8" << -32768 << "-3276.8";
        QTest::newRow("too large for a register") << "3276.8" << 0 << "";
        QTest::newRow("far too large") << "99999999999999999999" << 0 << "";
        QTest::newRow("letter") << "12a" << 0 << "";
        QTest::newRow("plus sign") << "+5" << 0 << "";
        QTest::newRow("minus inside") << "1-2" << 0 << "";
        QTest::newRow("space") << " 5" << 0 << "";
        QTest::newRow("comma") << "2,5" << 0 << "";
        QTest::newRow("dot after dot") << "1..5" << 0 << "";
        QTest::newRow("empty") << "" << 0 << "";
        QTest::newRow("minus alone") << "-" << 0 << "";
        QTest::newRow("dot alone") << "." << 0 << "";
    }
    void setValueEntries() {
        QFETCH(QString, typed);
        QFETCH(int, tenths);
        QFETCH(QString, cell);
        PatternProgram program;
        program.PatternSV[2][5] = 777;
        const std::optional<QString> shown = StoreSetValue(program, 2, 5, typed);
        if (cell.isEmpty()) {
            QVERIFY(!shown);
            QCOMPARE(program.PatternSV[2][5], 777);
            return;
        }
        QCOMPARE(shown, cell);
        QCOMPARE(program.PatternSV[2][5], tenths);
        PatternProgram others = program;
        others.PatternSV[2][5] = 0;
        QCOMPARE(others, PatternProgram{});
    }

    void loopCounts_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::newRow("in range") << "7" << 7;
        QTest::newRow("150 gives 99") << "150" << 99;
        QTest::newRow("99") << "99" << 99;
        QTest::newRow("negative gives 0") << "-3" << 0;
        QTest::newRow("leading blanks") << "  12" << 12;
        QTest::newRow("not a number keeps the count") << "abc" << 42;
        QTest::newRow("empty keeps the count") << "" << 42;
        QTest::newRow("decimal keeps the count") << "2.5" << 42;
        QTest::newRow("beyond any integer keeps the count") << "99999999999" << 42;
    }
    void loopCounts() {
        QFETCH(QString, typed);
        QFETCH(int, stored);
        PatternProgram program;
        program.PatternLoop[6] = 42;
        QCOMPARE(StoreLoopCount(program, 6, typed), QString::number(stored));
        QCOMPARE(program.PatternLoop[6], stored);
    }

    void stepTimes_data() {
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("cell");
        QTest::newRow("75 minutes") << 1 << 15 << 75 << "01:15";
        QTest::newRow("5 minutes") << 0 << 5 << 5 << "00:05";
        QTest::newRow("10 hours") << 10 << 0 << 600 << "10:00";
        QTest::newRow("hour 15 forces minutes 0") << 15 << 30 << 900 << "15:00";
        QTest::newRow("14:59") << 14 << 59 << 899 << "14:59";
    }
    void stepTimes() {
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(int, stored);
        QFETCH(QString, cell);
        PatternProgram program;
        QCOMPARE(StoreStepTime(program, 7, 7, hour, minute), cell);
        QCOMPARE(program.PatternTime[7][7], stored);
        // "Edit" loads the editors back with what was stored.
        const TimeEditorValues editors = TimeEditorFor(stored);
        QCOMPARE(editors.hourIndex, hour);
        QCOMPARE(editors.minutes, hour == 15 ? 0 : minute);
    }

    // Times from a file or a controller may be out of the editors' reach.
    void timeEditorsStayInTheirLists() {
        QCOMPARE(TimeEditorFor(1000).hourIndex, 15);
        QCOMPARE(TimeEditorFor(1000).minutes, 0);
        QCOMPARE(TimeEditorFor(-5).hourIndex, 0);
        QCOMPARE(TimeEditorFor(-5).minutes, 0);
    }

    void maxStepsAndLinks() {
        PatternProgram program;
        QCOMPARE(StoreMaxStep(program, 3, 5), "5");
        QCOMPARE(program.PatternMaxStep[3], 5);
        QCOMPARE(StoreLink(program, 3, 8), "Prog End");
        QCOMPARE(program.PatternLink[3], 8);
        QCOMPARE(StoreLink(program, 3, 0), "Pattern 0");
        QCOMPARE(program.PatternLink[3], 0);
    }

    void valueTexts_data() {
        QTest::addColumn<int>("tenths");
        QTest::addColumn<QString>("text");
        QTest::newRow("253") << 253 << "25.3";
        QTest::newRow("-125") << -125 << "-12.5";
        QTest::newRow("-5") << -5 << "-0.5";
        QTest::newRow("0") << 0 << "0.0";
        QTest::newRow("-100") << -100 << "-10.0";
        QTest::newRow("-32768") << -32768 << "-3276.8";
        QTest::newRow("smallest integer") << int(0x80000000) << "-214748364.8";
    }
    void valueTexts() {
        QFETCH(int, tenths);
        QFETCH(QString, text);
        QCOMPARE(SetValueText(tenths), text);
    }

    void timeTexts_data() {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QString>("text");
        QTest::newRow("75") << 75 << "01:15";
        QTest::newRow("5") << 5 << "00:05";
        QTest::newRow("600") << 600 << "10:00";
        QTest::newRow("900") << 900 << "15:00";
        QTest::newRow("beyond 15 hours, as held") << 1000 << "16:40";
        QTest::newRow("100 hours") << 6000 << "100:00";
        QTest::newRow("negative, from a file") << -75 << "-01:15";
    }
    void timeTexts() {
        QFETCH(int, minutes);
        QFETCH(QString, text);
        QCOMPARE(StepTimeText(minutes), text);
    }

    void tableTitles() {
        const QStringList rows = {"",
                                  "Step Max.",
                                  "Set Value 0",
                                  "Execute Time 0",
                                  "Set Value 1",
                                  "Execute Time 1",
                                  "Set Value 2",
                                  "Execute Time 2",
                                  "Set Value 3",
                                  "Execute Time 3",
                                  "Set Value 4",
                                  "Execute Time 4",
                                  "Set Value 5",
                                  "Execute Time 5",
                                  "Set Value 6",
                                  "Execute Time 6",
                                  "Set Value 7",
                                  "Execute Time 7",
                                  "Loop Count",
                                  "Link Pattern"};
        for (int row = 0; row < ProgTableRows; ++row)
            QCOMPARE(ProgTableCell(PatternProgram{}, row, 0), rows[row]);
        for (int column = 1; column < ProgTableColumns; ++column)
            QCOMPARE(ProgTableCell(PatternProgram{}, 0, column),
                     QStringLiteral("Pattern %1").arg(column - 1));
    }

    // Every cell of a transferred program, by row and column.
    void tableCells_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::newRow("max step of pattern 0") << 1 << 1 << "3";
        QTest::newRow("set value 0 of pattern 0") << 2 << 1 << "25.0";
        QTest::newRow("time 0 of pattern 0") << 3 << 1 << "00:10";
        QTest::newRow("set value 7 of pattern 7") << 16 << 8 << "-10.0";
        QTest::newRow("time 7 of pattern 7") << 17 << 8 << "15:00";
        QTest::newRow("loops of pattern 2") << 18 << 3 << "99";
        QTest::newRow("link of pattern 0") << 19 << 1 << "Prog End";
        QTest::newRow("link of pattern 1") << 19 << 2 << "Pattern 0";
        QTest::newRow("odd link from a controller") << 19 << 3 << "Pattern 12";
    }
    void tableCells() {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, text);
        PatternProgram program;
        program.PatternMaxStep[0] = 3;
        program.PatternSV[0][0] = 250;
        program.PatternTime[0][0] = 10;
        program.PatternSV[7][7] = -100;
        program.PatternTime[7][7] = 900;
        program.PatternLoop[2] = 99;
        program.PatternLink = {8, 0, 12, 8, 8, 8, 8, 8};
        QCOMPARE(ProgTableCell(program, row, column), text);
    }

    // The file lists all set values, then all times; the wire takes each step's set value
    // and time in turn. Both start with the start pattern, max steps, loops and links.
    void valueOrders_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("inFile");
        QTest::addColumn<QString>("onWire");
        QTest::newRow("0") << 0 << "start"
                           << "start";
        QTest::newRow("1") << 1 << "max 0"
                           << "max 0";
        QTest::newRow("8") << 8 << "max 7"
                           << "max 7";
        QTest::newRow("9") << 9 << "loop 0"
                           << "loop 0";
        QTest::newRow("16") << 16 << "loop 7"
                            << "loop 7";
        QTest::newRow("17") << 17 << "link 0"
                            << "link 0";
        QTest::newRow("24") << 24 << "link 7"
                            << "link 7";
        QTest::newRow("25") << 25 << "sv 0 0"
                            << "sv 0 0";
        QTest::newRow("26") << 26 << "sv 0 1"
                            << "time 0 0";
        QTest::newRow("27") << 27 << "sv 0 2"
                            << "sv 0 1";
        QTest::newRow("88") << 88 << "sv 7 7"
                            << "time 3 7";
        QTest::newRow("89") << 89 << "time 0 0"
                            << "sv 4 0";
        QTest::newRow("151") << 151 << "time 7 6"
                             << "sv 7 7";
        QTest::newRow("152") << 152 << "time 7 7"
                             << "time 7 7";
    }
    void valueOrders() {
        QFETCH(int, index);
        QFETCH(QString, inFile);
        QFETCH(QString, onWire);
        // Every value distinct and named, so the index says which one it reached.
        PatternProgram program;
        QHash<int, QString> names;
        int next = 1000;
        auto name = [&](int& field, const QString& text) {
            field = next;
            names[next++] = text;
        };
        name(program.StartPattern, "start");
        for (int p = 0; p < 8; ++p) {
            name(program.PatternMaxStep[p], QStringLiteral("max %1").arg(p));
            name(program.PatternLoop[p], QStringLiteral("loop %1").arg(p));
            name(program.PatternLink[p], QStringLiteral("link %1").arg(p));
            for (int s = 0; s < 8; ++s) {
                name(program.PatternSV[p][s], QStringLiteral("sv %1 %2").arg(p).arg(s));
                name(program.PatternTime[p][s], QStringLiteral("time %1 %2").arg(p).arg(s));
            }
        }
        QCOMPARE(names.value(FileValue(program, index)), inFile);
        QCOMPARE(names.value(TransferValue(program, index)), onWire);
    }

    // Both orders reach every value exactly once.
    void ordersCoverTheProgram() {
        using Slot = int& (*)(PatternProgram&, int);
        for (const Slot slot : {static_cast<Slot>(&FileValue), static_cast<Slot>(&TransferValue)}) {
            PatternProgram program;
            for (int i = 0; i < ProgramValues; ++i) {
                int& value = slot(program, i);
                QCOMPARE(value, 0);
                value = i + 1;
            }
            QVERIFY(program.PatternTime[7][7] != 0 && program.PatternSV[0][0] != 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestPatternModel)
#include "tst_patternmodel.moc"
