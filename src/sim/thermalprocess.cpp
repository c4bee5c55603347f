// The plant and its control loop.
#include "thermalprocess.h"

#include <algorithm>
#include <cmath>

namespace vrx::sim {

ThermalProcess::ThermalProcess(PlantModel plant, double temperatureC)
    : plant_(plant), temperatureC_(temperatureC) {}

void ThermalProcess::ResetLoop() {
    integralPrimed_ = false;
    havePrevious_ = false;
    slope_ = 0;
    relay1_ = relay2_ = false;
    tuningElapsed_ = 0;
}

ControlOutputs ThermalProcess::Step(double seconds, const ControlInputs& in, double pv) {
    tuningFinished_ = false;
    ControlOutputs out;
    if (in.running) {
        if (in.autoTuning &&
            (in.method == ControlMethod::Pid || in.method == ControlMethod::RampSoak)) {
            // The relay test: full output below the set value, none above it.
            out = OnOff(in, pv, 0.0);
            tuningElapsed_ += seconds;
            if (tuningElapsed_ >= TuningSeconds) {
                tuningFinished_ = true;
                ResetLoop();
            }
        } else {
            tuningElapsed_ = 0;
            switch (in.method) {
            case ControlMethod::Pid:
            case ControlMethod::RampSoak:
                out = Pid(seconds, in, pv);
                break;
            case ControlMethod::OnOff:
                out = OnOff(in, pv, in.hysteresis1);
                break;
            case ControlMethod::Manual:
                out = {std::clamp(in.manual1Percent, 0.0, 100.0),
                       std::clamp(in.manual2Percent, 0.0, 100.0)};
                break;
            }
        }
    } else {
        ResetLoop();
    }
    previousPv_ = pv;
    havePrevious_ = true;
    Heat(seconds, in, out);
    return out;
}

ControlOutputs ThermalProcess::Pid(double seconds, const ControlInputs& in, double pv) {
    // Cooling modes turn the error around: more output when the value is above the set value.
    const bool coolFirst = in.heatCool == 1 || in.heatCool == 3;
    const double sign = coolFirst ? -1.0 : 1.0;
    const double band = std::max(in.proportionalBand, 1.0);
    const double error = sign * (in.setValue - pv);
    const double p = 100.0 * error / band;
    // Derivative on the measured value, not the error, so a set value change gives no kick;
    // filtered over an eighth of the derivative time as controllers do against noise.
    if (havePrevious_ && seconds > 0) {
        const double raw = (pv - previousPv_) / seconds;
        const double filter = std::max(in.derivativeSeconds / 8.0, seconds);
        slope_ += (raw - slope_) * (seconds / filter);
    }
    const double d = -100.0 * in.derivativeSeconds * sign * slope_ / band;

    double demand;
    if (in.integralSeconds > 0) {
        if (!integralPrimed_) {
            integral_ = in.integralOffsetPercent;
            integralPrimed_ = true;
        }
        const double unclamped = p + integral_ + d;
        // Anti-windup: the integral only grows while the output is not pinned in that direction.
        const double step = p * seconds / in.integralSeconds;
        if ((unclamped < 100.0 || step < 0) && (unclamped > -100.0 || step > 0)) integral_ += step;
        integral_ = std::clamp(integral_, -100.0, 100.0);
        demand = p + integral_ + d;
    } else {
        demand = p + d + in.pdOffsetPercent;
    }
    demand = std::clamp(demand, -100.0, 100.0);

    ControlOutputs out;
    if (in.heatCool < 2) {
        out.out1Percent = std::max(demand, 0.0);
        return out;
    }
    // Two outputs: the second one works the other way, beyond the dead band and scaled by the
    // P coefficient.
    const double deadBandPercent = 100.0 * in.deadBand / band;
    const double second = std::max(-demand - deadBandPercent, 0.0) * in.coolCoefficient;
    out.out1Percent = std::max(demand, 0.0);
    out.out2Percent = std::clamp(second, 0.0, 100.0);
    return out;
}

ControlOutputs ThermalProcess::OnOff(const ControlInputs& in, double pv, double hysteresis) {
    const bool coolFirst = in.heatCool == 1 || in.heatCool == 3;
    // Output 1 switches on beyond the hysteresis below the set value (above it when cooling) and
    // off again at the set value.
    const double error = (coolFirst ? -1.0 : 1.0) * (in.setValue - pv);
    if (error > hysteresis)
        relay1_ = true;
    else if (error <= 0)
        relay1_ = false;
    ControlOutputs out;
    out.out1Percent = relay1_ ? 100.0 : 0.0;
    if (in.heatCool >= 2) {
        // The second output acts on the other side, beyond the dead band.
        const double beyond = -error - in.deadBand;
        if (beyond > in.hysteresis2)
            relay2_ = true;
        else if (beyond <= 0)
            relay2_ = false;
        out.out2Percent = relay2_ ? 100.0 : 0.0;
    }
    return out;
}

void ThermalProcess::Heat(double seconds, const ControlInputs& in, const ControlOutputs& out) {
    double heat = 0;
    double cool = 0;
    switch (in.heatCool) {
    case 0:
        heat = out.out1Percent;
        break;
    case 1:
        cool = out.out1Percent;
        break;
    case 2:
        heat = out.out1Percent;
        cool = out.out2Percent;
        break;
    default:
        cool = out.out1Percent;
        heat = out.out2Percent;
        break;
    }
    const double target =
        plant_.ambientC + plant_.heatGainC * heat / 100.0 - plant_.coolGainC * cool / 100.0;
    // Exact solution of the first-order plant over the step, stable for any step length.
    const double decay = std::exp(-seconds / std::max(plant_.tauSeconds, 1.0));
    temperatureC_ = target + (temperatureC_ - target) * decay;
}

} // namespace vrx::sim
