// The command tester in the whole program: its controls, the requests that leave the port for
// what the user types, replies as they arrive, time-outs, Repeat/Stop, Close, and a missing or
// vanishing line. The line is a recording fake behind "VRX_COM1=sim"; time is a manual clock.
#include "commandtester.h"
#include "errors.h"
#include "fakeline.h"
#include "framecodec.h"
#include "manualtime.h"
#include "programwindows.h"
#include "radiogroup.h"
#include "scaling.h"
#include "scripteddialogs.h"
#include "testmain.h"
#include "trafficwindow.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

using namespace vrx;
using vrx::test::FakeLine;
using vrx::test::FakeLineFactory;
using vrx::test::ScriptedDialogs;

namespace {

constexpr int Kind(CommandKind kind) {
    return int(kind);
}

// The program with the tester's line replaced by a fake and its clock by a manual one.
struct Program {
    Program() {
        QDir::setCurrent(dir.path()); // no settings file from an earlier run
        qputenv("VRX_COM1", "sim");
        forms = CreateForms();
        forms->VRW0->show();
        panel = forms->VRW0->TESTPL;
    }
    ~Program() {
        forms.reset();
        QDir::setCurrent(home);
    }

    void Open(bool rtu) {
        forms->VRW1->ModBus->SetItemIndex(rtu ? 1 : 0);
        forms->VRW0->ToolButton5Click();
    }
    FakeLine* Line() const { return lines.last.data(); }
    QList<QByteArray> Sent() const { return Line() ? Line()->written : QList<QByteArray>{}; }

    void Choose(int kind) {
        panel->SCmdBox->setCurrentIndex(kind);
        emit panel->SCmdBox->activated(kind);
    }
    // Typed key by key; what no key gives (accents, line ends) is pasted in one go.
    static void Type(QLineEdit* edit, const QString& text) {
        edit->clear();
        bool keys = true;
        for (const QChar c : text)
            keys = keys && c >= u' ' && c <= u'~';
        if (keys) {
            QTest::keyClicks(edit, text);
        } else {
            edit->insert(text);
        }
    }
    QLineEdit* WordEdit(int tag) const {
        for (QLineEdit* edit : panel->DataEdits)
            if (edit->property("Tag").toInt() == tag) return edit;
        return nullptr;
    }
    // Read Register at 1000 of station 1, composed as a user would type it.
    void FillReadRegister() {
        Type(panel->SCOMAddr, "1");
        Choose(Kind(CommandKind::ReadRegister));
        Type(panel->SFunc, "1000");
        Type(panel->SDataLen, "1");
    }
    void Click(QPushButton* button) const { QTest::mouseClick(button, Qt::LeftButton); }
    // Moves the clock on by whole ticks and lets the port look at its timers.
    void Ticks(int ticks) {
        clock.Advance(quint32(ticks * SerialPort::TickMs));
        forms->Line->Port().CheckTimers();
    }

    QString home = QDir::currentPath();
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    FakeLineFactory lines;
    vrx::test::ManualTime clock{55 * 1000};
    std::unique_ptr<Forms> forms;
    TesterPanel* panel = nullptr;
};

const QByteArray AsciiRead = ":010310000001EB\r\n";
const QByteArray AsciiReply = ":010302000AF0\r\n";

} // namespace

class TestCommandTester : public QObject {
    Q_OBJECT

    std::unique_ptr<Program> p;

private slots:
    void init() { p = std::make_unique<Program>(); }
    void cleanup() { p.reset(); }

    void controls() {
        TesterPanel* t = p->panel;
        QCOMPARE(t->objectName(), "TESTPL");
        QCOMPARE(t->palette().color(QPalette::Window), QColor(166, 202, 240));
        const QList<std::pair<const char*, const char*>> captions = {
            {"SingleCmdLb", "SINGLE COMMAND TEST (HEX FORMAT)"},
            {"AddrSendLb", "ADDRESS"},
            {"CmdSendLb", "COMMAND"},
            {"FuncSendLb", "FUNC ADDR"},
            {"DataLenLb", "WRITE DATA"},
            {"CheckSumSendLb", "LRC"},
            {"SendLb", "SEND"},
            {"RcvLb", "RECEIVED"},
            {"MutiWrLB", "DATA1~4        DATA 5~8"},
        };
        for (const auto& [name, caption] : captions) {
            auto* label = t->findChild<QLabel*>(name);
            QVERIFY2(label, name);
            QCOMPARE(label->text(), caption);
        }
        const QList<std::pair<const char*, const char*>> buttons = {{"SendBt", "Send"},
                                                                    {"RSendBt", "Repeat"},
                                                                    {"SClearBt", "Clear Result"},
                                                                    {"SExitBt", "Close"}};
        for (const auto& [name, caption] : buttons) {
            auto* button = t->findChild<QPushButton*>(name);
            QVERIFY2(button, name);
            QCOMPARE(button->text(), caption);
        }
        const QList<std::pair<const char*, int>> limits = {
            {"SCOMAddr", 2}, {"UserCmd", 2}, {"SFunc", 4}, {"Edit1", 4}, {"Edit8", 4}};
        for (const auto& [name, limit] : limits) {
            auto* edit = t->findChild<QLineEdit*>(name);
            QVERIFY2(edit, name);
            QCOMPARE(edit->maxLength(), limit);
        }
        QCOMPARE(t->findChild<QGroupBox*>("MutiWrBox")->title(), "WRITE DATA CONTENT");
        QVERIFY(t->MutiWrBox->isHidden());
        QVERIFY(!t->Image2->isHidden());
        QVERIFY(!t->Image2->pixmap().isNull());
        QVERIFY(!t->SChkSum->isEnabled());
        QVERIFY(t->UserCmd->isHidden());
        QCOMPARE(t->UserCmd->text(), "03");

        // Nothing chosen at start; six kinds in list order, drawn at the Main window's height.
        QCOMPARE(t->SCmdBox->currentIndex(), -1);
        QCOMPARE(t->SCmdBox->count(), CommandKindCount);
        QCOMPARE(t->SCmdBox->itemText(2), "Write Multi-Words");
        QCOMPARE(t->CmdItemHeight(), ScreenWidth * 15 / 800);
        QCOMPARE(t->SCmdBox->itemDelegate()
                     ->sizeHint(QStyleOptionViewItem(), t->SCmdBox->model()->index(0, 0))
                     .height(),
                 ScreenWidth * 15 / 800);

        // Tags are word positions: right column from the top is Edit6, Edit7, Edit5, Edit8.
        const QList<std::pair<const char*, int>> tags = {{"Edit1", 1}, {"Edit2", 2}, {"Edit3", 3},
                                                         {"Edit4", 4}, {"Edit6", 5}, {"Edit7", 6},
                                                         {"Edit5", 7}, {"Edit8", 8}};
        QLineEdit* previous = nullptr;
        for (const auto& [name, tag] : tags) {
            auto* edit = t->findChild<QLineEdit*>(name);
            QVERIFY2(edit, name);
            QCOMPARE(edit->property("Tag").toInt(), tag);
            if (previous && tag != 5) QVERIFY(edit->y() > previous->y());
            if (tag == 5) QVERIFY(edit->x() > previous->x());
            previous = edit;
        }

        auto* timer = t->findChild<ClockTimer*>("Timer1");
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 1000);
        QVERIFY(!timer->isActive());
        QCOMPARE(t->ReplyTicks, 36);

        // Every control lies inside the panel.
        for (QWidget* child : t->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            QVERIFY2(t->rect().contains(child->geometry()), qPrintable(child->objectName()));
    }

    void opening() {
        p->Open(false);
        TesterPanel* t = p->panel;
        QVERIFY(t->isVisible());
        QVERIFY(p->forms->VRW0->Image1->isHidden());
        QVERIFY(!p->forms->VRW0->ToolBar1->isEnabled());
        QVERIFY(p->forms->VRW0->TESTPL->HoldsLine());
        QCOMPARE(t->ReplyTicks, 18);
        QCOMPARE(t->CheckSumSendLb->text(), "LRC");
        QCOMPARE(p->forms->VRW0->focusWidget(), t->SendBt);
        QVERIFY(p->dialogs.messages.isEmpty());
        // The line takes the Protocol window's parameters: 9600, even, 7 data bits.
        QCOMPARE(p->Line()->Settings().baud, 9600);
        QCOMPARE(p->Line()->Settings().dataBits, 7);
    }

    void kinds_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("limit");
        QTest::newRow("Read Register") << 0 << "WORD COUNT" << 3;
        QTest::newRow("Write One Word") << 1 << "WRITE DATA" << 4;
        QTest::newRow("Write Multi-Words") << 2 << "WORD COUNT" << 1;
        QTest::newRow("Read Bits") << 3 << "BIT COUNT" << 2;
        QTest::newRow("Write Bit") << 4 << "CONTENT" << 1;
        QTest::newRow("User Define") << 5 << "DATA" << 4;
    }
    void kinds() {
        QFETCH(int, kind);
        QFETCH(QString, caption);
        QFETCH(int, limit);
        p->Open(false);
        TesterPanel* t = p->panel;
        // Come from User Define, so that every kind has to put the fields back.
        p->Choose(Kind(CommandKind::UserDefine));
        QVERIFY(t->UserCmd->isVisible());
        p->Choose(kind);
        QCOMPARE(t->DataLenLb->text(), caption);
        QCOMPARE(t->SDataLen->maxLength(), limit);
        const bool multi = kind == Kind(CommandKind::WriteMultiWords);
        QCOMPARE(t->MutiWrBox->isVisible(), multi);
        QCOMPARE(t->Image2->isVisible(), !multi);
        const bool user = kind == Kind(CommandKind::UserDefine);
        QCOMPARE(t->UserCmd->isVisible(), user);
        if (user) {
            QCOMPARE(p->forms->VRW0->focusWidget(), t->UserCmd);
            // Over the list's text, leaving its drop-down button uncovered.
            const QRect list = t->SCmdBox->geometry();
            const QRect over = t->UserCmd->geometry();
            QVERIFY(list.contains(over));
            QVERIFY(over.right() < list.right() - 8);
        }
    }

    void shorterLimitCutsTheCount() {
        p->Open(false);
        TesterPanel* t = p->panel;
        p->Type(t->SCOMAddr, "1");
        p->Choose(Kind(CommandKind::ReadBits));
        p->Type(t->SFunc, "0810");
        p->Type(t->SDataLen, "12");
        QCOMPARE(t->SendEdit->text(), ":010208100012D3");
        p->Choose(Kind(CommandKind::WriteMultiWords));
        QCOMPARE(t->SDataLen->text(), "1");
        QCOMPARE(t->SendEdit->text(), ":01100810000102D4");
        QVERIFY(p->dialogs.messages.isEmpty());
    }

    void workedExamples_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("userCmd");
        QTest::addColumn<QString>("func");
        QTest::addColumn<QString>("dataLen");
        QTest::addColumn<QStringList>("words"); // by word position, 1 first
        QTest::addColumn<QString>("sendLine");
        QTest::addColumn<QString>("checkSum");
        QTest::addColumn<QByteArray>("onLine");

        const auto crlf = [](const char* line) { return QByteArray(line) + "\r\n"; };
        const int read = Kind(CommandKind::ReadRegister);
        QTest::newRow("read register ascii") << false << "1" << read << ""
                                             << "1000"
                                             << "1" << QStringList{} << ":010310000001EB"
                                             << "EB" << crlf(":010310000001EB");
        QTest::newRow("read register rtu") << true << "1" << read << ""
                                           << "1000"
                                           << "1" << QStringList{} << "01031000000180CA"
                                           << "80CA" << QByteArray::fromHex("01031000000180CA");
        // A read's count is typed in decimal, as many words as a reply carries.
        QTest::newRow("read register count 12") << false << "1" << read << ""
                                                << "1000"
                                                << "12" << QStringList{} << ":01031000000CE0"
                                                << "E0" << crlf(":01031000000CE0");
        QTest::newRow("read register count 12 rtu")
            << true << "1" << read << ""
            << "1000"
            << "12" << QStringList{} << "01031000000C410F"
            << "410F" << QByteArray::fromHex("01031000000C410F");
        QTest::newRow("read register count 125 rtu")
            << true << "1" << read << ""
            << "1000"
            << "125" << QStringList{} << "01031000007D812B"
            << "812B" << QByteArray::fromHex("01031000007D812B");
        QTest::newRow("write one word typed in lowercase")
            << false << "1" << Kind(CommandKind::WriteOneWord) << ""
            << "4701"
            << "1f4" << QStringList{} << ":0106470101F4BC"
            << "BC" << crlf(":0106470101F4BC");
        QTest::newRow("write bit content 1") << false << "1" << Kind(CommandKind::WriteBit) << ""
                                             << "0810"
                                             << "1" << QStringList{} << ":01050810FF00E3"
                                             << "E3" << crlf(":01050810FF00E3");
        QTest::newRow("write bit content 0") << false << "1" << Kind(CommandKind::WriteBit) << ""
                                             << "0810"
                                             << "0" << QStringList{} << ":010508100000E2"
                                             << "E2" << crlf(":010508100000E2");
        QTest::newRow("write multi-words")
            << false << "1" << Kind(CommandKind::WriteMultiWords) << ""
            << "1000"
            << "2" << QStringList{"1", "12"} << ":0110100000020400010012C6"
            << "C6" << crlf(":0110100000020400010012C6");
        QTest::newRow("write multi-words rtu")
            << true << "1" << Kind(CommandKind::WriteMultiWords) << ""
            << "1000"
            << "2" << QStringList{"1", "12"} << "0110100000020400010012EFA2"
            << "EFA2" << QByteArray::fromHex("0110100000020400010012EFA2");
        QTest::newRow("write multi-words capped at eight")
            << false << "1" << Kind(CommandKind::WriteMultiWords) << ""
            << "1000"
            << "9" << QStringList{"1", "2", "3", "4", "5", "6", "7", "8"}
            << ":0110100000091000010002000300040005000600070008A2"
            << "A2" << crlf(":0110100000091000010002000300040005000600070008A2");
        QTest::newRow("user define") << false << "1" << Kind(CommandKind::UserDefine) << "4"
                                     << "1000"
                                     << "2" << QStringList{} << ":010410000002E9"
                                     << "E9" << crlf(":010410000002E9");
        QTest::newRow("address g1 left out") << false << "g1" << read << ""
                                             << "1000"
                                             << "1" << QStringList{} << ":0310000001EC"
                                             << "EC" << crlf(":0310000001EC");
    }
    void workedExamples() {
        QFETCH(bool, rtu);
        QFETCH(QString, address);
        QFETCH(int, kind);
        QFETCH(QString, userCmd);
        QFETCH(QString, func);
        QFETCH(QString, dataLen);
        QFETCH(QStringList, words);
        QFETCH(QString, sendLine);
        QFETCH(QString, checkSum);
        QFETCH(QByteArray, onLine);

        p->Open(rtu);
        TesterPanel* t = p->panel;
        QCOMPARE(t->CheckSumSendLb->text(), rtu ? "CRC" : "LRC");
        p->Type(t->SCOMAddr, address);
        p->Choose(kind);
        if (!userCmd.isEmpty()) p->Type(t->UserCmd, userCmd);
        for (int i = 0; i < words.size(); ++i)
            p->Type(p->WordEdit(i + 1), words.at(i));
        p->Type(t->SFunc, func);
        p->Type(t->SDataLen, dataLen);
        QCOMPARE(t->SChkSum->text(), checkSum);
        QCOMPARE(t->SendEdit->text(), sendLine);

        p->Click(t->SendBt);
        QCOMPARE(p->Sent(), QList<QByteArray>{onLine});
        QCOMPARE(t->RequestText(), onLine);
        QVERIFY(t->AwaitingReply());
        QVERIFY(p->dialogs.messages.isEmpty());
    }

    void typedTextIsUppercaseAscii_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("address") << "SCOMAddr"
                                 << "ab"
                                 << "AB";
        QTest::newRow("function address") << "SFunc"
                                          << "4a0f"
                                          << "4A0F";
        QTest::newRow("data word") << "Edit5"
                                   << "beef"
                                   << "BEEF";
        QTest::newRow("user function") << "UserCmd"
                                       << "2b"
                                       << "2B";
        QTest::newRow("send line") << "SendEdit"
                                   << ":01ab"
                                   << ":01AB";
        QTest::newRow("send line drops what is not one ASCII byte")
            << "SendEdit" << QString::fromUtf8(":01\u00e9\u20ac02") << ":0102";
        QTest::newRow("pasted line ends dropped") << "SendEdit"
                                                  << ":01\r\n02\t"
                                                  << ":0102";
    }
    void typedTextIsUppercaseAscii() {
        QFETCH(QString, edit);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        p->Open(false);
        auto* line = p->panel->findChild<QLineEdit*>(edit);
        QVERIFY(line);
        p->Type(line, typed);
        QCOMPARE(line->text(), shown);
    }

    void editedSendLineGoesOutAsTyped_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("onLine");
        // ASCII: the line is the frame, LRC included, right or wrong.
        QTest::newRow("ascii wrong lrc")
            << false << ":01031000000100" << QByteArray(":01031000000100\r\n");
        QTest::newRow("ascii garbage") << false << "hello?" << QByteArray("HELLO?\r\n");
        // RTU: the line's bytes with a fresh CRC in place of the last four characters.
        QTest::newRow("rtu stale crc")
            << true << "0103100000020000" << QByteArray::fromHex("010310000002C0CB");
        QTest::newRow("rtu odd length")
            << true << "01031000000180c" << QByteArray::fromHex("01031000001841");
        QTest::newRow("rtu not hex")
            << true << "ZZ031000000180CA" << QByteArray::fromHex("000310000001811B");
        QTest::newRow("rtu too short") << true << "0" << QByteArray::fromHex("FFFF");
    }
    void editedSendLineGoesOutAsTyped() {
        QFETCH(bool, rtu);
        QFETCH(QString, typed);
        QFETCH(QByteArray, onLine);
        p->Open(rtu);
        p->Type(p->panel->SendEdit, typed);
        p->Click(p->panel->SendBt);
        QCOMPARE(p->Sent(), QList<QByteArray>{onLine});
    }

    void asciiReplyShownAsItArrives() {
        p->Open(false);
        TesterPanel* t = p->panel;
        p->FillReadRegister();
        p->Click(t->SendBt);
        p->Line()->Reply(":0103");
        QTRY_COMPARE(t->RcvEdit->text(), ":0103");
        QVERIFY(t->AwaitingReply());
        p->Line()->Reply("02000AF0\r\n");
        QTRY_COMPARE(t->RcvEdit->text(), ":010302000AF0");
        QVERIFY(!t->AwaitingReply());
        QCOMPARE(t->ReplyBuffer, QByteArray(":010302000AF0"));
        // The LF stopped the reply timer: no time-out follows.
        p->Ticks(40);
        ManualClock::DeliverPostedEvents();
        QCOMPARE(t->RcvEdit->text(), ":010302000AF0");
        // Ready for the next request at once.
        p->Click(t->SendBt);
        QCOMPARE(p->Sent().size(), 2);
        p->Click(t->SClearBt);
        QCOMPARE(t->RcvEdit->text(), "");
    }

    void asciiTimeOut() {
        p->Open(false);
        TesterPanel* t = p->panel;
        p->FillReadRegister();
        p->Click(t->SendBt);
        p->Line()->Reply(":01");
        QTRY_COMPARE(t->RcvEdit->text(), ":01");
        // Not re-armed by the data: 18 ticks after the send, and not sooner.
        p->Ticks(18);
        ManualClock::DeliverPostedEvents();
        QVERIFY(t->AwaitingReply());
        p->Ticks(1);
        QTRY_COMPARE(t->RcvEdit->text(), "Time out");
        QVERIFY(!t->AwaitingReply());
        QVERIFY(t->ReplyBuffer.isEmpty());
        p->Click(t->SendBt);
        QCOMPARE(p->Sent().size(), 2);
    }

    void rtuReplyShownAsHexWithoutTimeOut() {
        p->Open(true);
        TesterPanel* t = p->panel;
        p->FillReadRegister();
        p->Click(t->SendBt);
        // A piece ending in 0A, an LF byte: in RTU it does not end the reply.
        p->Line()->Reply(QByteArray::fromHex("0103"));
        QTRY_COMPARE(t->RcvEdit->text(), "0103");
        p->Line()->Reply(QByteArray::fromHex("02000A"));
        QTRY_COMPARE(t->RcvEdit->text(), "010302000A");
        QVERIFY(t->AwaitingReply());
        p->Line()->Reply(QByteArray::fromHex("F844"));
        QTRY_COMPARE(t->RcvEdit->text(), "010302000AF844");
        QVERIFY(t->AwaitingReply());
        p->Ticks(19);
        QTRY_VERIFY(!t->AwaitingReply());
        QCOMPARE(t->RcvEdit->text(), "010302000AF844");
        // Silence after a send with no reply at all is not a "Time out" either.
        p->Click(t->SendBt);
        p->Ticks(19);
        QTRY_VERIFY(!t->AwaitingReply());
        QCOMPARE(t->RcvEdit->text(), "010302000AF844");
    }

    void sendWhileAwaitingIsIgnored() {
        p->Open(false);
        TesterPanel* t = p->panel;
        p->FillReadRegister();
        p->Click(t->SendBt);
        p->Type(t->SDataLen, "2");
        p->Click(t->SendBt);
        p->Click(t->RSendBt); // Repeat mode starts, but nothing is sent now
        QCOMPARE(p->Sent(), QList<QByteArray>{AsciiRead});
        p->Line()->Reply(AsciiReply);
        QTRY_VERIFY(!t->AwaitingReply());
        // The request prepared at the first press is what repeats.
        t->Timer1Timer();
        QCOMPARE(p->Sent(), (QList<QByteArray>{AsciiRead, AsciiRead}));
    }

    void repeatThenStopSendsTwice() {
        p->Open(false);
        TesterPanel* t = p->panel;
        p->FillReadRegister();
        p->Click(t->RSendBt);
        QVERIFY(t->Repeating);
        QCOMPARE(t->RSendBt->text(), "Stop");
        QVERIFY(t->Timer1->isActive());
        p->Line()->Reply(AsciiReply);
        QTRY_VERIFY(!t->AwaitingReply());
        p->Click(t->RSendBt);
        QVERIFY(!t->Repeating);
        QCOMPARE(t->RSendBt->text(), "Repeat");
        QVERIFY(!t->Timer1->isActive());
        QCOMPARE(p->Sent(), (QList<QByteArray>{AsciiRead, AsciiRead}));
    }

    void repeatTicks() {
        p->Open(false);
        TesterPanel* t = p->panel;
        p->FillReadRegister();
        p->Click(t->RSendBt);
        // A tick while the reply is awaited is skipped.
        t->Timer1Timer();
        QCOMPARE(p->Sent().size(), 1);
        p->Line()->Reply(":010302000AF0");
        QTRY_COMPARE(t->RcvEdit->text(), ":010302000AF0");
        // Editing the send line does not change what repeats.
        p->Type(t->SendEdit, ":01030000000AF2");
        p->Line()->Reply("\r\n");
        QTRY_VERIFY(!t->AwaitingReply());
        t->Timer1Timer();
        QCOMPARE(p->Sent(), (QList<QByteArray>{AsciiRead, AsciiRead}));
        // The reply buffer starts afresh with every repeated request.
        p->Line()->Reply(":01");
        QTRY_COMPARE(t->RcvEdit->text(), ":01");
        p->Ticks(19);
        QTRY_COMPARE(t->RcvEdit->text(), "Time out");
        // Until Repeat is pressed again: Stop sends the edited line, a new Repeat keeps it.
        p->Click(t->RSendBt);
        p->Line()->Reply(AsciiReply);
        QTRY_VERIFY(!t->AwaitingReply());
        p->Click(t->RSendBt);
        p->Line()->Reply(AsciiReply);
        QTRY_VERIFY(!t->AwaitingReply());
        t->Timer1Timer();
        const QByteArray edited = ":01030000000AF2\r\n";
        QCOMPARE(p->Sent(), (QList<QByteArray>{AsciiRead, AsciiRead, edited, edited, edited}));
    }

    void sendEndsRepeating() {
        p->Open(false);
        TesterPanel* t = p->panel;
        p->FillReadRegister();
        p->Click(t->RSendBt);
        p->Line()->Reply(AsciiReply);
        QTRY_VERIFY(!t->AwaitingReply());
        p->Click(t->SendBt);
        QVERIFY(!t->Repeating);
        QVERIFY(!t->Timer1->isActive());
        QCOMPARE(t->RSendBt->text(), "Repeat");
        QCOMPARE(p->Sent().size(), 2);
        // The next Repeat starts repeating again rather than stopping.
        p->Line()->Reply(AsciiReply);
        QTRY_VERIFY(!t->AwaitingReply());
        p->Click(t->RSendBt);
        QVERIFY(t->Repeating);
        QVERIFY(t->Timer1->isActive());
    }

    void repeatWithNothingToSend() {
        p->Open(false);
        TesterPanel* t = p->panel;
        p->Click(t->RSendBt);
        t->Timer1Timer();
        QVERIFY(p->Sent().isEmpty());
        QVERIFY(!t->AwaitingReply());
    }

    void closeAndReopen() {
        p->Open(false);
        TesterPanel* t = p->panel;
        p->FillReadRegister();
        p->Click(t->RSendBt);
        p->Line()->Reply(":0103");
        QTRY_COMPARE(t->RcvEdit->text(), ":0103");
        p->Click(t->SExitBt);
        QVERIFY(!t->Repeating);
        QVERIFY(!t->Timer1->isActive());
        QCOMPARE(t->RSendBt->text(), "Repeat");
        QVERIFY(!t->AwaitingReply());
        QVERIFY(!p->forms->VRW0->TESTPL->HoldsLine());
        QVERIFY(t->isHidden());
        QVERIFY(p->forms->VRW0->Image1->isVisible());
        QVERIFY(p->forms->VRW0->ToolBar1->isEnabled());
        QCOMPARE(t->RcvEdit->text(), "");

        // The fields survive; a new framing recomposes the line with its own check digits.
        p->Open(true);
        QCOMPARE(t->SCOMAddr->text(), "1");
        QCOMPARE(t->CheckSumSendLb->text(), "CRC");
        QCOMPARE(t->SendEdit->text(), "01031000000180CA");
        QVERIFY(!t->AwaitingReply());
        p->Click(t->SendBt);
        QCOMPARE(p->Sent(), QList<QByteArray>{QByteArray::fromHex("01031000000180CA")});
    }

    void testerAgainWhileOpenIsIgnored() {
        p->Open(false);
        TesterPanel* t = p->panel;
        p->FillReadRegister();
        p->Click(t->SendBt);
        p->forms->VRW0->ToolButton5Click();
        // The pending time-out is still recognised, so the tester does not stay busy.
        p->Ticks(19);
        QTRY_COMPARE(t->RcvEdit->text(), "Time out");
    }

    void countThatIsNotDecimal() {
        p->Open(false);
        TesterPanel* t = p->panel;
        p->Type(t->SCOMAddr, "1");
        p->Choose(Kind(CommandKind::WriteMultiWords));
        p->Type(t->SFunc, "1000");
        p->Type(t->SDataLen, "1");
        QCOMPARE(t->SendEdit->text(), ":01101000000102DC");
        p->Type(t->SDataLen, "x");
        QTRY_COMPARE(p->dialogs.texts(), QStringList{"'X' is not a valid integer value"});
        QCOMPARE(t->SendEdit->text(), ":01101000000102DC");
        QCOMPARE(t->SDataLen->text(), "X");
    }

    // A count beyond a read's is refused: a message, and no line left to send from before.
    void readCountTooLarge_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<QString>("count");
        QTest::newRow("ascii") << false << "126";
        QTest::newRow("rtu") << true << "999";
    }
    void readCountTooLarge() {
        QFETCH(bool, rtu);
        QFETCH(QString, count);
        p->Open(rtu);
        TesterPanel* t = p->panel;
        p->FillReadRegister();
        QVERIFY(!t->SendEdit->text().isEmpty());
        p->Type(t->SDataLen, count);
        QTRY_COMPARE(
            p->dialogs.texts(),
            QStringList{QStringLiteral("A read takes at most 125 words: WORD COUNT %1 is too many.")
                            .arg(count)});
        QCOMPARE(t->SDataLen->text(), count);
        QCOMPARE(t->SendEdit->text(), "");
        QCOMPARE(t->SChkSum->text(), "");
        p->Click(t->SendBt);
        QVERIFY(p->Sent().isEmpty());
        // Back within the limit, the request is there again.
        p->Type(t->SDataLen, "12");
        QCOMPARE(t->SendEdit->text(), rtu ? "01031000000C410F" : ":01031000000CE0");
    }

    // Under the buttons, what the reply says: a read's words, an exception, a write's echo.
    void replyValues_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("func");
        QTest::addColumn<QString>("dataLen");
        QTest::addColumn<QByteArray>("reply"); // address, function and data in hex
        QTest::addColumn<QString>("values");

        const int read = Kind(CommandKind::ReadRegister);
        const QString words = "REGISTER  DECIMAL   HEX  SIGNED  TENTHS\n"
                              "4700          250  00FA     250    25.0\n"
                              "4701        65436  FF9C    -100   -10.0\n"
                              "4702         1000  03E8    1000   100.0";
        QTest::newRow("read of three words") << false << read << "4700"
                                             << "3" << QByteArray("01030600FAFF9C03E8") << words;
        QTest::newRow("read of three words rtu")
            << true << read << "4700"
            << "3" << QByteArray("01030600FAFF9C03E8") << words;
        QTest::newRow("exception")
            << false << read << "4800"
            << "1" << QByteArray("018302") << "exception 02: illegal data address";
        QTest::newRow("exception rtu")
            << true << read << "4800"
            << "1" << QByteArray("018302") << "exception 02: illegal data address";
        QTest::newRow("write echo")
            << false << Kind(CommandKind::WriteOneWord) << "4701"
            << "12C" << QByteArray("01064701012C") << "written: 4701 = 012C";
    }
    void replyValues() {
        QFETCH(bool, rtu);
        QFETCH(int, kind);
        QFETCH(QString, func);
        QFETCH(QString, dataLen);
        QFETCH(QByteArray, reply);
        QFETCH(QString, values);
        p->Open(rtu);
        TesterPanel* t = p->panel;
        p->Type(t->SCOMAddr, "1");
        p->Choose(kind);
        p->Type(t->SFunc, func);
        p->Type(t->SDataLen, dataLen);
        QVERIFY(t->ReplyValues->isVisible());
        QVERIFY(t->ReplyValues->isReadOnly());
        const QByteArray ascii = ':' + reply + AsciiLrc(':' + reply) + "\r\n";
        const QByteArray bytes = rtu ? AsciiToRtu(ascii) : ascii;
        const auto exchange = [&] {
            p->Click(t->SendBt);
            QCOMPARE(t->ReplyValues->toPlainText(), "");
            p->Line()->Reply(bytes);
            // ASCII ends at the LF, which the buffer drops with its CR.
            QTRY_COMPARE(t->ReplyBuffer, rtu ? bytes : bytes.chopped(2));
            // In RTU only the silence ends the reply.
            if (rtu) p->Ticks(19);
            QTRY_VERIFY(!t->AwaitingReply());
        };
        exchange();
        QCOMPARE(t->ReplyValues->toPlainText(), values);

        // Gone with the next send and with Clear Result.
        exchange();
        QCOMPARE(t->ReplyValues->toPlainText(), values);
        p->Click(t->SClearBt);
        QCOMPARE(t->ReplyValues->toPlainText(), "");
        QCOMPARE(p->dialogs.texts(), QStringList{});
    }

    void noValuesAfterTimeOut() {
        p->Open(false);
        TesterPanel* t = p->panel;
        p->FillReadRegister();
        p->Click(t->SendBt);
        p->Line()->Reply(AsciiReply);
        QTRY_COMPARE(t->ReplyValues->toPlainText(),
                     "REGISTER  DECIMAL   HEX  SIGNED\n1000           10  000A      10");
        p->Click(t->SendBt);
        p->Line()->Reply(":01030200");
        QTRY_COMPARE(t->RcvEdit->text(), ":01030200");
        p->Ticks(19);
        QTRY_COMPARE(t->RcvEdit->text(), "Time out");
        QCOMPARE(t->ReplyValues->toPlainText(), "");
    }

    // The Traffic window opens while the tester holds the Main window, and shows its frames.
    void trafficWhileTesting() {
        p->Open(false);
        TesterPanel* t = p->panel;
        TrafficForm* traffic = p->forms->Traffic.get();
        QVERIFY(!traffic->isVisible());
        QVERIFY(t->TrafficBt->isVisible());
        QVERIFY(t->TrafficBt->isEnabled());
        p->Click(t->TrafficBt);
        QVERIFY(traffic->isVisible());
        // And by the key the Monitor and the Recorder open it with.
        traffic->hide();
        QApplication::setActiveWindow(p->forms->VRW0.get());
        QTest::keyClick(p->forms->VRW0.get(), Qt::Key_T, Qt::ControlModifier);
        QTRY_VERIFY(traffic->isVisible());
        // The feed is the process's: earlier frames may be there.
        traffic->RefreshNow();
        const int before = traffic->Model->rowCount();
        p->FillReadRegister();
        p->Click(t->SendBt);
        p->Line()->Reply(AsciiReply);
        QTRY_VERIFY(!t->AwaitingReply());
        QCOMPARE(t->RcvEdit->text(), ":010302000AF0");
        traffic->RefreshNow();
        QTRY_COMPARE(traffic->Model->rowCount(), before + 2);
        QCOMPARE(traffic->Model->CellText(before, TrafficModel::Decode),
                 "address 1, read 0x1000 x1, LRC good");
        QCOMPARE(traffic->Model->CellText(before + 1, TrafficModel::Decode),
                 "address 1, 1 word: 10, LRC good");
        // The tester goes on as before, with the Traffic window open.
        QVERIFY(t->isVisible());
        QVERIFY(t->HoldsLine());
        p->Click(t->SendBt);
        QCOMPARE(p->Sent().size(), 2);
    }

    void missingPort() {
        p->lines.refuseOpen = true;
        p->Open(false);
        TesterPanel* t = p->panel;
        QCOMPARE(p->dialogs.messages.size(), 1);
        QCOMPARE(p->dialogs.messages.first().caption, "Warning");
        QCOMPARE(p->dialogs.messages.first().text, "Com port not exist");
        QVERIFY(t->isVisible());
        QVERIFY(!p->forms->VRW0->TESTPL->HoldsLine());
        QCOMPARE(p->forms->VRW0->focusWidget(), t->SendBt);

        // Repeat on a line that still cannot open reports once and stops repeating.
        p->FillReadRegister();
        p->Click(t->RSendBt);
        QTRY_COMPARE(p->dialogs.messages.size(), 2);
        QVERIFY(!t->Repeating);
        QVERIFY(!t->Timer1->isActive());
        QCOMPARE(t->RSendBt->text(), "Repeat");
        QVERIFY(!t->AwaitingReply());

        // Once the line is there, Send opens it and the exchange runs in full.
        p->lines.refuseOpen = false;
        p->Click(t->SendBt);
        QVERIFY(p->forms->VRW0->TESTPL->HoldsLine());
        QCOMPARE(p->Sent(), QList<QByteArray>{AsciiRead});
        p->Ticks(19);
        QTRY_COMPARE(t->RcvEdit->text(), "Time out");
        QCOMPARE(p->dialogs.messages.size(), 2);
    }

    // How long each reply took, and an exception reply in words; nothing for a time-out.
    void replyTimeAndException_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("info");
        const QByteArray refused = QByteArray::fromHex("018302");
        QTest::newRow("ascii reply") << false << AsciiReply << "Reply in 40 ms";
        QTest::newRow("ascii exception")
            << false << QByteArray(":018302") + AsciiLrc(":018302") + "\r\n"
            << "Reply in 40 ms: exception 02: illegal data address";
        QTest::newRow("rtu exception, ended by the time-out")
            << true << refused + ModbusCrc(refused)
            << "Reply in 40 ms: exception 02: illegal data address";
        QTest::newRow("time-out") << false << QByteArray() << "";
    }
    void replyTimeAndException() {
        QFETCH(bool, rtu);
        QFETCH(QByteArray, reply);
        QFETCH(QString, info);
        p->Open(rtu);
        TesterPanel* t = p->panel;
        p->FillReadRegister();
        p->Click(t->SendBt);
        p->clock.Run(40);
        if (!reply.isEmpty()) p->Line()->Reply(reply);
        p->clock.Run(0);
        p->Ticks(40);
        QTRY_VERIFY(!t->AwaitingReply());
        QCOMPARE(t->ReplyInfoLb->text(), info);
        p->Click(t->SClearBt);
        QCOMPARE(t->ReplyInfoLb->text(), "");
    }

    void lineLostWhileAwaiting() {
        p->Open(false);
        TesterPanel* t = p->panel;
        p->FillReadRegister();
        p->Click(t->SendBt);
        emit p->Line()->lost(QStringLiteral("unplugged"));
        QTRY_COMPARE(p->dialogs.messages.size(), 1);
        QVERIFY(!p->forms->VRW0->TESTPL->HoldsLine());
        // The reply can no longer come; Send reopens the line instead of staying busy.
        p->Click(t->SendBt);
        QVERIFY(p->forms->VRW0->TESTPL->HoldsLine());
        QCOMPARE(p->Sent(), QList<QByteArray>{AsciiRead});
        p->Line()->Reply(AsciiReply);
        QTRY_COMPARE(t->RcvEdit->text(), ":010302000AF0");
    }

    // An adapter pulled out while repeating: one message naming the COM and its device, no
    // request and no further message while it is gone, and the repetition goes on by itself
    // once it is back.
    void lineLostWhileRepeating() {
        p->Open(false);
        TesterPanel* t = p->panel;
        p->FillReadRegister();
        p->Click(t->RSendBt);
        p->Line()->Reply(AsciiReply);
        QTRY_VERIFY(!t->AwaitingReply());
        p->lines.refuseOpen = true; // unplugged for a while
        emit p->Line()->lost(QStringLiteral("Inappropriate ioctl for device"));
        QVERIFY(t->Repeating);
        QCOMPARE(t->RSendBt->text(), "Stop");
        p->clock.Run(5000);
        QCOMPARE(p->dialogs.texts(), QStringList{"COM1 (fake line) was disconnected. It is opened "
                                                 "again by itself as soon as it is back."});

        p->lines.refuseOpen = false;
        p->clock.Run(2 * LineOwner::RetryMs);
        QVERIFY(p->forms->VRW0->TESTPL->HoldsLine());
        QCOMPARE(p->Sent(), QList<QByteArray>{AsciiRead});
        p->Line()->Reply(AsciiReply);
        QTRY_COMPARE(t->RcvEdit->text(), ":010302000AF0");
        QCOMPARE(p->dialogs.texts().size(), 1);
    }
};

VRX_TEST_MAIN(TestCommandTester)
#include "tst_commandtester.moc"
