// The fixture of the hub's tests: the line a recording holds, in RTU on a fake line and a manual
// clock, with a hub on it, and its stations' answers.
#pragma once

#include "errorlog.h"
#include "fakeline.h"
#include "framecodec.h"
#include "linehub.h"
#include "manualtime.h"

#include <memory>

namespace vrx::test {

inline QByteArray Hex(const char* text) {
    return QByteArray::fromHex(text);
}

struct HubBench {
    // A served request's reply time-out, in ticks.
    static constexpr int ReplyTicks = 4;

    explicit HubBench(LineHub::Settings settings = {}) {
        qputenv("VRX_COM1", "sim");
        LineSettings line;
        line.framing = Framing::Rtu;
        line.dataBits = 8;
        owner.Open(QStringLiteral("Recorder"), 1, line);
        settings.timing = ReplyTiming{ReplyTicks, 0, ReplyTicks};
        hub = std::make_unique<LineHub>(owner, settings);
    }
    // The units of the frames on the line, in order.
    QList<int> Sent() const {
        QList<int> units;
        for (const QByteArray& frame : lines.last->written)
            units << static_cast<unsigned char>(frame.at(0));
        return units;
    }
    // The station that the last request went to answers it `afterMs` after it went out: its
    // two registers 0x00FA, 0x012C; then time runs on for `thenMs`.
    void Answer(int afterMs = 10, int thenMs = SerialPort::TickMs) {
        const int unit = static_cast<unsigned char>(lines.last->written.last().at(0));
        QByteArray reply;
        reply.append(char(unit)).append(Hex("030400FA012C"));
        clock.Run(afterMs);
        lines.last->Reply(reply + ModbusCrc(reply));
        clock.Run(thenMs);
    }

    FakeLineFactory lines;
    ManualTime clock;
    ErrorLog errors;
    LineOwner owner;
    std::unique_ptr<LineHub> hub;
};

} // namespace vrx::test
