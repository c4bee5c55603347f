// The whole program with COM1 on simulated controllers and a manual clock, for the tests of the
// Monitor window: the user's clicks and keys go to the real window, the frames that leave the port
// are kept, and the controllers can be looked at and changed from their front panels.
#pragma once

#include "fakeline.h"
#include "framecodec.h"
#include "manualtime.h"
#include "monitorwindow.h"
#include "programwindows.h"
#include "radiogroup.h"
#include "scripteddialogs.h"
#include "simulatedline.h"
#include "tapline.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace vrx::test {

struct Program {
    explicit Program(const QString& options = QStringLiteral("addresses=1-4")) {
        QDir::setCurrent(dir.path());
        qputenv("VRX_COM1", ("sim:" + options).toLatin1());
        InstallSimulatedLineFactory([this](const QString& text, QObject* parent) {
            if (unplugged) {
                auto refused = std::make_unique<FakeLine>();
                refused->refuseOpen = true;
                return std::unique_ptr<LineDevice>(std::move(refused));
            }
            auto made =
                std::make_unique<TapLine>(std::make_unique<sim::SimulatedLine>(text, parent));
            tap = made.get();
            line = &made->Sim();
            return std::unique_ptr<LineDevice>(std::move(made));
        });
        forms = CreateForms();
        forms->VRW0->show();
        monitor = forms->VRW2.get();
    }
    ~Program() {
        forms.reset();
        InstallSimulatedLineFactory({});
        QDir::setCurrent(home);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    void Open(bool rtu = false) {
        forms->VRW1->ModBus->SetItemIndex(rtu ? 1 : 0);
        forms->VRW0->Monitor1Click();
    }
    bool Rtu() const { return forms->VRW1->ModBus->ItemIndex() == 1; }
    void Connect(int st) { QTest::mouseClick(monitor->RunBt[st], Qt::LeftButton); }
    void Cancel(int st) { QTest::mouseClick(monitor->StopBt[st], Qt::LeftButton); }
    void ConnectAll() {
        for (int st = 1; st <= 4; ++st)
            Connect(st);
    }
    void Run(int ms) { clock.Run(ms); }
    void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    // The window shown, the four stations polled and the settings of station 1 read.
    void Settle() {
        Open();
        ConnectAll();
        Run(3000);
    }
    // The adapter pulled out (the open line lost, and none opens) or plugged in again.
    void Unplug() {
        unplugged = true;
        emit tap->lost(QStringLiteral("unplugged"));
    }
    void PlugIn() { unplugged = false; }
    // Load to Buffer from the selected station, to its end.
    void LoadBuffer() {
        Click(monitor->LoadBt);
        Run(5000);
    }
    QString Path(const QString& name) const { return dir.filePath(name); }
    // Runs the clock in small steps until the condition holds, for at most `ms`.
    template <typename Condition> bool RunUntil(Condition condition, int ms = 10000) {
        for (int t = 0; t < ms && !condition(); t += 10)
            clock.Run(10);
        return condition();
    }
    sim::Controller& Controller(int address) { return *line->ControllerAt(address); }
    QLineEdit* Edit(const char* name) const { return monitor->Edit(QString::fromLatin1(name)); }
    QComboBox* Combo(const char* name) const { return monitor->Combo(QString::fromLatin1(name)); }
    template <typename T = QWidget> T* Find(const QString& name) const {
        return monitor->findChild<T*>(name);
    }

    // The user types a text into an edit box, and Enter.
    void Type(const char* box, const QString& text) {
        QLineEdit* edit = Edit(box);
        edit->selectAll();
        QTest::keyClicks(edit, text);
        if (text.isEmpty()) QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    // The user picks an item of a combo box from its list.
    void Choose(const char* box, const QString& item) {
        QComboBox* combo = Combo(box);
        const int index = combo->findText(item);
        QVERIFY2(index >= 0, qPrintable(item));
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    // A frame as it goes on the wire in the framing in force.
    QByteArray Wire(const QByteArray& ascii) const { return Rtu() ? AsciiToRtu(ascii) : ascii; }
    qsizetype SentCount() const { return tap->written.size(); }
    // The writes (function 06) that left the port since `from`, as sent.
    QList<QByteArray> WritesSince(qsizetype from) const {
        QList<QByteArray> writes;
        for (qsizetype i = from; i < tap->written.size(); ++i) {
            const QByteArray& frame = tap->written.at(i);
            const bool write =
                Rtu() ? frame.size() > 1 && frame.at(1) == 0x06 : frame.mid(3, 2) == "06";
            if (write) writes << frame;
        }
        return writes;
    }

    QString home = QDir::currentPath();
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    ManualTime clock{55 * 1000};
    TapLine* tap = nullptr;
    sim::SimulatedLine* line = nullptr;
    bool unplugged = false;
    std::unique_ptr<Forms> forms;
    TVRW2* monitor = nullptr;
};

} // namespace vrx::test
