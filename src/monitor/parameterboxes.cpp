// The table of parameter boxes.
#include "parameterboxes.h"

#include "registers.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>

namespace vrx {

namespace {

using G = BoxGroup;
using T = TextFormat;
using I = ItemFormat;
constexpr bool Unlock = true;
constexpr bool Open = false;

// The scale of a typed number follows from how the box shows it, so the two cannot disagree.
constexpr EditBoxInfo Edit(const char* name, const char* label, BoxGroup group, const char* caption,
                           int reg, TextFormat format, bool unlockFirst) {
    return {name, label, group, caption, reg, format, TypedInTenths(format), unlockFirst};
}

// Boxes that show the same register in two groups write the same register. The settings read
// fills each box from its register's word, in its format.
constexpr EditBoxInfo Edits[] = {
    Edit("SetV", "SetVLB", G::Input, QT_TRANSLATE_NOOP("vrx::Parameters", "SV"), reg::SetValue,
         T::PointTenths, Open),
    Edit("OUTQ1", "OUTQ1LB", G::Manual, QT_TRANSLATE_NOOP("vrx::Parameters", "Output 1 %"),
         reg::Output1, T::Tenths, Open),
    Edit("OUTQ2", "OUTQ2LB", G::Manual, QT_TRANSLATE_NOOP("vrx::Parameters", "Output 2 %"),
         reg::Output2, T::Tenths, Open),
    Edit("UpLimit", "UpLimitLB", G::Input, QT_TRANSLATE_NOOP("vrx::Parameters", "Range Hi"),
         reg::RangeHigh, T::PointTenths, Open),
    Edit("DnLimit", "DnLimitLB", G::Input, QT_TRANSLATE_NOOP("vrx::Parameters", "Range Lo"),
         reg::RangeLow, T::PointTenths, Open),
    Edit("UpLimit1", "UP1LLB", G::Alarm, QT_TRANSLATE_NOOP("vrx::Parameters", "Up"),
         reg::Alarm1High, T::PointTenths, Open),
    Edit("DnLimit1", "DN1LLB", G::Alarm, QT_TRANSLATE_NOOP("vrx::Parameters", "Down"),
         reg::Alarm1High + 1, T::PointTenths, Open),
    Edit("UpLimit2", "UP2LLB", G::Alarm, QT_TRANSLATE_NOOP("vrx::Parameters", "Up"),
         reg::Alarm1High + 2, T::PointTenths, Open),
    Edit("DnLimit2", "DN2LLB", G::Alarm, QT_TRANSLATE_NOOP("vrx::Parameters", "Down"),
         reg::Alarm1High + 3, T::PointTenths, Open),
    Edit("UpLimit3", "UP3LLB", G::Alarm, QT_TRANSLATE_NOOP("vrx::Parameters", "Up"),
         reg::Alarm1High + 4, T::PointTenths, Open),
    Edit("DnLimit3", "DN3LLB", G::Alarm, QT_TRANSLATE_NOOP("vrx::Parameters", "Down"),
         reg::Alarm3Low, T::PointTenths, Open),
    Edit("KP", "KPLB", G::Pid, QT_TRANSLATE_NOOP("vrx::Parameters", "Pb"), reg::ProportionalBand,
         T::Tenths, Open),
    Edit("KI", "KILB", G::Pid, QT_TRANSLATE_NOOP("vrx::Parameters", "Ti"), reg::IntegralTime,
         T::Whole, Open),
    Edit("KD", "KDLB", G::Pid, QT_TRANSLATE_NOOP("vrx::Parameters", "Td"), reg::DerivativeTime,
         T::Whole, Open),
    Edit("SumOffs", "SUMOFSLB", G::Pid, QT_TRANSLATE_NOOP("vrx::Parameters", "I Offset"),
         reg::IntegralOffset, T::UnsignedTenths, Open),
    Edit("PDOffs", "PDOFSLB", G::Pid, QT_TRANSLATE_NOOP("vrx::Parameters", "PD Offset"),
         reg::PdOffset, T::Whole, Open),
    Edit("Coeff", "CoeffLB", G::Pid, QT_TRANSLATE_NOOP("vrx::Parameters", "P Coefficient"),
         reg::PCoefficient, T::Hundredths, Open),
    Edit("DeadBand1", "DeadBand1LB", G::Pid, QT_TRANSLATE_NOOP("vrx::Parameters", "DeadBand"),
         reg::DeadBand, T::PointTenths, Open),
    Edit("DeadBand2", "DeadBand2LB", G::OnOff, QT_TRANSLATE_NOOP("vrx::Parameters", "DeadBand"),
         reg::DeadBand, T::PointTenths, Open),
    Edit("Hyst1", "Hyst1LB", G::OnOff, QT_TRANSLATE_NOOP("vrx::Parameters", "Hystersis 1"),
         reg::Hysteresis1, T::Tenths, Open),
    Edit("Hyst2", "Hyst2LB", G::OnOff, QT_TRANSLATE_NOOP("vrx::Parameters", "Hysterisis 2"),
         reg::Hysteresis2, T::Tenths, Open),
    Edit("CurrHi", "CurrHiLB", G::Manual, QT_TRANSLATE_NOOP("vrx::Parameters", "Tune Out High "),
         reg::TuneOutHigh, T::Signed, Open),
    Edit("CurrLo", "CurrLoLB", G::Manual, QT_TRANSLATE_NOOP("vrx::Parameters", "Tune Out Low"),
         reg::TuneOutLow, T::Signed, Open),
    Edit("HCPeriodPID1", "HCPeriodPID1LB", G::Pid,
         QT_TRANSLATE_NOOP("vrx::Parameters", "Ctrl. Period1"), reg::ControlPeriod1, T::Whole,
         Open),
    Edit("HCPeriod1", "HCPeriod1LB", G::Manual,
         QT_TRANSLATE_NOOP("vrx::Parameters", "Ctrl. Period1"), reg::ControlPeriod1, T::Whole,
         Open),
    Edit("HCPeriodPID2", "HCPeriodPID2LB", G::Pid,
         QT_TRANSLATE_NOOP("vrx::Parameters", "Ctrl. Period2"), reg::ControlPeriod2, T::Whole,
         Open),
    Edit("HCPeriod2", "HCPeriod2LB", G::Manual,
         QT_TRANSLATE_NOOP("vrx::Parameters", "Ctrl. Period2"), reg::ControlPeriod2, T::Whole,
         Open),
    Edit("TPOffs", "TPOffsLB", G::Adjust, QT_TRANSLATE_NOOP("vrx::Parameters", "PV Offset"),
         reg::PvOffset, T::Tenths, Open),
    Edit("RTDOfs", "RTDOfsLB", G::Adjust, QT_TRANSLATE_NOOP("vrx::Parameters", "RTD Offset"),
         reg::RtdOffset, T::Tenths, Unlock),
    Edit("RTDGain", "RTDGainLB", G::Adjust, QT_TRANSLATE_NOOP("vrx::Parameters", "RTD Gain"),
         reg::RtdGain, T::Signed, Unlock),
    Edit("TCOfs", "TCOfsLB", G::Adjust, QT_TRANSLATE_NOOP("vrx::Parameters", "TC Offset"),
         reg::TcOffset, T::Signed, Unlock),
    Edit("TCGain", "TCGainLB", G::Adjust, QT_TRANSLATE_NOOP("vrx::Parameters", "TC Gain"),
         reg::TcGain, T::Signed, Unlock),
    Edit("ColdOfs", "ColdLB", G::Adjust, QT_TRANSLATE_NOOP("vrx::Parameters", "Cold-J Offset"),
         reg::ColdJunctionOffset, T::Tenths, Unlock),
    Edit("mVOfs", "mVOfsLB", G::Adjust, QT_TRANSLATE_NOOP("vrx::Parameters", "Linear Offset"),
         reg::LinearOffset, T::Signed, Unlock),
    Edit("mVGain", "mVGainLB", G::Adjust, QT_TRANSLATE_NOOP("vrx::Parameters", "Linear Gain"),
         reg::LinearGain, T::Signed, Unlock),
};

constexpr const char* CtrlSetItems[] = {"PID", QT_TRANSLATE_NOOP("vrx::Parameters", "ON-OFF"),
                                        QT_TRANSLATE_NOOP("vrx::Parameters", "Manual"),
                                        QT_TRANSLATE_NOOP("vrx::Parameters", "Ramp Soak")};
constexpr const char* RunStopItems[] = {QT_TRANSLATE_NOOP("vrx::Parameters", "Stop"),
                                        QT_TRANSLATE_NOOP("vrx::Parameters", "Run"),
                                        QT_TRANSLATE_NOOP("vrx::Parameters", "Stop Program"),
                                        QT_TRANSLATE_NOOP("vrx::Parameters", "Hold Program")};
constexpr const char* HeatCoolItems[] = {QT_TRANSLATE_NOOP("vrx::Parameters", "Heat"),
                                         QT_TRANSLATE_NOOP("vrx::Parameters", "Cool"),
                                         QT_TRANSLATE_NOOP("vrx::Parameters", "Heat/Cool"),
                                         QT_TRANSLATE_NOOP("vrx::Parameters", "Cool/Heat")};
constexpr const char* DisableEnable[] = {QT_TRANSLATE_NOOP("vrx::Parameters", "Disable"),
                                         QT_TRANSLATE_NOOP("vrx::Parameters", "Enable")};
constexpr const char* StopStart[] = {QT_TRANSLATE_NOOP("vrx::Parameters", "Stop"),
                                     QT_TRANSLATE_NOOP("vrx::Parameters", "Start")};
constexpr const char* LockItems[] = {QT_TRANSLATE_NOOP("vrx::Parameters", "Normal"),
                                     QT_TRANSLATE_NOOP("vrx::Parameters", "Lock All"),
                                     QT_TRANSLATE_NOOP("vrx::Parameters", "Except SV")};
constexpr const char* Output1Items[] = {QT_TRANSLATE_NOOP("vrx::Parameters", "Relay"),
                                        QT_TRANSLATE_NOOP("vrx::Parameters", "Voltage Pulse"),
                                        "4~20mA",
                                        "0~5V",
                                        "0~10V",
                                        QT_TRANSLATE_NOOP("vrx::Parameters", "None")};
constexpr const char* Output2Items[] = {QT_TRANSLATE_NOOP("vrx::Parameters", "Relay"),
                                        QT_TRANSLATE_NOOP("vrx::Parameters", "Voltage Pulse"),
                                        QT_TRANSLATE_NOOP("vrx::Parameters", "None")};
constexpr const char* InputItems[] = {"K-Type", "J-Type", "T-Type", "E-Type", "N-Type", "R-Type",
                                      "S-Type", "B-Type", "L-Type", "U-Type", "TXK",    "JPt100",
                                      "Pt100",  "0~5V",   "0~10V",  "0~20mA", "4~20mA", "0~50mV"};
constexpr const char* PointerItems[] = {QT_TRANSLATE_NOOP("vrx::Parameters", "None"), "1", "2",
                                        "3"};
constexpr const char* UnitItems[] = {"F", "C", "EU"};
constexpr const char* ProgDispItems[] = {QT_TRANSLATE_NOOP("vrx::Parameters", "Pattern-Step"),
                                         QT_TRANSLATE_NOOP("vrx::Parameters", "SV"),
                                         QT_TRANSLATE_NOOP("vrx::Parameters", "Time Left")};
constexpr const char* AlarmModes[] = {
    QT_TRANSLATE_NOOP("vrx::Parameters", "Alarm Disable"),
    QT_TRANSLATE_NOOP("vrx::Parameters", "Up-Down Limit"),
    QT_TRANSLATE_NOOP("vrx::Parameters", "Up Limit"),
    QT_TRANSLATE_NOOP("vrx::Parameters", "Down Limit"),
    QT_TRANSLATE_NOOP("vrx::Parameters", "Reverse Up-Down Limit"),
    QT_TRANSLATE_NOOP("vrx::Parameters", "Absolute Up-Down Limit"),
    QT_TRANSLATE_NOOP("vrx::Parameters", "Absolute Up Limit"),
    QT_TRANSLATE_NOOP("vrx::Parameters", "Absolute Down Limit"),
    QT_TRANSLATE_NOOP("vrx::Parameters", "Standby Up-Down Limit"),
    QT_TRANSLATE_NOOP("vrx::Parameters", "Standby Up Limit"),
    QT_TRANSLATE_NOOP("vrx::Parameters", "Standby Down Limit"),
    QT_TRANSLATE_NOOP("vrx::Parameters", "Hysterics Up Limit"),
    QT_TRANSLATE_NOOP("vrx::Parameters", "Hysterics Down Limit"),
    QT_TRANSLATE_NOOP("vrx::Parameters", "CT Alarm")};
constexpr const char* SystemAlarmItems[] = {
    QT_TRANSLATE_NOOP("vrx::Parameters", "Disable"), QT_TRANSLATE_NOOP("vrx::Parameters", "Alarm1"),
    QT_TRANSLATE_NOOP("vrx::Parameters", "Alarm2"), QT_TRANSLATE_NOOP("vrx::Parameters", "Alarm3")};

const ComboBoxInfo Combos[] = {
    {"CtrlSet", "CtrlSetLB", G::Control, QT_TRANSLATE_NOOP("vrx::Parameters", "Ctrl. Method"),
     reg::ControlMethod, I::Index, Open, CtrlSetItems},
    {"RunStop", "RunStopLB", G::Control, QT_TRANSLATE_NOOP("vrx::Parameters", "Run/Stop"),
     reg::RunStop, I::RunStop, Open, RunStopItems},
    {"HeatCool", "HeatCoolLB", G::Control, QT_TRANSLATE_NOOP("vrx::Parameters", "Heat/Cool"),
     reg::HeatCool, I::Index, Open, HeatCoolItems},
    // Written to the enable register, shown from the write setting's place in the settings blocks.
    {"ComWrite", "ComWriteLB", G::Control, QT_TRANSLATE_NOOP("vrx::Parameters", "Com. Write"),
     reg::CommWriteEnable, I::LowBit, Open, DisableEnable, reg::CommWriteSetting},
    // Shown from the station's status once the settings have been read, not from a block.
    {"AT", "ATLB", G::Control, QT_TRANSLATE_NOOP("vrx::Parameters", "Auto tuning"), reg::AutoTuning,
     I::Index, Open, StopStart},
    {"LockStatus", "LockStatusLB", G::Control, QT_TRANSLATE_NOOP("vrx::Parameters", "Lock Status"),
     reg::KeyLock, I::LockKey, Open, LockItems},
    {"OutputType1", "OutType1LB", G::Control, QT_TRANSLATE_NOOP("vrx::Parameters", "Output Type1"),
     reg::OutputType1, I::Index, Unlock, Output1Items},
    {"OutputType2", "OutType2LB", G::Control, QT_TRANSLATE_NOOP("vrx::Parameters", "Output Type2"),
     reg::OutputType2, I::Index, Unlock, Output2Items},
    {"InputType", "InputTypeLB", G::Input, QT_TRANSLATE_NOOP("vrx::Parameters", "Input Type"),
     reg::InputType, I::Index, Open, InputItems},
    {"Pointer", "PointerLB", G::Input, QT_TRANSLATE_NOOP("vrx::Parameters", "Pointer"),
     reg::DecimalPoint, I::Index, Open, PointerItems},
    {"DegUnit", "DegUnitLB", G::Input, QT_TRANSLATE_NOOP("vrx::Parameters", "Unit"), reg::Unit,
     I::Index, Open, UnitItems},
    // Takes the place of SetV, under the same caption, while a program runs the controller; shown
    // from the program status, not from a settings block.
    {"ProgDisp", "SetVLB", G::Input, QT_TRANSLATE_NOOP("vrx::Parameters", "SV"),
     reg::ProgramDisplay, I::Index, Open, ProgDispItems},
    {"ALM1Mode", "ALM1MLB", G::Alarm, QT_TRANSLATE_NOOP("vrx::Parameters", "Alarm 1 Mode"),
     reg::Alarm1Mode, I::Index, Open, AlarmModes},
    {"ALM2Mode", "ALM2MLB", G::Alarm, QT_TRANSLATE_NOOP("vrx::Parameters", "Alarm 2 Mode"),
     reg::Alarm1Mode + 1, I::Index, Open, AlarmModes},
    {"ALM3Mode", "ALM3MLB", G::Alarm, QT_TRANSLATE_NOOP("vrx::Parameters", "Alarm 3 Mode"),
     reg::Alarm1Mode + 2, I::Index, Open, AlarmModes},
    {"SALMode", "SALModeLB", G::Alarm, QT_TRANSLATE_NOOP("vrx::Parameters", "System Alarm"),
     reg::SystemAlarm, I::Index, Open, SystemAlarmItems},
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
            items << QCoreApplication::translate("vrx::Parameters", item);
    return items;
}

} // namespace vrx
