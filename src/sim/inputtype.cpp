// Spans of the input types.
#include "inputtype.h"

#include <cmath>

namespace vrx::sim {

InputSpan SpanOf(int inputType) {
    // K, J, T, E, N, R, S, B, L, U, TXK, JPt100, Pt100, then the linear inputs.
    static constexpr InputSpan Spans[InputTypeCount] = {
        {-2000, 13000}, {-1000, 12000}, {-2000, 4000}, {0, 6000},     {-2000, 13000}, {0, 17000},
        {0, 17000},     {1000, 18000},  {-2000, 8500}, {-2000, 5000}, {-2000, 8000},  {-200, 4000},
        {-2000, 6000},  {-1999, 9999},  {-1999, 9999}, {-1999, 9999}, {-1999, 9999},  {-1999, 9999},
    };
    if (inputType < 0 || inputType >= InputTypeCount) return Spans[0];
    return Spans[inputType];
}

int CelsiusToFahrenheit(int tenths) {
    return static_cast<int>(std::lround(tenths * 9.0 / 5.0 + 320.0));
}

int FahrenheitToCelsius(int tenths) {
    return static_cast<int>(std::lround((tenths - 320.0) * 5.0 / 9.0));
}

} // namespace vrx::sim
