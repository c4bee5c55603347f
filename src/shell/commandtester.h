// TESTPL, the command tester panel of the Main window: one Modbus request at a time.
#pragma once

#include "clock.h"
#include "exchange.h"
#include "testerrequest.h"

#include <QFrame>

#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace vrx {

class TVRW1;

class TesterPanel : public QFrame {
    Q_OBJECT
public:
    TesterPanel(LineOwner& line, QWidget* parent);
    // The Protocol window is created after the Main window, so it arrives late.
    void SetProtocol(TVRW1* protocol) { protocol_ = protocol; }

    // Opening the tester, after the Main window's line check: shows the panel, sets up and
    // opens the port with its reply timer, and gives Send the focus.
    void OpenTester();

    // The command list draws its own items; the Main window sets their height.
    void SetCmdItemHeight(int height);
    int CmdItemHeight() const { return cmdItemHeight_; }

    // Handlers. SCmdBoxSelect runs for a choice in SCmdBox and for every change of SCOMAddr,
    // SFunc and SDataLen; source tells them apart. SendBtClick serves SendBt and RSendBt.
    void SCmdBoxSelect(QObject* source);
    void Edit1Change(QLineEdit* edit);
    void UserCmdChange();
    void SendBtClick(QObject* sender);
    void Timer1Timer();
    // The reply ended: at frameEnd bytes, or (-1) by the time-out.
    void ReplyEnded(qsizetype frameEnd);
    // The tester holds the line.
    bool HoldsLine() const { return exchange_.HoldsLine(); }
    void SClearBtClick();
    // "Close": stops repeating, forgets a pending reply, closes the port and hides the panel.
    void SExitBtClick();

    QLabel* SingleCmdLb = nullptr;
    QLabel* AddrSendLb = nullptr;
    QLineEdit* SCOMAddr = nullptr;
    QLabel* CmdSendLb = nullptr;
    QComboBox* SCmdBox = nullptr;
    QLineEdit* UserCmd = nullptr;
    QLabel* FuncSendLb = nullptr;
    QLineEdit* SFunc = nullptr;
    QLabel* DataLenLb = nullptr;
    QLineEdit* SDataLen = nullptr;
    QLabel* CheckSumSendLb = nullptr;
    QLineEdit* SChkSum = nullptr;
    QLabel* SendLb = nullptr;
    QLineEdit* SendEdit = nullptr;
    QLabel* RcvLb = nullptr;
    QLineEdit* RcvEdit = nullptr;
    // How long the reply took, and an exception reply in words.
    QLabel* ReplyInfoLb = nullptr;
    // The reply in values: a read's words, an exception, a write's echo.
    QPlainTextEdit* ReplyValues = nullptr;
    QGroupBox* MutiWrBox = nullptr;
    QLabel* MutiWrLB = nullptr;
    // Edit1 ... Edit8 by name; each one's "Tag" property is its word's position (1 to 8).
    std::array<QLineEdit*, WriteWordCount> DataEdits{};
    QLabel* Image2 = nullptr;
    QPushButton* SendBt = nullptr;
    QPushButton* RSendBt = nullptr;
    QPushButton* SClearBt = nullptr;
    QPushButton* SExitBt = nullptr;
    // The Traffic window, reachable while the tester holds the Main window's tool bar.
    QPushButton* TrafficBt = nullptr;
    ClockTimer* Timer1 = nullptr;

    // Tester state, kept while the program runs.
    std::array<QString, WriteWordCount> WriteWords; // word 1 at index 0
    QByteArray ReplyBuffer;
    quint16 ReplyCount = 0;
    bool Repeating = false;
    // The exchange knows: a request of the tester's is on the line, and what was last sent.
    bool AwaitingReply() const { return exchange_.Outstanding(); }
    const QByteArray& RequestText() const { return exchange_.Request(); }
    quint16 ReplyTicks = 36;

signals:
    // The panel was closed by its own button; the Main window returns to idle.
    void Closed();
    // The user asks for the Traffic window, to watch the tester's frames.
    void trafficWindowRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildFields();
    void BuildWriteContent();
    void BuildButtons();
    void ComposeRequest();
    bool Rtu() const;
    void StopRepeating();
    void SendRequest(const QByteArray& request);
    void EnsurePortReady();
    void TakeBytes(const QByteArray& chunk);
    void ShowReplyInfo(bool replied);
    void ShowReplyValues(bool replied);
    void ClearReply();
    void PlaceUserCmd();

    TVRW1* protocol_ = nullptr;
    Exchange exchange_;
    int cmdItemHeight_ = 15;
    // The framing the send line was last composed for; -1 before the first composition.
    int composedRtu_ = -1;
};

} // namespace vrx
