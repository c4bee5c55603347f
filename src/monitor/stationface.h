// What a station's face shows, and what a good poll reply makes of it and of the values the
// Monitor keeps of the station. Pure: the reply and the station as it was in, the new one out.
#pragma once

#include "monitorreply.h"
#include "registerdisplay.h"

#include <QString>

namespace vrx {

// What a station's face shows: PV and SV texts, lamps, run lamp and output gauges.
struct StationFace {
    QString pvText;
    bool pvIsStatus = false; // a status text, shown in the smaller font
    QString svText;
    LampRow lamps{};
    LampColour runLed = LampColour::Grey;
    int out1 = 0; // tenths of a percent
    int out2 = 0;
    friend bool operator==(const StationFace&, const StationFace&) = default;
};

// What the Monitor keeps of a station from its polls (the per-station fields of its state).
struct StationValues {
    int decimalPoint = 0;
    bool commWriteEnabled = false;
    int atState = 0;
    int firmwareWord = 0;
    bool programRunning = false;
    int pv = 0; // signed; 0 while the controller shows a status instead
    int sv = 0; // signed
    int out1 = 0;
    int out2 = 0;
    friend bool operator==(const StationValues&, const StationValues&) = default;
};

// The face after a good reply to the poll of `phase` (status, program status or process
// values), for a station whose values were `before`: the run lamp turns lime. `inputType` is
// the one shown for the selected station (-1 for none). A settings phase leaves the face alone.
StationFace FaceFor(int phase, const MonitorReply& reply, const StationValues& before,
                    StationFace face, int inputType);
// The station's values after that reply.
StationValues ValuesFor(int phase, const MonitorReply& reply, const StationValues& before);
// Whether that reply asks for the selected station's settings to be read again: the controller
// started or ended auto-tuning, its settings were changed on its front panel (both only for the
// selected station), or it is starting up.
bool AsksForSettings(int phase, const MonitorReply& reply, const StationValues& before,
                     bool selected);

} // namespace vrx
