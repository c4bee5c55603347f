// The program file: byte for byte, round trips, separators, a last number without a line end,
// wrong lengths and bad numbers that never half-load, saving that never reports a file it did
// not write.
#include "programfile.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vrx;
using namespace vrx::test;

namespace {

// Every value different and some negative, as a real program's set values can be.
PatternProgram Sample() {
    PatternProgram program;
    program.StartPattern = 2;
    for (int p = 0; p < Patterns; ++p) {
        program.PatternMaxStep[p] = 7 - p;
        program.PatternLoop[p] = 10 * p + 1;
        program.PatternLink[p] = p == 7 ? ProgEnd : p + 1;
        for (int s = 0; s < PatternSteps; ++s) {
            program.PatternSV[p][s] = (p * 8 + s) * 37 - 500;
            program.PatternTime[p][s] = p * 100 + s;
        }
    }
    return program;
}

// A program the editor held before a file was opened.
PatternProgram Previous() {
    PatternProgram program;
    program.StartPattern = 5;
    program.PatternSV[3][3] = -999;
    return program;
}

// The numbers of a program file as one line each, the way a hand-made file may look.
QByteArray Numbers(int count, const char* separator = " ") {
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += QByteArray::number(i % 9) + separator;
    return text;
}

} // namespace

class TestPatternFile : public QObject {
    Q_OBJECT

private slots:
    void zeroProgramByteForByte() {
        QByteArray expected = "0\r\n";
        for (int line = 2; line <= 20; ++line)
            expected += "0  0  0  0  0  0  0  0  \r\n";
        QCOMPARE(ProgramFileText(PatternProgram{}), expected);
    }

    void sampleProgramByteForByte() {
        const QList<QByteArray> lines = ProgramFileText(Sample()).split('\n');
        QCOMPARE(lines.size(), 21);
        QCOMPARE(lines[0], "2\r");
        QCOMPARE(lines[1], "7  6  5  4  3  2  1  0  \r");
        QCOMPARE(lines[2], "1  11  21  31  41  51  61  71  \r");
        QCOMPARE(lines[3], "1  2  3  4  5  6  7  8  \r");
        QCOMPARE(lines[4], "-500  -463  -426  -389  -352  -315  -278  -241  \r");
        QCOMPARE(lines[11], "1572  1609  1646  1683  1720  1757  1794  1831  \r");
        QCOMPARE(lines[12], "0  1  2  3  4  5  6  7  \r");
        QCOMPARE(lines[19], "700  701  702  703  704  705  706  707  \r");
        QVERIFY(lines[20].isEmpty());
    }

    void saveAndLoadRoundTrip() {
        QTemporaryDir dir;
        const QString path = dir.filePath("ramp.txt");
        const ProgramFileSave save = SaveProgramFile(path, Sample());
        QVERIFY(save.ok);
        QCOMPARE(save.message, "Write to file success");
        QCOMPARE(ReadAll(path), ProgramFileText(Sample()));
        const ProgramFileLoad load = ReadProgramFile(path, Previous());
        QCOMPARE(load.status, ProgramFileStatus::Loaded);
        QCOMPARE(load.message, "Load file data success");
        QCOMPARE(load.tokens, 153);
        QVERIFY(load.takesProgram);
        QCOMPARE(load.program, Sample());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"ramp.txt"});
    }

    // The same 153 numbers however they are separated; the file's end ends the last one.
    void separators_data() {
        QTest::addColumn<QByteArray>("text");
        const QByteArray saved = ProgramFileText(Sample());
        QTest::newRow("as saved") << saved;
        QTest::newRow("no line end after the last number") << saved.trimmed();
        QTest::newRow("one line, single spaces")
            << saved.simplified().replace("\r", "").replace("\n", " ");
        QTest::newRow("LF only") << QByteArray(saved).replace("\r\n", "\n");
        QTest::newRow("CR only") << QByteArray(saved).replace("\r\n", "\r");
        QTest::newRow("one number a line") << QByteArray(saved).replace("  ", "\r\n");
        QTest::newRow("leading blank lines") << "\r\n\r\n   " + saved;
        QTest::newRow("plus signs") << QByteArray(saved).replace("  2  ", "  +2  ");
    }
    void separators() {
        QFETCH(QByteArray, text);
        const ProgramFileLoad load = ParseProgramFile(text, Previous());
        QCOMPARE(load.status, ProgramFileStatus::Loaded);
        QCOMPARE(load.program, Sample());
    }

    // Only a file with the whole program is taken; a short one leaves the program as it was.
    void lengths_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("tokens");
        QTest::addColumn<bool>("takes");
        const QByteArray saved = ProgramFileText(Sample());
        QTest::newRow("152 numbers") << saved.first(saved.lastIndexOf("707")) << 152 << false;
        QTest::newRow("one line missing") << saved.first(saved.lastIndexOf("700")) << 145 << false;
        QTest::newRow("154 numbers") << saved + "99\r\n" << 154 << true;
        QTest::newRow("a thousand numbers") << saved + Numbers(847) << 1000 << true;
        QTest::newRow("empty") << QByteArray() << 0 << false;
        QTest::newRow("separators only") << QByteArray("  \r\n\r\n ") << 0 << false;
    }
    void lengths() {
        QFETCH(QByteArray, text);
        QFETCH(int, tokens);
        QFETCH(bool, takes);
        const ProgramFileLoad load = ParseProgramFile(text, Previous());
        QCOMPARE(load.status, ProgramFileStatus::LengthError);
        QCOMPARE(load.message, "Data length error !");
        QCOMPARE(load.tokens, tokens);
        QCOMPARE(load.takesProgram, takes);
        QCOMPARE(load.program, takes ? Sample() : Previous());
    }

    // A number that does not convert stops the load; the program stays as it was before it.
    void badNumbers_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("message");
        const QByteArray saved = ProgramFileText(Sample());
        QByteArray letter = saved;
        letter.replace("-389", "-38x");
        QTest::newRow("letter in a set value") << letter << "'-38x' is not a valid integer value";
        QTest::newRow("decimal") << QByteArray(saved).replace("1572", "157.2")
                                 << "'157.2' is not a valid integer value";
        QTest::newRow("tab inside a line") << QByteArray(saved).replace("11  21", "11\t21")
                                           << "'11?21' is not a valid integer value";
        QTest::newRow("beyond 32 bits") << QByteArray(saved).replace("704", "2147483648")
                                        << "'2147483648' is not a valid integer value";
        QTest::newRow("bad number after the 153rd") << saved + "end\r\n"
                                                    << "'end' is not a valid integer value";
        QTest::newRow("binary") << "2\r\n\x01\x02\xFF" + saved.sliced(3)
                                << "'???7' is not a valid integer value";
        QTest::newRow("a number a megabyte long")
            << "2 " + QByteArray(1 << 20, '7') + saved.sliced(1)
            << "'77777777777777777777...' is not a valid integer value";
        QTest::newRow("sign alone")
            << QByteArray("- ") + saved << "'-' is not a valid integer value";
    }
    void badNumbers() {
        QFETCH(QByteArray, text);
        QFETCH(QString, message);
        const ProgramFileLoad load = ParseProgramFile(text, Previous());
        QCOMPARE(load.status, ProgramFileStatus::BadToken);
        QCOMPARE(load.message, message);
        QVERIFY(!load.takesProgram);
        QCOMPARE(load.program, Previous());
    }

    // The full range of a register and beyond is carried as written.
    void valuesAsWritten() {
        PatternProgram program;
        program.StartPattern = 12;
        program.PatternSV[0][0] = -32768;
        program.PatternSV[7][7] = std::numeric_limits<int>::min();
        program.PatternTime[4][4] = 65535;
        program.PatternLink[3] = -1;
        const ProgramFileLoad load = ParseProgramFile(ProgramFileText(program), Previous());
        QCOMPARE(load.status, ProgramFileStatus::Loaded);
        QCOMPARE(load.program, program);
    }

    void largeFileReadInPieces() {
        QTemporaryDir dir;
        const QString path = dir.filePath("spaced.txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // A number cut by the end of the first 64 KiB piece still reads as one.
        file.write(QByteArray(64 * 1024 - 2, ' ') + ProgramFileText(Sample()));
        file.close();
        const ProgramFileLoad load = ReadProgramFile(path, Previous());
        QCOMPARE(load.status, ProgramFileStatus::Loaded);
        QCOMPARE(load.program, Sample());
    }

    void missingOrUnreadableFile() {
        QTemporaryDir dir;
        ProgramFileLoad load = ReadProgramFile(dir.filePath("none.txt"), Previous());
        QCOMPARE(load.status, ProgramFileStatus::Missing);
        QCOMPARE(load.message, "File not exist, Can not open file !");
        QCOMPARE(load.program, Previous());
        QVERIFY(QDir(dir.path()).mkdir("folder.txt"));
        load = ReadProgramFile(dir.filePath("folder.txt"), Previous());
        QCOMPARE(load.status, ProgramFileStatus::ReadFailed);
        QVERIFY(load.message.contains("folder.txt"));
        QCOMPARE(load.program, Previous());
    }

    // A save that cannot happen says so, and an existing file keeps its content.
    void failedSave() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("taken.txt"));
        ProgramFileSave save = SaveProgramFile(dir.filePath("taken.txt"), Sample());
        QVERIFY(!save.ok);
        QVERIFY2(save.message.contains("taken.txt"), qPrintable(save.message));
        QVERIFY(QFileInfo(dir.filePath("taken.txt")).isDir());

        save = SaveProgramFile(dir.filePath("gone/ramp.txt"), Sample());
        QVERIFY(!save.ok);
        QVERIFY2(save.message.contains("ramp.txt"), qPrintable(save.message));
    }
};

QTEST_GUILESS_MAIN(TestPatternFile)
#include "tst_patternfile.moc"
