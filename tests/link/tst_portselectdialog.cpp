// The Port selection dialog: the ports it offers, and SerialPort asking through it when a port
// opens without a number.
#include "errors.h"
#include "portnotes.h"
#include "portselectdialog.h"
#include "ptypair.h"
#include "scripteddialogs.h"
#include "serialport.h"
#include "testmain.h"

#include <QComboBox>
#include <QTest>

using namespace vrx;
using namespace vrx::test;

class TestPortSelectDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InstallPortDialog(); }
    void init() { ForgetComDevices(); }

    void selectionDialogChoosesPort() {
        PtyPair pty;
        UseDevice(2, pty.SlavePath());
        for (int n : {1, 3, 4, 5, 6, 7, 8})
            UseDevice(n, QStringLiteral("/dev/vrx-missing"));
        ScriptedDialogs dialogs;
        QStringList offered;
        dialogs.onExec = [&](QDialog& dialog) {
            auto* list = dialog.findChild<QComboBox*>(QStringLiteral("PortsComboBox"));
            for (int i = 0; i < list->count(); ++i)
                offered << list->itemText(i);
            list->setCurrentIndex(list->findText(QStringLiteral("COM2")));
            return int(QDialog::Accepted);
        };
        SerialPort port;
        QCOMPARE(port.ComNumber(), qint16(0));
        port.SetOpen(true);
        QVERIFY(port.Open());
        QCOMPARE(port.ComNumber(), qint16(2));
        QCOMPARE(dialogs.execCount, 1);
        QVERIFY(offered.contains(QStringLiteral("COM2")));
        QVERIFY(!offered.contains(QStringLiteral("COM1")));

        port.SetOpen(false);
        SerialPort cancelled;
        dialogs.onExec = [](QDialog&) { return int(QDialog::Rejected); };
        QVERIFY_THROWS_EXCEPTION(PortError, cancelled.SetOpen(true));
        QVERIFY(!cancelled.Open());
    }

    void selectionDialogListsPortsInUse() {
        PtyPair pty;
        UseDevice(12, pty.SlavePath());
        SerialPort holder;
        holder.SetComNumber(12);
        holder.SetOpen(true);
        ComSelectForm form(QStringList{}, nullptr);
        auto* list = form.findChild<QComboBox*>(QStringLiteral("PortsComboBox"));
        QVERIFY(list->findText(QStringLiteral("COM12")) >= 0);
        list->setCurrentIndex(list->findText(QStringLiteral("COM12")));
        QCOMPARE(form.ChosenNumber(QDialog::Accepted), 12);
        QCOMPARE(form.ChosenNumber(QDialog::Rejected), 0);
        qunsetenv("VRX_COM12");
    }
};

VRX_TEST_MAIN(TestPortSelectDialog)
#include "tst_portselectdialog.moc"
