// The table of parameter boxes.
#include "parameterboxes.h"

#include "registers.h"

#include <algorithm>
#include <array>

namespace vrx {

namespace {

using G = BoxGroup;
constexpr bool Tenths = true;
constexpr bool Whole = false;
constexpr bool Unlock = true;
constexpr bool Open = false;

// Boxes that show the same register in two groups write the same register.
constexpr EditBoxInfo Edits[] = {
    {"SetV", "SetVLB", G::Input, "SV", reg::SetValue, Tenths, Open},
    {"OUTQ1", "OUTQ1LB", G::Manual, "Output 1 %", reg::Output1, Tenths, Open},
    {"OUTQ2", "OUTQ2LB", G::Manual, "Output 2 %", reg::Output2, Tenths, Open},
    {"UpLimit", "UpLimitLB", G::Input, "Range Hi", reg::RangeHigh, Tenths, Open},
    {"DnLimit", "DnLimitLB", G::Input, "Range Lo", reg::RangeLow, Tenths, Open},
    {"UpLimit1", "UP1LLB", G::Alarm, "Up", reg::Alarm1High, Tenths, Open},
    {"DnLimit1", "DN1LLB", G::Alarm, "Down", reg::Alarm1High + 1, Tenths, Open},
    {"UpLimit2", "UP2LLB", G::Alarm, "Up", reg::Alarm1High + 2, Tenths, Open},
    {"DnLimit2", "DN2LLB", G::Alarm, "Down", reg::Alarm1High + 3, Tenths, Open},
    {"UpLimit3", "UP3LLB", G::Alarm, "Up", reg::Alarm1High + 4, Tenths, Open},
    {"DnLimit3", "DN3LLB", G::Alarm, "Down", reg::Alarm3Low, Tenths, Open},
    {"KP", "KPLB", G::Pid, "Pb", reg::ProportionalBand, Tenths, Open},
    {"KI", "KILB", G::Pid, "Ti", reg::IntegralTime, Whole, Open},
    {"KD", "KDLB", G::Pid, "Td", reg::DerivativeTime, Whole, Open},
    {"SumOffs", "SUMOFSLB", G::Pid, "I Offset", reg::IntegralOffset, Tenths, Open},
    {"PDOffs", "PDOFSLB", G::Pid, "PD Offset", reg::PdOffset, Whole, Open},
    {"Coeff", "CoeffLB", G::Pid, "P Coefficient", reg::PCoefficient, Tenths, Open},
    {"DeadBand1", "DeadBand1LB", G::Pid, "DeadBand", reg::DeadBand, Tenths, Open},
    {"DeadBand2", "DeadBand2LB", G::OnOff, "DeadBand", reg::DeadBand, Tenths, Open},
    {"Hyst1", "Hyst1LB", G::OnOff, "Hystersis 1", reg::Hysteresis1, Tenths, Open},
    {"Hyst2", "Hyst2LB", G::OnOff, "Hysterisis 2", reg::Hysteresis2, Tenths, Open},
    {"CurrHi", "CurrHiLB", G::Manual, "Tune Out High ", reg::TuneOutHigh, Whole, Open},
    {"CurrLo", "CurrLoLB", G::Manual, "Tune Out Low", reg::TuneOutLow, Whole, Open},
    {"HCPeriodPID1", "HCPeriodPID1LB", G::Pid, "Ctrl. Period1", reg::ControlPeriod1, Whole, Open},
    {"HCPeriod1", "HCPeriod1LB", G::Manual, "Ctrl. Period1", reg::ControlPeriod1, Whole, Open},
    {"HCPeriodPID2", "HCPeriodPID2LB", G::Pid, "Ctrl. Period2", reg::ControlPeriod2, Whole, Open},
    {"HCPeriod2", "HCPeriod2LB", G::Manual, "Ctrl. Period2", reg::ControlPeriod2, Whole, Open},
    {"TPOffs", "TPOffsLB", G::Adjust, "PV Offset", reg::PvOffset, Tenths, Open},
    {"RTDOfs", "RTDOfsLB", G::Adjust, "RTD Offset", reg::RtdOffset, Tenths, Unlock},
    {"RTDGain", "RTDGainLB", G::Adjust, "RTD Gain", reg::RtdGain, Whole, Unlock},
    {"TCOfs", "TCOfsLB", G::Adjust, "TC Offset", reg::TcOffset, Whole, Unlock},
    {"TCGain", "TCGainLB", G::Adjust, "TC Gain", reg::TcGain, Whole, Unlock},
    {"ColdOfs", "ColdLB", G::Adjust, "Cold-J Offset", reg::ColdJunctionOffset, Tenths, Unlock},
    {"mVOfs", "mVOfsLB", G::Adjust, "Linear Offset", reg::LinearOffset, Whole, Unlock},
    {"mVGain", "mVGainLB", G::Adjust, "Linear Gain", reg::LinearGain, Whole, Unlock},
};

constexpr const char* CtrlSetItems[] = {"PID", "ON-OFF", "Manual", "Ramp Soak"};
constexpr const char* RunStopItems[] = {"Stop", "Run", "Stop Program", "Hold Program"};
constexpr const char* HeatCoolItems[] = {"Heat", "Cool", "Heat/Cool", "Cool/Heat"};
constexpr const char* DisableEnable[] = {"Disable", "Enable"};
constexpr const char* StopStart[] = {"Stop", "Start"};
constexpr const char* LockItems[] = {"Normal", "Lock All", "Except SV"};
constexpr const char* Output1Items[] = {"Relay", "Voltage Pulse", "4~20mA",
                                        "0~5V",  "0~10V",         "None"};
constexpr const char* Output2Items[] = {"Relay", "Voltage Pulse", "None"};
constexpr const char* InputItems[] = {"K-Type", "J-Type", "T-Type", "E-Type", "N-Type", "R-Type",
                                      "S-Type", "B-Type", "L-Type", "U-Type", "TXK",    "JPt100",
                                      "Pt100",  "0~5V",   "0~10V",  "0~20mA", "4~20mA", "0~50mV"};
constexpr const char* PointerItems[] = {"None", "1", "2", "3"};
constexpr const char* UnitItems[] = {"F", "C", "EU"};
constexpr const char* ProgDispItems[] = {"Pattern-Step", "SV", "Time Left"};
constexpr const char* AlarmModes[] = {"Alarm Disable",
                                      "Up-Down Limit",
                                      "Up Limit",
                                      "Down Limit",
                                      "Reverse Up-Down Limit",
                                      "Absolute Up-Down Limit",
                                      "Absolute Up Limit",
                                      "Absolute Down Limit",
                                      "Standby Up-Down Limit",
                                      "Standby Up Limit",
                                      "Standby Down Limit",
                                      "Hysterics Up Limit",
                                      "Hysterics Down Limit",
                                      "CT Alarm"};
constexpr const char* SystemAlarmItems[] = {"Disable", "Alarm1", "Alarm2", "Alarm3"};

const ComboBoxInfo Combos[] = {
    {"CtrlSet", "CtrlSetLB", G::Control, "Ctrl. Method", reg::ControlMethod, Open, CtrlSetItems},
    {"RunStop", "RunStopLB", G::Control, "Run/Stop", reg::RunStop, Open, RunStopItems},
    {"HeatCool", "HeatCoolLB", G::Control, "Heat/Cool", reg::HeatCool, Open, HeatCoolItems},
    {"ComWrite", "ComWriteLB", G::Control, "Com. Write", reg::CommWriteEnable, Open, DisableEnable},
    {"AT", "ATLB", G::Control, "Auto tuning", reg::AutoTuning, Open, StopStart},
    {"LockStatus", "LockStatusLB", G::Control, "Lock Status", reg::KeyLock, Open, LockItems},
    {"OutputType1", "OutType1LB", G::Control, "Output Type1", reg::OutputType1, Unlock,
     Output1Items},
    {"OutputType2", "OutType2LB", G::Control, "Output Type2", reg::OutputType2, Unlock,
     Output2Items},
    {"InputType", "InputTypeLB", G::Input, "Input Type", reg::InputType, Open, InputItems},
    {"Pointer", "PointerLB", G::Input, "Pointer", reg::DecimalPoint, Open, PointerItems},
    {"DegUnit", "DegUnitLB", G::Input, "Unit", reg::Unit, Open, UnitItems},
    // Takes the place of SetV, under the same caption, while a program runs the controller.
    {"ProgDisp", "SetVLB", G::Input, "SV", reg::ProgramDisplay, Open, ProgDispItems},
    {"ALM1Mode", "ALM1MLB", G::Alarm, "Alarm 1 Mode", reg::Alarm1Mode, Open, AlarmModes},
    {"ALM2Mode", "ALM2MLB", G::Alarm, "Alarm 2 Mode", reg::Alarm1Mode + 1, Open, AlarmModes},
    {"ALM3Mode", "ALM3MLB", G::Alarm, "Alarm 3 Mode", reg::Alarm1Mode + 2, Open, AlarmModes},
    {"SALMode", "SALModeLB", G::Alarm, "System Alarm", reg::SystemAlarm, Open, SystemAlarmItems},
};

} // namespace

std::span<const EditBoxInfo> EditBoxes() {
    return Edits;
}

std::span<const ComboBoxInfo> ComboBoxes() {
    return Combos;
}

const EditBoxInfo* FindEditBox(const QString& name) {
    const auto found = std::find_if(std::begin(Edits), std::end(Edits), [name](const auto& e) {
        return name == QLatin1String(e.name);
    });
    return found == std::end(Edits) ? nullptr : found;
}

const ComboBoxInfo* FindComboBox(const QString& name) {
    const auto found = std::find_if(std::begin(Combos), std::end(Combos), [name](const auto& c) {
        return name == QLatin1String(c.name);
    });
    return found == std::end(Combos) ? nullptr : found;
}

QStringList ComboItems(const QString& name) {
    QStringList items;
    if (const ComboBoxInfo* combo = FindComboBox(name))
        for (const char* item : combo->items)
            items << QString::fromLatin1(item);
    return items;
}

} // namespace vrx
