// Alarm evaluation.
#include "alarm.h"

namespace vrx::sim {

namespace {
bool Outside(int mode, double upper, double lower, double pv, double sv) {
    switch (mode) {
    case 1:
    case 8:
        return pv > sv + upper || pv < sv - lower;
    case 2:
    case 9:
        return pv > sv + upper;
    case 3:
    case 10:
        return pv < sv - lower;
    default:
        return false;
    }
}
} // namespace

bool Alarm::Evaluate(int mode, double upper, double lower, double pv, double sv) {
    switch (static_cast<AlarmMode>(mode)) {
    case AlarmMode::Deviation:
    case AlarmMode::DeviationHigh:
    case AlarmMode::DeviationLow:
        on_ = Outside(mode, upper, lower, pv, sv);
        break;
    case AlarmMode::ReverseDeviation:
        on_ = pv >= sv - lower && pv <= sv + upper;
        break;
    case AlarmMode::Absolute:
        on_ = pv >= upper || pv <= lower;
        break;
    case AlarmMode::AbsoluteHigh:
        on_ = pv >= upper;
        break;
    case AlarmMode::AbsoluteLow:
        on_ = pv <= lower;
        break;
    case AlarmMode::StandbyDeviation:
    case AlarmMode::StandbyHigh:
    case AlarmMode::StandbyLow: {
        const bool outside = Outside(mode, upper, lower, pv, sv);
        if (!outside) standbyPassed_ = true;
        on_ = standbyPassed_ && outside;
        break;
    }
    case AlarmMode::HysteresisHigh:
        if (pv > sv + upper)
            on_ = true;
        else if (pv < sv + upper - lower)
            on_ = false;
        break;
    case AlarmMode::HysteresisLow:
        if (pv < sv - lower)
            on_ = true;
        else if (pv > sv - lower + upper)
            on_ = false;
        break;
    default:
        on_ = false;
        break;
    }
    return on_;
}

} // namespace vrx::sim
