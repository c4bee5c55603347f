// A manual clock installed for the life of a fixture.
#pragma once

#include "clock.h"

namespace vrx::test {

// Every port, engine and simulated line made while it lives runs on time that the test moves.
class ManualTime final : public ManualClock {
public:
    explicit ManualTime(quint32 startMs = 0) : ManualClock(startMs) { Clock::Install(this); }
    ~ManualTime() override { Clock::Install(nullptr); }
};

} // namespace vrx::test
