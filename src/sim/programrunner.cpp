// The ramp/soak program runner.
#include "programrunner.h"

#include <algorithm>

namespace vrx::sim {

namespace {
// Values loaded from a master are stored as they come; never index the tables with them
// unchecked.
int Clamp(int value, int low, int high) {
    return std::clamp(value, low, high);
}
} // namespace

void ProgramRunner::Start(const ProgramTable& table) {
    running_ = true;
    finished_ = false;
    const int pattern = Clamp(table.startPattern, 0, 7);
    const double sv = table.setValue[pattern][0];
    loopsDone_ = 0;
    EnterStep(table, pattern, 0, sv);
}

void ProgramRunner::EnterStep(const ProgramTable& table, int pattern, int step, double fromSv) {
    pattern_ = pattern;
    step_ = step;
    elapsed_ = 0;
    fromSv_ = fromSv;
    toSv_ = table.setValue[pattern][step];
    stepSeconds_ = StepSeconds(table);
    workingSv_ = stepSeconds_ > 0 ? fromSv_ : toSv_;
}

double ProgramRunner::StepSeconds(const ProgramTable& table) const {
    return 60.0 * Clamp(table.minutes[pattern_][step_], 0, 900);
}

bool ProgramRunner::NextStep(const ProgramTable& table) {
    const double endSv = toSv_;
    if (step_ < Clamp(table.maxStep[pattern_], 0, 7)) {
        EnterStep(table, pattern_, step_ + 1, endSv);
        return true;
    }
    if (loopsDone_ < table.loops[pattern_]) {
        ++loopsDone_;
        EnterStep(table, pattern_, 0, endSv);
        return true;
    }
    const int next = table.link[pattern_];
    if (next < 0 || next > 7) return false; // 8 is "Prog End"; anything else ends it too
    loopsDone_ = 0;
    EnterStep(table, next, 0, endSv);
    return true;
}

void ProgramRunner::Advance(double seconds, const ProgramTable& table) {
    finished_ = false;
    if (!running_) return;
    // A cycle of patterns whose steps take no time would never let time pass; a bounded number
    // of step changes per call keeps such a program from spinning.
    int transitions = 0;
    double left = seconds;
    while (transitions < 256) {
        const double room = stepSeconds_ - elapsed_;
        if (left < room) {
            elapsed_ += left;
            break;
        }
        left -= std::max(room, 0.0);
        elapsed_ = stepSeconds_;
        ++transitions;
        if (!NextStep(table)) {
            workingSv_ = toSv_;
            running_ = false;
            finished_ = true;
            return;
        }
    }
    workingSv_ = stepSeconds_ > 0 ? fromSv_ + (toSv_ - fromSv_) * (elapsed_ / stepSeconds_) : toSv_;
}

double ProgramRunner::RemainingSeconds() const {
    return running_ ? std::max(stepSeconds_ - elapsed_, 0.0) : 0.0;
}

} // namespace vrx::sim
