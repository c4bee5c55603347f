// The parameter image: the file byte for byte, reading it back (separators, lone characters,
// lengths, junk), saving that never reports a file it did not write, the 0x474C read, and the
// write-back frames; then a simulated controller's memory copied through a file into others.
#include "controllerbus.h"
#include "filesizelimit.h"
#include "framecodec.h"
#include "freezewatch.h"
#include "paramfile.h"
#include "paramimage.h"
#include "paramimages.h"
#include "testfiles.h"
#include "textfile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace vrx;
using namespace vrx::test;

namespace {

// What a buffer held before a file was opened: nothing of it may change unless the file is
// taken.
ParamImage Previous() {
    ParamImage image;
    image.fill(0x5A);
    return image;
}

// `count` pairs "00" .. in the file's order, separated by single spaces.
QByteArray Pairs(int count, int first = 0) {
    QByteArray text;
    for (int n = first; n < first + count; ++n)
        text += ByteToHex(n) + ' ';
    return text;
}

// A folder nobody may write into while this lives. Permissions do not bind root, so for root
// the folder is made immutable instead where the file system allows it; `binds` tells whether
// either worked.
struct ReadOnlyFolder {
    explicit ReadOnlyFolder(const QString& path) : path(path) {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        binds = !Writable();
        if (!binds && QProcess::execute("chattr", {"+i", path}) == 0) {
            immutable = true;
            binds = !Writable();
        }
    }
    ~ReadOnlyFolder() {
        if (immutable) QProcess::execute("chattr", {"-i", path});
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner);
    }
    bool Writable() const {
        QFile probe(path + "/probe");
        if (!probe.open(QIODevice::WriteOnly)) return false;
        probe.remove();
        return true;
    }
    QString path;
    bool immutable = false;
    bool binds = false;
};

// Frames to a simulated bus and their replies, as the line would carry them.
QByteArray Ask(sim::ControllerBus& bus, const QByteArray& request) {
    QByteArray reply;
    for (const sim::ReplyPiece& piece : bus.Respond({sim::Framing::Ascii, request}))
        reply += piece.bytes;
    return reply;
}

// The parameter memory of a station read as the Monitor reads it: 8 words from 0x474C per
// request until the image is complete.
ParamImage ReadMemory(sim::ControllerBus& bus, int address, ParamImage start = {}) {
    ParamImageRead read(start);
    for (int request = 0; request < 40 && !read.Complete(); ++request) {
        const ReadReply reply = CheckAsciiReply(Ask(bus, ReadRequest(address, 0x474C, 8)), address);
        if (!reply.isGood()) break;
        read.Store(reply.words);
    }
    return read.Complete() ? read.Image() : ParamImage{};
}

} // namespace

class TestParamFile : public QObject {
    Q_OBJECT

private slots:
    void fileIsSeventeenLinesOfHexPairs() {
        ParamImage image = Numbered();
        image[255] = 0xAB;
        const QByteArray text = ParamFileText(image);
        const QList<QByteArray> lines = text.split('\n');
        QCOMPARE(lines.size(), 18); // the last line end leaves an empty piece
        QCOMPARE(lines[0], "00  01  02  03  04  05  06  07  08  09  0A  0B  8C  0D  0E  0F  \r");
        QCOMPARE(lines[15], "F0  F1  F2  F3  F4  F5  F6  F7  F8  F9  FA  FB  FC  FD  FE  AB  \r");
        QCOMPARE(lines[16], "FF\r");
        QVERIFY(lines[17].isEmpty());
        for (int l = 0; l < 16; ++l)
            QCOMPARE(lines[l].size(), 64 + 1);
        QCOMPARE(text.size(), 16 * 66 + 4);
    }

    void saveAndOpenRoundTrip() {
        QTemporaryDir dir;
        const QString path = dir.filePath("params.txt");
        const ParamImage image = Numbered();
        const ParamFileSave save = SaveParamFile(path, image);
        QVERIFY(save.ok);
        QCOMPARE(save.message, "Write to file success");
        QCOMPARE(ReadAll(path), ParamFileText(image));

        const ParamFileLoad load = ReadParamFile(path, Previous());
        QCOMPARE(load.status, ParamFileStatus::Loaded);
        QCOMPARE(load.message, "Load file data success");
        QCOMPARE(load.pairs, 257);
        QVERIFY(load.takesImage);
        QVERIFY(load.image == image);
        // Nothing is left beside the file.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"params.txt"});
    }

    // The same 257 pairs however they are separated.
    void separators_data() {
        QTest::addColumn<QByteArray>("text");
        const QByteArray saved = ParamFileText(Numbered());
        QTest::newRow("as saved") << saved;
        QTest::newRow("single spaces, one line")
            << QByteArray(saved).replace("  ", " ").replace("\r\n", " ");
        QTest::newRow("line ends only") << QByteArray(saved).replace("  ", "\r\n");
        QTest::newRow("LF only, no final line end")
            << QByteArray(saved).replace("\r\n", "\n").chopped(1);
        QTest::newRow("CR only") << QByteArray(saved).replace("\r\n", "\r");
        QTest::newRow("lowercase") << saved.toLower();
        QTest::newRow("blank lines and leading spaces")
            << "\r\n\r\n   " + QByteArray(saved).replace("\r\n", "\r\n\r\n  ");
    }
    void separators() {
        QFETCH(QByteArray, text);
        const ParamFileLoad load = ParseParamFile(text, Previous());
        QCOMPARE(load.status, ParamFileStatus::Loaded);
        QVERIFY(load.image == Numbered());
    }

    // A digit standing alone between separators is dropped, and so is the odd one at the end
    // of a run; the pairs around it keep their places.
    void loneCharacters_data() {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QList<int>>("entries");
        QTest::newRow("ABC DE") << QByteArray("ABC DE ") << QList<int>{0xAB, 0xDE};
        QTest::newRow("lone first") << QByteArray("A BC D EF ") << QList<int>{0xBC, 0xEF};
        QTest::newRow("run of five") << QByteArray("ABCDE F\r\n") << QList<int>{0xAB, 0xCD};
        QTest::newRow("lone at line end") << QByteArray("12\r\n3\r\n45 ") << QList<int>{0x12, 0x45};
    }
    void loneCharacters() {
        QFETCH(QByteArray, start);
        QFETCH(QList<int>, entries);
        const QByteArray text = start + Pairs(257 - int(entries.size()), 0x10);
        const ParamFileLoad load = ParseParamFile(text, Previous());
        QCOMPARE(load.status, ParamFileStatus::Loaded);
        for (int n = 0; n < entries.size(); ++n)
            QCOMPARE(int(load.image[n]), entries[n]);
        QCOMPARE(int(load.image[entries.size()]), 0x10);
    }

    // Only a file that holds the whole memory, and no more, replaces the buffer; a short one
    // leaves it as it was, so it can never be written half old, half new, and a long one is
    // no parameter file: its reading stops one pair past the format.
    void lengths_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("pairs");
        QTest::addColumn<bool>("takes");
        const QByteArray saved = ParamFileText(Numbered());
        QTest::newRow("256 pairs, FF line deleted") << saved.chopped(4) << 256 << true;
        QTest::newRow("258 pairs") << saved + "EE\r\n" << 258 << false;
        QTest::newRow("a long run of pairs")
            << QByteArray(100000, ' ').replace(" ", "00 ") << 258 << false;
        QTest::newRow("255 pairs") << Pairs(255) << 255 << false;
        QTest::newRow("first line only") << saved.first(66) << 16 << false;
        QTest::newRow("empty") << QByteArray() << 0 << false;
        QTest::newRow("separators only") << QByteArray(" \r\n \n") << 0 << false;
    }
    void lengths() {
        QFETCH(QByteArray, text);
        QFETCH(int, pairs);
        QFETCH(bool, takes);
        const ParamFileLoad load = ParseParamFile(text, Previous());
        QCOMPARE(load.status, ParamFileStatus::LengthError);
        QCOMPARE(load.message, "Data length error !");
        QCOMPARE(load.pairs, pairs);
        QCOMPARE(load.takesImage, takes);
        if (!takes) {
            QVERIFY(load.image == Previous());
            return;
        }
        for (int n = 0; n < ParamEntries; ++n)
            QCOMPARE(load.image[n], Numbered()[n]);
        // The end marker comes from the file when it has one; pairs after it are not stored.
        QCOMPARE(load.image[ParamEndMarkerEntry], pairs > 256 ? quint8(0xFF) : quint8(0x5A));
    }

    // Anything but hex digits and separators rejects the whole file with a short message that
    // names the line, and the buffer stays as it was.
    void junk_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("line");
        const QByteArray saved = ParamFileText(Numbered());
        QByteArray onLine3 = saved;
        onLine3[2 * 66 + 4] = 'G';
        QTest::newRow("a letter past F") << onLine3 << 3;
        QTest::newRow("NUL byte") << saved.first(10) + QByteArray(1, '\0') + saved.sliced(10) << 1;
        QTest::newRow("byte above 127") << QByteArray("\xFF\xFE") + saved << 1;
        QTest::newRow("tab") << QByteArray(saved).replace("  ", "\t") << 1;
        QTest::newRow("junk after the last pair") << saved + "end\r\n" << 18;
        QTest::newRow("a long line of text") << saved + QByteArray(100000, 'x') << 18;
        QTest::newRow("prose") << QByteArray("Settings of oven 3\r\n") + saved << 1;
    }
    void junk() {
        QFETCH(QByteArray, text);
        QFETCH(int, line);
        const ParamFileLoad load = ParseParamFile(text, Previous());
        QCOMPARE(load.status, ParamFileStatus::BadData);
        QVERIFY(!load.takesImage);
        QVERIFY(load.image == Previous());
        QVERIFY2(load.message.contains(QStringLiteral("line %1 ").arg(line)),
                 qPrintable(load.message));
        QVERIFY2(load.message.size() < 80, qPrintable(load.message));
        for (const QChar c : load.message)
            QVERIFY(c.unicode() >= 0x20 && c.unicode() < 0x7F);
    }

    // A file is read in pieces; a pair cut by a piece's end still forms one pair.
    void largeFileReadInPieces() {
        QTemporaryDir dir;
        const QString path = dir.filePath("wide.txt");
        const QByteArray saved = ParamFileText(Numbered());
        // Pad so that the first pair straddles the first piece's end.
        const QByteArray text = QByteArray(FilePieceSize - 1, ' ') + saved;
        QVERIFY(WriteAll(path, text));
        const ParamFileLoad load = ReadParamFile(path, Previous());
        QCOMPARE(load.status, ParamFileStatus::Loaded);
        QVERIFY(load.image == Numbered());
    }

    void missingOrUnreadableFile() {
        QTemporaryDir dir;
        ParamFileLoad load = ReadParamFile(dir.filePath("none.txt"), Previous());
        QCOMPARE(load.status, ParamFileStatus::Missing);
        QCOMPARE(load.message, "File not exist, Can not open file !");
        QVERIFY(!load.takesImage);
        QVERIFY(load.image == Previous());

        QVERIFY(QDir(dir.path()).mkdir("folder.txt"));
        load = ReadParamFile(dir.filePath("folder.txt"), Previous());
        QCOMPARE(load.status, ParamFileStatus::ReadFailed);
        QVERIFY(load.message.contains("folder.txt"));
        QVERIFY(!load.takesImage);
        QVERIFY(load.image == Previous());
    }

    // What a user can pick in a file dialog besides a parameter file: each is refused at once,
    // by what it is, before anything waits on it or reads it to its end, and the buffer stays.
    void onlyPlainFilesWithinBounds_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("a folder") << "folder.txt" << int(ParamFileStatus::ReadFailed)
                                  << "Can not read file folder.txt : it is a folder";
#ifdef Q_OS_UNIX
        // Opening a pipe nobody writes into waits for ever.
        QTest::newRow("a pipe") << "pipe.txt" << int(ParamFileStatus::ReadFailed)
                                << "Can not read file pipe.txt : not a plain file (a pipe or a "
                                   "device)";
        // Never ends.
        QTest::newRow("/dev/zero") << "/dev/zero" << int(ParamFileStatus::ReadFailed)
                                   << "Can not read file zero : not a plain file (a pipe or a "
                                      "device)";
#endif
        // Ten megabytes of pairs: far past the format, read no further than its bound.
        QTest::newRow("10 MB of 00 pairs")
            << "pairs.txt" << int(ParamFileStatus::LengthError) << "Data length error !";
        // Within the bound in bytes, yet a pair too many.
        QTest::newRow("spaces around 258 pairs")
            << "spaced.txt" << int(ParamFileStatus::LengthError) << "Data length error !";
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
        QVERIFY(WriteAll(dir.filePath("pairs.txt"), QByteArray(10 << 20, '0')));
        QVERIFY(WriteAll(dir.filePath("spaced.txt"),
                         QByteArray(1000, ' ') + ParamFileText(Numbered()) + "EE"));
        const ParamFileLoad load = [&] {
            const FreezeWatch watch(qPrintable("reading " + name));
            return ReadParamFile(name.startsWith(QLatin1Char('/')) ? name : dir.filePath(name),
                                 Previous());
        }();
        QCOMPARE(int(load.status), status);
        QCOMPARE(load.message, message);
        QVERIFY(!load.takesImage);
        QVERIFY(load.image == Previous());
    }

    // A full disk (here a file-size limit) during a save: the message names the reason, and
    // the file that was there keeps every byte.
    void saveOnAFullDisk() {
#ifndef Q_OS_UNIX
        QSKIP("needs a file-size limit");
#else
        QTemporaryDir dir;
        const QString path = dir.filePath("params.txt");
        const QByteArray old = ParamFileText(Previous());
        QVERIFY(WriteAll(path, old));
        ParamFileSave save;
        {
            const FileSizeLimit full(100);
            QVERIFY(full.Active());
            save = SaveParamFile(path, Numbered());
        }
        QVERIFY(!save.ok);
        QCOMPARE(save.message, "Can not write file params.txt : File too large");
        QCOMPARE(ReadAll(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"params.txt"});
#endif
    }

    // A save that cannot happen says so and leaves what was there.
    void saveIntoReadOnlyFolderFails() {
        QTemporaryDir dir;
        const QString folder = dir.filePath("locked");
        QVERIFY(QDir(dir.path()).mkdir("locked"));
        const QString path = folder + "/params.txt";
        QVERIFY(WriteAll(path, "old content"));
        const ReadOnlyFolder lock(folder);
        if (!lock.binds) QSKIP("this user can write into any folder here");
        const ParamFileSave save = SaveParamFile(path, Numbered());
        QVERIFY(!save.ok);
        QVERIFY2(save.message.contains("params.txt"), qPrintable(save.message));
        QCOMPARE(ReadAll(path), "old content");
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"params.txt"});
    }

    void saveFailures_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a folder in the way") << "taken.txt"
                                             << "folder";
        QTest::newRow("no such folder") << "nowhere/p.txt"
                                        << "No such file";
#ifdef Q_OS_UNIX
        QTest::newRow("a pipe") << "pipe.txt"
                                << "not a plain file";
#endif
    }
    void saveFailures() {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("taken.txt"));
#ifdef Q_OS_UNIX
        QCOMPARE(mkfifo(QFile::encodeName(dir.filePath("pipe.txt")).constData(), 0600), 0);
#endif
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::System);
        const ParamFileSave save = SaveParamFile(dir.filePath(name), Numbered());
        QVERIFY(!save.ok);
        QVERIFY2(save.message.contains(QFileInfo(name).fileName()), qPrintable(save.message));
        QVERIFY2(save.message.contains(reason), qPrintable(save.message));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System), before);
        QVERIFY(QFileInfo(dir.filePath("taken.txt")).isDir());
    }

    void saveReplacesAnExistingFileWhole() {
        QTemporaryDir dir;
        const QString path = dir.filePath("params.txt");
        QVERIFY(WriteAll(path, QByteArray(5000, 'z')));
        QVERIFY(SaveParamFile(path, Numbered()).ok);
        QCOMPARE(ReadAll(path), ParamFileText(Numbered()));
    }

    // The 0x474C walk may start anywhere in the memory; 32 replies of 8 cover it.
    void readThroughTheMemoryWalk() {
        const ParamImage memory = Numbered();
        ParamImageRead read(Previous());
        int cursor = 200;
        for (int reply = 1; reply <= 32; ++reply) {
            QList<quint16> words;
            for (int i = 0; i < 8; ++i, cursor = (cursor + 1) % 256)
                words << quint16(cursor << 8 | memory[cursor]);
            QCOMPARE(read.Store(words), reply == 32);
            QCOMPARE(read.BufferReadCount(), 8 * reply);
            if (reply < 32) QCOMPARE(read.Gauge(), 8 * reply * 100 / 256);
        }
        QVERIFY(read.Image() == memory);
        // Replies after the end change nothing.
        read.Store({quint16(0x0000 | 0x77)});
        QCOMPARE(read.Image()[0], quint8(0));
        QCOMPARE(read.BufferReadCount(), 256);
    }

    // A walk that hands out an index twice counts it twice; the entries it never handed out
    // keep what the buffer held, as if each reply had gone straight into it.
    void readKeepsEntriesNotHandedOut() {
        ParamImageRead read(Previous());
        for (int reply = 0; reply < 32; ++reply)
            read.Store(QList<quint16>(8, quint16(0x0311)));
        QVERIFY(read.Complete());
        QCOMPARE(read.Image()[3], quint8(0x11));
        QCOMPARE(read.Image()[4], quint8(0x5A));
        QCOMPARE(read.Image()[ParamEndMarkerEntry], quint8(0xFF));
    }

    // Every write-back request: its register and where its value comes from in the image.
    void writeBackTable_data() {
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("reg");
        QTest::addColumn<int>("value");
        const int order[32][2] = {
            {0x4717, 0x000C}, {0x4718, 0x000E}, {0x4719, 0x000F}, {0x471A, 0x0013},
            {0x471B, 0x0030}, {0x471C, 0x0031}, {0x471D, 0x0032}, {0x471E, 0x000D},
            {0x471F, 0x0033}, {0x4720, 0x0010}, {0x4721, 0x0011}, {0x4722, 0x0012},
            {0x4701, 0x1819}, {0x4704, 0x1415}, {0x4705, 0x1617}, {0x4706, 0x0001},
            {0x4707, 0x0203}, {0x4708, 0x0405}, {0x4709, 0x0607}, {0x470A, 0x0809},
            {0x470B, 0x0A0B}, {0x470C, 0x1A1B}, {0x470D, 0x1C1D}, {0x470E, 0x1E1F},
            {0x470F, 0x2021}, {0x4710, 0x2223}, {0x4711, 0x2829}, {0x4712, 0x2A2B},
            {0x4713, 0x2425}, {0x4714, 0x2627}, {0x4715, 0x2C2D}, {0x4716, 0x2E2F},
        };
        for (int k = 0; k < 32; ++k)
            QTest::addRow("request %d", k + 1) << k << order[k][0] << order[k][1];
    }
    void writeBackTable() {
        QFETCH(int, k);
        QFETCH(int, reg);
        QFETCH(int, value);
        // Position 12 holds 0x8C in the fixture: the mark bit never reaches the register.
        QCOMPARE(int(BufferWriteValue(Numbered(), k)), value);
        QCOMPARE(BufferWriteFrame(Numbered(), k, 7), WriteRequest(7, reg, quint16(value)));
    }

    void writeBackFramesToStationFive() {
        ParamImage image{};
        image[12] = 0x81;
        image[24] = 0x00;
        image[25] = 0xFA;
        QCOMPARE(BufferWriteFrame(image, 0, 5), ":05064717000196\r\n");
        QCOMPARE(BufferWriteFrame(image, 12, 5), ":0506470100FAB3\r\n");
    }

    void broadcastIsThirtyTwoFramesToAddressZero() {
        QSet<QByteArray> registers;
        for (int k = 0; k < ParamWriteFrames; ++k) {
            const QByteArray frame = BufferWriteFrame(Numbered(), k, 0);
            QVERIFY2(frame.startsWith(":000647"), frame.constData());
            QVERIFY(frame.endsWith("\r\n"));
            QCOMPARE(frame.size(), 17);
            QCOMPARE(AsciiLrc(frame.chopped(4)), frame.sliced(13, 2));
            registers.insert(frame.sliced(5, 4));
        }
        QCOMPARE(registers.size(), 32);
    }

    // Settings copied from one simulated controller into another through a file, and by
    // broadcast into every controller on the line.
    void cloneThroughAFile_data() {
        QTest::addColumn<bool>("broadcast");
        QTest::newRow("write to select") << false;
        QTest::newRow("broadcast") << true;
    }
    void cloneThroughAFile() {
        QFETCH(bool, broadcast);
        std::vector<sim::Controller> controllers;
        for (int address = 1; address <= 4; ++address)
            controllers.emplace_back(address);
        sim::ControllerBus bus(std::move(controllers));
        sim::Controller& source = *bus.Find(1);
        QVERIFY(source.Set(0x4701, 1234));         // set value 123.4
        QVERIFY(source.Set(0x4706, quint16(-55))); // alarm 1 high, negative
        QVERIFY(source.Set(0x470C, 321));          // proportional band
        QVERIFY(source.Set(0x4719, 1));            // ON-OFF
        QVERIFY(source.Set(0x4720, 3));            // alarm 1 mode
        QVERIFY(source.Set(0x471B, 7));            // control period 1

        const ParamImage read = ReadMemory(bus, 1);
        QCOMPARE(read[ParamEndMarkerEntry], quint8(0xFF));
        QTemporaryDir dir;
        const QString path = dir.filePath("oven.txt");
        QVERIFY(SaveParamFile(path, read).ok);
        const ParamFileLoad load = ReadParamFile(path, ParamImage{});
        QCOMPARE(load.status, ParamFileStatus::Loaded);

        for (int k = 0; k < ParamWriteFrames; ++k) {
            const QByteArray frame = BufferWriteFrame(load.image, k, broadcast ? 0 : 3);
            // A station echoes a write it takes; nobody answers a broadcast.
            QCOMPARE(Ask(bus, frame), broadcast ? QByteArray() : frame);
        }
        const QList<int> targets = broadcast ? QList<int>{2, 3, 4} : QList<int>{3};
        for (int address : targets) {
            const ParamImage clone = ReadMemory(bus, address);
            for (int n = 0; n < 52; ++n)
                QVERIFY2(clone[n] == read[n],
                         qPrintable(QStringLiteral("station %1 entry %2").arg(address).arg(n)));
            QCOMPARE(bus.Find(address)->Peek(0x4701), quint16(1234));
        }
        if (!broadcast) QCOMPARE(bus.Find(2)->Peek(0x4701), quint16(0));
    }
};

QTEST_GUILESS_MAIN(TestParamFile)
#include "tst_paramfile.moc"
