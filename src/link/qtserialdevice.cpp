// QSerialPort configured the way the controllers' line needs it.
#include "qtserialdevice.h"

#include "linelog.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringList>

#include <optional>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/sysmacros.h>
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

// The slave side of a pseudo-terminal: another program at the far end, not a wire. On Linux
// the slaves are the character devices of majors 136 to 143, shown under /dev/pts.
bool IsPseudoTerminal(const QString& canonical) {
#ifdef Q_OS_LINUX
    if (canonical.startsWith(QLatin1String("/dev/pts/"))) return true;
    struct stat device {};
    if (::stat(QFile::encodeName(canonical).constData(), &device) != 0) return false;
    const unsigned int kind = major(device.st_rdev);
    return S_ISCHR(device.st_mode) && kind >= 136 && kind <= 143;
#else
    Q_UNUSED(canonical);
    return false;
#endif
}

QString ParityName(Parity parity) {
    switch (parity) {
    case Parity::Odd:
        return QtSerialDevice::tr("odd parity");
    case Parity::Even:
        return QtSerialDevice::tr("even parity");
    case Parity::None:
        break;
    }
    return QtSerialDevice::tr("no parity");
}

struct CharacterFormat {
    int dataBits = 8;
    Parity parity = Parity::None;
    int stopBits = 1;
};

// The character format the terminal device holds; nothing where that cannot be read.
std::optional<CharacterFormat> HeldFormat(int handle) {
#ifdef Q_OS_UNIX
    termios held{};
    if (::tcgetattr(handle, &held) != 0) return std::nullopt;
    CharacterFormat format;
    switch (held.c_cflag & CSIZE) {
    case CS5:
        format.dataBits = 5;
        break;
    case CS6:
        format.dataBits = 6;
        break;
    case CS7:
        format.dataBits = 7;
        break;
    default:
        format.dataBits = 8;
        break;
    }
    if (held.c_cflag & PARENB) format.parity = held.c_cflag & PARODD ? Parity::Odd : Parity::Even;
    format.stopBits = held.c_cflag & CSTOPB ? 2 : 1;
    return format;
#else
    Q_UNUSED(handle);
    return std::nullopt;
#endif
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
    // Parameters go in before the open, which applies them all in one step. A pty refuses
    // 7 data bits and parity (the C library reports the kernel's 8 bits as EINVAL whenever the
    // call changed nothing else, as after a master killed with those settings); it opens with
    // the settings it always takes and gets the others one by one.
    pty_ = IsPseudoTerminal(canonical);
    refusedSaid_.clear();
    if (pty_) {
        LineSettings taken = settings;
        taken.dataBits = 8;
        taken.parity = Parity::None;
        if (!Apply(taken, error)) return false;
    } else if (!Apply(settings, error)) {
        return false;
    }
    if (!serial_.open(QIODevice::ReadWrite)) {
        *error = tr("%1: %2").arg(path_, serial_.errorString());
        // A lock or exclusive use by another program is reported as a permission error too;
        // with the rights to read and write the device, it is that.
        const QFileInfo device(path_);
        busy_ = serial_.error() == QSerialPort::PermissionError && device.exists() &&
                device.isReadable() && device.isWritable();
        return false;
    }
    if (pty_) ApplyToPty(settings);
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
    if (pty_ && IsOpen()) {
        ApplyToPty(settings);
        return true;
    }
    const bool ok =
        serial_.setBaudRate(settings.baud) &&
        serial_.setDataBits(QSerialPort::DataBits(settings.dataBits)) &&
        serial_.setParity(ToQt(settings.parity)) &&
        serial_.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
        serial_.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) *error = tr("%1: %2").arg(path_, serial_.errorString());
    return ok;
}

void QtSerialDevice::ApplyToPty(const LineSettings& settings) {
    QStringList refused;
    if (!serial_.setBaudRate(settings.baud)) refused << tr("%1 baud").arg(settings.baud);
    serial_.setDataBits(QSerialPort::DataBits(settings.dataBits));
    serial_.setParity(ToQt(settings.parity));
    serial_.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    if (!serial_.setFlowControl(QSerialPort::NoFlowControl)) refused << tr("no flow control");
    serial_.clearError();
    // What the pty holds, not what each call said: the C library reports a refused bit only
    // when the same call changed nothing else, so the answer depends on what came before.
    if (const std::optional<CharacterFormat> held = HeldFormat(int(serial_.handle()))) {
        if (held->dataBits != settings.dataBits)
            refused << tr("%1 data bits").arg(settings.dataBits);
        if (held->parity != settings.parity) refused << ParityName(settings.parity);
        if (held->stopBits != settings.stopBits)
            refused << tr("%1 stop bits").arg(settings.stopBits);
    }
    // Said once while the line is open: settings applied again, refused the same, add nothing.
    const QString said = refused.join(QStringLiteral(", "));
    if (refused.isEmpty() || said == refusedSaid_) return;
    refusedSaid_ = said;
    qCInfo(lcLine).noquote()
        << tr("%1 is a pseudo-terminal and does not take %2; it carries the bytes unchanged "
              "all the same")
               .arg(path_, said);
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
