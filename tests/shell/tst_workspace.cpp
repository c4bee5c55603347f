// The remembered workspace: the Monitor's addresses and which stations were connected, the
// Recorder's devices and interval, restored when the windows open again, in a later run; and
// nothing sent to a controller until the user connects.
#include "testmain.h"
#include "windowtour.h"
#include "workspace.h"

#include <QDir>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>

using namespace vrx;
using vrx::test::Program;

class TestWorkspace : public QObject {
    Q_OBJECT

private slots:
    void init() { workspace::Enable(dir_.filePath(QStringLiteral("workspace.conf"))); }
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
        QVERIFY(!r->Engine->Running);
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

private:
    QTemporaryDir dir_;
};

VRX_TEST_MAIN(TestWorkspace)
#include "tst_workspace.moc"
