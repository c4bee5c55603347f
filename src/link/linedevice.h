// The small interface between SerialPort and whatever carries its bytes: a real serial device,
// a TCP connection, or the in-process simulated controllers.
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

// How long one character takes on the line: its start, data, parity and stop bits.
qint64 CharacterMicros(const LineSettings& settings);
// How long an exchange of these frame lengths takes on the line at the least: both frames and
// the silence of three and a half characters before each, rounded up to the millisecond.
int ExchangeLineMs(const LineSettings& settings, qsizetype requestBytes, qsizetype replyBytes);

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
    // A request as unit and PDU, on a line that converts frames (ConvertsFrames): what Write
    // makes of the frame that carries them, without taking them out of it again. false as
    // Write gives it; a line that carries frames as they are is never asked.
    virtual bool WritePdu(int unit, const QByteArray& pdu) {
        Q_UNUSED(unit);
        Q_UNUSED(pdu);
        return false;
    }
    // Everything received and not yet taken.
    virtual QByteArray ReadAll() = 0;
    // What the user knows the line by, for messages: a device path or a network endpoint;
    // empty when there is none.
    virtual QString Name() const { return {}; }
    // The last Open failed because the device is held by another program.
    virtual bool Busy() const { return false; }

    // False for a line that does not keep the gaps between bytes (TCP cuts and joins them as it
    // likes): a reply there ends by its length and check, or its LF, never by a silence.
    virtual bool KeepsGaps() const { return true; }
    // What the line adds to every reply time-out, in ms: a network's latency.
    virtual int ExtraReplyMs() const { return 0; }
    // False while an open network line is still connecting or waiting for its gateway: what is
    // written meanwhile goes out once it stands, and reply time-outs start then.
    virtual bool Connected() const { return IsOpen(); }
    // Where a network line goes ("tcp 10.0.0.7:4001"), for the traffic log; empty otherwise.
    virtual QString Endpoint() const { return {}; }
    // True when the bytes on the wire are not the frames written and read (Modbus TCP): the
    // device then reports the wire's bytes through wireTraffic, for the traffic log.
    virtual bool ConvertsFrames() const { return false; }

signals:
    void readyRead();
    // A network line that was connecting stands now.
    void connected();
    // Bytes as they went on (sent) or came off the wire, when ConvertsFrames.
    void wireTraffic(bool sent, const QByteArray& bytes);
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
