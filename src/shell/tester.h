// TESTPL, the command tester panel of the Main window: one Modbus request at a time.
#pragma once

#include <QFrame>

class QComboBox;

namespace vrx {

class SerialPort;
class TVRW1;

class TesterPanel : public QFrame {
    Q_OBJECT
public:
    TesterPanel(SerialPort& port, QWidget* parent);
    // The Protocol window is created after the Main window, so it arrives late.
    void SetProtocol(TVRW1* protocol) { protocol_ = protocol; }

    // Opening the tester, after the Main window's line check: shows the panel, sets up and
    // opens the port with its reply timer, and gives Send the focus.
    void OpenTester();
    // "Close": stops repeating, forgets a pending reply, closes the port and hides the panel.
    void SExitBtClick();

    // The command list draws its own items; the Main window sets their height.
    void SetCmdItemHeight(int height);
    int CmdItemHeight() const { return cmdItemHeight_; }

    QComboBox* SCmdBox = nullptr;

signals:
    // The panel was closed by its own button; the Main window returns to idle.
    void Closed();

private:
    TVRW1* protocol_ = nullptr;
    SerialPort& port_;
    int cmdItemHeight_ = 15;
};

} // namespace vrx
