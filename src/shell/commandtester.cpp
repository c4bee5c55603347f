// The command tester panel: its controls, laid out in design pixels, and its handlers.
#include "commandtester.h"

#include "colours.h"
#include "comsettings.h"
#include "designform.h"
#include "errors.h"
#include "framedecode.h"
#include "guard.h"
#include "portwindow.h"
#include "protocolwindow.h"
#include "testerreply.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QValidator>

namespace vrx {

namespace {

const QColor SkyBlue(palette::TesterSkyBlue);
const QColor Navy(palette::TesterNavy);

// The longest send line a Modbus frame can need: 255 bytes as hex plus the check digits.
constexpr int SendLineLimit = 512;
// Replies are at most a few hundred characters; a line that keeps chattering is cut here.
constexpr int ReplyLimit = SerialPort::BufferSize;

// Fixed-height items, as an owner-drawn list has them.
class FixedHeightDelegate final : public QStyledItemDelegate {
public:
    FixedHeightDelegate(const int& height, QObject* parent)
        : QStyledItemDelegate(parent), height_(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), height_};
    }

private:
    const int& height_;
};

// What the user types goes out on the line as typed, one byte per character: only printable
// ASCII gets in (a 7-bit line would mangle anything else), and letters are forced to
// uppercase, since the hex rules count lowercase as invalid.
class UpperAsciiValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override {
        QString kept;
        kept.reserve(input.size());
        for (qsizetype i = 0; i < input.size(); ++i) {
            const char16_t c = input.at(i).unicode();
            if (c < 0x20 || c > 0x7E) {
                if (i < pos) --pos;
                continue;
            }
            kept.append(c >= u'a' && c <= u'z' ? QChar(c - u'a' + u'A') : QChar(c));
        }
        input = kept;
        return Acceptable;
    }
};

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, const QRect& place) {
    auto* label = Make<QLabel>(parent, name, place, DesignFont(12, true));
    // Navy on the panel's sky blue: the panel sets both.
    label->setText(QCoreApplication::translate("vrx::TesterPanel", caption));
    return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QRect& place, int maxLength,
                    QValidator* validator) {
    auto* edit = Make<QLineEdit>(parent, name, place, DesignFont(14, false, true));
    edit->setMaxLength(maxLength);
    if (validator) edit->setValidator(validator);
    return edit;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption,
                        const QRect& place) {
    auto* button = Make<QPushButton>(parent, name, place, DesignFont(13, true));
    button->setText(QCoreApplication::translate("vrx::TesterPanel", caption));
    return button;
}

} // namespace

TesterPanel::TesterPanel(LineOwner& line, QWidget* parent)
    : QFrame(parent), exchange_(line, QString::fromLatin1(line_tool::Tester)) {
    setObjectName(QStringLiteral("TESTPL"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAutoFillBackground(true);
    SetColours(this, QPalette::Window, SkyBlue, Navy);
    resize(784, 440);

    SingleCmdLb = MakeLabel(this, "SingleCmdLb", QT_TR_NOOP("SINGLE COMMAND TEST (HEX FORMAT)"),
                            {24, 16, 480, 26});
    SingleCmdLb->setFont(DesignFont(18, true));
    BuildFields();
    BuildWriteContent();
    BuildButtons();

    Timer1 = new ClockTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &ClockTimer::timeout, this, GuardedSlot(this, &TesterPanel::Timer1Timer));

    connect(&exchange_, &Exchange::bytesReceived, this,
            [this](const QByteArray& chunk) { Guarded([&] { TakeBytes(chunk); }); });
    connect(&exchange_, &Exchange::replied, this,
            [this](const QByteArray& frame) { Guarded([&] { ReplyEnded(frame.size()); }); });
    connect(&exchange_, &Exchange::timedOut, this, [this] { Guarded([this] { ReplyEnded(-1); }); });
}

void TesterPanel::BuildFields() {
    auto* upper = new UpperAsciiValidator(this);
    constexpr int labelY = 72, editY = 94, editH = 28;

    AddrSendLb = MakeLabel(this, "AddrSendLb", QT_TR_NOOP("ADDRESS"), {24, labelY, 64, 18});
    SCOMAddr = MakeEdit(this, "SCOMAddr", {24, editY, 56, editH}, 2, upper);

    CmdSendLb = MakeLabel(this, "CmdSendLb", QT_TR_NOOP("COMMAND"), {92, labelY, 160, 18});
    SCmdBox = Make<QComboBox>(this, "SCmdBox", {92, editY, 164, editH}, DesignFont(13));
    SCmdBox->setItemDelegate(new FixedHeightDelegate(cmdItemHeight_, SCmdBox));
    for (int i = 0; i < CommandKindCount; ++i)
        SCmdBox->addItem(tr(CommandKindAt(i).item));
    SCmdBox->setCurrentIndex(-1);
    // Over the text part of the list, so the drop-down button stays reachable; placed on show.
    UserCmd = MakeEdit(this, "UserCmd", {94, editY + 2, 136, editH - 4}, 2, upper);
    UserCmd->setText(QStringLiteral("03"));
    UserCmd->hide();

    FuncSendLb = MakeLabel(this, "FuncSendLb", QT_TR_NOOP("FUNC ADDR"), {268, labelY, 80, 18});
    SFunc = MakeEdit(this, "SFunc", {268, editY, 72, editH}, 4, upper);

    DataLenLb = MakeLabel(this, "DataLenLb", QT_TR_NOOP("WRITE DATA"), {352, labelY, 100, 18});
    SDataLen = MakeEdit(this, "SDataLen", {352, editY, 72, editH}, 4, upper);

    CheckSumSendLb = MakeLabel(this, "CheckSumSendLb", "LRC", {460, labelY, 60, 18});
    SChkSum = MakeEdit(this, "SChkSum", {460, editY, 60, editH}, 4, nullptr);
    SChkSum->setEnabled(false);
    // Disabled because it is computed, not because it does not matter: keep it readable, as
    // the panel's own text on the panel's colour.
    SetColours(SChkSum, QPalette::Base, SkyBlue, Navy);

    SendLb = MakeLabel(this, "SendLb", QT_TR_NOOP("SEND"), {24, 150, 200, 18});
    SendEdit = MakeEdit(this, "SendEdit", {24, 172, 496, 30}, SendLineLimit, upper);

    RcvLb = MakeLabel(this, "RcvLb", QT_TR_NOOP("RECEIVED"), {24, 226, 200, 18});
    // The reply as it came; the user reads and copies it but does not type into it.
    RcvEdit = MakeEdit(this, "RcvEdit", {24, 248, 496, 30}, 32767, nullptr);
    RcvEdit->setReadOnly(true);
    ReplyInfoLb = MakeLabel(this, "ReplyInfoLb", "", {24, 284, 496, 22});
    // Under the buttons, across the panel: a read of many words scrolls, its columns stay whole.
    ReplyValues =
        Make<QPlainTextEdit>(this, "ReplyValues", {24, 360, 736, 78}, DesignFont(12, false, true));
    ReplyValues->setReadOnly(true);
    // The heading and three words, a read's usual few, without scrolling.
    ReplyValues->document()->setDocumentMargin(2);
    ReplyValues->setLineWrapMode(QPlainTextEdit::NoWrap);

    connect(SCmdBox, &QComboBox::activated, this,
            [this] { Guarded([this] { SCmdBoxSelect(SCmdBox); }); });
    for (QLineEdit* edit : {SCOMAddr, SFunc, SDataLen})
        connect(edit, &QLineEdit::textChanged, this,
                [this, edit] { Guarded([this, edit] { SCmdBoxSelect(edit); }); });
    connect(UserCmd, &QLineEdit::textChanged, this, GuardedSlot(this, &TesterPanel::UserCmdChange));
}

void TesterPanel::BuildWriteContent() {
    constexpr QRect place{540, 72, 220, 194};
    MutiWrBox = Make<QGroupBox>(this, "MutiWrBox", place, DesignFont(12, true));
    MutiWrBox->setTitle(tr("WRITE DATA CONTENT"));
    MutiWrBox->hide();
    // Monospaced, so that the spaces put the second heading over the second column.
    MutiWrLB = Make<QLabel>(MutiWrBox, "MutiWrLB", {18, 26, 196, 18}, DesignFont(12, true, true));
    MutiWrLB->setText(tr("DATA1~4        DATA 5~8"));

    auto* upper = new UpperAsciiValidator(this);
    // Word positions: the left column holds words 1-4, the right column words 5-8 in the order
    // Edit6, Edit7, Edit5, Edit8 from the top.
    struct Slot {
        const char* name;
        int tag;
        int column;
        int row;
    };
    constexpr Slot places[WriteWordCount] = {
        {"Edit1", 1, 0, 0}, {"Edit2", 2, 0, 1}, {"Edit3", 3, 0, 2}, {"Edit4", 4, 0, 3},
        {"Edit5", 7, 1, 2}, {"Edit6", 5, 1, 0}, {"Edit7", 6, 1, 1}, {"Edit8", 8, 1, 3},
    };
    for (int i = 0; i < WriteWordCount; ++i) {
        const Slot& s = places[i];
        QLineEdit* edit =
            MakeEdit(MutiWrBox, s.name, {18 + s.column * 108, 50 + s.row * 34, 84, 28}, 4, upper);
        edit->setProperty("Tag", s.tag);
        connect(edit, &QLineEdit::textChanged, this,
                [this, edit] { Guarded([this, edit] { Edit1Change(edit); }); });
        DataEdits[std::size_t(i)] = edit;
    }

    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(540, 80, 220, 143);
    Image2->setPixmap(QPixmap(QStringLiteral(":/assets/tester.jpg")));
    Image2->setScaledContents(true);
}

void TesterPanel::BuildButtons() {
    constexpr int y = 318, h = 38;
    SendBt = MakeButton(this, "SendBt", QT_TR_NOOP("Send"), {24, y, 100, h});
    RSendBt = MakeButton(this, "RSendBt", QT_TR_NOOP("Repeat"), {136, y, 100, h});
    SClearBt = MakeButton(this, "SClearBt", QT_TR_NOOP("Clear Result"), {248, y, 124, h});
    SExitBt = MakeButton(this, "SExitBt", QT_TR_NOOP("Close"), {420, y, 100, h});
    connect(SendBt, &QPushButton::clicked, this,
            [this] { Guarded([this] { SendBtClick(SendBt); }); });
    connect(RSendBt, &QPushButton::clicked, this,
            [this] { Guarded([this] { SendBtClick(RSendBt); }); });
    connect(SClearBt, &QPushButton::clicked, this, GuardedSlot(this, &TesterPanel::SClearBtClick));
    connect(SExitBt, &QPushButton::clicked, this, GuardedSlot(this, &TesterPanel::SExitBtClick));
    // The Main window's tool bar is off while the tester is open; the line's traffic is not.
    TrafficBt = MakeButton(this, "TrafficBt", QT_TR_NOOP("Traffic..."), {540, y, 120, h});
    TrafficBt->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    connect(TrafficBt, &QPushButton::clicked, this, &TesterPanel::trafficWindowRequested);
}

void TesterPanel::SetCmdItemHeight(int height) {
    cmdItemHeight_ = height;
}

void TesterPanel::showEvent(QShowEvent* event) {
    QFrame::showEvent(event);
    PlaceUserCmd();
}

void TesterPanel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    PlaceUserCmd();
}

void TesterPanel::PlaceUserCmd() {
    // The list's own text field, wherever the style and the scaling put it.
    QStyleOptionComboBox option;
    option.initFrom(SCmdBox);
    const QRect field = SCmdBox->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                         QStyle::SC_ComboBoxEditField, SCmdBox);
    UserCmd->setGeometry(QRect(SCmdBox->geometry().topLeft() + field.topLeft(), field.size()));
    UserCmd->raise();
}

bool TesterPanel::Rtu() const {
    return protocol_ && protocol_->Rtu();
}

void TesterPanel::OpenTester() {
    show();
    CheckSumSendLb->setText(Rtu() ? QStringLiteral("CRC") : QStringLiteral("LRC"));
    ReplyTicks = TesterReplyTicks;
    const ComSelections selections = protocol_ ? protocol_->Selections() : ComSelections{};
    OpenOrWarn(this, selections, exchange_.Line(), exchange_.Tool(), tr("Com port not exist"));
    // The fields survive a close; a send line composed under the other framing would carry
    // the wrong kind of check digits.
    if (composedRtu_ >= 0 && composedRtu_ != int(Rtu())) ComposeRequest();
    SendBt->setFocus();
}

void TesterPanel::SCmdBoxSelect(QObject* source) {
    if (source == SCmdBox && SCmdBox->currentIndex() >= 0) {
        const int index = SCmdBox->currentIndex();
        const CommandKindInfo& kind = CommandKindAt(index);
        Image2->show();
        MutiWrBox->hide();
        {
            // A shorter limit cuts the text; the request is composed once, below.
            const QSignalBlocker quiet(SDataLen);
            SDataLen->setMaxLength(kind.dataLenLimit);
        }
        DataLenLb->setText(tr(kind.dataLenCaption));
        if (CommandKind(index) == CommandKind::WriteMultiWords) {
            MutiWrBox->show();
            Image2->hide();
        }
        if (CommandKind(index) == CommandKind::UserDefine) {
            PlaceUserCmd();
            UserCmd->show();
            UserCmd->setFocus();
        } else {
            UserCmd->hide();
        }
    }
    ComposeRequest();
}

void TesterPanel::Edit1Change(QLineEdit* edit) {
    const int tag = edit->property("Tag").toInt();
    if (tag < 1 || tag > WriteWordCount) return;
    WriteWords[std::size_t(tag - 1)] = PadHex(edit->text(), 4);
    ComposeRequest();
}

void TesterPanel::UserCmdChange() {
    ComposeRequest();
}

void TesterPanel::ComposeRequest() {
    RequestFields fields;
    fields.address = SCOMAddr->text();
    fields.kind = SCmdBox->currentIndex();
    fields.userCmd = UserCmd->text();
    fields.funcAddr = SFunc->text();
    fields.dataLen = SDataLen->text();
    fields.writeWords = WriteWords;
    fields.rtu = Rtu();
    Guarded([&] {
        std::optional<ComposedRequest> request;
        try {
            request = vrx::ComposeRequest(fields);
        } catch (const CountError&) {
            // Refused, not cut to fit: the line composed for an earlier count must not go out
            // for this one.
            SChkSum->clear();
            SendEdit->clear();
            ClearReply();
            throw;
        }
        if (!request) return;
        SChkSum->setText(request->checkSum);
        SendEdit->setText(request->sendLine);
        ClearReply();
        composedRtu_ = int(fields.rtu);
    });
}

void TesterPanel::StopRepeating() {
    Repeating = false;
    RSendBt->setText(tr("Repeat"));
    Timer1->stop();
}

void TesterPanel::SendBtClick(QObject* sender) {
    if (sender == RSendBt && !Repeating) {
        Repeating = true;
        RSendBt->setText(tr("Stop"));
        Timer1->start();
    } else {
        // Send ends a repetition as Stop does, so what the user sees is what runs.
        StopRepeating();
    }
    if (AwaitingReply() || SendEdit->text().isEmpty()) return;
    ReplyCount = 0;
    ReplyBuffer.clear();
    SendRequest(RequestBytes(SendEdit->text(), Rtu()));
}

void TesterPanel::Timer1Timer() {
    // Nothing was ever sent (Repeat on an empty send line): there is nothing to repeat. A lost
    // line is being opened again: the repetition goes on when it is back.
    if (AwaitingReply() || RequestText().isEmpty() || exchange_.LineDown()) return;
    ReplyBuffer.clear();
    ReplyCount = 0;
    SendRequest(QByteArray(RequestText()));
}

void TesterPanel::SendRequest(const QByteArray& request) {
    Guarded([&] {
        try {
            EnsurePortReady();
            // The tester keeps its own timing: the time-out runs from the send.
            exchange_.Send(request, Rtu() ? Framing::Rtu : Framing::Ascii,
                           ReplyEndPolicy::TimeOutEnd, {ReplyTicks, 0}, RequestPriority::Tester);
            ReplyInfoLb->clear();
            ReplyValues->clear();
        } catch (const Error&) {
            // One message, not one a second: a line that fails stops the repetition.
            StopRepeating();
            throw;
        }
    });
}

void TesterPanel::EnsurePortReady() {
    // The port failed to open with the tester, or the line went away since; an opening error
    // goes to the general error handler.
    if (!exchange_.HoldsLine()) exchange_.Line().Reopen(exchange_.Tool());
}

void TesterPanel::TakeBytes(const QByteArray& chunk) {
    // Whatever comes is shown as it comes, also after the reply has ended.
    ReplyBuffer.append(chunk.first(qMin(chunk.size(), ReplyLimit - ReplyBuffer.size())));
    ReplyCount = quint16(ReplyBuffer.size());
    RcvEdit->setText(ReplyText(ReplyBuffer, Rtu()));
}

void TesterPanel::ShowReplyInfo(bool replied) {
    const qint64 ms = exchange_.LastByteMs();
    if (!replied || ms < 0) {
        ReplyInfoLb->clear();
        return;
    }
    // In RTU the reply ends only at the time-out: its time is that of its last byte.
    QString text = tr("Reply in %1 ms").arg(ms);
    const DecodedFrame frame = DecodeFrame(exchange_.Received(), false);
    if (frame.exception) text += QStringLiteral(": ") + frame.summary;
    ReplyInfoLb->setText(text);
}

void TesterPanel::ShowReplyValues(bool replied) {
    ReplyValues->setPlainText(
        replied ? ReplyValueLines(exchange_.Request(), exchange_.Received()).join(u'\n')
                : QString());
}

void TesterPanel::ClearReply() {
    RcvEdit->clear();
    ReplyValues->clear();
}

void TesterPanel::ReplyEnded(qsizetype frameEnd) {
    const bool replied = frameEnd > 0 || (Rtu() && !exchange_.Received().isEmpty());
    ShowReplyInfo(replied);
    ShowReplyValues(replied);
    if (frameEnd > 0 && !Rtu()) {
        // The LF ended the reply; the CR LF is not part of what is shown.
        qsizetype lineEnd = frameEnd - 1;
        if (lineEnd > 0 && ReplyBuffer.at(lineEnd - 1) == '\r') --lineEnd;
        ReplyBuffer.remove(lineEnd, frameEnd - lineEnd);
        ReplyCount = quint16(ReplyBuffer.size());
        RcvEdit->setText(ReplyText(ReplyBuffer, false));
        return;
    }
    // In RTU only the silence ends a reply, so the time-out is the normal end and the reply
    // stays shown.
    ReplyBuffer.clear();
    ReplyCount = 0;
    if (!Rtu()) RcvEdit->setText(tr("Time out"));
}

void TesterPanel::SClearBtClick() {
    ClearReply();
    ReplyInfoLb->clear();
}

void TesterPanel::SExitBtClick() {
    StopRepeating();
    exchange_.Abandon();
    exchange_.Line().Close(exchange_.Tool());
    hide();
    ClearReply();
    emit Closed();
}

} // namespace vrx
