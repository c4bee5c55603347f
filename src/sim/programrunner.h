// The ramp/soak program runner: walks patterns, steps, loops and links, and gives the working
// set value at every moment.
#pragma once

#include <array>

namespace vrx::sim {

// The program as the registers 0x4767-0x47FF hold it.
struct ProgramTable {
    int startPattern = 0;
    std::array<int, 8> maxStep{};
    std::array<int, 8> loops{};
    std::array<int, 8> link{};                    // 8 ends the program
    std::array<std::array<int, 8>, 8> setValue{}; // tenths
    std::array<std::array<int, 8>, 8> minutes{};
};

inline constexpr int ProgramEnd = 8;

// One run of a program. The first step of the start pattern holds its own set value for its
// time; every later step ramps from where the previous one ended to its set value, so the
// working set value follows the curve the editor draws. After "Prog End" the last set value
// is held.
class ProgramRunner {
public:
    void Start(const ProgramTable& table);
    void Stop() { running_ = false; }
    bool Running() const { return running_; }
    // True once after the program reached its end in the last Advance.
    bool Finished() const { return finished_; }

    void Advance(double seconds, const ProgramTable& table);

    double WorkingSetValue() const { return workingSv_; }
    int Pattern() const { return pattern_; }
    int Step() const { return step_; }
    // Seconds left in the current step.
    double RemainingSeconds() const;

private:
    void EnterStep(const ProgramTable& table, int pattern, int step, double fromSv);
    // Moves past the current step; false when the program has ended.
    bool NextStep(const ProgramTable& table);
    double StepSeconds(const ProgramTable& table) const;

    bool running_ = false;
    bool finished_ = false;
    int pattern_ = 0;
    int step_ = 0;
    int loopsDone_ = 0;
    double elapsed_ = 0; // seconds into the current step
    double stepSeconds_ = 0;
    double fromSv_ = 0;
    double toSv_ = 0;
    double workingSv_ = 0;
};

} // namespace vrx::sim
