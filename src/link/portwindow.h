// What every window with a line shares: its SerialPort with one reply timer, opened with the
// Protocol window's settings, and the warning when it cannot be opened.
#pragma once

#include "comsettings.h"
#include "serialport.h"

#include <QWidget>

namespace vrx {

class TVRW1;

// Applies the settings, opens the port and makes its idle reply timer of `ticks` in
// `timerId`. When the port cannot be opened it is left closed and a "Warning" box says
// failText. True when the port is open.
bool OpenOrWarn(QWidget* parent, const ComSelections& settings, SerialPort& port, int ticks,
                quint16& timerId, const QString& failText);

// A top-level window that owns a line: the Monitor and the Recorder. Being shown by the program
// runs its FormShow, being closed its FormClose.
class PortWindow : public QWidget {
    Q_OBJECT
public:
    PortWindow(TVRW1& protocol, QWidget* parent);

    // The window's line; the Main window reads its Open state for line ownership.
    SerialPort Port;
    quint16 ReplyTimerId = 0;

    virtual void FormShow() = 0;
    virtual void FormClose() = 0;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    // Opens Port with the settings of the Protocol window, or warns with failText.
    bool OpenPort(int ticks, const QString& failText);
    void ClosePort() { Port.SetOpen(false); }
    ComSelections Settings() const;

private:
    TVRW1& protocol_;
};

} // namespace vrx
