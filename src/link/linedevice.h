// The small interface between SerialPort and whatever carries its bytes: a real serial device,
// or the in-process simulated controllers.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace vrx {

enum class Parity { None, Odd, Even };
enum class Framing { Ascii, Rtu };

// Line parameters as the settings give them, and the framing spoken over them (the device
// ignores it; the engines frame their requests and end their replies by it).
struct LineSettings {
    qint32 baud = 9600;
    Parity parity = Parity::Even;
    int dataBits = 7;
    int stopBits = 1;
    Framing framing = Framing::Ascii;
    bool Rtu() const { return framing == Framing::Rtu; }
    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// One serial line as SerialPort sees it. Implementations deliver bytes in arrival order and
// signal readyRead from the event loop; they never call back into SerialPort re-entrantly from
// Write().
class LineDevice : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~LineDevice() override = default;

    // Opens for exclusive use; false with a reason when the device is missing, busy or refuses
    // the parameters.
    virtual bool Open(const LineSettings& settings, QString* error) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Changes the parameters of an open line; false with a reason when refused.
    virtual bool Apply(const LineSettings& settings, QString* error) = 0;
    // Queues bytes for transmission and returns at once; false when the output buffer cannot
    // take them all.
    virtual bool Write(const QByteArray& bytes) = 0;
    // Everything received and not yet taken.
    virtual QByteArray ReadAll() = 0;
    // What the user knows the line by, for messages: a device path; empty when there is none.
    virtual QString Name() const { return {}; }
    // The last Open failed because the device is held by another program.
    virtual bool Busy() const { return false; }

signals:
    void readyRead();
    // The line went away while open (adapter unplugged, peer gone); the device is closed when
    // this is emitted.
    void lost(const QString& reason);
};

// Builds the in-process simulated line from the options after "sim" in VRX_COMn. Installed by
// the program and by tests that want simulated controllers; link itself knows none.
using SimulatedLineFactory =
    std::function<std::unique_ptr<LineDevice>(const QString& options, QObject* parent)>;
void InstallSimulatedLineFactory(SimulatedLineFactory factory);
const SimulatedLineFactory& InstalledSimulatedLineFactory();

} // namespace vrx
