// Whether anything has answered on the line since the first station was connected: at the wrong
// speed, format or framing every station times out in turn, and that is said once, for the line,
// rather than once for each station.
#pragma once

#include <QList>

namespace vrx {

// A station dropped because it stopped answering, at the address it was asked at.
struct DroppedStation {
    int station = 0;
    int address = 0;
    friend bool operator==(const DroppedStation&, const DroppedStation&) = default;
};

// Decides what the Monitor says when a station is dropped. Once any station has answered, each
// drop is said for its station, as always. Until then a drop is held back while other stations
// are still being tried: if one of them answers, the held drops are said each for its station
// after all; if none does, the line is said once, instead of all of them.
class AnswerWatch {
public:
    enum class Say {
        Nothing, // held back: nothing has answered yet, and other stations are still tried
        Station, // the station's own message
        Line,    // nothing has answered at all: the line's message
    };

    // The first station is connected: nothing has answered yet.
    void Restart();
    // Station st is connected again while others are: a drop of it held back is past.
    void Reconnected(int st);
    // A station answered with a frame of its own. Returns the drops held back until now, to be
    // said each for its station.
    QList<DroppedStation> Answered();
    // `dropped` stopped answering; `othersLeft`: other stations are still connected.
    Say Dropped(const DroppedStation& dropped, bool othersLeft);
    // The user cancelled the last station: true when drops were held back and nothing has
    // answered, so the line is to be said.
    bool LastCancelled();

    bool AnyAnswered() const { return answered_; }

private:
    bool answered_ = false;
    QList<DroppedStation> held_;
};

} // namespace vrx
