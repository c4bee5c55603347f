// The controllers a simulated line starts with: the demo set, or factory-new ones.
#pragma once

#include "controller.h"
#include "simoptions.h"

#include <vector>

namespace vrx::sim {

// The demo controller for the n-th address (n counts from 0, the set repeats after four):
// 0 a K thermocouple under PID at 150.0 °C, 1 a Pt100 under ON-OFF at 60.0 °C, 2 a J
// thermocouple running a ramp/soak program, 3 a 4~20mA input on manual output at 40 %.
Controller DemoController(int address, int n);

// The controllers of a line with these options.
std::vector<Controller> MakeControllers(const LineOptions& options);

} // namespace vrx::sim
