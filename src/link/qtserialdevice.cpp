// QSerialPort configured the way the controllers' line needs it.
#include "qtserialdevice.h"

#include <QFileInfo>
#include <QSet>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace vrx {

namespace {

// Devices open in this process, by canonical path.
QSet<QString>& Claimed() {
    static QSet<QString> claimed;
    return claimed;
}

QString Canonical(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

QSerialPort::Parity ToQt(Parity parity) {
    switch (parity) {
    case Parity::Odd:
        return QSerialPort::OddParity;
    case Parity::Even:
        return QSerialPort::EvenParity;
    case Parity::None:
        break;
    }
    return QSerialPort::NoParity;
}

// A hung-up line (the far end of a pty closed, an adapter gone) reads as end of file over and
// over; QSerialPort reports that as a read error each time, so look at the line itself.
bool HungUp(QSerialPort& serial) {
#ifdef Q_OS_UNIX
    pollfd line{int(serial.handle()), POLLIN, 0};
    return ::poll(&line, 1, 0) == 1 && (line.revents & (POLLHUP | POLLERR | POLLNVAL));
#else
    Q_UNUSED(serial);
    return false;
#endif
}

} // namespace

QtSerialDevice::QtSerialDevice(QString path, QObject* parent)
    : LineDevice(parent), path_(std::move(path)) {
    serial_.setPortName(path_);
    connect(&serial_, &QSerialPort::readyRead, this, &LineDevice::readyRead);
    connect(&serial_, &QSerialPort::errorOccurred, this, &QtSerialDevice::OnError);
}

QtSerialDevice::~QtSerialDevice() {
    Close();
}

bool QtSerialDevice::Open(const LineSettings& settings, QString* error) {
    if (IsOpen()) return true;
    busy_ = false;
    const QString canonical = Canonical(path_);
    if (Claimed().contains(canonical)) {
        *error = tr("%1 is in use").arg(path_);
        busy_ = true;
        return false;
    }
    // Parameters go in before the open, which applies them all in one step; a pty ignores
    // what it cannot represent (parity, 7 bits) instead of refusing the open.
    if (!Apply(settings, error)) return false;
    if (!serial_.open(QIODevice::ReadWrite)) {
        *error = tr("%1: %2").arg(path_, serial_.errorString());
        // A lock or exclusive use by another program is reported as a permission error too;
        // with the rights to read and write the device, it is that.
        const QFileInfo device(path_);
        busy_ = serial_.error() == QSerialPort::PermissionError && device.exists() &&
                device.isReadable() && device.isWritable();
        return false;
    }
    serial_.setReadBufferSize(4096);
    // Adapters that power their line drivers from the modem lines need both raised; a pty has
    // none, and refusing it would make no difference on the wire.
    serial_.setDataTerminalReady(true);
    serial_.setRequestToSend(true);
    serial_.clearError();
    Claimed().insert(canonical);
    claimed_ = canonical;
    lossQueued_ = false;
    return true;
}

void QtSerialDevice::Close() {
    if (serial_.isOpen()) serial_.close();
    if (!claimed_.isEmpty()) Claimed().remove(claimed_);
    claimed_.clear();
}

bool QtSerialDevice::Apply(const LineSettings& settings, QString* error) {
    const bool ok =
        serial_.setBaudRate(settings.baud) &&
        serial_.setDataBits(QSerialPort::DataBits(settings.dataBits)) &&
        serial_.setParity(ToQt(settings.parity)) &&
        serial_.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
        serial_.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) *error = tr("%1: %2").arg(path_, serial_.errorString());
    return ok;
}

bool QtSerialDevice::Write(const QByteArray& bytes) {
    if (!IsOpen()) return false;
    if (serial_.bytesToWrite() + bytes.size() > 4096) return false;
    return serial_.write(bytes) == bytes.size();
}

QByteArray QtSerialDevice::ReadAll() {
    return serial_.readAll();
}

void QtSerialDevice::OnError(QSerialPort::SerialPortError error) {
    // Only a vanished device ends the line; a pty refusing modem-line control does not.
    if (lossQueued_ || !IsOpen()) return;
    const bool gone =
        error == QSerialPort::ResourceError || (error == QSerialPort::ReadError && HungUp(serial_));
    if (!gone) return;
    lossQueued_ = true;
    // Closed from the event loop, not from inside QSerialPort's own notifier.
    QMetaObject::invokeMethod(this, &QtSerialDevice::HandleLoss, Qt::QueuedConnection);
}

void QtSerialDevice::HandleLoss() {
    if (!IsOpen()) return;
    const QString reason = serial_.errorString();
    Close();
    emit lost(reason.isEmpty() ? tr("the device is gone") : reason);
}

bool QtSerialDevice::Probe(const QString& path) {
    if (Claimed().contains(Canonical(path))) return true;
    QSerialPort probe;
    probe.setPortName(path);
    if (probe.open(QIODevice::ReadWrite)) {
        probe.close();
        return true;
    }
    // In use by another program still means the port is there.
    return probe.error() == QSerialPort::PermissionError;
}

} // namespace vrx
