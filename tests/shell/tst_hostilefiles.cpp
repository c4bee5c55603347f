// Every window that opens a file, offered what a file dialog lets a user pick besides a file of
// ours: a pipe nobody writes into, /dev/zero, ten megabytes of junk and a folder. Each choice
// ends within 2 s with one message that names the reason, and changes nothing the window held;
// the window then opens its own kind of file as before.
#include "freezewatch.h"
#include "monitorprogram.h"
#include "paramfile.h"
#include "programeditor.h"
#include "programfile.h"
#include "recorderwindow.h"
#include "recordfile.h"
#include "testmain.h"

#include <QFile>
#include <QToolButton>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace vrx;

namespace {

// The parameter file of a controller whose entries are their own indexes.
QByteArray ParamText() {
    ParamImage image{};
    for (int n = 0; n < ParamEntries; ++n)
        image[n] = quint8(n);
    image[ParamEndMarkerEntry] = 0xFF;
    return ParamFileText(image);
}

QByteArray RecordText() {
    const Addresses addresses{1, 0, 0, 0, 0, 0, 0, 0};
    Readings readings{};
    readings[0] = {true, 250, 300};
    QByteArray text = HeaderLine(addresses, 1) + "\r\n";
    for (int s = 0; s < 3; ++s)
        text += DataLine(addresses, readings, QTime(15, 4, s)) + "\r\n";
    return text + "End\r\n";
}

bool Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestHostileFiles : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Program> p;

    // Where each kind of choice is, made in the program's folder.
    QString Hostile(const QString& kind) {
        if (kind == "/dev/zero") return kind;
        const QString path = p->Path(kind == "folder" ? "folder.txt" : kind + ".txt");
        if (kind == "folder") QDir().mkpath(path);
#ifdef Q_OS_UNIX
        if (kind == "pipe") mkfifo(QFile::encodeName(path).constData(), 0600);
#endif
        if (kind == "junk") {
            QByteArray junk(10 << 20, '\0');
            for (qsizetype i = 0; i < junk.size(); ++i)
                junk[i] = char((i * 131 + i / 977) & 0xFF);
            Write(path, junk);
        }
        return path;
    }

private slots:
    void init() {
        p = std::make_unique<test::Program>();
    }
    void cleanup() {
        p.reset();
    }

    void eachWindowRefusesAtOnce_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        const QString notPlain = "Can not read file %1 : not a plain file (a pipe or a device)";
        const QString folder = "Can not read file folder.txt : it is a folder";
        for (const char* window : {"Monitor Open File", "editor Read File", "Recorder View"}) {
            const QString w = QString::fromLatin1(window);
            const QString junk =
                w == "Recorder View" ? "File Broken or Data incorrect!" : "Data length error !";
#ifdef Q_OS_UNIX
            QTest::newRow(qPrintable(w + ", a pipe")) << w << "pipe" << notPlain.arg("pipe.txt");
            QTest::newRow(qPrintable(w + ", /dev/zero"))
                << w << "/dev/zero" << notPlain.arg("zero");
#endif
            QTest::newRow(qPrintable(w + ", 10 MB of junk")) << w << "junk" << junk;
            QTest::newRow(qPrintable(w + ", a folder")) << w << "folder" << folder;
        }
    }
    void eachWindowRefusesAtOnce() {
        QFETCH(QString, window);
        QFETCH(QString, kind);
        QFETCH(QString, message);
        const QString path = Hostile(kind);
        const std::string step = (window + " on " + kind).toStdString();

        if (window == "Monitor Open File") {
            p->Settle();
            TVRW2* m = p->monitor;
            const ParamImage before = m->Engine.State().ParamBuffer;
            p->dialogs.openAnswers << path;
            {
                const test::FreezeWatch watch(step);
                p->Click(m->OpenBt);
                p->Run(200);
            }
            QCOMPARE(p->dialogs.texts(), QStringList{message});
            QCOMPARE(m->Engine.State().ParamBuffer, before);
            QVERIFY(!m->Engine.State().BufferLoaded);
            QVERIFY(!m->WriteBt->isEnabled() && !m->WrAllBt->isEnabled());
            // And a parameter file opens as before.
            QVERIFY(Write(p->Path("oven.txt"), ParamText()));
            p->dialogs.openAnswers << p->Path("oven.txt");
            p->Click(m->OpenBt);
            p->Run(200);
            QCOMPARE(p->dialogs.texts().last(), "Load file data success");
            QVERIFY(m->Engine.State().BufferLoaded);
        } else if (window == "editor Read File") {
            TVRX5* e = p->forms->VRX5.get();
            e->show();
            const PatternProgram before = e->Program;
            p->dialogs.openAnswers << path;
            {
                const test::FreezeWatch watch(step);
                p->Click(e->ReadFBt);
            }
            QCOMPARE(p->dialogs.texts(), QStringList{message});
            QCOMPARE(e->Program, before);
            QVERIFY(!e->EditPBt->isEnabled() && !e->SaveFBt->isEnabled());
            QVERIFY(e->ReadFBt->isEnabled());
            PatternProgram program;
            program.PatternSV[1][2] = 755;
            QVERIFY(Write(p->Path("ramp.txt"), ProgramFileText(program)));
            p->dialogs.openAnswers << p->Path("ramp.txt");
            p->Click(e->ReadFBt);
            QCOMPARE(p->dialogs.texts().last(), "Load file data success");
            QCOMPARE(e->Program, program);
        } else {
            p->forms->VRW0->Recorder1Click();
            TVRW3* r = p->forms->VRW3.get();
            p->dialogs.openAnswers << path;
            {
                const test::FreezeWatch watch(step);
                QTest::mouseClick(r->DrawBt, Qt::LeftButton);
            }
            QCOMPARE(p->dialogs.texts(), QStringList{message});
            QVERIFY(!r->Viewing);
            QVERIFY(Write(p->Path("record.txt"), RecordText()));
            p->dialogs.openAnswers << p->Path("record.txt");
            QTest::mouseClick(r->DrawBt, Qt::LeftButton);
            QVERIFY(r->Viewing);
            QCOMPARE(r->ViewCount, 3);
        }
    }
};

VRX_TEST_MAIN(TestHostileFiles)
#include "tst_hostilefiles.moc"
