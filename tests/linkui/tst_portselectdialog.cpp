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
#include <QLabel>
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

    // Each entry says what it is: a device path, or the endpoint of a network line; a network
    // form that does not parse is no port.
    void selectionDialogShowsWhereEachPortGoes() {
        PtyPair pty;
        UseDevice(2, pty.SlavePath());
        UseDevice(3, QStringLiteral("tcp:10.0.0.7:4001:timeout=300"));
        UseDevice(4, QStringLiteral("listen:0.0.0.0:5020"));
        UseDevice(5, QStringLiteral("mbtcp:10.0.0.7"));
        ComSelectForm form(QStringList{}, nullptr);
        auto* list = form.findChild<QComboBox*>(QStringLiteral("PortsComboBox"));
        auto* where = form.findChild<QLabel*>(QStringLiteral("PortWhereLB"));
        QVERIFY(where);
        QCOMPARE(list->findText(QStringLiteral("COM5")), -1);
        const QList<std::pair<QString, QString>> expected = {{"COM2", pty.SlavePath()},
                                                             {"COM3", "tcp 10.0.0.7:4001"},
                                                             {"COM4", "listen 0.0.0.0:5020"}};
        for (const auto& [entry, text] : expected) {
            list->setCurrentIndex(list->findText(entry));
            QCOMPARE(where->text(), text);
        }
        ForgetComDevices();
    }
};

VRX_TEST_MAIN(TestPortSelectDialog)
#include "tst_portselectdialog.moc"
