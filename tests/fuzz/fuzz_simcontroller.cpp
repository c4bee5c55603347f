// The simulated controllers' side of the line: any bytes a master may send, cut into frames and
// answered. Byte 0 chooses between raw bytes and a well-formed frame around the data (so that
// the register handling behind the checks is reached too).
#include "controllerbus.h"
#include "demo.h"
#include "framereceiver.h"
#include "modbusframe.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static vrx::sim::ControllerBus bus(
        vrx::sim::MakeControllers(*vrx::sim::ParseLineOptions(QString(), nullptr)));
    const QByteArray body(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    vrx::sim::FrameReceiver receiver;
    std::vector<vrx::sim::ReceivedFrame> frames;
    switch (data[0] % 3) {
    case 0: // raw bytes as they come off the line
        frames = receiver.Feed(body);
        if (const auto last = receiver.Silence()) frames.push_back(*last);
        break;
    case 1: // an RTU frame with a right CRC
    case 2: // an ASCII frame with a right LRC
        if (body.size() >= 2) {
            const vrx::sim::Framing framing =
                data[0] % 3 == 1 ? vrx::sim::Framing::Rtu : vrx::sim::Framing::Ascii;
            const vrx::sim::Pdu pdu{quint8(body.at(0)), quint8(body.at(1)), body.mid(2)};
            frames.push_back({framing, vrx::sim::Encode(framing, pdu)});
        }
        break;
    }
    for (const vrx::sim::ReceivedFrame& frame : frames)
        (void)bus.Respond(frame);
    bus.Step(0.5);
    return 0;
}
