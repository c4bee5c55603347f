// Up to eight simulated controllers on one line: they share the process clock and the faults,
// and answer request frames as a real line would.
#pragma once

#include "controller.h"
#include "faults.h"
#include "framereceiver.h"
#include "modbusframe.h"

#include <QByteArray>

#include <optional>
#include <vector>

namespace vrx::sim {

// One part of a reply on the wire, sent delayMs after the previous part ended (the first one
// after the controller's usual turnaround).
struct ReplyPiece {
    int delayMs = 0;
    QByteArray bytes;
};

inline constexpr int MaxControllers = 8;

class ControllerBus {
public:
    explicit ControllerBus(std::vector<Controller> controllers = {}, double speed = 1.0);

    // The controller at a station address, or nullptr.
    Controller* Find(int address);
    std::vector<Controller>& Controllers() { return controllers_; }

    // Process time runs this many times faster than the wall clock.
    double Speed() const { return speed_; }
    void SetSpeed(double speed) { speed_ = speed; }
    // Lets the time since the last call pass on every controller: nowMicros is a monotonic
    // clock's reading, in microseconds.
    void CatchUp(qint64 nowMicros);
    // Lets process time pass on every controller.
    void Step(double seconds);

    // The controllers' reply to one received frame; empty when the line stays silent.
    std::vector<ReplyPiece> Respond(const ReceivedFrame& frame);
    // The reply PDU of one controller to a request PDU, faults aside.
    static Pdu Serve(Controller& controller, const Pdu& request);

    FaultPlan& Faults() { return faults_; }

private:
    std::vector<Controller> controllers_;
    double speed_;
    std::optional<qint64> lastMicros_;
    FaultPlan faults_;
};

} // namespace vrx::sim
