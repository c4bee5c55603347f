// LineOwner: the one port of the line, lent to one tool at a time.
#pragma once

#include "clock.h"
#include "comsettings.h"
#include "linequeue.h"
#include "serialport.h"

#include <QObject>
#include <QString>

namespace vrx {

// The names under which the tools hold the line; messages name the holder by them, translated.
namespace line_tool {
inline constexpr char Tester[] = QT_TRANSLATE_NOOP("vrx::LineOwner", "command tester");
inline constexpr char Monitor[] = QT_TRANSLATE_NOOP("vrx::LineOwner", "Monitor");
inline constexpr char Recorder[] = QT_TRANSLATE_NOOP("vrx::LineOwner", "Recorder");
} // namespace line_tool

// The tester, the Monitor and the Recorder share one line. Whoever opens it holds it until it
// closes it; while it is held, no other tool may open it, so the settings never change under an
// open port and two tools never put requests on the line at once.
// A line that goes away (adapter pulled, peer gone) stays its holder's: the owner tries to open
// it again once a second, quietly, and says when it is back, so the holder goes on by itself.
// The loss is said to the user once; a line that comes back and drops again is said again only
// after it has proved sound (SerialPort::AnnounceLoss), or after the holder opened it anew.
// The port's device is any LineDevice (serial, simulated), so the tools never know which.
class LineOwner : public QObject {
    Q_OBJECT
public:
    explicit LineOwner(QObject* parent = nullptr);

    SerialPort& Port() { return port_; }
    const SerialPort& Port() const { return port_; }

    // The requests of every user of the line, in turn.
    LineQueue& Queue() { return queue_; }

    // Sets the port to COMn `com` (0: the user chooses) with the settings and opens it for
    // `tool`. Throws PortError when the device cannot be opened (the line stays closed) and
    // when another tool holds the line.
    void Open(const QString& tool, int com, const LineSettings& settings);
    // Opens again with the settings the port has: the tester's later Send after a failed open.
    void Reopen(const QString& tool);
    // Closes the line when `tool` holds it (or waits for it to come back); anything else is
    // left alone.
    void Close(const QString& tool);

    // The line is open for `tool`: it may send.
    bool Holds(const QString& tool) const { return port_.Open() && holder_ == tool; }
    // The line went away under its holder and is being opened again.
    bool Recovering() const { return recovering_; }
    // The tool that holds the line (also while it comes back), or an empty text.
    QString Holder() const { return port_.Open() || recovering_ ? holder_ : QString(); }
    bool HeldByOther(const QString& tool) const {
        return (port_.Open() || recovering_) && holder_ != tool;
    }

    // How often a lost line is tried again.
    static constexpr int RetryMs = 1000;

signals:
    // The line went away under `tool`; it stays `tool`'s while it is tried again.
    void lost(const QString& tool);
    // The line is open again for `tool`, with the settings it had.
    void restored(const QString& tool);

private:
    void Claim(const QString& tool);
    void Retry();
    // The lost line is back for its holder.
    void Restore();
    // Stops trying a lost line (the holder took or gave it up itself); its next loss is said.
    void EndRecovery();

    SerialPort port_;
    LineQueue queue_{*this};
    QString holder_;
    bool recovering_ = false;
    ClockTimer retry_;
};

} // namespace vrx
