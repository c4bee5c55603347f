// One simulated VRX controller: its registers, its answers to function 03 and 06, and the
// process it controls. Pure: time passes only through Step().
#pragma once

#include "alarm.h"
#include "parametermemory.h"
#include "programrunner.h"
#include "registermap.h"
#include "thermalprocess.h"

#include <QtGlobal>

#include <array>
#include <vector>

namespace vrx::sim {

// What the input sees; anything but Normal puts a status code 0x80nn in the process value and
// drives the outputs off.
enum class InputStatus {
    Normal = 0,
    Waiting = 1,
    NoConnect = 3, // sensor disconnected
    InputError = 4,
    OverRange = 5,
    MemoryBad = 7,
};

struct ReadReply {
    Exception exception = Exception::None;
    std::vector<quint16> words;
};

class Controller {
public:
    explicit Controller(int address, PlantModel plant = {}, double temperatureC = 25.0);

    int Address() const { return address_; }

    // Function 03: 1 to 8 registers from first.
    ReadReply Read(int first, int count);
    // Function 06, also for a broadcast: the exception the controller answers with, or None.
    Exception Write(int address, quint16 value);

    // Lets seconds of process time pass.
    void Step(double seconds);

    // The front panel: changes a setting without the communication checks (write enable,
    // unlock), still within the register's limits. For the demo and for tests.
    bool Set(int address, quint16 value);
    // What a read would give now, without a read's side effects (the settings-changed bit and
    // the parameter-memory walk stay as they are). Unmapped registers give 0.
    quint16 Peek(int address) const;
    // The whole parameter memory as the 0x474C walk reads it.
    ParameterImage ParameterMemory() const;

    void SetInputStatus(InputStatus status) { inputStatus_ = status; }
    InputStatus GetInputStatus() const { return inputStatus_; }
    ThermalProcess& Process() { return process_; }
    const ThermalProcess& Process() const { return process_; }
    const ProgramRunner& Program() const { return program_; }

    // Factory settings, as 0x474E restores them.
    static std::array<quint16, 256> FactorySettings();

private:
    quint16& Stored(int address) { return stored_[address - reg::First]; }
    quint16 Stored(int address) const { return stored_[address - reg::First]; }
    Exception CheckValue(int address, quint16 value) const;
    void Apply(int address, quint16 value);
    void ChangeUnit(int unit);
    void ChangeInputType(int inputType);
    void StartOrResumeProgram();
    void RestoreDefaults();
    void ClearPvAdjust();

    bool Linear() const;
    // The measured value in register counts (before the status code check).
    double MeasuredCounts() const;
    // The status the process value shows: the input's, or over range.
    InputStatus EffectiveStatus() const;
    double ControlSetValue() const;
    ControlInputs LoopInputs() const;
    ProgramTable Table() const;
    quint16 LampBits() const;
    void Substep(double seconds);

    int address_;
    std::array<quint16, 256> stored_{};
    ThermalProcess process_;
    ProgramRunner program_;
    bool programHeld_ = false;
    std::array<Alarm, 3> alarms_{};
    ControlOutputs outputs_{};
    InputStatus inputStatus_ = InputStatus::Normal;
    bool unlocked_ = false;
    bool settingsChanged_ = false;
    int memoryCursor_ = 0;
    double clock_ = 0; // seconds of process time, for time-proportioned output lamps
};

} // namespace vrx::sim
