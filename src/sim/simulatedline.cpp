// The in-process simulated line.
#include "simulatedline.h"

#include "demo.h"

#include <algorithm>
#include <map>

namespace vrx::sim {

namespace {

std::shared_ptr<ControllerBus> MakeBus(const LineOptions& options) {
    auto bus = std::make_shared<ControllerBus>(MakeControllers(options), options.speed);
    for (const Fault& fault : options.faults)
        bus->Faults().Add(fault);
    return bus;
}

char ParityLetter(Parity parity) {
    switch (parity) {
    case Parity::Odd:
        return 'O';
    case Parity::Even:
        return 'E';
    default:
        return 'N';
    }
}

QByteArray SevenBits(QByteArray bytes) {
    for (char& c : bytes)
        c = char(c & 0x7F);
    return bytes;
}

} // namespace

SimulatedLine::SimulatedLine(const QString& options, QObject* parent) : LineDevice(parent) {
    if (const auto parsed = ParseLineOptions(options, &optionsError_)) options_ = *parsed;
    bus_ = optionsError_.isEmpty() ? MakeBus(options_) : std::make_shared<ControllerBus>();
    receiver_ = FrameReceiver(options_.mode);
    silenceTimer_.setSingleShot(true);
    deliveryTimer_.setSingleShot(true);
    connect(&silenceTimer_, &ClockTimer::timeout, this, &SimulatedLine::OnSilence);
    connect(&deliveryTimer_, &ClockTimer::timeout, this, &SimulatedLine::Deliver);
}

SimulatedLine::SimulatedLine(std::shared_ptr<ControllerBus> bus, LineOptions options,
                             QObject* parent)
    : SimulatedLine(QString(), parent) {
    bus_ = std::move(bus);
    options_ = std::move(options);
    receiver_ = FrameReceiver(options_.mode);
}

SimulatedLine::~SimulatedLine() = default;

bool SimulatedLine::Open(const LineSettings& settings, QString* error) {
    if (!optionsError_.isEmpty()) {
        if (error) *error = optionsError_;
        return false;
    }
    settings_ = settings;
    open_ = true;
    receiver_.Reset();
    lineFreeMicros_ = 0;
    return true;
}

void SimulatedLine::Close() {
    open_ = false;
    silenceTimer_.stop();
    deliveryTimer_.stop();
    deliveries_.clear();
    received_.clear();
    receiver_.Reset();
}

bool SimulatedLine::Apply(const LineSettings& settings, QString*) {
    settings_ = settings;
    receiver_.Reset();
    return true;
}

qint64 SimulatedLine::CharacterMicros() const {
    return vrx::CharacterMicros(settings_);
}

LineFit SimulatedLine::Fit() const {
    return FitOf(options_, MasterLine{settings_.baud, settings_.stopBits, settings_.dataBits,
                                      ParityLetter(settings_.parity)});
}

bool SimulatedLine::Write(const QByteArray& bytes) {
    if (!open_) return false;
    // Replies are worked out now but only handed over by the event loop, never from here.
    if (Fit() != LineFit::Silent) Receive(settings_.dataBits == 7 ? SevenBits(bytes) : bytes);
    return true;
}

void SimulatedLine::Receive(const QByteArray& bytes) {
    // An ASCII frame is whole at its LF, which has still to cross the line.
    for (const ReceivedFrame& frame : receiver_.Feed(bytes))
        Answer(frame, NowMicros() + frame.bytes.size() * CharacterMicros());
    if (receiver_.Pending()) {
        // An RTU frame ends with 3.5 characters of silence after its last byte.
        silenceTimer_.startMicros((bytes.size() * 2 + 7) * CharacterMicros() / 2);
    }
}

void SimulatedLine::OnSilence() {
    // The frame and the silence after it have crossed the line by now.
    if (const auto frame = receiver_.Silence()) Answer(*frame, NowMicros());
}

void SimulatedLine::Answer(const ReceivedFrame& frame, qint64 requestEndMicros) {
    bus_->CatchUp(NowMicros());
    const std::vector<ReplyPiece> pieces = bus_->Respond(frame);
    if (pieces.empty()) return;
    // The controller turns round once the request is in and the line is free.
    qint64 at = std::max(requestEndMicros, lineFreeMicros_) + qint64(options_.turnaroundMs) * 1000;
    const qint64 perChar = CharacterMicros();
    for (const ReplyPiece& piece : pieces) {
        at += qint64(piece.delayMs) * 1000;
        QByteArray bytes = settings_.dataBits == 7 ? SevenBits(piece.bytes) : piece.bytes;
        if (Fit() == LineFit::Garbled) bytes = Garbled(bytes);
        for (int offset = 0; offset < bytes.size(); offset += ChunkBytes) {
            const QByteArray chunk = bytes.mid(offset, ChunkBytes);
            Schedule(at + (offset + chunk.size()) * perChar, chunk);
        }
        at += bytes.size() * perChar;
    }
    lineFreeMicros_ = at;
}

void SimulatedLine::Schedule(qint64 dueMicros, const QByteArray& bytes) {
    deliveries_.push_back({dueMicros, bytes});
    ArmDeliveryTimer();
}

void SimulatedLine::ArmDeliveryTimer() {
    if (deliveries_.empty()) return;
    deliveryTimer_.startMicros(deliveries_.front().dueMicros - NowMicros());
}

void SimulatedLine::Deliver() {
    // One chunk per notification, as the bytes come off the line.
    if (deliveries_.empty() || !open_) return;
    if (deliveries_.front().dueMicros > NowMicros()) {
        ArmDeliveryTimer();
        return;
    }
    received_.append(deliveries_.front().bytes);
    deliveries_.pop_front();
    ArmDeliveryTimer();
    emit readyRead();
}

QByteArray SimulatedLine::ReadAll() {
    QByteArray bytes;
    bytes.swap(received_);
    return bytes;
}

void InstallSimulatedLine() {
    // Controllers per option text, kept for the life of the program: a window that closes and
    // opens the port again finds them as it left them.
    auto buses = std::make_shared<std::map<QString, std::shared_ptr<ControllerBus>>>();
    InstallSimulatedLineFactory(
        [buses](const QString& text, QObject* parent) -> std::unique_ptr<LineDevice> {
            QString error;
            const std::optional<LineOptions> options = ParseLineOptions(text, &error);
            if (!options) return std::make_unique<SimulatedLine>(text, parent);
            std::shared_ptr<ControllerBus>& bus = (*buses)[text];
            if (!bus) bus = MakeBus(*options);
            return std::make_unique<SimulatedLine>(bus, *options, parent);
        });
}

} // namespace vrx::sim
