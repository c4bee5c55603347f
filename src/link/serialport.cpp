// Opening and closing the line, the input buffer, reply timers and the notification queue.
#include "serialport.h"

#include "comnaming.h"
#include "errors.h"
#include "guard.h"
#include "traffic.h"

#include <QCoreApplication>
#include <QEvent>

#include <limits>
#include <utility>

namespace vrx {

namespace {

// The traffic keeps of a frame what an exchange takes of a reply.
static_assert(TrafficFrame::MaxBytes == SerialPort::BufferSize);

// One event type carries every notification; the queue itself lives in the port.
const QEvent::Type DeliveryEvent = QEvent::Type(QEvent::registerEventType());

// The tick number is a 32-bit millisecond count divided by 55, so it wraps at this modulus.
constexpr quint32 TickModulus = 0xFFFFFFFFu / SerialPort::TickMs + 1;

SerialPort::PortChooser& Chooser() {
    static SerialPort::PortChooser chooser;
    return chooser;
}

} // namespace

void SerialPort::InstallPortChooser(PortChooser chooser) {
    Chooser() = std::move(chooser);
}

SerialPort::SerialPort(QObject* parent) : QObject(parent) {
    timerCheck_.setSingleShot(true);
    connect(&timerCheck_, &ClockTimer::timeout, this, &SerialPort::CheckTimers);
}

SerialPort::~SerialPort() {
    CloseDevice();
}

void SerialPort::SetComNumber(qint16 number) {
    if (number == comNumber_) return;
    comNumber_ = number;
    if (!Open()) return;
    // A new device under an open port: reopen there, keeping the timers the window holds.
    auto timers = timers_;
    const auto lastId = lastTimerId_;
    CloseDevice();
    OpenDevice();
    timers_ = std::move(timers);
    lastTimerId_ = lastId;
    ScheduleTimerCheck();
}

void SerialPort::SetBaud(qint32 baud) {
    if (baud == settings_.baud) return;
    settings_.baud = baud;
    ApplyToOpenLine();
}

void SerialPort::SetParity(vrx::Parity parity) {
    if (parity == settings_.parity) return;
    settings_.parity = parity;
    ApplyToOpenLine();
}

void SerialPort::SetDataBits(qint16 bits) {
    if (bits == settings_.dataBits) return;
    settings_.dataBits = bits;
    ApplyToOpenLine();
}

void SerialPort::SetStopBits(qint16 bits) {
    if (bits == settings_.stopBits) return;
    settings_.stopBits = bits;
    ApplyToOpenLine();
}

void SerialPort::SetFraming(Framing framing) {
    if (framing == settings_.framing) return;
    settings_.framing = framing;
    ApplyToOpenLine();
}

void SerialPort::ApplyToOpenLine() {
    if (!Open()) return;
    QString error;
    if (!device_->Apply(settings_, &error)) throw PortError(error);
}

void SerialPort::SetOpen(bool open) {
    if (open == Open()) return;
    if (open) {
        OpenDevice();
    } else {
        CloseDevice();
    }
}

void SerialPort::OpenDevice() {
    if (comNumber_ == 0) {
        const int chosen = Chooser() ? Chooser()() : 0;
        if (chosen <= 0 || chosen > 0x7FFF) throw PortError(tr("No serial port selected"));
        comNumber_ = qint16(chosen);
    }
    QString error;
    auto device = CreateLineDevice(comNumber_, &error);
    // Its reason names the COMn already.
    if (!device) throw PortError(error);
    if (!device->Open(settings_, &error)) {
        if (device->Busy())
            throw PortBusyError(
                tr("%1 (%2) is in use by another program").arg(ComName(), device->Name()));
        // The device's reason names the device; the user chose the line by its COMn.
        throw PortError(tr("%1: %2").arg(ComName(), error));
    }
    device_ = std::move(device);
    input_.clear();
    connect(device_.get(), &LineDevice::readyRead, this, &SerialPort::OnReadyRead);
    connect(device_.get(), &LineDevice::lost, this, &SerialPort::OnLost);
    connect(device_.get(), &LineDevice::connected, this, &SerialPort::OnConnected);
    // A line that converts frames logs what crosses the wire: Modbus TCP ADUs.
    log_.SetEndpoint(device_->Endpoint(), device_->ConvertsFrames());
    if (device_->Connected()) Stood();
    if (device_->ConvertsFrames())
        connect(device_.get(), &LineDevice::wireTraffic, this,
                [this](bool sent, const QByteArray& bytes) {
                    if (sent)
                        log_.Sent(comNumber_, bytes);
                    else
                        log_.Received(comNumber_, bytes);
                });
}

void SerialPort::CloseDevice() {
    if (!device_) return;
    log_.EndReceived(comNumber_);
    // Detach before closing, so nothing the device still emits reaches a closed port.
    device_->disconnect(this);
    device_->Close();
    device_.reset();
    input_.clear();
    timers_.clear();
    pending_.clear();
    timerCheck_.stop();
}

void SerialPort::EnsureOpen() {
    if (Open()) return;
    if (!openOnDemand_) throw PortError(tr("Serial port is not open"));
    SetOpen(true);
}

quint16 SerialPort::AddTimer() {
    EnsureOpen();
    do {
        ++lastTimerId_;
    } while (lastTimerId_ == 0 || timers_.count(lastTimerId_));
    timers_[lastTimerId_] = Timer{};
    return lastTimerId_;
}

void SerialPort::SetTimer(quint16 id, qint32 ticks, bool activate) {
    EnsureOpen();
    const auto found = timers_.find(id);
    if (found == timers_.end()) throw PortError(tr("Serial port has no timer %1").arg(id));
    Timer& timer = found->second;
    if (!activate) {
        timer.active = false;
    } else {
        if (ticks != 0) timer.length = quint32(qBound(0, ticks, MaxTicks));
        timer.armTick = CurrentTick();
        timer.active = true;
    }
    ScheduleTimerCheck();
}

quint8 SerialPort::ReadChar() {
    EnsureOpen();
    if (input_.isEmpty()) throw PortError(tr("Serial port: no received byte to read"));
    const auto byte = quint8(input_.front());
    input_.remove(0, 1);
    return byte;
}

QByteArray SerialPort::TakeInput() {
    EnsureOpen();
    return std::exchange(input_, {});
}

void SerialPort::SendText(const QByteArray& text) {
    EnsureOpen();
    if (text.size() > BufferSize || !device_->Write(text))
        throw PortError(tr("Serial port: output buffer full"));
    askedSinceStood_ = true;
    if (!device_->ConvertsFrames()) log_.Sent(comNumber_, text);
}

void SerialPort::Send(const Request& request, const QByteArray& frame, Framing framing,
                      const QString& origin) {
    EnsureOpen();
    if (frame.size() > BufferSize) throw PortError(tr("Serial port: output buffer full"));
    log_.SetNextOrigin(origin);
    const std::optional<SerialRequest> pdu =
        device_->ConvertsFrames() ? request.Pdu(framing) : std::nullopt;
    if (!(pdu ? device_->WritePdu(pdu->unit, pdu->pdu) : device_->Write(frame)))
        throw PortError(tr("Serial port: output buffer full"));
    askedSinceStood_ = true;
    if (!device_->ConvertsFrames()) log_.Sent(comNumber_, frame);
}

QString SerialPort::ComName() const {
    return QStringLiteral("COM%1").arg(comNumber_);
}

quint32 SerialPort::CurrentTick() const {
    return Clock::Current().Milliseconds() / TickMs;
}

quint32 SerialPort::TicksSince(quint32 tick) const {
    return (CurrentTick() + TickModulus - tick) % TickModulus;
}

int SerialPort::ExtraReplyTicks() const {
    const int ms = device_ ? device_->ExtraReplyMs() : 0;
    return (ms + TickMs - 1) / TickMs;
}

void SerialPort::OnConnected() {
    // Timers stood still while the line was connecting: what they time had not gone out.
    const quint32 now = CurrentTick();
    for (auto& [id, timer] : timers_)
        if (timer.active) timer.armTick = now;
    ScheduleTimerCheck();
    Stood();
    emit ConnectionStood();
}

void SerialPort::Stood() {
    stoodMs_ = Clock::Current().Milliseconds();
    askedSinceStood_ = false;
}

void SerialPort::CheckTimers() {
    if (!TimersRun()) return;
    for (auto& [id, timer] : timers_) {
        if (timer.active && TicksSince(timer.armTick) > timer.length) {
            timer.active = false;
            log_.EndReceived(comNumber_);
            Enqueue({PortEvent::TimerExpired, id, 0});
        }
    }
    ScheduleTimerCheck();
}

void SerialPort::ScheduleTimerCheck() {
    if (!TimersRun()) {
        timerCheck_.stop();
        return;
    }
    qint64 soonest = -1;
    const quint32 intoTick = Clock::Current().Milliseconds() % TickMs;
    for (const auto& [id, timer] : timers_) {
        if (!timer.active) continue;
        const qint64 ticksLeft = qint64(timer.length) + 1 - qint64(TicksSince(timer.armTick));
        const qint64 ms = qMax<qint64>(0, ticksLeft * TickMs - intoTick);
        if (soonest < 0 || ms < soonest) soonest = ms;
    }
    if (soonest < 0) {
        timerCheck_.stop();
    } else {
        timerCheck_.start(int(qMin<qint64>(soonest, std::numeric_limits<int>::max())));
    }
}

void SerialPort::OnReadyRead() {
    if (!device_) return;
    const QByteArray bytes = device_->ReadAll();
    if (bytes.isEmpty()) return;
    if (!device_->ConvertsFrames()) log_.Received(comNumber_, bytes);
    if (!announceLoss_ && askedSinceStood_ &&
        Clock::Current().Milliseconds() - stoodMs_ >= quint32(SoundAfterMs))
        announceLoss_ = true;
    input_.append(bytes);
    // Bytes that come before the last notification is delivered join it, so a burst makes one
    // notification; they never overtake an expiry queued before them.
    if (!pending_.empty() && pending_.back().kind == PortEvent::DataAvailable &&
        pending_.back().count + bytes.size() <= 0xFFFF) {
        pending_.back().count += quint32(bytes.size());
        return;
    }
    Enqueue({PortEvent::DataAvailable, 0, quint32(bytes.size())});
}

void SerialPort::OnLost(const QString& reason) {
    // The system's reason for a vanished device is rarely the user's ("Inappropriate ioctl for
    // device"); what happened is that the device is gone, and which one.
    const QString name = device_ ? device_->Name() : QString();
    const QString line =
        name.isEmpty() ? ComName() : QStringLiteral("%1 (%2)").arg(ComName(), name);
    // The line is tried again by itself; the user need not do anything to get it back.
    const QString text =
        tr("%1 was disconnected. It is opened again by itself as soon as it is back.").arg(line);
    qCDebug(lcLine).noquote() << text << "-" << reason;
    CloseDevice();
    const bool announce = announceLoss_;
    emit Lost();
    // Reported from an event of its own, not from inside the device's notification.
    if (announce)
        QMetaObject::invokeMethod(
            this,
            [this, text] {
                if (lossTeller_)
                    lossTeller_(text);
                else
                    ShowGeneralError(text);
            },
            Qt::QueuedConnection);
}

void SerialPort::Enqueue(const Notification& notification) {
    pending_.push_back(notification);
    PostDelivery();
}

void SerialPort::PostDelivery() {
    if (deliveryPosted_ || delivering_ || pending_.empty()) return;
    deliveryPosted_ = true;
    QCoreApplication::postEvent(this, new QEvent(DeliveryEvent));
}

bool SerialPort::event(QEvent* event) {
    if (event->type() != DeliveryEvent) return QObject::event(event);
    deliveryPosted_ = false;
    // A handler that runs a nested event loop (a message box) must not see the next
    // notification before it returns; delivery resumes when it does.
    if (delivering_ || pending_.empty()) return true;
    const Notification next = pending_.front();
    pending_.pop_front();
    delivering_ = true;
    struct Resume {
        SerialPort* port;
        ~Resume() {
            port->delivering_ = false;
            port->PostDelivery();
        }
    } resume{this};
    emit Notify(next.kind, next.id, quint16(next.count));
    return true;
}

} // namespace vrx
