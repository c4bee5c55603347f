// The input types a controller measures with: thermocouples, RTDs and linear signals, and the
// span each one can read.
#pragma once

namespace vrx::sim {

// Register values of the input type, 0x00 to 0x11.
inline constexpr int InputTypeCount = 18;
inline constexpr int FirstLinearInput = 13; // 0~5V, 0~10V, 0~20mA, 4~20mA, 0~50mV

inline bool IsLinearInput(int inputType) {
    return inputType >= FirstLinearInput;
}

// What the input can read, in tenths of a degree Celsius for temperature inputs and in counts
// for linear inputs. Beyond it the controller reports "over range" instead of a value.
struct InputSpan {
    int low;
    int high;
};
InputSpan SpanOf(int inputType);

// Temperature conversions on register values in tenths.
int CelsiusToFahrenheit(int tenths);
int FahrenheitToCelsius(int tenths);

} // namespace vrx::sim
