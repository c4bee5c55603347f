// The controller's holding registers 0x4700-0x47FF as a master names them on the wire: one
// list for the windows, the engines and the simulated controllers.
#pragma once

#include <QtGlobal>

namespace vrx {

namespace reg {
inline constexpr int First = 0x4700;
inline constexpr int Last = 0x47FF;

inline constexpr int ProcessValue = 0x4700;
inline constexpr int SetValue = 0x4701;
inline constexpr int Output1 = 0x4702;
inline constexpr int Output2 = 0x4703;
inline constexpr int RangeHigh = 0x4704;
inline constexpr int RangeLow = 0x4705;
inline constexpr int Alarm1High = 0x4706; // alarm k: 0x4706 + 2(k-1) upper, +1 lower
inline constexpr int Alarm3Low = 0x470B;
inline constexpr int ProportionalBand = 0x470C;
inline constexpr int IntegralTime = 0x470D;
inline constexpr int DerivativeTime = 0x470E;
inline constexpr int IntegralOffset = 0x470F;
inline constexpr int PdOffset = 0x4710;
inline constexpr int PCoefficient = 0x4711;
inline constexpr int DeadBand = 0x4712;
inline constexpr int Hysteresis1 = 0x4713;
inline constexpr int Hysteresis2 = 0x4714;
inline constexpr int TuneOutHigh = 0x4715;
inline constexpr int TuneOutLow = 0x4716;
inline constexpr int CommWriteSetting = 0x4717; // the settings-block form of 0x4726
inline constexpr int InputType = 0x4718;
inline constexpr int ControlMethod = 0x4719;
inline constexpr int HeatCool = 0x471A;
inline constexpr int ControlPeriod1 = 0x471B;
inline constexpr int ControlPeriod2 = 0x471C;
inline constexpr int PvOffset = 0x471D;
inline constexpr int KeyLock = 0x471E;
inline constexpr int SystemAlarm = 0x471F;
inline constexpr int Alarm1Mode = 0x4720; // alarm k: 0x4720 + k-1
inline constexpr int RunStop = 0x4723;
inline constexpr int Unit = 0x4724;
inline constexpr int DecimalPoint = 0x4725;
inline constexpr int CommWriteEnable = 0x4726;
inline constexpr int AutoTuning = 0x4727;
inline constexpr int Lamps = 0x4728;
inline constexpr int SettingsState = 0x4729;
inline constexpr int FirmwareKey = 0x472A; // reads the firmware version, takes the unlock code
inline constexpr int ProgramRunning = 0x472B;
inline constexpr int OutputType1 = 0x4730;
inline constexpr int OutputType2 = 0x4731;
inline constexpr int RtdOffset = 0x4732;
inline constexpr int RtdGain = 0x4733;
inline constexpr int TcOffset = 0x4734;
inline constexpr int TcGain = 0x4735;
inline constexpr int ColdJunctionOffset = 0x4736;
inline constexpr int LinearOffset = 0x4737;
inline constexpr int LinearGain = 0x4738;
inline constexpr int ParameterMemory = 0x474C;
inline constexpr int RestoreDefaults = 0x474E;
inline constexpr int ClearPvAdjust = 0x474F;
inline constexpr int ProgramDisplay = 0x4762;
inline constexpr int RemainingSeconds = 0x4763;
inline constexpr int RemainingMinutes = 0x4764;
inline constexpr int ProgramStep = 0x4765;
inline constexpr int ProgramPattern = 0x4766;
inline constexpr int StartPattern = 0x4767;
inline constexpr int PatternMaxStep = 0x4768; // + pattern
inline constexpr int PatternLoop = 0x4770;    // + pattern
inline constexpr int PatternLink = 0x4778;    // + pattern; 8 ends the program
inline constexpr int StepTable = 0x4780;      // + 2(8 pattern + step): set value, then minutes

// The key that opens one protected write; it is also the value the two commands carry.
inline constexpr quint16 UnlockCode = 0x7E5B;
} // namespace reg

} // namespace vrx
