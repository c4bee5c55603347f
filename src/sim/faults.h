// Faults a test can inject into the simulated controllers' replies.
#pragma once

#include <QByteArray>

#include <vector>

namespace vrx::sim {

enum class FaultKind {
    NoAnswer,     // the request is not heard: no action, no reply
    BadChecksum,  // the reply's LRC or CRC is wrong
    WrongAddress, // the reply carries another station's address
    Exception,    // the request is refused with an exception reply (exceptionCode)
    Split,        // the reply comes in pieces with gaps between them
    Delay,        // the reply starts delayMs later than usual
    StrayBytes,   // bytes that belong to no frame follow the reply
};

struct Fault {
    FaultKind kind = FaultKind::NoAnswer;
    int address = 0;       // the station whose replies it spoils; 0 for every station
    int times = 0;         // how many replies it spoils; 0 until cleared
    int exceptionCode = 4; // Exception
    int pieces = 3;        // Split
    int gapMs = 10;        // Split: silence between pieces; StrayBytes: before the stray bytes
    int delayMs = 500;     // Delay
    QByteArray stray = QByteArray("\x00\xFF\x13", 3); // StrayBytes
};

// The faults in force. Each reply takes the faults that match its station, once.
class FaultPlan {
public:
    void Add(const Fault& fault) { faults_.push_back(fault); }
    void Clear() { faults_.clear(); }
    bool Empty() const { return faults_.empty(); }
    // The faults for one reply of the station; counted faults are used up.
    std::vector<Fault> Take(int address);

private:
    std::vector<Fault> faults_;
};

} // namespace vrx::sim
