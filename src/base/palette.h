// The program's colours, each named for what it shows, in one place: the windows take them as
// QColor(palette::...), the curve's pens hand them out as they are. The values are 0xRRGGBB, the
// layout of a QRgb with its alpha left out (a QColor made of one is opaque), so that the core,
// which has no QColor, names them too. Several names share a value where one colour means
// several things; a change to one meaning then stays with it.
#pragma once

#include <QtGlobal>

#include <array>

namespace vrx::palette {

using Rgb = quint32;

// Plain ink and paper.
inline constexpr Rgb Black = 0x000000;
inline constexpr Rgb White = 0xFFFFFF;

// The Monitor's station: the lamps and the run LED (unlit grey, lit lime, red or yellow), their
// black rims, the navy badge behind the run LED, and the displays on the controller picture:
// the process value red and the set value green on black.
inline constexpr Rgb LampGrey = 0x808080;
inline constexpr Rgb LampLime = 0x00FF00;
inline constexpr Rgb LampRed = 0xFF0000;
inline constexpr Rgb LampYellow = 0xFFFF00;
inline constexpr Rgb LampRim = Black;
inline constexpr Rgb StationBadgeNavy = 0x000080;
inline constexpr Rgb DisplayField = Black;
inline constexpr Rgb PvDisplayRed = 0xFF0000;
// Bright enough to be read on the display's black.
inline constexpr Rgb SvDisplayGreen = 0x00A000;
// The ring around the selected station: lime while it is connected, silver while not.
inline constexpr Rgb SelectionRingLime = LampLime;
inline constexpr Rgb SelectionRingSilver = 0xC0C0C0;
// The round button that clears a station's counters.
inline constexpr Rgb CounterClearSilver = 0xC0C0C0;
// The Monitor's status line: teal while all is well, red on an error.
inline constexpr Rgb StatusTeal = 0x008080;
inline constexpr Rgb StatusErrorRed = 0xFF0000;
// The bar of a gauge (outputs, a transfer's progress).
inline constexpr Rgb GaugeNavy = 0x000080;

// The Monitor's trend chart: white axes, labels and PV trace on black, a silver grid, the SV
// trace in the displays' green. The cursor's readout: a silver line, a black box framed in
// white, the time and PV in white and the SV in green.
inline constexpr Rgb TrendField = Black;
inline constexpr Rgb TrendInk = White;
inline constexpr Rgb TrendGridSilver = 0xC0C0C0;
inline constexpr Rgb PvTrace = White;
inline constexpr Rgb SvTrace = SvDisplayGreen;
inline constexpr Rgb TrendReadoutLine = TrendGridSilver;

// The Recorder: its panel red while recording and lime while not, the Start button's blue
// caption on white, the navy field text of the sample rate, the address boxes white (red once
// their device dropped out), each device's colour, and the chart black on white with a grey
// grid.
inline constexpr Rgb RecordingRed = 0xFF0000;
inline constexpr Rgb NotRecordingLime = 0x00FF00;
inline constexpr Rgb StartButtonBlue = 0x0000FF;
inline constexpr Rgb NavyFieldText = 0x000080;
inline constexpr Rgb AddressField = White;
inline constexpr Rgb DroppedAddressRed = 0xFF0000;
inline constexpr std::array<Rgb, 8> DeviceColours{0x808000, 0x000080, 0x800080, 0x008080,
                                                  0x808080, 0x0000FF, 0x800000, 0x008000};
inline constexpr Rgb ChartPaper = White;
inline constexpr Rgb ChartInk = Black;
inline constexpr Rgb ChartGridGrey = 0x808080;

// The Ramp/soak editor: the upload note's green, the curve's four pens, its light grey grid,
// black on white.
inline constexpr Rgb UploadNoteGreen = 0x008000;
inline constexpr Rgb CurveGreen = 0x008000;
inline constexpr Rgb CurveBlue = 0x0000FF;
inline constexpr Rgb CurveNavy = 0x000080;
inline constexpr Rgb CurveOlive = 0x808000;
inline constexpr Rgb CurveGridGrey = 0xE0E0E0;
inline constexpr Rgb CurvePaper = White;
inline constexpr Rgb CurveInk = Black;

// The Main window's client area, and the command tester's navy text on sky blue.
inline constexpr Rgb ClientPaper = White;
inline constexpr Rgb ClientInk = Black;
inline constexpr Rgb TesterSkyBlue = 0xA6CAF0;
inline constexpr Rgb TesterNavy = 0x000080;

} // namespace vrx::palette
