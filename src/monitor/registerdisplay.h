// How the controller's register words are shown: process values, status codes, lamps, program
// status, and every settings block turned into the values of the parameter boxes. Pure functions
// over words.
#pragma once

#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace vrx {

// The words of one read reply; a reply carries at most eight.
using ReplyWordArray = std::array<int, 8>;

// Input types from this index on are linear inputs: their values are whole numbers already.
inline constexpr int FirstLinearInput = 13;

// The PV/SV text of a station face for a register word (0-65535), the decimal-point setting
// and the input type shown for the selected station (-1 when none is shown).
QString FormatProcessValue(int value, int decimalPoint, int inputType);

// A process-value word whose high byte is 0x80 carries a status code instead of a value.
constexpr bool IsStatusWord(int value) {
    return (value & 0xFF00) == 0x8000;
}
// The text a status word shows in the PV edit; empty for codes without one.
QString StatusText(int value);
// Codes 1 and 2: the controller is starting up; its settings are read again once it is ready.
constexpr bool StatusAsksForSettings(int value) {
    return (value & 0x0F) == 1 || (value & 0x0F) == 2;
}

// The eight lamps of a station face, in the order of their names: AT, OUT1, OUT2, ALM1, ALM2,
// ALM3, degrees F, degrees C.
enum class Lamp { At, Out1, Out2, Alarm1, Alarm2, Alarm3, DegF, DegC };
inline constexpr int LampCount = 8;
enum class LampColour { Grey, Lime, Red, Yellow };
using LampRow = std::array<LampColour, LampCount>;

// The lamps as the lamp word 0x4728 lights them.
LampRow LampsOf(int lampWord);

// The SV text while a program runs, from the program status words 0x4762..0x4766; the station's
// set value and decimal point serve the "SV" display mode.
QString ProgramStatusText(const ReplyWordArray& words, int setValue, int decimalPoint,
                          int inputType);

// "P Coefficient" in hundredths: 105 shows 1.05.
QString CoeffText(int value);
// "I Offset": tenths, one decimal, unsigned.
QString IntegralOffsetText(int value);
// Key lock 0, 1 or 0x0B: any value above 1 is "Except SV".
constexpr int LockStatusItem(int value) {
    return value > 1 ? 2 : value;
}
// Run/stop: a value beyond the items shows "Stop".
constexpr int RunStopItem(int value) {
    return value > 3 ? 0 : value;
}
// Alarm 3 shares its terminal with output 2: one output (heat or cool) leaves room for it.
constexpr bool Alarm3Shown(int heatCool) {
    return heatCool < 2;
}
// The caption of the firmware panel: its design caption, major.minor (minor in hex).
QString FirmwareCaption(const QString& designCaption, int firmwareWord);

// Which of the control-method dependent controls a method shows.
struct ControlGroups {
    bool pid = false;
    bool onOff = false;
    bool manual = false;
    bool setValue = false;       // SetV
    bool programDisplay = false; // ProgDisp, in SetV's place
    bool autoTuning = false;     // ATLB and AT
    friend bool operator==(const ControlGroups&, const ControlGroups&) = default;
};
ControlGroups ControlGroupsFor(int controlMethod);
// True when what is shown already matches the method, so nothing needs switching.
bool ControlGroupsMatch(int controlMethod, const ControlGroups& shown);

// One parameter box's new content: an edit's text or a combo box's item. An item beyond the
// box's list is passed on as it is; the box then shows nothing selected.
struct BoxValue {
    QString box;
    QString text;
    int item = -1;
    bool isItem = false;
    static BoxValue Text(const char* box, QString text) {
        return {QString::fromLatin1(box), std::move(text), -1, false};
    }
    static BoxValue Item(const char* box, int item) {
        return {QString::fromLatin1(box), {}, item, true};
    }
    friend bool operator==(const BoxValue&, const BoxValue&) = default;
};

// What a settings block needs besides its words: the selected station's last values.
struct SettingsContext {
    int decimalPoint = 0;
    int setValue = 0; // signed
    bool programRunning = false;
    int firmwareWord = 0;
    QString firmwareDesignCaption;
    int output1 = 0;
    int output2 = 0;
};

// A settings block decoded: the boxes to fill, and the values that switch other controls.
struct SettingsBlock {
    QList<BoxValue> values;
    std::optional<QString> firmwareCaption;
    std::optional<bool> integralShown; // "I Offset" (true) or "PD Offset" (false) is shown
    std::optional<bool> commWrite;     // communication writes enabled
    std::optional<int> inputType;
    std::optional<int> controlMethod;
    std::optional<int> heatCool;
};

// The settings block of a settings phase (pollplan.h): every parameter box whose register the
// block reads, in the box's format, and the first block with the boxes of the station's own
// values; empty for any other phase.
SettingsBlock DecodeSettingsBlock(int phase, const ReplyWordArray& words,
                                  const SettingsContext& context);

} // namespace vrx
