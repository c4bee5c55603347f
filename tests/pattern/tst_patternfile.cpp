// The program file: byte for byte, round trips, separators, a last number without a line end,
// wrong lengths, bad numbers and numbers out of their registers' range that never half-load,
// pipes, devices and huge files refused at once, and saving that never reports a file it did not
// write, on a full disk too.
#include "filesizelimit.h"
#include "freezewatch.h"
#include "programfile.h"
#include "testfiles.h"
#include "textfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

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

    // Only a file with the whole program and no more is taken; a short or a long one leaves
    // the program as it was, and the reading of a long one stops one number past the format.
    void lengths_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("tokens");
        QTest::addColumn<bool>("takes");
        const QByteArray saved = ProgramFileText(Sample());
        QTest::newRow("152 numbers") << saved.first(saved.lastIndexOf("707")) << 152 << false;
        QTest::newRow("one line missing") << saved.first(saved.lastIndexOf("700")) << 145 << false;
        QTest::newRow("154 numbers") << saved + "99\r\n" << 154 << false;
        QTest::newRow("a thousand numbers") << saved + Numbers(847) << 154 << false;
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

    // Every register's whole range loads as written.
    void registerRangesLoad() {
        PatternProgram program = Sample();
        program.StartPattern = 7;
        program.PatternMaxStep[1] = 0;
        program.PatternLoop[2] = 99;
        program.PatternLink[3] = ProgEnd;
        program.PatternSV[0][0] = -32768;
        program.PatternSV[7][7] = 32767;
        program.PatternTime[4][4] = 900;
        const ProgramFileLoad load = ParseProgramFile(ProgramFileText(program), Previous());
        QCOMPARE(load.status, ProgramFileStatus::Loaded);
        QCOMPARE(load.program, program);
    }

    // A number its register cannot hold would reach the controller cut to 16 bits (70000 as
    // 446.4) or as something it does not run: the file is refused, naming the line and the
    // number, and the program stays as it was.
    void outOfRange_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("start pattern 99")
            << 0 << 99 << "Line 1 : 99 is out of range for the start pattern (0 to 7) !";
        QTest::newRow("start pattern -1")
            << 0 << -1 << "Line 1 : -1 is out of range for the start pattern (0 to 7) !";
        QTest::newRow("step max 1000")
            << 3 << 1000 << "Line 2 : 1000 is out of range for a step max. (0 to 7) !";
        QTest::newRow("loop -1") << 9 << -1
                                 << "Line 3 : -1 is out of range for a loop count (0 to 99) !";
        QTest::newRow("loop 100") << 16 << 100
                                  << "Line 3 : 100 is out of range for a loop count (0 to 99) !";
        QTest::newRow("link 12345")
            << 17 << 12345 << "Line 4 : 12345 is out of range for a link (0 to 8) !";
        QTest::newRow("link 9") << 24 << 9 << "Line 4 : 9 is out of range for a link (0 to 8) !";
        QTest::newRow("set value 70000")
            << 25 << 70000 << "Line 5 : 70000 is out of range for a set value (-32768 to 32767) !";
        QTest::newRow("set value -32769")
            << 88 << -32769
            << "Line 12 : -32769 is out of range for a set value (-32768 to 32767) !";
        QTest::newRow("time 65600 min")
            << 89 << 65600 << "Line 13 : 65600 is out of range for an execute time (0 to 900) !";
        QTest::newRow("time 901 min")
            << 152 << 901 << "Line 20 : 901 is out of range for an execute time (0 to 900) !";
        QTest::newRow("negative time")
            << 100 << -5 << "Line 14 : -5 is out of range for an execute time (0 to 900) !";
    }
    void outOfRange() {
        QFETCH(int, index);
        QFETCH(int, value);
        QFETCH(QString, message);
        PatternProgram program = Sample();
        FileValue(program, index) = value;
        const ProgramFileLoad load = ParseProgramFile(ProgramFileText(program), Previous());
        QCOMPARE(load.status, ProgramFileStatus::OutOfRange);
        QCOMPARE(load.message, message);
        QVERIFY(!load.takesProgram);
        QCOMPARE(load.program, Previous());
    }

    // The line named is the file's own, however the numbers are laid out.
    void outOfRangeNamesTheFilesLine_data() {
        QTest::addColumn<QByteArray>("separator");
        QTest::addColumn<int>("line");
        QTest::newRow("one number a line, CR LF") << QByteArray("\r\n") << 26;
        QTest::newRow("one number a line, CR") << QByteArray("\r") << 26;
        QTest::newRow("one number a line, LF") << QByteArray("\n") << 26;
        QTest::newRow("one line") << QByteArray(" ") << 1;
    }
    void outOfRangeNamesTheFilesLine() {
        QFETCH(QByteArray, separator);
        QFETCH(int, line);
        PatternProgram program = Sample();
        FileValue(program, 25) = 70000;
        QByteArray text;
        for (int i = 0; i < ProgramValues; ++i)
            text += QByteArray::number(FileValue(program, i)) + separator;
        const ProgramFileLoad load = ParseProgramFile(text, Previous());
        QCOMPARE(load.status, ProgramFileStatus::OutOfRange);
        QVERIFY2(load.message.startsWith(QStringLiteral("Line %1 : 70000 ").arg(line)),
                 qPrintable(load.message));
    }

    // The table itself is checked before Write: a value read from a controller or left by an
    // older program is named by its cell.
    void tableRangeProblems_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("start") << 0 << 8
                               << "Start Pattern : 8 is out of range for the start pattern "
                                  "(0 to 7) !";
        QTest::newRow("step max") << 2 << 9
                                  << "Pattern 1 Step Max. : 9 is out of range for a step max. "
                                     "(0 to 7) !";
        QTest::newRow("loop") << 11 << 200
                              << "Pattern 2 Loop Count : 200 is out of range for a loop count "
                                 "(0 to 99) !";
        QTest::newRow("link") << 24 << 65535
                              << "Pattern 7 Link Pattern : 65535 is out of range for a link "
                                 "(0 to 8) !";
        QTest::newRow("set value") << 25 + 8 * 3 + 5 << 40000
                                   << "Pattern 3 Set Value 5 : 40000 is out of range for a set "
                                      "value (-32768 to 32767) !";
        QTest::newRow("time") << 89 + 8 * 6 + 7 << 1000
                              << "Pattern 6 Execute Time 7 : 1000 is out of range for an "
                                 "execute time (0 to 900) !";
    }
    void tableRangeProblems() {
        QFETCH(int, index);
        QFETCH(int, value);
        QFETCH(QString, message);
        QCOMPARE(ProgramRangeProblem(Sample()), std::nullopt);
        PatternProgram program = Sample();
        FileValue(program, index) = value;
        QCOMPARE(ProgramRangeProblem(program), std::optional<QString>(message));
    }

    void largeFileReadInPieces() {
        QTemporaryDir dir;
        const QString path = dir.filePath("spaced.txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // A number cut by the end of the first piece still reads as one.
        file.write(QByteArray(FilePieceSize - 2, ' ') + ProgramFileText(Sample()));
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

    // What a user can pick in a file dialog besides a program file: each is refused at once, by
    // what it is, before anything waits on it or reads it to its end, and the program stays.
    void onlyPlainFilesWithinBounds_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("a folder") << "folder.txt" << int(ProgramFileStatus::ReadFailed)
                                  << "Can not read file folder.txt : it is a folder";
#ifdef Q_OS_UNIX
        QTest::newRow("a pipe") << "pipe.txt" << int(ProgramFileStatus::ReadFailed)
                                << "Can not read file pipe.txt : not a plain file (a pipe or a "
                                   "device)";
        QTest::newRow("/dev/zero") << "/dev/zero" << int(ProgramFileStatus::ReadFailed)
                                   << "Can not read file zero : not a plain file (a pipe or a "
                                      "device)";
#endif
        QTest::newRow("10 MB of numbers")
            << "numbers.txt" << int(ProgramFileStatus::LengthError) << "Data length error !";
    }
    void onlyPlainFilesWithinBounds() {
        QFETCH(QString, name);
        QFETCH(int, status);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("folder.txt"));
#ifdef Q_OS_UNIX
        QCOMPARE(mkfifo(QFile::encodeName(dir.filePath("pipe.txt")).constData(), 0600), 0);
#endif
        if (name == "numbers.txt")
            QVERIFY(WriteAll(dir.filePath(name), QByteArray(5 << 20, ' ').replace(" ", "1 ")));
        const ProgramFileLoad load = [&] {
            const FreezeWatch watch(qPrintable("reading " + name));
            return ReadProgramFile(name.startsWith(QLatin1Char('/')) ? name : dir.filePath(name),
                                   Previous());
        }();
        QCOMPARE(int(load.status), status);
        QCOMPARE(load.message, message);
        QVERIFY(!load.takesProgram);
        QCOMPARE(load.program, Previous());
    }

    // A full disk (here a file-size limit) during a save: the message names the reason, and
    // the file that was there keeps every byte.
    void saveOnAFullDisk() {
#ifndef Q_OS_UNIX
        QSKIP("needs a file-size limit");
#else
        QTemporaryDir dir;
        const QString path = dir.filePath("ramp.txt");
        const QByteArray old = ProgramFileText(Previous());
        QVERIFY(WriteAll(path, old));
        ProgramFileSave save;
        {
            const FileSizeLimit full(200);
            QVERIFY(full.Active());
            save = SaveProgramFile(path, Sample());
        }
        QVERIFY(!save.ok);
        QCOMPARE(save.message, "Can not write file ramp.txt : File too large");
        QCOMPARE(ReadAll(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"ramp.txt"});
#endif
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
