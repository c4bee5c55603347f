// The simulated serial server's and gateway's request side: a TCP stream, cut into segments,
// into the requests the controllers answer, and the gateway's reply to each. The first byte
// picks the kind, the framing and where the stream is cut; the rest is the stream.
#include "controllerbus.h"
#include "demo.h"
#include "mbap.h"
#include "tcprequests.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace vrx::sim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const auto kind =
        (data[0] & 0x80) ? TcpRequestReader::Kind::ModbusTcp : TcpRequestReader::Kind::Transparent;
    const FramingMode modes[] = {FramingMode::Auto, FramingMode::Ascii, FramingMode::Rtu,
                                 FramingMode::Auto};
    const FramingMode mode = modes[(data[0] >> 5) & 3];
    const qsizetype step = (data[0] & 0x1F) + 1;
    const QByteArray stream(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    static ControllerBus bus(MakeControllers(LineOptions{}), 1.0);
    TcpRequestReader reader(kind, mode);
    std::vector<TcpRequest> requests;
    bool ok = true;
    for (qsizetype at = 0; at < stream.size() && ok; at += step)
        ok = reader.Feed(stream.mid(at, step), &requests);
    if (ok)
        if (auto rest = reader.Pause()) requests.push_back(*rest);
    for (const TcpRequest& request : requests) {
        if (request.frame.bytes.isEmpty()) std::abort();
        if (kind == TcpRequestReader::Kind::ModbusTcp && !request.transaction) std::abort();
        QByteArray reply;
        for (const ReplyPiece& piece : bus.Respond(request.frame))
            reply += piece.bytes;
        if (!request.transaction) continue;
        // The gateway answers every unit but the broadcast with one well-formed ADU.
        const QByteArray adu = GatewayReply(*request.transaction, request.frame.bytes, reply);
        const bool broadcast = request.frame.bytes.at(0) == 0;
        if (broadcast != adu.isEmpty()) std::abort();
        if (broadcast) continue;
        vrx::MbapReader check;
        std::vector<vrx::MbapAdu> adus;
        if (!check.Feed(adu, &adus, nullptr) || adus.size() != 1 || check.Pending()) std::abort();
        if (adus.front().transaction != *request.transaction) std::abort();
    }
    return 0;
}
