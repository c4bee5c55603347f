// The remembered workspace: the Monitor's addresses and which stations were connected, the
// Recorder's devices and interval, restored when the windows open again, in a later run;
// nothing sent to a controller until the user connects; and a workspace file that is not a
// plain file (a pipe) never waited on.
#include "freezewatch.h"
#include "testmain.h"
#include "windowtour.h"
#include "workspace.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace vrx;
using vrx::test::Program;

class TestWorkspace : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(!workspace::Enable(dir_.filePath(QStringLiteral("workspace.ini")))); }
    void cleanup() { workspace::Disable(); }

    void monitorRemembersItsStations() {
        {
            Program p;
            p.Open();
            p.monitor->ComAddr[3]->setValue(7);
            p.Connect(1);
            p.Connect(2);
            p.Run(2000);
            p.Cancel(2);
            p.monitor->ExitBt2Click();
        }
        Program p;
        p.Open();
        p.Run(3000);
        TVRW2* m = p.monitor;
        QCOMPARE(m->ComAddr[3]->value(), 7);
        QCOMPARE(m->ComAddr[1]->value(), 1);
        QVERIFY(m->RunBt[1]->font().underline());
        QVERIFY(!m->RunBt[2]->font().underline());
        QCOMPARE(m->RunBt[1]->toolTip(), "Connected when the Monitor was last closed");
        QCOMPARE(p.SentCount(), 0); // nothing until the user connects
        QCOMPARE(m->Engine.State().ConnectedCount, 0);
        p.Connect(3);
        p.Run(2000);
        QVERIFY(p.SentCount() > 0);
        QCOMPARE(m->Engine.State().StationAddr[3], 7);
    }

    void recorderRemembersItsDevicesAndInterval() {
        {
            Program p;
            p.forms->VRW0->Recorder1Click();
            TVRW3* r = p.forms->VRW3.get();
            r->ComAddrs[1]->setValue(5);
            r->SampleTime->setValue(10);
            r->close();
        }
        Program p;
        p.forms->VRW0->Recorder1Click();
        TVRW3* r = p.forms->VRW3.get();
        QCOMPARE(r->ComAddrs[0]->value(), 1);
        QCOMPARE(r->ComAddrs[1]->value(), 5);
        QCOMPARE(r->SampleTime->value(), 10);
        QVERIFY(!r->Engine->Running());
    }

    // Each kind of file has its own last folder; a later run's dialog starts in it.
    void fileDialogsStartInTheLastFolder() {
        const QString records = dir_.filePath(QStringLiteral("records"));
        QDir().mkpath(records);
        {
            Program p;
            p.forms->VRW0->Recorder1Click();
            p.dialogs.openAnswers << records + QStringLiteral("/missing.txt");
            p.forms->VRW3->OpenBt3Click();
            QCOMPARE(p.dialogs.startFolders, QStringList{QString()});
            p.forms->VRW3->close();
        }
        Program p;
        p.forms->VRW0->Recorder1Click();
        p.forms->VRW3->OpenBt3Click(); // cancelled
        QCOMPARE(p.dialogs.startFolders, QStringList{records});
    }

    // Without the workspace (a library, a test) the windows open as the design has them.
    void offMeansTheDesign() {
        {
            Program p;
            p.Open();
            p.monitor->ComAddr[2]->setValue(9);
            p.monitor->ExitBt2Click();
        }
        workspace::Disable();
        Program p;
        p.Open();
        QCOMPARE(p.monitor->ComAddr[2]->value(), 2);
    }

    // Kept where the earlier versions kept it, under the name the README gives.
    void keptInTheConfigurationFolder() {
        workspace::Disable();
        QTemporaryDir config;
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        const QString path = config.filePath(QStringLiteral("vrxcom/workspace.ini"));
        QCOMPARE(workspace::DefaultPath(), path);
        QVERIFY(!workspace::Enable());
        workspace::SetValue(QStringLiteral("monitor/address1"), 9);
        workspace::Disable();
        qputenv("XDG_CONFIG_HOME", saved);
        QVERIFY(QFileInfo(path).isFile());
        QSettings written(path, QSettings::IniFormat);
        QCOMPARE(written.value(QStringLiteral("monitor/address1")).toInt(), 9);
    }

#ifdef Q_OS_UNIX
    // A pipe (or a folder) by the workspace's name: QSettings would wait in open() for a writer
    // that never comes. Refused, naming the file; the windows open as the design has them and
    // leave it as it was.
    void notAPlainFileIsRefused_data() {
        QTest::addColumn<bool>("pipe");
        QTest::newRow("a pipe") << true;
        QTest::newRow("a folder") << false;
    }
    void notAPlainFileIsRefused() {
        QFETCH(bool, pipe);
        workspace::Disable();
        const QString path = dir_.filePath(QStringLiteral("refused.ini"));
        QVERIFY(pipe ? mkfifo(QFile::encodeName(path).constData(), 0600) == 0
                     : QDir().mkpath(path));
        std::optional<QString> problem;
        {
            const test::FreezeWatch watch("the workspace enabled on a pipe");
            problem = workspace::Enable(path);
        }
        QVERIFY(problem);
        QVERIFY2(problem->contains(QStringLiteral("refused.ini")), qPrintable(*problem));
        QVERIFY(!workspace::Enabled());
        {
            const test::FreezeWatch watch(
                "the Monitor opened and closed with the workspace refused");
            Program p;
            p.Open();
            QCOMPARE(p.monitor->ComAddr[2]->value(), 2);
            p.monitor->ComAddr[2]->setValue(9);
            p.monitor->ExitBt2Click();
            QCoreApplication::processEvents();
        }
        QCOMPARE(QFileInfo(path).isDir(), !pipe);
        QVERIFY(!QFileInfo(path).isFile());
        QDir().rmdir(path);
        QFile::remove(path);
    }

    // A pipe put in place of the workspace while the program runs: the next save would read it
    // again first, and wait. It stops remembering instead.
    void pipeInPlaceLater() {
        workspace::Disable();
        const QString path = dir_.filePath(QStringLiteral("replaced.ini"));
        {
            QSettings earlier(path, QSettings::IniFormat);
            earlier.setValue(QStringLiteral("monitor/address3"), 7);
        }
        QVERIFY(!workspace::Enable(path));
        Program p;
        p.Open();
        QCOMPARE(p.monitor->ComAddr[3]->value(), 7);
        QVERIFY(QFile::remove(path));
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        {
            const test::FreezeWatch watch(
                "the Monitor closed with a pipe in place of the workspace");
            p.monitor->ExitBt2Click();
            QCoreApplication::processEvents();
        }
        QVERIFY(!workspace::Enabled());
        QFile::remove(path);
    }
#endif

private:
    QTemporaryDir dir_;
};

VRX_TEST_MAIN(TestWorkspace)
#include "tst_workspace.moc"
