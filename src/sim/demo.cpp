// The demo controllers.
#include "demo.h"

namespace vrx::sim {

namespace {

void SetAll(Controller& c, std::initializer_list<std::pair<int, int>> values) {
    for (const auto& [address, value] : values)
        c.Set(address, Word(value));
}

// A program that keeps running: pattern 0 soaks at 50.0, ramps to 120.0, soaks, cools to
// 80.0 and repeats once; pattern 1 ramps to 100.0 and back, then links to pattern 0 again.
void LoadDemoProgram(Controller& c) {
    SetAll(c, {{reg::StartPattern, 0},
               {reg::PatternMaxStep + 0, 3},
               {reg::PatternLoop + 0, 1},
               {reg::PatternLink + 0, 1},
               {reg::PatternMaxStep + 1, 1},
               {reg::PatternLoop + 1, 0},
               {reg::PatternLink + 1, 0}});
    const int steps[][2] = {{500, 2}, {1200, 5}, {1200, 5}, {800, 4}};
    for (int s = 0; s < 4; ++s) {
        c.Set(reg::StepTable + 2 * s, Word(steps[s][0]));
        c.Set(reg::StepTable + 2 * s + 1, Word(steps[s][1]));
    }
    const int pattern1[][2] = {{1000, 3}, {600, 3}};
    for (int s = 0; s < 2; ++s) {
        c.Set(reg::StepTable + 2 * (8 + s), Word(pattern1[s][0]));
        c.Set(reg::StepTable + 2 * (8 + s) + 1, Word(pattern1[s][1]));
    }
}

} // namespace

Controller DemoController(int address, int n) {
    switch (n % 4) {
    case 0: {
        Controller c(address, PlantModel{25.0, 400.0, 150.0, 500.0});
        SetAll(c, {{reg::InputType, 0},
                   {reg::SetValue, 1500},
                   {reg::Alarm1Mode, 2},
                   {reg::Alarm1High, 50}});
        return c;
    }
    case 1: {
        Controller c(address, PlantModel{22.0, 150.0, 80.0, 240.0}, 22.0);
        SetAll(c, {{reg::InputType, 12},
                   {reg::SetValue, 600},
                   {reg::ControlMethod, int(ControlMethod::OnOff)},
                   {reg::Hysteresis1, 10},
                   {reg::Alarm1Mode + 1, 6},
                   {reg::Alarm1High + 2, 800}});
        return c;
    }
    case 2: {
        Controller c(address, PlantModel{25.0, 300.0, 150.0, 400.0});
        SetAll(c, {{reg::InputType, 1}, {reg::SetValue, 500}});
        LoadDemoProgram(c);
        c.Set(reg::ControlMethod, int(ControlMethod::RampSoak)); // starts the program
        return c;
    }
    default: {
        Controller c(address, PlantModel{25.0, 200.0, 100.0, 120.0});
        SetAll(c, {{reg::InputType, 16},
                   {reg::ControlMethod, int(ControlMethod::Manual)},
                   {reg::Output1, 400}});
        return c;
    }
    }
}

std::vector<Controller> MakeControllers(const LineOptions& options) {
    std::vector<Controller> controllers;
    for (std::size_t i = 0; i < options.addresses.size(); ++i) {
        const int address = options.addresses[i];
        controllers.push_back(options.preset == Preset::Demo ? DemoController(address, int(i))
                                                             : Controller(address));
    }
    return controllers;
}

} // namespace vrx::sim
