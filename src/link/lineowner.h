// LineOwner: the one port of the line, lent to one tool at a time.
#pragma once

#include "comsettings.h"
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
// closes it or the line is lost; while it is held, no other tool may open it, so the settings
// never change under an open port and two tools never put requests on the line at once.
// The port's device is any LineDevice (serial, simulated), so the tools never know which.
class LineOwner : public QObject {
    Q_OBJECT
public:
    explicit LineOwner(QObject* parent = nullptr);

    SerialPort& Port() { return port_; }
    const SerialPort& Port() const { return port_; }

    // Applies the selections to the port and opens it for `tool`. Throws PortError when the
    // device cannot be opened (the line stays closed) and when another tool holds the line.
    void Open(const QString& tool, const ComSelections& selections);
    // Opens again with the settings the port has: the tester's later Send after a failed open.
    void Reopen(const QString& tool);
    // Closes the line when `tool` holds it; anything else is left alone.
    void Close(const QString& tool);

    bool Holds(const QString& tool) const { return port_.Open() && holder_ == tool; }
    // The tool that holds the line, or an empty text while it is closed.
    QString Holder() const { return port_.Open() ? holder_ : QString(); }
    bool HeldByOther(const QString& tool) const { return port_.Open() && holder_ != tool; }

signals:
    // The line went away under `tool`, which no longer holds it.
    void lost(const QString& tool);

private:
    void Claim(const QString& tool);

    SerialPort port_;
    QString holder_;
};

} // namespace vrx
