// The communication settings as item indexes, their one-number packing, and what they mean
// for a port: line parameters and reply time-outs.
#pragma once

#include "linedevice.h"

#include <QString>

#include <optional>

namespace vrx {

class SerialPort;

// Item indexes of the Protocol window's six groups; -1 is "nothing selected".
struct ComSelections {
    int comPort = 0;
    int baudRate = 2;
    int parity = 1;
    int bitLen = 0;
    int stopBit = 0;
    int modBus = 0; // 0 ASCII, 1 RTU
    friend bool operator==(const ComSelections&, const ComSelections&) = default;
};

inline constexpr char SettingsFileName[] = "SETVRX.$$$";

// value = port + baud*10 + parity*100 + bits*1000 + stop*10000 + framing*50000.
int PackSettings(const ComSelections& selections);
// The digits of a packed value, unclamped: a negative value gives negative digits.
ComSelections UnpackSettings(int value);

// The largest value the Protocol window writes: every group at its last item.
inline constexpr int LargestPackedSettings = 61247;

// The settings file's first line as a packed value. Only the first few bytes are read: a packed
// setting has at most six digits, and a file of any size or content must not hold up the start.
// Throws FileError, ConvertError (not a number), or Error (a number the Protocol window cannot
// have written: negative or above LargestPackedSettings).
int ReadSettingsFile(const QString& path);
// The bytes ReadSettingsFile reads at most, and its rule over them (path is for messages).
inline constexpr qint64 SettingsHeadSize = 64;
int ParseSettingsHead(const QByteArray& head, const QString& path);
// Writes the packed value as one line with CR LF; throws FileError.
void WriteSettingsFile(const QString& path, int value);

// What the selections mean for the line: the baud rate (9600 when none is selected), parity,
// data bits, stop bits and framing.
LineSettings ToLineSettings(const ComSelections& selections);
// The same, with `keptBaud` when no baud is selected: what a port that keeps its baud then gets,
// the line's owner opening it with the selections.
LineSettings ToLineSettings(const ComSelections& selections, qint32 keptBaud);

// Sets ComNumber, Baud (kept when no baud is selected), Parity, DataBits and StopBits.
void ApplySettings(const ComSelections& selections, SerialPort& port);

bool IsRtu(const ComSelections& selections);

// The selections that give COMn `com` (1-8) with the settings: what the Protocol window shows
// for a line found by a scan. A speed the window does not offer selects none.
ComSelections SelectionsFor(int com, const LineSettings& settings);

// The speeds the Protocol window offers, in its order.
inline constexpr qint32 OfferedBauds[] = {2400, 4800, 9600, 19200, 38400};

// A line's format as users write it: data bits, parity letter, stop bits ("8E1", "7o2"), or
// nothing when the text is not one. Only 7 or 8 data bits and 1 or 2 stop bits.
struct LineFormat {
    int dataBits = 8;
    Parity parity = Parity::None;
    int stopBits = 1;
    friend bool operator==(const LineFormat&, const LineFormat&) = default;
};
std::optional<LineFormat> ParseLineFormat(QStringView text);
// "8E1".
QString LineFormatText(const LineSettings& settings);
// "9600 8E1 ASCII": the line as messages and logs name it.
QString LineSettingsText(const LineSettings& settings);

// Reply time-outs in 55 ms ticks (the Monitor's and the Recorder's are their engines').
inline constexpr int TesterReplyTicks = 18;
// An RTU reply ends after one or two ticks of silence; slow lines need the second tick.
int RtuSilenceTicks(const LineSettings& settings);

} // namespace vrx
