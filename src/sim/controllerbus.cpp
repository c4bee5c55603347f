// Dispatch of request frames to the controllers, and the faults on their way back.
#include "controllerbus.h"

#include <algorithm>

namespace vrx::sim {

namespace {

constexpr int ReadHolding = 0x03;
constexpr int WriteSingle = 0x06;

Pdu ExceptionPdu(const Pdu& request, int code) {
    return {request.address, request.function | 0x80, QByteArray(1, char(code))};
}

int Word(const QByteArray& data, int at) {
    return quint8(data[at]) << 8 | quint8(data[at + 1]);
}

} // namespace

ControllerBus::ControllerBus(std::vector<Controller> controllers, double speed)
    : controllers_(std::move(controllers)), speed_(speed) {}

Controller* ControllerBus::Find(int address) {
    for (Controller& c : controllers_)
        if (c.Address() == address) return &c;
    return nullptr;
}

void ControllerBus::CatchUp(qint64 nowMicros) {
    if (lastMicros_) Step(double(nowMicros - *lastMicros_) / 1e6 * speed_);
    lastMicros_ = nowMicros;
}

void ControllerBus::Step(double seconds) {
    for (Controller& c : controllers_)
        c.Step(seconds);
}

Pdu ControllerBus::Serve(Controller& controller, const Pdu& request) {
    if (request.function == ReadHolding) {
        if (request.data.size() != 4) return ExceptionPdu(request, int(Exception::IllegalValue));
        const ReadReply read = controller.Read(Word(request.data, 0), Word(request.data, 2));
        if (read.exception != Exception::None) return ExceptionPdu(request, int(read.exception));
        Pdu reply{request.address, ReadHolding, QByteArray(1, char(2 * read.words.size()))};
        for (quint16 w : read.words) {
            reply.data.append(char(w >> 8));
            reply.data.append(char(w & 0xFF));
        }
        return reply;
    }
    if (request.function == WriteSingle) {
        if (request.data.size() != 4) return ExceptionPdu(request, int(Exception::IllegalValue));
        const Exception e = controller.Write(Word(request.data, 0), quint16(Word(request.data, 2)));
        if (e != Exception::None) return ExceptionPdu(request, int(e));
        return request; // the echo
    }
    return ExceptionPdu(request, int(Exception::IllegalFunction));
}

std::vector<ReplyPiece> ControllerBus::Respond(const ReceivedFrame& frame) {
    const std::optional<Pdu> request = Decode(frame.framing, frame.bytes);
    if (!request) return {}; // a damaged frame is not answered
    if (request->address == 0) {
        // Broadcast: every controller acts on a write, none answers.
        if (request->function == WriteSingle && request->data.size() == 4)
            for (Controller& c : controllers_)
                c.Write(Word(request->data, 0), quint16(Word(request->data, 2)));
        return {};
    }
    Controller* controller = Find(request->address);
    if (!controller) return {};

    const std::vector<Fault> faults = faults_.Take(request->address);
    auto has = [&faults](FaultKind kind) {
        return std::any_of(faults.begin(), faults.end(),
                           [kind](const Fault& f) { return f.kind == kind; });
    };
    auto find = [&faults](FaultKind kind) {
        return *std::find_if(faults.begin(), faults.end(),
                             [kind](const Fault& f) { return f.kind == kind; });
    };
    if (has(FaultKind::NoAnswer)) return {};

    Pdu reply = has(FaultKind::Exception)
                    ? ExceptionPdu(*request, find(FaultKind::Exception).exceptionCode)
                    : Serve(*controller, *request);
    if (has(FaultKind::WrongAddress)) reply.address = reply.address % 255 + 1;
    QByteArray bytes = Encode(frame.framing, reply);
    if (has(FaultKind::BadChecksum)) bytes = SpoilChecksum(frame.framing, bytes);

    std::vector<ReplyPiece> pieces;
    if (has(FaultKind::Split)) {
        const Fault split = find(FaultKind::Split);
        const int count = std::clamp(split.pieces, 1, int(bytes.size()));
        const int size = (int(bytes.size()) + count - 1) / count;
        for (int at = 0; at < bytes.size(); at += size)
            pieces.push_back({at == 0 ? 0 : split.gapMs, bytes.mid(at, size)});
    } else {
        pieces.push_back({0, bytes});
    }
    if (has(FaultKind::Delay)) pieces.front().delayMs += find(FaultKind::Delay).delayMs;
    if (has(FaultKind::StrayBytes)) {
        const Fault stray = find(FaultKind::StrayBytes);
        pieces.push_back({stray.gapMs, stray.stray});
    }
    return pieces;
}

} // namespace vrx::sim
