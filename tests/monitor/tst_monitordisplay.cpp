// What the Monitor makes of register words and reply frames: process values, status codes,
// lamps, program status, every settings block, and the judgement of replies. Tables of cases.
#include "frames.h"
#include "monitorreply.h"
#include "parameterboxes.h"
#include "pollengine.h"
#include "registerdisplay.h"

#include <QTest>

using namespace vrx;
using namespace vrx::test;

Q_DECLARE_METATYPE(vrx::ReplyVerdict)

namespace {

// What a block puts into a box: an edit's text, or "#n" for a combo box's item n; "-" when the
// block leaves the box alone.
QString ValueOf(const SettingsBlock& block, const QString& box) {
    for (const BoxValue& v : block.values)
        if (v.box == box) return v.isItem ? QStringLiteral("#%1").arg(v.item) : v.text;
    return QStringLiteral("-");
}

ReplyWordArray Words(std::initializer_list<int> words) {
    ReplyWordArray array{};
    std::copy(words.begin(), words.end(), array.begin());
    return array;
}

} // namespace

class TestMonitorDisplay : public QObject {
    Q_OBJECT

private slots:
    void processValue_data() {
        QTest::addColumn<int>("word");
        QTest::addColumn<int>("point");
        QTest::addColumn<int>("inputType");
        QTest::addColumn<QString>("text");
        QTest::newRow("25.0, one decimal") << 0x00FA << 1 << 0 << "   25.0";
        QTest::newRow("25.0, thermocouple, whole") << 0x00FA << 0 << 0 << "      25";
        QTest::newRow("25.5 rounds up") << 0x00FF << 0 << 0 << "      26";
        QTest::newRow("9.5 rounds into two digits") << 0x005F << 0 << 0 << "      10";
        QTest::newRow("no input type shown rounds") << 0x00FF << 0 << -1 << "      26";
        QTest::newRow("-10.0") << 0xFF9C << 1 << 0 << " - 10.0";
        QTest::newRow("-200.0") << 0xF830 << 1 << 0 << "-200.0";
        QTest::newRow("1000.0") << 0x2710 << 1 << 0 << "1000.0";
        QTest::newRow("5.0") << 0x0032 << 1 << 0 << "     5.0";
        QTest::newRow("0.5") << 0x0005 << 1 << 0 << "     0.5";
        QTest::newRow("linear input is whole") << 0x0064 << 0 << 13 << "    100";
        QTest::newRow("pointer 2 still one decimal") << 0x00FA << 2 << 0 << "   25.0";
        QTest::newRow("0x8000 is positive") << 0x8000 << 1 << 0 << "3276.8";
        // Four digits before the point leave no room for padding, but never lose the sign.
        QTest::newRow("-1000.0 keeps its sign") << 0xD8F0 << 1 << 0 << "-1000.0";
        QTest::newRow("-1500 linear keeps its sign") << 0xFA24 << 0 << 16 << "   -1500";
    }
    void processValue() {
        QFETCH(int, word);
        QFETCH(int, point);
        QFETCH(int, inputType);
        QFETCH(QString, text);
        QCOMPARE(FormatProcessValue(word, point, inputType), text);
    }

    void statusWords_data() {
        QTest::addColumn<int>("word");
        QTest::addColumn<bool>("status");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("asksForSettings");
        QTest::newRow("waiting 1") << 0x8001 << true << " Waiting..." << true;
        QTest::newRow("waiting 2") << 0x8002 << true << " Waiting..." << true;
        QTest::newRow("no connect") << 0x8003 << true << " No Connect" << false;
        QTest::newRow("input error 4") << 0x8004 << true << " Input Error" << false;
        QTest::newRow("over range") << 0x8005 << true << " Over Range" << false;
        QTest::newRow("input error 6") << 0x8006 << true << " Input Error" << false;
        QTest::newRow("memory bad") << 0x8007 << true << " Memory bad" << false;
        QTest::newRow("code 0") << 0x8000 << true << "" << false;
        QTest::newRow("code 8") << 0x8008 << true << "" << false;
        QTest::newRow("code 15") << 0x800F << true << "" << false;
        QTest::newRow("only the low four bits") << 0x8013 << true << " No Connect" << false;
        QTest::newRow("a value below") << 0x7FFF << false << "" << false;
        QTest::newRow("a value above") << 0x8103 << false << "" << false;
    }
    void statusWords() {
        QFETCH(int, word);
        QFETCH(bool, status);
        QFETCH(QString, text);
        QFETCH(bool, asksForSettings);
        QCOMPARE(IsStatusWord(word), status);
        if (!status) return;
        QCOMPARE(StatusText(word), text);
        QCOMPARE(StatusAsksForSettings(word), asksForSettings);
    }

    void lamps_data() {
        QTest::addColumn<int>("word");
        QTest::addColumn<QString>("lit"); // AT OUT1 OUT2 ALM1 ALM2 ALM3 F C: . grey, L R Y
        QTest::newRow("none") << 0x00 << "........";
        QTest::newRow("output 1, alarm 1, degrees C") << 0x54 << ".L.R...Y";
        QTest::newRow("every bit") << 0xFF << "LLLRRRYY";
        QTest::newRow("AT") << 0x80 << "L.......";
        QTest::newRow("output 2") << 0x20 << "..L.....";
        QTest::newRow("degrees F") << 0x08 << "......Y.";
        QTest::newRow("alarm 2") << 0x02 << "....R...";
        QTest::newRow("alarm 3") << 0x01 << ".....R..";
        QTest::newRow("high byte ignored") << 0xFF00 << "........";
    }
    void lamps() {
        QFETCH(int, word);
        QFETCH(QString, lit);
        QString shown;
        for (LampColour c : LampsOf(word))
            shown += c == LampColour::Lime     ? u'L'
                     : c == LampColour::Red    ? u'R'
                     : c == LampColour::Yellow ? u'Y'
                                               : u'.';
        QCOMPARE(shown, lit);
    }

    void programStatus_data() {
        QTest::addColumn<QList<int>>("words"); // 0x4762..0x4766
        QTest::addColumn<QString>("text");
        QTest::newRow("pattern 2, step 3") << QList<int>{0, 0, 0, 3, 2} << " 2 - 03";
        QTest::newRow("set value") << QList<int>{1, 0, 0, 0, 0} << "   50.0";
        QTest::newRow("time left") << QList<int>{2, 3725, 62, 0, 0} << "1:02:05";
        QTest::newRow("seconds only") << QList<int>{2, 59, 0, 0, 0} << "0:00:59";
        QTest::newRow("unknown mode") << QList<int>{3, 1, 2, 3, 4} << "";
    }
    void programStatus() {
        QFETCH(QList<int>, words);
        QFETCH(QString, text);
        ReplyWordArray w{};
        std::copy(words.begin(), words.end(), w.begin());
        QCOMPARE(ProgramStatusText(w, 500, 1, 1), text);
    }

    void smallRules() {
        QCOMPARE(CoeffText(105), "1.05");
        QCOMPARE(CoeffText(120), "1.20");
        QCOMPARE(CoeffText(5), "0.05");
        QCOMPARE(IntegralOffsetText(105), "10.5");
        QCOMPARE(LockStatusItem(0), 0);
        QCOMPARE(LockStatusItem(1), 1);
        QCOMPARE(LockStatusItem(0x0B), 2);
        QCOMPARE(RunStopItem(3), 3);
        QCOMPARE(RunStopItem(4), 0);
        QVERIFY(Alarm3Shown(0) && Alarm3Shown(1));
        QVERIFY(!Alarm3Shown(2) && !Alarm3Shown(3));
        QCOMPARE(FirmwareCaption("Firmware Version", 0x0112), "Firmware Version 1.12");
        QCOMPARE(FirmwareCaption("Firmware Version", 0x020A), "Firmware Version 2.0A");
    }

    void controlGroups_data() {
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("shown"); // pid onOff manual setV progDisp at
        QTest::newRow("PID") << 0 << "P..S.A";
        QTest::newRow("ON-OFF") << 1 << ".O.S..";
        QTest::newRow("Manual") << 2 << "..MS..";
        QTest::newRow("Ramp Soak") << 3 << "P...DA";
    }
    void controlGroups() {
        QFETCH(int, method);
        QFETCH(QString, shown);
        const ControlGroups g = ControlGroupsFor(method);
        const QString flags = QString(g.pid ? u'P' : u'.') + (g.onOff ? u'O' : u'.') +
                              (g.manual ? u'M' : u'.') + (g.setValue ? u'S' : u'.') +
                              (g.programDisplay ? u'D' : u'.') + (g.autoTuning ? u'A' : u'.');
        QCOMPARE(flags, shown);
        QVERIFY(ControlGroupsMatch(method, g));
        // From any other method's controls, a switch is due.
        for (int other = 0; other < 4; ++other)
            if (other != method) QVERIFY(!ControlGroupsMatch(method, ControlGroupsFor(other)));
    }

    void settingsBlocks_data() {
        QTest::addColumn<int>("phase");
        QTest::addColumn<QList<int>>("words");
        QTest::addColumn<int>("point");
        QTest::addColumn<bool>("program");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("value");
        const QList<int> limits{13000, 0xFFF6, 50, 0, 0, 0, 800, 700};
        QTest::newRow("range hi, one decimal") << LimitsPhase << limits << 1 << false << "UpLimit"
                                               << "1300.0";
        QTest::newRow("range hi, no decimal") << LimitsPhase << limits << 0 << false << "UpLimit"
                                              << "1300";
        QTest::newRow("range lo negative") << LimitsPhase << limits << 1 << false << "DnLimit"
                                           << "-1.0";
        QTest::newRow("alarm 3 lower") << LimitsPhase << limits << 1 << false << "DnLimit3"
                                       << "70.0";
        QTest::newRow("set value from PV read") << LimitsPhase << limits << 1 << false << "SetV"
                                                << "150.0";
        QTest::newRow("set value kept while a program runs")
            << LimitsPhase << limits << 1 << true << "SetV"
            << "-";
        QTest::newRow("output 1 always one decimal")
            << LimitsPhase << limits << 0 << false << "OUTQ1"
            << "45.5";
        QTest::newRow("pointer") << LimitsPhase << limits << 1 << false << "Pointer"
                                 << "#1";
        const QList<int> pid{25, 240, 60, 105, 7, 120, 15};
        QTest::newRow("Pb one decimal anyway") << PidPhase << pid << 0 << false << "KP"
                                               << "2.5";
        QTest::newRow("Ti whole") << PidPhase << pid << 1 << false << "KI"
                                  << "240";
        QTest::newRow("I offset") << PidPhase << pid << 1 << false << "SumOffs"
                                  << "10.5";
        QTest::newRow("PD offset") << PidPhase << pid << 1 << false << "PDOffs"
                                   << "7";
        QTest::newRow("P coefficient") << PidPhase << pid << 1 << false << "Coeff"
                                       << "1.20";
        QTest::newRow("dead band follows the point") << PidPhase << pid << 0 << false << "DeadBand2"
                                                     << "1";
        QTest::newRow("dead band with point") << PidPhase << pid << 1 << false << "DeadBand1"
                                              << "1.5";
        const QList<int> method{15, 20, 0xFFFF, 100, 3, 12, 1, 2};
        QTest::newRow("hysteresis one decimal") << MethodPhase << method << 0 << false << "Hyst1"
                                                << "1.5";
        QTest::newRow("tune out signed") << MethodPhase << method << 1 << false << "CurrHi"
                                         << "-1";
        QTest::newRow("com write is bit 0") << MethodPhase << method << 1 << false << "ComWrite"
                                            << "#1";
        QTest::newRow("input type") << MethodPhase << method << 1 << false << "InputType"
                                    << "#12";
        QTest::newRow("method") << MethodPhase << method << 1 << false << "CtrlSet"
                                << "#1";
        QTest::newRow("heat/cool") << MethodPhase << method << 1 << false << "HeatCool"
                                   << "#2";
        const QList<int> periods{10, 20, 0xFFFB, 0x0B, 2};
        QTest::newRow("period 1 in both boxes")
            << PeriodsPhase << periods << 1 << false << "HCPeriod1"
            << "10";
        QTest::newRow("period 2 PID") << PeriodsPhase << periods << 1 << false << "HCPeriodPID2"
                                      << "20";
        QTest::newRow("PV offset") << PeriodsPhase << periods << 0 << false << "TPOffs"
                                   << "-0.5";
        QTest::newRow("lock 0x0B is Except SV")
            << PeriodsPhase << periods << 1 << false << "LockStatus"
            << "#2";
        QTest::newRow("system alarm") << PeriodsPhase << periods << 1 << false << "SALMode"
                                      << "#2";
        const QList<int> modes{2, 20, 13, 5, 1};
        QTest::newRow("alarm 1 mode") << AlarmModesPhase << modes << 1 << false << "ALM1Mode"
                                      << "#2";
        QTest::newRow("beyond the items passes on")
            << AlarmModesPhase << modes << 1 << false << "ALM2Mode"
            << "#20";
        QTest::newRow("run/stop beyond shows Stop")
            << AlarmModesPhase << modes << 1 << false << "RunStop"
            << "#0";
        QTest::newRow("unit") << AlarmModesPhase << modes << 1 << false << "DegUnit"
                              << "#1";
        QTest::newRow("output type 2")
            << OutputTypesPhase << QList<int>{2, 1} << 1 << false << "OutputType2"
            << "#1";
        const QList<int> calibration{0xFFFE, 1000, 0xFFFF, 5, 12, 0xFF00, 32769};
        QTest::newRow("RTD offset one decimal")
            << CalibrationPhase << calibration << 0 << false << "RTDOfs"
            << "-0.2";
        QTest::newRow("TC offset signed")
            << CalibrationPhase << calibration << 1 << false << "TCOfs"
            << "-1";
        QTest::newRow("cold junction") << CalibrationPhase << calibration << 1 << false << "ColdOfs"
                                       << "1.2";
        QTest::newRow("linear gain") << CalibrationPhase << calibration << 1 << false << "mVGain"
                                     << "-32767";
        QTest::newRow("no block for the process values")
            << ProcessValuesPhase << limits << 1 << false << "UpLimit"
            << "-";
    }
    void settingsBlocks() {
        QFETCH(int, phase);
        QFETCH(QList<int>, words);
        QFETCH(int, point);
        QFETCH(bool, program);
        QFETCH(QString, box);
        QFETCH(QString, value);
        ReplyWordArray w{};
        std::copy(words.begin(), words.end(), w.begin());
        SettingsContext context;
        context.decimalPoint = point;
        context.setValue = 1500;
        context.programRunning = program;
        context.output1 = 455;
        const SettingsBlock block = DecodeSettingsBlock(phase, w, context);
        QCOMPARE(ValueOf(block, box), value);
    }

    void settingsBlockSwitches() {
        SettingsContext context;
        context.firmwareWord = 0x0112;
        context.firmwareDesignCaption = QStringLiteral("Firmware Version");
        const SettingsBlock limits = DecodeSettingsBlock(LimitsPhase, {}, context);
        QCOMPARE(limits.firmwareCaption.value_or(QString()), "Firmware Version 1.12");
        QVERIFY(!limits.controlMethod.has_value());

        QCOMPARE(DecodeSettingsBlock(PidPhase, Words({0, 0}), context).integralShown, false);
        QCOMPARE(DecodeSettingsBlock(PidPhase, Words({0, 30}), context).integralShown, true);

        const SettingsBlock method =
            DecodeSettingsBlock(MethodPhase, Words({0, 0, 0, 0, 2, 14, 3, 2}), context);
        QCOMPARE(method.commWrite, false); // bit 0 only
        QCOMPARE(method.inputType, 14);
        QCOMPARE(method.controlMethod, 3);
        QCOMPARE(method.heatCool, 2);
    }

    // The settings read fills the boxes from the boxes' own table. A whole read must fill every
    // box exactly once: a box left out is never refreshed, a box filled twice shows whichever
    // block came last. And every word a block reads must reach a box, or the table and the read
    // blocks have drifted apart.
    void settingsReadFillsEveryBoxOnce() {
        SettingsContext context;
        context.decimalPoint = 1; // tenths show their last digit
        QStringList filled;
        for (int phase = FirstSettingsPhase; phase <= LastSettingsPhase; ++phase) {
            const SettingsBlock zero = DecodeSettingsBlock(phase, {}, context);
            for (const BoxValue& v : zero.values)
                filled << v.box;
            const ReadBlock block = *PhaseBlock(phase);
            for (int k = 0; k < block.count; ++k) {
                ReplyWordArray w{};
                w[std::size_t(k)] = 1;
                const SettingsBlock one = DecodeSettingsBlock(phase, w, context);
                QVERIFY2(
                    one.values != zero.values,
                    qPrintable(
                        QStringLiteral("register %1 shows in no box").arg(block.first + k, 4, 16)));
            }
        }
        // Shown from elsewhere: the auto-tuning state closes the read, from the station's status;
        // the program display comes with the program status.
        const QStringList elsewhere{"AT", "ProgDisp"};
        QStringList boxes;
        for (const EditBoxInfo& box : EditBoxes())
            boxes << QString::fromLatin1(box.name);
        for (const ComboBoxInfo& box : ComboBoxes())
            boxes << QString::fromLatin1(box.name);
        for (const QString& box : boxes) {
            const qsizetype times = filled.count(box);
            QVERIFY2(times == (elsewhere.contains(box) ? 0 : 1),
                     qPrintable(QStringLiteral("%1 filled %2 times").arg(box).arg(times)));
        }
    }

    void judgeReply_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<ReplyVerdict>("verdict");
        QTest::addColumn<int>("code");
        const QByteArray read = ":01034725000789\r\n";
        const QByteArray readRtu = QByteArray::fromHex("010347250007 0177");
        const QByteArray write = ":0106470100FAB7\r\n";
        const QByteArray good = AsciiWordsReply(1, {1, 1, 0, 0x54, 1, 0x0112, 0});
        QByteArray badLrc = good;
        badLrc[badLrc.size() - 3] = badLrc.at(badLrc.size() - 3) == '0' ? '1' : '0';
        for (bool rtu : {false, true}) {
            const char* f = rtu ? "rtu " : "ascii ";
            const QByteArray req = rtu ? readRtu : read;
            const QByteArray wr = rtu ? Rtu(write) : write;
            auto frame = [rtu](const QByteArray& ascii) { return rtu ? Rtu(ascii) : ascii; };
            QByteArray spoilt = badLrc;
            if (rtu) {
                spoilt = Rtu(good);
                spoilt.back() = char(spoilt.back() ^ 0x01);
            }
            QTest::newRow(QByteArray(f) + "good read")
                << req << frame(good) << rtu << ReplyVerdict::Words << 0;
            QTest::newRow(QByteArray(f) + "wrong checksum")
                << req << spoilt << rtu << ReplyVerdict::Garbled << 0;
            QTest::newRow(QByteArray(f) + "cut short")
                << req << frame(good).left(rtu ? 10 : 20) << rtu << ReplyVerdict::Garbled << 0;
            QTest::newRow(QByteArray(f) + "another station")
                << req << frame(AsciiWordsReply(2, {1, 1, 0, 0x54, 1, 0x0112, 0})) << rtu
                << ReplyVerdict::Unaddressed << 0;
            QTest::newRow(QByteArray(f) + "nothing")
                << req << QByteArray() << rtu << ReplyVerdict::Unaddressed << 0;
            QTest::newRow(QByteArray(f) + "read refused, illegal address")
                << req << frame(AsciiException(1, 3, 2)) << rtu << ReplyVerdict::ReadRefused << 2;
            QTest::newRow(QByteArray(f) + "read refused, code 5")
                << req << frame(AsciiException(1, 3, 5)) << rtu << ReplyVerdict::ReadRefused << 5;
            QTest::newRow(QByteArray(f) + "code 15 is no time-out")
                << req << frame(AsciiException(1, 3, 15)) << rtu << ReplyVerdict::ReadRefused
                << 0x10F;
            QTest::newRow(QByteArray(f) + "write echoed")
                << wr << wr << rtu << ReplyVerdict::EchoGood << 0;
            QTest::newRow(QByteArray(f) + "echo of another value")
                << wr << frame(":0106470100FBB6\r\n") << rtu << ReplyVerdict::EchoDiffers << 30;
            QTest::newRow(QByteArray(f) + "write refused")
                << wr << frame(AsciiException(1, 6, 3)) << rtu << ReplyVerdict::WriteRefused << 31;
            QTest::newRow(QByteArray(f) + "an echo answers no read")
                << req << wr << rtu << ReplyVerdict::Ignored << 0;
            QTest::newRow(QByteArray(f) + "another function")
                << req << frame(AsciiException(1, 4, 2)) << rtu << ReplyVerdict::Ignored << 0;
        }
        QTest::newRow("ascii without start")
            << read << good.mid(1) << false << ReplyVerdict::Unaddressed << 0;
        QByteArray refusedBadLrc = AsciiException(1, 3, 2);
        refusedBadLrc[7] = '0';
        QTest::newRow("ascii refusal with a wrong LRC is not believed")
            << read << refusedBadLrc << false << ReplyVerdict::Garbled << 0;
        QTest::newRow("ascii ends before the function")
            << read << QByteArray(":01\r\n") << false << ReplyVerdict::Garbled << 0;
    }
    void judgeReply() {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);
        QFETCH(bool, rtu);
        QFETCH(ReplyVerdict, verdict);
        QFETCH(int, code);
        const MonitorReply judged = JudgeReply(reply, request, 1, rtu);
        QCOMPARE(judged.verdict, verdict);
        QCOMPARE(judged.errorCode, code);
        if (verdict == ReplyVerdict::Words) {
            QCOMPARE(judged.wordCount, 7);
            QCOMPARE(judged.words[3], 0x54);
            QCOMPARE(judged.words[5], 0x0112);
        }
    }

    void resultTexts_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "";
        QTest::newRow("1") << 1 << "illegal function ";
        QTest::newRow("2") << 2 << "illegal address ";
        QTest::newRow("3") << 3 << "illegal data ";
        QTest::newRow("4") << 4 << "illegal command ";
        QTest::newRow("5") << 5 << "Unknown error";
        QTest::newRow("11") << 11 << "illegal frame ";
        QTest::newRow("12") << 12 << "too few data ";
        QTest::newRow("13") << 13 << "too many data ";
        QTest::newRow("14") << 14 << "illegal ASCII ";
        QTest::newRow("15") << 15 << "Time out";
        QTest::newRow("30") << 30 << "Received data does not match";
        QTest::newRow("31") << 31 << "Write data not successed";
        QTest::newRow("exception 15") << 0x10F << "Unknown error";
    }
    void resultTexts() {
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(ResultText(code), text);
    }

    void trendRescale_data() {
        QTest::addColumn<int>("drawnRange");
        QTest::addColumn<int>("foundRange");
        QTest::addColumn<bool>("due");
        QTest::newRow("settled after a ramp") << 1250 << 0 << true;
        QTest::newRow("less than half") << 100 << 49 << true;
        QTest::newRow("half") << 100 << 50 << false;
        QTest::newRow("same") << 100 << 100 << false;
        QTest::newRow("flat stays flat") << 0 << 0 << false;
    }
    void trendRescale() {
        QFETCH(int, drawnRange);
        QFETCH(int, foundRange);
        QFETCH(bool, due);
        QCOMPARE(TrendRescaleDue(1000 + drawnRange, 1000, 1000 + foundRange, 1000), due);
    }
};

QTEST_GUILESS_MAIN(TestMonitorDisplay)
#include "tst_monitordisplay.moc"
