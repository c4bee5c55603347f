// A station's face and values from its poll replies.
#include "stationface.h"

#include "pollplan.h"

namespace vrx {

namespace {

int Signed16(int word) {
    return static_cast<qint16>(word & 0xFFFF);
}

} // namespace

StationFace FaceFor(int phase, const MonitorReply& reply, const StationValues& before,
                    StationFace face, int inputType) {
    const ReplyWordArray& w = reply.words;
    switch (phase) {
    case StatusPhase:
        face.lamps = LampsOf(w[3]);
        break;
    case ProgramStatusPhase:
        face.svText = ProgramStatusText(w, before.sv, before.decimalPoint, inputType);
        break;
    case ProcessValuesPhase:
        face.pvIsStatus = IsStatusWord(w[0]);
        face.pvText = face.pvIsStatus ? StatusText(w[0])
                                      : FormatProcessValue(w[0], before.decimalPoint, inputType);
        // While a program runs the SV edit keeps the program status.
        if (!before.programRunning)
            face.svText = FormatProcessValue(w[1], before.decimalPoint, inputType);
        face.out1 = w[2];
        face.out2 = w[3];
        break;
    default:
        return face;
    }
    face.runLed = LampColour::Lime;
    return face;
}

StationValues ValuesFor(int phase, const MonitorReply& reply, const StationValues& before) {
    const ReplyWordArray& w = reply.words;
    StationValues values = before;
    switch (phase) {
    case StatusPhase:
        values.decimalPoint = w[0];
        values.commWriteEnabled = w[1] != 0;
        values.atState = w[2];
        values.firmwareWord = w[5];
        values.programRunning = w[6] == 1;
        break;
    case ProcessValuesPhase:
        values.out1 = w[2];
        values.out2 = w[3];
        values.sv = Signed16(w[1]);
        // The trend records no value while the controller shows a status.
        values.pv = IsStatusWord(w[0]) ? 0 : Signed16(w[0]);
        break;
    default:
        break;
    }
    return values;
}

bool AsksForSettings(int phase, const MonitorReply& reply, const StationValues& before,
                     bool selected) {
    const ReplyWordArray& w = reply.words;
    switch (phase) {
    case StatusPhase:
        // Auto-tuning started or ended, or the controller's own settings changed (front panel).
        return selected && (w[2] != before.atState || (w[4] & 1) == 0);
    case ProcessValuesPhase:
        return IsStatusWord(w[0]) && StatusAsksForSettings(w[0]);
    default:
        return false;
    }
}

} // namespace vrx
