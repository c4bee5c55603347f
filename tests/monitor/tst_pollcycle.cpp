// The poll cycle as a value: which station and phase come after each answer, how a cycle ends,
// how long an answer is awaited; and what a poll reply makes of a station's face and values.
// Tables of cases.
#include "comsettings.h"
#include "pollcycle.h"
#include "pollengine.h"
#include "stationface.h"

#include <QTest>

using namespace vrx;

Q_DECLARE_METATYPE(vrx::CycleStep)
Q_DECLARE_METATYPE(vrx::ComSelections)
Q_DECLARE_METATYPE(vrx::StationValues)

namespace {

CycleStations Stations(const QList<int>& active, const QList<int>& running, bool anyConnected) {
    CycleStations stations;
    for (int st : active)
        stations.active[std::size_t(st)] = true;
    for (int st : running)
        stations.programRunning[std::size_t(st)] = true;
    stations.anyConnected = anyConnected;
    return stations;
}

MonitorReply Words(const QList<int>& words) {
    MonitorReply reply;
    reply.verdict = ReplyVerdict::Words;
    reply.wordCount = int(words.size());
    for (qsizetype i = 0; i < words.size(); ++i)
        reply.words[std::size_t(i)] = words[i];
    return reply;
}

// Lamps as letters, as tst_monitordisplay writes them: . grey, L lime, R red, Y yellow.
QString Lamps(const LampRow& row) {
    QString text;
    for (LampColour c : row)
        text += c == LampColour::Lime     ? u'L'
                : c == LampColour::Red    ? u'R'
                : c == LampColour::Yellow ? u'Y'
                                          : u'.';
    return text;
}

} // namespace

class TestPollCycle : public QObject {
    Q_OBJECT

private slots:
    void advance_data() {
        QTest::addColumn<int>("phase");
        QTest::addColumn<int>("station");
        QTest::addColumn<QList<int>>("active");
        QTest::addColumn<QList<int>>("running");
        QTest::addColumn<bool>("setChanged");
        QTest::addColumn<bool>("reread");
        QTest::addColumn<bool>("anyConnected");
        QTest::addColumn<CycleStep>("step");
        QTest::addColumn<int>("nextPhase");
        QTest::addColumn<int>("nextStation");
        QTest::addColumn<bool>("rereadAfter");
        const QList<int> none;
        QTest::newRow("status: on to the next active station")
            << StatusPhase << 1 << QList<int>{1, 3} << none << false << false << true
            << CycleStep::Polling << StatusPhase << 3 << false;
        QTest::newRow("no program runs: the process values follow the status")
            << StatusPhase << 3 << QList<int>{1, 3} << none << false << false << true
            << CycleStep::Polling << ProcessValuesPhase << 1 << false;
        QTest::newRow("program status only of the station that runs one")
            << StatusPhase << 4 << QList<int>{1, 3, 4} << QList<int>{3} << false << false << true
            << CycleStep::Polling << ProgramStatusPhase << 3 << false;
        QTest::newRow("program status skips the station that runs none")
            << ProgramStatusPhase << 2 << QList<int>{1, 2, 3, 4} << QList<int>{2, 4} << false
            << false << true << CycleStep::Polling << ProgramStatusPhase << 4 << false;
        QTest::newRow("after the last program status: the process values")
            << ProgramStatusPhase << 3 << QList<int>{1, 3, 4} << QList<int>{3} << false << false
            << true << CycleStep::Polling << ProcessValuesPhase << 1 << false;
        QTest::newRow("a program of an inactive station is not asked")
            << StatusPhase << 2 << QList<int>{2} << QList<int>{1, 3} << false << false << true
            << CycleStep::Polling << ProcessValuesPhase << 2 << false;
        QTest::newRow("process values: on to the next active station")
            << ProcessValuesPhase << 1 << QList<int>{1, 2} << none << false << false << true
            << CycleStep::Polling << ProcessValuesPhase << 2 << false;
        QTest::newRow("cycle over: it starts again")
            << ProcessValuesPhase << 3 << QList<int>{1, 3} << none << false << false << true
            << CycleStep::Restart << FirstSettingsPhase << 1 << false;
        QTest::newRow("cycle over: the settings asked for are read")
            << ProcessValuesPhase << 3 << QList<int>{1, 3} << none << false << true << true
            << CycleStep::ReadSettings << FirstSettingsPhase << 1 << false;
        QTest::newRow("cycle over: a change of stations goes before the settings")
            << ProcessValuesPhase << 1 << QList<int>{1} << none << true << true << true
            << CycleStep::StationsChange << FirstSettingsPhase << 1 << true;
        QTest::newRow("every station cancelled, one waits to join: none is due")
            << StatusPhase << 1 << none << none << true << false << true << CycleStep::NoneDue
            << PidPhase << 1 << false;
        QTest::newRow("nobody connected: the cycle stands")
            << StatusPhase << 1 << none << none << false << false << false << CycleStep::Polling
            << StatusPhase << 2 << false;
    }
    void advance() {
        QFETCH(int, phase);
        QFETCH(int, station);
        QFETCH(QList<int>, active);
        QFETCH(QList<int>, running);
        QFETCH(bool, setChanged);
        QFETCH(bool, reread);
        QFETCH(bool, anyConnected);
        QFETCH(CycleStep, step);
        QFETCH(int, nextPhase);
        QFETCH(int, nextStation);
        QFETCH(bool, rereadAfter);
        PollCycle cycle;
        cycle.PollPhase = phase;
        cycle.PollStation = station;
        cycle.StationSetChanged = setChanged;
        cycle.SettingsReread = reread;
        QCOMPARE(cycle.Advance(Stations(active, running, anyConnected)), step);
        QCOMPARE(cycle.PollPhase, nextPhase);
        QCOMPARE(cycle.PollStation, nextStation);
        QCOMPARE(cycle.SettingsReread, rereadAfter);
    }

    // A settings read asks the seven blocks from the limits to the calibration, each once; a
    // restart goes back to the status of the first active station, or stays where it is.
    void settingsReadAndRestart() {
        PollCycle cycle;
        cycle.Begin(2);
        QCOMPARE(cycle.PollStation, 2);
        QVERIFY(cycle.FirstSettingsRead);
        QVERIFY(!cycle.ReadsSettings());
        cycle.PollPhase = FirstSettingsPhase;
        int blocks = 1;
        while (!cycle.SettingsBlockDone()) {
            QVERIFY(cycle.ReadsSettings());
            ++blocks;
        }
        QCOMPARE(blocks, 7);
        cycle.Restart(3);
        QCOMPARE(cycle.PollPhase, StatusPhase);
        QCOMPARE(cycle.PollStation, 3);
        cycle.PollPhase = ProcessValuesPhase;
        cycle.Restart(0);
        QCOMPARE(cycle.PollPhase, StatusPhase);
        QCOMPARE(cycle.PollStation, 3);
    }

    // How long the Monitor waits for a reply: in ASCII for its LF, in RTU the silence after it.
    void replyTicks_data() {
        QTest::addColumn<ComSelections>("selections");
        QTest::addColumn<int>("monitor");
        QTest::newRow("ASCII") << ComSelections{0, 2, 1, 0, 0, 0} << 36;
        QTest::newRow("RTU 2400") << ComSelections{0, 0, 1, 1, 0, 1} << 2;
        QTest::newRow("RTU 4800") << ComSelections{0, 1, 1, 1, 0, 1} << 2;
        QTest::newRow("RTU 9600") << ComSelections{0, 2, 1, 1, 0, 1} << 1;
        QTest::newRow("RTU 38400") << ComSelections{0, 4, 1, 1, 0, 1} << 1;
    }
    void replyTicks() {
        QFETCH(ComSelections, selections);
        QFETCH(int, monitor);
        QCOMPARE(MonitorReplyTicks(ToLineSettings(selections)), monitor);
    }

    // What a good poll reply shows on the face of a station that shows "old" everywhere.
    void faceFor_data() {
        QTest::addColumn<int>("phase");
        QTest::addColumn<QList<int>>("words");
        QTest::addColumn<bool>("programRunning");
        QTest::addColumn<QString>("pv");
        QTest::addColumn<bool>("pvIsStatus");
        QTest::addColumn<QString>("sv");
        QTest::addColumn<QString>("lamps");
        QTest::addColumn<int>("out1");
        QTest::addColumn<int>("out2");
        const QString old = "old";
        QTest::newRow("status: the lamps, nothing else")
            << StatusPhase << QList<int>{1, 1, 0, 0x54, 1, 0x0101, 0} << false << old << false
            << old << ".L.R...Y" << 7 << 8;
        QTest::newRow("process values") << ProcessValuesPhase << QList<int>{0x00FA, 0xFF9C, 500, 20}
                                        << false << "   25.0" << false << " - 10.0"
                                        << "RRRRRRRR" << 500 << 20;
        QTest::newRow("a program runs: the SV edit keeps the program status")
            << ProcessValuesPhase << QList<int>{0x00FA, 0xFF9C, 500, 20} << true << "   25.0"
            << false << old << "RRRRRRRR" << 500 << 20;
        QTest::newRow("a status instead of the process value")
            << ProcessValuesPhase << QList<int>{0x8003, 0x00FA, 0, 0} << false << " No Connect"
            << true << "   25.0"
            << "RRRRRRRR" << 0 << 0;
        QTest::newRow("program status: pattern and step")
            << ProgramStatusPhase << QList<int>{0, 0, 0, 3, 2} << true << old << false << " 2 - 03"
            << "RRRRRRRR" << 7 << 8;
        QTest::newRow("program status: the set value read before")
            << ProgramStatusPhase << QList<int>{1, 0, 0, 0, 0} << true << old << false << "   50.0"
            << "RRRRRRRR" << 7 << 8;
    }
    void faceFor() {
        QFETCH(int, phase);
        QFETCH(QList<int>, words);
        QFETCH(bool, programRunning);
        QFETCH(QString, pv);
        QFETCH(bool, pvIsStatus);
        QFETCH(QString, sv);
        QFETCH(QString, lamps);
        QFETCH(int, out1);
        QFETCH(int, out2);
        StationFace face;
        face.pvText = face.svText = QStringLiteral("old");
        face.lamps.fill(LampColour::Red);
        face.runLed = LampColour::Red;
        face.out1 = 7;
        face.out2 = 8;
        StationValues before;
        before.decimalPoint = 1;
        before.programRunning = programRunning;
        before.sv = 500;
        const StationFace now = FaceFor(phase, Words(words), before, face, 0);
        QCOMPARE(now.pvText, pv);
        QCOMPARE(now.pvIsStatus, pvIsStatus);
        QCOMPARE(now.svText, sv);
        QCOMPARE(Lamps(now.lamps), lamps);
        QCOMPARE(now.out1, out1);
        QCOMPARE(now.out2, out2);
        // Whatever it showed, the station answered.
        QCOMPARE(now.runLed, LampColour::Lime);
        // A settings block is not the face's.
        QCOMPARE(FaceFor(LimitsPhase, Words(words), before, face, 0), face);
    }

    void valuesFor_data() {
        QTest::addColumn<int>("phase");
        QTest::addColumn<QList<int>>("words");
        QTest::addColumn<StationValues>("after");
        const StationValues before{1, false, 0, 0x0100, false, 250, 300, 10, 20};
        QTest::newRow("status") << StatusPhase << QList<int>{0, 1, 1, 0x54, 1, 0x0102, 1}
                                << StationValues{0, true, 1, 0x0102, true, 250, 300, 10, 20};
        QTest::newRow("program status changes no value")
            << ProgramStatusPhase << QList<int>{2, 3725, 62, 0, 0} << before;
        QTest::newRow("process values, signed")
            << ProcessValuesPhase << QList<int>{0xFF9C, 0xF830, 1000, 0}
            << StationValues{1, false, 0, 0x0100, false, -100, -2000, 1000, 0};
        QTest::newRow("a status records no process value")
            << ProcessValuesPhase << QList<int>{0x8005, 0x00FA, 3, 4}
            << StationValues{1, false, 0, 0x0100, false, 0, 250, 3, 4};
    }
    void valuesFor() {
        QFETCH(int, phase);
        QFETCH(QList<int>, words);
        QFETCH(StationValues, after);
        const StationValues before{1, false, 0, 0x0100, false, 250, 300, 10, 20};
        QCOMPARE(ValuesFor(phase, Words(words), before), after);
    }

    void asksForSettings_data() {
        QTest::addColumn<int>("phase");
        QTest::addColumn<QList<int>>("words");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<bool>("asks");
        // Words 2 (auto-tuning) and 4 (bit 0 clear: settings changed on the front panel).
        QTest::newRow("nothing changed")
            << StatusPhase << QList<int>{1, 1, 0, 0, 1, 0, 0} << true << false;
        QTest::newRow("auto-tuning started")
            << StatusPhase << QList<int>{1, 1, 1, 0, 1, 0, 0} << true << true;
        QTest::newRow("auto-tuning started, not selected")
            << StatusPhase << QList<int>{1, 1, 1, 0, 1, 0, 0} << false << false;
        QTest::newRow("front panel")
            << StatusPhase << QList<int>{1, 1, 0, 0, 0, 0, 0} << true << true;
        QTest::newRow("front panel, not selected")
            << StatusPhase << QList<int>{1, 1, 0, 0, 2, 0, 0} << false << false;
        QTest::newRow("starting up, any station")
            << ProcessValuesPhase << QList<int>{0x8002, 0, 0, 0} << false << true;
        QTest::newRow("another status")
            << ProcessValuesPhase << QList<int>{0x8003, 0, 0, 0} << true << false;
        QTest::newRow("a value") << ProcessValuesPhase << QList<int>{0x0001, 0, 0, 0} << true
                                 << false;
    }
    void asksForSettings() {
        QFETCH(int, phase);
        QFETCH(QList<int>, words);
        QFETCH(bool, selected);
        QFETCH(bool, asks);
        StationValues before;
        before.atState = 0;
        QCOMPARE(AsksForSettings(phase, Words(words), before, selected), asks);
    }
};

QTEST_GUILESS_MAIN(TestPollCycle)
#include "tst_pollcycle.moc"
