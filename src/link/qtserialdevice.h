// The real serial device, over QSerialPort.
#pragma once

#include "linedevice.h"

#include <QSerialPort>

namespace vrx {

// Opens the device for exclusive use (also within this process, where the system's lock would
// not stop a second open by root), raw 8-bit, DTR and RTS raised, no flow control. A
// pseudo-terminal carries bytes unchanged whatever its settings: it gets the settings it takes,
// is opened all the same, and what it refused is logged once.
class QtSerialDevice final : public LineDevice {
    Q_OBJECT
public:
    explicit QtSerialDevice(QString path, QObject* parent = nullptr);
    ~QtSerialDevice() override;

    bool Open(const LineSettings& settings, QString* error) override;
    void Close() override;
    bool IsOpen() const override { return serial_.isOpen(); }
    bool Apply(const LineSettings& settings, QString* error) override;
    bool Write(const QByteArray& bytes) override;
    QByteArray ReadAll() override;
    QString Name() const override { return path_; }
    bool Busy() const override { return busy_; }

    // True when the device is there: it opens, or it is refused only because it is in use.
    static bool Probe(const QString& path);

private:
    void OnError(QSerialPort::SerialPortError error);
    void HandleLoss();
    // Applies each setting on its own to the open pty; what it refuses is left as it is.
    void ApplyToPty(const LineSettings& settings);

    QString path_;
    QString claimed_;
    bool pty_ = false;
    QString refusedSaid_; // what the open pty was said to refuse
    QSerialPort serial_;
    bool lossQueued_ = false;
    bool busy_ = false;
};

} // namespace vrx
